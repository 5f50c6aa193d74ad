#include "platform/cab/Cabmembername.h"

#include "platform/cab/Cabformat.h"

namespace platform {

bool CabMemberNameIsSafe(const std::string& name) {
  if (name.empty() || name.size() > kCabMaxName) return false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    unsigned char c = i < name.size() ? static_cast<unsigned char>(name[i]) : '/';
    if (c < 0x20 || c == 0x7F || c == ':') return false;
    if (c != '/' && c != '\\') continue;
    std::string part = name.substr(start, i - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = i + 1;
  }
  return true;
}

std::string CabMemberPath(const std::string& name) {
  std::string path = name;
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

}  // namespace platform
