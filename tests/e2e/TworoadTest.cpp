// Two installations hold one discussion by e-mail as their users would: each runs as its
// own process on an in-memory screen, driven through its windows, menus and dialogs, and
// the mail goes through the fixture's SMTP and POP3 servers.

#include "tests/e2e/Installation.h"
#include "tests/e2e/Roads.h"

#include "foundation/Commoncrypt.h"
#include "model/Blockrecord.h"
#include "model/Messagecomposer.h"
#include "model/Tauthor.h"
#include "tests/e2e/Forger.h"

#include "browse/Tformbrowse.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Forms.h"
#include "postoffice/Tformpost.h"
#include "postoffice/Tformretrievesendpost.h"
#include "platform/forms/Tedit.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

namespace e2e {
namespace {

TFormBrowse& OpenRivers(TSession& s) { return OpenDiscussion(s, "Rivers"); }

// The mail with its post part unpacked, one byte of the command message's blocks changed and the
// cabinet made again by an independent tool, as one who alters mail on its way would.
std::string Repacked(const std::string& folder, const std::string& mail) {
  const std::string work = folder + "/repack";
  testsupport::Run("rm -rf '" + work + "' && mkdir -p '" + work + "/x'");
  testsupport::WriteFile(work + "/in.eml", mail);
  testsupport::WriteFile(work + "/repack.py", R"(import base64, email, os, subprocess, sys
work, trailer = sys.argv[1], int(sys.argv[2])
m = email.message_from_bytes(open(work + '/in.eml', 'rb').read())
for part in m.walk():
    if part.get_filename() and '-NB-' in part.get_filename():
        open(work + '/in.cab', 'wb').write(part.get_payload(decode=True))
        subprocess.run(['cabextract', '-q', '-d', work + '/x', work + '/in.cab'], check=True)
        name = os.listdir(work + '/x')[0]
        data = bytearray(open(work + '/x/' + name, 'rb').read())
        data[len(data) - trailer - 3] ^= 1  # a byte of the last block's text, before the seal
        open(work + '/x/' + name, 'wb').write(data)
        subprocess.run(['gcab', '-c', '-z', work + '/out.cab', name], cwd=work + '/x', check=True)
        part.set_payload(base64.encodebytes(open(work + '/out.cab', 'rb').read()).decode())
open(work + '/out.eml', 'wb').write(m.as_bytes())
)");
  testsupport::RunPeer("python3 '" + work + "/repack.py' '" + work + "' " +
                       std::to_string(SealTrailerSize + SignatureBlockSize));
  return testsupport::ReadFile(work + "/out.eml");
}

// What the user reads in a field of the author dialog that `open` (a menu choice) shows.
std::string AuthorField(TSession& s, const char* field, const std::function<bool()>& open) {
  std::string text;
  s.Script.Answer("TFormAuthor", [&text, field](TCustomForm& form) {
    if (auto* edit = dynamic_cast<TEdit*>(platform::FindNamed(form, field))) text = edit->Text();
    platform::PressControl(form, "ButtonCancel");
  });
  EXPECT_TRUE(open());
  return text;
}

// The Key of the user's private messages, as the user reads it in "My data" of a discussion
// to pass it on.
std::string MyKey(TSession& s, TFormBrowse& window) {
  return AuthorField(s, "EditKey", [&] { return s.Choose(window, {"Service", "My data"}); });
}

class TwoInstallations : public TTwoInstallationsRoad {
 protected:
  TwoInstallations() : TTwoInstallationsRoad("e2ea", "e2eb") {}
};

class SendAfterPerform : public TTwoInstallationsRoad {
 protected:
  SendAfterPerform() : TTwoInstallationsRoad("senda", "sendb") {}
};

// The leader handles the request for the model with the window's own buttons (Receive,
// Perform in the Inbox, Yes, OK) and then presses only "Send": the model waiting in the
// Outbox is packed and mailed, and the reader forms its copy.
TEST_F(SendAfterPerform, TheModelAnsweredInTheInboxGoesOutWithSend) {
  Announce(A, {&B}, "Ponds", "Пруды", {"Пруд 1", "Пруд 2"});
  ASSERT_FALSE(HasFatalFailure());
  RequestModel(B);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("GIVE_MODEL");
    s.Script.Answer("TFormCommandMessageHeader",
                    [&](TCustomForm& receivers) { platform::PressControl(receivers, "ButtonOk"); });
    s.Confirm("FORM_NEW_MODEL");
    InPostOffice(s, [&s](TCustomForm& office) {
      Exchange(s, office, "Button1");
      Perform(office, "RadioButtonInbox");
      Exchange(s, office, "Button3");
    });
  })) << A.LastBoxes();
  EXPECT_NE(A.Told("exchange").find(" *** SENDING POST..."), std::string::npos) << A.Told("exchange");
  ASSERT_NO_FATAL_FAILURE(FormModelCopy(B, "Ponds"));
  EXPECT_EQ(B.Told("model"), A.Told("model"));

  // With nothing left to send, "Send" says so in one line.
  ASSERT_TRUE(A.Run([&](TSession& s) {
    InPostOffice(s, [&s](TCustomForm& office) { Exchange(s, office, "Button3"); });
  })) << A.LastBoxes();
  EXPECT_EQ(A.Told("exchange"), "Nothing to send: no post file waits in OutboxPost.\n");
}

