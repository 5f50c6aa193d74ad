// The mail exchange against the real servers of the mail fixture: mail written by
// Python's email package is received, and what we send is read back by Python's poplib
// and email package.

#include "Posttesthelpers.h"

#include "foundation/Fileroutines.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussionsmanager.h"
#include "net/Netsystem.h"
#include "net/Tnetcoder.h"
#include "net/Tnetcoder3to4.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tdatetime.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tedit.h"
#include "postoffice/Tformbadrecipientaddresses.h"
#include "postoffice/Tformpost.h"
#include "platform/forms/Tgrid.h"
#include "platform/gui/Messagequeue.h"
#include "platform/forms/Tlabel.h"
#include "postoffice/Postarchives.h"
#include "postoffice/Postcommands.h"
#include "postoffice/Tformretrievesendpost.h"
#include "postoffice/Tmoderatecaller.h"
#include "postoffice/Tpostexchange.h"
#include "postoffice/Tpostfileshandler.h"
#include "tests/net/Mailservers.h"
#include "tests/net/Scriptedserver.h"
#include "tests/support/Testsupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <map>

using namespace posttest;
using testsupport::ReadFile;
using testsupport::RunPeer;
using testsupport::WriteFile;

namespace {

const TMailServers& Servers() { return TMailServers::Get(); }

// An exchange that keeps its log.
class TLoggedExchange : public TPostExchange {
 public:
  std::vector<std::string> Lines, Transfers;
  bool Logged(const std::string& line) const { return std::find(Lines.begin(), Lines.end(), line) != Lines.end(); }
  // The whole log, for a failure to show.
  std::string Log() const {
    std::string all;
    for (const std::string& line : Lines) all += line + "\n";
    return all;
  }

 protected:
  void Log(const std::string& line) override { Lines.push_back(line); }
  void ShowTransfer(const std::string& text) override { Transfers.push_back(text); }
};

const std::string StandIn = std::string(QUILLARAN_BINARY_DIR) + "/app/Leafguard.dll";

class Exchange : public PostTest {
 protected:
  void SetUp() override {
    PostTest::SetUp();
    ASSERT_NE(Servers().SmtpPort, 0) << "the mail server fixture did not run";
    fOldLogins = ModelHooks().Logins;
    ModelHooks().Logins = &logins;
    logins.Current = logins.AddLogin(TStr("Manager"), TStr("me@quillaran.test"));
    logins.GetLogin(0).DisplayName = "Tester";
    exchange.Post = &Post;
    exchange.Accounts = &accounts;
    exchange.Pop3Port = Servers().Pop3Port;
    exchange.SmtpPort = Servers().SmtpPort;
    exchange.ReadTimeout = 20000;
    exchange.ReceiveFolderName = "InboxPost";
    exchange.ReceiveFolderPath = Post.InboxPost.FolderPath.ToString();
  }
  void TearDown() override {
    ModerateCaller() = nullptr;
    TBrowseGlobal::Moderation = 0;
    ModelHooks().Logins = fOldLogins;
    PostTest::TearDown();
  }
  void AddAccount(const std::string& user, uint16_t limit = 0) {
    TEMailInfo account;
    account.POP3Server = "127.0.0.1";
    account.SMTPServer = "127.0.0.1";
    account.UserName = user;
    account.Password = Servers().Password;
    account.MaxReceivers = limit;
    accounts.AddItem(account);
  }
  // Python reads and empties a mailbox: one line per message with its headers, the body
  // and the attachments' names and contents.
  std::string Mailbox(const std::string& user) {
    const std::string script = Root + "read.py";
    WriteFile(script, R"(import poplib, sys, email
from email import policy
poplib._MAXLINE = 1 << 20
p = poplib.POP3('127.0.0.1', int(sys.argv[1]))
p.user(sys.argv[2]); p.pass_(sys.argv[3])
for i in range(1, len(p.list()[1]) + 1):
    m = email.message_from_bytes(b'\r\n'.join(p.retr(i)[1]), policy=policy.default)
    body = ''
    files = []
    for part in m.walk():
        if part.get_content_disposition() == 'attachment':
            files.append(part.get_filename() + '=' + part.get_payload(decode=True).decode('latin-1'))
        elif part.get_content_type() == 'text/plain' and not body:
            body = part.get_content().strip()
    print('|'.join([m['Subject'], m['From'], m['To'], str(m['Reply-To']), body] + files))
    p.dele(i)
p.quit()
)");
    return RunPeer("python3 " + script + " " + std::to_string(Servers().Pop3Port) + " " + user + " " +
                   Servers().Password);
  }
  void SendWithPython(const std::string& subject, const std::string& from,
                      const std::vector<std::pair<std::string, std::string>>& files,
                      const std::string& to = "postrecv") {
    const std::string script = Root + "send.py";
    WriteFile(script, R"(import smtplib, sys, email.message
m = email.message.EmailMessage()
m['Subject'] = sys.argv[2]; m['From'] = sys.argv[3]; m['To'] = sys.argv[4] + '@quillaran.test'
m.set_content('Quillaran###')
for arg in sys.argv[5:]:
    name, data = arg.split('=', 1)
    m.add_attachment(data.encode('latin-1'), maintype='application', subtype='octet-stream', filename=name)
with smtplib.SMTP('127.0.0.1', int(sys.argv[1])) as s:
    s.send_message(m)
)");
    std::string command =
        "python3 " + script + " " + std::to_string(Servers().SmtpPort) + " '" + subject + "' '" + from + "' " + to;
    for (const auto& [name, data] : files) command += " '" + name + "=" + data + "'";
    RunPeer(command);
  }
  // A mail put straight into a mailbox, as a server keeps whatever it was given: `raw` as it
  // is, or (when `raw` is empty) a mail that Python's email package writes with the files
  // of `attachments` (name, path).
  void Deliver(const std::string& user, const std::string& file, const std::string& raw,
               const std::string& subject = "", const std::vector<std::pair<std::string, std::string>>& attachments = {}) {
    const std::string target = Servers().MailRoot + "/" + user + "/Maildir/new/" + file;
    if (!raw.empty()) {
      WriteFile(target + ".tmp", raw);
      RunPeer("mv '" + target + ".tmp' '" + target + "'");
      return;
    }
    const std::string script = Root + "deliver.py";
    WriteFile(script, R"(import sys, email.message
m = email.message.EmailMessage()
m['Subject'] = sys.argv[2]; m['From'] = 'a@x.org'; m['To'] = 'post@quillaran.test'
m.set_content('Quillaran###')
for arg in sys.argv[3:]:
    name, path = arg.split('=', 1)
    m.add_attachment(open(path, 'rb').read(), maintype='application', subtype='octet-stream', filename=name)
open(sys.argv[1] + '.tmp', 'wb').write(m.as_bytes())
)");
    std::string command = "python3 " + script + " '" + target + "' '" + subject + "'";
    for (const auto& [name, path] : attachments) command += " '" + name + "=" + path + "'";
    RunPeer(command + " && mv '" + target + ".tmp' '" + target + "'");
  }
  // A stranger's mail put straight into a mailbox, written by Python's email package: `count`
  // attachments named `name` ("{}" in it is the attachment's number), each 64 random bytes
  // or, with `path`, that file's bytes.
  void Flood(const std::string& user, const std::string& file, const std::string& name, int count,
             const std::string& path = "") {
    const std::string target = Servers().MailRoot + "/" + user + "/Maildir/new/" + file;
    const std::string script = Root + "flood.py";
    WriteFile(script, R"(import os, sys, email.message
target, name, count, path = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
m = email.message.EmailMessage()
m['Subject'] = 'Quillaran### ' + name; m['From'] = 'stranger@x.org'; m['To'] = 'post@quillaran.test'
m.set_content('Quillaran###')
for i in range(1, count + 1):
    data = open(path, 'rb').read() if path else os.urandom(64)
    m.add_attachment(data, maintype='application', subtype='octet-stream', filename=name.replace('{}', str(i)))
open(target + '.tmp', 'wb').write(m.as_bytes())
os.rename(target + '.tmp', target)
)");
    RunPeer("python3 " + script + " '" + target + "' '" + name + "' " + std::to_string(count) + " '" + path + "'");
  }
  // A message of new blocks written into the Outbox and packed into one part in OutboxPost;
  // the message's bytes.
  std::string PackedPost(const std::string& name) {
    const std::string outbox = Post.Outbox.FolderPath.ToString();
    WriteMessage(outbox + name,
                 {{"FROM_USER_EMAIL", "a@x"},
                  {"TO_USERS_EMAILS_CRYPTED*", "me@quillaran.test"},
                  {"COMMAND", "NEW_BLOCKS"},
                  {"DIDENT", "D-1"},
                  {"COMPOSE_DATETIME", "12/19/2005 14:05:09"}},
                 "the leader's blocks");
    const std::string message = ReadFile(outbox + name);
    Post.Outbox.Refresh(Post);
    TPostFilesHandler packer(Post);
    TArray<int32_t> indices;
    indices.AddItem(Post.Outbox.FindPostFile(name));
    EXPECT_TRUE(packer.HandlePostFiles(Post.Outbox, indices, false, nullptr, "Auto-handling"));
    EXPECT_TRUE(IsFileExists(Post.OutboxPost.FolderPath.ToString() + name + ".1_1"));
    return message;
  }
  // Joins every file of InboxPost; the number of files gone through.
  int JoinAll() {
    Post.InboxPost.Refresh(Post);
    TPostFilesHandler joiner(Post);
    TArray<int32_t> parts;
    for (uint32_t i = 0; i < Post.InboxPost.Files.Count(); ++i) parts.AddItem(int32_t(i));
    int done = 0;
    EXPECT_TRUE(joiner.HandlePostFiles(Post.InboxPost, parts, false, &done, "Auto-handling"));
    return done;
  }
  // The messages the POP3 server counts in a mailbox; counting numbers the mail delivered so far
  // before the mail delivered after.
  int Count(const std::string& user) {
    return std::stoi(RunPeer("python3 -c \"import poplib; p = poplib.POP3('127.0.0.1', " +
                             std::to_string(Servers().Pop3Port) + "); p.user('" + user + "'); p.pass_('" +
                             Servers().Password + "'); print(p.stat()[0]); p.quit()\""));
  }
  TPostFile& AddOutgoing(const std::string& name, const std::string& receivers, const std::string& robots = "") {
    WriteFile(Post.OutboxPost.FolderPath.ToString() + name, "part " + name);
    TPostFile file;
    file.Name = name;
    file.Sender = "me@quillaran.test";
    file.Receivers = receivers;
    file.Robots = robots;
    Post.OutboxPost.Files.AddItem(file);
    return Post.OutboxPost.Files[Post.OutboxPost.Files.Count() - 1];
  }

