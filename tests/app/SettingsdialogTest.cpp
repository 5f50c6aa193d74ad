// The settings dialog's list of colours, fonts and measures: each changed through the
// colour dialog, the font dialog or an input box, the values refused with their message,
// confirmed values stored and read back, a cancelled dialog changing nothing.

#include "Apptesthelpers.h"
#include "app/Guidialogs.h"
#include "dialogs/Tformbrowsepars.h"
#include "foundation/Tbrowsepars.h"
#include "platform/display/Headlessscreen.h"
#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

namespace {

struct TSettingsScreen {
  platform::HeadlessScreen screen{1024, 768};
  platform::DialogScript script;
  std::vector<std::string> Messages;  // of the message boxes, in order
  TSettingsScreen() {
    script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
    RegisterGuiDialogs();
  }
  ~TSettingsScreen() { UnregisterGuiDialogs(); }

  // The next message box of the dialog: its text kept, closed with its button.
  void ExpectMessage() {
    script.Answer("SETTINGS", [this](TCustomForm& form) {
      auto* label = dynamic_cast<TControl*>(platform::FindNamed(form, "LabelMessage"));
      Messages.push_back(label ? label->Caption() : "<no message>");
      platform::PressControl(form, "Button0");
    });
  }
  // The next input box of the dialog answered with `text`.
  void Type(const std::string& text) { script.Press("SETTINGS", "ButtonOk", {{"EditValue", text}}); }
};

TListBox& AppearanceList(TCustomForm& form) {
  return *dynamic_cast<TListBox*>(platform::FindNamed(form, "ListBoxAppearance"));
}

// The line of the list that begins with `label`, or "" when there is none.
std::string Line(TCustomForm& form, const std::string& label) {
  TStrings& items = *AppearanceList(form).Items();
  for (int i = 0; i < items.Count(); ++i)
    if (items[i].rfind(label + ": ", 0) == 0) return items[i];
  return std::string();
}

// Chooses the line of `label` and presses "Change...".
void Change(TCustomForm& form, const std::string& label) {
  TStrings& items = *AppearanceList(form).Items();
  for (int i = 0; i < items.Count(); ++i)
    if (items[i].rfind(label + ": ", 0) == 0) {
      AppearanceList(form).SetItemIndex(i);
      platform::PressControl(form, "ButtonChange");
      return;
    }
  ADD_FAILURE() << "no line " << label;
}

TEST(Settingsdialog, AColourAFontAndNumbersChangedAreStoredAndReadBack) {
  TAppScratch s;
  TSettingsScreen gui;
  TBrowsePars pars;
  const std::string path = s.Home + "/BrowsePars.cbs";
  std::vector<std::string> before, after;
  gui.script.Answer("Customize", [&](TCustomForm& form) {
    before = {Line(form, "Lower list color"), Line(form, "Name font"), Line(form, "Indent per level"),
              Line(form, "Gradient depth"), Line(form, "Model blocks color")};
    Change(form, "Lower list color");
    Change(form, "Name font");
    Change(form, "Indent per level");
    Change(form, "Gradient depth");
    after = {Line(form, "Lower list color"), Line(form, "Name font"), Line(form, "Indent per level"),
             Line(form, "Gradient depth")};
    platform::PressControl(form, "ButtonOk");
  });
  gui.script.Press("Color", "OK", {{"Red", "16"}, {"Green", "32"}, {"Blue", "48"}});
  gui.script.Press("Font", "OK", {{"Name", "Verdana"}, {"Size", "14"}, {"Italic", "1"}});
  gui.Type("a dozen");  // refused, asked again
  gui.ExpectMessage();
  gui.Type("240");
  gui.ExpectMessage();
  gui.Type(" 24 ");
  gui.Type("2.5");
  {
    TFormBrowsePars dialog(nullptr);
    ASSERT_TRUE(dialog.Execute(pars, path));
  }
  EXPECT_EQ(gui.script.Pending(), 0u);
  EXPECT_EQ(before, (std::vector<std::string>{"Lower list color: #FFFFFF", "Name font: DejaVu Sans, 8 pt, bold, #000000",
                                               "Indent per level: 12", "Gradient depth: 10",
                                               "Model blocks color: #C0E0FF"}));
  EXPECT_EQ(after, (std::vector<std::string>{"Lower list color: #102030",
                                              "Name font: Verdana, 14 pt, bold, italic, #000000",
                                              "Indent per level: 24", "Gradient depth: 2.5"}));
  EXPECT_EQ(gui.Messages, (std::vector<std::string>{"Indent per level must be a whole number from 0 to 200.",
                                                    "Indent per level must be a whole number from 0 to 200."}));
  EXPECT_EQ(pars.LowerListColor, 0x302010u);  // kept as 0x00BBGGRR
  EXPECT_EQ(pars.NameFont.Name, "Verdana");
  EXPECT_EQ(pars.NameFont.Size, 14);
  EXPECT_EQ(pars.NameFont.Style, TBrowseFont::Bold | TBrowseFont::Italic);
  EXPECT_EQ(pars.IndentPerLevel, 24);
  EXPECT_EQ(pars.GradientDepth, 2.5);
  TBrowsePars stored;
  ASSERT_TRUE(stored.Load(path));
  EXPECT_TRUE(stored == pars);
  EXPECT_FALSE(stored == TBrowsePars());
}

TEST(Settingsdialog, CancelledChangesAndTheDialogLeaveEverythingAsItWas) {
  TAppScratch s;
  TSettingsScreen gui;
  TBrowsePars pars;
  pars.MarkNewColor = 0x123456;
  const TBrowsePars original = pars;
  const std::string path = s.Home + "/BrowsePars.cbs";
  std::string lineAfterCancels;
  gui.script.Answer("Customize", [&](TCustomForm& form) {
    Change(form, "Mark new color");
    Change(form, "Block text font");
    Change(form, "Service row height");
    lineAfterCancels = Line(form, "Mark new color");
    Change(form, "Mark new color");  // this one is taken, then the whole dialog cancelled
    platform::PressControl(form, "ButtonCancel");
  });
  gui.script.Press("Color", "Cancel", {{"Red", "255"}});
  gui.script.Press("Font", "Cancel", {{"Size", "30"}});
  gui.script.Press("SETTINGS", "ButtonCancel", {{"EditValue", "40"}});
  gui.script.Press("Color", "OK", {{"Red", "1"}, {"Green", "2"}, {"Blue", "3"}});
  TFormBrowsePars dialog(nullptr);
  EXPECT_FALSE(dialog.Execute(pars, path));
  EXPECT_EQ(gui.script.Pending(), 0u);
  EXPECT_EQ(lineAfterCancels, "Mark new color: #563412");
  EXPECT_TRUE(pars == original);
  EXPECT_EQ(testsupport::ReadFile(path), "");  // nothing stored
}

TEST(Settingsdialog, ADamagedFontIsRefusedWithItsMessageAndDefaultsComeBack) {
  TAppScratch s;
  TSettingsScreen gui;
  TBrowsePars pars;
  pars.UpperIndent = 99;
  const std::string path = s.Home + "/BrowsePars.cbs";
  std::string refusedLine, defaultsLine;
  gui.script.Answer("Customize", [&](TCustomForm& form) {
    Change(form, "Menu font");
    refusedLine = Line(form, "Menu font");
    platform::PressControl(form, "ButtonDefaults");
    defaultsLine = Line(form, "Upper indent");
    platform::PressControl(form, "ButtonOk");
  });
  gui.script.Press("Font", "OK", {{"Name", "Verdana"}, {"Size", "2"}});
  gui.ExpectMessage();
  ASSERT_TRUE(TFormBrowsePars(nullptr).Execute(pars, path));
  EXPECT_EQ(gui.Messages,
            (std::vector<std::string>{"Menu font: the font needs a name and a size from 4 to 96 points."}));
  EXPECT_EQ(refusedLine, "Menu font: DejaVu Sans, 9 pt, #000000");
  EXPECT_EQ(defaultsLine, "Upper indent: 8");
  EXPECT_TRUE(pars == TBrowsePars());
}

}  // namespace
