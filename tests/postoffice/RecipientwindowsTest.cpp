// The recipient dialog and the receivers list under a headless screen.

#include "platform/display/Headlessscreen.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "postoffice/Tformpostfilerecipientslist.h"
#include "postoffice/Tformrecipient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

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

// The list is as wide as its longest address, up to 800 pixels; on a screen of at most 800
// pixels it takes two thirds of the screen. It is as high as its addresses, up to the screen.
TEST(RecipientsListSize, TheListFitsItsAddressesUpTo800Pixels) {
  const auto measure = [](int screenWidth, int screenHeight, const std::vector<std::string>& addresses) {
    platform::HeadlessScreen screen{screenWidth, screenHeight};
    TFormPostFileRecipientsList form(nullptr);
    form.FitTo(addresses);
    // The memo shows the longest address whole, and Close stays inside the window.
    int longest = 0;
    form.Canvas()->Font()->Assign(form.MemoEMails->Font());
    for (const std::string& address : addresses) longest = std::max(longest, form.Canvas()->TextWidth(address));
    EXPECT_LE(form.Button1->Left() + form.Button1->Width(), form.ClientWidth());
    EXPECT_LE(form.Button1->Top() + form.Button1->Height(), form.ClientHeight());
    EXPECT_LE(form.Height(), screenHeight) << "the window stays within the work area";
    return std::make_tuple(form.ClientWidth(), form.ClientHeight(), form.MemoEMails->Width() > longest);
  };
  const std::string wide = std::string(60, 'w') + "@example.org";
  EXPECT_EQ(measure(800, 600, {"a@x.org"}), std::make_tuple(533, 400, true));
  EXPECT_EQ(measure(1280, 1024, {"a@x.org"}), std::make_tuple(360, 260, true));
  const auto [width, height, whole] = measure(1280, 1024, {"a@x.org", wide});
  EXPECT_GT(width, 360);
  EXPECT_LE(width, 800);
  EXPECT_EQ(height, 260);
  EXPECT_TRUE(whole);
  EXPECT_EQ(std::get<0>(measure(1280, 1024, {std::string(400, 'w') + "@x.org"})), 800);
  // Many addresses make the list higher, up to the screen.
  EXPECT_GT(std::get<1>(measure(1280, 1024, std::vector<std::string>(40, "a@x.org"))), 260);
  EXPECT_GT(std::get<1>(measure(1280, 1024, std::vector<std::string>(400, "a@x.org"))), 900);
}

}  // namespace