  TLoginsStorage logins;
  TArray<TEMailInfo> accounts;
  TLoggedExchange exchange;

 private:
  TLoginsStorage* fOldLogins = nullptr;
};

TEST(ExchangeTexts, AttachmentNamesAndReceiversLists) {
  EXPECT_EQ(SafeAttachmentName("QK-1.2_2"), "QK-1.2_2");
  EXPECT_EQ(SafeAttachmentName("../../evil/QK-1.2_2"), "QK-1.2_2");
  EXPECT_EQ(SafeAttachmentName("C:\\x\\..\\a.cab"), "a.cab");
  EXPECT_EQ(SafeAttachmentName("..."), "");
  EXPECT_EQ(SafeAttachmentName(".hidden"), "hidden");
  EXPECT_EQ(SafeAttachmentName("a*b?\x01\x98.cab"), "a_b___.cab");
  EXPECT_EQ(SafeAttachmentName(std::string(300, 'x') + ".1_2").size(), 200u);
  // Measured as the file system holds it: Cyrillic letters take two bytes in UTF-8, "…" three.
  EXPECT_EQ(SafeAttachmentName(std::string(150, '\xE6') + ".1_2"), std::string(98, '\xE6') + ".1_2");
  EXPECT_EQ(SafeAttachmentName(std::string(86, '\x85') + ".cab"), std::string(65, '\x85') + ".cab");

  EXPECT_EQ(PostFileReceivers(TStr("a@x; b@y; a@x"), TStr()), (std::vector<std::string>{"a@x", "b@y"}));
  EXPECT_EQ(PostFileReceivers(TStr("*"), TStr()), std::vector<std::string>());
  EXPECT_EQ(PostFileReceivers(TStr("*"), TStr("r@z")), std::vector<std::string>{"r@z"});
  EXPECT_EQ(PostFileReceivers(TStr("a@x; "), TStr("r@z")), (std::vector<std::string>{"a@x", "r@z"}));
}

TEST_F(Exchange, MarkedMailIsReceivedAndOtherMailStays) {
  SendWithPython("Hello there", "friend@x.org", {{"x.1_2", "not post"}});
  SendWithPython("  Quillaran### QK-1 2005.12.19 14:05:09 #0", "a@x.org", {{"QK-1.1_2", "first part"}, {"Extra.cab", "cab"}, {"Leafguard.so", "code"}});
  SendWithPython("Quillaran### S 2005.12.19 14:05:09 #1", "spam@bad.org", {{"S.1_1", "spam"}});
  SendWithPython("Quillaran### QK-1 2005.12.19 14:05:09 #2", "a@x.org", {{"../../evil/QK-1.2_2", "second part"}});
  SendWithPython("Re: Quillaran### later", "a@x.org", {});
  SendWithPython("Quillaran### Pre", "a@x.org", {{"Pre.1_1", "new"}});
  const std::string inboxPost = Post.InboxPost.FolderPath.ToString();
  WriteFile(inboxPost + "Pre.1_1", "old");

  // Spammers come from the moderation library.
  TBrowseGlobal::Moderation = 1;
  TModerateCaller caller(StandIn);
  ModerateCaller() = &caller;
  WriteFile(Root + "Spammers.txt", "SPAM@bad.org  known\r\n");

  AddAccount("");  // no user: skipped
  AddAccount("postrecv");
  exchange.ReceiveStep();
  caller.ModerateClose();

  EXPECT_EQ(ReadFile(inboxPost + "QK-1.1_2"), "first part");
  EXPECT_EQ(ReadFile(inboxPost + "QK-1.2_2"), "second part");
  EXPECT_EQ(ReadFile(inboxPost + "Pre.1_1"), "old");
  EXPECT_EQ(ReadFile(inboxPost + "Pre#2.1_1"), "new");  // kept beside the file that took its name
  // A cabinet waits apart in the post folder, never where code is loaded from.
  EXPECT_EQ(ReadFile(inboxPost + "Attached/Extra.cab"), "cab");
  EXPECT_FALSE(IsFileExists(Root + "Extra.cab"));
  EXPECT_FALSE(IsFileExists(TBrowseGlobal::Paths.LibraryFolder + "Extra.cab"));
  // A name the post office does not expect is not saved at all.
  EXPECT_TRUE(exchange.Logged("Attachment Leafguard.so is no post file - skipped..."));
  EXPECT_EQ(RunPeer("find " + Root + " -name 'Leafguard*'"), "");
  EXPECT_FALSE(IsFileExists(inboxPost + "S.1_1"));
  EXPECT_FALSE(IsFileExists(inboxPost + "x.1_2"));
  EXPECT_EQ(RunPeer("ls -A " + inboxPost), "Attached\nPre#2.1_1\nPre.1_1\nQK-1.1_2\nQK-1.2_2\n");

  EXPECT_TRUE(exchange.Logged(" *** RECEIVING POST..."));
  EXPECT_TRUE(exchange.Logged("Connecting to 127.0.0.1 / postrecv..."));
  EXPECT_TRUE(exchange.Logged("There are 6 message(s) on server."));
  EXPECT_TRUE(exchange.Logged("Non-quillaran message with Subject='Hello there' skipped..."));
  EXPECT_TRUE(exchange.Logged("Non-quillaran message with Subject='Re: Quillaran### later' skipped..."));
  EXPECT_TRUE(exchange.Logged("There are 4 new command-message(s) on server."));
  EXPECT_TRUE(exchange.Logged("Message from spammer spam@bad.org deleted..."));
  EXPECT_TRUE(exchange.Logged("File " + inboxPost + "Pre.1_1 exists with other content - kept as Pre#2.1_1..."));
  EXPECT_TRUE(exchange.Logged("Decoding Extra.cab to " + inboxPost + "Attached/..."));
  EXPECT_EQ(exchange.Lines.back(), "Finished.");
  ASSERT_GE(exchange.Transfers.size(), 6u);
  EXPECT_EQ(exchange.Transfers[0], "Current transfer: 1 of 6 messages (0%)");
  EXPECT_EQ(exchange.Transfers[5], "Current transfer: 6 of 6 messages (83%)");

  // Only the two unmarked messages are left on the server.
  const std::string left = Mailbox("postrecv");
  EXPECT_EQ(std::count(left.begin(), left.end(), '\n'), 2);
  EXPECT_NE(left.find("Hello there|"), std::string::npos);
  EXPECT_NE(left.find("Re: Quillaran### later|"), std::string::npos);
}

// Mail that cannot be read stops nothing behind it: a header line over the longest line
// (in mail that is not ours, and in ours) and a body line too long to read.
TEST_F(Exchange, MailWithOverlongLinesStopsNothingBehindIt) {
  const std::string longLine(20000, 'a');
  Deliver("postlong", "1-foreign", "From: friend@x.org\r\nTo: postlong@quillaran.test\r\nSubject: Hello\r\nX-Long: " +
                                       longLine + "\r\n\r\nnot ours\r\n");
  // The server numbers the mail it finds together in no set order: each is counted alone.
  ASSERT_EQ(Count("postlong"), 1);
  Deliver("postlong", "2-unreadable", "From: a@x.org\r\nSubject: Quillaran### BAD 2005.12.19 14:05:09 #0\r\n\r\n" +
                                          longLine + "\r\n.\r\nsecond\r\n");
  ASSERT_EQ(Count("postlong"), 2);
  const std::string late = Root + "late", longHeader = Root + "long";
  WriteFile(late, "late part");
  WriteFile(longHeader, "long header part");
  Deliver("postlong", "3-post", "", "Quillaran### L 2005.12.19 14:05:09 #0", {{"L.1_1", late}});
  std::string marked = ReadFile(Servers().MailRoot + "/postlong/Maildir/new/3-post");
  marked.replace(marked.find("Subject: Quillaran### L"), 0, "X-Long: " + longLine + "\r\n");
  const std::string at = "filename=\"L.1_1\"";
  Deliver("postlong", "4-long-header", marked.replace(marked.find(at), at.size(), "filename=\"M.1_1\""));

  AddAccount("postlong");
  exchange.ReceiveStep();

  const std::string inboxPost = Post.InboxPost.FolderPath.ToString();
  EXPECT_EQ(ReadFile(inboxPost + "L.1_1"), "late part");
  EXPECT_EQ(ReadFile(inboxPost + "M.1_1"), "late part");
  EXPECT_EQ(RunPeer("ls -A " + inboxPost), "L.1_1\nM.1_1\n");
  EXPECT_TRUE(exchange.Logged("Non-quillaran message with Subject='Hello' skipped..."));
  EXPECT_TRUE(exchange.Logged("Error receiving message (Max line length exceeded.)"));
  EXPECT_TRUE(exchange.Logged("Message #2 cannot be read - deleted...")) << exchange.Log();
  EXPECT_EQ(exchange.Lines.back(), "Finished.");
  EXPECT_EQ(exchange.Cancel, 0);
  // The foreign mail stays on the server, whole.
  const std::string left = Mailbox("postlong");
  EXPECT_EQ(std::count(left.begin(), left.end(), '\n'), 1);
  EXPECT_EQ(left.rfind("Hello|friend@x.org|", 0), 0u) << left;
}

// A fault of this computer while a post mail comes in (here no temporary file can be
// made) is no fault of the mail: it and the mail after it stay on the server, and the
// next run, with the fault mended, takes both.
TEST_F(Exchange, ALocalFaultWhileReceivingLeavesTheMailOnTheServerForTheNextRun) {
  const std::string first = Root + "first", second = Root + "second";
  WriteFile(first, "first part");
  WriteFile(second, "second part");
  Deliver("postlocal", "1-post", "", "Quillaran### F 2005.12.19 14:05:09 #0", {{"F.1_1", first}});
  ASSERT_EQ(Count("postlocal"), 1);
  Deliver("postlocal", "2-post", "", "Quillaran### G 2005.12.19 14:05:09 #0", {{"G.1_1", second}});
  ASSERT_EQ(Count("postlocal"), 2);
  AddAccount("postlocal");

  const std::string temp = TempFolder;
  RemovePrivateTempFolder();
  TempFolder = Root + "no-such-folder/";
  exchange.ReceiveStep();
  TempFolder = temp;
  EXPECT_TRUE(exchange.Logged("Error receiving message (Cannot create a temporary file for an attachment)"))
      << exchange.Log();
  EXPECT_TRUE(
      exchange.Logged("Message #1 left on the server: the fault is on this computer, not in the message. "
                      "Receiving stopped; the next run receives it."))
      << exchange.Log();
  EXPECT_FALSE(exchange.Logged("Message #1 cannot be read - deleted..."));
  EXPECT_EQ(exchange.Lines.back(), "Finished.");
  EXPECT_EQ(exchange.Cancel, 1);
  EXPECT_EQ(Count("postlocal"), 2);
  const std::string inboxPost = Post.InboxPost.FolderPath.ToString();
  EXPECT_EQ(RunPeer("ls -A " + inboxPost), "");

  exchange.Cancel = 0;
  exchange.Lines.clear();
  exchange.ReceiveStep();
  EXPECT_EQ(ReadFile(inboxPost + "F.1_1"), "first part");
  EXPECT_EQ(ReadFile(inboxPost + "G.1_1"), "second part");
  EXPECT_EQ(Count("postlocal"), 0) << exchange.Log();
}

// Cancel is heard inside one long message: pressed while a 2 MB post mail comes in, it ends
// the retrieval; the mail stays on the server, whole, for the next run.
TEST_F(Exchange, CancelEndsTheRetrievalOfOneLongMessage) {
  class TCancelledExchange : public TLoggedExchange {
   public:
    int Heard = 0;

   protected:
    void ProcessMessages() override {
      // The user presses Cancel once the message is coming in.
      if (!Lines.empty() && Lines.back() == "Message #1 receiving..." && ++Heard == 2) Cancel = 1;
    }
  } cancelled;
  cancelled.Post = &Post;
  cancelled.Accounts = &accounts;
  cancelled.Pop3Port = Servers().Pop3Port;
  cancelled.ReadTimeout = 20000;
  cancelled.ReceiveFolderName = "InboxPost";
  cancelled.ReceiveFolderPath = Post.InboxPost.FolderPath.ToString();
  const std::string big = Root + "big";
  WriteFile(big, testsupport::RandomBytes(2 << 20, 7));
  Deliver("postcancel", "1-post", "", "Quillaran### C 2005.12.19 14:05:09 #0", {{"C.1_1", big}});
  ASSERT_EQ(Count("postcancel"), 1);
  AddAccount("postcancel");
  cancelled.ReceiveStep();
  EXPECT_EQ(cancelled.Heard, 2) << cancelled.Log();
  EXPECT_TRUE(cancelled.Logged("Aborting...")) << cancelled.Log();
  EXPECT_EQ(cancelled.Lines.back(), "Finished.");
  for (const TPostFile& file : Post.InboxPost.Files) EXPECT_TRUE(file.Processed) << file.Name.ToString();
  EXPECT_EQ(Count("postcancel"), 1);

  exchange.ReceiveStep();
  EXPECT_EQ(ReadFile(Post.InboxPost.FolderPath.ToString() + "C.1_1"), ReadFile(big));
  EXPECT_EQ(Count("postcancel"), 0) << exchange.Log();
}

// Junk sent first under the name of a post's part takes the name; the real part is kept
// beside it and the set that unpacks is joined. The junk is no copy of the joined part:
// it waits for parts of its own, told so; an exact copy of a joined part goes aside.
TEST_F(Exchange, ARealPartWhoseNameIsTakenIsKeptAndJoined) {
  const std::string outbox = Post.Outbox.FolderPath.ToString(), outboxPost = Post.OutboxPost.FolderPath.ToString();
  const std::string name = "QJ-Ecology-051219-NB-001";
  WriteMessage(outbox + name,
               {{"FROM_USER_EMAIL", "a@x"}, {"TO_USERS_EMAILS_CRYPTED*", "b@y"}, {"COMMAND", "NEW_BLOCKS"},
                {"DIDENT", "D-1"}, {"COMPOSE_DATETIME", "12/19/2005 14:05:09"}},
               testsupport::RandomBytes(3000, 3));
  const std::string message = ReadFile(outbox + name);
  Post.Outbox.Refresh(Post);
  TPostFilesHandler packer(Post);
  packer.PostPartSizeKB = 2;
  TArray<int32_t> indices;
  indices.AddItem(0);
  ASSERT_TRUE(packer.HandlePostFiles(Post.Outbox, indices, false, nullptr, "Auto-handling"));
  ASSERT_TRUE(IsFileExists(outboxPost + name + ".2_2"));
  const std::string junk = Root + "junk";
  WriteFile(junk, "not the part you wait for");
  Deliver("postjunk", "1-junk", "", "Quillaran### " + name + " 2005.12.19 14:05:09 #0", {{name + ".1_2", junk}});
  ASSERT_EQ(Count("postjunk"), 1);
  Deliver("postjunk", "2-post", "", "Quillaran### " + name + " 2005.12.19 14:05:10 #1",
          {{name + ".1_2", outboxPost + name + ".1_2"}, {name + ".2_2", outboxPost + name + ".2_2"}});

  AddAccount("postjunk");
  exchange.ReceiveStep();
  const std::string inboxPost = Post.InboxPost.FolderPath.ToString();
  EXPECT_TRUE(exchange.Logged("File " + inboxPost + name + ".1_2 exists with other content - kept as " + name +
                              "#2.1_2..."));
  EXPECT_EQ(ReadFile(inboxPost + name + ".1_2"), "not the part you wait for");
  EXPECT_EQ(Mailbox("postjunk"), "");

  // An exact copy of the second part, kept beside it.
  WriteFile(inboxPost + name + "#3.2_2", ReadFile(outboxPost + name + ".2_2"));

  // Joining takes the set that unpacks and nothing else of its names.
  EXPECT_EQ(JoinAll(), 1);
  EXPECT_EQ(ReadFile(Post.Inbox.FolderPath.ToString() + name), message);
  EXPECT_EQ(ReadFile(inboxPost + name + ".1_2"), "not the part you wait for");
  EXPECT_FALSE(Post.InboxPost.Files[uint32_t(Post.InboxPost.FindPostFile(name + ".1_2"))].Processed);
  EXPECT_EQ(ReadFile(inboxPost + "Set aside/" + name + "#3.2_2"), ReadFile(outboxPost + name + ".2_2"));
  ASSERT_EQ(Boxes.size(), 2u);
  // The junk is told as nobody's post, not as the post that was joined.
  EXPECT_EQ(Boxes[0].Text, "1 file(s) under the names of " + name +
                               ".cab that no post that came links, so nobody can tell whose they are: " + name +
                               ".1_2\nThe set waits for its parts; it is set aside when none came for 7 days.");
  EXPECT_EQ(Boxes[1].Text, "1 file set aside:\n" + name + "#3.2_2: another copy of " + name +
                               ".2_2, which was joined\nThey are kept in " + inboxPost +
                               "Set aside; errors.log tells why.");
  EXPECT_FALSE(IsErrorReported());
}

// A stranger's mail of 1000 attachments of 64 bytes, all under the name the leader's next
// part bears, comes just before that part: each copy is kept beside the others, the post's
// mail is deleted only once its part is kept, nothing is refused for the names others hold,
// and joining unpacks the post in the same run while the copies go aside, in one box.
TEST_F(Exchange, AThousandCopiesUnderAPartsNameCostThePostNothing) {
  const std::string name = "QJ-Ecology-051219-NB-002";
  const std::string message = PackedPost(name);
  Flood("postflood", "1-junk", name + ".1_1", 1000);
  ASSERT_EQ(Count("postflood"), 1);
  Deliver("postflood", "2-post", "", "Quillaran### " + name + " 2005.12.19 14:05:09 #0",
          {{name + ".1_1", Post.OutboxPost.FolderPath.ToString() + name + ".1_1"}});
  AddAccount("postflood");
  exchange.ReceiveStep();
  const std::string inboxPost = Post.InboxPost.FolderPath.ToString();
  EXPECT_EQ(Count("postflood"), 0) << exchange.Log();
  EXPECT_EQ(RunPeer("ls " + inboxPost + " | grep -c '^" + name + "'"), "1001\n");
  EXPECT_EQ(ReadFile(Root + "errors.log").find("REFUSED MAIL"), std::string::npos);

  EXPECT_EQ(JoinAll(), 1);
  EXPECT_EQ(ReadFile(Post.Inbox.FolderPath.ToString() + name), message);
  // The post's part is retired; none of the copies waits.
  for (const TPostFile& file : Post.InboxPost.Files) EXPECT_TRUE(file.Processed) << file.Name.ToString();
  EXPECT_EQ(RunPeer("ls '" + inboxPost + "Set aside' | grep -c '^" + name + "'"), "1000\n");
  EXPECT_EQ(Boxes.size(), 1u);
  EXPECT_FALSE(IsErrorReported());
}

// A stranger's mail of 1000 one-part posts, each holding a sealed message under the name of
// the leader's next message, comes in the same run as that message's post: the copies take
// the counted names and chosen ones, and the leader's message takes a free name beside
// them; nothing of it is set aside.
TEST_F(Exchange, AThousandPostsOfAMessagesNameInTheSameRunCostThePostNothing) {
  const std::string name = "QJ-Ecology-051219-NB-003";
  const std::string message = PackedPost(name);
  const std::string stranger = Root + "stranger/";
  ASSERT_TRUE(CreateFolder(stranger));
  WriteMessage(stranger + name, {{"FROM_USER_EMAIL", "stranger@x.org"}, {"COMMAND", "BOGUS_COMMAND"}}, "junk");
  RunPeer("cd " + stranger + " && gcab -c -z post.cab " + name);
  Flood("postsame", "1-flood", "QS-{}.1_1", 1000, stranger + "post.cab");
  ASSERT_EQ(Count("postsame"), 1);
  Deliver("postsame", "2-post", "", "Quillaran### " + name + " 2005.12.19 14:05:09 #0",
          {{name + ".1_1", Post.OutboxPost.FolderPath.ToString() + name + ".1_1"}});
  AddAccount("postsame");
  exchange.ReceiveStep();
  EXPECT_EQ(Count("postsame"), 0) << exchange.Log();

  EXPECT_EQ(JoinAll(), 1001);
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  for (const TPostFile& file : Post.InboxPost.Files) EXPECT_TRUE(file.Processed) << file.Name.ToString();
  EXPECT_EQ(RunPeer("ls " + inbox + " | grep -c '^" + name + "'"), "1001\n");
  int genuine = 0;
  for (const TPostFile& file : Post.Inbox.Files) genuine += ReadFile(inbox + file.Name.ToString()) == message;
  EXPECT_EQ(genuine, 1);
  EXPECT_TRUE(Boxes.empty());
}

// A stranger mails thirty posts in the name of a discussion in one mail, beside the leader's
// genuine post, and the same mail twice more. Each run's refusals are one box, the refused
// messages leave the Inbox with the parts they came in, and only the genuine post's part
// goes into the discussion's history, once its message was handled.
TEST_F(Exchange, AStrangersFloodLeavesTheInboxWithItsPartsToldInOneBoxARun) {
  TDiscussionsManager manager;
  struct TForget {
    ~TForget() {
      DiscussionsManager() = nullptr;
      RegisterPostCommandHandler("NEW_BLOCKS", nullptr);
    }
  } forget;
  DiscussionsManager() = &manager;
  std::string root = Root;
  root.pop_back();
  ASSERT_TRUE(manager.Init(root));
  TDiscussion& discussion =
      manager.GetDiscussion(manager.CreateNewDiscussion(manager.DiscussedRoot, TStr("Ecology"), true, 0));
  discussion.Info.DIdent = "D-1";
  ASSERT_TRUE(discussion.Save());
  const std::string history = discussion.Folder.ToString() + "/InboxPostHistory/";
  RegisterPostCommandHandler("NEW_BLOCKS", [](TPostFilesHandler& handler, const std::string& path) {
    if (path.find("/S-") == std::string::npos) return true;
    handler.RefuseMessage("not signed by the leader");
    return false;
  });
  const std::string inbox = Post.Inbox.FolderPath.ToString(), inboxPost = Post.InboxPost.FolderPath.ToString();
  const std::string peer = Root + "peer/";
  ASSERT_TRUE(CreateFolder(peer));
  // Each message travels as a one-part post named after it, as the program sends it.
  std::vector<std::pair<std::string, std::string>> posts;
  for (int i = 9; i < 40; ++i) {
    const std::string name = i == 9 ? "G-NB-001" : "S-NB-0" + std::to_string(i);
    WriteMessage(peer + name,
                 {{"FROM_USER_EMAIL", "a@x"},
                  {"TO_USERS_EMAILS_CRYPTED*", "me@quillaran.test"},
                  {"COMMAND", "NEW_BLOCKS"},
                  {"DIDENT", "D-1"},
                  {"COMPOSE_DATETIME", "12/19/2005 14:05:09"}},
                 name);
    std::string error;
    ASSERT_TRUE(PackMessageCabinet(peer, name, peer + name + ".1_1", error)) << error;
    posts.push_back({name + ".1_1", peer + name + ".1_1"});
  }
  AddAccount("postaside");
  const auto unprocessed = [](TPostFilesStorage& storage) {
    TArray<int32_t> indices;
    for (uint32_t i = 0; i < storage.Files.Count(); ++i)
      if (!storage.Files[i].Processed) indices.AddItem(int32_t(i));
    return indices;
  };
  for (int delivery = 1; delivery <= 3; ++delivery) {
    SCOPED_TRACE(delivery);
    if (delivery == 2) posts.erase(posts.begin());  // the stranger's mail alone
    Deliver("postaside", "flood-" + std::to_string(delivery), "",
            "Quillaran### S-NB 2005.12.19 14:05:0" + std::to_string(delivery) + " #0", posts);
    exchange.ReceiveStep();
    EXPECT_EQ(Count("postaside"), 0) << exchange.Log();
    Post.InboxPost.Refresh(Post);
    TArray<int32_t> parts = unprocessed(Post.InboxPost);
    EXPECT_EQ(parts.Count(), posts.size());
    int done = 0;
    ASSERT_TRUE(TPostFilesHandler(Post).HandlePostFiles(Post.InboxPost, parts, false, &done, "Auto-handling"));
    EXPECT_EQ(done, int(posts.size()));
    // Joined, the parts wait for their messages' fate.
    EXPECT_TRUE(Boxes.empty()) << Boxes[0].Text;
    EXPECT_EQ(RunPeer("ls " + inboxPost + " | wc -l"), std::to_string(posts.size()) + "\n");
    EXPECT_EQ(IsFileExists(history + "G-NB-001.1_1"), delivery > 1);

    Post.Inbox.Refresh(Post);
    TArray<int32_t> messages = unprocessed(Post.Inbox);
    ASSERT_TRUE(TPostFilesHandler(Post).HandlePostFiles(Post.Inbox, messages, true, &done, "Perform"));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Caption, "HANDLING POST FILE");
    const std::string again = delivery == 1 ? "" : " (kept as S-NB-010#" + std::to_string(delivery) + ")";
    EXPECT_EQ(Boxes[0].Text.rfind("30 files set aside:\nS-NB-010: not signed by the leader" + again + "\n", 0), 0u)
        << Boxes[0].Text;
    EXPECT_NE(Boxes[0].Text.find("\nand 20 more\nThey are kept in " + inbox + "Set aside; errors.log tells why."),
              std::string::npos)
        << Boxes[0].Text;
    Boxes.clear();
    // Nothing stays behind; the refused parts lie beside their messages.
    EXPECT_EQ(RunPeer("ls -A " + inbox), "Set aside\n");
    EXPECT_EQ(RunPeer("ls -A " + inboxPost), "");
    EXPECT_EQ(Post.InboxPost.Files.Count(), 0u);
    EXPECT_EQ(RunPeer("ls '" + inbox + "Set aside' | wc -l"), std::to_string(60 * delivery) + "\n");
    EXPECT_TRUE(
        IsFileExists(inbox + "Set aside/S-NB-039" + (delivery == 1 ? "" : "#" + std::to_string(delivery)) + ".1_1"));
    EXPECT_EQ(RunPeer("ls -A " + history), "G-NB-001.1_1\n");
  }
  EXPECT_NE(ReadFile(Root + "errors.log")
                .find("SET ASIDE: InboxPost file S-NB-010.1_1 set aside as " + inbox +
                      "Set aside/S-NB-010.1_1: a part of S-NB-010, which was set aside"),
            std::string::npos);
  EXPECT_FALSE(IsErrorReported());
}

