#pragma once
// The commands of a browse window: the vocabulary its menus, tool bar, keys and upper panel
// speak, and the application when the program closes. Each command is one row of the list
// below, and the codes (Command_<name>) and the table kBrowseCommands are both made from it,
// so a code cannot exist without its row and the count of codes follows the rows. The
// handlers live above the browse window (commands/Tbrowsecommands.cpp, which refuses to
// compile while a row has no handler) and are reached through Browsecommand.h.
//
// A row: the name, the code, the caption of its menu entries (null where each entry makes its
// caption from data or from the window's state) and the key that runs it (NoKey for most).

#include "platform/forms/Shiftstate.h"

#include <cstdint>
#include <iterator>

// clang-format off
#define QUILLARAN_BROWSE_COMMANDS(ROW)                                                       \
  ROW(Up,                       1,   "-----Up-----",                          NoKey)        \
  ROW(Contents,                 2,   "Contents",                              NoKey)        \
  ROW(BriefFull,                5,   nullptr /* Brief or Full */,             NoKey)        \
  ROW(SaveDatabase,             6,   "Save database",                         NoKey)        \
  ROW(Save,                     7,   "Save",                                  CtrlKey('S')) \
  ROW(AddNote,                  8,   "Add note",                              NoKey)        \
  ROW(NewWindow,                9,   "New window",                            NoKey)        \
  ROW(HyperReference,           10,  nullptr /* the block named by a text */, NoKey)        \
  ROW(TextReference,            11,  "new window",                            NoKey)        \
  ROW(Back,                     12,  "Back",                                  NoKey)        \
  ROW(Next,                     13,  "Next",                                  NoKey)        \
  ROW(Previous,                 14,  "Previous",                              NoKey)        \
  ROW(Evaluate,                 15,  "Evaluate",                              NoKey)        \
  ROW(Formulas,                 16,  "Formulas",                              NoKey)        \
  ROW(Edit,                     17,  "Edit",                                  NoKey)        \
  ROW(DiscussionInfo,           18,  "Discussion info",                       NoKey)        \
  ROW(CreateModel,              19,  nullptr /* Empty or Marked text */,      NoKey)        \
  ROW(ActivateWindow,           20,  nullptr /* a window's name */,           NoKey)        \
  ROW(Data,                     21,  nullptr /* Data or Author */,            NoKey)        \
  ROW(MyData,                   22,  "My data",                               NoKey)        \
  ROW(ThesisDisputants,         23,  "The thesis disputants",                 NoKey)        \
  ROW(Chain,                    24,  "Chain",                                 NoKey)        \
  ROW(Delete,                   29,  "Delete",                                NoKey)        \
  ROW(NewTheme,                 30,  "New",                                   NoKey)        \
  ROW(RemoveFromTheme,          31,  nullptr /* a theme's name */,            NoKey)        \
  ROW(Retrieval,                32,  nullptr /* a kind of retrieval */,       NoKey)        \
  ROW(History,                  33,  "History",                               NoKey)        \
  ROW(Undo,                     34,  "Undo",                                  NoKey)        \
  ROW(AddBlock,                 35,  "Add block",                             NoKey)        \
  ROW(InsertBlock,              36,  "Insert block",                          NoKey)        \
  ROW(Copy,                     37,  "Copy",                                  NoKey)        \
  ROW(Paste,                    38,  "Paste",                                 NoKey)        \
  ROW(Cut,                      39,  "Cut",                                   NoKey)        \
  ROW(Graph,                    40,  "Graph",                                 NoKey)        \
  ROW(PickOut,                  41,  "Pick out",                              NoKey)        \
  ROW(Search,                   42,  "Search",                                NoKey)        \
  ROW(Display,                  43,  "Display",                               NoKey)        \
  ROW(CopyName,                 44,  "Copy name",                             NoKey)        \
  ROW(AddToTheme,               46,  nullptr /* a theme's name */,            NoKey)        \
  ROW(RenameTheme,              47,  nullptr /* a theme's name */,            NoKey)        \
  ROW(CloseProgram,             49,  "Close Quillaran",                       NoKey)        \
  ROW(DeleteTheme,              50,  nullptr /* a theme's name */,            NoKey)        \
  ROW(ShowInWindow,             51,  nullptr /* a window's name */,           NoKey)        \
  ROW(RunPostModule,            52,  "Run post module",                       NoKey)        \
  ROW(Post,                     54,  "Post",                                  NoKey)        \
  ROW(CancelPosting,            58,  "Cancel posting",                        NoKey)        \
  ROW(SendPost,                 59,  "Send post",                             NoKey)        \
  ROW(RegistrateModel,          60,  "Registrate model",                      NoKey)        \
  ROW(FormNewDiscussion,        61,  "Form new discussion",                   NoKey)        \
  ROW(Annotation,               62,  "Annotation",                            NoKey)        \
  ROW(GiveMyIdentifier,         63,  "Give my identifier",                    NoKey)        \
  ROW(BrowsingModerating,       64,  nullptr /* the other mode */,            NoKey)        \
  ROW(Experts,                  65,  nullptr /* a rating of experts */,       NoKey)        \
  ROW(SetTrust,                 66,  nullptr /* a rating */,                  NoKey)        \
  ROW(EraseDiscreditedComments, 67,  "Erase comments of discredited experts", NoKey)        \
  ROW(PublishEmbeddedComments,  68,  "Publish embedded comments",             NoKey)        \
  ROW(PublishMyData,            71,  "Publish my data",                       NoKey)        \
  ROW(EditSubscribers,          74,  "Edit subscribers list",                 NoKey)        \
  ROW(Customize,                75,  "Customize",                             NoKey)        \
  ROW(CopyText,                 76,  "Copy text",                             NoKey)        \
  ROW(CloseDiscussion,          77,  "Close discussion",                      NoKey)        \
  ROW(FormPublishedModel,       78,  "Form published model",                  NoKey)        \
  ROW(ShowAllDiscussions,       81,  "Show all discussions",                  NoKey)        \
  ROW(Discussing,               82,  "Discussing",                            NoKey)        \
  ROW(Creating,                 83,  "Creating",                              NoKey)        \
  ROW(Help,                     84,  "Help",                                  NoKey)        \
  ROW(SetPublicity,             85,  nullptr /* publicity or secrecy */,      NoKey)        \
  ROW(Unsubscribe,              87,  "Unsubscribe me",                        NoKey)        \
  ROW(RequestBlocksList,        88,  "Request blocks list",                   NoKey)        \
  ROW(ManualBackup,             89,  "Manual backup",                         NoKey)        \
  ROW(CrossUncross,             90,  nullptr /* Cross or Uncross */,          NoKey)        \
  ROW(BlockText,                91,  "Block text",                            NoKey)        \
  ROW(ReformGraph,              92,  "Reform Graph",                          NoKey)        \
  ROW(ExistingBlocksList,       94,  "Existing blocks list",                  NoKey)        \
  ROW(EditSpammers,             95,  "Edit spammers list",                    NoKey)        \
  ROW(Subscribe,                96,  "Subscribe me",                          NoKey)        \
  ROW(EditAdvertising,          97,  "Edit advertising list",                 NoKey)        \
  ROW(Restore,                  98,  "Restore",                               NoKey)        \
  ROW(Statistics,               99,  "Discussion statistics",                 NoKey)        \
  ROW(FixTrouble,               100, "Fix trouble",                           NoKey)        \
  ROW(Renumerate,               101, "Renumerate",                            NoKey)        \
  ROW(CloseWindow,              102, "Close window",                          NoKey)        \
  ROW(Connect,                  103, "Connect",                               NoKey)        \
  ROW(CopyURL,                  104, "Copy URL",                              NoKey)        \
  ROW(PointerEngine,            105, nullptr /* Start or Stop */,             NoKey)
