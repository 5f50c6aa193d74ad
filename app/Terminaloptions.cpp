#include "app/Terminaloptions.h"

#include "foundation/Helpdocument.h"
#include "platform/kernel/Fileapi.h"

#include <cstring>

namespace {

const char* const kUsage =
    "Usage: quillaran [/DisableExistanceTest | /DET] [/DebugRun] [/ReRun]\n"
    "       quillaran --help | -h | --version\n"
    "\n"
    "A discussion browser for moderated discussions that travel by e-mail.\n"
    "\n"
    "  /DisableExistanceTest, /DET  start even when another copy already runs\n"
    "  /DebugRun                    load the keyboard hook library from ../Leafsnare/\n"
    "  /ReRun                       the start after the error window's \"Terminate and reload\"\n"
    "  --help, -h                   print this text and end\n"
    "  --version                    print the version and end\n"
    "\n"
    "The data folder is $QUILLARAN_HOME, else $XDG_DATA_HOME/quillaran (~/.local/share/quillaran).\n"
    "Without an X display ($DISPLAY) the login is asked on the terminal.\n";

}  // namespace

std::optional<int> AnswerTerminalOptions(int argc, const char* const* argv, std::FILE* out) {
  for (int i = 1; i < argc; ++i) {
    if (!argv[i]) continue;
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, out);
      std::fprintf(out, "The help document is %s.\n", platform::SystemPath(HelpDocumentPath()).c_str());
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fprintf(out, "Quillaran %s\n", QUILLARAN_VERSION);
      return 0;
    }
  }
  return std::nullopt;
}