// A file system with stricter names (injected) refuses a post part's name that our rules
// made: that mail stays on the server, told in the log and in errors.log, and the mail
// behind it is received in the same run; the sound part before the refused one is not kept
// either, so that no run keeps it again. The file system mended, the next run takes both.
TEST_F(Exchange, ANameTheFileSystemRefusesLeavesItsMailOnTheServerWhole) {
  const std::string sound = Root + "sound", first = Root + "first", second = Root + "second";
  WriteFile(sound, "sound part");
  WriteFile(first, "refused part");
  WriteFile(second, "second part");
  Deliver("postrefuse", "1-post", "", "Quillaran### R 2005.12.19 14:05:09 #0", {{"Q.1_1", sound}, {"R.1_1", first}});
  ASSERT_EQ(Count("postrefuse"), 1);
  Deliver("postrefuse", "2-post", "", "Quillaran### S 2005.12.19 14:05:09 #0", {{"S.1_1", second}});
  ASSERT_EQ(Count("postrefuse"), 2);
  AddAccount("postrefuse");
  const std::string inboxPost = Post.InboxPost.FolderPath.ToString();
  for (int run = 1; run <= 3; ++run) {
    platform::RefuseFileNames("R.1_1", EINVAL);
    exchange.Lines.clear();
    exchange.ReceiveStep();
    platform::RefuseFileNames("", 0);
    const auto left = std::find_if(exchange.Lines.begin(), exchange.Lines.end(), [](const std::string& line) {
      return line.rfind("Message #1 left on the server: Error saving R.1_1 (", 0) == 0;
    });
    ASSERT_NE(left, exchange.Lines.end()) << exchange.Log();
    EXPECT_NE(left->find("Invalid argument"), std::string::npos) << *left;
    EXPECT_EQ(exchange.Cancel, 0);
    EXPECT_EQ(exchange.Lines.back(), "Finished.");
    EXPECT_EQ(RunPeer("ls -A " + inboxPost), "S.1_1\n") << "run " << run;
    EXPECT_EQ(Count("postrefuse"), 1) << exchange.Log();
  }
  // Told once in each run.
  const std::string log = ReadFile(Root + "errors.log");
  const std::string told = "MAIL LEFT ON THE SERVER: message #1 from a@x.org on 127.0.0.1: Error saving R.1_1 (";
  size_t times = 0;
  for (size_t at = log.find(told); at != std::string::npos; at = log.find(told, at + 1)) ++times;
  EXPECT_EQ(times, 3u) << log;
  EXPECT_EQ(log.find("REFUSED MAIL"), std::string::npos) << log;

  exchange.ReceiveStep();
  EXPECT_EQ(ReadFile(inboxPost + "Q.1_1"), "sound part");
  EXPECT_EQ(ReadFile(inboxPost + "R.1_1"), "refused part");
  EXPECT_EQ(Count("postrefuse"), 0) << exchange.Log();
}

