#include "app/Tformreadme.h"

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Winkeys.h"
#include "platform/rtl/Exception.h"

TFormReadme::TFormReadme(TComponent* owner) : TForm(owner) {
  SetName("FormReadme");
  SetCaption("ReadMe");
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  SetClientWidth(560);
  SetClientHeight(400);
  MemoReadme = new TMemo(this);
  MemoReadme->SetName("MemoReadme");
  MemoReadme->SetParent(this);
  MemoReadme->SetReadOnly(true);
  MemoReadme->SetScrollBars(ssVertical);
  MemoReadme->SetBounds(8, 8, 544, 340);
  CheckBoxDontShowAgain = new TCheckBox(this);
  CheckBoxDontShowAgain->SetName("CheckBoxDontShowAgain");
  CheckBoxDontShowAgain->SetCaption("Don't show this text again");
  CheckBoxDontShowAgain->SetParent(this);
  CheckBoxDontShowAgain->SetBounds(8, 362, 250, 21);
  auto* close = new TButton(this);
  close->SetName("Button1");
  close->SetCaption("Close");
  close->SetParent(this);
  close->SetBounds(376, 360, 90, 25);
  close->SetModalResult(mrOk);
  auto* label = new TLabel(this);
  label->SetName("Label1");
  label->SetCaption("CLOSE");
  label->SetParent(this);
  label->SetBounds(480, 366, 60, 16);
  auto closeOnPress = [this](TObject*, TMouseButton, TShiftState, int, int) { SetModalResult(mrOk); };
  OnMouseDown = closeOnPress;
  label->OnMouseDown = closeOnPress;
  // Space, Enter and Escape close; other keys do nothing.
  OnKeyDown = [this](TObject*, WORD& key, TShiftState) {
    if (key == VK_SPACE || key == VK_RETURN || key == VK_ESCAPE) {
      key = 0;
      SetModalResult(mrOk);
    }
  };
  if (Screen->Width() < 801) SetWindowState(wsMaximized);
}

bool TFormReadme::Execute(const std::string& path) {
  try {
    MemoReadme->Lines()->LoadFromFile(path);
  } catch (Exception&) {
    MemoReadme->Lines()->Clear();
  }
  ShowModal();
  return CheckBoxDontShowAgain->Checked();
}
