#include "controls/Texcalculator.h"

#include <algorithm>

#include "controls/Newcontrol.h"
#include "platform/rtl/Rtl.h"

TExCalculatorForm::TExCalculatorForm(TComponent* AOwner) : TForm(AOwner) {
  SetBorderIcons({biSystemMenu});
  SetBorderStyle(bsDialog);
  SetCaption("Calculator");
  SetClientWidth(242);
  SetClientHeight(159);
  SetCalculatorFont(Font(), clDialog);
  SetKeyPreview(true);

  menu_ = new TPopupMenu(this);
  auto* copy = new TMenuItem(menu_);
  copy->SetCaption("&Copy");
  copy->SetShortCut(ShortCut(VK_INSERT, {ssCtrl}));
  copy->OnClick = [this](TObject*) { calcPanel_->Copy(); };
  menu_->Items()->Add(copy);
  auto* paste = new TMenuItem(menu_);
  paste->SetCaption("&Paste");
  paste->SetShortCut(ShortCut(VK_INSERT, {ssShift}));
  paste->OnClick = [this](TObject*) { calcPanel_->Paste(); };
  menu_->Items()->Add(paste);
  menu_->OnPopup = [paste](TObject*) { paste->SetEnabled(Clipboard()->HasFormat(CF_TEXT)); };

  // Both panels offer the menu; the display is a white box.
  const auto frame = [this](TPanel& panel) {
    panel.SetBevelOuter(bvNone);
    panel.SetParentFont(true);
    panel.SetPopupMenu(menu_);
  };
  const auto window = [this](TPanel& panel) {
    panel.SetBevelOuter(bvNone);
    panel.SetBorderStyle(bsSingle);
    panel.SetParentColor(false);
    panel.SetColor(clWindow);
    panel.SetPopupMenu(menu_);
  };
  const auto display = [](TLabel& label) {
    label.SetAutoSize(false);
    label.SetAlignment(taRightJustify);
  };
  const TControlMaker keys = {[this](TComponent* owner) { return calcPanel_ = new TCalculatorPanel(owner, clDialog); },
                              nullptr};
  // clang-format off
  BuildControls(*this, {
      {Into(mainPanel_, frame), "", "", {}, alClient},
      {Into(displayPanel_, window), "", mainPanel_, {6, 6, 230, 23}},
      {Into(displayLabel_, display), "", displayPanel_, {5, 2, 217, 15}, alNone, "0"},
      {keys, "", mainPanel_, {1, 30, 240, 129}},
  });
  // clang-format on
  calcPanel_->SetDisplayControl(displayLabel_);
  calcPanel_->OnOk = [this](TObject*) { SetModalResult(mrOk); };
  calcPanel_->OnCancel = [this](TObject*) { SetModalResult(mrCancel); };
  calcPanel_->OnCalcKey = [this](TObject*, char& Key) {
    if (auto* owner = dynamic_cast<TExCalculator*>(Owner())) owner->CalcKey(Key);
  };
  calcPanel_->OnDisplayChange = [this](TObject*) {
    if (auto* owner = dynamic_cast<TExCalculator*>(Owner())) owner->DisplayChange();
  };
}

void TExCalculatorForm::SetCtl3D(bool Value) {
  mainPanel_->SetBevelOuter(Value ? bvLowered : bvNone);
  displayPanel_->SetBevelOuter(Value ? bvLowered : bvNone);
  calcPanel_->SetCtl3D(Value);
}

void TExCalculatorForm::KeyPress(char& Key) {
  TForm::KeyPress(Key);
  if (Key != 0) calcPanel_->CalcKeyPress(this, Key);
  Key = 0;
}

TExCalculatorForm* CreateCalculatorForm(TComponent* AOwner, int AHelpContext) {
  auto* form = new TExCalculatorForm(AOwner);
  form->SetHelpContext(AHelpContext);
  if (AHelpContext != 0) form->SetBorderIcons({biSystemMenu, biHelp});
  form->SetLeft(Screen->Width() / 2 - form->Width() / 2);
  form->SetTop(Screen->Height() / 2 - form->Height() / 2);
  return form;
}

TExCalculator::TExCalculator(TComponent* AOwner) : TComponent(AOwner) {}

double TExCalculator::GetDisplay() {
  if (dialog_) return dialog_->CalcPanel()->GetDisplay();
  return value_;
}

void TExCalculator::CalcKey(char& Key) {
  if (OnCalcKey) OnCalcKey(this, Key);
}

void TExCalculator::DisplayChange() {
  if (OnDisplayChange) OnDisplayChange(this);
}

void TExCalculator::Change() {
  if (OnChange) OnChange(this);
}

bool TExCalculator::Execute() {
  dialog_ = CreateCalculatorForm(this, helpContext_);
  bool ok = false;
  try {
    dialog_->SetCtl3D(ctl3D_);
    dialog_->SetCaption(title_);
    TCalculatorPanel* panel = dialog_->CalcPanel();
    panel->SetMemory(memory_);
    panel->SetPrecision(std::max(2, precision_));
    panel->SetBeepOnError(beepOnError_);
    if (value_ != 0) {
      panel->SetDisplay(value_);
      panel->SetStatus(csFirst);
      panel->SetOperator('=');
    }
    ok = dialog_->ShowModal() == mrOk;
    if (ok) {
      memory_ = panel->Memory();
      double shown = panel->GetDisplay();
      if (shown != value_) {
        value_ = shown;
        Change();
      }
    }
  } catch (...) {
    delete dialog_;
    dialog_ = nullptr;
    throw;
  }
  delete dialog_;
  dialog_ = nullptr;
  return ok;
}