// What a mail and its server say reaches the exchange window and errors.log as one line of
// its own, its control characters escaped: a subject with ESC, CR LF, the code page's
// unassigned byte and a forged "ERROR MESSAGE:" line, a part's name with them, the sender of
// a mail that cannot be read with ESC and that byte, and a server's refusal that holds them.
TEST_F(Exchange, ReceivedTextsAreShownAndLoggedOneLineEach) {
  platform::HeadlessScreen screen{800, 600};
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  const std::string hostile = "\x1B[2J\r\nERROR MESSAGE: forged\x98";
  const std::string escaped = "\\x1B[2J\\r\\nERROR MESSAGE: forged\\x98";
  // "=?windows-1251?B?...?=": the subject decodes to the hostile text.
  const std::string subject = "=?windows-1251?B?" + EncodeString<TNetEncoderMIME>("Hello" + hostile) + "?=";
  const std::string sender = "a\x1B\x98@x.org";
  const std::string unread = "From: <" + sender + ">\r\nSubject: Quillaran### U 2005.12.19 14:05:09 #0\r\n";
  const std::string part =
      "From: b@x.org\r\nSubject: Quillaran### P 2005.12.19 14:05:09 #1\r\nMIME-Version: "
      "1.0\r\nContent-Type: multipart/mixed; boundary=\"cut\"\r\n";
  const std::string parts =
      "--cut\r\nContent-Type: text/plain\r\n\r\nQuillaran###\r\n--cut\r\nContent-Type: "
      "application/octet-stream\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: "
      "attachment; filename=\"=?windows-1251?B?" +
      EncodeString<TNetEncoderMIME>("QK" + hostile + ".1_1") + "?=\"\r\n\r\n" + EncodeString<TNetEncoderMIME>("part") +
      "\r\n--cut--\r\n";
  TScriptedServer server([&](TScriptedPeer& peer) {
    peer.Send("+OK scripted\r\n");
    for (std::string line = peer.ReadLine(); !line.empty(); line = peer.ReadLine()) {
      if (line == "CAPA") peer.Send("-ERR\r\n");
      else if (line == "STAT") peer.Send("+OK 3 900\r\n");
      else if (line == "TOP 1 0") peer.Send("+OK\r\nFrom: c@x.org\r\nSubject: " + subject + "\r\n\r\n.\r\n");
      else if (line == "TOP 2 0") peer.Send("+OK\r\n" + part + "\r\n.\r\n");
      else if (line == "RETR 2") peer.Send("+OK\r\n" + part + "\r\n" + parts + ".\r\n");
      else if (line == "TOP 3 0") peer.Send("+OK\r\n" + unread + "\r\n.\r\n");
      else if (line.rfind("LIST ", 0) == 0) peer.Send("+OK " + line.substr(5) + " 300\r\n");
      // A line longer than the library reads: the mail cannot be read, and is refused.
      else if (line == "RETR 3") peer.Send("+OK\r\n" + unread + "\r\n" + std::string(20000, 'a') + "\r\n.\r\n");
      // Its deletion is refused with the server's hostile words.
      else if (line == "DELE 3") peer.Send("-ERR " + hostile.substr(0, 4) + "\r" + hostile.substr(6) + "\r\n");
      else if (line == "QUIT") {
        peer.Send("+OK\r\n");
        break;
      } else peer.Send("+OK\r\n");
    }
  });
  TEMailInfo account;
  account.POP3Server = "127.0.0.1:" + std::to_string(server.Port());
  account.UserName = "someone";
  account.Password = "secret";
  accounts.AddItem(account);
  TFormRetrieveSendPost form(nullptr);
  form.Exchange().ReadTimeout = 20000;
  std::vector<std::string> lines;
  script.Answer("Receive/Send post", [&lines](TCustomForm& shown) {
    auto& window = dynamic_cast<TFormRetrieveSendPost&>(shown);
    platform::ScreenDriver().Advance(600);
    for (int i = 0; i < window.MemoLog->Lines()->Count(); ++i) lines.push_back(window.MemoLog->Lines()->Strings(i));
    platform::PressControl(shown, "ButtonClose");
  });
  form.Execute(true, false, &accounts, &Post, "InboxPost", Post.InboxPost.FolderPath.ToString());
  server.Finish();
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  const auto shown = [&lines](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(shown("Non-quillaran message with Subject='Hello" + escaped + "' skipped...")) << all;
  // A part's name keeps no path (up to the ':' of the forged line) and no control character.
  EXPECT_TRUE(shown("Decoding forged_.1_1 to " + Post.InboxPost.FolderPath.ToString() + "...")) << all;
  EXPECT_EQ(ReadFile(Post.InboxPost.FolderPath.ToString() + "forged_.1_1"), "part");
  EXPECT_TRUE(shown("Message #3 cannot be read - deleted...")) << all;
  EXPECT_TRUE(shown("Error receiving message ( \\x1B[2J\\rERROR MESSAGE: forged\\x98 )")) << all;
  for (const std::string& line : lines) {
    EXPECT_EQ(line, EscapeControlChars(line));
    EXPECT_NE(line.rfind("ERROR MESSAGE", 0), 0u) << line;
  }
  // errors.log: one entry, one line, the sender and the library's words escaped.
  const std::string log = ReadFile(Root + "errors.log");
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
  EXPECT_EQ(log.rfind("REFUSED MAIL: message #3 from a\\x1B\\x98@x.org on " + account.POP3Server.ToString() +
                          " cannot be read (",
                      0),
            0u)
      << log;
  EXPECT_EQ(log.find('\x1B'), std::string::npos) << log;
}

TEST_F(Exchange, PostFilesAreMailedInBatchesToTheirReceivers) {
  platform::SetNowSource([] { return EncodeDate(2005, 12, 19) + EncodeTime(14, 5, 9, 0); });
  WriteFile(Root + "Extra.txt", "along");
  AddOutgoing("A.1_1", "posta@quillaran.test; postb@quillaran.test; posta@quillaran.test").AttachedFileName =
      "Extra.txt";
  AddOutgoing("B.1_1", "*");
  AddOutgoing("C.1_1", "*", "postc@quillaran.test");
  AddOutgoing("D.1_1", "posta@quillaran.test").Processed = 1;
  AddOutgoing("E.1_1", "posta@quillaran.test").Sendable = 0;
  AddAccount("posta");
  exchange.SendStep();

  EXPECT_TRUE(exchange.Logged(" *** SENDING POST..."));
  EXPECT_TRUE(exchange.Logged("Connected."));
  EXPECT_TRUE(exchange.Logged("Sending A.1_1..."));
  EXPECT_EQ(exchange.Lines.back(), "Finished.");
  const std::vector<uint8_t> processed = {1, 0, 1, 1, 0};
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(Post.OutboxPost.Files[i].Processed, processed[i]) << i;

  const std::string a = "Quillaran### A.1_1 2005.12.19 14:05:09 #0|Tester Quillaran <me@quillaran.test>|"
                        "posta@quillaran.test|me@quillaran.test|Quillaran###A.1_1|A.1_1=part A.1_1|Extra.txt=along\n";
  EXPECT_EQ(Mailbox("posta"), a);
  EXPECT_EQ(Mailbox("postb"), a);  // a blind copy
  EXPECT_EQ(Mailbox("postc"), "Quillaran### C.1_1 2005.12.19 14:05:09 #2|Tester Quillaran <me@quillaran.test>|"
                              "postc@quillaran.test|me@quillaran.test|Quillaran###C.1_1|C.1_1=part C.1_1\n");

  // Five receivers, two an e-mail: the first of each batch is its To recipient.
  accounts.Clear();
  AddAccount("posta", 2);
  AddOutgoing("F.1_1", "posta@quillaran.test; postb@quillaran.test; postc@quillaran.test; postd@quillaran.test; "
                       "poste@quillaran.test");
  exchange.Lines.clear();
  exchange.SendStep();
  EXPECT_EQ(std::count(exchange.Lines.begin(), exchange.Lines.end(), "Sending F.1_1..."), 3);
  EXPECT_EQ(Post.OutboxPost.Files[5].Processed, 1);
  const std::map<std::string, std::string> to = {
      {"posta", "posta"}, {"postb", "posta"}, {"postc", "postc"}, {"postd", "postc"}, {"poste", "poste"}};
  for (const auto& [box, first] : to) {
    const std::string mail = Mailbox(box);
    EXPECT_NE(mail.find("|" + first + "@quillaran.test|"), std::string::npos) << box << ": " << mail;
    EXPECT_NE(mail.find("Quillaran### F.1_1 2005.12.19 14:05:09 #5|"), std::string::npos) << mail;
  }

  // Nothing marked waits: the step sends nothing and says why in one line.
  exchange.Lines.clear();
  Post.OutboxPost.Files[1].Sendable = 0;
  exchange.SendStep();
  EXPECT_EQ(exchange.Lines, (std::vector<std::string>{
                                "", "Nothing to send: 2 post file(s) wait in OutboxPost but none is marked (+)."}));
}

TEST_F(Exchange, AnAccountNamesAServerOffItsStandardPortAfterAColon) {
  const auto split = [](const std::string& server, int32_t port) {
    std::string host;
    SplitServerPort(server, host, port);
    return host + "|" + std::to_string(port);
  };
  EXPECT_EQ(split("mail.example.org", 110), "mail.example.org|110");
  EXPECT_EQ(split("mail.example.org:2525", 25), "mail.example.org|2525");
  for (const char* whole : {"::1", "fe80::1:25", "host:", ":25", "host:0", "host:65536", "host:25x", "host:123456"})
    EXPECT_EQ(split(whole, 25), std::string(whole) + "|25");

  // The exchange's own ports are the standard ones; the account's win.
  exchange.Pop3Port = 1;
  exchange.SmtpPort = 1;
  TEMailInfo account;
  account.POP3Server = "127.0.0.1:" + std::to_string(Servers().Pop3Port);
  account.SMTPServer = "127.0.0.1:" + std::to_string(Servers().SmtpPort);
  account.UserName = "postport";
  account.Password = Servers().Password;
  accounts.AddItem(account);
  AddOutgoing("P.1_1", "postport@quillaran.test");
  exchange.SendStep();
  EXPECT_EQ(Post.OutboxPost.Files[0].Processed, 1);
  exchange.ReceiveStep();
  EXPECT_TRUE(exchange.Logged("Connecting to 127.0.0.1:" + std::to_string(Servers().Pop3Port) + " / postport..."));
  EXPECT_EQ(ReadFile(Post.InboxPost.FolderPath.ToString() + "P.1_1"), "part P.1_1");
}

TEST_F(Exchange, AServerThatCannotBeReachedEndsTheStep) {
  exchange.Pop3Port = 1;
  exchange.SmtpPort = 1;
  AddAccount("posta");
  AddAccount("postb");
  exchange.ReceiveStep();
  EXPECT_EQ(std::count_if(exchange.Lines.begin(), exchange.Lines.end(),
                          [](const std::string& l) { return l.rfind("Connecting to", 0) == 0; }),
            1);
  EXPECT_EQ(exchange.Lines.back(), "Finished.");
  AddOutgoing("A.1_1", "posta@quillaran.test");
  exchange.Lines.clear();
  exchange.SendStep();
  EXPECT_EQ(std::count_if(exchange.Lines.begin(), exchange.Lines.end(),
                          [](const std::string& l) { return l.rfind("Connecting to", 0) == 0; }),
            1);
  EXPECT_EQ(exchange.Lines.back(), "Finished.");
  EXPECT_EQ(Post.OutboxPost.Files[0].Processed, 0);
}

TEST_F(Exchange, TheWindowReceivesThenSendsAndLogsEveryStep) {
  platform::HeadlessScreen screen{800, 600};
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  SendWithPython("Quillaran### W 2005.12.19 14:05:09 #0", "a@x.org", {{"W.1_1", "window part"}}, "postwin");
  AddOutgoing("Out.1_1", "postwin@quillaran.test");
  AddAccount("postwin");
  TFormRetrieveSendPost form(nullptr);
  form.Exchange().Pop3Port = Servers().Pop3Port;
  form.Exchange().SmtpPort = Servers().SmtpPort;
  std::vector<std::string> lines;
  script.Answer("Receive/Send post", [&lines](TCustomForm& shown) {
    auto& window = dynamic_cast<TFormRetrieveSendPost&>(shown);
    EXPECT_EQ(window.LabelStatus->Caption(), "Initializing...");
    EXPECT_FALSE(window.ButtonClose->Visible());
    platform::ScreenDriver().Advance(600);
    EXPECT_FALSE(window.TimerStart->Enabled());
    EXPECT_TRUE(window.ButtonClose->Visible());
    EXPECT_FALSE(window.ButtonCancel->Visible());
    EXPECT_EQ(window.LabelStatus->Caption(), "Sending post to 127.0.0.1 / postwin");
    for (int i = 0; i < window.MemoLog->Lines()->Count(); ++i) lines.push_back(window.MemoLog->Lines()->Strings(i));
    platform::ScreenDriver().PressKey(VK_RETURN);  // Enter closes it, as it does every window
  });
  form.Execute(true, true, &accounts, &Post, "InboxPost", Post.InboxPost.FolderPath.ToString());
  EXPECT_EQ(form.ModalResult(), mrOk);
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_EQ(ReadFile(Post.InboxPost.FolderPath.ToString() + "W.1_1"), "window part");
  EXPECT_EQ(Post.OutboxPost.Files[0].Processed, 1);
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  ASSERT_GE(lines.size(), 10u) << all;
  EXPECT_EQ(lines[0], " *** RECEIVING POST...");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Decoding W.1_1 to " + Post.InboxPost.FolderPath.ToString() + "..."),
            lines.end()) << all;
  EXPECT_NE(std::find(lines.begin(), lines.end(), " *** SENDING POST..."), lines.end());
  EXPECT_EQ(lines.back(), "Finished.");
  const std::string mail = Mailbox("postwin");
  EXPECT_NE(mail.find("Quillaran### Out.1_1 "), std::string::npos) << mail;
}

}  // namespace

