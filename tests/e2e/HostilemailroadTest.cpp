// Mail made to stop the post office, delivered through the real mail servers ahead of a
// participant's genuine comment: a post part whose name grows past what the file system
// takes once it is written in UTF-8, and a mail of 60 MB of empty lines received with
// 1 GiB of address space to spare. Each is dealt with in the run that meets it, and the
// comment behind it is applied in that same run.

#include "foundation/Fileroutines.h"
#include "net/Tnetcoder.h"
#include "net/Tnetcoder3to4.h"
#include "platform/kernel/Fileapi.h"
#include "tests/e2e/Forger.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/Roads.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>

namespace e2e {
namespace {

class HostileMail : public TTwoInstallationsRoad {
 protected:
  HostileMail() : TTwoInstallationsRoad("hostilea", "hostileb") {}
};

// Placed in the mailbox so that the server lists it before the mail that came by SMTP
// (named by the time it came).
void DeliverFirst(const std::string& mailbox, const std::string& name, const std::string& mail) {
  testsupport::WriteFile(TMailServers::Get().MailRoot + "/" + mailbox + "/Maildir/new/1." + name + ".quillaran", mail);
}

std::string Base64(const std::string& bytes) { return EncodeString<TNetEncoderMIME>(bytes); }

std::string Header(const std::string& to, const std::string& extra) {
  return "From: stranger@quillaran.test\nTo: " + to + "\nSubject: Quillaran### 1/1\nMIME-Version: 1.0\n" + extra + "\n";
}

// A value of this process's /proc status in bytes ("VmHWM", "VmRSS", "VmSize").
long long StatusBytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field + ":", 0) == 0) return std::stoll(line.substr(field.size() + 1)) * 1024;
  return -1;
}

// The comment A writes on block 1 and sends to B.
void Comment(TInstallation& a, const std::string& text) {
  ASSERT_TRUE(a.Run([&](TSession& s) {
    PostNotesToAll(s, "Hills", "1", {text});
    s.Confirm("AUTO-HANDLING");
    Send(s);
  }));
}

TEST_F(HostileMail, APartNameTooLongOnDiskAndAMailOfEmptyLinesStopNothingBehindThem) {
  Announce(A, {&B}, "Hills", "Холмы", {"Холм 1"});
  ASSERT_FALSE(HasFatalFailure());
  TakeModel(A, B, "Hills");
  ASSERT_FALSE(HasFatalFailure());

  // 1. A post part named with 150 Cyrillic letters: 154 characters, but 304 bytes in
  // UTF-8, and more as it is saved under a hidden name first.
  Comment(A, "Холм 1 зарос лесом");
  ASSERT_FALSE(HasFatalFailure());
  const std::string longName = std::string(150, '\xE6') + ".1_1";  // "жжж...ж.1_1" in the code page
  DeliverFirst(B.Mailbox, "longname",
               Header(B.Address(), "Content-Type: multipart/mixed; boundary=\"cut\"\n") +
                   "--cut\nContent-Type: application/octet-stream; name=\"=?windows-1251?B?" + Base64(longName) +
                   "?=\"\nContent-Transfer-Encoding: base64\nContent-Disposition: attachment; "
                   "filename=\"=?windows-1251?B?" +
                   Base64(longName) + "?=\"\n\n" + Base64("no cabinet at all, only a name") + "\n--cut--\n");
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("NEW_BLOCKS");
    s.Confirm("New blocks");
    s.Confirm("HANDLING POST FILE");  // the junk under the cut name does not unpack: set aside
    Receive(s);
    s.Tell("commented", Tree(*s.Shown(OpenDiscussion(s, "Hills"))));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("commented"), B.Told("model") + "2|0-1|1|Холм 1 зарос лесом\n") << B.Told("exchange");
  const std::string exchange = B.Told("exchange");
  // The hostile mail came first; its part's name was cut to fit, before its postfix.
  EXPECT_LT(exchange.find("Decoding " + std::string(98, '\xE6') + ".1_1 to"), exchange.find("Message #2 receiving"))
      << exchange;
  const std::string log = testsupport::ReadFile(B.File("errors.log"));
  EXPECT_NE(log.find(": Can't unpack "), std::string::npos) << log;
  EXPECT_EQ(testsupport::Run("ls '" + B.File("InboxPost") + "'"), "Set aside\n");
  EXPECT_EQ(Waiting(B.Mailbox).size(), 0u);

  // 2. A mail of 60 MB of empty lines, within the size bound of 64 MiB, received with 1 GiB
  // of address space above what the program holds.
  Comment(A, "Холм 1 виден с реки");
  ASSERT_FALSE(HasFatalFailure());
  constexpr long long mailBytes = 60'000'000;  // on the wire: each line ends in CR LF
  DeliverFirst(B.Mailbox, "emptylines", Header(B.Address(), "") + std::string(mailBytes / 2, '\n'));
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("NEW_BLOCKS");
    s.Confirm("New blocks");
#if !defined(__SANITIZE_ADDRESS__)
    // The sanitizer reserves its shadow memory as address space at start: no limit then.
    const rlim_t limit = rlim_t(StatusBytes("VmSize")) + (rlim_t(1) << 30);
    const rlimit space{limit, limit};
    ASSERT_EQ(setrlimit(RLIMIT_AS, &space), 0);