TEST_F(TwoInstallations, TheyHoldOneDiscussionByMailFromTheAnnouncementToLargePostsAndAStartAgain) {
  // 1. A creates a discussion, writes a root and five blocks, publishes it and announces it.
  Announce(A, {&B}, "Rivers", "Северные реки", {"Река 1", "Река 2", "Река 3", "Река 4", "Река 5"});
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(A.Told("model"), "Северные реки\n1|*||\n1|1|*|Река 1\n1|2|*|Река 2\n1|3|*|Река 3\n1|4|*|Река 4\n1|5|*|Река 5\n");
  // Sent: the two parts wait in the discussion's history of sent post.
  EXPECT_EQ(testsupport::Run("ls " + A.File("Discussed/Rivers/OutboxPostHistory") + " | wc -l"), "2\n");
  EXPECT_EQ(testsupport::Run("ls " + A.File("Outbox") + " " + A.File("OutboxPost")), A.File("Outbox") + ":\n\n" + A.File("OutboxPost") + ":\n");

  // 2. B receives the announcement and asks for the discussion; A's post office answers
  // with the model; B receives it and holds the same tree, names and texts.
  TakeModel(A, B, "Rivers");
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(B.Told("model"), A.Told("model"));
  EXPECT_EQ(B.Told("dident"), A.Told("dident"));

  // 3. B asks for an author identifier and A grants it; B writes two comments and a note,
  // posts the comments and sends them; A receives them under their blocks, without the note.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    TFormBrowse& window = OpenRivers(s);
    ASSERT_NE(s.Shown(window), nullptr);
    s.Confirm("GENERATE_AUTHOR_IDENTS");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Give my identifier"}));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  }));
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Script.Press("Expert identifier request", "ButtonGenerate");
    s.Confirm("AUTHOR_IDENTS_GENERATED");
    Answer(s);
  }));
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("Author identifier");
    Receive(s);
    TFormBrowse& window = OpenRivers(s);
    ASSERT_NE(s.Shown(window), nullptr);
    const std::vector<std::pair<std::string, std::string>> notes = {
        {"1", "Река 1 течёт на север"}, {"2", "Река 2 замерзает в октябре"}, {"3", "Спросить Анну о карте"}};
    for (const auto& [block, text] : notes) {
      ASSERT_TRUE(s.OpenRow(window, block));
      s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", text}});
      ASSERT_TRUE(s.Choose(window, {"Add note"}));
      if (block != "3") {
        ASSERT_TRUE(s.ChooseInPopup(window, s.RowOf(window, text), {"Post"}));
      }
      s.Key(window, VK_BACK);
    }
    s.Confirm("NEW_BLOCKS");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Send post"}));
    s.Tell("noted", Tree(*s.Shown(window)));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  }));
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("New blocks");
    s.Confirm("NEW_BLOCKS");  // the leader passes the comments on
    Receive(s);
    TFormBrowse& window = OpenRivers(s);
    ASSERT_NE(s.Shown(window), nullptr);
    s.Tell("commented", Tree(*s.Shown(window)));
  }));
  EXPECT_EQ(A.Told("commented"), A.Told("model") + "2|1-1|1|Река 1 течёт на север\n2|1-2|2|Река 2 замерзает в октябре\n");
  // B keeps its note to itself.
  EXPECT_NE(B.Told("noted").find("|3|Спросить Анну о карте\n"), std::string::npos) << B.Told("noted");

  // A's note on block 4 goes to B as a comment. Delivered twice, it is applied once;
  // delivered with one byte altered on the server, it is refused and changes nothing.
  const auto sendNotes = [&](const std::string& block, const std::vector<std::string>& texts) {
    return [&, block, texts](TSession& s) {
      s.Confirm("AUTHORS_UPDATE");
      PostNotesToAll(s, "Rivers", block, texts);
      s.Confirm("AUTO-HANDLING");
      Send(s);
    };
  };
  ASSERT_TRUE(A.Run(sendNotes("4", {"Река 4 впадает в море"})));
  std::string mail;  // the new blocks' mail; the authors' update travels beside it
  for (const std::string& file : Waiting("e2eb"))
    if (testsupport::ReadFile(file).find("-NB-") != std::string::npos) mail = testsupport::ReadFile(file);
  ASSERT_NE(mail, "");
  // A set of parts that is refused waits, and every later receiving tells of it again.
  int waitingSets = 0;
  const auto receive = [&](const std::string& key, const std::vector<std::string>& boxes) {
    return B.Run([&](TSession& s) {
      for (const std::string& box : boxes) s.Confirm(box);
      for (int i = 0; i < waitingSets; ++i) s.Confirm("HANDLING POST FILE");
      Receive(s);
      s.Tell(key, Tree(*s.Shown(OpenRivers(s))));
    });
  };
  ASSERT_TRUE(receive("passed", {"AUTO-HANDLING", "NEW_BLOCKS", "New blocks"}));
  const std::string comment = "2|0-1|4|Река 4 впадает в море\n";
  EXPECT_NE(A.Told("sent").find(comment), std::string::npos) << A.Told("sent");
  EXPECT_NE(B.Told("passed").find(comment), std::string::npos) << B.Told("passed");
  // The same message again is refused as applied already, and set aside.
  Deliver("e2eb", mail, 1);
  ASSERT_TRUE(receive("again", {"AUTO-HANDLING", "HANDLING POST FILE"}));
  EXPECT_EQ(B.Told("again"), B.Told("passed"));
  EXPECT_NE(B.Told("boxes" + std::to_string(B.Runs())).find("was applied here before: a copy of it came again."),
            std::string::npos)
      << B.Told("boxes" + std::to_string(B.Runs()));
  // Altered and packed again around the change, the message is refused by its seal before
  // it is unpacked; no other part can mend it: its set is set aside at once, told once.
  Deliver("e2eb", Repacked(Folder, mail), 3);
  ASSERT_TRUE(receive("resealed", {"HANDLING POST FILE"}));
  EXPECT_EQ(B.Told("resealed"), B.Told("passed"));
  EXPECT_NE(B.Told("boxes" + std::to_string(B.Runs()))
                .find(" is not sealed or was altered on its way: nobody can tell who wrote it."),
            std::string::npos)
      << B.Told("boxes" + std::to_string(B.Runs()));

  // 4b. A stranger who never held the discussion writes in A's name, from an address of its
  // own and with a key pair of its own: new blocks that replace a model block's text and add
  // one, the real comment altered and signed again, a privacy switch and an authors' update
  // that moves A's address to the stranger's. Each is whole and sealed, but not signed with
  // the key B pinned for A when A's model answered B's request: B sets each aside and applies
  // nothing, and tells once, in one box, both fingerprints and what to do.
  // B reads the fingerprint of the key it pinned for A in the data of a block's author, A
  // reads its own in "My data": what the two compare by phone is the same.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    TFormBrowse& window = OpenRivers(s);
    TDiscussion* copy = s.Shown(window);
    ASSERT_NE(copy, nullptr);
    const int leader = copy->Authors.FindAuthorByADIdent(0);
    ASSERT_GE(leader, 0);
    s.Tell("leader", copy->Authors.Author(leader).EncodeAuthorDataStr().ToString());
    s.Tell("fingerprint", AuthorField(s, "EditKeyFingerprint",
                                      [&] { return s.ChooseInPopup(window, s.RowOf(window, "Река 1"), {"Author"}); }));
  }));
  ASSERT_TRUE(A.Run([&](TSession& s) {
    TFormBrowse& window = OpenRivers(s);
    ASSERT_NE(s.Shown(window), nullptr);
    s.Tell("fingerprint", AuthorField(s, "EditKeyFingerprint", [&] {
             return s.Choose(window, {"Service", "My data"});
           }));
  }));
  EXPECT_EQ(B.Told("fingerprint").size(), 24u) << B.Told("fingerprint");  // five groups of four digits
  EXPECT_EQ(B.Told("fingerprint"), A.Told("fingerprint"));
  const std::string lead = A.Told("lident"), dident = A.Told("dident"), stranger = "stranger@quillaran.test";
  const auto header = [&](const char* command) {
    return std::vector<std::pair<std::string, std::string>>{{"FROM_USER_EMAIL", stranger},
                                                            {"TO_USERS_EMAILS_CRYPTED*", B.Address()},
                                                            {"COMMAND", command},
                                                            {"PRIVATE_REQ", "0"},
                                                            {"DIDENT", dident},
                                                            {"COMPOSE_DATETIME", ComposeDateTimeText()}};
  };
  auto blocks = header("NEW_BLOCKS");
  blocks.push_back({"BLOCKSCOUNT", "2"});
  TAuthor moved;
  ASSERT_TRUE(moved.DecodeAuthorDataStr(B.Told("leader")));
  EXPECT_EQ(moved.AutomaticEMail.ToString(), A.Address());
  moved.AutomaticEMail = stranger;
  auto authors = header("AUTHORS_UPDATE");
  authors.push_back({"AUTHORS_COUNT", "1"});
  authors.push_back({"AUTHOR_DATA_1", moved.EncodeAuthorDataStr().ToString()});
  TForger forger(Folder + "/forger");
  const std::vector<std::string> forged = {
      forger.Message("F-Rivers-NB-1", lead, blocks,
                     {ModelBlockRecord("1", 1, "Подменённый текст"), ModelBlockRecord("6", 6, "Чужой блок")}),
      forger.Altered("F-Rivers-NB-2", forger.Unpacked(mail), 3),
      forger.Message("F-Rivers-MDPR-3", lead, header("MAKE_DISCUSSION_PRIVATE")),
      forger.Message("F-Rivers-AU-4", lead, authors)};
  for (size_t i = 0; i < forged.size(); ++i) Deliver("e2eb", forger.Mail(mail, forged[i]), int(10 + i));
  ASSERT_TRUE(B.Run([&](TSession& s) {
    for (int i = 0; i < waitingSets; ++i) s.Confirm("HANDLING POST FILE");
    s.Confirm("AUTO-HANDLING");
    s.Confirm("HANDLING POST FILE");  // one box for the four
    Receive(s);
    TDiscussion* copy = s.Shown(OpenRivers(s));
    ASSERT_NE(copy, nullptr);
    s.Tell("forged", Tree(*copy));
    s.Tell("secret", std::to_string(copy->Info.Secret));
    s.Tell("leader", copy->Authors.Author(copy->Authors.FindAuthorByADIdent(0)).AutomaticEMail.ToString());
  }));
  const std::string refusals = B.Told("boxes" + std::to_string(B.Runs()));
  const std::string theirs = KeyFingerprint(forger.Pair.Public);
  EXPECT_NE(refusals.find("HANDLING POST FILE: 4 files set aside:"), std::string::npos) << refusals;
  EXPECT_NE(refusals.find("but is signed with another key than the one known for them.\nKnown key: " +
                          B.Told("fingerprint") + "\nIts key:   " + theirs + "\nCompare fingerprints with "),
            std::string::npos)
      << refusals;
  size_t told = 0;
  for (size_t at = refusals.find("with the other key told of before (" + theirs + ")"); at != std::string::npos;
       at = refusals.find("with the other key told of before (" + theirs + ")", at + 1))
    ++told;
  EXPECT_EQ(told, 3u) << refusals;
  EXPECT_EQ(B.Told("forged"), B.Told("passed"));
  EXPECT_EQ(B.Told("secret"), "0");
  EXPECT_EQ(B.Told("leader"), A.Address());

  // 5. A large post: three comments, one of them near the longest text a block holds, go
  // out in parts of at most 16 kilobytes and arrive whole.
  std::vector<std::string> large;
  for (size_t size : {65000u, 20000u, 20000u}) {
    std::string text = testsupport::RandomBytes(size, uint32_t(size + large.size()));
    for (char& c : text) c = "абвгдежзийклмнопрстуфхцчшщыэюя ,."[static_cast<unsigned char>(c) % 33];
    large.push_back(text);
  }
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Script.Press("Customize", "ButtonOk", {{"EditPostPartSize", "16"}});
    ASSERT_TRUE(s.Choose(DiscussedFolder(s), {"Customize"}));
    sendNotes("5", large)(s);
  }));
  EXPECT_GE(Waiting("e2eb").size(), 4u);
  // The genuine post still applies; the refused sets still wait, told once already, so no box tells them again.
  ASSERT_TRUE(receive("large", {"AUTO-HANDLING", "NEW_BLOCKS", "New blocks"}));
  for (const std::string& text : large) EXPECT_NE(B.Told("large").find("|5|" + text + "\n"), std::string::npos);

  // One byte altered on the server is refused by the cabinet's own check.
  std::string altered = mail;
  const size_t body = altered.rfind("\n--");  // the last line of the attachment ends before it
  ASSERT_NE(body, std::string::npos);
  altered[body - 10] = altered[body - 10] == 'A' ? 'B' : 'A';
  // A post of one part is whole as it came: no later part mends it, and it goes aside at once.
  Deliver("e2eb", altered, 2);
  ASSERT_TRUE(receive("altered", {"HANDLING POST FILE"}));
  EXPECT_EQ(B.Told("altered"), B.Told("large"));
  const std::string boxes = B.Told("boxes" + std::to_string(B.Runs()));
  EXPECT_EQ(boxes.rfind("HANDLING POST FILE: 1 file set aside:", 0), 0u) << boxes;
  EXPECT_NE(boxes.find(": Can't unpack "), std::string::npos) << boxes;
  // Nothing of the part altered on the server is applied, and nothing of it waits. The
  // stranger's messages wait for a key nobody trusts.
  EXPECT_EQ(testsupport::Run("ls -p " + B.File("InboxPost") + " | grep -v / | wc -l"), "0\n");
  EXPECT_EQ(testsupport::Run("ls '" + B.File("Inbox/Set aside/Other keys") + "' | wc -l"), "4\n");

  // 6. Both sides are closed and started again: everything is still there.
  ASSERT_TRUE(A.Run([&](TSession& s) { s.Tell("restarted", Tree(*s.Shown(OpenRivers(s)))); }));
  EXPECT_EQ(A.Told("restarted"), A.Told("sent"));
  ASSERT_TRUE(B.Run([&](TSession& s) { s.Tell("restarted", Tree(*s.Shown(OpenRivers(s)))); }));
  EXPECT_EQ(B.Told("restarted"), B.Told("large"));
}