// clang-format on

// A key of a command: the virtual key with exactly these of Shift, Ctrl and Alt held.
struct TCommandKey {
  uint16_t Key = 0;  // 0: the command has no key
  TShiftState Shift;
};

inline constexpr TCommandKey NoKey{};
constexpr TCommandKey CtrlKey(char letter) { return {uint16_t(letter), TShiftState{ssCtrl}}; }

enum : uint8_t {
  Command_None = 0,  // a submenu title, or a tool button that only opens one
#define QUILLARAN_COMMAND_CODE(name, code, caption, key) Command_##name = code,
  QUILLARAN_BROWSE_COMMANDS(QUILLARAN_COMMAND_CODE)
#undef QUILLARAN_COMMAND_CODE
};

struct TBrowseCommand {
  uint8_t Code;
  const char* Caption;
  TCommandKey Key;
};

inline constexpr TBrowseCommand kBrowseCommands[] = {
#define QUILLARAN_COMMAND_ROW(name, code, caption, key) {Command_##name, caption, key},
    QUILLARAN_BROWSE_COMMANDS(QUILLARAN_COMMAND_ROW)
#undef QUILLARAN_COMMAND_ROW
};

// Rows go by ascending code, each code once, none 0; no two rows share a key. (Rows are
// found by their place, not by pointer: the sanitized build cannot compare such pointers
// while it compiles.)
constexpr bool BrowseCommandsInOrder() {
  for (size_t i = 0; i < std::size(kBrowseCommands); ++i) {
    const TBrowseCommand& row = kBrowseCommands[i];
    if (row.Code <= (i == 0 ? uint8_t(Command_None) : kBrowseCommands[i - 1].Code)) return false;
    for (size_t j = 0; j < i; ++j)
      if (row.Key.Key != 0 && kBrowseCommands[j].Key.Key == row.Key.Key &&
          kBrowseCommands[j].Key.Shift == row.Key.Shift)
        return false;
  }
  return true;
}
static_assert(BrowseCommandsInOrder(), "the rows of the browse commands go by ascending code with keys of their own");

// Codes 0..CommandCount-1 are dispatched; any other code has no handler.
inline constexpr int CommandCount = kBrowseCommands[std::size(kBrowseCommands) - 1].Code + 1;

// The place of a code's row in the table; -1 for a code without one (Command_None among them).
constexpr int BrowseCommandRow(uint8_t code) {
  for (size_t i = 0; i < std::size(kBrowseCommands); ++i)
    if (kBrowseCommands[i].Code == code) return int(i);
  return -1;
}

// The caption of a command's menu entries. Asking it of a command whose entries make their
// own caption does not compile.
consteval const char* CommandCaption(uint8_t code) {
  const int row = BrowseCommandRow(code);
  if (row < 0 || !kBrowseCommands[row].Caption) throw "this command has no caption of its own";
  return kBrowseCommands[row].Caption;
}

// A command named for a menu entry that shows the caption of its row.
struct TCaptionedCommand {
  consteval TCaptionedCommand(uint8_t code) : Code(code), Caption(CommandCaption(code)) {}
  uint8_t Code;
  const char* Caption;
};

// The command a key runs in a browse window (of the shift state only Shift, Ctrl and Alt
// count); Command_None for a key that runs none.
constexpr uint8_t CommandOfKey(uint16_t key, TShiftState shift) {
  const TShiftState held = shift * TShiftState{ssShift, ssCtrl, ssAlt};
  for (const TBrowseCommand& row : kBrowseCommands)
    if (row.Key.Key != 0 && row.Key.Key == key && row.Key.Shift == held) return row.Code;
  return Command_None;
}