#endif
    testsupport::WriteFile("/proc/self/clear_refs", "5");  // the peak starts from here
    const long long before = StatusBytes("VmRSS");
    Receive(s);
    s.Tell("grown", std::to_string(StatusBytes("VmHWM") - before));
    s.Tell("commented", Tree(*s.Shown(OpenDiscussion(s, "Hills"))));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("commented"), B.Told("model") + "2|0-1|1|Холм 1 зарос лесом\n2|0-2|1|Холм 1 виден с реки\n")
      << B.Told("exchange");
  EXPECT_EQ(B.Told("exchange").find("fault is on this computer"), std::string::npos) << B.Told("exchange");
  EXPECT_EQ(Waiting(B.Mailbox).size(), 0u);
  const long long grown = std::stoll(B.Told("grown"));
  std::printf("[ figures ] receiving a mail of %lld bytes of empty lines: peak resident size grew by %lld bytes\n",
              mailBytes, grown);
#if !defined(__SANITIZE_ADDRESS__)
  // The sanitizer keeps freed memory aside for a while: its figure is no bound.
  EXPECT_LE(grown, 4 * mailBytes);
#endif
}

class TakenNames : public TTwoInstallationsRoad {
 protected:
  TakenNames() : TTwoInstallationsRoad("namesa", "namesb") {}
};

// A stranger's mail to `to` of `count` attachments named `name` ("{}" in it is the
// attachment's number): each 64 random bytes, or with `message` one cabinet of that message
// file, made by an independent tool. The mail's file.
std::string FloodMail(const std::string& work, const std::string& to, const std::string& name, int count,
                      const std::string& message = "") {
  testsupport::WriteFile(work + "/flood.py", R"(import email.message, os, subprocess, sys
work, to, name, count, message = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5]
data = None
if message:
    subprocess.run(['gcab', '-c', '-z', work + '/flood.cab', os.path.basename(message)],
                   cwd=os.path.dirname(message), check=True)
    data = open(work + '/flood.cab', 'rb').read()
m = email.message.EmailMessage()
m['Subject'] = 'Quillaran### ' + name; m['From'] = 'stranger@quillaran.test'; m['To'] = to
m.set_content('Quillaran###')
for i in range(1, count + 1):
    m.add_attachment(data or os.urandom(64), maintype='application', subtype='octet-stream',
                     filename=name.replace('{}', str(i)))
open(work + '/flood.eml', 'wb').write(m.as_bytes())
)");
  testsupport::RunPeer("python3 '" + work + "/flood.py' '" + work + "' '" + to + "' '" + name + "' " +
                       std::to_string(count) + " '" + (message.empty() ? "" : platform::SystemPath(message)) + "'");
  return testsupport::ReadFile(work + "/flood.eml");
}

// Two posts hold a message under the same name of 255 bytes on the disk, two more one of 127
// Cyrillic letters (254 bytes), ahead of a participant's genuine comment. The second of
// each takes a name that fits beside the first, the four are set aside, and the comment is
// applied in the same run.
TEST_F(TakenNames, MessagesOfOneLongNameTwiceStopNothingBehindThem) {
  Announce(A, {&B}, "Hills", "Холмы", {"Холм 1"});
  ASSERT_FALSE(HasFatalFailure());
  TakeModel(A, B, "Hills");
  ASSERT_FALSE(HasFatalFailure());
  Comment(A, "Холм 1 осыпается");
  ASSERT_FALSE(HasFatalFailure());

  TForger stranger(Folder + "/stranger");
  const std::string latin(255, 'q'), cyrillic(127, '\xE6');  // "жжж...ж" in the code page
  int post = 0;
  for (const std::string& name : {latin, cyrillic})
    for (const char* second : {"00", "01"}) {
      const std::string message = stranger.Message(name, "STRANGER-1",
                                                   {{"FROM_USER_EMAIL", "stranger@quillaran.test"},
                                                    {"TO_USERS_EMAILS_CRYPTED*", B.Address()},
                                                    {"COMMAND", "BOGUS_COMMAND"},
                                                    {"COMPOSE_DATETIME", std::string("01/02/2020 10:00:") + second}});
      ++post;
      DeliverFirst(B.Mailbox, "taken" + std::to_string(post),
                   FloodMail(Folder + "/stranger", B.Address(), "QS-" + std::to_string(post) + ".1_1", 1, message));
      DeleteFileA(message.c_str());  // the next of that name is made anew
    }
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("NEW_BLOCKS");
    s.Confirm("New blocks");
    s.Confirm("HANDLING POST FILE");  // the four messages are set aside
    Receive(s);
    s.Tell("commented", Tree(*s.Shown(OpenDiscussion(s, "Hills"))));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("commented"), B.Told("model") + "2|0-1|1|Холм 1 осыпается\n") << B.Told("exchange");
  EXPECT_NE(B.LastBoxes().find("HANDLING POST FILE: 4 files set aside:"), std::string::npos) << B.LastBoxes();
  // Each second copy took a name that fits: its base cut by a character before its mark.
  // The parts the messages came in lie beside them.
  EXPECT_EQ(testsupport::Run("LC_ALL=C ls '" + B.File("Inbox/Set aside") + "'"),
            "QS-1.1_1\nQS-2.1_1\nQS-3.1_1\nQS-4.1_1\n" + std::string(253, 'q') + "#2\n" + latin + "\n" +
                platform::SystemPath(std::string(126, '\xE6') + "#2") + "\n" + platform::SystemPath(cyrillic) + "\n");
  EXPECT_EQ(Waiting(B.Mailbox).size(), 0u);
}

