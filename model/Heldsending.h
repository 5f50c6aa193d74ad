#pragma once
// A sending whose messages wait under their unfinished names while the discussion is saved
// as having sent them: the save decides whether they go.
//
// Before the save a record, in the folder "Sending/" beside the Outbox, names the waiting
// messages, the discussion's folder and the generation that save gives the discussion's
// files. Whatever stops the program from then on, the next settling reads the newest whole
// set of the discussion's files: when it is of that generation the discussion says the post
// went, and the messages are moved into the Outbox; when it is of any other they are
// removed. A record that has decided that its messages go says so first, so that their move
// is finished whatever is saved later. Moves and removals go by name and are repeated
// safely: no message goes twice, and none of a post the discussion says went is lost.

#include <string>
#include <vector>

class TDiscussion;

class THeldSending {
 public:
  THeldSending() = default;
  THeldSending(const THeldSending&) = delete;
  THeldSending& operator=(const THeldSending&) = delete;
  ~THeldSending();

  // Makes the waiting messages (their Outbox paths) durable and records them for the
  // discussion's next save; false (reported) when the record cannot be written.
  bool Record(TDiscussion& discussion, const std::vector<std::string>& messages);
  bool Recorded() const { return !Path.empty(); }
  // Whether the discussion's saved files say the post went: their newest whole set is the
  // one the record waits for.
  bool SavedAsSent() const;
  // The sending is over, its messages moved into the Outbox or removed: the record goes.
  void Finish();
  // The discussion here no longer says the post went, but its saved files still do: the
  // messages and the record stay for the next save of the discussion (which removes them) or
  // the next start (which does what the saved files say).
  void Leave();

 private:
  std::string Path;  // of the record
};

// Settles the records left by sendings that did not finish, but for this process's own;
// at start and before the Outbox is read.
void SettleHeldSendings();
// Whether an unfinished message's file (its path) waits for a sending not settled yet.
bool IsHeldForSending(const std::string& path);
// The discussion in that folder was saved: the sendings left by take-backs whose save
// failed are settled as not sent.
void HeldSendingsSaved(const std::string& folder);
