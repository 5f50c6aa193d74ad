#include "postoffice/Commandhandlers.h"

#include "postoffice/Postcommands.h"

void RegisterCommandHandlers() {
  RegisterPostCommandHandler("GIVE_MODEL", HandleCommand_GiveModel);
  RegisterPostCommandHandler("NEW_BLOCKS", HandleCommand_NewBlocks);
  RegisterPostCommandHandler("REQUESTED_BLOCKS", HandleCommand_NewBlocks);
  RegisterPostCommandHandler("FORM_NEW_MODEL", HandleCommand_CreateModel);
}
