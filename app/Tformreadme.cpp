#include "app/Tformreadme.h"

#include "controls/Newcontrol.h"
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
  const auto text = [](TMemo& memo) {
    memo.SetReadOnly(true);
    memo.SetScrollBars(ssVertical);
  };
  // Button1 is "Close". Label1 stays hidden: shown, it would print "CLOSE" beside the
  // button; a press where it lies reaches the form, which closes all the same.
  const auto closes = [](TButton& button) { button.SetModalResult(mrOk); };
  TLabel* closeLabel = nullptr;
  // clang-format off
  BuildControls(*this, {
      {Into(MemoReadme, text), "MemoReadme", "", {8, 8, 544, 340}},
      {Into(CheckBoxDontShowAgain), "CheckBoxDontShowAgain", "", {8, 362, 250, 21}, alNone, "Don't show this text again"},
      {New<TButton>(closes), "Button1", "", {376, 360, 90, 25}, alNone, "Close"},
      {Into(closeLabel), "Label1", "", {480, 366, 60, 16}, alNone, "CLOSE"},
  });
  // clang-format on
  auto closeOnPress = [this](TObject*, TMouseButton, TShiftState, int, int) { SetModalResult(mrOk); };
  OnMouseDown = closeOnPress;
  closeLabel->OnMouseDown = closeOnPress;
  closeLabel->SetVisible(false);
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
