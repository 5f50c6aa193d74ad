#include "postoffice/Postcommands.h"

#include <map>

namespace {

constexpr TPostCommand Table[] = {
    MessageCommand::YouSubscribed,
    MessageCommand::RegistrateModel,
    MessageCommand::GenerateAuthorIdents,
    MessageCommand::ModelRegistration,
    MessageCommand::MakeDiscussionPrivate,
    MessageCommand::YourCommandIgnored,
    MessageCommand::UnsubscribeMe,
    MessageCommand::ModerateDll,
    MessageCommand::SubscribeMe,
    MessageCommand::GiveExistingBlocksList,
    MessageCommand::MakeDiscussionPublic,
    MessageCommand::AuthorIdentsGenerated,
    MessageCommand::DoNotBotherMore,
    MessageCommand::YourBlocksIgnored,
    MessageCommand::NewAnnotation,
    MessageCommand::FormNewModel,
    MessageCommand::GiveModel,
    MessageCommand::GiveBlocks,
    MessageCommand::NewBlocks,
    MessageCommand::RequestedBlocks,
    MessageCommand::ExistingBlocksList,
    MessageCommand::AuthorsUpdate,
};

std::map<std::string, TPostCommandHandler, std::less<>>& Handlers() {
  static std::map<std::string, TPostCommandHandler, std::less<>> handlers;
  return handlers;
}

TRefreshAuthorData& RefreshAuthorData() {
  static TRefreshAuthorData refresh;
  return refresh;
}

}  // namespace

std::span<const TPostCommand> PostCommands() { return Table; }

const TPostCommand* FindPostCommand(std::string_view name) {
  for (const TPostCommand& row : Table)
    if (name == row.Name) return &row;
  return nullptr;
}

void RegisterPostCommandHandler(std::string_view command, TPostCommandHandler handler) {
  if (handler) {
    Handlers()[std::string(command)] = std::move(handler);
  } else {
    auto it = Handlers().find(command);
    if (it != Handlers().end()) Handlers().erase(it);
  }
}

const TPostCommandHandler* FindPostCommandHandler(std::string_view command) {
  auto it = Handlers().find(command);
  return it == Handlers().end() ? nullptr : &it->second;
}

void RegisterRefreshAuthorData(TRefreshAuthorData refresh) { RefreshAuthorData() = std::move(refresh); }

const TRefreshAuthorData* FindRefreshAuthorData() { return RefreshAuthorData() ? &RefreshAuthorData() : nullptr; }
