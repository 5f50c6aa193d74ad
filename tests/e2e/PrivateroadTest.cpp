// A discussion made private while people still write to it as to a public one: a comment
// written just before the switch is taken, and someone who heard of the discussion while
// it was public asks for it afterwards and forms it with the leader's Key; nothing private
// travels readable.

#include "tests/e2e/Installation.h"
#include "tests/e2e/Roads.h"

#include "browse/Tformbrowse.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Tcommandmessage.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tedit.h"
#include "tests/e2e/Forger.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace e2e {
namespace {

// A leader who may moderate (the moderation library lies in its data root) and two
// others, on the mailboxes of that prefix and "a", "b", "c".
class ModeratingLeaderRoad : public ::testing::Test {
 protected:
  explicit ModeratingLeaderRoad(const std::string& mailboxes)
      : A{Folder + "/A", "Анна", mailboxes + "a", "anna's key 7"},
        B{Folder + "/B", "Борис", mailboxes + "b", "boris's key 7"},
        C{Folder + "/C", "Вера", mailboxes + "c", "vera's key 77"} {}
  void SetUp() override {
    ASSERT_NE(TMailServers::Get().SmtpPort, 0) << "the mail server fixture did not run";
    testsupport::Run("mkdir -p '" + A.Home + "/Library' && cp '" + std::string(QUILLARAN_BINARY_DIR) +
                     "/app/Leafguard.so' '" + A.Home + "/Library/'");
  }
  const std::string Folder = testsupport::ScratchFolder();
  TInstallation A, B, C;
};

class PrivateRoad : public ModeratingLeaderRoad {
 protected:
  PrivateRoad() : ModeratingLeaderRoad("priv") {}
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
    ASSERT_NO_FATAL_FAILURE(SwitchPrivacy(s, "Ponds", true));
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
  // request of C, whom A's advertising list advises, and sends the discussion private.
  RequestModel(C);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
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

// The leader of a private discussion, with a newcomer who asks for it and a participant in
// whose name a stranger writes.
class PrivateRefusals : public ModeratingLeaderRoad {
 protected:
  PrivateRefusals() : ModeratingLeaderRoad("seals") {}
};

// How many times a run met a modal window of that caption.
int Met(const TSession& s, const std::string& caption) {
  return int(std::count(s.Script.Seen().begin(), s.Script.Seen().end(), caption));
}

// The leader refuses a newcomer the private discussion: the newcomer reads the refusal and
// is asked for no Key. Two forged requests in a participant's name, sealed as for a public
// discussion, are set aside and mail the participant one notice at the address the leader
// knows, though a forged request for the model in that name is taken between them. A
// stranger's message sealed with a Key the newcomer never had is asked about once, set
// aside with what to do, not asked about at the next receive, and read once moved back
// with its Key: a refusal in the stranger's own name of a request that never went to it,
// it is set aside, not shown.
TEST_F(PrivateRefusals, ARefusalIsReadWithoutAKeyAForgerMailsTheAuthorOnceAnUnopenedMessageIsAskedAboutOnce) {
  Announce(A, {&B, &C}, "Wells", "Колодцы", {"Колодец 1"}, true);
  ASSERT_FALSE(HasFatalFailure());
  const std::string dident = A.Told("dident");
  ASSERT_NO_FATAL_FAILURE(TakeModel(A, B, "Wells"));
  ASSERT_TRUE(A.Run([&](TSession& s) {
    // C heard of the discussion, but the leader advises only B now.
    s.Script.Press("Edit advertising list", "Button1", {{"MemoAddresses", B.Address()}});
    ASSERT_TRUE(s.Choose(DiscussedFolder(s), {"Edit advertising list"}));
    ASSERT_NO_FATAL_FAILURE(SwitchPrivacy(s, "Wells", true));
    TDiscussion* d = s.Shown(OpenDiscussion(s, "Wells"));
    ASSERT_NE(d, nullptr);
    const int b = d->Authors.FindAuthorByAutomaticEMail(TStr(B.Address()));
    s.Tell("b", b < 0 ? "" : d->Authors.Author(b).LIdent.ToString());
  })) << A.LastBoxes();
  ASSERT_NE(A.Told("b"), "");
  RequestModel(C);
  ASSERT_FALSE(HasFatalFailure());

  // The stranger asks twice for blocks in B's name, from an address of its own, and in
  // between for the model in B's name and at B's address, which A's post office takes as
  // B's request and A leaves unanswered: each in a run of its own.
  TForger stranger(Folder + "/stranger");
  const std::string request = MailWith("sealsa", "-GM-");
  ASSERT_NE(request, "");
  const auto forge = [&](int i, const std::string& command, const std::string& code,
                         const std::string& from = "trustc@quillaran.test") {
    const std::string forged = stranger.Message("F-Wells-" + code + "-" + std::to_string(i), A.Told("b"),
                                                {{"FROM_USER_EMAIL", from},
                                                 {"TO_USERS_EMAILS_CRYPTED*", A.Address()},
                                                 {"COMMAND", command},
                                                 {"DIDENT", dident},
                                                 {"COMPOSE_DATETIME", "01/0" + std::to_string(i) + "/2020 10:00:00"},
                                                 {"BLOCK_NAMES", "1"}});
    Deliver("sealsa", stranger.Mail(request, forged, "-GM-"), i);
  };
  forge(1, "GIVE_BLOCKS", "GB");
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");         // the switch packed
    s.Confirm("AUTO-HANDLING");         // the request and the forged one unpacked
    s.Confirm("YOUR_COMMAND_IGNORED");  // B told of the forged one
    s.Confirm("GIVE_MODEL", 1);         // not to the newcomer
    s.Confirm("YOUR_COMMAND_IGNORED");  // the newcomer told
    s.Confirm("HANDLING POST FILE");    // the forged one set aside
    Answer(s);
  })) << A.LastBoxes();
  const auto setAside = [](const std::string& name) {
    return name + ": The GIVE_BLOCKS message " + name +
           " from trustc@quillaran.test is about the secret discussion Колодцы, but is sealed as for a public "
           "discussion, and no key is known here yet for its sender: nobody can tell who wrote it. It is set aside";
  };
  EXPECT_NE(A.LastBoxes().find(setAside("F-Wells-GB-1") +
                               ", and the author of that name is told at the address known for them, " + B.Address() +
                               " (YOUR_COMMAND_IGNORED)."),
            std::string::npos)
      << A.LastBoxes();
  forge(2, "GIVE_MODEL", "GM", B.Address());
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("GIVE_MODEL", 1);  // no model sent now
    Answer(s);
  })) << A.LastBoxes();
  EXPECT_NE(A.LastBoxes().find("GIVE_MODEL: Discussion: Колодцы\nThere are 1 new / 1 in all GIVE_MODEL requests."),
            std::string::npos)
      << A.LastBoxes();
  forge(3, "GIVE_BLOCKS", "GB");
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("HANDLING POST FILE");
    Answer(s);
  })) << A.LastBoxes();
  const std::string boxes = A.LastBoxes();
  EXPECT_NE(boxes.find(setAside("F-Wells-GB-3") + "; the author of that name was told at the address known for them, " +
                       B.Address() + ", of an earlier one, and is told again only after a message of theirs is taken."),
            std::string::npos)
      << boxes;
  EXPECT_EQ(boxes.find("its sender is told"), std::string::npos) << boxes;
  const auto notices = [](const std::string& mailbox) {
    int n = 0;
    for (const std::string& file : Waiting(mailbox))
      n += testsupport::ReadFile(file).find("-YCI-") != std::string::npos;
    return n;
  };
  EXPECT_EQ(notices("sealsb"), 1);
  EXPECT_EQ(notices("trustc"), 0);
  ASSERT_EQ(notices("sealsc"), 1);

  // Beside A's refusal the stranger sends C 50 messages sealed with a Key of its own.
  const std::string strangerKey = "stranger's key 4242";
  const std::string refusal = MailWith("sealsc", "-YCI-");
  for (int i = 0; i < 50; ++i) {
    char when[32];
    std::snprintf(when, sizeof when, "01/01/2020 10:00:%02d", i);
    const std::string sealed =
        stranger.Message(i == 0 ? "F-Wells-YCI-9" : "F-Wells-YCI-" + std::to_string(100 + i), "TRUSTC_424242_LID",
                         {{"FROM_USER_EMAIL", "trustc@quillaran.test"},
                          {"TO_USERS_EMAILS_CRYPTED*", C.Address()},
                          {"COMMAND", "YOUR_COMMAND_IGNORED"},
                          {"PRIVATE_REQ", "1"},
                          {"DIDENT", dident},
                          {"COMPOSE_DATETIME", when},
                          {"IGNORED_COMMAND", "GIVE_MODEL"},
                          {"RESULT_COMMENT", "Write to trustc@quillaran.test"},
                          {"MODEL_NAME", "Колодцы"}},
                         {}, strangerKey);
    Deliver("sealsc", stranger.Mail(refusal, sealed, "-YCI-"), 1 + i);
  }
  ASSERT_TRUE(C.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Script.Press("KEY", "ButtonOk", {{"EditValue", ""}});  // the stranger's messages set aside: asked once
    s.Confirm("YOUR_COMMAND_IGNORED");      // A's refusal, read as it is
    s.Confirm("HANDLING POST FILE");        // the stranger's messages set aside
    Receive(s);
    s.Tell("keys", std::to_string(Met(s, "KEY")));
  })) << C.LastBoxes();
  EXPECT_EQ(C.Told("keys"), "1");
  const std::string inbox = C.File("Inbox/");
  EXPECT_NE(C.LastBoxes().find("YOUR_COMMAND_IGNORED: " + A.Address() +
                               ": Your command GIVE_MODEL in Discussion Колодцы has been ignored\n"),
            std::string::npos)
      << C.LastBoxes();
  EXPECT_NE(C.LastBoxes().find("HANDLING POST FILE: 50 files set aside:\nF-Wells-YCI-9: The YOUR_COMMAND_IGNORED "
                               "message F-Wells-YCI-9 from trustc@quillaran.test is sealed with a Key, and you set it "
                               "aside at its Key question: nothing of it was read or applied. To read it, move the "
                               "file from " +
                               inbox + "Set aside back into " + inbox + ": the next handling asks for the Key.\n"),
            std::string::npos)
      << C.LastBoxes();
  EXPECT_EQ(C.LastBoxes().find("Write to"), std::string::npos) << C.LastBoxes();

  // The next receive asks nothing; moved back, the message asks for its Key and is read: a
  // refusal of a command that never went to its sender, it is set aside with why, not shown.
  ASSERT_TRUE(C.Run([&](TSession& s) {
    Receive(s);
    s.Tell("keys", std::to_string(Met(s, "KEY")));
    testsupport::Run("mv '" + inbox + "Set aside/F-Wells-YCI-9' '" + inbox + "'");
    s.Script.Press("KEY", "ButtonOk", {{"EditValue", strangerKey}});
    s.Confirm("HANDLING POST FILE");
    Receive(s);
  })) << C.LastBoxes();
  EXPECT_EQ(C.Told("keys"), "0");
  EXPECT_NE(C.LastBoxes().find("F-Wells-YCI-9: The YOUR_COMMAND_IGNORED message F-Wells-YCI-9 from "
                               "trustc@quillaran.test says that your command GIVE_MODEL in discussion Колодцы was "
                               "ignored, but no such command went from here to trustc@quillaran.test about that "
                               "discussion, and it is not signed with the key of the discussion's leader here: it is "
                               "not shown. Nothing of it was applied.\n"),
            std::string::npos)
      << C.LastBoxes();
  EXPECT_EQ(C.LastBoxes().find("Write to"), std::string::npos) << C.LastBoxes();
}

