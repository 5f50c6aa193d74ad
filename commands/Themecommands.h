#pragma once
// The commands on the themes of a discussion (named sets of blocks), each one undoable.

struct TCommand;

void NewThemeCommand(TCommand& command);           // a theme named in the theme dialog
void RenameThemeCommand(TCommand& command);        // data1: the theme
void DeleteThemeCommand(TCommand& command);        // data1: the theme
void AddToThemeCommand(TCommand& command);         // the command's block into theme data1
void RemoveFromThemeCommand(TCommand& command);    // the command's block out of theme data1
