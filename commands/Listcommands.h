#pragma once
// The commands that show the special lists of a discussion (retrieval lists, the blocks the
// user visited, the thesis disputants, the chain up to the monograph, the formulas of a
// conclusion) and its graph.

#include <cstdint>
#include <functional>
#include <string>

class TBrowse;
class TDiscussion;
struct TCommand;

// A new window showing a copy of the command window's state with its upper panel folded
// away, so that the list alone is shown; with brief, the texts of its list are folded too.
// Null when it could not be opened.
TBrowse* OpenListWindow(TCommand& command, uint8_t moderation, bool brief);
// A new list window (as OpenListWindow) whose list the builder makes, then shown; null when
// none was opened.
TBrowse* ListInNewWindow(TCommand& command, uint8_t moderation, bool brief, const std::function<void(TBrowse&)>& build);
// A retrieval list of the command window's block in a new window, built under a progress
// window; a text and a case flag for the search. Null when none was opened.
TBrowse* RetrieveInNewWindow(TCommand& command, uint8_t kind, int32_t data, const std::string& text, bool caseSensitive);
// A list window that came out empty is closed, after the message when one is given; true
// then. A list whose building reported an error is closed without a word.
bool CloseEmptyListWindow(TBrowse& opened, const std::string& caption, const std::string& message);

// Closes the windows of post lists but `keep`, from the last to the first; with a
// discussion, only its windows, and with a number (not -1), only those of that list.
void ClosePostListWindows(const TBrowse* keep, const TDiscussion* discussion = nullptr, int32_t number = -1);

void RetrievalCommand(TCommand& command);         // a retrieval list of a kind, in a new window
void HistoryCommand(TCommand& command);           // the blocks the user visited, in a new window
void ThesisDisputantsCommand(TCommand& command);  // the authors disputing a thesis, in a new window
void ChainCommand(TCommand& command);             // the chain of upper blocks up to the monograph
void FormulasCommand(TCommand& command);          // the formulas of a conclusion, or a formula chosen
void GraphCommand(TCommand& command);             // the graph of the discussion, built once
void ReformGraphCommand(TCommand& command);       // the graph thrown away and built again
