#pragma once
// The commands that move a browse window (or another one) to another item without
// changing the discussion. A refused move is a plain beep.

struct TCommand;

void UpCommand(TCommand& command);                  // to the parent of the item
void ContentsCommand(TCommand& command);            // to the root, on the top-level block above the item
void BriefFullCommand(TCommand& command);           // block texts of the list in brief or in full
void NewWindowCommand(TCommand& command);           // the window (or the item) in another window
void HyperReferenceCommand(TCommand& command);      // to the block named in the upper text
void TextReferenceCommand(TCommand& command);       // the block named in a block's text, in a new window
void BackCommand(TCommand& command);                // the last state of the Back history
void NextCommand(TCommand& command);                // the next sibling of the item's block
void PreviousCommand(TCommand& command);            // the previous one
void ActivateWindowCommand(TCommand& command);      // another window comes forward
void ShowInWindowCommand(TCommand& command);        // the item or the named block in another window
void ShowAllDiscussionsCommand(TCommand& command);  // every moderated discussion listed
void ConnectCommand(TCommand& command);             // the program's site in the Internet browser
void CopyURLCommand(TCommand& command);             // the site's address on the clipboard
