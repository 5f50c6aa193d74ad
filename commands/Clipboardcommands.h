#pragma once
// "Copy", "Cut" and "Paste" through the program's block clipboard, and "Undo" of the
// last undo step of the window's discussion.

struct TCommand;

void CopyCommand(TCommand& command);   // the marked blocks (or the item's) into the clipboard
void CutCommand(TCommand& command);    // the same, the blocks moved to the recycle bin
void PasteCommand(TCommand& command);  // the clipboard's blocks before the item, or under it
void UndoCommand(TCommand& command);   // the last step taken back