// Mailboxes of their own: the installations' mailboxes are emptied when they are made, and
// the two-installation road may run at the same time.
class ThreeInstallations : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(TMailServers::Get().SmtpPort, 0) << "the mail server fixture did not run"; }
  const std::string Folder = testsupport::ScratchFolder();
  TInstallation A{Folder + "/A", "Анна", "e2ed", "anna's key 7"};
  TInstallation B{Folder + "/B", "Борис", "e2ee", "boris's key 7"};
  TInstallation C{Folder + "/C", "Вера", "e2ec", "vera's key 77"};
};

// A moderates a discussion of its own and makes it private: from then on its blocks travel
// packed and sealed with A's Key, which A reads in its own data and passes on; A's key
// password never leaves A. B, who is told the Key, reads them and is not asked again; C,
// who is not, refuses them and applies nothing. The old privacy switch, delivered again
// after the discussion was made public, changes nothing.
TEST_F(ThreeInstallations, ALeaderModeratesItsDiscussionMakesItPrivateAndOnlyWhoKnowsTheKeyReadsIt) {
  // A may moderate: the moderation library lies in its data root.
  testsupport::Run("mkdir -p '" + A.Home + "/Library' && cp '" + std::string(QUILLARAN_BINARY_DIR) +
                   "/app/Leafguard.so' '" + A.Home + "/Library/'");
  // A creates a discussion and registers it with itself as moderator, before anybody has
  // it: the moderator gives the discussion its identifier.
  Announce(A, {&B, &C}, "Lakes", "Озёра", {"Озеро 1"}, true);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(A.Told("moderator"), "leader");
  EXPECT_NE(A.Told("boxes1").find("MODEL_REGISTRATION: \nModel: Озёра\nRegistration result: SUCCESSFUL"),
            std::string::npos)
      << A.Told("boxes1");

  // B and C ask for the discussion; A answers both with the model; each forms its copy.
  for (TInstallation* reader : {&B, &C}) {
    RequestModel(*reader);
    ASSERT_FALSE(HasFatalFailure());
  }
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("GIVE_MODEL");
    s.Script.Answer("TFormCommandMessageHeader", [&](TCustomForm& receivers) {
      platform::PressControl(receivers, "ButtonOk");  // B and C, who asked, are checked
    });
    s.Confirm("FORM_NEW_MODEL");  // one message to both
    Answer(s);
  })) << A.Told("boxes2");
  for (TInstallation* reader : {&B, &C}) {
    ASSERT_TRUE(reader->Run([&](TSession& s) {
      s.Confirm("AUTO-HANDLING");
      s.Script.Press("Forming new model", "ButtonOk", {{"EditValue", "Lakes"}});
      s.Confirm("FORM_NEW_MODEL");
      s.Confirm("MODEL IS CREATED");
      Receive(s);
      TDiscussion* copy = s.Shown(OpenDiscussion(s, "Lakes"));
      ASSERT_NE(copy, nullptr);
      s.Tell("model", Tree(*copy));
      s.Tell("dident", copy->Info.DIdent.ToString() + (copy->Info.IsModerated() ? " moderated" : ""));
    })) << reader->Told("boxes2");
    EXPECT_EQ(reader->Told("model"), A.Told("model"));
    EXPECT_EQ(reader->Told("dident"), A.Told("dident") + " moderated");
  }

  // A, moderating, makes the discussion private in the moderation listing, then posts a
  // comment on block 1 to all.
  ASSERT_TRUE(A.Run([&](TSession& s) {
    ASSERT_NO_FATAL_FAILURE(SwitchPrivacy(s, "Lakes", true));
    TFormBrowse& lakes = OpenDiscussion(s, "Lakes");
    ASSERT_NE(s.Shown(lakes), nullptr);
    s.Tell("secret", std::to_string(s.Shown(lakes)->Info.Secret));
    s.Tell("key", MyKey(s, lakes));
    ASSERT_TRUE(s.OpenRow(lakes, "1"));
    s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "Озеро 1 глубокое"}});
    ASSERT_TRUE(s.Choose(lakes, {"Add note"}));
    ASSERT_TRUE(s.ChooseInPopup(lakes, s.RowOf(lakes, "Озеро 1 глубокое"), {"Post"}));
    s.Key(lakes, VK_BACK);
    s.Confirm("SENDING POST");  // the note becomes a comment
    s.Confirm("NEW_BLOCKS");
    ASSERT_TRUE(s.Choose(lakes, {"Service", "Form post command", "Send post (to all)"}));
    s.Tell("sent", Tree(*s.Shown(lakes)));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << A.Told("boxes3");
  EXPECT_EQ(A.Told("secret"), "1");
  const std::string aKey = A.Told("key");
  EXPECT_EQ(aKey.size(), 24u);
  EXPECT_NE(aKey, A.Key);
  std::string privacySwitch;  // kept to be delivered again later
  for (const std::string& file : Waiting("e2ee"))
    if (testsupport::ReadFile(file).find("-MDPR-") != std::string::npos) privacySwitch = testsupport::ReadFile(file);
  ASSERT_NE(privacySwitch, "");
  // Compose times are whole seconds, and a switch composed in the same second as the last one
  // applied is not ordered before it; the test's later switch must fall in a later second.
  const std::time_t privateComposedBy = std::time(nullptr);
  const std::string comment = "2|0-1|1|Озеро 1 глубокое\n";
  EXPECT_NE(A.Told("sent").find(comment), std::string::npos) << A.Told("sent");

  // B, not told A's Key yet, cancels its question: nothing of the comment is applied, and it
  // waits in the Inbox for the next run, told in one box. Told the Key, B's next run asks
  // again and reads the comment.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("MAKE_DISCUSSION_PRIVATE");
    s.Script.Answer("KEY", [&](TCustomForm& form) {
      const auto* label = dynamic_cast<TControl*>(platform::FindNamed(form, "LabelPrompt"));
      s.Tell("question", label ? label->Caption() : "");
      platform::PressControl(form, "ButtonCancel");
    });
    s.Confirm("HANDLING POST FILE");
    Receive(s);
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("question"), "Key of " + A.Address() +
                                    ", for the NEW_BLOCKS message of discussion Озёра. OK with no Key sets the message "
                                    "aside; Cancel leaves it for the next run:");
  EXPECT_NE(B.LastBoxes().find(" for the next run, which asks for the Key of its sender again:\n"), std::string::npos)
      << B.LastBoxes();
  EXPECT_NE(B.LastBoxes().find(": you cancelled its Key question"), std::string::npos) << B.LastBoxes();
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Script.Press("KEY", "ButtonOk", {{"EditValue", aKey}});
    s.Confirm("NEW_BLOCKS");
    s.Confirm("New blocks");
    Receive(s);
    TDiscussion* copy = s.Shown(OpenDiscussion(s, "Lakes"));
    ASSERT_NE(copy, nullptr);
    s.Tell("secret", std::to_string(copy->Info.Secret));
    s.Tell("read", Tree(*copy));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("secret"), "1");
  EXPECT_EQ(B.Told("read"), A.Told("model") + comment);

  // C is not, and sets the message aside at its Key question (OK with no Key): nothing of
  // it is applied, and the box says so.
  ASSERT_TRUE(C.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("MAKE_DISCUSSION_PRIVATE");
    s.Script.Press("KEY", "ButtonOk", {{"EditValue", ""}});
    s.Confirm("HANDLING POST FILE");
    Receive(s);
    TDiscussion* copy = s.Shown(OpenDiscussion(s, "Lakes"));
    ASSERT_NE(copy, nullptr);
    s.Tell("refused", Tree(*copy));
  })) << C.Told("boxes3");
  EXPECT_EQ(C.Told("refused"), C.Told("model"));
  EXPECT_NE(C.Told("boxes3").find(" from " + A.Address() +
                                  " is sealed with a Key, and you set it aside at its Key question: nothing of it was "
                                  "read or applied."),
            std::string::npos)
      << C.Told("boxes3");

  // In the moderated, now private discussion B asks for an author identifier; A, told B's
  // Key, lets its moderation library give it, and B's record takes it.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    TFormBrowse& window = OpenDiscussion(s, "Lakes");
    ASSERT_NE(s.Shown(window), nullptr);
    s.Tell("key", MyKey(s, window));
    s.Confirm("GENERATE_AUTHOR_IDENTS");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Give my identifier"}));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << B.LastBoxes();
  // A's moderation library is missing for one run: A, which moderates the discussion,
  // keeps the request and says so; nothing is set aside. With the library back, the next
  // run answers it.
  const std::string library = A.Home + "/Library/Leafguard.so";
  testsupport::Run("mv '" + library + "' '" + library + ".away'");
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("HANDLING POST FILE");
    Receive(s);
  })) << A.Told("boxes4");
  EXPECT_NE(A.Told("boxes4").find("HANDLING POST FILE: The author identifier request "), std::string::npos)
      << A.Told("boxes4");
  EXPECT_EQ(A.Told("boxes4").find("set aside"), std::string::npos) << A.Told("boxes4");
  EXPECT_EQ(testsupport::Run("ls " + A.File("Inbox") + " | grep -c GAI"), "1\n");
  testsupport::Run("mv '" + library + ".away' '" + library + "'");
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Script.Press("KEY", "ButtonOk", {{"EditValue", B.Told("key")}});
    s.Confirm("AUTHOR_IDENTS_GENERATED");
    InPostOffice(s, [&s](TCustomForm& office) {
      Perform(office, "RadioButtonInbox");
      Exchange(s, office, "Button3");
    });
  })) << A.Told("boxes5");
  std::string forB;  // A's answer to B alone
  for (const std::string& file : Waiting("e2ee"))
    if (testsupport::ReadFile(file).find("-AIG-") != std::string::npos) forB = testsupport::ReadFile(file);
  ASSERT_NE(forB, "");
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");  // A's Key is kept: not asked again
    s.Confirm("Author identifier");
    Receive(s);
    TDiscussion* copy = s.Shown(OpenDiscussion(s, "Lakes"));
    ASSERT_NE(copy, nullptr);
    const int me = copy->Authors.FindAuthorByLIdent(CurrentModelLogin().LIdent);
    s.Tell("adident", me < 0 ? "none" : std::to_string(copy->Authors.Author(me).ADIdent));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("adident"), "2");
  // The same answer delivered to C, whom it does not name, is refused there before anything
  // of it is read: it is for B. A's private post set aside before is not asked about again.
  Deliver("e2ec", forB, 30);
  ASSERT_TRUE(C.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("HANDLING POST FILE");
    Receive(s);
  })) << C.LastBoxes();
  EXPECT_NE(C.LastBoxes().find(" is addressed to " + B.Address() + ", not to you (" + C.Address() + ")"),
            std::string::npos)
      << C.LastBoxes();

  // A makes the discussion public again; B, who keeps A's Key, takes the change.
  while (std::time(nullptr) <= privateComposedBy) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(A.Run([&](TSession& s) {
    ASSERT_NO_FATAL_FAILURE(SwitchPrivacy(s, "Lakes", false));
    s.Confirm("AUTO-HANDLING");
    InPostOffice(s, [&](TCustomForm& office) {
      Perform(office, "RadioButtonOutbox");
      Exchange(s, office, "Button3");
    });
    s.Tell("secret", std::to_string(s.Shown(OpenDiscussion(s, "Lakes"))->Info.Secret));
  })) << A.Told("boxes6");
  EXPECT_EQ(A.Told("secret"), "0");
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("MAKE_DISCUSSION_PUBLIC");
    Receive(s);
    s.Tell("secret", std::to_string(s.Shown(OpenDiscussion(s, "Lakes"))->Info.Secret));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("secret"), "0");
  EXPECT_NE(B.LastBoxes().find("is public now!"), std::string::npos) << B.LastBoxes();

  // The old switch to private, validly sealed and signed by A, is delivered to B again: it
  // was applied once, and it is refused and set aside; the discussion stays public.
  Deliver("e2ee", privacySwitch, 20);
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("HANDLING POST FILE");
    Receive(s);
    s.Tell("secret", std::to_string(s.Shown(OpenDiscussion(s, "Lakes"))->Info.Secret));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("secret"), "0");
  EXPECT_NE(B.LastBoxes().find("was applied here before: a copy of it came again."), std::string::npos)
      << B.LastBoxes();

  // B's record of applied post is cut: its previous copy is taken instead, and the user told
  // which file. Then both copies are lost: the discussion itself keeps the time of the last
  // switch, and the old one is still refused. The discussion stays public throughout.
  const std::string record = B.File("AppliedPost.cbs");
  ASSERT_EQ(testsupport::Run("test -f '" + record + "' && test -f '" + record + ".old' && echo both"), "both\n");
  testsupport::Run("truncate -s 20 '" + record + "'");
  // The old switch delivered again; B receives it, and tells whether the discussion is secret.
  const auto offerAgain = [&](int copy, bool told) {
    Deliver("e2ee", privacySwitch, copy);
    ASSERT_TRUE(B.Run([&](TSession& s) {
      if (told) s.Confirm("LOADING APPLIED POST");
      s.Confirm("AUTO-HANDLING");
      s.Confirm("HANDLING POST FILE");
      Receive(s);
      s.Tell("secret", std::to_string(s.Shown(OpenDiscussion(s, "Lakes"))->Info.Secret));
    })) << B.LastBoxes();
    EXPECT_EQ(B.Told("secret"), "0");
  };
  offerAgain(21, true);
  EXPECT_NE(B.LastBoxes().find("LOADING APPLIED POST: The record of applied post " + record +
                               " could not be read: it is damaged.\nIts previous copy " + record + ".old was loaded"),
            std::string::npos)
      << B.LastBoxes();
  testsupport::Run("rm -f '" + record + "' '" + record + ".old'");
  offerAgain(22, false);
  EXPECT_NE(B.LastBoxes().find("before the last change of its kind applied to the discussion"), std::string::npos)
      << B.LastBoxes();
}

}  // namespace
}  // namespace e2e
