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
  Register(MessageCommand::GiveModel.Name, HandleCommand_GiveModel);
  Register(MessageCommand::NewBlocks.Name, HandleCommand_NewBlocks);
  Register(MessageCommand::RequestedBlocks.Name, HandleCommand_NewBlocks);
  Register(MessageCommand::FormNewModel.Name, HandleCommand_CreateModel);
  Register(MessageCommand::SubscribeMe.Name, HandleCommand_SubscribeMe);
  Register(MessageCommand::YouSubscribed.Name, HandleCommand_YouSubscribed);
  Register(MessageCommand::UnsubscribeMe.Name, HandleCommand_UnsubscribeMe);
  Register(MessageCommand::DoNotBotherMore.Name, HandleCommand_DontBotherMore);
  Register(MessageCommand::AuthorsUpdate.Name, HandleCommand_AuthorsUpdate);
  Register(MessageCommand::MakeDiscussionPrivate.Name, HandleCommand_MakeDiscussionPrivate);
  Register(MessageCommand::MakeDiscussionPublic.Name, HandleCommand_MakeDiscussionPublic);
  Register(MessageCommand::YourBlocksIgnored.Name, HandleCommand_YourBlocksIgnored);
  Register(MessageCommand::YourCommandIgnored.Name, HandleCommand_YourCommandIgnored);
  Register(MessageCommand::ExistingBlocksList.Name, HandleCommand_ExistingBlockNames);
  Register(MessageCommand::RegistrateModel.Name, HandleCommand_RegistrateModel);
  Register(MessageCommand::ModelRegistration.Name, HandleCommand_ModelRegistration);
  Register(MessageCommand::GiveBlocks.Name, HandleCommand_GiveBlocks);
  Register(MessageCommand::GiveExistingBlocksList.Name, HandleCommand_GiveExistingBlockNames);
  Register(MessageCommand::AuthorIdentsGenerated.Name, HandleCommand_AuthorIdentsGenerated);
  Register(MessageCommand::NewAnnotation.Name, HandleCommand_NewAnnotation);
  Register(MessageCommand::GenerateAuthorIdents.Name, HandleCommand_GenerateAuthorIdents);
  Register(MessageCommand::ModerateDll.Name, HandleCommand_ModerateDLL);
  RegisterRefreshAuthorData(RefreshAuthorData);
}

void UnregisterCommandHandlers() {
  for (const TPostCommand& row : PostCommands()) RegisterPostCommandHandler(row.Name, nullptr);
  RegisterRefreshAuthorData(nullptr);
}