class Floods : public TTwoInstallationsRoad {
 protected:
  Floods() : TTwoInstallationsRoad("floodsa", "floodsb") {}
};

// A stranger who foretells the names of the leader's next post mails ahead of it 1000 junk
// attachments of 64 bytes under its part's name and 300 one-part posts whose sealed
// message bears its message's name. The participant's program keeps the leader's post
// beside them, deletes its mail only once it is kept, and applies the comment in the run it
// arrives; the stranger's files go aside.
TEST_F(Floods, ThousandsOfCopiesUnderTheLeadersNextNamesCostItsPostNothing) {
  Announce(A, {&B}, "Hills", "Холмы", {"Холм 1"});
  ASSERT_FALSE(HasFatalFailure());
  TakeModel(A, B, "Hills");
  ASSERT_FALSE(HasFatalFailure());
  Comment(A, "Холм 1 под снегом");
  ASSERT_FALSE(HasFatalFailure());
  // The names the stranger foretells: the post's part, "<message>.1_1", is its subject's
  // first word.
  const std::vector<std::string> waiting = Waiting(B.Mailbox);
  ASSERT_EQ(waiting.size(), 1u);
  const std::string mail = testsupport::ReadFile(waiting[0]);
  const size_t subject = mail.find("Subject: Quillaran### ");
  ASSERT_NE(subject, std::string::npos);
  const size_t start = subject + std::string("Subject: Quillaran### ").size();
  const std::string part = mail.substr(start, mail.find_first_of(" \r\n", start) - start);
  ASSERT_EQ(part.substr(part.size() - 4), ".1_1") << part;
  const std::string message = part.substr(0, part.size() - 4);

  TForger stranger(Folder + "/stranger");
  const std::string forged = stranger.Message(message, "STRANGER-1",
                                              {{"FROM_USER_EMAIL", "stranger@quillaran.test"},
                                               {"TO_USERS_EMAILS_CRYPTED*", B.Address()},
                                               {"COMMAND", "BOGUS_COMMAND"},
                                               {"COMPOSE_DATETIME", "01/02/2020 10:00:00"}});
  DeliverFirst(B.Mailbox, "junk", FloodMail(Folder + "/stranger", B.Address(), part, 1000));
  // Posts beyond the counted names of the message; the postoffice tests send 1000.
  DeliverFirst(B.Mailbox, "posts", FloodMail(Folder + "/stranger", B.Address(), "QS-{}.1_1", 300, forged));
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("HANDLING POST FILE");  // the junk parts are set aside
    s.Confirm("NEW_BLOCKS");
    s.Confirm("New blocks");
    s.Confirm("HANDLING POST FILE");  // the stranger's messages are set aside
    Receive(s);
    s.Tell("commented", Tree(*s.Shown(OpenDiscussion(s, "Hills"))));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("commented"), B.Told("model") + "2|0-1|1|Холм 1 под снегом\n") << B.LastBoxes();
  EXPECT_EQ(Waiting(B.Mailbox).size(), 0u);
  const std::string log = testsupport::ReadFile(B.File("errors.log"));
  EXPECT_EQ(log.find("REFUSED MAIL"), std::string::npos);
  EXPECT_EQ(log.find("nothing of it was applied"), std::string::npos);
}

class Joining : public TTwoInstallationsRoad {
 protected:
  Joining(const std::string& mailbox, const std::string& other) : TTwoInstallationsRoad(mailbox, other) {}

  // A's comment on block 1, sent in parts of 1 KB; the part names, in order, and the mails
  // waiting for B, one a part.
  void CommentInParts(const std::string& text, size_t parts) {
    ASSERT_TRUE(A.Run([&](TSession& s) {
      s.Script.Press("Customize", "ButtonOk", {{"EditPostPartSize", "1"}});
      ASSERT_TRUE(s.Choose(DiscussedFolder(s), {"Customize"}));
      PostNotesToAll(s, "Hills", "1", {text});
      s.Confirm("AUTO-HANDLING");
      Send(s);
    }));
    Mails = Waiting(B.Mailbox);
    Parts.clear();
    for (const std::string& mail : Mails) Parts.push_back(PartOf(testsupport::ReadFile(mail)));
    std::sort(Parts.begin(), Parts.end());
    ASSERT_EQ(Parts.size(), parts);
    std::sort(Mails.begin(), Mails.end(), [](const std::string& a, const std::string& b) {
      return PartOf(testsupport::ReadFile(a)) < PartOf(testsupport::ReadFile(b));
    });
    Message = Parts[0].substr(0, Parts[0].rfind('.'));
  }

  // The post part a mail of the program carries: its subject's first word.
  static std::string PartOf(const std::string& mail) {
    const std::string head = "Subject: Quillaran### ";
    const size_t start = mail.find(head) + head.size();
    return mail.substr(start, mail.find_first_of(" \r\n", start) - start);
  }

