#pragma once
// The commands that move blocks between their states (alive, crossed, erased, in the
// recycle bin), renumber the model, repair a block's troubles and count the blocks. They
// act on the marked rows of the window, or on the command's block when none is marked.

struct TCommand;

void DeleteCommand(TCommand& command);       // to the recycle bin, or erased from it
void RestoreCommand(TCommand& command);      // notes and moderated comments back from the bin
void CrossCommand(TCommand& command);        // crossed (data1 1) or uncrossed (data1 0)
void RenumerateCommand(TCommand& command);   // model blocks numbered again
void FixTroubleCommand(TCommand& command);   // the troubles of a block, with its erasure
void StatisticsCommand(TCommand& command);   // the counts of the discussion's blocks