namespace {

TEST_F(Exchange, RefusedReceiversAreListedAndTheOthersGetTheirMail) {
  AddOutgoing("R.1_1", "postrefa@quillaran.test; nobody@quillaran.test; postrefb@quillaran.test");
  AddOutgoing("S.1_1", "ghost@quillaran.test");
  AddOutgoing("T.1_1", "postrefc@quillaran.test");
  AddAccount("postrefa");
  exchange.SendStep();
  EXPECT_EQ(exchange.BadAddresses, "nobody@quillaran.test\r\nghost@quillaran.test");
  EXPECT_TRUE(exchange.Logged("Finished."));
  EXPECT_EQ(exchange.Cancel, 0);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(Post.OutboxPost.Files[i].Processed, 1) << i;
  EXPECT_NE(Mailbox("postrefa").find("Quillaran### R.1_1 "), std::string::npos);
  EXPECT_NE(Mailbox("postrefb").find("Quillaran### R.1_1 "), std::string::npos);
  EXPECT_NE(Mailbox("postrefc").find("Quillaran### T.1_1 "), std::string::npos);

  // The window shows them in its own list.
  platform::HeadlessScreen screen{800, 600};
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  AddOutgoing("U.1_1", "postrefa@quillaran.test; nobody@quillaran.test");
  TFormRetrieveSendPost form(nullptr);
  form.Exchange().SmtpPort = Servers().SmtpPort;
  std::string memo, label;
  script.Answer("Receive/Send post", [](TCustomForm&) {
    platform::ScreenDriver().Advance(600);
    platform::ScreenDriver().PressKey(VK_ESCAPE);  // so does Escape, once the exchange has ended
  });
  script.Answer("Bad recipient addresses", [&memo, &label](TCustomForm& shown) {
    auto& window = dynamic_cast<TFormBadRecipientAddresses&>(shown);
    memo = window.MemoEMails->Text();
    label = window.Label1->Caption();
    EXPECT_TRUE(window.MemoEMails->ReadOnly());
    platform::PressControl(shown, "Button1");
  });
  form.Execute(false, true, &accounts, &Post, "InboxPost", Post.InboxPost.FolderPath.ToString());
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_EQ(memo, "nobody@quillaran.test");
  EXPECT_EQ(label, "There are bad recipients of command message\r\n(e-mails domains are not found):");
  EXPECT_EQ(Post.OutboxPost.Files[3].Processed, 1);
  EXPECT_NE(Mailbox("postrefa").find("Quillaran### U.1_1 "), std::string::npos);
}

}  // namespace

