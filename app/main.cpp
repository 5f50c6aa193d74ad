// Program entry: prepares the data root, starts the browser, runs it and shuts it down.

#include "app/Tstartupdriver.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "platform/display/Programdisplay.h"
#include "platform/kernel/Codepage.h"
#include "platform/kernel/Datafolders.h"

#include <cstdio>

int main(int argc, char** argv) {
  const std::string root = platform::DataRoot();
  if (!platform::MakeFolders(root)) {
    std::fprintf(stderr, "quillaran: cannot create the data folder %s\n", root.c_str());
    return 1;
  }
  // The X display when $DISPLAY is set, the system's fonts: for as long as the program runs.
  platform::ProgramDisplay screen;
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
