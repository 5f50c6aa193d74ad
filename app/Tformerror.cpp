#include "app/Tformerror.h"

#include "foundation/Terror.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"

namespace {
constexpr int kMargin = 12;
constexpr int kButtonWidth = 210;
constexpr int kButtonHeight = 25;
}  // namespace

TFormError::TFormError(TComponent* owner) : TForm(owner) {
  SetName("FormError");
  SetCaption("ERROR");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(2 * kButtonWidth + 3 * kMargin);
  SetClientHeight(200);
  fText = new TMemo(this);
  fText->SetName("MemoError");
  fText->SetParent(this);
  fText->SetReadOnly(true);
  fText->SetWordWrap(true);
  fText->SetBounds(kMargin, kMargin, ClientWidth() - 2 * kMargin, 200 - 3 * kMargin - kButtonHeight);
  struct Way {
    const char* name;
    std::string caption;
    bool reload;
  };
  const Way ways[] = {{"ButtonTerminate", std::string("Terminate ") + ProductName, false},
                      {"ButtonTerminateAndReload", std::string("Terminate and reload ") + ProductName, true}};
  int x = kMargin;
  for (const Way& way : ways) {
    auto* button = new TButton(this);
    button->SetName(way.name);
    button->SetCaption(way.caption);
    button->SetParent(this);
    button->SetBounds(x, 200 - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
    const bool reload = way.reload;
    button->OnClick = [this, reload](TObject*) {
      TError::Instance().RequestTerminate(reload);
      SetModalResult(mrOk);
    };
    x += kButtonWidth + kMargin;
  }
}

void TFormError::Execute(const std::string& text) {
  fText->SetText(text);
  ShowModal();
}

void ShowErrorWindow(const std::string& text) {
  TFormError form(nullptr);
  form.Execute(text);
}
