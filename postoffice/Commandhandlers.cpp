#include "postoffice/Commandhandlers.h"

#include "postoffice/Postcommands.h"

void RegisterCommandHandlers() {
  RegisterPostCommandHandler("GIVE_MODEL", HandleCommand_GiveModel);
  RegisterPostCommandHandler("NEW_BLOCKS", HandleCommand_NewBlocks);
  RegisterPostCommandHandler("REQUESTED_BLOCKS", HandleCommand_NewBlocks);
  RegisterPostCommandHandler("FORM_NEW_MODEL", HandleCommand_CreateModel);
  RegisterPostCommandHandler("SUBSCRIBE_ME", HandleCommand_SubscribeMe);
  RegisterPostCommandHandler("YOU_SUBSCRIBED", HandleCommand_YouSubscribed);
  RegisterPostCommandHandler("UNSUBSCRIBE_ME", HandleCommand_UnsubscribeMe);
  RegisterPostCommandHandler("DO_NOT_BOTHER_MORE", HandleCommand_DontBotherMore);
  RegisterPostCommandHandler("AUTHORS_UPDATE", HandleCommand_AuthorsUpdate);
  RegisterPostCommandHandler("MAKE_DISCUSSION_PRIVATE", HandleCommand_MakeDiscussionPrivate);
  RegisterPostCommandHandler("MAKE_DISCUSSION_PUBLIC", HandleCommand_MakeDiscussionPublic);
  RegisterPostCommandHandler("YOUR_BLOCKS_IGNORED", HandleCommand_YourBlocksIgnored);
  RegisterPostCommandHandler("YOUR_COMMAND_IGNORED", HandleCommand_YourCommandIgnored);
  RegisterPostCommandHandler("EXISTING_BLOCKS_LIST", HandleCommand_ExistingBlockNames);
  RegisterPostCommandHandler("REGISTRATE_MODEL", HandleCommand_RegistrateModel);
  RegisterPostCommandHandler("MODEL_REGISTRATION", HandleCommand_ModelRegistration);
  RegisterPostCommandHandler("GIVE_BLOCKS", HandleCommand_GiveBlocks);
  RegisterPostCommandHandler("GIVE_EXISTING_BLOCKS_LIST", HandleCommand_GiveExistingBlockNames);
  RegisterPostCommandHandler("AUTHOR_IDENTS_GENERATED", HandleCommand_AuthorIdentsGenerated);
  RegisterPostCommandHandler("NEW_ANNOTATION", HandleCommand_NewAnnotation);
  RegisterPostCommandHandler("GENERATE_AUTHOR_IDENTS", HandleCommand_GenerateAuthorIdents);
  RegisterPostCommandHandler("MODERATE_DLL", HandleCommand_ModerateDLL);
  RegisterRefreshAuthorData(RefreshAuthorData);
}

void UnregisterCommandHandlers() {
  for (const TPostCommand& row : PostCommands()) RegisterPostCommandHandler(row.Name, nullptr);
  RegisterRefreshAuthorData(nullptr);
}
