#include "platform/forms/Shellabout.h"

#include "platform/forms/Messagebox.h"

int ShellAbout(HWND Owner, const std::string& App, const std::string& OtherStuff, HICON Icon) {
  (void)Owner;
  (void)Icon;  // the box shows the information sign
  size_t hash = App.find('#');
  std::string title = hash == std::string::npos ? App : App.substr(0, hash);
  std::string line = hash == std::string::npos ? App : App.substr(hash + 1);
  std::string text = line;
  if (!OtherStuff.empty()) text += "\n\n" + OtherStuff;
  ShowMessageBox(text, "About " + title, MB_OK | MB_ICONINFORMATION);
  return 1;
}
