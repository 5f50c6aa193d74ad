#include "Apptesthelpers.h"
#include "app/Tformreadme.h"
#include "dialogs/Tformregeneratemident.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct TDialogScreen {
  platform::HeadlessScreen screen{800, 600};
  platform::DialogScript script;
  TDialogScreen() {
    script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  }
};

TEST(Readme, TheTextIsShownAndEscapeStillGivesTheChoice) {
  TAppScratch s;
  TDialogScreen d;
  const std::string path = s.Folder + "/Readme.txt";
  testsupport::WriteFile(path, "First line\r\nSecond line\r\n");
  d.script.Answer("ReadMe", [](TCustomForm& form) {
    auto* memo = dynamic_cast<TMemo*>(platform::FindNamed(form, "MemoReadme"));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Lines()->Count(), 2);
    EXPECT_EQ(memo->Lines()->Strings(1), "Second line");
    platform::SetControlValue(form, "CheckBoxDontShowAgain", "1");
    platform::ScreenDriver().PressKey(VK_ESCAPE);
  });
  {
    TFormReadme readme(nullptr);
    EXPECT_TRUE(readme.Execute(path));
  }
  // Other keys do nothing; Space closes; the box unchecked gives false.
  d.script.Answer("ReadMe", [](TCustomForm& form) {
    platform::ScreenDriver().PressKey('A');
    EXPECT_EQ(form.ModalResult(), mrNone);
    platform::ScreenDriver().PressKey(VK_SPACE);
  });
  TFormReadme readme(nullptr);
  EXPECT_FALSE(readme.Execute(path));
  EXPECT_EQ(d.script.Pending(), 0u);
}

// Beside its "Close" button the window shows nothing but its own colour, and no control
// it shows reads "CLOSE"; a press there, on the form, closes it all the same.
TEST(Readme, NoStrayLabelStandsBesideTheCloseButton) {
  TAppScratch s;
  TDialogScreen d;
  const std::string path = s.Folder + "/Readme.txt";
  testsupport::WriteFile(path, "Text\r\n");
  d.script.Answer("ReadMe", [&d](TCustomForm& form) {
    platform::ScreenDriver().Pump();
    std::vector<std::string> shown;
    for (int i = 0; i < form.ControlCount(); ++i)
      if (form.Controls(i)->Visible()) shown.push_back(form.Controls(i)->Caption());
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "CLOSE"), 0);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "Close"), 1);
    auto* button = dynamic_cast<TControl*>(platform::FindNamed(form, "Button1"));
    ASSERT_NE(button, nullptr);
    const RECT beside = button->BoundsRect();
    const COLORREF background = d.screen.WindowPixel(form.Handle(), beside.right + 2, beside.top);
    int ink = 0;
    for (int y = beside.top; y < beside.bottom; ++y)
      for (int x = beside.right + 2; x < form.ClientWidth(); ++x)
        ink += d.screen.WindowPixel(form.Handle(), x, y) != background;
    EXPECT_EQ(ink, 0);
    EXPECT_EQ(form.ModalResult(), mrNone);
    POINT there = form.ClientToScreen(POINT{beside.right + 30, (beside.top + beside.bottom) / 2});
    platform::ScreenDriver().Click(there.x, there.y);
    platform::ScreenDriver().Pump();
    EXPECT_EQ(form.ModalResult(), mrOk);
  });
  TFormReadme readme(nullptr);
  EXPECT_FALSE(readme.Execute(path));
  EXPECT_EQ(d.script.Pending(), 0u);
}

TEST(Readme, TheDuplicatedIdentifierQuestionNamesTheChosenFolder) {
  TDialogScreen d;
  const char* caption = "DUPLICATED DISCUSSION FOLDER IDENTIFIER";
  d.script.Answer(caption, [](TCustomForm& form) {
    EXPECT_EQ(dynamic_cast<TControl*>(platform::FindNamed(form, "RadioButtonPath1"))->Caption(), "/d/One");
    EXPECT_EQ(dynamic_cast<TControl*>(platform::FindNamed(form, "RadioButtonPath2"))->Caption(), "/d/Two");
    platform::PressControl(form, "Button1");
  });
  EXPECT_EQ(AskRegenerateMIdent("/d/One", "/d/Two"), 1);
  d.script.Press(caption, "Button1", {{"RadioButtonPath2", "1"}});
  EXPECT_EQ(AskRegenerateMIdent("/d/One", "/d/Two"), 2);
  d.script.Press(caption, "Button2", {{"RadioButtonPath2", "1"}});
  EXPECT_EQ(AskRegenerateMIdent("/d/One", "/d/Two"), 0);
  d.script.Answer(caption, [](TCustomForm& form) {
    platform::SetControlValue(form, "RadioButtonPath2", "1");
    form.Close();  // the close box: no folder, whichever was chosen
  });
  EXPECT_EQ(AskRegenerateMIdent("/d/One", "/d/Two"), 0);
}

}  // namespace
