#include "app/Tformerror.h"

#include "app/Errorsaving.h"
#include "controls/Newcontrol.h"
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
  const auto terminate = [this](bool reload) {
    return [this, reload] {
      TError::Instance().RequestTerminate(reload);
      SetModalResult(mrOk);
    };
  };
  const auto text = [](TMemo& memo) {
    memo.SetReadOnly(true);
    memo.SetWordWrap(true);
  };
  const int buttonsTop = 200 - kMargin - kButtonHeight;
  const std::string product = ProductName;
  // clang-format off
  BuildControls(*this, {
      {Into(fText, text), "MemoError", "", {kMargin, kMargin, ClientWidth() - 2 * kMargin, buttonsTop - 2 * kMargin}},
      {New<TButton>(), "ButtonTerminate", "", {kMargin, buttonsTop, kButtonWidth, kButtonHeight}, alNone,
       "Terminate " + product, terminate(false)},
      {New<TButton>(), "ButtonTerminateAndReload", "", {2 * kMargin + kButtonWidth, buttonsTop, kButtonWidth,
       kButtonHeight}, alNone, "Terminate and reload " + product, terminate(true)},
  });
  // clang-format on
}

void TFormError::Execute(const std::string& text) {
  fText->SetText(text);
  ShowModal();
}

void ShowErrorWindow(const std::string& text) {
  // The other discussions' work is safe before the user is offered the end.
  const std::string saved = SaveDiscussionsUntouchedByTheError();
  TFormError form(nullptr);
  form.Execute(saved.empty() ? text : text + "\r\n\r\n" + saved);
}
