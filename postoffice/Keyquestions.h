#pragma once
// The Key questions of a run over the Inbox. What a message claims (its sender's LIdent and
// address) may order the questions, so that the people a discussion knows are asked before
// strangers, but never decides about another sender's message; the messages whose questions
// the run did not ask wait in the Inbox, told in one box.

#include <cstdint>
#include <map>
#include <set>
#include <string>
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
// discussion's own people were asked.
void AskKnownSendersFirst(const TPostFilesStorage& inbox, std::vector<int32_t>& order);

// The box of the messages a run left unasked in `folder`: how many, why, what becomes of
// them, and their names (the first ten, then how many more).
std::string NotAskedText(const std::vector<std::string>& names, const std::string& folder, bool userStopped);
