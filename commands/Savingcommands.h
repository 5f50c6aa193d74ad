#pragma once
// The commands that save a window's discussion, back it up, and write its marked items
// out to a text file.

struct TCommand;

void SaveCommand(TCommand& command);          // the user's position and the discussion saved
void SaveDatabaseCommand(TCommand& command);  // the same, after the automatic backup when it is on
void ManualBackupCommand(TCommand& command);  // the last saved state into the manual backup folder
void PickOutCommand(TCommand& command);       // the marked items as text into a file
