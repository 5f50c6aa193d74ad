#include "dialogs/Dialogrows.h"

#include "platform/forms/Tlabel.h"

#include <charconv>

namespace {
constexpr int kRowHeight = 26;
constexpr int kGap = 12;
}  // namespace

void AddLabelledEditRows(std::vector<TControlRow>& rows, TControlMaker edit, const std::string& name,
                         const char* caption, const TLabelledEditColumns& columns, int& top) {
  const std::string label = "Label" + (name.starts_with("Edit") ? name.substr(4) : name);
  rows.push_back({New<TLabel>(), label, "", {columns.Left, top + 3, columns.LabelWidth, 16}, alNone, caption});
  rows.push_back({std::move(edit), name, "", {columns.Left + columns.LabelWidth + kGap, top, columns.EditWidth, 21}});
  top += kRowHeight;
}

bool ParseWholeNumber(const std::string& text, int lowest, int highest, int& value) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  while (first < last && *first == ' ') ++first;
  while (last > first && last[-1] == ' ') --last;
  int parsed = 0;
  auto [end, error] = std::from_chars(first, last, parsed);
  if (first == last || error != std::errc() || end != last || parsed < lowest || parsed > highest) return false;
  value = parsed;
  return true;
}