  // A stranger's mail of these attachments (name, bytes).
  std::string StrangersMail(const std::vector<std::pair<std::string, std::string>>& files) {
    const std::string work = Folder + "/stranger";
    CreateFolder(work);
    std::string list;
    for (size_t i = 0; i < files.size(); ++i) {
      testsupport::WriteFile(work + "/file" + std::to_string(i), files[i].second);
      list += " '" + files[i].first + "' '" + work + "/file" + std::to_string(i) + "'";
    }
    testsupport::WriteFile(work + "/files.py", R"(import email.message, sys
m = email.message.EmailMessage()
m['Subject'] = 'Quillaran### ' + sys.argv[3]; m['From'] = 'stranger@quillaran.test'; m['To'] = sys.argv[2]
m.set_content('Quillaran###')
for name, path in zip(sys.argv[3::2], sys.argv[4::2]):
    m.add_attachment(open(path, 'rb').read(), maintype='application', subtype='octet-stream', filename=name)
open(sys.argv[1], 'wb').write(m.as_bytes())
)");
    testsupport::RunPeer("python3 '" + work + "/files.py' '" + work + "/files.eml' '" + B.Address() + "'" + list);
    return testsupport::ReadFile(work + "/files.eml");
  }

  // A cabinet of a stranger's sealed message of that name, made by an independent tool.
  std::string StrangersCabinet(const std::string& name) {
    TForger stranger(Folder + "/forger");
    const std::string message = stranger.Message(name, "STRANGER-1",
                                                 {{"FROM_USER_EMAIL", "stranger@quillaran.test"},
                                                  {"TO_USERS_EMAILS_CRYPTED*", B.Address()},
                                                  {"COMMAND", "BOGUS_COMMAND"},
                                                  {"COMPOSE_DATETIME", "01/02/2020 10:00:00"}});
    const std::string folder = platform::SystemPath(message.substr(0, message.rfind('/')));
    testsupport::RunPeer("cd '" + folder + "' && gcab -c -z stranger.cab '" + name + "'");
    const std::string cabinet = testsupport::ReadFile(folder + "/stranger.cab");
    DeleteFileA(message.c_str());
    return cabinet;
  }

  // B receives and handles what came within the watchdog's time, answering boxes of these
  // captions, and tells "commented" (the discussion's tree) when `look`.
  void ReceiveWithin(const std::vector<std::string>& boxes, bool look = true,
                     std::chrono::minutes watchdog = std::chrono::minutes(2)) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(B.Run([&](TSession& s) {
      for (const std::string& caption : boxes) s.Confirm(caption);
      Receive(s);
      if (look) s.Tell("commented", Tree(*s.Shown(OpenDiscussion(s, "Hills"))));
    })) << B.LastBoxes();
    EXPECT_LT(std::chrono::steady_clock::now() - start, watchdog);
  }

  void Start() {
    Announce(A, {&B}, "Hills", "Холмы", {"Холм 1"});
    ASSERT_FALSE(HasFatalFailure());
    TakeModel(A, B, "Hills");
  }

  std::vector<std::string> Mails, Parts;
  std::string Message;
};

class JunkParts : public Joining {
 protected:
  JunkParts() : Joining("junka", "junkb") {}
};
class WholeSets : public Joining {
 protected:
  WholeSets() : Joining("wholea", "wholeb") {}
};
class NamedMessages : public Joining {
 protected:
  NamedMessages() : Joining("nameda", "namedb") {}
};

// A comment of letters, about 4 KB of them sent in 4 parts of 1 KB.
std::string LongComment(uint32_t seed, size_t length = 4300) {
  std::string text = testsupport::RandomBytes(length, seed);
  for (char& c : text) c = "абвгдежзийклмнопрстуфхцчшщыэюя ,."[static_cast<unsigned char>(c) % 33];
  return text;
}

// A stranger's mail of 19 files under the leader's next part names ahead of its post of 4
// parts: a "part 1" whose cabinet header agrees with 16 different last parts, a second
// and a third part. Not one choice of the junk is tried: the genuine post is applied in
// the run it arrives, the junk waits as the set it makes, and no file is blamed.
TEST_F(JunkParts, NineteenJunkFilesUnderThePartNamesCostTheGenuinePostNothing) {
  Start();
  ASSERT_FALSE(HasFatalFailure());
  const std::string text = LongComment(7);
  CommentInParts(text, 4);
  ASSERT_FALSE(HasFatalFailure());
  std::string first = testsupport::RandomBytes(1000, 8);
  first.replace(0, 36, std::string(36, '\0'));
  first.replace(0, 4, "MSCF");
  const uint32_t total = 3 * 1000 + 64;
  for (int i = 0; i < 4; ++i) first[8 + i] = char(total >> (8 * i));
  first[25] = 1;
  first[26] = 1;
  std::vector<std::pair<std::string, std::string>> junk = {
      {Parts[0], first}, {Parts[1], testsupport::RandomBytes(1000, 9)}, {Parts[2], testsupport::RandomBytes(1000, 10)}};
  for (uint32_t k = 0; k < 16; ++k) junk.push_back({Parts[3], testsupport::RandomBytes(64, 20 + k)});
  DeliverFirst(B.Mailbox, "junk", StrangersMail(junk));

  // The junk waits as a set.
  ReceiveWithin({"AUTO-HANDLING", "HANDLING POST FILE", "NEW_BLOCKS", "New blocks"});
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(B.Told("commented"), B.Told("model") + "2|0-1|1|" + text + "\n") << B.LastBoxes();
  EXPECT_NE(B.LastBoxes().find("HANDLING POST FILE: 19 file(s) under the names of " + Message +
                               ".cab that no post that came links, so nobody can tell whose they are: "),
            std::string::npos)
      << B.LastBoxes();
  EXPECT_EQ(B.LastBoxes().find("Can't unpack"), std::string::npos) << B.LastBoxes();
  // The genuine parts went into the discussion's history, the 19 files wait.
  EXPECT_EQ(testsupport::Run("cd '" + B.Home + "' && find . -path '*InboxPostHistory/" + Message + "*' | wc -l"),
            "4\n");
  EXPECT_EQ(testsupport::Run("ls '" + B.File("InboxPost") + "' | wc -l"), "19\n");
  const std::string log = testsupport::ReadFile(B.File("errors.log"));
  EXPECT_EQ(log.find("not sealed or was altered"), std::string::npos) << log;
  EXPECT_EQ(log.find("SET ASIDE"), std::string::npos) << log;
}

