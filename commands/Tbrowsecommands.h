#pragma once
// The command dispatcher of the browse windows. Every command of a window (a menu entry,
// a tool button, a key, a click in the upper panel, the application's close) runs through
// one frame: it holds automatic saving off, lets the current login's key password be
// asked at most once for the outermost command, finds the command's discussion, item and
// block, and calls the handler of the code.

#include "model/Tbrowseitem.h"
#include "model/Tdiscblockindex.h"

#include <cstdint>
#include <string>

class TBrowse;
class TDiscussion;
struct TDiscBlock;

// What one command works on. The item lies in the tree the command was given (often the
// window's own state): a handler that moves the window copies what it needs first.
struct TCommand {
  explicit TCommand(TBrowse& browse) : Browse(browse) {}

  TBrowse& Browse;
  const TBrowseItemIndex* Path = nullptr;
  const TBrowseItem* Root = nullptr;
  std::string Text;  // a block name or a text to copy; empty for most commands
  uint8_t Code = 0;
  int32_t Data1 = -1;
  int32_t Data2 = -1;
  TDiscussion* Discussion = nullptr;  // the window's discussion, or null
  const TBrowseItem* Item = nullptr;  // null when the command names its block by the text
  TDiscBlockIndex BlockIndex;         // of a block item
  TDiscBlock* Block = nullptr;
};

using TCommandHandler = void (*)(TCommand& command);

// The blocks a command works on (TBrowse::GetMarkedDiscBlocks): the blocks of the rows
// the user sees; false when a marked item is not a block.
bool GetCommandBlocks(TCommand& command, TArray<TDiscBlockIndex>& blocks);

// Runs a command of a window through the frame.
void ProcessBrowseCommand(TBrowse& browse, const TBrowseItemIndex* path, const TBrowseItem* root,
                          const std::string& text, uint8_t code, int32_t data1, int32_t data2);

// The handler of a code; null: the code has none (reported when it is run), as every code
// beyond the table.
TCommandHandler GetCommandHandler(uint8_t code);
// Puts another handler in for a code of the table (tests watch the dispatch with it).
void SetCommandHandler(uint8_t code, TCommandHandler handler);
// The handlers every code starts with.
void ResetCommandHandlers();
// Makes the dispatcher the command handler of every browse window.
void InstallBrowseCommands();
