// The recipient dialog and the receivers list under a headless screen.

#include "platform/display/Headlessscreen.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "postoffice/Tformpostfilerecipientslist.h"
#include "postoffice/Tformrecipient.h"

#include <gtest/gtest.h>

namespace {

struct RecipientWindows : ::testing::Test {
  platform::HeadlessScreen screen{800, 600};
  platform::DialogScript script;
  void SetUp() override {
    script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  }
};

TEST_F(RecipientWindows, TheRecipientDialogEditsTheRecordOnlyOnOk) {
  TRecipient recipient{TStr("Ivanov"), TStr("iv@x.org")};
  std::string shownName, shownMail, caption = "?";
  script.Answer("TFormRecipient", [&](TCustomForm& form) {
    auto& window = dynamic_cast<TFormRecipient&>(form);
    shownName = window.EditFamily->Text();
    shownMail = window.EditEMail->Text();
    caption = window.Caption();
    EXPECT_TRUE(window.Button1->Default());
    platform::SetControlValue(form, "EditFamily", "Petrov");
    platform::SetControlValue(form, "EditEMail", "pe@y.org");
    platform::PressControl(form, "Button2");
  });
  {
    TFormRecipient form(nullptr);
    EXPECT_FALSE(form.Execute(recipient));
  }
  EXPECT_EQ(shownName, "Ivanov");
  EXPECT_EQ(shownMail, "iv@x.org");
  EXPECT_EQ(caption, "");
  EXPECT_EQ(recipient.Name.ToString(), "Ivanov");
  EXPECT_EQ(recipient.EMail.ToString(), "iv@x.org");

  script.Press("TFormRecipient", "Button1", {{"EditFamily", "Petrov"}, {"EditEMail", "pe@y.org"}});
  {
    TFormRecipient form(nullptr);
    EXPECT_TRUE(form.Execute(recipient));
  }
  EXPECT_EQ(recipient.Name.ToString(), "Petrov");
  EXPECT_EQ(recipient.EMail.ToString(), "pe@y.org");

  // Both fields emptied: two empty texts, and still OK.
  script.Press("TFormRecipient", "Button1", {{"EditFamily", ""}, {"EditEMail", ""}});
  TFormRecipient form(nullptr);
  EXPECT_TRUE(form.Execute(recipient));
  EXPECT_TRUE(recipient.Name.IsEmpty());
  EXPECT_TRUE(recipient.EMail.IsEmpty());
  EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(RecipientWindows, TheReceiversListShowsOneAddressALine) {
  std::vector<std::string> lines;
  bool readOnly = false;
  script.Answer("Command-message recipients list", [&](TCustomForm& form) {
    auto& window = dynamic_cast<TFormPostFileRecipientsList&>(form);
    for (int i = 0; i < window.MemoEMails->Lines()->Count(); ++i) lines.push_back(window.MemoEMails->Lines()->Strings(i));
    readOnly = window.MemoEMails->ReadOnly();
    platform::PressControl(form, "Button1");
  });
  ShowPostFileRecipients({"a@x.org", "b@y.org"});
  EXPECT_EQ(lines, (std::vector<std::string>{"a@x.org", "b@y.org"}));
  EXPECT_TRUE(readOnly);
  EXPECT_EQ(script.Pending(), 0u);
}

}  // namespace