namespace {

// A server that takes the connection and never says a word.
class TSilentServer {
 public:
  TSilentServer() {
    fSocket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fSocket, 4);
    socklen_t length = sizeof address;
    getsockname(fSocket, reinterpret_cast<sockaddr*>(&address), &length);
    Port = ntohs(address.sin_port);
  }
  ~TSilentServer() {
    if (fPeer >= 0) close(fPeer);
    close(fSocket);
  }
  // Waits for the client; the connection stays open and silent.
  void Accept() { fPeer = accept(fSocket, nullptr, nullptr); }
  // Waits for the client and hangs up before a word.
  void HangUp() { close(accept(fSocket, nullptr, nullptr)); }
  int Port = 0;

 private:
  int fSocket = -1, fPeer = -1;
};

TEST_F(Exchange, AServerThatSaysNothingEndsTheExchangeWithinItsTimeout) {
  TSilentServer silent;
  exchange.Pop3Port = silent.Port;
  exchange.SmtpPort = silent.Port;
  exchange.ReadTimeout = 300;
  exchange.ConnectTimeout = 300;
  AddAccount("posta");
  AddOutgoing("A.1_1", "posta@quillaran.test");
  exchange.ReceiveStep();
  exchange.Cancel = 0;
  exchange.SendStep();
  EXPECT_TRUE(exchange.Logged("The server 127.0.0.1 did not answer in time (connecting)."));
  EXPECT_EQ(std::count(exchange.Lines.begin(), exchange.Lines.end(),
                       "The server 127.0.0.1 did not answer in time (connecting)."),
            2);
  EXPECT_EQ(Post.OutboxPost.Files[0].Processed, 0);
}

