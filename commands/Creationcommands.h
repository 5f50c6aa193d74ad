#pragma once
// The commands that make a new discussion: an empty model, a model filled from a file of
// model blocks, and the published copy of a discussion.

struct TCommand;

void CreateModelCommand(TCommand& command);          // data1 0: empty, 1: from a file of blocks
void FormPublishedModelCommand(TCommand& command);   // the discussion copied without its crossed blocks