// A stranger's whole set under the leader's part names comes in the run where only the
// genuine first part came; the other genuine parts come a run later. The stranger's
// message is refused with its own parts; the genuine first part, no copy of the
// stranger's, waits for its set, and the comment is applied with no genuine part set aside.
TEST_F(WholeSets, AStrangersWholeSetTakesNothingOfTheGenuinePartThatCameWithIt) {
  Start();
  ASSERT_FALSE(HasFatalFailure());
  const std::string text = LongComment(11);
  CommentInParts(text, 4);
  ASSERT_FALSE(HasFatalFailure());
  std::vector<std::string> later;
  for (size_t i = 1; i < Mails.size(); ++i) {
    later.push_back(testsupport::ReadFile(Mails[i]));
    DeleteFileA(Mails[i].c_str());
  }
  const std::string cabinet = StrangersCabinet(Message);
  const size_t part = (cabinet.size() + 3) / 4;
  std::vector<std::pair<std::string, std::string>> set;
  for (size_t i = 0; i < 4; ++i) set.push_back({Parts[i], cabinet.substr(i * part, part)});
  DeliverFirst(B.Mailbox, "set", StrangersMail(set));

  // The genuine first part waits for its set; the stranger's message is set aside.
  ReceiveWithin({"AUTO-HANDLING", "HANDLING POST FILE", "HANDLING POST FILE"}, false);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_NE(B.LastBoxes().find("HANDLING POST FILE: Not enough message parts!\n" + Message + ".cab linked by " +
                               Message + "#2.1_4 lacks part(s) 2,3,4"),
            std::string::npos)
      << B.LastBoxes();
  EXPECT_NE(
      B.LastBoxes().find("HANDLING POST FILE: 1 file set aside:\n" + Message + ": Unknown command (BOGUS_COMMAND)"),
      std::string::npos)
      << B.LastBoxes();
  // The stranger's parts lie beside its message; the genuine part waits.
  EXPECT_EQ(testsupport::Run("ls '" + B.File("Inbox/Set aside") + "' | wc -l"), "5\n");
  EXPECT_EQ(testsupport::Run("ls '" + B.File("InboxPost") + "'"), Message + "#2.1_4\n");

  for (size_t i = 0; i < later.size(); ++i) Deliver(B.Mailbox, later[i], int(i) + 1);
  ReceiveWithin({"AUTO-HANDLING", "NEW_BLOCKS", "New blocks"});
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(B.Told("commented"), B.Told("model") + "2|0-1|1|" + text + "\n") << B.LastBoxes();
  EXPECT_EQ(testsupport::Run("cd '" + B.Home + "' && find . -path '*InboxPostHistory/" + Message + "*' | wc -l"),
            "4\n");
  EXPECT_EQ(testsupport::Run("ls -A '" + B.File("InboxPost") + "'"), "");
  EXPECT_EQ(testsupport::Run("ls '" + B.File("Inbox/Set aside") + "' | wc -l"), "5\n");
  EXPECT_FALSE(IsDirExists(B.File("InboxPost/Set aside")));
}

// A stranger's post whose message bears the name of the leader's next message came first
// and holds that name in the Inbox; the leader's post takes another. Refused, the
// stranger's message takes only its own part aside, and the genuine part goes to the
// discussion's history with the applied comment.
TEST_F(NamedMessages, APartFollowsTheMessageItWasJoinedIntoNotOneOfItsName) {
  Start();
  ASSERT_FALSE(HasFatalFailure());
  CommentInParts("Холм 1 в снегу", 1);
  ASSERT_FALSE(HasFatalFailure());
  const std::string genuine = testsupport::ReadFile(Mails[0]);
  DeleteFileA(Mails[0].c_str());
  DeliverFirst(B.Mailbox, "named", StrangersMail({{"QS-1.1_1", StrangersCabinet(Message)}}));
  // Received and joined, not handled yet.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    InPostOffice(s, [&](TCustomForm& office) { Exchange(s, office, "Button1"); });
  })) << B.LastBoxes();
  EXPECT_EQ(testsupport::Run("ls '" + B.File("Inbox") + "'"), Message + "\n");

  Deliver(B.Mailbox, genuine, 1);
  // The stranger's message is set aside.
  ReceiveWithin({"AUTO-HANDLING", "NEW_BLOCKS", "New blocks", "HANDLING POST FILE"});
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(B.Told("commented"), B.Told("model") + "2|0-1|1|Холм 1 в снегу\n") << B.LastBoxes();
  EXPECT_EQ(testsupport::Run("ls '" + B.File("Inbox/Set aside") + "'"), Message + "\nQS-1.1_1\n") << B.LastBoxes();
  EXPECT_NE(testsupport::Run("cd '" + B.Home + "' && find . -path '*InboxPostHistory/*'").find("/" + Parts[0] + "\n"),
            std::string::npos);
  EXPECT_EQ(testsupport::Run("ls -A '" + B.File("InboxPost") + "'"), "");
}