TEST_F(Exchange, TheMailLibrarysWordsForAFailedConnectionReachTheLog) {
  AddAccount("posta");
  // Nobody listens on the port.
  {
    TSilentServer gone;
    exchange.Pop3Port = gone.Port;
  }
  exchange.ReceiveStep();
  EXPECT_TRUE(exchange.Logged("Error connecting (Socket Error # 10061 Connection refused.)"))
      << testing::PrintToString(exchange.Lines);
  // A server that hangs up before its greeting.
  TSilentServer rude;
  exchange.Pop3Port = rude.Port;
  exchange.Cancel = 0;
  std::thread server([&rude] { rude.HangUp(); });
  exchange.ReceiveStep();
  server.join();
  EXPECT_TRUE(exchange.Logged("Error connecting (Connection Closed Gracefully.)"))
      << testing::PrintToString(exchange.Lines);
}

TEST_F(Exchange, ClosingTheWindowWhileAServerIsWaitedForEndsTheExchangeAndThenTheWindow) {
  platform::HeadlessScreen screen{800, 600};
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  TSilentServer silent;
  AddAccount("posta");
  AddOutgoing("A.1_1", "posta@quillaran.test");
  TFormRetrieveSendPost form(nullptr);
  form.Exchange().Pop3Port = silent.Port;
  form.Exchange().SmtpPort = Servers().SmtpPort;
  form.Exchange().ReadTimeout = 1500;
  std::vector<std::string> lines;
  script.Answer("Receive/Send post", [&lines, &silent](TCustomForm& shown) {
    auto& window = dynamic_cast<TFormRetrieveSendPost&>(shown);
    // The user closes the window once the server is reached and keeps silent: the window
    // hears it while it waits.
    std::thread user([&silent, window = shown.Handle()] {
      silent.Accept();
      PostMessage(window, WM_CLOSE, 0, 0);
    });
    platform::ScreenDriver().Advance(600);
    user.join();
    for (int i = 0; i < window.MemoLog->Lines()->Count(); ++i) lines.push_back(window.MemoLog->Lines()->Strings(i));
    EXPECT_EQ(window.ModalResult(), mrCancel);
  });
  form.Execute(true, true, &accounts, &Post, "InboxPost", Post.InboxPost.FolderPath.ToString());
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "The server 127.0.0.1 did not answer in time (connecting)."),
            lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), " *** SENDING POST..."), lines.end());
  EXPECT_EQ(Post.OutboxPost.Files[0].Processed, 0);
}

