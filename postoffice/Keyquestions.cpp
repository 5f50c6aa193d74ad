#include "postoffice/Keyquestions.h"

#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Tcommandmessage.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "postoffice/Provensender.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpostfile.h"

#include <algorithm>
#include <map>
#include <set>

bool TKnownSenders::Knows(const std::string& dident, const std::string& lident, const std::string& address) {
  if (lident.empty() || address.empty()) return false;
  auto found = fByDiscussion.find(dident);
  if (found == fByDiscussion.end()) {
    std::set<std::string> known;
    TDiscussionsManager* manager = DiscussionsManager();
    const int index = manager ? manager->FindDiscussionByDIdent(TStr(dident), false, TStr(), TStr()) : -1;
    if (index >= 0) {
      // A discussion that does not load knows nobody here; its messages' handlers tell.
      const TErrorCapture quiet;
      TDiscussion& d = manager->GetDiscussion(index);
      const bool wasLoaded = d.Loaded;
      if (wasLoaded || d.Load()) known = PersonsKnownBy(d);
      if (!wasLoaded && d.Loaded) d.Unload();
    }
    found = fByDiscussion.emplace(dident, std::move(known)).first;
  }
  return found->second.count(PersonOf(lident, address)) != 0;
}

void AskKnownSendersFirst(const TPostFilesStorage& inbox, std::vector<int32_t>& order) {
  TKnownSenders known;
  std::map<int32_t, std::string> signers;  // by index: the key that signed it, "" when none holds
  std::set<std::string> later;             // the signers of the messages that go after the others
  for (const int32_t index : order) {
    TCommandMessageHeader header;
    TMessageSigner signer;
    const TSealState state = ScreenSeal(inbox.FilePath(uint32_t(index)), header, signer);
    const bool signedWhole = state == TSealState::Sealed || state == TSealState::OtherKey;
    const std::string key = signedWhole ? std::string(signer.PublicKey.begin(), signer.PublicKey.end()) : "";
    signers[index] = key;
    const bool asksFirst = state == TSealState::Missing || state == TSealState::Unreadable ||
                           !header.IsPrivateMessage() ||
                           known.Knows(header.GetFieldValue("DIDENT"), header.GetFieldValue("SENDER_LIDENT"),
                                       header.GetFieldValue("FROM_USER_EMAIL"));
    if (!asksFirst) later.insert(key.empty() ? "#" + std::to_string(index) : key);
  }
  std::stable_partition(order.begin(), order.end(), [&](int32_t index) {
    const std::string& key = signers[index];
    return later.count(key.empty() ? "#" + std::to_string(index) : key) == 0;
  });
}

std::string WaitingForKeysText(const std::vector<std::pair<std::string, TLoginsStorage::TKeyWait>>& waiting,
                               const std::string& folder, bool askedNoMore) {
  const std::string askNoMore = "\"" + std::string(TLoginsStorage::AskNoMoreButton) + "\"";
  std::vector<std::string> lines;
  for (const auto& [name, why] : waiting) {
    std::string line = ShownText(name) + ": ";
    switch (why) {
      case TLoginsStorage::TKeyWait::Cancelled: line += "you cancelled its Key question"; break;
      case TLoginsStorage::TKeyWait::AskedNoMore: line += "you chose " + askNoMore + " at its Key question"; break;
      case TLoginsStorage::TKeyWait::OtherSigner:
        line +=
            "the Key question of its sender was answered for a message signed with another key (one question a "
            "run for each sender)";
        break;
      case TLoginsStorage::TKeyWait::NotAsked:
      case TLoginsStorage::TKeyWait::None:
        line += askedNoMore ? "not asked, you chose " + askNoMore + " at a Key question"
                            : "not asked, no login is open here to keep a Key";
        break;
    }
    lines.push_back(line);
  }
  const size_t count = waiting.size();
  return std::to_string(count) + (count == 1 ? " message waits" : " messages wait") + " in " + folder +
         " for the next run, which asks for the Key of " + (count == 1 ? "its sender" : "their senders") + " again:\n" +
         ListedInBox(lines);
}