class LeftMail : public TTwoInstallationsRoad {
 protected:
  LeftMail() : TTwoInstallationsRoad("leftsa", "leftsb") {}
};

// The leader's post comes in a mail beside a second part whose name the participant's
// file system refuses (injected): the mail stays on the server, and three runs keep
// nothing of it, show no box and add no file. Once the file system takes the name, the
// comment is applied.
TEST_F(LeftMail, AMailLeftOnTheServerLeavesNothingBehindRunAfterRun) {
  Announce(A, {&B}, "Hills", "Холмы", {"Холм 1"});
  ASSERT_FALSE(HasFatalFailure());
  TakeModel(A, B, "Hills");
  ASSERT_FALSE(HasFatalFailure());
  Comment(A, "Холм 1 в тумане");
  ASSERT_FALSE(HasFatalFailure());
  const std::vector<std::string> waiting = Waiting(B.Mailbox);
  ASSERT_EQ(waiting.size(), 1u);
  // The same mail with a second part, added by Python's email package.
  testsupport::WriteFile(Folder + "/second.py", R"(import email, email.policy, os, sys
m = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=email.policy.default)
m.add_attachment(os.urandom(64), maintype='application', subtype='octet-stream', filename='Refused.1_1')
open(sys.argv[1] + '.new', 'wb').write(m.as_bytes())
os.rename(sys.argv[1] + '.new', sys.argv[1])
)");
  testsupport::RunPeer("python3 '" + Folder + "/second.py' '" + waiting[0] + "'");
  const std::string files = "cd '" + B.Home + "' && find Inbox InboxPost InboxPostHistory 2>/dev/null | sort";
  const std::string before = testsupport::Run(files);
  for (int run = 1; run <= 3; ++run) {
    // No box is answered: any box fails the run.
    ASSERT_TRUE(B.Run([&](TSession& s) {
      platform::RefuseFileNames("Refused.1_1", EINVAL);
      Receive(s);
      platform::RefuseFileNames("", 0);
    })) << "run "
        << run << ": " << B.LastBoxes() << B.Told("exchange") << testsupport::ReadFile(B.File("errors.log"));
    EXPECT_EQ(testsupport::Run(files), before) << "run " << run;
    // Read once, the mail waits among the server's seen mail.
    EXPECT_EQ(testsupport::Run("ls " + TMailServers::Get().MailRoot + "/" + B.Mailbox + "/Maildir/cur | wc -l"), "1\n");
  }
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("HANDLING POST FILE");  // the second part is no post
    s.Confirm("AUTO-HANDLING");
    s.Confirm("NEW_BLOCKS");
    s.Confirm("New blocks");
    Receive(s);
    s.Tell("commented", Tree(*s.Shown(OpenDiscussion(s, "Hills"))));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("commented"), B.Told("model") + "2|0-1|1|Холм 1 в тумане\n") << B.LastBoxes();
  EXPECT_EQ(testsupport::Run("ls " + TMailServers::Get().MailRoot + "/" + B.Mailbox + "/Maildir/cur | wc -l"), "0\n");
}

class LinkedParts : public Joining {
 protected:
  LinkedParts(const std::string& mailbox, const std::string& other) : Joining(mailbox, other) {}

  // Two bytes xored four bytes apart: the cabinet's block checksums, an exclusive-or of
  // 32-bit words, still hold.
  static std::string Altered(std::string bytes, size_t at, char with = 0x5A) {
    bytes[at] ^= with;
    bytes[at + 4] ^= with;
    return bytes;
  }

  // A genuine part's bytes, as A mailed it.
  std::string PartBytes(size_t i) {
    const std::string out = Folder + "/part" + std::to_string(i);
    testsupport::RunPeer(
        "python3 -c \"import email, sys; m = email.message_from_binary_file(open(sys.argv[1], 'rb')); "
        "open(sys.argv[2], 'wb').write(next(p.get_payload(decode=True) for p in m.walk() "
        "if p.get_filename()))\" '" +
        Mails[i] + "' '" + out + "'");
    return testsupport::ReadFile(out);
  }

