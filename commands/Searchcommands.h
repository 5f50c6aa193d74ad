#pragma once
// The commands that find a block or copy what it says: the full-text search into a new
// window, going to a block by its name, and a block's name or text on the system clipboard.

#include <string>

class TDiscussion;
struct TCommand;
struct TDiscBlockIndex;

// The registry values of the last search.
inline constexpr const char* LastSearchedTextValue = "LastSearchedText";
inline constexpr const char* LastSearchCaseValue = "LastSearchCaseSensitivity";

void SearchCommand(TCommand& command);    // a text searched for below the block
void DisplayCommand(TCommand& command);   // to a block by the name the user types
void CopyNameCommand(TCommand& command);  // a block's composed name on the clipboard
void CopyTextCommand(TCommand& command);  // a block's texts on the clipboard

// A block's text, its address and its formula, one after another on lines of their own;
// empty parts are left out with their line break.
std::string GetBlockCopyText(TDiscussion& discussion, TDiscBlockIndex block);
