#pragma once
// One post folder and its files. Inbox and Outbox hold command messages (a header of
// named fields, the data, the seal); InboxPost and OutboxPost hold post files, the
// cabinet archives of messages and the parts they were split into. A folder's list keeps,
// per file, what its message header says and whether the file was sent or handled.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "platform/rtl/Tdatetime.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class TBufReader;
class TBufWriter;
class TPost;

// The folder inside a post folder where its refused files wait for the user; nothing in it
// is handled again.
inline constexpr const char* SetAsideFolderName = "Set aside";

// Files named in one box; the others are counted.
inline constexpr size_t MaxFilesInBox = 10;
// Lines of a box, one a file: the first MaxFilesInBox joined by line ends, then "and K
// more", so that a box of a thousand files stays readable.
std::string ListedInBox(const std::vector<std::string>& lines);

// The message a post file belongs to: its name up to its last '.' ("X" of "X.cab" and
// "X.1_3"); "" when it has none.
std::string MessageOfPostFile(const std::string& name);

class TPostFile;
// The Inbox messages a joined part of InboxPost came to: those it was joined into, or
// by its name for a part whose record an older build kept.
std::vector<std::string> MessagesOfJoinedPart(const TPostFile& part);

// Kinds of the post folders.
enum : uint8_t { PostKind_Inbox = 1, PostKind_InboxPost = 2, PostKind_Outbox = 3, PostKind_OutboxPost = 4 };

// The index of a post file in its folder's list (-1: none); the files the post office
// window shows, and the files handed to a handling run.
struct TPostsListItem {
  int32_t Index = -1;
};
struct TPostFileIndex {
  int32_t Index = -1;
};

class TPostFile {
 public:
  TStr Name;             // without folder
  uint32_t Size = 0;     // bytes
  TDateTime FileTime = 0;
  TStr Sender;           // FROM_USER_EMAIL
  TStr Receivers;        // TO_USERS_EMAILS_CRYPTED deciphered: addresses joined by "; ", "*" for all
  TStr Robots;           // TO_ROBOTS_EMAILS_CRYPTED deciphered
  TStr DIdent;           // DIDENT
  TStr Command;          // COMMAND
  TStr AttachedFileName; // ATTACHED_FILENAME: a file of the root folder sent along
  TDateTime ComposeTime = 0;
  // Kept, stored and copied, never interpreted.
  TStr ReservedText;
  double ReservedValue = -1.0;
  uint8_t ReservedFlag1 = 0, ReservedFlag2 = 0;  // not stored
  uint16_t Reserved1 = 0xFFFF, Reserved2 = 0xFFFF;
  uint8_t Processed = 0;   // sent or handled
  uint8_t Sendable = 1;    // marked in the post office window; not stored
  uint16_t ListRow = 0xFFFF;  // the file's row in a list or a handling run; not stored
  // A joined part of InboxPost: the Inbox messages its post unpacked to, whose fate it
  // shares. Stored in a section of its own after the post state's fields; a part without
  // it (kept by an older build) follows the message its name bears.
  std::vector<std::string> JoinedInto;

  bool SaveToBufWriter(TBufWriter& writer) const;
  // Fields that an older version lacks keep their defaults.
  bool LoadFromBufReader(TBufReader& reader, uint16_t version);
  // The message data of another record (sender ... compose time, reserved fields); name,
  // size, file time and the flags stay.
  void CopyMessageData(const TPostFile& source);
  // Sent to every subscriber by the Web and to no robot: it is copied, not mailed.
  bool IsBroadcast() const { return Receivers == "*" && Robots.IsEmpty(); }

 private:
  // The one list of the stored fields, read and written alike.
  template <class Self, class F>
  static void VisitStoredFields(Self& file, F&& field);
};

class TPostFilesStorage {
 public:
  // The stored list holds at most this many files (a 16-bit count).
  static constexpr uint32_t MaxFiles = 65535;

  TStr FolderPath;   // ends with '/'
  TStr HistoryPath;  // where handled files of no discussion go; empty for Inbox and Outbox
  TStr HistoryName;  // the history folder's name inside a discussion's folder
  TStr FolderName;   // "Inbox", "InboxPost", "Outbox", "OutboxPost"
  TArray<TPostFile> Files;
  uint8_t Kind = 0;

