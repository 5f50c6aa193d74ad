#include "postoffice/Tpostadaptor.h"

namespace {

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

void ParseEMailComments(std::string_view text, TArray<TEMailComment>& list) {
  list.Clear();
  size_t p = 0;
  const size_t n = text.size();
  while (p < n) {
    while (p < n && (text[p] == ' ' || IsBreak(text[p]))) ++p;
    const size_t addressStart = p;
    while (p < n && text[p] != ' ' && !IsBreak(text[p])) ++p;
    const std::string_view address = text.substr(addressStart, p - addressStart);
    while (p < n && text[p] == ' ') ++p;
    const size_t commentStart = p;
    while (p < n && !IsBreak(text[p])) ++p;
    const std::string_view comment = text.substr(commentStart, p - commentStart);
    if (!address.empty() || !comment.empty()) {
      TEMailComment row;
      row.Address = address;
      row.Comment = comment;
      if (list.AddItem(std::move(row)) < 0) return;
    }
  }
}
