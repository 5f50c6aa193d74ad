#pragma once
// The task list: a menu of the program's windows at the pointer, as the system command
// SC_TASKLIST asks; the chosen window is restored when iconic and brought forward.

// Runs the menu to its end; false when there is no window to list.
bool ShowTaskList();
