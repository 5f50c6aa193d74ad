#pragma once
// The shell's standard about box: "About" and the program's name as the caption, the
// name and the other text in the box. A name of the form "title#line" puts the title
// in the caption and the line in the box.

#include <string>

#include "platform/gui/Wintypes.h"

int ShellAbout(HWND Owner, const std::string& App, const std::string& OtherStuff, HICON Icon);