TEST_F(Exchange, ThePostOfficeWindowMailsTheOutboxAndJoinsWhatComesBack) {
  platform::HeadlessScreen screen{1024, 768};
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  logins.GetLogin(0).EMail.POP3Server = "127.0.0.1";
  logins.GetLogin(0).EMail.SMTPServer = "127.0.0.1";
  logins.GetLogin(0).EMail.UserName = "postform";
  logins.GetLogin(0).EMail.Password = Servers().Password;
  const std::string outbox = Post.Outbox.FolderPath.ToString();
  WriteMessage(outbox + "QK-Mail-051219-NB-001",
               {{"FROM_USER_EMAIL", "me@quillaran.test"}, {"TO_USERS_EMAILS_CRYPTED*", "postform@quillaran.test"},
                {"COMMAND", "NEW_BLOCKS"}, {"COMPOSE_DATETIME", "12/19/2005 14:05:09"}},
               testsupport::RandomBytes(5000, 11));
  const std::string message = ReadFile(outbox + "QK-Mail-051219-NB-001");

  TFormPost form(nullptr, &Post);
  form.Pop3Port = Servers().Pop3Port;
  form.SmtpPort = Servers().SmtpPort;
  form.Show();
  ASSERT_EQ(form.FolderKind(), PostKind_OutboxPost);
  ASSERT_EQ(form.DrawGridPosts->RowCount(), 2);
  const auto exchangeOnce = [&script] {
    script.Answer("Receive/Send post", [](TCustomForm& shown) {
      platform::ScreenDriver().Advance(600);
      platform::PressControl(shown, "ButtonClose");
    });
  };
  // "Mail": nothing to receive yet, the part goes to the server and into the history.
  exchangeOnce();
  platform::PressControl(form, "ButtonMail");
  EXPECT_EQ(form.DrawGridPosts->RowCount(), 1);
  EXPECT_TRUE(IsFileExists(Post.OutboxPost.HistoryPath.ToString() + "QK-Mail-051219-NB-001.1_1"));
  // "Receive": it comes back, is joined and unpacked into the Inbox byte for byte.
  exchangeOnce();
  Boxes.clear();
  platform::PressControl(form, "Button1");
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_TRUE(Showed("AUTO-HANDLING", "1 InboxPost files auto-handled."));
  EXPECT_EQ(ReadFile(Post.Inbox.FolderPath.ToString() + "QK-Mail-051219-NB-001"), message);
  platform::PressControl(form, "RadioButtonInbox");
  ASSERT_EQ(form.DrawGridPosts->RowCount(), 2);
  EXPECT_EQ(form.CellText(1, 1), "qk-Mail-051219-NB-001");
  EXPECT_EQ(form.CellText(4, 1), "NEW_BLOCKS");
  EXPECT_EQ(form.LabelFromEMail->Caption(), "me@quillaran.test");
  form.Close();
}

// A message that an older build composed to nobody was packed like any other, and its part
// would wait for ever, passed over by every send: "Send" says so in its log and moves it to
// history unsent; the post beside it is mailed as before.
TEST_F(Exchange, APartToNobodyIsNotLeftWaiting) {
  platform::HeadlessScreen screen{1024, 768};
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  logins.GetLogin(0).EMail.SMTPServer = "127.0.0.1";
  logins.GetLogin(0).EMail.UserName = "postnobody";
  logins.GetLogin(0).EMail.Password = Servers().Password;
  const std::string outbox = Post.Outbox.FolderPath.ToString();
  WriteMessage(outbox + "QK-Mail-051219-MDPR-001", {{"FROM_USER_EMAIL", "me@quillaran.test"},
                                                    {"TO_USERS_EMAILS_CRYPTED*", ""},
                                                    {"COMMAND", "MAKE_DISCUSSION_PRIVATE"},
                                                    {"COMPOSE_DATETIME", "12/19/2005 14:05:09"}});
  WriteMessage(outbox + "QK-Mail-051219-NB-002",
               {{"FROM_USER_EMAIL", "me@quillaran.test"},
                {"TO_USERS_EMAILS_CRYPTED*", "postnobody@quillaran.test"},
                {"COMMAND", "NEW_BLOCKS"},
                {"COMPOSE_DATETIME", "12/19/2005 14:05:09"}},
               "blocks");

  TFormPost form(nullptr, &Post);
  form.SmtpPort = Servers().SmtpPort;
  form.Show();
  ASSERT_EQ(form.FolderKind(), PostKind_OutboxPost);
  ASSERT_EQ(form.DrawGridPosts->RowCount(), 3);
  std::vector<std::string> log;
  script.Answer("Receive/Send post", [&log](TCustomForm& shown) {
    platform::ScreenDriver().Advance(600);
    const TStrings* lines = dynamic_cast<TFormRetrieveSendPost&>(shown).MemoLog->Lines();
    for (int i = 0; i < lines->Count(); ++i) log.push_back(lines->Strings(i));
    platform::PressControl(shown, "ButtonClose");
  });
  platform::PressControl(form, "Button3");  // "Send"
  EXPECT_EQ(script.Pending(), 0u);
  const auto logged = [&log](const std::string& line) { return std::count(log.begin(), log.end(), line); };
  EXPECT_EQ(logged("QK-Mail-051219-MDPR-001.1_1 names no receiver: it is not sent, and goes to history."), 1);
  EXPECT_EQ(logged("Sending QK-Mail-051219-NB-002.1_1..."), 1) << testing::PrintToString(log);
  EXPECT_EQ(logged("Sending QK-Mail-051219-MDPR-001.1_1..."), 0);
  EXPECT_EQ(Count("postnobody"), 1);
  EXPECT_EQ(form.DrawGridPosts->RowCount(), 1);  // nothing waits
  const std::string history = Post.OutboxPost.HistoryPath.ToString();
  EXPECT_TRUE(IsFileExists(history + "QK-Mail-051219-MDPR-001.1_1"));
  EXPECT_TRUE(IsFileExists(history + "QK-Mail-051219-NB-002.1_1"));
  form.Close();
}

}  // namespace
