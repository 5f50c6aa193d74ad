#include "foundation/Runexternalbrowser.h"

#include "foundation/Guihooks.h"
#include "foundation/Tshellregistry.h"
#include "platform/kernel/Process.h"

namespace {

const char* const kCaption = "DOS COMMAND LINE ERROR";

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  size_t i = 0;
  for (; prefix[i]; ++i) {
    if (i >= text.size()) return false;
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

bool IsOpenableAddress(const std::string& address) {
  for (unsigned char c : address)
    if (c < 0x20 || c == 0x7F) return false;
  for (const char* scheme : {"http://", "https://"})
    if (StartsWithNoCase(address, scheme)) return address.size() > std::char_traits<char>::length(scheme);
  return StartsWithNoCase(address, "mailto:") && address.size() > 7;
}

bool RunExternalBrowser(const std::string& address) {
  const std::string program = TShellRegistry::ReadString("ExternalInternetExplorer");
  if (program.empty()) {
    ShowMessageBox(kCaption, "Please, customize Internet-browser.");
    return false;
  }
  if (!IsOpenableAddress(address)) {
    ShowMessageBox(kCaption, "Only http, https and mailto addresses can be opened:\n" + address);
    return false;
  }
  if (platform::StartProgram(program, {address}, true) < 0) {
    ShowMessageBox(kCaption, "Error executing DOS command line:\n" + program + " " + address);
    return false;
  }
  return true;
}
