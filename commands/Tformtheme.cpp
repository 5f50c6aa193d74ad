#include "commands/Tformtheme.h"

#include "platform/rtl/Strutil.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"

namespace {
constexpr int kMargin = 12;
constexpr int kWidth = 320;
}  // namespace

TFormTheme::TFormTheme(TComponent* owner) : TForm(owner) {
  SetName("FormTheme");
  SetCaption("New theme name");
  SetBorderStyle(bsDialog);
  SetBorderIcons({});
  fEdit = new TEdit(this);
  fEdit->SetName("EditThemeName");
  fEdit->SetParent(this);
  fEdit->SetBounds(kMargin, kMargin, kWidth - 2 * kMargin, 21);
  const int top = kMargin + 21 + kMargin;
  struct TSpec {
    const char* Name;
    const char* Caption;
    TModalResult Result;
  };
  const TSpec specs[] = {{"Button1", "OK", mrOk}, {"Button2", "Cancel", mrCancel}};
  int x = kWidth - kMargin - 2 * 80 - 8;
  for (const TSpec& spec : specs) {
    auto* button = new TButton(this);
    button->SetName(spec.Name);
    button->SetCaption(spec.Caption);
    button->SetParent(this);
    button->SetBounds(x, top, 80, 25);
    button->SetModalResult(spec.Result);
    button->SetDefault(spec.Result == mrOk);
    button->SetCancel(spec.Result == mrCancel);
    x += 88;
  }
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
