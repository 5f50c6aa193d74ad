#pragma once
// The commands on what the reader knows and thinks of a discussion: an author's data, the
// user's own data, and the reader's evaluation of a block.

struct TCommand;

void DataCommand(TCommand& command);      // the author of a block or an author row, read-only
void MyDataCommand(TCommand& command);    // the current login's author record, editable
void EvaluateCommand(TCommand& command);  // the reader's marks and possibility of a block
