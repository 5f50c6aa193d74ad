#pragma once
// Shell functions: the standard about box, an icon taken from a file, and starting a
// document or program with or without waiting for it. Programs are started directly
// (never through a command shell); a document is opened by the desktop's opener.

#include <string>

#include "platform/forms/Ticon.h"
#include "platform/gui/Wintypes.h"

enum TExecState { esNormal, esMinimized, esMaximized, esHidden };

// The show command of a start state (SW_SHOWNORMAL, SW_MINIMIZE, SW_SHOWMAXIMIZED, SW_HIDE).
int ShowCommandOf(TExecState State);

void WinAbout(const std::string& AppName, const std::string& Stuff);
// A new icon (the caller's) from an icon file: none for an executable file, which
// carries no icons here, or an index beyond the file's; EResNotFound for a file that
// is neither.
TIcon* IconExtract(const std::string& FileName, int Id);
// Above 32 when started; else the shell's error codes (2 no such file, 3 no such
// start folder, 31 nothing to open a document with).
HINSTANCE FileExecute(const std::string& FileName, const std::string& Params, const std::string& StartDir,
                      TExecState InitialState);
// The exit code of the program; -1 when it could not be started; 259 when the
// program's own end came first.
int FileExecuteWait(const std::string& FileName, const std::string& Params, const std::string& StartDir,
                    TExecState InitialState);
