// The mail-service robot's dialogs and the advertising list under a headless screen.

#include "Posttesthelpers.h"

#include "foundation/Tbrowseglobal.h"
#include "platform/display/Headlessscreen.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tclipboard.h"
#include "platform/forms/Tedit.h"
#include "postoffice/Tformadvertisinglist.h"
#include "postoffice/Tformrobotemail.h"
#include "postoffice/Tformrobotpattern.h"

using namespace posttest;

namespace {

class RobotDialogs : public PostTest {
 protected:
  void SetUp() override {
    PostTest::SetUp();
    script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  }
  void TearDown() override {
    EXPECT_EQ(script.Pending(), 0u);
    TBrowseGlobal::Moderation = 0;
    PostTest::TearDown();
  }
  platform::HeadlessScreen screen{800, 600};
  platform::DialogScript script;
};

TEST_F(RobotDialogs, TheListIsWrittenInThePatternAGroupALine) {
  const std::vector<TRobotListEntry> entries{{"a", "A"}, {"b", "B"}, {"c", "C"}};
  EXPECT_EQ(ComposeRobotList(RobotPatternEMailFirst, 2, entries), "a <A>, b <B>, \r\nc <C>");
  EXPECT_EQ(ComposeRobotList(RobotPatternNameFirst, 1, entries), "A<a>, \r\nB<b>, \r\nC<c>");
  // A group size below 1 counts as 1; the inserted address is not scanned again.
  EXPECT_EQ(ComposeRobotList("%email=%email", 0, {{"x%email", "n"}}), "x%email=x%email");
  EXPECT_EQ(ComposeRobotList(RobotPatternEMailFirst, 8, {}), "");
}

TEST_F(RobotDialogs, APatternReopensUnderItsButtonAndAnotherUnderOther) {
  std::string pattern = RobotPatternNameFirst;
  int groupSize = 5;
  std::string ticked;
  script.Answer("TFormRobotPattern", [&](TCustomForm& form) {
    auto& dialog = dynamic_cast<TFormRobotPattern&>(form);
    ticked = dialog.RadioButtonPattern1->Checked() ? "1" : dialog.RadioButtonPattern2->Checked() ? "2" : "other";
    EXPECT_FALSE(dialog.EditPatternOther->Enabled());
    platform::SetControlValue(form, "RadioButtonPatternOther", "1");
    EXPECT_TRUE(dialog.EditPatternOther->Enabled());
    platform::SetControlValue(form, "EditPatternOther", "%name: %email");
    platform::SetControlValue(form, "CurrencyEditMaxEMailsPerLine", "3");
    platform::PressControl(form, "Button1");
  });
  {
    TFormRobotPattern dialog(nullptr);
    ASSERT_TRUE(dialog.Execute(pattern, groupSize));
  }
  EXPECT_EQ(ticked, "1");
  EXPECT_EQ(pattern, "%name: %email");
  EXPECT_EQ(groupSize, 3);
  // Reopened under "other"; Cancel keeps the values.
  script.Answer("TFormRobotPattern", [&](TCustomForm& form) {
    auto& dialog = dynamic_cast<TFormRobotPattern&>(form);
    EXPECT_TRUE(dialog.RadioButtonPatternOther->Checked());
    EXPECT_EQ(dialog.EditPatternOther->Text(), "%name: %email");
    platform::SetControlValue(form, "RadioButtonPattern2", "1");
    platform::PressControl(form, "Button2");
  });
  TFormRobotPattern dialog(nullptr);
  EXPECT_FALSE(dialog.Execute(pattern, groupSize));
  EXPECT_EQ(pattern, "%name: %email");
}

TEST_F(RobotDialogs, TheAdvertisingListRefusesAnAddressThatIsNotOneMailboxAndCopiesForTheRobot) {
  TBrowseGlobal::Moderation = 1;
  Post.AdvertisingList = "old@x.org Old\r\n";
  Post.RobotEnabled = 1;
  bool copyShown = true;
  script.Answer("TFormAdvertisingList", [&](TCustomForm& form) {
    auto& window = dynamic_cast<TFormAdvertisingList&>(form);
    EXPECT_EQ(window.MemoAddresses->Text(), "old@x.org Old\r\n");
    copyShown = window.ButtonCopy->Visible();  // no robot address yet
    platform::PressControl(form, "ButtonEditRobot");
    EXPECT_TRUE(window.ButtonCopy->Visible());
    platform::PressControl(form, "ButtonCopy");
    platform::SetControlValue(form, "MemoAddresses", "a@x.org Ann\r\n\r\nb@x.org<c@y.org> Bob");
    platform::PressControl(form, "Button1");  // refused
    platform::SetControlValue(form, "MemoAddresses", "a@x.org Ann\r\n\r\nb@x.org Bob");
    platform::PressControl(form, "Button1");
  });
  script.Press("TFormRobotEMail", "Button1", {{"EditRobot", "robot@x.org"}});
  script.Press("TFormRobotPattern", "Button1", {{"RadioButtonPattern1", "1"}, {"CurrencyEditMaxEMailsPerLine", "1"}});
  std::string list = Post.AdvertisingList.ToString();
  EXPECT_TRUE(EditAdvertisingList(Post, list));
  EXPECT_FALSE(copyShown);
  EXPECT_EQ(Post.RobotEMail, "robot@x.org");
  EXPECT_EQ(Post.RobotPattern, RobotPatternNameFirst);
  EXPECT_EQ(Post.RobotPatternGroupSize, 1);
  EXPECT_EQ(Clipboard()->AsText(), "Old<old@x.org>");
  EXPECT_EQ(list, "a@x.org Ann\r\n\r\nb@x.org Bob");
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, "\"b@x.org<c@y.org>\" is not one e-mail address.");
}

}  // namespace
