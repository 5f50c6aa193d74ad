#include "dialogs/Dialogrows.h"

#include "platform/forms/Tlabel.h"

#include <algorithm>
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

int FitLabelColumn(TWinControl& parent, const TLabelledEditColumns& columns) {
  const int editLeft = columns.Left + columns.LabelWidth + kGap;
  // The labels of the rows: each stands on the line of an edit of the edit column.
  std::vector<TControl*> edits;
  for (int i = 0; i < parent.ControlCount(); ++i)
    if (parent.Controls(i)->Left() == editLeft) edits.push_back(parent.Controls(i));
  int widest = columns.LabelWidth;
  for (int i = 0; i < parent.ControlCount(); ++i) {
    auto* label = dynamic_cast<TLabel*>(parent.Controls(i));
    if (!label || label->Left() != columns.Left ||
        std::none_of(edits.begin(), edits.end(), [label](TControl* edit) { return edit->Top() + 3 == label->Top(); }))
      continue;
    label->SetAutoSize(true);  // its text's width, which the row's place had fixed
    widest = std::max(widest, label->Width());
  }
  const int added = widest - columns.LabelWidth;
  if (added > 0)
    for (TControl* edit : edits) edit->SetLeft(editLeft + added);
  return added;
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
