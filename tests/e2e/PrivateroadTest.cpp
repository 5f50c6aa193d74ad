// A discussion made private while people still write to it as to a public one: a comment
// written just before the switch is taken, and someone who heard of the discussion while
// it was public asks for it afterwards and forms it with the leader's Key; nothing private
// travels readable.

#include "tests/e2e/Installation.h"
#include "tests/e2e/Roads.h"

#include "browse/Tformbrowse.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tedit.h"
#include "tests/e2e/Forger.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <string>

namespace e2e {
namespace {

class PrivateRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(TMailServers::Get().SmtpPort, 0) << "the mail server fixture did not run";
    testsupport::Run("mkdir -p '" + A.Home + "/Library' && cp '" + std::string(QUILLARAN_BINARY_DIR) +
                     "/app/Leafguard.so' '" + A.Home + "/Library/'");
  }
  const std::string Folder = testsupport::ScratchFolder();
  TInstallation A{Folder + "/A", "Анна", "priva", "anna's key 7"};
  TInstallation B{Folder + "/B", "Борис", "privb", "boris's key 7"};
  TInstallation C{Folder + "/C", "Вера", "privc", "vera's key 77"};
};

// The Key the user reads in "My data": of the "Service" menu of a discussion, or of the
// folder of discussions.
std::string MyKey(TSession& s, TFormBrowse& window, bool folder = false) {
  std::string key;
  s.Script.Answer("TFormAuthor", [&key](TCustomForm& form) {
    if (auto* edit = dynamic_cast<TEdit*>(platform::FindNamed(form, "EditKey"))) key = edit->Text();
    platform::PressControl(form, "ButtonCancel");
  });
  if (folder) EXPECT_TRUE(s.Choose(window, {"My data"}));
  else EXPECT_TRUE(s.Choose(window, {"Service", "My data"}));
  return key;
}

// The file of the mail in a mailbox that carries a post part of that code.
std::string MailWith(const std::string& mailbox, const std::string& code) {
  for (const std::string& file : Waiting(mailbox))
    if (testsupport::ReadFile(file).find(code) != std::string::npos) return testsupport::ReadFile(file);
  return "";
}

TEST_F(PrivateRoad, MessagesWrittenWhileTheDiscussionWasPublicAreTakenAfterItIsMadePrivate) {
  // C reads its own Key before it has any discussion.
  ASSERT_TRUE(C.Run([&](TSession& s) { s.Tell("key", MyKey(s, DiscussedFolder(s), true)); })) << C.LastBoxes();
  EXPECT_EQ(C.Told("key").size(), 24u) << C.Told("key");

  // A moderates a discussion of its own and announces it, public, to B and C; B forms it and
  // gets an author identifier, C has heard of it only.
  Announce(A, {&B, &C}, "Ponds", "Пруды", {"Пруд 1"}, true);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_NO_FATAL_FAILURE(TakeModel(A, B, "Ponds"));
  ASSERT_NO_FATAL_FAILURE(GrantAuthorIdentifier(B, A, "Ponds", true));
  // B comments block 1 while the discussion is public.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("Author identifier");
    Receive(s);
    TFormBrowse& window = OpenDiscussion(s, "Ponds");
    PostNote(s, window, {"1"}, "Пруд 1 зарос");
    SendPostToLeader(s, window);
  })) << B.LastBoxes();

  // A makes the discussion private before the comment comes in; the comment is taken.
  ASSERT_TRUE(A.Run([&](TSession& s) {
    TFormBrowse& window = DiscussedFolder(s);
    ASSERT_TRUE(s.Choose(window, {"Moderating"}));
    ASSERT_TRUE(s.Choose(window, {"Show all discussions"}));
    s.Confirm("MAKE_DISCUSSION_PRIVATE");
    ASSERT_TRUE(s.ChooseInPopup(window, s.FolderRow(window, "Ponds"), {"Set secrecy"}));
    ASSERT_TRUE(s.Choose(window, {"Browsing"}));
    TFormBrowse& ponds = OpenDiscussion(s, "Ponds");
    s.Tell("key", MyKey(s, ponds));
    s.Confirm("AUTO-HANDLING");  // the switch packed
    s.Confirm("AUTO-HANDLING");  // the comment unpacked
    s.Confirm("NEW_BLOCKS");
    s.Confirm("New blocks");
    Receive(s);
    TDiscussion* d = s.Shown(OpenDiscussion(s, "Ponds"));
    ASSERT_NE(d, nullptr);
    s.Tell("secret", std::to_string(d->Info.Secret));
    s.Tell("waiting", std::to_string(d->Storages.ModeratedComments.Count()));
  })) << A.LastBoxes();
  EXPECT_EQ(A.Told("secret"), "1");
  EXPECT_EQ(A.Told("waiting"), "1") << A.LastBoxes();
  EXPECT_EQ(A.LastBoxes().find("set aside"), std::string::npos) << A.LastBoxes();
  const std::string aKey = A.Told("key");
  ASSERT_EQ(aKey.size(), 24u);

  // C asks for the discussion as it was announced, public; A's post office takes the
  // request, asks A whether C may have it, and sends the discussion private.
  RequestModel(C);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("GIVE_MODEL");  // C, whom A did not advise, may have it
    s.Confirm("GIVE_MODEL");
    s.Script.Press("KEY PASSWORD", "ButtonOk", {{"EditValue", A.Key}});  // to seal the private model
    s.Script.Answer("TFormCommandMessageHeader",
                    [&](TCustomForm& receivers) { platform::PressControl(receivers, "ButtonOk"); });
    s.Confirm("FORM_NEW_MODEL");
    Answer(s);
  })) << A.LastBoxes();
  const std::string model = MailWith("privc", "-FNM-");
  ASSERT_NE(model, "");
  TForger reader(Folder + "/reader");
  const std::string message = reader.Unpacked(model, "-FNM-");
  ASSERT_NE(message.find("COMMAND"), std::string::npos);
  EXPECT_EQ(message.find("Пруд 1"), std::string::npos);

  // C is asked for A's Key, which A passed by phone, and forms the discussion readable.
  ASSERT_TRUE(C.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Script.Press("KEY", "ButtonOk", {{"EditValue", aKey}});
    s.Script.Press("Forming new model", "ButtonOk", {{"EditValue", "Ponds"}});
    s.Confirm("FORM_NEW_MODEL");
    s.Confirm("MODEL IS CREATED");
    Receive(s);
    TDiscussion* copy = s.Shown(OpenDiscussion(s, "Ponds"));
    ASSERT_NE(copy, nullptr);
    s.Tell("model", Tree(*copy));
    s.Tell("secret", std::to_string(copy->Info.Secret));
  })) << C.LastBoxes();
  EXPECT_EQ(C.Told("model"), A.Told("model"));
  EXPECT_EQ(C.Told("secret"), "1");
}

}  // namespace
}  // namespace e2e
