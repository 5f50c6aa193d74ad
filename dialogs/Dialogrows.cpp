#include "dialogs/Dialogrows.h"

#include "platform/forms/Tedit.h"
#include "platform/forms/Tform.h"
#include "platform/forms/Tlabel.h"

#include <charconv>

namespace {
constexpr int kRowHeight = 26;
constexpr int kGap = 12;
}  // namespace

TEdit* AddLabelledEdit(TForm* form, const char* name, const char* label, int left, int labelWidth, int editWidth,
                       int& top) {
  auto* caption = new TLabel(form);
  caption->SetName(std::string("Label") + (std::string(name).rfind("Edit", 0) == 0 ? name + 4 : name));
  caption->SetCaption(label);
  caption->SetParent(form);
  caption->SetBounds(left, top + 3, labelWidth, 16);
  auto* edit = new TEdit(form);
  edit->SetName(name);
  edit->SetParent(form);
  edit->SetBounds(left + labelWidth + kGap, top, editWidth, 21);
  top += kRowHeight;
  return edit;
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
