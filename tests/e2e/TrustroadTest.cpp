// Trust between two installations against a stranger who writes first in someone's name:
// the leader A and the reader B hold a discussion through the fixture's mail servers, while
// a stranger with a key pair of its own sends copies and requests of its own ahead of them.

#include "tests/e2e/Installation.h"
#include "tests/e2e/Roads.h"

#include "browse/Tformbrowse.h"
#include "foundation/Commoncrypt.h"
#include "model/Blockrecord.h"
#include "model/Messagecomposer.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tedit.h"
#include "tests/e2e/Forger.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <string>

namespace e2e {
namespace {

class TrustRoad : public TTwoInstallationsRoad {
 protected:
  TrustRoad() : TTwoInstallationsRoad("trusta", "trustb") {}
};

// The first mail waiting in a mailbox that carries a post part of that code ("-NA-" ...).
std::string MailWith(const std::string& mailbox, const std::string& code) {
  for (const std::string& file : Waiting(mailbox))
    if (testsupport::ReadFile(file).find(code) != std::string::npos) return testsupport::ReadFile(file);
  return "";
}

// The stranger re-signs a copy of the leader's announcement and gets it to the reader first;
// then it asks the leader for the model in the reader's name before the reader does. Neither
// locks anybody out: the reader's request is answered, and the leader's model and comment
// apply at the reader. Later the leader's messages come signed with a new key: the reader is
// told both fingerprints once, trusts the new key from the leader's author data, and the
// message set aside for it applies in the next run.
TEST_F(TrustRoad, AStrangerWhoWritesFirstLocksNobodyOutAndAChangedKeyIsTrustedFromTheAuthorData) {
  Announce(A, {&B}, "Forests", "Леса", {"Лес 1"});
  ASSERT_FALSE(HasFatalFailure());
  const std::string dident = A.Told("dident"), lead = A.Told("lident");
  const std::string earlier = "01/02/2020 10:00:00";  // ahead of everything genuine
  TForger stranger(Folder + "/stranger");

  // The stranger's copy of the announcement, re-signed, claims an earlier time: B takes it
  // first and asks for the model; the genuine one, shown next, B ignores.
  const std::string announcement = MailWith("trustb", "-NA-");
  ASSERT_NE(announcement, "");
  const std::string copy =
      stranger.Copy("F-Forests-NA-1", stranger.Unpacked(announcement, "-NA-"), {{"COMPOSE_DATETIME", earlier}});
  Deliver("trustb", stranger.Mail(announcement, copy, "-NA-"), 1);
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Tell("lident", CurrentModelLogin().LIdent.ToString());
    s.Confirm("AUTO-HANDLING");
    s.Script.Press("NEW ANNOTATION", "Button1");  // the stranger's copy: "Request"
    s.Confirm("GIVE_MODEL");
    s.Script.Press("NEW ANNOTATION", "Button3");  // the genuine one: "Ignore"
    InPostOffice(s, [&](TCustomForm& office) {
      Exchange(s, office, "Button1");
      Perform(office, "RadioButtonInbox");
      Exchange(s, office, "Button3");
    });
  })) << B.LastBoxes();

  // The stranger's request in B's name, from its own mailbox, comes ahead of B's own.
  const std::string request = MailWith("trusta", "-GM-");
  ASSERT_NE(request, "");
  const std::string forgedRequest = stranger.Message("F-Forests-GM-2", B.Told("lident"),
                                                     {{"FROM_USER_EMAIL", "trustc@quillaran.test"},
                                                      {"TO_USERS_EMAILS_CRYPTED*", A.Address()},
                                                      {"COMMAND", "GIVE_MODEL"},
                                                      {"PRIVATE_REQ", "0"},
                                                      {"DIDENT", dident},
                                                      {"COMPOSE_DATETIME", earlier}});
  Deliver("trusta", stranger.Mail(request, forgedRequest, "-GM-"), 2);
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("GIVE_MODEL");  // both requests are answered
    s.Script.Answer("TFormCommandMessageHeader",
                    [&](TCustomForm& receivers) { platform::PressControl(receivers, "ButtonOk"); });
    s.Confirm("FORM_NEW_MODEL");
    Answer(s);
  })) << A.LastBoxes();
  EXPECT_NE(A.LastBoxes().find("GIVE_MODEL: Discussion: Леса\nThere are 2 new / 2 in all GIVE_MODEL requests."),
            std::string::npos)
      << A.LastBoxes();

  // B forms the model that answers its request, and takes the leader's comment.
  ASSERT_NO_FATAL_FAILURE(FormModelCopy(B, "Forests"));
  EXPECT_EQ(B.Told("model"), A.Told("model"));
  ASSERT_TRUE(A.Run([&](TSession& s) {
    PostNotesToAll(s, "Forests", "1", {"Лес 1 растёт на севере"});
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << A.LastBoxes();
  const std::string comments = MailWith("trustb", "-NB-");
  ASSERT_NE(comments, "");
  ASSERT_TRUE(B.Run([&](TSession& s) {
    ReceiveNewBlocks(s);
    s.Tell("commented", Tree(*s.Shown(OpenDiscussion(s, "Forests"))));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("commented"), A.Told("model") + "2|0-1|1|Лес 1 растёт на севере\n");

  // A's key changed: its next message, signed with the new key, is set aside at B, which
  // tells both fingerprints once.
  TForger renewed(Folder + "/renewed");
  const TDiscBlockRecord record = ModelBlockRecord("2", 2, "Лес 2");
  // New blocks in A's name for B, as the post of A's key, or of another, would carry them.
  const auto blocksHeader = [&] {
    return std::vector<std::pair<std::string, std::string>>{{"FROM_USER_EMAIL", A.Address()},
                                                            {"TO_USERS_EMAILS_CRYPTED*", B.Address()},
                                                            {"COMMAND", "NEW_BLOCKS"},
                                                            {"PRIVATE_REQ", "0"},
                                                            {"DIDENT", dident},
                                                            {"COMPOSE_DATETIME", ComposeDateTimeText()},
                                                            {"BLOCKSCOUNT", "1"}};
  };
  const std::string blocks = renewed.Message("F-Forests-NB-3", lead, blocksHeader(), {record});
  Deliver("trustb", renewed.Mail(comments, blocks), 3);
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("HANDLING POST FILE");
    Receive(s);
    s.Tell("waiting", Tree(*s.Shown(OpenDiscussion(s, "Forests"))));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("waiting"), B.Told("commented"));
  const std::string told = B.LastBoxes();
  EXPECT_NE(told.find("HANDLING POST FILE: 1 file set aside:\nF-Forests-NB-3: The message F-Forests-NB-3 claims to "
                      "come from " +
                      A.Address() + ", but is signed with another key than the one known for them."),
            std::string::npos)
      << told;
  EXPECT_NE(told.find("\nIts key:   " + KeyFingerprint(renewed.Pair.Public) + "\nCompare fingerprints with " +
                      A.Address() + " by phone."),
            std::string::npos)
      << told;

  // B compares the fingerprint with A and chooses "Trust this key" in A's author data.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    TFormBrowse& window = OpenDiscussion(s, "Forests");
    ASSERT_NE(s.Shown(window), nullptr);
    s.Script.Answer("TFormAuthor", [&](TCustomForm& form) {
      if (auto* edit = dynamic_cast<TEdit*>(platform::FindNamed(form, "EditOfferedKey")))
        s.Tell("offered", edit->Text());
      if (auto* edit = dynamic_cast<TEdit*>(platform::FindNamed(form, "EditKeyOwner"))) s.Tell("owner", edit->Text());
      s.Confirm("TRUST THIS KEY");  // trust it?
      s.Confirm("TRUST THIS KEY");  // trusted
      platform::PressControl(form, "ButtonTrustKey");
      if (auto* edit = dynamic_cast<TEdit*>(platform::FindNamed(form, "EditKeyFingerprint")))
        s.Tell("trusted", edit->Text());
      platform::PressControl(form, "ButtonCancel");
    });
    ASSERT_TRUE(s.ChooseInPopup(window, s.RowOf(window, "Лес 1"), {"Author"}));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("offered"), KeyFingerprint(renewed.Pair.Public) + " (" + A.Address() + ")");
  EXPECT_NE(B.Told("owner").find("<" + A.Address() + ">"), std::string::npos) << B.Told("owner");
  EXPECT_EQ(B.Told("trusted"), KeyFingerprint(renewed.Pair.Public));

  // The next run takes the message that waited for the key.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("NEW_BLOCKS");
    s.Confirm("New blocks");
    Receive(s);
    s.Tell("renewed", Tree(*s.Shown(OpenDiscussion(s, "Forests"))));
  })) << B.LastBoxes();
  EXPECT_NE(B.Told("renewed").find("1|2|*|Лес 2\n"), std::string::npos) << B.Told("renewed");

  // Thirty messages in A's name signed with the stranger's key: one box tells of them all,
  // with the fingerprints once, and a later start tells nothing again.
  for (int i = 0; i < 30; ++i) {
    const std::string path = stranger.Message(
        "F-Forests-NB-" + std::to_string(10 + i), lead, blocksHeader(),
        {ModelBlockRecord(std::to_string(10 + i), uint16_t(10 + i), "Чужой лес " + std::to_string(i))});
    Deliver("trustb", stranger.Mail(comments, path), 100 + i);
  }
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("HANDLING POST FILE");
    Receive(s);
    s.Tell("flooded", Tree(*s.Shown(OpenDiscussion(s, "Forests"))));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("flooded"), B.Told("renewed"));
  const std::string flood = B.LastBoxes();
  EXPECT_NE(flood.find("HANDLING POST FILE: 30 files set aside:"), std::string::npos) << flood;
  EXPECT_NE(flood.find("Its key:   " + KeyFingerprint(stranger.Pair.Public)), std::string::npos) << flood;
  EXPECT_EQ(flood.find("Its key:   ", flood.find("Its key:   ") + 1), std::string::npos) << flood;
  ASSERT_TRUE(B.Run([&](TSession& s) { Receive(s); })) << B.LastBoxes();
  EXPECT_EQ(B.LastBoxes(), "");
}

}  // namespace
}  // namespace e2e
