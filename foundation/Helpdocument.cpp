#include "foundation/Helpdocument.h"

#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Tshellregistry.h"
#include "platform/kernel/Process.h"
#include "platform/kernel/Programfiles.h"

namespace {

std::string& DocumentFolder() {
  static std::string folder;
  return folder;
}

// Characters that would end or change the meaning of a path inside an address are
// escaped; bytes of other letters stay as they are (the platform passes them on as UTF-8).
std::string EscapePath(const std::string& path) {
  static const char* const hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (c <= 0x20 || c == 0x7F || c == '%' || c == '#' || c == '?' || c == '"' || c == '<' || c == '>' ||
        c == '\\' || c == '^' || c == '`' || c == '{' || c == '|' || c == '}') {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += char(c);
    }
  }
  return out;
}

}  // namespace

std::string HelpDocumentPath() {
  const std::string folder = DocumentFolder().empty() ? platform::ProgramDataFolder() : DocumentFolder();
  return folder + "/" + HelpDocumentName;
}

void SetHelpDocumentFolder(const std::string& folder) { DocumentFolder() = folder; }

std::string HelpAddress(int context) {
  std::string address = "file://" + EscapePath(HelpDocumentPath());
  if (context > 0) address += "#context-" + std::to_string(context);
  return address;
}

bool OpenHelp(int context) {
  const std::string path = HelpDocumentPath();
  if (!IsFileExists(path)) {
    ShowMessageBox("HELP", "The help file is not found:\n" + path);
    return false;
  }
  std::string program = TShellRegistry::ReadString("ExternalInternetExplorer");
  if (program.empty()) program = "xdg-open";
  const std::string address = HelpAddress(context);
  if (platform::StartProgram(program, {address}, true) < 0) {
    // Say which opener is missing and where one comes from.
    ShowMessageBox("DOS COMMAND LINE ERROR", "Error executing DOS command line:\n" + program + " " + address +
                                                 "\n\nThe program \"" + program +
                                                 "\" cannot be started. Install it (xdg-open comes with the "
                                                 "package xdg-utils) or name a browser in \"Customize\".");
    return false;
  }
  return true;
}