 private:
  mutable std::unordered_map<std::string, uint32_t> fWhereNameStood;

 public:
  bool SaveToBufWriter(TBufWriter& writer) const;
  // Replaces the list; false (reported) when the file is damaged.
  bool LoadFromBufReader(TBufReader& reader, uint16_t version);

  // Exact comparison of names; -1 when absent. Where each name stood is remembered, so
  // that a run over many files finds each in constant time while the list keeps its order.
  int32_t FindPostFile(std::string_view name) const;
  // Forgets files that went away and lists the new ones (with their message data).
  void Refresh(TPost& post);
  void ListUnprocessed(TArray<TPostsListItem>& list);
  void ListByCommand(TArray<TPostsListItem>& list, std::string_view command);
  // An unprocessed file of that discussion and command waits.
  bool HasUnhandledPostFile(std::string_view dident, std::string_view command) const;
  // Deletes the processed files from the disk and the list.
  void DeleteProcessedFiles();
  // Moves processed files (and copies broadcast ones) to the history folders; what went
  // wrong or was renamed is told in one box a kind. A joined part of InboxPost waits while
  // its message is in the Inbox: it goes where its message goes, to history only once the
  // message was handled.
  void MoveProcessedToHistory(TPost& post);
  // Moves a refused file into the folder's "Set aside" folder (under a free name there) and
  // drops its record; errors.log tells where it went and why. A `subfolder` of that folder
  // keeps the files that wait for something. True with `outcome` the file's path within
  // the "Set aside" folder; false, with the system's reason in `outcome`, when it cannot be
  // moved: it then stays, unmarked.
  bool SetAsideFile(uint32_t index, const std::string& reason, const std::string& subfolder, std::string& outcome);
  // Moves the processed parts that were joined into the Inbox message `message` into
  // `folder` (ending with '/'), where the message was set aside; a part that cannot move
  // stays listed. Parts joined into other messages stay, whatever their names.
  void SetAsidePartsOf(const std::string& message, const std::string& folder);

  std::string FilePath(uint32_t index) const { return FolderPath.ToString() + Files[index].Name.ToString(); }

 private:
  void ReadMessageData(TPostFile& file, const std::string& path) const;
  // Moves a file into `folder` under a free name, told in errors.log; the name there, or
  // "" with the system's reason in `error`.
  std::string MoveAside(uint32_t index, const std::string& folder, const std::string& reason, std::string& error);
};

// While one lives, retiring post files gathers what it tells (a name taken in a history
// folder, a move to history or a copy to a broadcast folder that failed): when the
// outermost ends, one box a kind lists the files. Without one, each retirement tells its
// own. A run over a thousand files so asks for one click, not a thousand.
class TRetireBoxes {
 public:
  TRetireBoxes();
  ~TRetireBoxes();
  TRetireBoxes(const TRetireBoxes&) = delete;
  TRetireBoxes& operator=(const TRetireBoxes&) = delete;

  // Told to the outermost one that lives, or at once when none does.
  static void Taken(const std::string& path);
  static void NotMoved(const std::string& name, const std::string& error);
  static void NotCopied(const std::string& name, const std::string& error);

 private:
  void Show() const;
  std::vector<std::string> fTaken;                                         // paths
  std::vector<std::pair<std::string, std::string>> fNotMoved, fNotCopied;  // name, error
};

// When a file of that path exists, tells the user (TRetireBoxes) and takes a free name with
// "#2", "#3" ... inserted before the first '.' of its name, or appended when it has none
// (FreeFileName). False, with the system's error in GetLastError, when no free name is found.
bool MakeHistoryPathUnique(std::string& path);

// Copies a handled post file to a broadcast folder (never over an existing copy) and
// moves it to a history folder under a unique name. False, after telling the user
// (TRetireBoxes), when the move failed; the file then stays for the next attempt.
bool RetirePostFile(const std::string& source, const std::string& name, const std::string& broadcastFolder,
                    const std::string& historyFolder);
