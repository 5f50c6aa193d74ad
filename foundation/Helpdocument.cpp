#include "foundation/Helpdocument.h"

#include "foundation/Filereplace.h"
#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Tshellregistry.h"
#include "platform/kernel/Datafolders.h"
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

// xdg-open hands a file address to the browser as a plain path and drops the section
// after '#'. A page of the data folder that leads on to the section keeps it: its own
// address; the address itself when the page cannot be written.
std::string SectionLeadPage(const std::string& address) {
  const std::string page = platform::DataRoot() + "/Help.html";
  std::string text = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">";
  text += "<meta http-equiv=\"refresh\" content=\"0; url=" + address + "\"><title>Quillaran help</title>";
  text += "</head>\n<body><a href=\"" + address + "\">Quillaran help</a></body></html>\n";
  std::string failure;
  if (!platform::MakeFolders(platform::DataRoot()) || !ReplaceFileContents(page, text, false, failure)) return address;
  return "file://" + EscapePath(page);
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
  std::string address = HelpAddress(context);
  if (program.empty()) {
    program = "xdg-open";
    if (context > 0) address = SectionLeadPage(address);
  }
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
