#pragma once
// The browser's process-wide values: switches set at start-up or by the
// command line and read everywhere, and the suite's path table.

#include "platform/forms/Shiftstate.h"

#include <cstdint>
#include <string>

// The suite's folders and files, absolute program paths; folders end with '/'.
struct TSuitePaths {
  std::string Root;               // the data root (two levels above it in a debug run)
  std::string Inbox;              // Root + "Inbox/"
  std::string InboxPost;          // Root + "InboxPost/"
  std::string Outbox;             // Root + "Outbox/"
  std::string OutboxPost;         // Root + "OutboxPost/"
  std::string InboxPostHistory;   // Root + "InboxPostHistory/"
  std::string OutboxPostHistory;  // Root + "OutboxPostHistory/"
  std::string PostFilesFile;      // Root + "PostFiles.cbs"
  std::string InboxAttached;      // InboxPost + "Attached/": cabinets that came with received post
  std::string LibraryFolder;      // Root + "Library/": written only by the installer of delivered libraries
  std::string ModerationLibrary;  // LibraryFolder + "Leafguard.dll"; "../Leafguard/Leafguard.dll" beside the data root in a debug run
  std::string DiscussionsRoot;    // Root + "Discussed/"
};

struct TBrowseGlobal {
  static inline uint8_t CloseRefused = 0;          // a browse window refused to close
  static inline uint8_t CommandSource = 0;         // passed to every command
  static inline uint8_t AutoSaveEnabled = 1;       // 0 while a command runs
  static inline uint8_t Moderation = 0;            // the current login moderates, and moderation is in use
  static inline uint8_t DebugRun = 0;              // "/DebugRun"
  static inline uint8_t DisableExistanceTest = 0;  // "/DisableExistanceTest", "/DET"
  static inline TSuitePaths Paths;
  // The shift state that menu commands pass to the command dispatcher: always empty.
  static inline const TShiftState EmptyShiftState{};

  // Fills the path table from the data root (and the debug-run flag).
  static void SetSuitePaths();
};