// The leader announces a moderated discussion to the newcomer, makes it private (telling
// its Key as "key"), and answers the newcomer's request with the private model.
void SendPrivateModel(TInstallation& leader, TInstallation& newcomer, const std::string& folder,
                      const std::string& root, const std::string& block) {
  Announce(leader, {&newcomer}, folder, root, {block}, true);
  ASSERT_FALSE(::testing::Test::HasFatalFailure());
  ASSERT_TRUE(leader.Run([&](TSession& s) {
    ASSERT_NO_FATAL_FAILURE(SwitchPrivacy(s, folder, true));
    s.Tell("key", MyKey(s, OpenDiscussion(s, folder)));
  })) << leader.LastBoxes();
  // The switch had nobody to tell (the newcomer does not subscribe yet): no message of it waits.
  EXPECT_NE(leader.LastBoxes().find("MAKE_DISCUSSION_PRIVATE: Command message MAKE_DISCUSSION_PRIVATE has no "
                                    "receivers: it is not composed."),
            std::string::npos)
      << leader.LastBoxes();
  ASSERT_EQ(leader.Told("key").size(), 24u);
  RequestModel(newcomer);
  ASSERT_FALSE(::testing::Test::HasFatalFailure());
  ASSERT_TRUE(leader.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");  // the request unpacked
    s.Confirm("GIVE_MODEL");     // the newcomer is on the advertising list: only the model is asked about
    s.Script.Press("KEY PASSWORD", "ButtonOk", {{"EditValue", leader.Key}});
    s.Script.Answer("TFormCommandMessageHeader",
                    [&](TCustomForm& receivers) { platform::PressControl(receivers, "ButtonOk"); });
    s.Confirm("FORM_NEW_MODEL");
    Answer(s);
  })) << leader.LastBoxes();
}

