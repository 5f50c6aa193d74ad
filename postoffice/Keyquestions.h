#pragma once
// The Key questions of a run over the Inbox. What a message claims (its sender's LIdent and
// address) may order the questions, so that the people a discussion knows are asked before
// strangers, but never decides about another sender's message; the messages whose questions
// the run did not ask wait in the Inbox, told in one box.

#include "foundation/Tlogin.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

class TPostFilesStorage;

// Who the discussions held here know by LIdent and address together: their authors, the
// persons they keep and their moderators. A stranger may claim one of the two, not both
// and still be asked the question of the person it claims.
class TKnownSenders {
 public:
  bool Knows(const std::string& dident, const std::string& lident, const std::string& address);

 private:
  // Per DIDENT: "LIDENT\naddress" (the address in lower case) of each person known.
  std::map<std::string, std::set<std::string>> fByDiscussion;
};

// Orders the files of an Inbox run (indices into `inbox`, in date order): the Key-sealed
// messages whose discussions do not know their senders go after all the others, each group
// in its order, so that a stranger's decline or a stop of the questions comes after the
// discussion's own people were asked. One sender's messages keep their order among
// themselves: a message that goes after the others takes every message signed with the same
// key along (its bytes prove them one signer's; no claim can tie a stranger's message to
// another sender's), so that a sender's switch is never handled after their own later
// messages.
void AskKnownSendersFirst(const TPostFilesStorage& inbox, std::vector<int32_t>& order);

// The box of the messages a run left in `folder` for another run by their Key questions:
// how many, what becomes of them, and each one's name and why (the first ten, then how many
// more). `askedNoMore`: the user chose to ask no more in the run.
std::string WaitingForKeysText(const std::vector<std::pair<std::string, TLoginsStorage::TKeyWait>>& waiting,
                               const std::string& folder, bool askedNoMore);
