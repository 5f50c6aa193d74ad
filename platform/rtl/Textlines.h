#pragma once
// The lines of a text as a list of strings takes them: split at CR LF, LF or CR; a last
// line without its end counts, an empty text has none.
#include <cstddef>
#include <string_view>

template <class TLine>
void ForEachTextLine(std::string_view Text, TLine&& Line) {
  size_t p = 0;
  const size_t n = Text.size();
  while (p < n) {
    const size_t start = p;
    while (p < n && Text[p] != '\n' && Text[p] != '\r') ++p;
    Line(Text.substr(start, p - start));
    if (p < n && Text[p] == '\r') ++p;
    if (p < n && Text[p] == '\n') ++p;
  }
}
