#pragma once
// The post state: the four post folders and their file lists, the post-file names issued
// today, the advertising list and the mail-service robot's settings, kept in the post
// state file "PostFiles.cbs".
//
// "PostFiles.cbs", little-endian, texts as a u16 length and the characters:
//   u16 version (9)
//   four folder lists (Inbox, InboxPost, Outbox, OutboxPost): u16 count, the records
//   u16 count of issued names, the names
//   (version 2 on) the advertising list
//   (version 3 on) the robot's address, the robot pattern
//   (version 5 on) u16 robot pattern group size, u8 robot enabled
//   (version 9, only when there are any) u16 count of waiting sets told, the sets' names:
//   a build that reads no further ignores them and tells those sets once more
//   (only when a joined part of InboxPost waits; after a count of none when no set was
//   told) u8 0x4A, u32 count, each part's name,
//   u16 count and the names of the Inbox messages it was joined into
// A record: name, u32 size, i32 file time * 10000, i32 compose time * 10000, sender,
// receivers, (4 on) robots, discussion ident, command, u8 processed, (6 on) u16, u16
// reserved, (7 on) reserved text, (8 on) double reserved value, (9 on) attached file name.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "postoffice/Tpostfile.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

class TPostAdaptor;

class TPost {
 public:
  static constexpr uint16_t FileVersion = 9;
  // Days a received set of parts that is incomplete or does not unpack waits for its
  // missing or better parts before it is set aside.
  static constexpr int SetKeepDays = 7;

  TPost();
  TPost(const TPost&) = delete;
  TPost& operator=(const TPost&) = delete;

  TPostAdaptor* Adaptor = nullptr;  // not owned
  TStr RootPath;
  TPostFilesStorage Inbox, InboxPost, Outbox, OutboxPost;
  TArray<TStr> IssuedNames;  // post-file names issued today and names the refreshes met
  TStr AdvertisingList;      // addresses, one a line
  TStr RobotEMail;
  TStr RobotPattern;
  uint16_t RobotPatternGroupSize = 8;
  uint8_t RobotEnabled = 0;
  TStr CBSFileName;
  uint8_t Opened = 0;  // the state was loaded; nothing is saved before
  // Sets of received parts that wait, of which the user was told, each with the very files
  // it held then ("<set>\n<their digest>"): told once, until its files change or are gone.
  std::set<std::string> ToldSets;
  // Whether the set `set` waiting with the files `members` is to be told of: the first
  // time these very files wait. A file that comes under its names later, anybody's, has it
  // told again; the names alone decide nothing.
  bool TellOfWaitingSet(const std::string& set, std::vector<std::string> members);
  void ForgetToldSet(const std::string& set);
  // The set a stored entry of ToldSets tells of.
  static std::string ToldSetName(const std::string& entry);

  // The folder of a kind (1 to 4).
  TPostFilesStorage& Storage(uint8_t kind);

  // Lets the adaptor fill the folder descriptors and creates the folders.
  void Init(const TStr& rootPath, TPostAdaptor* adaptor);
  void SetCBSFileName(const TStr& path) { CBSFileName = path; }
  // Reads the state file. A missing file is an empty state. A damaged one is reported and
  // nothing of it is kept; the state then stays unopened, so that it is never saved over.
  bool Load();
  // Writes the state file whole (temporary file and rename); nothing before Load.
  bool Save();

  // "%email <%name>": the robot pattern when none is set.
  static std::string DefaultRobotPattern();

 private:
  // The one list of the stored fields, read and written alike.
  template <class F>
  static void VisitStoredFields(TPost& a, TPost& b, F&& field);
  bool LoadFrom(TBufReader& reader);
};

// The process-wide post state, made at start-up; null before.
TPost*& PostState();
