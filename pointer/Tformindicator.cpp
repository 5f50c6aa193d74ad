#include "pointer/Tformindicator.h"

#include "platform/gui/Gui.h"

TFormIndicator::TFormIndicator(TComponent* AOwner) : TForm(AOwner) {
  SetName("FormIndicator");
  SetBorderStyle(bsNone);
  SetColor(clYellow);
  SetFormStyle(fsStayOnTop);
  timerAutoClose_ = new TTimer(this);
  timerAutoClose_->SetEnabled(false);
  timerAutoClose_->OnTimer = [this](TObject*) {
    timerAutoClose_->SetEnabled(false);
    Close();
  };
  OnClose = [](TObject*, TCloseAction& Action) { Action = caFree; };
}

void TFormIndicator::ShowAt(int Left, int Top, int Width, int Height, unsigned Milliseconds) {
  SetBounds(Left, Top, Width, Height);
  // The window being scrolled keeps the keyboard: the patch is only looked at.
  HWND active = GetForegroundWindow();
  Show();
  if (active && active != Handle()) SetForegroundWindow(active);
  timerAutoClose_->SetInterval(Milliseconds);
  timerAutoClose_->SetEnabled(true);
}

void TFormIndicator::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  Params.ExStyle |= WS_EX_TRANSPARENT;
}
