#pragma once
// The program's command-line options: "/DisableExistanceTest" (also "/DET"),
// "/DebugRun" and "/ReRun", each spelled exactly so.

#include <string>
#include <vector>

struct TCommandLine {
  bool DisableExistanceTest = false;
  bool DebugRun = false;
  bool ReRun = false;
  std::vector<std::string> Unknown;  // in the code page
};

// Reads the arguments after the program name (UTF-8, as the system passes them).
TCommandLine ParseCommandLine(int argc, const char* const* argv);

// Reads the command line into the process-wide values (the browser's switches,
// the error state's re-run flag). Each unknown option shows
// "Command-line option (<option>) unknown\nPress OK to continue" under
// "Command line error"; start-up goes on.
void ApplyCommandLine(int argc, const char* const* argv);
