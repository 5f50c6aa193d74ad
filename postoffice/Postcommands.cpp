#include "postoffice/Postcommands.h"

#include <map>

namespace {

constexpr TPostCommand Table[] = {
    {"YOU_SUBSCRIBED", "YS"},
    {"REGISTRATE_MODEL", "RM"},
    {"GENERATE_AUTHOR_IDENTS", "GAI"},
    {"MODEL_REGISTRATION", "MR"},
    {"MAKE_DISCUSSION_PRIVATE", "MDPR"},
    {"YOUR_COMMAND_IGNORED", "YCI"},
    {"UNSUBSCRIBE_ME", "UM"},
    {"MODERATE_DLL", "MD"},
    {"SUBSCRIBE_ME", "SM"},
    {"GIVE_EXISTING_BLOCKS_LIST", "GEBL"},
    {"MAKE_DISCUSSION_PUBLIC", "MDPU"},
    {"AUTHOR_IDENTS_GENERATED", "AIG"},
    {"DO_NOT_BOTHER_MORE", "DBM"},
    {"YOUR_BLOCKS_IGNORED", "YBI"},
    {"NEW_ANNOTATION", "NA"},
    {"FORM_NEW_MODEL", "FNM"},
    {"GIVE_MODEL", "GM"},
    {"GIVE_BLOCKS", "GB"},
    {"NEW_BLOCKS", "NB"},
    {"REQUESTED_BLOCKS", "RB"},
    {"EXISTING_BLOCKS_LIST", "EBL"},
    {"AUTHORS_UPDATE", "AU"},
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