// Leaves the running installation's logins with no key pinned for anybody, as in a copy
// kept before keys were pinned.
void ForgetPins() {
  TLoginsStorage* logins = ModelHooks().Logins;
  ASSERT_NE(logins, nullptr);
  logins->Pins.Clear();
  ASSERT_TRUE(logins->Save());
}

// The newcomer is asked for the leader's Key, gives it and forms the private model it was
// sent as `folder`; its logins then keep no key pinned (ForgetPins).
void FormUnpinnedPrivateCopy(TInstallation& newcomer, const std::string& folder, const std::string& key) {
  ASSERT_TRUE(newcomer.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Script.Press("KEY", "ButtonOk", {{"EditValue", key}});
    s.Script.Press("Forming new model", "ButtonOk", {{"EditValue", folder}});
    s.Confirm("FORM_NEW_MODEL");
    s.Confirm("MODEL IS CREATED");
    Receive(s);
    ForgetPins();
  })) << newcomer.LastBoxes();
}

// A newcomer who asks for the leader's private discussion, while strangers write to it.
class KeyQuestions : public ModeratingLeaderRoad {
 protected:
  KeyQuestions() : ModeratingLeaderRoad("keyq") {}
};

// The newcomer's private model comes sealed with the leader's Key, after four strangers'
// private messages it cannot open: one in the leader's identifier from an address of its
// own, three in names of their own, and twenty more under one claim of a fifth stranger, each
// signed with a key pair of its own. The newcomer sets the strangers' messages aside at their
// Key questions, one a person claimed, and is still asked for the leader's Key, which forms
// the discussion: an answer serves only the person its question shows, and setting
// strangers aside never stops the questions. Of the fifth stranger's twenty, the one asked
// about goes aside; the others, of other keys, wait for the next run, told in one box.
TEST_F(KeyQuestions, DecliningStrangersKeysCostsTheLeadersPrivateModelNothing) {
  ASSERT_NO_FATAL_FAILURE(SendPrivateModel(A, C, "Springs", "Родники", "Родник 1"));
  const std::string dident = A.Told("dident"), leader = A.Told("lident"), aKey = A.Told("key");
  ASSERT_NE(leader, "");
  const std::string model = MailWith("keyqc", "-FNM-");
  ASSERT_NE(model, "");

  TForger stranger(Folder + "/stranger");
  const std::vector<std::pair<std::string, std::string>> senders = {{leader, "nobody@spam.test"},
                                                                    {"S1_111111_LID", "s1@spam.test"},
                                                                    {"S2_222222_LID", "s2@spam.test"},
                                                                    {"S3_333333_LID", "s3@spam.test"}};
  for (size_t i = 0; i < senders.size(); ++i) {
    const std::string sealed = stranger.Message("F-Springs-NB-" + std::to_string(i), senders[i].first,
                                                {{"FROM_USER_EMAIL", senders[i].second},
                                                 {"TO_USERS_EMAILS_CRYPTED*", C.Address()},
                                                 {"COMMAND", "NEW_BLOCKS"},
                                                 {"PRIVATE_REQ", "1"},
                                                 {"DIDENT", dident},
                                                 {"COMPOSE_DATETIME", "01/01/2020 10:00:0" + std::to_string(i)}},
                                                {}, "stranger's key 4242");
    Deliver("keyqc", stranger.Mail(model, sealed, "-FNM-"), int(1 + i));
  }
  for (int i = 0; i < 20; ++i) {
    TForger fresh(Folder + "/mallory" + std::to_string(i));
    char when[32];
    std::snprintf(when, sizeof when, "01/01/2020 10:01:%02d", i);
    const std::string sealed = fresh.Message("F-Springs-M-" + std::to_string(10 + i), "MALLORY_666666_LID",
                                             {{"FROM_USER_EMAIL", "mallory@evil.test"},
                                              {"TO_USERS_EMAILS_CRYPTED*", C.Address()},
                                              {"COMMAND", "NEW_BLOCKS"},
                                              {"PRIVATE_REQ", "1"},
                                              {"DIDENT", dident},
                                              {"COMPOSE_DATETIME", when}},
                                             {}, "mallory's key 666");
    Deliver("keyqc", fresh.Mail(model, sealed, "-FNM-"), 10 + i);
  }
  ASSERT_TRUE(C.Run([&](TSession& s) {
    std::string prompts;
    s.Confirm("AUTO-HANDLING");
    for (size_t i = 0; i <= senders.size() + 1; ++i)
      s.Script.Answer("KEY", [&](TCustomForm& form) {
        const auto* label = dynamic_cast<TControl*>(platform::FindNamed(form, "LabelPrompt"));
        const std::string caption = label ? label->Caption() : "";
        const std::string prompt = caption.substr(0, caption.find(", for ")) + ":";
        prompts += prompt + "\n";
        if (prompt != "Key of " + A.Address() + ":") {
          platform::PressControl(form, "ButtonOk");  // nothing typed: set aside
          return;
        }
        EXPECT_EQ(caption, "Key of " + A.Address() +
                               ", for the FORM_NEW_MODEL message. OK with no Key sets the message aside; Cancel leaves "
                               "it for the next run:");
        if (auto* edit = dynamic_cast<TEdit*>(platform::FindNamed(form, "EditValue"))) edit->SetText(aKey);
        platform::PressControl(form, "ButtonOk");
      });
    s.Script.Press("Forming new model", "ButtonOk", {{"EditValue", "Springs"}});
    s.Confirm("FORM_NEW_MODEL");
    s.Confirm("MODEL IS CREATED");
    s.Confirm("HANDLING POST FILE");  // the strangers' messages set aside
    s.Confirm("HANDLING POST FILE");  // the fifth stranger's others wait
    Receive(s);
    s.Tell("prompts", prompts);
    TDiscussion* copy = s.Shown(OpenDiscussion(s, "Springs"));
    ASSERT_NE(copy, nullptr);
    s.Tell("model", Tree(*copy));
  })) << C.LastBoxes();
  EXPECT_EQ(C.Told("prompts"),
            "Key of nobody@spam.test:\nKey of s1@spam.test:\nKey of s2@spam.test:\nKey of "
            "s3@spam.test:\nKey of mallory@evil.test:\nKey of " +
                A.Address() + ":\n");
  EXPECT_EQ(C.Told("model"), A.Told("model"));
  EXPECT_NE(C.LastBoxes().find("HANDLING POST FILE: 5 files set aside:\nF-Springs-NB-0: The NEW_BLOCKS message "
                               "F-Springs-NB-0 from nobody@spam.test is sealed with a Key, and you set it aside at its "
                               "Key question"),
            std::string::npos)
      << C.LastBoxes();
  EXPECT_NE(C.LastBoxes().find("HANDLING POST FILE: 19 messages wait in " + C.File("Inbox/") +
                               " for the next run, which asks for the Key of their senders again:\nF-Springs-M-11: the "
                               "Key question of its sender was answered for a message signed with another key (one "
                               "question a run for each sender)\n"),
            std::string::npos)
      << C.LastBoxes();
}

