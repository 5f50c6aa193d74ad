#pragma once
// The OEM code page that goes with the program's ANSI code page (866 beside 1251),
// as console programs and old files use it. Characters that the other code page
// lacks become '?', so a text keeps its length.

#include <string>
#include <string_view>

namespace platform {

std::string AnsiToOem(std::string_view ansi);
std::string OemToAnsi(std::string_view oem);

}  // namespace platform
