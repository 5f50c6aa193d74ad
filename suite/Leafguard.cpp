// Stand-in for the suite's moderation library. It keeps what the browser tells it for the
// run (moderate types of authors, counts of moderated comments), lists the spammers of
// "Spammers.txt" in the data folder, and takes no moderator decision: the messages that
// need one (model registration, author identifiers) are left unhandled.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "platform/kernel/Datafolders.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>

class TUtilityGlobal;

namespace {

constexpr uint8_t NotDone = 1, Done = 2, LeaveUnhandled = 3;

struct TState {
  int Inits = 0;
  TArray<TStr>* IssuedNames = nullptr;
  std::map<std::string, std::pair<int32_t, int32_t>> Counts;
  std::map<std::pair<std::string, int32_t>, int32_t> ModerateTypes;
};

TState& State() {
  static TState state;
  return state;
}

std::string Text(const TStr* text) { return text ? text->ToString() : std::string(); }

}  // namespace

#define LEAFGUARD_ENTRY extern "C" __attribute__((visibility("default")))

LEAFGUARD_ENTRY uint8_t ModerateInit(TUtilityGlobal*, void*, TArray<TStr>* issuedNames, uint8_t) {
  TState& state = State();
  ++state.Inits;
  state.IssuedNames = issuedNames;
  return Done;
}

LEAFGUARD_ENTRY uint8_t ModerateClose() {
  State() = TState();
  return Done;
}

LEAFGUARD_ENTRY uint8_t HandleCommand_RegistrateModel(const TStr*) { return LeaveUnhandled; }

LEAFGUARD_ENTRY uint8_t HandleCommand_GenerateAuthorIdents(const TStr*, uint16_t*, TStr*) { return LeaveUnhandled; }

LEAFGUARD_ENTRY uint8_t GetModeratedCommentsCountByDIdent(const TStr* dident, int32_t* trustworthy,
                                                          int32_t* doubtful) {
  if (!trustworthy || !doubtful) return NotDone;
  auto it = State().Counts.find(Text(dident));
  *trustworthy = it == State().Counts.end() ? 0 : it->second.first;
  *doubtful = it == State().Counts.end() ? 0 : it->second.second;
  return Done;
}

LEAFGUARD_ENTRY uint8_t UpdateModeratedCommentsCountByDIdent(const TStr* dident, int32_t trustworthy,
                                                             int32_t doubtful) {
  State().Counts[Text(dident)] = {trustworthy, doubtful};
  return Done;
}

LEAFGUARD_ENTRY uint8_t GetAuthorModerateType(const TStr* dident, int32_t adident, int32_t* moderateType) {
  auto it = State().ModerateTypes.find({Text(dident), adident});
  if (it == State().ModerateTypes.end() || !moderateType) return NotDone;
  *moderateType = it->second;
  return Done;
}

LEAFGUARD_ENTRY uint8_t SetAuthorModerateType(const TStr* dident, uint16_t adident, uint8_t moderateType) {
  if (moderateType < 1 || moderateType > 3) return NotDone;
  State().ModerateTypes[{Text(dident), adident}] = moderateType;
  return Done;
}

LEAFGUARD_ENTRY uint8_t MakeDiscussionPrivatePublic(const TStr* dident, uint8_t makePrivate, TStr* accessText) {
  if (!accessText) return NotDone;
  *accessText = makePrivate ? "PRIVATE-" + Text(dident) : std::string();
  return Done;
}

LEAFGUARD_ENTRY uint8_t GetEditSpammersList(TStr* spammers) {
  if (!spammers) return NotDone;
  // Read with the standard library: nothing here may touch the thread-local state of the
  // program's own file calls, which a library that is unloaded again must not own.
  std::ifstream in(platform::DataRoot() + "/Spammers.txt", std::ios::binary);
  if (in) {
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    *spammers = text.substr(0, TStr::kMaxStoredLength);
  }
  return Done;
}

// For tests: how many times the library was started since it was loaded or closed.
LEAFGUARD_ENTRY int LeafguardInitCount() { return State().Inits; }
