#include "platform/cab/Cabmembername.h"

#include "platform/kernel/Codepage.h"

#include <string_view>

namespace platform {
namespace {

// The longest file name the disk holds, in bytes.
constexpr std::size_t kMaxDiskComponent = 255;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Calls take(component, last) for each component of the name, split at both separators.
template <class Take>
void ForEachComponent(std::string_view name, Take take) {
  std::size_t start = 0;
  for (;;) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const bool last = end == name.size();
    take(name.substr(start, end - start), last);
    if (last) return;
    start = end + 1;
  }
}

}  // namespace

bool CabMemberNameIsSafe(const std::string& name, bool utf8) {
  if (name.empty() || IsSeparator(name.front()) || name.find('\0') != std::string::npos) return false;
  // The reader takes the name into the code page, and the disk has it in UTF-8.
  const std::string read = utf8 ? Utf8ToAnsi(name) : name;
  bool safe = true;
  ForEachComponent(read, [&safe](std::string_view part, bool last) {
    if (part == ".." || (last && (part.empty() || part == ".")) || AnsiToUtf8(part).size() > kMaxDiskComponent)
      safe = false;
  });
  return safe;
}

std::string CabMemberPath(const std::string& name) {
  std::string path;
  ForEachComponent(name, [&path](std::string_view part, bool) {
    if (part.empty() || part == ".") return;
    if (!path.empty()) path += '/';
    path += part;
  });
  return path;
}

}  // namespace platform
