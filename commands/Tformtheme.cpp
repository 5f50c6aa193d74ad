#include "commands/Tformtheme.h"

#include "controls/Newcontrol.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/rtl/Strutil.h"

namespace {
constexpr int kMargin = 12;
constexpr int kWidth = 320;
}  // namespace

TFormTheme::TFormTheme(TComponent* owner) : TForm(owner) {
  SetName("FormTheme");
  SetCaption("New theme name");
  SetBorderStyle(bsDialog);
  SetBorderIcons({});
  const int top = kMargin + 21 + kMargin, left = kWidth - kMargin - 2 * 80 - 8;
  // Button1 is "OK", Button2 "Cancel".
  // clang-format off
  BuildControls(*this, {
      {Into(fEdit), "EditThemeName", "", {kMargin, kMargin, kWidth - 2 * kMargin, 21}},
      {New<TButton>(PressedByEnter(mrOk)), "Button1", "", {left, top, 80, 25}, alNone, "OK"},
      {New<TButton>(PressedByEscape(mrCancel)), "Button2", "", {left + 88, top, 80, 25}, alNone, "Cancel"},
  });
  // clang-format on
  SetActiveControl(fEdit);
  SetClientWidth(kWidth);
  SetClientHeight(top + 25 + kMargin);
}

bool TFormTheme::Execute(int left, int top, std::string& name) {
  SetBounds(left, top, Width(), Height());
  fEdit->SetText(name);
  if (ShowModal() != mrOk) return false;
  name = Trim(fEdit->Text());
  return true;
}
