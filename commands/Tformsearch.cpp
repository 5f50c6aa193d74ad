#include "commands/Tformsearch.h"

#include "controls/Newcontrol.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"

namespace {
constexpr int kMargin = 12;
constexpr int kWidth = 360;
}  // namespace

TFormSearch::TFormSearch(TComponent* owner) : TForm(owner) {
  SetName("FormSearch");
  SetCaption("Search string");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  const int top = kMargin + 29 + 21 + kMargin;
  const auto start = [this] {
    fOk = true;
    Close();
  };
  // clang-format off
  BuildControls(*this, {
      {Into(fEdit), "EditText", "", {kMargin, kMargin, kWidth - 2 * kMargin, 21}},
      {Into(fCase), "CheckBoxCaseSensitive", "", {kMargin, kMargin + 29, 160, 21}, alNone, "Match case"},
      {New<TButton>(PressedByEnter()), "ButtonOk", "", {kWidth - kMargin - 168, top, 80, 25}, alNone, "Start", start},
      {New<TButton>(PressedByEscape()), "ButtonCancel", "", {kWidth - kMargin - 80, top, 80, 25}, alNone, "Cancel",
       [this] { Close(); }},
  });
  // clang-format on
  SetActiveControl(fEdit);
  SetClientWidth(kWidth);
  SetClientHeight(top + 25 + kMargin);
}

bool TFormSearch::Execute(const std::string& text, bool caseSensitive, std::string& newText, bool& newCaseSensitive) {
  fOk = false;
  fEdit->SetText(text);
  fCase->SetChecked(caseSensitive);
  ShowModal();
  if (!fOk) return false;
  newText = fEdit->Text();
  newCaseSensitive = fCase->Checked();
  return true;
}