// A participant whose copy keeps no key pinned for the leader (as one kept before keys
// were pinned) holds the leader's Key and the Key of a correspondent, x.
class CorrespondentsKey : public ModeratingLeaderRoad {
 protected:
  CorrespondentsKey() : ModeratingLeaderRoad("corr") {}
};

// x writes from his own address a private message in the leader's identifier, sealed with
// his own Key. The question shows his address and the newcomer gives his Key: it opens the
// message, which is not taken as the leader's, and the leader's Key stays kept: the leader's
// next comment is read unasked.
TEST_F(CorrespondentsKey, AKeyGivenForACorrespondentNeverMakesHisMessageTheLeaders) {
  ASSERT_NO_FATAL_FAILURE(SendPrivateModel(A, C, "Brooks", "Ручьи", "Ручей 1"));
  const std::string dident = A.Told("dident"), leader = A.Told("lident"), aKey = A.Told("key");
  const std::string model = MailWith("corrc", "-FNM-");
  ASSERT_NE(model, "");
  ASSERT_NO_FATAL_FAILURE(FormUnpinnedPrivateCopy(C, "Brooks", aKey));

  TForger x(Folder + "/x");
  const std::string xKey = "x's own key 4242";
  const std::string sealed = x.Message("F-Brooks-NB-1", leader,
                                       {{"FROM_USER_EMAIL", "x@quillaran.test"},
                                        {"TO_USERS_EMAILS_CRYPTED*", C.Address()},
                                        {"COMMAND", "NEW_BLOCKS"},
                                        {"PRIVATE_REQ", "1"},
                                        {"DIDENT", dident},
                                        {"COMPOSE_DATETIME", "01/01/2020 10:00:00"}},
                                       {ModelBlockRecord("1.1", 2, "Ручей пересох")}, xKey);
  Deliver("corrc", x.Mail(model, sealed, "-FNM-"), 1);
  ASSERT_TRUE(C.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Script.Answer("KEY", [&](TCustomForm& form) {
      const auto* label = dynamic_cast<TControl*>(platform::FindNamed(form, "LabelPrompt"));
      s.Tell("question", label ? label->Caption() : "");
      if (auto* edit = dynamic_cast<TEdit*>(platform::FindNamed(form, "EditValue"))) edit->SetText(xKey);
      platform::PressControl(form, "ButtonOk");
    });
    s.Confirm("HANDLING POST FILE");
    Receive(s);
    s.Tell("copy", Tree(*s.Shown(OpenDiscussion(s, "Brooks"))));
  })) << C.LastBoxes();
  EXPECT_EQ(C.Told("question").substr(0, 61), "Key of x@quillaran.test, for the NEW_BLOCKS message of discus");
  EXPECT_EQ(C.Told("copy").find("пересох"), std::string::npos) << C.Told("copy");
  EXPECT_NE(C.LastBoxes().find("F-Brooks-NB-1: The NEW_BLOCKS message F-Brooks-NB-1 from x@quillaran.test claims an "
                               "identifier that discussion Ручьи knows here (" +
                               leader + "), but nothing proves it theirs"),
            std::string::npos)
      << C.LastBoxes();

  // The leader comments; the newcomer reads it with the leader's Key still kept, unasked.
  ASSERT_TRUE(A.Run([&](TSession& s) {
    TFormBrowse& brooks = OpenDiscussion(s, "Brooks");
    ASSERT_NE(s.Shown(brooks), nullptr);
    ASSERT_TRUE(s.OpenRow(brooks, "1"));
    s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "Ручей 1 чистый"}});
    ASSERT_TRUE(s.Choose(brooks, {"Add note"}));
    ASSERT_TRUE(s.ChooseInPopup(brooks, s.RowOf(brooks, "Ручей 1 чистый"), {"Post"}));
    s.Key(brooks, VK_BACK);
    s.Confirm("SENDING POST");
    s.Confirm("NEW_BLOCKS");
    ASSERT_TRUE(s.Choose(brooks, {"Service", "Form post command", "Send post (to all)"}));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << A.LastBoxes();
  ASSERT_TRUE(C.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("NEW_BLOCKS");
    s.Confirm("New blocks");
    Receive(s);
    s.Tell("copy", Tree(*s.Shown(OpenDiscussion(s, "Brooks"))));
    s.Tell("keys", std::to_string(Met(s, "KEY")));
  })) << C.LastBoxes();
  EXPECT_EQ(C.Told("keys"), "0");
  EXPECT_NE(C.Told("copy").find("Ручей 1 чистый"), std::string::npos) << C.Told("copy");
}