  // A stranger's mail of `sets` sets under the post's part names, each a cabinet made by
  // an independent tool cut as the post is, every part's bytes altered in a way that
  // keeps the block checksums, one set from another.
  std::string VariantSetsMail(int sets) {
    const std::string cabinet = StrangersCabinet(Message);
    const std::string work = Folder + "/variants";
    CreateFolder(work);
    testsupport::WriteFile(work + "/cabinet", cabinet);
    std::string names;
    for (const std::string& part : Parts) names += " '" + part + "'";
    testsupport::WriteFile(work + "/sets.py", R"(import email.message, sys
work, to, sets, names = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
cabinet = open(work + '/cabinet', 'rb').read()
size = (len(cabinet) + len(names) - 1) // len(names)
m = email.message.EmailMessage()
m['Subject'] = 'Quillaran### ' + names[0]; m['From'] = 'stranger@quillaran.test'; m['To'] = to
m.set_content('Quillaran###')
for k in range(sets):
    for i, name in enumerate(names):
        part = bytearray(cabinet[i * size:(i + 1) * size])
        at, value = 8 + 8 * (k // 255), 1 + k % 255
        part[at] ^= value
        part[at + 4] ^= value
        m.add_attachment(bytes(part), maintype='application', subtype='octet-stream', filename=name)
open(work + '/sets.eml', 'wb').write(m.as_bytes())
)");
    testsupport::RunPeer("python3 '" + work + "/sets.py' '" + work + "' '" + B.Address() + "' " + std::to_string(sets) +
                         names);
    return testsupport::ReadFile(work + "/sets.eml");
  }

  // B's files under the post's names that wait, and the genuine parts in the history.
  std::string Waiting() { return testsupport::Run("ls '" + B.File("InboxPost") + "' | wc -l"); }
  std::string InHistory() {
    return testsupport::Run("cd '" + B.Home + "' && find . -path '*InboxPostHistory/" + Message + "*' | wc -l");
  }
  void NothingSetAsideNorBlamed() {
    const std::string log = testsupport::ReadFile(B.File("errors.log"));
    EXPECT_EQ(log.find("not sealed or was altered"), std::string::npos) << log;
    EXPECT_EQ(log.find("SET ASIDE"), std::string::npos) << log;
    EXPECT_EQ(log.find("Can't unpack"), std::string::npos) << log;
  }
};

class EightParts : public LinkedParts {
 protected:
  EightParts() : LinkedParts("linka", "linkb") {}
};
class ThousandSets : public LinkedParts {
 protected:
  ThousandSets() : LinkedParts("linkfa", "linkfb") {}
};
class AlteredCopies : public LinkedParts {
 protected:
  AlteredCopies() : LinkedParts("linkca", "linkcb") {}
};
class AlteredLastPart : public LinkedParts {
 protected:
  AlteredLastPart() : LinkedParts("linkla", "linklb") {}
};

// The leader's post in 8 parts of 1000 bytes, each inside one data block, and a stranger's
// 48 random files of that size under its middle parts' names (8 a part), in one fetch
// ahead of the genuine parts: the post is applied in that run, and the box tells the 48
// files as nobody's post, not as the leader's that could not be unpacked.
TEST_F(EightParts, EightPartsOf1000BytesAmong48JunkFilesAreJoinedInTheRunTheyCome) {
  Start();
  ASSERT_FALSE(HasFatalFailure());
  const std::string text = LongComment(21, 10000);
  CommentInParts(text, 8);
  ASSERT_FALSE(HasFatalFailure());
  std::vector<std::pair<std::string, std::string>> junk;
  for (size_t i = 1; i < 7; ++i)
    for (uint32_t k = 0; k < 8; ++k)
      junk.push_back({Parts[i], testsupport::RandomBytes(1000, uint32_t(100 + 10 * i + k))});
  DeliverFirst(B.Mailbox, "junk", StrangersMail(junk));

  ReceiveWithin({"AUTO-HANDLING", "HANDLING POST FILE", "NEW_BLOCKS", "New blocks"});
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(B.Told("commented"), B.Told("model") + "2|0-1|1|" + text + "\n") << B.LastBoxes();
  EXPECT_NE(B.LastBoxes().find("HANDLING POST FILE: 48 file(s) under the names of " + Message +
                               ".cab that no post that came links, so nobody can tell whose they are: "),
            std::string::npos)
      << B.LastBoxes();
  EXPECT_EQ(InHistory(), "8\n");
  EXPECT_EQ(Waiting(), "48\n");
  NothingSetAsideNorBlamed();
}

// A stranger's 1000 sets of the post's names (4000 files), each cut from a cabinet whose
// block checksums hold, in the same fetch just before the leader's post and so of the
// same file times: the post is applied in that run.
TEST_F(ThousandSets, AThousandChecksumValidSetsInTheSameFetchCostThePostNothing) {
  Start();
  ASSERT_FALSE(HasFatalFailure());
  const std::string text = LongComment(22);
  CommentInParts(text, 4);
  ASSERT_FALSE(HasFatalFailure());
  DeliverFirst(B.Mailbox, "sets", VariantSetsMail(1000));

  // 4,000 attachments are received, listed and gone through in this run: the watchdog
  // leaves room for the sanitized build.
  ReceiveWithin({"AUTO-HANDLING", "HANDLING POST FILE", "NEW_BLOCKS", "New blocks"}, true, std::chrono::minutes(5));
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(B.Told("commented"), B.Told("model") + "2|0-1|1|" + text + "\n") << B.LastBoxes();
  EXPECT_NE(B.LastBoxes().find("4000 file(s) under the names of " + Message + ".cab that no post that came links"),
            std::string::npos)
      << B.LastBoxes();
  EXPECT_EQ(InHistory(), "4\n");
  EXPECT_EQ(Waiting(), "4000\n");
  NothingSetAsideNorBlamed();
}

// A participant, who received the same post, mails copies of its parts 2 and 3 with two
// bytes xored four bytes apart ahead of the genuine parts: the leader's post is applied
// in that run, nobody is blamed, and the copies wait as nobody's post.
TEST_F(AlteredCopies, AParticipantsAlteredCopiesOfTwoPartsCostThePostNothing) {
  Start();
  ASSERT_FALSE(HasFatalFailure());
  const std::string text = LongComment(23);
  CommentInParts(text, 4);
  ASSERT_FALSE(HasFatalFailure());
  DeliverFirst(B.Mailbox, "copies",
               StrangersMail({{Parts[1], Altered(PartBytes(1), 400)}, {Parts[2], Altered(PartBytes(2), 400)}}));

  ReceiveWithin({"AUTO-HANDLING", "HANDLING POST FILE", "NEW_BLOCKS", "New blocks"});
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(B.Told("commented"), B.Told("model") + "2|0-1|1|" + text + "\n") << B.LastBoxes();
  EXPECT_NE(B.LastBoxes().find("2 file(s) under the names of " + Message +
                               ".cab that no post that came links, so "
                               "nobody can tell whose they are: " +
                               Parts[1] + ", " + Parts[2]),
            std::string::npos)
      << B.LastBoxes();
  EXPECT_EQ(InHistory(), "4\n");
  NothingSetAsideNorBlamed();
}

// The leader's parts 1 and 2 come with an altered part 3 (checksums kept); the genuine part
// 3 comes a run later. Nothing genuine is set aside: the first run tells the post that
// lacks its part 3 and the altered file as nobody's, the second applies the post.
TEST_F(AlteredLastPart, AnAlteredLastPartBetweenTwoRunsSetsNothingGenuineAside) {
  Start();
  ASSERT_FALSE(HasFatalFailure());
  const std::string text = LongComment(24, 2600);
  CommentInParts(text, 3);
  ASSERT_FALSE(HasFatalFailure());
  const std::string last = testsupport::ReadFile(Mails[2]), altered = Altered(PartBytes(2), 200);
  DeleteFileA(Mails[2].c_str());
  DeliverFirst(B.Mailbox, "altered", StrangersMail({{Parts[2], altered}}));

  ReceiveWithin({"HANDLING POST FILE"}, false);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_NE(B.LastBoxes().find("Not enough message parts!\n" + Message + ".cab linked by " + Parts[0] +
                               " lacks part(s) 3\n1 file(s) under the names of " + Message +
                               ".cab that no post that came links, so nobody can tell whose they are: " + Parts[2]),
            std::string::npos)
      << B.LastBoxes();
  EXPECT_EQ(Waiting(), "3\n");

  Deliver(B.Mailbox, last, 1);
  ReceiveWithin({"AUTO-HANDLING", "HANDLING POST FILE", "NEW_BLOCKS", "New blocks"});
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(B.Told("commented"), B.Told("model") + "2|0-1|1|" + text + "\n") << B.LastBoxes();
  EXPECT_EQ(InHistory(), "3\n");
  EXPECT_EQ(testsupport::Run("ls '" + B.File("InboxPost") + "'"), Parts[2] + "\n");
  NothingSetAsideNorBlamed();
}

class WaitingSets : public TTwoInstallationsRoad {
 protected:
  WaitingSets() : TTwoInstallationsRoad("waitsa", "waitsb") {}
};

// A stranger's one mail holds the first parts of 30 posts of two parts each, under 30
// names: the run tells of the sets that wait in one box, ten of them by name, and the next
// start tells of them no more, neither on screen nor in errors.log.
TEST_F(WaitingSets, ThirtySetsFromOneMailAreToldInOneBoxAndNotAgainAfterARestart) {
  DeliverFirst(B.Mailbox, "waiting", FloodMail(Folder, B.Address(), "QW-{}.1_2", 30));
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("HANDLING POST FILE");
    Receive(s);
  })) << B.LastBoxes();
  const std::string boxes = B.LastBoxes();
  const std::string lacks = "\nNot enough message parts! QW-";
  EXPECT_NE(boxes.find("\nHANDLING POST FILE: 30 sets of received parts wait:" + lacks), std::string::npos) << boxes;
  int listed = 0;
  for (size_t at = boxes.find(lacks); at != std::string::npos; at = boxes.find(lacks, at + 1)) {
    const std::string line = boxes.substr(at + 1, boxes.find('\n', at + 1) - at - 1);
    EXPECT_TRUE(line.ends_with(".cab lacks part(s) 2")) << line;
    ++listed;
  }
  EXPECT_EQ(listed, 10) << boxes;
  EXPECT_NE(boxes.find("\nand 20 more\nEach set waits for its parts; it is set aside when none came for 7 days.\n"),
            std::string::npos)
      << boxes;
  const auto logged = [&] {
    const std::string log = testsupport::ReadFile(B.File("errors.log"));
    int n = 0;
    for (size_t at = log.find("Not enough message parts!"); at != std::string::npos;
         at = log.find("Not enough message parts!", at + 1))
      ++n;
    return n;
  };
  EXPECT_EQ(logged(), 30);

  // Any box fails the run.
  ASSERT_TRUE(B.Run([&](TSession& s) { Receive(s); })) << B.LastBoxes();
  EXPECT_EQ(logged(), 30);
  EXPECT_EQ(testsupport::Run("ls '" + B.File("InboxPost") + "' | grep -c '^QW-'"), "30\n");
}

}  // namespace
}  // namespace e2e
