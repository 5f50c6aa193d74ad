// Program entry: prepares the data root and runs the browser, with its windows on the X
// display when there is one, else without a screen (the questions of start-up then go to
// the terminal and are not answered).

#include "app/Tformstart.h"
#include "app/Tstartupdriver.h"
#include "foundation/Tlogin.h"
#include "platform/display/Programdisplay.h"
#include "platform/kernel/Codepage.h"
#include "platform/kernel/Datafolders.h"

#include <cstdio>

namespace {

int RunWithoutScreen(int argc, const char* const* argv) {
  TStartupDriver driver;
  const TStartupDriver::TStart start = driver.Start(argc, argv);
  int code = 0;
  switch (start) {
    case TStartupDriver::TStart::Running:
      if (TLogin* login = driver.Logins()->GetCurrentLogin())
        std::printf("quillaran: %s is logged in.\n", platform::AnsiToUtf8(login->Name.View()).c_str());
      break;
    case TStartupDriver::TStart::AnotherInstance: code = 3; break;
    case TStartupDriver::TStart::NoLogin: code = 2; break;
    case TStartupDriver::TStart::Failed: code = 1; break;
  }
  driver.Shutdown();
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = platform::DataRoot();
  if (!platform::MakeFolders(root)) {
    std::fprintf(stderr, "quillaran: cannot create the data folder %s\n", root.c_str());
    return 1;
  }
  platform::ProgramDisplay display;
  if (display.OnX11()) return RunWithWindows(argc, argv);
  return RunWithoutScreen(argc, argv);
}