// A participant who commented a discussion, and a stranger who guesses so. The
// participant's copy keeps no key pinned for the leader (as one kept before keys were
// pinned): with the leader's key pinned, a refusal signed with another key is set aside as
// signed with another key than the leader's, so only such a copy lets a forged refusal come
// this far.
class ForgedRefusals : public ModeratingLeaderRoad {
 protected:
  ForgedRefusals() : ModeratingLeaderRoad("forg") {}
};

// The stranger mails twenty refusals of the participant's comment in the leader's
// address, identifier and discussion, signed with its own key: the participant's run shows
// one box that says nothing proves who wrote them, within the watchdog's time, and no box
// carries their words.
TEST_F(ForgedRefusals, TwentyRefusalsOfACommentThatNoKeyProvesAreToldInOneBoxWithoutTheirWords) {
  Announce(A, {&B}, "Meadows", "Луга", {"Луг 1"});
  ASSERT_FALSE(HasFatalFailure());
  const std::string dident = A.Told("dident"), leader = A.Told("lident");
  ASSERT_NO_FATAL_FAILURE(TakeModel(A, B, "Meadows"));
  ASSERT_NO_FATAL_FAILURE(GrantAuthorIdentifier(B, A, "Meadows", false));
  const std::string granted = MailWith("forgb", "-AIG-");  // the leader's mail the forgeries copy
  ASSERT_NE(granted, "");
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("Author identifier");
    Receive(s);
    TFormBrowse& window = OpenDiscussion(s, "Meadows");
    PostNote(s, window, {"1"}, "Луг 1 скошен");
    SendPostToLeader(s, window);
    ForgetPins();
  })) << B.LastBoxes();
  ASSERT_EQ(Waiting("forga").size(), 1u);  // the comment, whose refusal is awaited

  TForger stranger(Folder + "/stranger");
  for (int i = 0; i < 20; ++i) {
    char when[32];
    std::snprintf(when, sizeof when, "01/01/2020 10:00:%02d", i);
    const std::string forged = stranger.Message(
        "F-Meadows-YCI-" + std::to_string(10 + i), leader,
        {{"FROM_USER_EMAIL", A.Address()},
         {"TO_USERS_EMAILS_CRYPTED*", B.Address()},
         {"COMMAND", "YOUR_COMMAND_IGNORED"},
         {"DIDENT", dident},
         {"COMPOSE_DATETIME", when},
         {"IGNORED_COMMAND", "NEW_BLOCKS"},
         {"RESULT_COMMENT", "Discussion Луга is private now. Send your Key (\"My data\") to keys@elsewhere.example"},
         {"MODEL_NAME", "Луга"}});
    Deliver("forgb", stranger.Mail(granted, forged, "-AIG-"), 1 + i);
  }
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("YOUR_COMMAND_IGNORED");
    Receive(s);
    s.Tell("refusals", std::to_string(Met(s, "YOUR_COMMAND_IGNORED")));
    std::string seen;
    for (const auto& c : s.Script.Seen()) seen += c + "|";
    s.Tell("seen", seen);
  })) << B.LastBoxes();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(3));
  EXPECT_EQ(B.Told("refusals"), "1");
  // The run's windows: the refusals' one box is the only one beside the handling's count.
  EXPECT_EQ(B.Told("seen"), "LOGIN|post|Receive/Send post|AUTO-HANDLING|YOUR_COMMAND_IGNORED|") << B.LastBoxes();
  const std::string boxes = B.LastBoxes();
  EXPECT_NE(boxes.find("YOUR_COMMAND_IGNORED: 20 refusals of commands sent from here came, and nothing proves who "
                       "wrote them: no key known here for the discussion's leader signed them, and anyone who knows "
                       "that a command went out can write such a refusal. Their words are not shown, and nothing of "
                       "them was applied. To know whether a command was refused, ask its receiver by other means:\n20 "
                       "in the name of " +
                       A.Address() + ", of NEW_BLOCKS in discussion Луга"),
            std::string::npos)
      << boxes;
  for (const char* words : {"has been ignored", "Comment:", "keys@elsewhere", "is private now"})
    EXPECT_EQ(boxes.find(words), std::string::npos) << words << "\n" << boxes;
  // Nothing of them waits or was set aside.
  EXPECT_EQ(testsupport::Run("find '" + B.File("Inbox") + "' -type f | wc -l"), "0\n");
}

