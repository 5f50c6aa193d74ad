#include "postoffice/Commandhandlers.h"

#include "postoffice/Appliedmessages.h"
#include "postoffice/Postcommands.h"

namespace {

// The messages a handler counts as handled are held as applied, never applied again.
void Register(std::string_view command, bool (*handler)(TPostFilesHandler&, const std::string&)) {
  RegisterPostCommandHandler(command, [handler](TPostFilesHandler& run, const std::string& path) {
    TApplyingScope scope(path);
    const bool handled = handler(run, path);
    if (handled) scope.Commit();
    return handled;
  });
}

}  // namespace

void RegisterCommandHandlers() {
  Register("GIVE_MODEL", HandleCommand_GiveModel);
  Register("NEW_BLOCKS", HandleCommand_NewBlocks);
  Register("REQUESTED_BLOCKS", HandleCommand_NewBlocks);
  Register("FORM_NEW_MODEL", HandleCommand_CreateModel);
  Register("SUBSCRIBE_ME", HandleCommand_SubscribeMe);
  Register("YOU_SUBSCRIBED", HandleCommand_YouSubscribed);
  Register("UNSUBSCRIBE_ME", HandleCommand_UnsubscribeMe);
  Register("DO_NOT_BOTHER_MORE", HandleCommand_DontBotherMore);
  Register("AUTHORS_UPDATE", HandleCommand_AuthorsUpdate);
  Register("MAKE_DISCUSSION_PRIVATE", HandleCommand_MakeDiscussionPrivate);
  Register("MAKE_DISCUSSION_PUBLIC", HandleCommand_MakeDiscussionPublic);
  Register("YOUR_BLOCKS_IGNORED", HandleCommand_YourBlocksIgnored);
  Register("YOUR_COMMAND_IGNORED", HandleCommand_YourCommandIgnored);
  Register("EXISTING_BLOCKS_LIST", HandleCommand_ExistingBlockNames);
  Register("REGISTRATE_MODEL", HandleCommand_RegistrateModel);
  Register("MODEL_REGISTRATION", HandleCommand_ModelRegistration);
  Register("GIVE_BLOCKS", HandleCommand_GiveBlocks);
  Register("GIVE_EXISTING_BLOCKS_LIST", HandleCommand_GiveExistingBlockNames);
  Register("AUTHOR_IDENTS_GENERATED", HandleCommand_AuthorIdentsGenerated);
  Register("NEW_ANNOTATION", HandleCommand_NewAnnotation);
  Register("GENERATE_AUTHOR_IDENTS", HandleCommand_GenerateAuthorIdents);
  Register("MODERATE_DLL", HandleCommand_ModerateDLL);
  RegisterRefreshAuthorData(RefreshAuthorData);
}

void UnregisterCommandHandlers() {
  for (const TPostCommand& row : PostCommands()) RegisterPostCommandHandler(row.Name, nullptr);
  RegisterRefreshAuthorData(nullptr);
}
