#pragma once
// The commands that write blocks: a note or a model block added under the window's
// block, a block inserted before a row, a block's header and texts edited, and its texts
// shown read-only.

struct TCommand;

void AddNoteCommand(TCommand& command);     // a note under the window's block
void AddBlockCommand(TCommand& command);    // a model block under it
void InsertBlockCommand(TCommand& command); // a block of the clicked row's kind before that row
void EditCommand(TCommand& command);        // the header dialog (data1: save after; data2: a new block)
void BlockTextCommand(TCommand& command);   // the texts in a window of their own
