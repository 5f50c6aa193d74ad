#include "model/Blocknames.h"

#include "model/Tdiscblockindex.h"

#include <cctype>

uint8_t StorageTypeOfNameForm(std::string_view name) {
  if (name.empty()) return StorageType_None;
  if (name == RootBlockName || name.find('.') != std::string_view::npos) return StorageType_Model;
  if (name.starts_with(NotesNamePrefix) && name.substr(std::string_view(NotesNamePrefix).size()).starts_with('-'))
    return StorageType_Notes;
  if (name.back() == 'M') return StorageType_ModeratedComments;
  if (std::isdigit(static_cast<unsigned char>(name[0])) && name.find('-') != std::string_view::npos)
    return StorageType_Comments;
  return StorageType_None;
}

namespace {

bool IsNameChar(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '*' || c == '-' || c == 'M' || c == 'N';
}

// Scans name characters and nested parenthesised names from text[pos]; returns the
// position after them, or -1 on a malformed nesting. Depth is bounded.
int ScanName(const char* text, int pos, int depth) {
  if (depth > 8) return -1;
  const int start = pos;
  while (text[pos] != 0) {
    if (IsNameChar(text[pos])) {
      ++pos;
    } else if (text[pos] == '(') {
      const int inner = ScanName(text, pos + 1, depth + 1);
      if (inner < 0 || inner == pos + 1 || text[inner] != ')') return -1;
      pos = inner + 1;
    } else {
      break;
    }
  }
  return pos == start ? -1 : pos;
}

}  // namespace

int GetBlockNameLength(const char* text) {
  if (text == nullptr || text[0] != '<') return 0;
  const char first = text[1];
  if (!(std::isdigit(static_cast<unsigned char>(first)) || first == '*' || first == NotesNamePrefix[0])) return 0;
  const int end = ScanName(text, 1, 0);
  if (end < 0 || text[end] != '>') return 0;
  return end + 1;
}

std::string StripHeadingSuffix(const std::string& name, bool* hadSuffix) {
  const std::string suffix = HeadingNameSuffix;
  const bool has = name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
  if (hadSuffix) *hadSuffix = has;
  return has ? name.substr(0, name.size() - suffix.size()) : name;
}
