#include "foundation/Commandline.h"

#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "platform/kernel/Codepage.h"

TCommandLine ParseCommandLine(int argc, const char* const* argv) {
  TCommandLine line;
  for (int i = 1; i < argc; ++i) {
    std::string option = platform::Utf8ToAnsi(argv[i] ? argv[i] : "");
    if (option == "/DisableExistanceTest" || option == "/DET") line.DisableExistanceTest = true;
    else if (option == "/DebugRun") line.DebugRun = true;
    else if (option == "/ReRun") line.ReRun = true;
    else line.Unknown.push_back(option);
  }
  return line;
}

void ApplyCommandLine(int argc, const char* const* argv) {
  TCommandLine line = ParseCommandLine(argc, argv);
  TBrowseGlobal::DisableExistanceTest = line.DisableExistanceTest;
  TBrowseGlobal::DebugRun = line.DebugRun;
  TError::Instance().SetStartedWithReRun(line.ReRun);
  for (const std::string& option : line.Unknown)
    ShowMessageBox("Command line error", "Command-line option (" + option + ") unknown\nPress OK to continue");
}