// A leader of a private discussion who writes from a new address, and a participant who
// holds its Key.
class LeaderMoved : public ModeratingLeaderRoad {
 protected:
  LeaderMoved() : ModeratingLeaderRoad("move") {}
};

// The leader, writing from a new address, makes the discussion public (its switch sealed
// with the Key, composed while the discussion was private), then comments it for all: the
// participant's run, within the watchdog's time, takes the switch before the comment, as
// they were composed, and applies both; nothing is set aside.
TEST_F(LeaderMoved, TheSealedSwitchToPublicAndTheCommentAfterItFromANewAddressAreBothApplied) {
  ASSERT_NO_FATAL_FAILURE(SendPrivateModel(A, C, "Creeks", "Протоки", "Проток 1"));
  // No key pinned for anybody, as in a copy kept before keys were: with the leader's key
  // pinned, its public comment is taken even while the copy is still private, whatever the
  // order.
  ASSERT_NO_FATAL_FAILURE(FormUnpinnedPrivateCopy(C, "Creeks", A.Told("key")));

  // The program has no window to change a login's address: the test writes the new one
  // into the leader's login as a move leaves it.
  const std::string moved = "moved@quillaran.test";
  ASSERT_TRUE(A.Run([&](TSession&) {
    TLoginsStorage* logins = ModelHooks().Logins;
    ASSERT_NE(logins, nullptr);
    ASSERT_NE(logins->GetCurrentLogin(), nullptr);
    logins->GetCurrentLogin()->AutomaticEMail = TStr(moved);
    ASSERT_TRUE(logins->Save());
  })) << A.LastBoxes();
  ASSERT_TRUE(A.Run([&](TSession& s) {
    ASSERT_NO_FATAL_FAILURE(SwitchPrivacy(s, "Creeks", false));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << A.LastBoxes();
  // Compose times are whole seconds: the comment falls in a later second than the switch.
  const std::time_t switchedBy = std::time(nullptr);
  while (std::time(nullptr) <= switchedBy) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(A.Run([&](TSession& s) {
    PostNotesToAll(s, "Creeks", "1", {"Проток 1 снова открыт"});
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << A.LastBoxes();
  // Both came from the new address, the switch sealed with the Key.
  TForger reader(Folder + "/reader");
  for (const char* code : {"-MDPU-", "-NB-"}) {
    const std::string message = reader.Unpacked(MailWith("movec", code), code);
    TCommandMessageHeader header;
    TBufReader bytes{std::string_view(message)};
    ASSERT_TRUE(header.Read(bytes)) << code;
    EXPECT_EQ(header.GetFieldValue("FROM_USER_EMAIL"), moved) << code;
    EXPECT_EQ(header.IsPrivateMessage(), code == std::string("-MDPU-")) << code;
  }

  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(C.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("MAKE_DISCUSSION_PUBLIC");
    s.Confirm("NEW_BLOCKS");
    s.Confirm("New blocks");
    Receive(s);
    TDiscussion* copy = s.Shown(OpenDiscussion(s, "Creeks"));
    ASSERT_NE(copy, nullptr);
    s.Tell("secret", std::to_string(copy->Info.Secret));
    s.Tell("copy", Tree(*copy));
    s.Tell("keys", std::to_string(Met(s, "KEY")));
  })) << C.LastBoxes();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(3));
  EXPECT_EQ(C.Told("secret"), "0");
  EXPECT_NE(C.Told("copy").find("Проток 1 снова открыт"), std::string::npos) << C.Told("copy");
  EXPECT_NE(C.LastBoxes().find("MAKE_DISCUSSION_PUBLIC: Discussion Протоки is public now!"), std::string::npos)
      << C.LastBoxes();
  EXPECT_EQ(C.LastBoxes().find("set aside"), std::string::npos) << C.LastBoxes();
  EXPECT_EQ(C.Told("keys"), "0");
}

// A participant's copy after the switch.
class PrivateSwitch : public ModeratingLeaderRoad {
 protected:
  PrivateSwitch() : ModeratingLeaderRoad("privsw") {}
};

// The leader makes a discussion private that a participant holds: the participant's copy
// is still the leader's, and the list of blocks it asks for afterwards says so.
TEST_F(PrivateSwitch, AParticipantsBlocksListAfterItFindsNoBlockThatDiffers) {
  Announce(A, {&B}, "Brooks", "Ручьи", {"Ручей 1", "Ручей 2"}, true);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_NO_FATAL_FAILURE(TakeModel(A, B, "Brooks"));
  ASSERT_TRUE(A.Run([&](TSession& s) {
    ASSERT_NO_FATAL_FAILURE(SwitchPrivacy(s, "Brooks", true));
    s.Tell("key", MyKey(s, OpenDiscussion(s, "Brooks")));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << A.LastBoxes();

  // B takes the switch and asks for the list of blocks.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("MAKE_DISCUSSION_PRIVATE");
    Receive(s);
    TFormBrowse& window = OpenDiscussion(s, "Brooks");
    s.Tell("key", MyKey(s, window));
    s.Script.Press("KEY PASSWORD", "ButtonOk", {{"EditValue", B.Key}});  // to seal the private request
    s.Confirm("GIVE_EXISTING_BLOCKS_LIST");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Request blocks list"}));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << B.LastBoxes();
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Script.Press("KEY", "ButtonOk", {{"EditValue", B.Told("key")}});
    s.Confirm("Existing blocks list");  // post it
    s.Script.Press("KEY PASSWORD", "ButtonOk", {{"EditValue", A.Key}});
    s.Confirm("EXISTING_BLOCKS_LIST");
    Answer(s);
  })) << A.LastBoxes();
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Script.Press("KEY", "ButtonOk", {{"EditValue", A.Told("key")}});
    s.Confirm("EXISTING_BLOCKS_LIST");
    Receive(s);
  })) << B.LastBoxes();
  EXPECT_NE(B.LastBoxes().find("EXISTING_BLOCKS_LIST: All blocks in your discussion are equal to original.\n"),
            std::string::npos)
      << B.LastBoxes();
}

}  // namespace
}  // namespace e2e
