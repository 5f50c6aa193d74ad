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
  const auto asksFirst = [&](int32_t index) {
    TCommandMessageHeader header;
    if (!ReadMessageHeader(inbox.FilePath(uint32_t(index)), header) || !header.IsPrivateMessage()) return true;
    return known.Knows(header.GetFieldValue("DIDENT"), header.GetFieldValue("SENDER_LIDENT"),
                       header.GetFieldValue("FROM_USER_EMAIL"));
  };
  std::stable_partition(order.begin(), order.end(), asksFirst);
}

std::string NotAskedText(const std::vector<std::string>& names, const std::string& folder, bool userStopped) {
  std::vector<std::string> lines;
  for (const std::string& name : names) lines.push_back(ShownText(name));
  const size_t count = names.size();
  return std::to_string(count) + (count == 1 ? " message" : " messages") + " not asked in this run: " +
         (userStopped ? "you chose \"" + std::string(TLoginsStorage::AskNoMoreButton) + "\" at a Key question"
                      : "no login is open here to keep a Key") +
         ". " + (count == 1 ? "It stays" : "They stay") + " in " + folder + ", and the next run asks for the Key of " +
         (count == 1 ? "its sender" : "each sender") + ":\n" + ListedInBox(lines);
}
