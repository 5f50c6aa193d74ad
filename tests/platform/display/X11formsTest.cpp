// Modal forms one after another on an X server without a window manager: each one
// becomes the active window and takes the keys typed through the server.

#include <gtest/gtest.h>

#include "platform/display/X11display.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"
#include "tests/support/Xvfbserver.h"

namespace {

// A dialog with an edit that types a letter through the X server until the letter
// arrives in its edit, then closes; it gives up after a few seconds.
class TTypingForm : public TForm {
 public:
  TTypingForm(const std::string& caption, char letter) : TForm(nullptr), letter_(letter) {
    SetCaption(caption);
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(240);
    SetClientHeight(80);
    Edit = new TEdit(this);
    Edit->SetParent(this);
    Edit->SetBounds(8, 8, 200, 21);
    SetActiveControl(Edit);
    Ok = new TButton(this);
    Ok->SetCaption("OK");
    Ok->SetDefault(true);
    Ok->SetModalResult(mrOk);
    Ok->SetParent(this);
    Ok->SetBounds(80, 40, 75, 23);
    Ticker = new TTimer(this);
    Ticker->SetInterval(50);
    Ticker->OnTimer = [this](TObject*) { Tick(); };
  }

  TEdit* Edit;
  TButton* Ok;
  TTimer* Ticker;
  bool wasActive = false;
  bool editHadFocus = false;

 private:
  void Tick() {
    if (!Edit->Text().empty()) {
      // Enter presses the default button, as a person closes the dialog.
      keybd_event(VK_RETURN, 0, 0, 0);
      keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
      return;
    }
    wasActive = GetActiveWindow() == Handle();
    editHadFocus = GetFocus() == Edit->Handle();
    if (++ticks_ > 60) {
      SetModalResult(mrCancel);
      return;
    }
    keybd_event(static_cast<BYTE>(letter_), 0, 0, 0);
    keybd_event(static_cast<BYTE>(letter_), 0, KEYEVENTF_KEYUP, 0);
  }
  char letter_;
  int ticks_ = 0;
};

TEST(X11Forms, EachModalDialogInTurnIsActiveAndTakesTheKeys) {
  xvfbtest::XvfbServer server;
  ASSERT_TRUE(server.Running());
  platform::X11Display display(server.Name());
  ASSERT_TRUE(display.Connected());
  display.Install();
  SetCursorPos(790, 590);  // the pointer over no window of ours
  // The main form is up while the dialogs come one after another; each closing
  // dialog gives the activation back to it.
  TForm main(nullptr);
  main.SetBorderStyle(bsNone);
  main.SetBounds(600, 500, 100, 50);
  main.Show();
  std::string typed[2];
  {
    TTypingForm login("Вход", 'L');
    EXPECT_EQ(login.ShowModal(), mrOk);
    typed[0] = login.Edit->Text();
  }
  {
    TTypingForm next("Второй", 'N');
    EXPECT_EQ(next.ShowModal(), mrOk) << "active: " << next.wasActive << ", focus in the edit: " << next.editHadFocus;
    typed[1] = next.Edit->Text();
  }
  EXPECT_EQ(typed[0].substr(0, 1), "l");
  EXPECT_EQ(typed[1].substr(0, 1), "n");
}

}  // namespace
