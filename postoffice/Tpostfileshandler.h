#pragma once
// A handling run over chosen files of one post folder, in compose-date order:
//   Inbox       each received command message goes to the handler of its command;
//   InboxPost   the parts of a received archive are joined, unpacked into the Inbox and retired;
//   Outbox      each message is packed into a cabinet and split into parts in OutboxPost;
//   OutboxPost  nothing (sending is the mail exchange's work).
// After the files the requests that the handlers queued (models, block names) are
// answered when the user agrees. The post office window runs it and shows its progress;
// a handler may set Stop, and so may the window, to end the run after the current file.

#include "foundation/Tarray.h"
#include "foundation/Tlogin.h"
#include "foundation/Tstr.h"
#include "postoffice/Partchoice.h"
#include "postoffice/Postarchives.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <set>
#include <string>
#include <utility>
#include <vector>

class TFormProgress;
class TPost;
class TPostFilesStorage;

// The set of received parts a file of that name belongs to (TPost::ToldSets); "" when the
// name is no part's.
std::string SetOfPartName(const std::string& name);

class TPostFilesHandler {
 public:
  explicit TPostFilesHandler(TPost& post);
  virtual ~TPostFilesHandler();
  TPostFilesHandler(const TPostFilesHandler&) = delete;
  TPostFilesHandler& operator=(const TPostFilesHandler&) = delete;

  TPost& Post;
  uint8_t Stop = 0;
  TArray<TStr> ModelRequests;      // DIDENTs of GIVE_MODEL messages handled in the run
  TArray<TStr> BlockNameRequests;  // DIDENTs of GIVE_EXISTING_BLOCKS_LIST messages
  int32_t AddedBlocks = 0;         // blocks added by NEW_BLOCKS and REQUESTED_BLOCKS
  int32_t PostPartSizeKB = 100;    // the largest part of outgoing post, from the browser's settings
  // Model requests of strangers taken in the run, and the discussion and key of each
  // request taken: one request a key and discussion each run.
  int StrangerRequests = 0;
  std::set<std::string> RequestKeys;

  // Handles the files of `storage` named by `indices` (sorted here). `done` counts the files
  // gone through without a stop, not those set aside. True: a file that cannot be handled is
  // set aside, never the end of the run.
  bool HandlePostFiles(TPostFilesStorage& storage, TArray<int32_t>& indices, bool interactive, int* done,
                       const std::string& caption);
  // A handler refuses its message for good: when it returns false the message is set aside
  // with the reason, and never offered again.
  void RefuseMessage(const std::string& reason) { fRefusal = reason; }

 protected:
  // The window's part: progress shown from the first file on (in a progress window
  // unless overridden), and its file list.
  virtual void ShowProgress(const std::string& status);
  virtual void CloseProgress();
  virtual void RefreshList();

 private:
  void HandleInboxFile(TPostFilesStorage& storage, uint32_t index, bool interactive);
  void HandleGenerateAuthorIdents(TPostFilesStorage& storage, uint32_t index, bool& handled);
  // Joins the posts of the set `index` belongs to that came whole: each list of links with
  // the parts it names, and a post without links from the files no list names.
  void JoinReceivedParts(TPostFilesStorage& storage, uint32_t index, bool interactive);
  struct TReceivedSet;
  void GatherSet(const TPostFilesStorage& storage, TReceivedSet& set) const;
  // Joins the files chosen, in part order, and unpacks them into the Inbox.
  TUnpackOutcome JoinChoice(TPostFilesStorage& storage, TReceivedSet& set, const std::vector<std::string>& chosen,
                            std::string& error, bool& forged);
  void JoinEachAlone(TPostFilesStorage& storage, TReceivedSet& set);
  void JoinLinkedSet(TPostFilesStorage& storage, TReceivedSet& set);
  // Sets aside the files left of a set whose bytes are those of a part joined.
  void SetAsideCopiesOf(TPostFilesStorage& storage, TReceivedSet& set, const TPartChoice& choice);
  // The files of the set that are left wait, told by whose they are.
  void TellWhatWaits(TPostFilesStorage& storage, TReceivedSet& set, const TPartChoice* choice,
                     const std::string& unlinkedError);
  void PackOutgoingMessage(TPostFilesStorage& storage, uint32_t index, bool interactive);
  void AnswerRequests(TArray<TStr>& requests, bool models);
  // Moves a refused file to its folder's "Set aside" folder (told in the run's summary and
  // in errors.log), a refused Inbox message with the parts it was joined from; the run
  // goes on.
  void SetAside(TPostFilesStorage& storage, const std::string& name, const std::string& text,
                const std::string& subfolder = "");
  // A set of received parts that cannot be joined now waits, told once (in the run's box of
  // waiting sets), until the keeping time has passed since its last part came; then its
  // parts are set aside.
  void PassOverSet(TPostFilesStorage& storage, const std::string& set, const std::vector<std::string>& names,
                   const std::string& text);
  // One box for the sets the run found waiting and told of first.
  void TellWaitingSets();
  // The sets told of whose files are all gone from `storage` are forgotten.
  void ForgetGoneSets(const TPostFilesStorage& storage);
  // What was learnt of received files is kept only while they stay (TPartChoice).
  static void ForgetLearntOfGoneFiles(const TPostFilesStorage& storage);
  // One box for the files the run refused: those set aside, by the name each is kept
  // under when another, and those that could not move and stay.
  void TellSetAside(const std::string& folder);
  // Saves the discussions that the handled messages changed, then deletes the messages;
  // a message whose discussion could not be saved stays unhandled.
  void SaveAndDeleteHandled(TPostFilesStorage& storage);
  void Refuse(const std::string& text);

  std::unique_ptr<TFormProgress> fProgress;
  std::vector<std::pair<std::string, std::string>> fHandled;  // file name, DIDENT
  struct TSetAsideFile {
    std::string Name, Reason;
    std::string Outcome;  // its path within the "Set aside" folder, or why it stayed
    bool Moved = false;
  };
  std::vector<TSetAsideFile> fSetAsideFiles;  // the files the run refused
  std::set<std::string> fPassedSets;  // sets of parts that wait, met in this run
  // The files of each set, in the order of the list, indexed once a run: a run over many
  // sets reads each name once, not once for every set.
  struct TSetsIndex {
    const TPostFilesStorage* Of = nullptr;
    uint32_t Files = 0;  // the list's length when indexed: files added since are indexed anew
    std::unordered_map<std::string, std::vector<std::string>> Members;
  };
  mutable TSetsIndex fSets;
  std::vector<std::string> fWaitingTold;  // what the run tells of each set that waits
  // Messages left for another run by their Key questions, and why.
  std::vector<std::pair<std::string, TLoginsStorage::TKeyWait>> fNotAsked;
  bool fSetAside = false;                 // the present file was refused, or waits
  bool fJoined = false;    // the run unpacked posts into the Inbox
  bool fToldModerationWaits = false;  // the user knows that identifier requests wait
  std::string fRefusal;    // why the present message's handler refused it
};
