#include "app/Shippedreadme.h"

#include "foundation/Fileroutines.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Tstringlist.h"

namespace {

const char* const kReadme[] = {
    "Quillaran",
    "",
    "Quillaran is a browser for moderated discussions that travel by e-mail.",
    "A discussion is a tree of short statements (blocks). You read it in browse",
    "windows: the upper panel shows the current block, the lower list its",
    "contents. Click a reference to follow it; the tool bar's menus hold the",
    "commands; \"New window\" opens another view of the same discussion.",
    "",
    "Contributions travel as sealed command messages by SMTP and POP3. Set the",
    "mail account of your login when the program asks for it at the first start.",
    "",
    "Your discussions, logins and settings live in this folder. Keep a copy of it",
    "before you move the program to another machine.",
    "",
    "Tick \"Don't show this text again\" below to stop this text from appearing",
    "at start-up. The file stays here as Readme.txt.",
};

}  // namespace

bool WriteShippedReadme(const std::string& path) {
  if (IsFileExists(path)) return true;
  TStringList lines;
  for (const char* line : kReadme) lines.Add(line);
  try {
    lines.SaveToFile(path);
  } catch (Exception&) {
    return false;
  }
  return true;
}
