// Handling runs: outgoing messages packed and split (checked by cabextract and gcab),
// received parts joined and unpacked (also of cabinets that gcab made), refusals of bad
// sets, and the dispatch of received messages by their command.

#include "Posttesthelpers.h"

#include "dialogs/Tformprogress.h"
#include "foundation/Commoncrypt.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "foundation/Textroutines.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussionsmanager.h"
#include "net/Tcabwriter.h"
#include "platform/display/Headlessscreen.h"
#include "platform/forms/Forms.h"
#include "postoffice/Advisedlist.h"
#include "postoffice/Commandhandlers.h"
#include "postoffice/Postarchives.h"
#include "postoffice/Postcommands.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tmoderatecaller.h"
#include "postoffice/Partchoice.h"
#include "postoffice/Tpostfileshandler.h"
#include "tests/support/Testsupport.h"

#include <sys/stat.h>

using namespace posttest;
using testsupport::ReadFile;
using testsupport::RunPeer;
using testsupport::WriteFile;

namespace {

// A run that keeps what the window would show.
class TRecordingRun : public TPostFilesHandler {
 public:
  using TPostFilesHandler::TPostFilesHandler;
  std::vector<std::string> Progress;
  int Refreshed = 0, Closed = 0;

 protected:
  void ShowProgress(const std::string& status) override { Progress.push_back(status); }
  void CloseProgress() override { ++Closed; }
  void RefreshList() override { ++Refreshed; }
};

class Handling : public PostTest {
 protected:
  void SetUp() override {
    PostTest::SetUp();
    ASSERT_TRUE(Post.Load());
  }
  void TearDown() override {
    for (const TPostCommand& row : PostCommands()) RegisterPostCommandHandler(row.Name, nullptr);
    DiscussionsManager() = nullptr;
    PostTest::TearDown();
  }
  // Runs over the named files of a folder.
  bool RunOver(TPostFilesStorage& storage, const std::vector<std::string>& names, int& done) {
    TArray<int32_t> indices;
    for (const std::string& name : names) indices.AddItem(storage.FindPostFile(name));
    return run.HandlePostFiles(storage, indices, true, &done, "Perform");
  }
  std::string Message(const std::string& name, const std::string& command, const std::string& data = "",
                      const std::string& date = "12/19/2005 14:05:09", const std::string& dident = "D-1") {
    const std::string path = Post.Inbox.FolderPath.ToString() + name;
    WriteMessage(path, {{"FROM_USER_EMAIL", "a@x"}, {"TO_USERS_EMAILS_CRYPTED*", "me@x"}, {"COMMAND", command},
                        {"DIDENT", dident}, {"COMPOSE_DATETIME", date}}, data);
    return path;
  }
  // A discussion of its own discussions' manager, named `name`, known as D-1.
  TDiscussion& Discussed(const char* name) {
    DiscussionsManager() = &Manager;
    std::string root = Root;
    root.pop_back();
    EXPECT_TRUE(Manager.Init(root));
    const int index = Manager.CreateNewDiscussion(Manager.DiscussedRoot, TStr(name), true, 0);
    TDiscussion& discussion = Manager.GetDiscussion(index);
    discussion.Info.DIdent = "D-1";
    return discussion;
  }
  TRecordingRun run{Post};
  TDiscussionsManager Manager;
};

TEST_F(Handling, AnOutgoingMessageTravelsAsPartsAndComesBackWhole) {
  const std::string outbox = Post.Outbox.FolderPath.ToString();
  WriteMessage(outbox + "QK-Ecology-051219-NB-001",
               {{"FROM_USER_EMAIL", "a@x"}, {"TO_USERS_EMAILS_CRYPTED*", "b@y"}, {"COMMAND", "NEW_BLOCKS"},
                {"DIDENT", "D-1"}, {"COMPOSE_DATETIME", "12/19/2005 14:05:09"}},
               testsupport::RandomBytes(30000, 7));
  const std::string message = ReadFile(outbox + "QK-Ecology-051219-NB-001");
  Post.Outbox.Refresh(Post);
  run.PostPartSizeKB = 10;
  int done = -1;
  ASSERT_TRUE(RunOver(Post.Outbox, {"QK-Ecology-051219-NB-001"}, done));
  EXPECT_EQ(done, 1);
  EXPECT_TRUE(Reports.empty());
  EXPECT_EQ(Post.Outbox.Files.Count(), 0u);
  EXPECT_FALSE(IsFileExists(outbox + "QK-Ecology-051219-NB-001"));
  EXPECT_FALSE(IsFileExists(outbox + "QK-Ecology-051219-NB-001.cab"));
  ASSERT_EQ(run.Progress.size(), 1u);
  EXPECT_EQ(run.Progress[0], "Perform - 1 of 1 messages...");
  EXPECT_TRUE(IsFileExists(Post.CBSFileName.ToString()));  // saved after an Outbox run

  // Three parts of 11000 bytes at most, carrying their message's data.
  ASSERT_EQ(Post.OutboxPost.Files.Count(), 3u);
  std::string parts;
  const std::string outboxPost = Post.OutboxPost.FolderPath.ToString();
  for (uint32_t i = 1; i <= 3; ++i) {
    const std::string part = "QK-Ecology-051219-NB-001." + std::to_string(i) + "_3";
    const int32_t at = Post.OutboxPost.FindPostFile(part);
    ASSERT_GE(at, 0) << part;
    EXPECT_EQ(Post.OutboxPost.Files[uint32_t(at)].Command, "NEW_BLOCKS");
    EXPECT_LE(Post.OutboxPost.Files[uint32_t(at)].Size, 11000u);
    parts += outboxPost + part + " ";
  }
  // The joined parts are a cabinet that the independent tools read.
  const std::string peer = Root + "peer/";
  ASSERT_TRUE(CreateFolder(peer));
  RunPeer("cat " + parts + "> " + peer + "joined.cab");
  // Its one folder is MSZIP (the folder entry's compression word follows the header and
  // its reserved area, which holds the links of the parts).
  const std::string joined = ReadFile(peer + "joined.cab");
  const size_t reserved = uint8_t(joined[36]) | size_t(uint8_t(joined[37])) << 8;
  EXPECT_GE(reserved, PostLinkAreaSize(3));
  EXPECT_EQ(joined.substr(PostLinkAreaOffset + reserved + 6, 2), std::string("\x01\x00", 2));
  std::vector<TPartDigest> links;
  ASSERT_TRUE(ReadPostLinks(ReadFile(outboxPost + "QK-Ecology-051219-NB-001.1_3"), 3, links));
  for (uint32_t i = 2; i <= 3; ++i) {
    const std::string part = ReadFile(outboxPost + "QK-Ecology-051219-NB-001." + std::to_string(i) + "_3");
    EXPECT_EQ(links[i - 2], PostPartDigest(part.data(), part.size())) << i;
  }
  RunPeer("cabextract -q -d " + peer + "x " + peer + "joined.cab");
  EXPECT_EQ(ReadFile(peer + "x/QK-Ecology-051219-NB-001"), message);
  RunPeer("cd " + peer + " && mkdir g && cd g && gcab -x ../joined.cab");
  EXPECT_EQ(ReadFile(peer + "g/QK-Ecology-051219-NB-001"), message);
  RunPeer("7z x -y -o" + peer + "z " + peer + "joined.cab > /dev/null");
  EXPECT_EQ(ReadFile(peer + "z/QK-Ecology-051219-NB-001"), message);

  // Received by another program, which knows nothing of what this one sealed: any two
  // parts of the set start one join, and the message is hashed for its seal and its
  // signature once on its way from the parts to its handler.
  ForgetKeptVerdicts();
  const uint64_t checks = MessageHashings();
  const std::string inboxPost = Post.InboxPost.FolderPath.ToString();
  RunPeer("cp " + parts + inboxPost);
  Post.InboxPost.Refresh(Post);
  ASSERT_TRUE(RunOver(Post.InboxPost, {"QK-Ecology-051219-NB-001.3_3", "QK-Ecology-051219-NB-001.1_3"}, done));
  EXPECT_EQ(done, 1);
  EXPECT_TRUE(Reports.empty());
  EXPECT_EQ(ReadFile(Post.Inbox.FolderPath.ToString() + "QK-Ecology-051219-NB-001"), message);
  ASSERT_EQ(Post.Inbox.Files.Count(), 1u);
  EXPECT_EQ(Post.Inbox.Files[0].Command, "NEW_BLOCKS");
  // The discussion D-1 is not here: the retired parts wait to go into its history.
  ASSERT_EQ(Post.InboxPost.Files.Count(), 3u);
  for (const TPostFile& part : Post.InboxPost.Files) EXPECT_EQ(part.Processed, 1);
  EXPECT_EQ(RunPeer("ls -A " + Post.Inbox.FolderPath.ToString()), "QK-Ecology-051219-NB-001\n");
  EXPECT_EQ(MessageHashings(), checks + 2);
  std::string opened;
  RegisterPostCommandHandler("NEW_BLOCKS", [&opened](TPostFilesHandler&, const std::string& path) {
    THandlerFrame frame("Test");
    if (frame.Open(path, {"NEW_BLOCKS"})) opened = frame.Field("DIDENT");
    return false;
  });
  ASSERT_TRUE(RunOver(Post.Inbox, {"QK-Ecology-051219-NB-001"}, done));
  EXPECT_EQ(opened, "D-1");
  EXPECT_EQ(MessageHashings(), checks + 2);
}

TEST_F(Handling, AMessageWhosePartsCannotBePublishedStaysInTheOutbox) {
  const std::string outbox = Post.Outbox.FolderPath.ToString(), outboxPost = Post.OutboxPost.FolderPath.ToString();
  WriteMessage(outbox + "QK-2", {{"TO_USERS_EMAILS_CRYPTED*", "b@y"}, {"COMMAND", "NEW_BLOCKS"}});
  WriteMessage(outbox + "QK-3", {{"TO_USERS_EMAILS_CRYPTED*", "b@y"}, {"COMMAND", "NEW_BLOCKS"}});
  Post.Outbox.Refresh(Post);
  ASSERT_TRUE(CreateFolder(outboxPost + "QK-2.1_1"));  // stands where the part must go
  int done = 0;
  ASSERT_TRUE(RunOver(Post.Outbox, {"QK-2", "QK-3"}, done));
  EXPECT_EQ(done, 0);
  ASSERT_EQ(Reports.size(), 1u);
  EXPECT_EQ(Reports[0].rfind("Can't move file " + outbox + ".pack/parts/QK-2.1_1 to " + outboxPost, 0), 0u);
  EXPECT_EQ(Post.Outbox.Files.Count(), 2u);  // both wait: the run stopped
  EXPECT_TRUE(IsFileExists(outbox + "QK-2"));
  EXPECT_EQ(Post.OutboxPost.Files.Count(), 0u);
  EXPECT_EQ(RunPeer("ls -A " + outbox + ".pack/parts"), "");
  EXPECT_EQ(RunPeer("ls -A " + outbox), ".pack\nQK-2\nQK-3\n");
}

TEST_F(Handling, CabinetsOfAnotherToolUnpackWithoutTouchingWhatIsThere) {
  const std::string peer = Root + "peer/", inbox = Post.Inbox.FolderPath.ToString();
  const std::string inboxPost = Post.InboxPost.FolderPath.ToString();
  ASSERT_TRUE(CreateFolder(peer));
  WriteMessage(peer + "Letter", {{"COMMAND", "NEW_BLOCKS"}}, "a received message");
  WriteMessage(peer + "Taken", {{"COMMAND", "NEW_BLOCKS"}}, "the newer one");
  WriteFile(inbox + "Taken", "the older one");
  RunPeer("mkdir -p " + peer + "sub && echo nested > " + peer + "sub/Nested");
  RunPeer("cd " + peer + " && gcab -c -z g.cab Letter Taken sub/Nested && split -n 2 -d g.cab part && mv part00 " +
          inboxPost + "g.1_2 && mv part01 " + inboxPost + "g.2_2");
  Post.InboxPost.Refresh(Post);
  int done = 0;
  ASSERT_TRUE(RunOver(Post.InboxPost, {"g.2_2"}, done));
  EXPECT_EQ(ReadFile(inbox + "Letter"), ReadFile(peer + "Letter"));
  EXPECT_EQ(ReadFile(inbox + "Taken"), "the older one");
  EXPECT_EQ(ReadFile(inbox + "Taken#2"), ReadFile(peer + "Taken"));
  EXPECT_GE(Post.Inbox.FindPostFile("Taken#2"), 0);
  // Only plain files of the cabinet's top come out; nothing is left in work folders.
  EXPECT_EQ(RunPeer("ls -A " + inbox), "Letter\nTaken\nTaken#2\n");

  // A cabinet of more files than a message set may hold is refused whole.
  RunPeer("mkdir -p " + peer + "many && cd " + peer + "many && for i in $(seq 1 1001); do echo $i > f$i; done && "
          "gcab -c ../many.cab f* && cp ../many.cab " + inboxPost + "many.1_1");
  Post.InboxPost.Refresh(Post);
  ASSERT_TRUE(RunOver(Post.InboxPost, {"many.1_1"}, done));
  EXPECT_TRUE(Showed("HANDLING POST FILE",
                     "many.1_1: Can't unpack many.cab: more than 1000 files in the cabinet. "
                     "Nothing of it was applied."));
  EXPECT_EQ(RunPeer("ls -A " + inbox), "Letter\nTaken\nTaken#2\n");
  // A post of one part is whole: no other part makes it unpack, and it goes aside at once.
  EXPECT_EQ(ReadFile(inboxPost + "Set aside/many.1_1"), ReadFile(peer + "many.cab"));
}

// A small cabinet that would expand far beyond what its message can hold is refused
// before its output is written; nothing of it is left, and the post beside it comes in.
TEST_F(Handling, ACabinetBombIsRefusedBeforeItsOutputIsWritten) {
  const std::string inbox = Post.Inbox.FolderPath.ToString(), inboxPost = Post.InboxPost.FolderPath.ToString();
  const std::string peer = Root + "peer/";
  ASSERT_TRUE(CreateFolder(peer));
  // One block announced, 24 MiB of zeros after the header.
  WriteMessage(peer + "Bomb-NB-001", {{"COMMAND", "NEW_BLOCKS"}, {"BLOCKSCOUNT", "1"}}, std::string(24 << 20, '\0'),
               false);
  WriteMessage(peer + "Good-NB-002", {{"COMMAND", "NEW_BLOCKS"}, {"BLOCKSCOUNT", "1"}}, "one block");
  RunPeer("cd " + peer + " && gcab -c -z bomb.cab Bomb-NB-001 && gcab -c -z good.cab Good-NB-002 && cp bomb.cab " +
          inboxPost + "bomb.1_1 && cp good.cab " + inboxPost + "good.1_1");
  ASSERT_LT(std::stoul(RunPeer("stat -c %s " + peer + "bomb.cab")), 200000u);  // small on the wire
  Post.InboxPost.Refresh(Post);
  int done = 0;
  ASSERT_TRUE(RunOver(Post.InboxPost, {"bomb.1_1", "good.1_1"}, done));
  EXPECT_EQ(done, 1);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_NE(Boxes[0].Text.find("bomb.1_1: Can't unpack bomb.cab: the post unpacks to more than the " +
                               std::to_string(MaxMessageHeaderBytes + MessageDataRoom + MaxBlockRecordBytes) +
                               " bytes its message can hold. Nothing of it was applied.\n"),
            std::string::npos)
      << Boxes[0].Text;
  EXPECT_EQ(RunPeer("ls -A " + inbox), "Good-NB-002\n");
  EXPECT_TRUE(Reports.empty());
}

// What a stranger's cabinet makes the reader fail on is the post's own fault, never this
// computer's: a cabinet that goes on into another (no post of ours does), members that
// cannot all be written (a file and a folder of one name). Each goes aside, and the run goes
// on with the post behind it.
TEST_F(Handling, ACabinetThatCannotBeUnpackedStopsNothingBehindIt) {
  const std::string inbox = Post.Inbox.FolderPath.ToString(), inboxPost = Post.InboxPost.FolderPath.ToString();
  const std::string peer = Root + "peer/";
  ASSERT_TRUE(CreateFolder(peer));
  WriteMessage(peer + "Long-NB-001", {{"COMMAND", "NEW_BLOCKS"}, {"BLOCKSCOUNT", "1"}},
               testsupport::RandomBytes(60000, 3), false);
  WriteMessage(peer + "Good-NB-002", {{"COMMAND", "NEW_BLOCKS"}, {"BLOCKSCOUNT", "1"}}, "one block");
  {
    TCabWriter writer(nullptr);
    writer.SetCabinetSizeThreshold(30000);
    writer.Open(peer + "long.cab");
    writer.AddFile(peer + "Long-NB-001", "Long-NB-001", false);
    writer.Close(true);
  }
  ASSERT_TRUE(IsFileExists(peer + "long2.cab"));  // the set goes on; only its first cabinet is sent
  {
    TCabWriter writer(nullptr);
    writer.Open(peer + "clash.cab");
    writer.AddFile(peer + "Good-NB-002", "Clash", false);
    writer.AddFile(peer + "Good-NB-002", "Clash\\Inner", false);
    writer.Close(true);
  }
  RunPeer("cd " + peer + " && gcab -c -z good.cab Good-NB-002 && cp long.cab " + inboxPost + "a.1_1 && cp clash.cab " +
          inboxPost + "b.1_1 && cp good.cab " + inboxPost + "c.1_1");
  Post.InboxPost.Refresh(Post);
  int done = 0;
  ASSERT_TRUE(RunOver(Post.InboxPost, {"a.1_1", "b.1_1", "c.1_1"}, done));
  EXPECT_EQ(RunPeer("ls -A " + inbox), "Good-NB-002\n");
  EXPECT_EQ(ReadFile(inboxPost + "Set aside/a.1_1"), ReadFile(peer + "long.cab"));
  EXPECT_EQ(ReadFile(inboxPost + "Set aside/b.1_1"), ReadFile(peer + "clash.cab"));
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_NE(Boxes[0].Text.find("a.1_1: Can't unpack a.cab: it goes on into another cabinet, which no post does."),
            std::string::npos)
      << Boxes[0].Text;
  EXPECT_NE(Boxes[0].Text.find("b.1_1: Can't unpack b.cab: "), std::string::npos) << Boxes[0].Text;
}

TEST_F(Handling, AReceivedCabinetNeverStartsAProgram) {
  // A sealed message, marked to run once it is out of the cabinet, whose lines would leave a
  // mark when a shell ran them.
  const std::string peer = Root + "peer/", inbox = Post.Inbox.FolderPath.ToString();
  const std::string inboxPost = Post.InboxPost.FolderPath.ToString();
  ASSERT_TRUE(CreateFolder(peer));
  WriteMessage(peer + "Run", {{"COMMAND", "NEW_BLOCKS"}, {"BLOCKSCOUNT", "1"}}, "\ntouch " + peer + "ran\n");
  chmod((peer + "Run").c_str(), 0755);
  {
    TCabWriter writer(nullptr);
    writer.Open(peer + "run.cab");
    writer.AddFile(peer + "Run", "Run", true);
    writer.Close(true);
  }
  RunPeer("cabextract -l " + peer + "run.cab");  // a cabinet others read too
  RunPeer("cp " + peer + "run.cab " + inboxPost + "run.1_1");
  Post.InboxPost.Refresh(Post);
  int done = 0;
  ASSERT_TRUE(RunOver(Post.InboxPost, {"run.1_1"}, done));
  EXPECT_EQ(ReadFile(inbox + "Run"), ReadFile(peer + "Run"));
  EXPECT_FALSE(IsFileExists(peer + "ran")) << "the received file was started";
  struct stat arrived {};
  ASSERT_EQ(stat((inbox + "Run").c_str(), &arrived), 0);
  EXPECT_EQ(arrived.st_mode & 0111, 0u) << "a received file is never made executable";
}

// An old incomplete set and a damaged one stop nothing: the complete post behind them is
// joined, each waiting set is told once, and after the keeping time its parts go aside.
TEST_F(Handling, IncompleteOrDamagedSetsWaitToldOnceAndAreSetAsideLater) {
  const std::string inbox = Post.Inbox.FolderPath.ToString(), inboxPost = Post.InboxPost.FolderPath.ToString();
  WriteFile(inboxPost + "bad.1_2", testsupport::RandomBytes(3000, 1));
  WriteFile(inboxPost + "bad.2_2", testsupport::RandomBytes(3000, 2));
  WriteFile(inboxPost + "msg.2_3", "p2");
  WriteFile(inboxPost + "msg.3_3", "p3");
  WriteFile(inboxPost + "Readme.txt", "no postfix");
  const std::string peer = Root + "peer/";
  ASSERT_TRUE(CreateFolder(peer));
  WriteMessage(peer + "Good-NB-001", {{"TO_USERS_EMAILS_CRYPTED*", "me@x"}, {"COMMAND", "NEW_BLOCKS"}}, "blocks");
  RunPeer("cd " + peer + " && gcab -c -z good.cab Good-NB-001 && cp good.cab " + inboxPost + "good.1_1");
  RunPeer("cd " + inboxPost + " && touch -d '2 days ago' bad.1_2 bad.2_2 msg.2_3 msg.3_3 Readme.txt");
  Post.InboxPost.Refresh(Post);
  const auto all = [this] {
    std::vector<std::string> names;
    for (const TPostFile& file : Post.InboxPost.Files) names.push_back(file.Name.ToString());
    return names;
  };

  int done = 0;
  ASSERT_TRUE(RunOver(Post.InboxPost, all(), done));
  EXPECT_EQ(done, 1);
  EXPECT_EQ(ReadFile(inbox + "Good-NB-001"), ReadFile(peer + "Good-NB-001"));
  ASSERT_EQ(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[0].Text.rfind("2 sets of received parts wait:\n", 0), 0u) << Boxes[0].Text;
  EXPECT_TRUE(Showed("HANDLING POST FILE", "\nNot enough message parts! msg.cab lacks part(s) 1\n"));
  EXPECT_TRUE(Showed("HANDLING POST FILE", "\nCan't unpack bad.cab: "));
  EXPECT_NE(Boxes[0].Text.find("\nEach set waits for its parts; it is set aside when none came for 7 days."),
            std::string::npos)
      << Boxes[0].Text;
  EXPECT_EQ(Boxes[1].Text,
            "1 file set aside:\nReadme.txt: Handling InboxPost files - can't find postfix\nThey are "
            "kept in " +
                inboxPost + "Set aside; errors.log tells why.");
  EXPECT_EQ(RunPeer("ls -A " + inboxPost + "'Set aside'"), "Readme.txt\n");

  // Told once: the next run says nothing of them.
  Boxes.clear();
  ASSERT_TRUE(RunOver(Post.InboxPost, all(), done));
  EXPECT_EQ(done, 0);
  EXPECT_TRUE(Boxes.empty());
  // The joined part waits for its message's fate.
  EXPECT_EQ(RunPeer("ls " + inboxPost), "Set aside\nbad.1_2\nbad.2_2\ngood.1_1\nmsg.2_3\nmsg.3_3\n");
  // Nor does a start after it: the sets told are kept with the post state.
  Post.ToldSets.clear();
  ASSERT_TRUE(Post.Load());
  ASSERT_TRUE(RunOver(Post.InboxPost, all(), done));
  EXPECT_TRUE(Boxes.empty());
  // A file that comes under a told set's names, anybody's, has the set told again: the
  // names alone decide nothing of what the user learns.
  WriteFile(inboxPost + "msg.1_3", "p1");
  Post.InboxPost.Refresh(Post);
  ASSERT_TRUE(RunOver(Post.InboxPost, all(), done));
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_TRUE(Showed("HANDLING POST FILE", "Can't unpack msg.cab: ")) << Boxes[0].Text;
  Boxes.clear();
  ASSERT_TRUE(RunOver(Post.InboxPost, all(), done));
  EXPECT_TRUE(Boxes.empty());
  ASSERT_TRUE(DeleteFileA((inboxPost + "msg.1_3").c_str()));

  // No part came for the keeping time: the sets go aside, with one summary.
  RunPeer("cd " + inboxPost + " && touch -d '8 days ago' bad.1_2 bad.2_2 msg.2_3 msg.3_3");
  for (uint32_t i = Post.InboxPost.Files.Count(); i-- > 0;)
    if (!Post.InboxPost.Files[i].Processed) Post.InboxPost.Files.Delete(i);
  Post.InboxPost.Refresh(Post);
  ASSERT_TRUE(RunOver(Post.InboxPost, all(), done));
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text.rfind("4 files set aside:\n", 0), 0u) << Boxes[0].Text;
  EXPECT_NE(Boxes[0].Text.find("msg.2_3: Not enough message parts!\nmsg.cab lacks part(s) 1 (no part came for 7 days)"),
            std::string::npos);
  EXPECT_EQ(Post.InboxPost.Files.Count(), 1u);
  EXPECT_EQ(RunPeer("ls " + inboxPost + "'Set aside'"), "Readme.txt\nbad.1_2\nbad.2_2\nmsg.2_3\nmsg.3_3\n");
  const std::string log = ReadFile(Root + "errors.log");
  EXPECT_NE(log.find("SET ASIDE: InboxPost file bad.2_2 set aside as " + inboxPost + "Set aside/bad.2_2: Can't unpack bad.cab"),
            std::string::npos);
  EXPECT_EQ(RunPeer("ls -A " + inbox), "Good-NB-001\n");
  EXPECT_TRUE(Reports.empty());
  EXPECT_FALSE(IsErrorReported());
}

// A participant's copy of the leader's first part, its data altered but its links kept,
// holds the plain name, and an altered copy of the last part lies beside the genuine one:
// the copy's post fails alone and only its first part goes aside, the genuine post is
// joined from the very parts the copy linked, and the altered last part is told as nobody's.
TEST_F(Handling, AListThatFailsSetsAsideOnlyItsFirstPart) {
  const std::string outbox = Post.Outbox.FolderPath.ToString(), name = "QK-Ecology-051219-NB-002";
  WriteMessage(outbox + name, {{"FROM_USER_EMAIL", "a@x"}, {"COMMAND", "NEW_BLOCKS"}, {"DIDENT", "D-1"}},
               testsupport::RandomBytes(3000, 9));
  const std::string message = ReadFile(outbox + name);
  Post.Outbox.Refresh(Post);
  run.PostPartSizeKB = 1;
  int done = 0;
  ASSERT_TRUE(RunOver(Post.Outbox, {name}, done));
  ASSERT_EQ(Post.OutboxPost.Files.Count(), 4u);
  const std::string outboxPost = Post.OutboxPost.FolderPath.ToString(),
                    inboxPost = Post.InboxPost.FolderPath.ToString();
  const auto altered = [](std::string bytes) {
    bytes[bytes.size() - 100] ^= 0x33;
    bytes[bytes.size() - 96] ^= 0x33;
    return bytes;
  };
  WriteFile(inboxPost + name + ".1_4", altered(ReadFile(outboxPost + name + ".1_4")));
  WriteFile(inboxPost + name + "#2.1_4", ReadFile(outboxPost + name + ".1_4"));
  for (const char* part : {".2_4", ".3_4", ".4_4"})
    WriteFile(inboxPost + name + part, ReadFile(outboxPost + name + part));
  WriteFile(inboxPost + name + "#2.4_4", altered(ReadFile(outboxPost + name + ".4_4")));
  Post.InboxPost.Refresh(Post);
  std::vector<std::string> all;
  for (const TPostFile& file : Post.InboxPost.Files) all.push_back(file.Name.ToString());
  Boxes.clear();
  ASSERT_TRUE(RunOver(Post.InboxPost, all, done));
  EXPECT_EQ(ReadFile(Post.Inbox.FolderPath.ToString() + name), message);
  EXPECT_EQ(RunPeer("ls " + inboxPost + "'Set aside'"), name + ".1_4\n");
  ASSERT_EQ(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[0].Text, "1 file(s) under the names of " + name +
                               ".cab that no post that came links, so nobody can tell whose they are: " + name +
                               "#2.4_4\nThe set waits for its parts; it is set aside when none came for 7 days.");
  EXPECT_EQ(Boxes[1].Text.rfind("1 file set aside:\n" + name + ".1_4: the first part of a post " + name +
                                    ".cab that links " + name + ".2_4, " + name + ".3_4, " + name + ".4_4: it ",
                                0),
            0u)
      << Boxes[1].Text;
  EXPECT_NE(
      Boxes[1].Text.find(". Nothing of it was applied; the parts it links stay for any other post that links them."),
      std::string::npos)
      << Boxes[1].Text;
  for (const char* part : {"#2.1_4", ".2_4", ".3_4", ".4_4"})
    EXPECT_TRUE(Post.InboxPost.Files[uint32_t(Post.InboxPost.FindPostFile(name + part))].Processed) << part;
  EXPECT_TRUE(Reports.empty());
}

// Others' files hold every counted name a post's message could take in the Inbox ("#2" ...
// "#16"): the message takes a name the program chose, and it and the post behind it are
// joined in the same run; nothing is set aside.
TEST_F(Handling, APostWhoseMessageNameOthersHoldIsJoinedUnderAChosenName) {
  const std::string inbox = Post.Inbox.FolderPath.ToString(), inboxPost = Post.InboxPost.FolderPath.ToString();
  const std::string peer = Root + "peer/";
  ASSERT_TRUE(CreateFolder(peer));
  for (const char* name : {"Taken-NB-001", "Good-NB-001"})
    WriteMessage(peer + name, {{"TO_USERS_EMAILS_CRYPTED*", "me@x"}, {"COMMAND", "NEW_BLOCKS"}}, name);
  RunPeer("cd " + peer + " && gcab -c -z taken.cab Taken-NB-001 && cp taken.cab " + inboxPost +
          "taken.1_1 && gcab -c -z good.cab Good-NB-001 && cp good.cab " + inboxPost + "good.1_1");
  RunPeer("touch -d '1 hour ago' " + inboxPost + "taken.1_1");
  RunPeer("cd " + inbox + " && : > Taken-NB-001 && for i in $(seq 2 " + std::to_string(MaxCountedNames) +
          "); do : > \"Taken-NB-001#$i\"; done");
  Post.InboxPost.Refresh(Post);
  int done = 0;
  ASSERT_TRUE(RunOver(Post.InboxPost, {"taken.1_1", "good.1_1"}, done));
  EXPECT_EQ(done, 2);
  EXPECT_EQ(ReadFile(inbox + "Good-NB-001"), ReadFile(peer + "Good-NB-001"));
  const std::string chosen = RunPeer("cd " + inbox + " && ls | grep -E '^Taken-NB-001#[0-9]{12}$'");
  ASSERT_EQ(chosen.size(), std::string("Taken-NB-001#").size() + 13) << RunPeer("ls " + inbox);
  EXPECT_EQ(ReadFile(inbox + chosen.substr(0, chosen.size() - 1)), ReadFile(peer + "Taken-NB-001"));
  EXPECT_GE(Post.Inbox.FindPostFile(chosen.substr(0, chosen.size() - 1)), 0);
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(RunPeer("ls " + inbox + " | wc -l"), std::to_string(MaxCountedNames + 2) + "\n");
}

// A refused message whose "Set aside" folder cannot be made stays, and the box says so, not
// that it was set aside; once the folder can be made, it leaves, also when a thousand
// earlier copies hold the names counted for it there.
TEST_F(Handling, ARefusedMessageLeavesTheInboxAndTheBoxSaysWhereItIs) {
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  WriteFile(inbox + "Set aside", "in the way");
  Message("M", "BOGUS_COMMAND");
  Post.Inbox.Refresh(Post);
  int done = 0;
  for (int again = 0; again < 2; ++again) {
    ASSERT_TRUE(RunOver(Post.Inbox, {"M"}, done));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text.rfind("1 file refused could not be set aside and stay in " + inbox + ":\nM: ", 0), 0u)
        << Boxes[0].Text;
    EXPECT_EQ(Boxes[0].Text.find("set aside:"), std::string::npos) << Boxes[0].Text;
    EXPECT_NE(Boxes[0].Text.find("\nThe next run refuses them again; errors.log tells why."), std::string::npos);
    Boxes.clear();
    EXPECT_TRUE(IsFileExists(inbox + "M"));
  }
  EXPECT_NE(ReadFile(Root + "errors.log").find("SET ASIDE: Inbox file M could not be set aside ("), std::string::npos);

  // The folder made room: the next run sets it aside.
  DeleteFileA((inbox + "Set aside").c_str());
  ASSERT_TRUE(RunOver(Post.Inbox, {"M"}, done));
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text,
            "1 file set aside:\nM: Unknown command (BOGUS_COMMAND) - can't handle Inbox file M; the "
            "file is set aside.\nThey are kept in " +
                inbox + "Set aside; errors.log tells why.");
  EXPECT_EQ(RunPeer("ls -A " + inbox), "Set aside\n");

  // A thousand earlier copies hold every counted name of it: the next copy leaves all the
  // same, and the box names where it is kept.
  RunPeer("cd '" + inbox + "Set aside' && for i in $(seq 2 1000); do : > \"M#$i\"; done");
  Boxes.clear();
  Message("M", "BOGUS_COMMAND");
  Post.Inbox.Refresh(Post);
  ASSERT_TRUE(RunOver(Post.Inbox, {"M"}, done));
  EXPECT_EQ(RunPeer("ls -A " + inbox), "Set aside\n");
  EXPECT_EQ(RunPeer("ls '" + inbox + "Set aside' | wc -l"), "1001\n");
  const std::string kept = RunPeer("cd '" + inbox + "Set aside' && ls | grep -v '^M#[0-9]\\{1,4\\}$' | grep -vx M");
  ASSERT_EQ(kept.size(), 15u) << kept;  // "M#", twelve digits and the line end
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text,
            "1 file set aside:\nM: Unknown command (BOGUS_COMMAND) - can't handle Inbox file M; the "
            "file is set aside. (kept as " +
                kept.substr(0, 14) + ")\nThey are kept in " + inbox + "Set aside; errors.log tells why.");
}

TEST_F(Handling, ReceivedMessagesGoToTheHandlersOfTheirCommands) {
  std::vector<std::string> seen;
  RegisterPostCommandHandler("NEW_BLOCKS", [&seen](TPostFilesHandler& r, const std::string& path) {
    seen.push_back(path);
    r.AddedBlocks += 5;
    return true;
  });
  RegisterPostCommandHandler("REQUESTED_BLOCKS", [&seen](TPostFilesHandler& r, const std::string& path) {
    seen.push_back(path);
    r.AddedBlocks += 3;
    return true;
  });
  RegisterPostCommandHandler("YOUR_COMMAND_IGNORED", [&seen](TPostFilesHandler&, const std::string& path) {
    seen.push_back(path);
    return false;  // not yet: stays for a later run
  });
  for (const char* command : {"FORM_NEW_MODEL", "AUTHORS_UPDATE"})
    RegisterPostCommandHandler(command, [&seen](TPostFilesHandler&, const std::string& path) {
      seen.push_back(path);
      return true;
    });
  const std::string later = Message("B-later", "NEW_BLOCKS", "", "12/20/2005 10:00:00");
  const std::string earlier = Message("A-earlier", "REQUESTED_BLOCKS", "", "12/19/2005 10:00:00");
  const std::string waits = Message("C-waits", "YOUR_COMMAND_IGNORED", "", "12/21/2005 10:00:00");
  // A model and the authors' data that follows it, composed in one second and received
  // together: the model is formed first, whichever file is older here.
  const std::string authors = Message("D-authors", "AUTHORS_UPDATE", "", "12/22/2005 10:00:00");
  const std::string model = Message("E-model", "FORM_NEW_MODEL", "", "12/22/2005 10:00:00");
  RunPeer("touch -d '2005-12-22 10:00:00' '" + authors + "' && touch -d '2005-12-22 10:00:01' '" + model + "'");
  Post.Inbox.Refresh(Post);
  int done = 0;
  ASSERT_TRUE(RunOver(Post.Inbox, {"B-later", "D-authors", "C-waits", "E-model", "A-earlier"}, done));
  EXPECT_EQ(seen, (std::vector<std::string>{earlier, later, waits, model, authors}));  // compose-date order
  EXPECT_EQ(done, 5);
  EXPECT_TRUE(Showed("New blocks", "There are 8 blocks added."));
  EXPECT_FALSE(IsFileExists(later));
  EXPECT_FALSE(IsFileExists(earlier));
  EXPECT_TRUE(IsFileExists(waits));
  ASSERT_EQ(Post.Inbox.Files.Count(), 1u);
  EXPECT_EQ(Post.Inbox.Files[0].Processed, 0);
  EXPECT_EQ(run.Progress.back(), "Perform - 5 of 5 messages...");

  // An empty choice handles nothing.
  run.Progress.clear();
  ASSERT_TRUE(RunOver(Post.Inbox, {}, done));
  EXPECT_EQ(done, 0);
  EXPECT_TRUE(run.Progress.empty());
  EXPECT_EQ(run.Closed, 1);
}

TEST_F(Handling, AMessageThatFormsADiscussionGoesBeforeTheOthersOfTheSameMoment) {
  std::vector<std::string> seen;
  for (const char* command : {"AUTHORS_UPDATE", "FORM_NEW_MODEL", "NEW_BLOCKS"})
    RegisterPostCommandHandler(command, [&seen](TPostFilesHandler&, const std::string& path) {
      seen.push_back(path);
      return true;
    });
  const std::string update = Message("A-update", "AUTHORS_UPDATE", "", "12/19/2005 10:00:00");
  const std::string blocks = Message("B-blocks", "NEW_BLOCKS", "", "12/19/2005 10:00:00");
  const std::string form = Message("C-form", "FORM_NEW_MODEL", "", "12/19/2005 10:00:00");
  for (const std::string& path : {update, blocks, form}) testsupport::Run("touch -d @1134986400 " + path);
  Post.Inbox.Refresh(Post);
  int done = 0;
  ASSERT_TRUE(RunOver(Post.Inbox, {"A-update", "B-blocks", "C-form"}, done));
  EXPECT_EQ(seen, (std::vector<std::string>{form, update, blocks}));
}

TEST_F(Handling, UnknownAndNotYetHandledCommandsAreSetAsideAndTheOthersHandled) {
  int calls = 0;
  RegisterPostCommandHandler("NEW_BLOCKS", [&calls](TPostFilesHandler&, const std::string&) {
    ++calls;
    return true;
  });
  Message("1-bogus", "BOGUS_COMMAND", "", "12/19/2005 10:00:00");
  Message("2-new", "NEW_BLOCKS", "", "12/19/2005 11:00:00");
  Message("3-subscribe", "SUBSCRIBE_ME", "", "12/19/2005 12:00:00");
  Post.Inbox.Refresh(Post);
  int done = 0;
  ASSERT_TRUE(RunOver(Post.Inbox, {"1-bogus", "2-new", "3-subscribe"}, done));
  EXPECT_EQ(done, 1);
  EXPECT_EQ(calls, 1);
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Caption, "HANDLING POST FILE");
  EXPECT_EQ(Boxes[0].Text, "2 files set aside:\n1-bogus: Unknown command (BOGUS_COMMAND) - can't handle Inbox file "
                           "1-bogus; the file is set aside.\n3-subscribe: The command SUBSCRIBE_ME of Inbox file "
                           "3-subscribe can't be handled yet. The file is set aside.\nThey are kept in " +
                               inbox + "Set aside; errors.log tells why.");
  // Both wait aside for the user, never offered again; the handled one is gone.
  EXPECT_EQ(Post.Inbox.Files.Count(), 0u);
  EXPECT_EQ(RunPeer("ls -A " + inbox), "Set aside\n");
  EXPECT_EQ(RunPeer("ls -A " + inbox + "'Set aside'"), "1-bogus\n3-subscribe\n");
  const std::string log = ReadFile(Root + "errors.log");
  EXPECT_NE(log.find("SET ASIDE: Inbox file 1-bogus set aside as " + inbox + "Set aside/1-bogus: Unknown command"),
            std::string::npos);
  EXPECT_NE(log.find("SET ASIDE: Inbox file 3-subscribe set aside as"), std::string::npos);

  // A message whose seal does not verify carries no command here: refused by its seal.
  WriteMessage(inbox + "4-unsealed", {{"TO_USERS_EMAILS_CRYPTED*", "me@x"}, {"COMMAND", "NEW_BLOCKS"}}, "", false);
  Post.Inbox.Refresh(Post);
  Boxes.clear();
  ASSERT_TRUE(RunOver(Post.Inbox, {"4-unsealed"}, done));
  EXPECT_EQ(calls, 1);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text.rfind("1 file set aside:\n4-unsealed: The Inbox file 4-unsealed is no sealed command "
                                "message or was altered on its way; the file is set aside.\n", 0),
            0u);

  // Errors handlers report refuse their messages only; the error state stays clear. A
  // thousand such messages make one box.
  RegisterPostCommandHandler("NEW_BLOCKS", [&calls](TPostFilesHandler&, const std::string&) {
    ++calls;
    TError::Report("HandleCommand_NewBlocks - test failure");
    return true;
  });
  std::vector<std::string> flood;
  for (int i = 0; i < 1000; ++i) flood.push_back("flood-" + std::to_string(1000 + i));
  for (const std::string& name : flood) WriteMessage(inbox + name, {{"COMMAND", "NEW_BLOCKS"}});
  Post.Inbox.Refresh(Post);
  Boxes.clear();
  ASSERT_TRUE(RunOver(Post.Inbox, flood, done));
  EXPECT_EQ(calls, 1001);
  EXPECT_EQ(done, 0);
  EXPECT_FALSE(IsErrorReported());
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text.rfind("1000 files set aside:\nflood-1000: HandleCommand_NewBlocks - test failure\n", 0), 0u);
  EXPECT_EQ(Post.Inbox.Files.Count(), 0u);
  // Set aside once: a later run finds nothing of them.
  Boxes.clear();
  Post.Inbox.Refresh(Post);
  ASSERT_TRUE(RunOver(Post.Inbox, flood, done));
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(calls, 1001);
}

TEST_F(Handling, RequestsAreAskedAboutOncePerDiscussion) {
  TDiscussionsManager manager;
  DiscussionsManager() = &manager;
  std::string root = Root;
  root.pop_back();
  ASSERT_TRUE(manager.Init(root));
  const int index = manager.CreateNewDiscussion(manager.DiscussedRoot, TStr("Ecology"), true, 0);
  ASSERT_GE(index, 0);
  TDiscussion& discussion = manager.GetDiscussion(index);
  discussion.Info.DIdent = "D-1";
  discussion.Info.Name = "Ecology";
  discussion.Info.ModelRequesters = "a@x; b@y; c@z";
  ASSERT_TRUE(discussion.Save());
  RegisterPostCommandHandler("GIVE_MODEL", [](TPostFilesHandler& r, const std::string&) {
    r.ModelRequests.AddItem(TStr("D-1"));
    return true;
  });
  Message("1-gm", "GIVE_MODEL", "", "12/19/2005 10:00:00");
  Message("2-gm", "GIVE_MODEL", "", "12/19/2005 11:00:00");
  Post.Inbox.Refresh(Post);
  Answer = 1;  // "No"
  int done = 0;
  ASSERT_TRUE(RunOver(Post.Inbox, {"1-gm", "2-gm"}, done));
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Caption, "GIVE_MODEL");
  EXPECT_EQ(Boxes[0].Text,
            "Discussion: Ecology\nThere are 2 new / 3 in all GIVE_MODEL requests.\nPost FORM_NEW_MODEL message?\n"
            "Waiting: a@x, b@y, c@z\n\"Drop\" forgets the waiting requests unanswered.");

  // Block-name requests are asked about in the same way.
  discussion.Info.BlockNamesRequesters = "a@x";
  ASSERT_TRUE(discussion.Save());
  RegisterPostCommandHandler("GIVE_EXISTING_BLOCKS_LIST", [](TPostFilesHandler& r, const std::string&) {
    r.BlockNameRequests.AddItem(TStr("D-1"));
    return true;
  });
  Message("1-gebl", "GIVE_EXISTING_BLOCKS_LIST");
  Post.Inbox.Refresh(Post);
  Boxes.clear();
  ASSERT_TRUE(RunOver(Post.Inbox, {"1-gebl"}, done));
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Caption, "Existing blocks list");
  EXPECT_EQ(Boxes[0].Text, "Discussion: Ecology\nThere are 1 new (1 total) EXISTING_BLOCKS_LIST requests.\nPost "
                           "existing blocks list?");

  // GENERATE_AUTHOR_IDENTS of a discussion that is not here waits, unmarked; the run goes on.
  Boxes.clear();
  Message("3-gm", "GIVE_MODEL", "", "12/19/2005 10:00:00");
  Message("4-gai", "GENERATE_AUTHOR_IDENTS", "", "12/19/2005 11:00:00", "D-unknown");
  Message("5-gm", "GIVE_MODEL", "", "12/19/2005 12:00:00");
  Post.Inbox.Refresh(Post);
  EXPECT_TRUE(RunOver(Post.Inbox, {"3-gm", "4-gai", "5-gm"}, done));
  EXPECT_EQ(done, 2);
  ASSERT_EQ(Boxes.size(), 2u);  // the not-found message, then the question about the requests
  EXPECT_NE(Boxes[0].Text.find("The discussion with identifier 'D-unknown' is not found.\nSo the command message is "
                               "left unhandled."),
            std::string::npos);
  EXPECT_EQ(Boxes[1].Caption, "GIVE_MODEL");
  EXPECT_TRUE(IsFileExists(Post.Inbox.FolderPath.ToString() + "4-gai"));
  EXPECT_EQ(Post.Inbox.Files[uint32_t(Post.Inbox.FindPostFile("4-gai"))].Sendable, 0);
  EXPECT_FALSE(IsFileExists(Post.Inbox.FolderPath.ToString() + "5-gm"));
}

// A handled message goes only once its effect is on the disk, and only then counts as
// applied: one whose post state could not be saved stays and is handled again, not refused;
// once applied, the same message again is set aside.
TEST_F(Handling, ThePostStateIsSavedBeforeAHandledMessageIsDeletedAndOnlyThenItCountsAsApplied) {
  TDiscussion& discussion = Discussed("E");
  ASSERT_TRUE(discussion.Save());
  RegisterCommandHandlers();
  const std::string message = Message("1-gm", "GIVE_MODEL");
  const std::string bytes = ReadFile(message);
  Post.Inbox.Refresh(Post);
  Answer = 1;  // not now
  const TStr stateFile = Post.CBSFileName;
  Post.SetCBSFileName(TStr(Root + "missing/PostFiles.cbs"));
  int done = 0;
  ASSERT_TRUE(RunOver(Post.Inbox, {"1-gm"}, done));
  EXPECT_TRUE(IsFileExists(message));
  Post.SetCBSFileName(stateFile);
  ASSERT_TRUE(RunOver(Post.Inbox, {"1-gm"}, done));
  EXPECT_EQ(done, 1);
  EXPECT_FALSE(IsFileExists(message));
  // No window closed: what a start after a kill reads.
  TPost restarted;
  restarted.SetCBSFileName(Post.CBSFileName);
  ASSERT_TRUE(restarted.Load());
  EXPECT_EQ(restarted.AdvertisingList, "a@x\r\n");

  WriteFile(message, bytes);
  Post.Inbox.Refresh(Post);
  ASSERT_TRUE(RunOver(Post.Inbox, {"1-gm"}, done));
  EXPECT_EQ(done, 0);
  EXPECT_TRUE(IsFileExists(Post.Inbox.FolderPath.ToString() + SetAsideFolderName + "/1-gm"));
  EXPECT_TRUE(Showed("HANDLING POST FILE", "1-gm from a@x was applied here before: a copy of it came again."));
}

// A flood of model requests under many names and keys fills no list: past the bound of a
// run each is refused, clearly and once, in one summary; the next run's newcomer is taken,
// and the user sees the waiting requesters and may drop them. One key asks once a run. A
// model name too long to store makes nothing.
TEST_F(Handling, FloodsAndOverlongFieldsAreRefusedBeforeTheyFillOrMakeAnything) {
  TDiscussion& discussion = Discussed("E");
  discussion.Info.Name = "Ecology";
  ASSERT_TRUE(discussion.Save());
  RegisterPostCommandHandler("GIVE_MODEL", HandleCommand_GiveModel);
  RegisterPostCommandHandler("FORM_NEW_MODEL", HandleCommand_CreateModel);
  // Each request is signed with a key of its own, as a thousand strangers would.
  SetMessageSigner([](TSigningKeyPair& pair) { return MakeSigningKeyPair(pair); });
  struct TSigner {
    ~TSigner() { SetMessageSigner(nullptr); }
  } signer;
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  const auto request = [&](const std::string& name, const std::string& address) {
    WriteMessage(inbox + name, {{"FROM_USER_EMAIL", address},
                                {"COMMAND", "GIVE_MODEL"},
                                {"DIDENT", "D-1"},
                                {"COMPOSE_DATETIME", "12/19/2005 10:00:00"}});
  };
  std::vector<std::string> names;
  for (int i = 0; i < int(MaxModelRequesters) + 20; ++i) {
    names.push_back("gm-" + std::to_string(1000 + i));
    request(names.back(), "reader" + std::to_string(1000 + i) + "@x");
  }
  names.push_back("fnm-long");
  WriteMessage(inbox + names.back(), {{"COMMAND", "FORM_NEW_MODEL"}, {"DIDENT", "D-2"}, {"MODEL_NICK", "Long"},
                                      {"MODEL_NAME", std::string(100000, 'x')}, {"BLOCKSCOUNT", "0"},
                                      {"COMPOSE_DATETIME", "12/19/2005 11:00:00"}});
  Post.Inbox.Refresh(Post);
  Answer = 1;  // the model is not posted now
  int done = 0;
  ASSERT_TRUE(RunOver(Post.Inbox, names, done));
  EXPECT_EQ(done, MaxStrangerRequestsPerRun);
  TArray<TStr> requesters;
  SplitToStrArray(discussion.Info.ModelRequesters.View(), "; ", requesters);
  EXPECT_EQ(requesters.Count(), uint32_t(MaxStrangerRequestsPerRun));
  ASSERT_EQ(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[0].Caption, "GIVE_MODEL");
  EXPECT_EQ(Boxes[1].Text.rfind("101 files set aside:\n", 0), 0u) << Boxes[1].Text;
  EXPECT_NE(Boxes[1].Text.find("gm-1020: The GIVE_MODEL message of reader1020@x for the model of Ecology came after 20 "
                               "requests of people this installation does not know in this run; it is refused"),
            std::string::npos)
      << Boxes[1].Text;
  EXPECT_NE(Boxes[1].Text.find("\nand 91 more\nThey are kept in"), std::string::npos);
  const std::string log = ReadFile(Root + "errors.log");  // UTF-8
  const size_t refusal = log.find("set aside as " + inbox + "Set aside/fnm-long: HandleCommand_CreateModel - ");
  ASSERT_NE(refusal, std::string::npos);
  EXPECT_NE(log.find(" MODEL_NAME ", refusal), std::string::npos);
  EXPECT_EQ(Manager.FindDiscussionByDIdent(TStr("D-2"), false, TStr(), TStr()), -1);
  EXPECT_EQ(RunPeer("ls -p '" + inbox + "Set aside' | grep -v / | wc -l"), "101\n");

  // The next run: the newcomer is taken; the same key asks once only. The user reads who
  // waits and drops them all.
  request("gm-new", "newcomer@x");
  SetMessageSigner([](TSigningKeyPair& pair) {
    static TSigningKeyPair same;
    return (!same.IsEmpty() || MakeSigningKeyPair(same)) && (pair = same, true);
  });
  request("gm-same-1", "twice@x");
  request("gm-same-2", "twice-again@x");
  Post.Inbox.Refresh(Post);
  Boxes.clear();
  Answer = 2;  // "Drop"
  ASSERT_TRUE(RunOver(Post.Inbox, {"gm-new", "gm-same-1", "gm-same-2"}, done));
  EXPECT_EQ(done, 2);
  ASSERT_EQ(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[0].Caption, "GIVE_MODEL");
  EXPECT_NE(Boxes[0].Text.find("There are 2 new / 22 in all GIVE_MODEL requests."), std::string::npos) << Boxes[0].Text;
  EXPECT_NE(Boxes[0].Text.find("\nWaiting: reader1000@x, reader1001@x, "), std::string::npos) << Boxes[0].Text;
  EXPECT_NE(Boxes[1].Text.find("is signed with the key of another request taken in this run"), std::string::npos)
      << Boxes[1].Text;
  EXPECT_EQ(discussion.Info.ModelRequesters.ToString(), "");
  Answer = -1;
}

// A handler that meets a full disk (its write goes to /dev/full) does not set the genuine
// message aside: the run stops, the user is told, and the next run handles the message.
TEST_F(Handling, AFullDiskLeavesTheMessageForTheNextRun) {
  bool full = true;
  RegisterPostCommandHandler("NEW_BLOCKS", [&full](TPostFilesHandler&, const std::string&) {
    if (!full) return true;
    HANDLE file = CreateFileA("/dev/full", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    bool written;
    {
      TBufWriter writer(file);
      writer.WriteDWord(1);
      written = writer.Flush();
    }
    CloseHandle(file);
    return written;
  });
  Message("1-new", "NEW_BLOCKS", "", "12/19/2005 10:00:00");
  Message("2-new", "NEW_BLOCKS", "", "12/19/2005 11:00:00");
  Post.Inbox.Refresh(Post);
  int done = 0;
  ASSERT_TRUE(RunOver(Post.Inbox, {"1-new", "2-new"}, done));
  EXPECT_EQ(done, 0);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text,
            "The Inbox file 1-new could not be handled because of a fault on this computer "
            "(TBufWriter::Flush - ошибка записи в файл: There is not enough space on the disk.). "
            "The file stays in Inbox and is handled again in the next run.");
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  EXPECT_TRUE(IsFileExists(inbox + "1-new"));
  EXPECT_TRUE(IsFileExists(inbox + "2-new"));
  EXPECT_FALSE(IsFileExists(inbox + "Set aside"));
  // errors.log holds the same text in UTF-8.
  EXPECT_NE(
      ReadFile(Root + "errors.log")
          .find(reinterpret_cast<const char*>(u8"ERROR MESSAGE: TBufWriter::Flush - ошибка записи в файл: There")),
      std::string::npos);

  full = false;
  Boxes.clear();
  ASSERT_TRUE(RunOver(Post.Inbox, {"1-new", "2-new"}, done));
  EXPECT_EQ(done, 2);
  EXPECT_TRUE(Boxes.empty());
  EXPECT_FALSE(IsFileExists(inbox + "1-new"));
  EXPECT_FALSE(IsFileExists(inbox + "2-new"));
}

TEST_F(Handling, AProgressWindowTellsWhichFileIsHandled) {
  platform::HeadlessScreen screen{800, 600};
  std::vector<std::string> shown;
  RegisterPostCommandHandler("NEW_BLOCKS", [&shown](TPostFilesHandler&, const std::string&) {
    for (int i = 0; i < Screen->FormCount(); ++i)
      if (auto* progress = dynamic_cast<TFormProgress*>(Screen->Forms(i))) shown.push_back(progress->Status());
    return true;
  });
  Message("1-new", "NEW_BLOCKS", "", "12/19/2005 10:00:00");
  Message("2-new", "NEW_BLOCKS", "", "12/19/2005 11:00:00");
  Post.Inbox.Refresh(Post);
  TPostFilesHandler plain(Post);
  TArray<int32_t> indices;
  indices.AddItem(0);
  indices.AddItem(1);
  int done = 0;
  ASSERT_TRUE(plain.HandlePostFiles(Post.Inbox, indices, false, &done, "Auto-handling"));
  EXPECT_EQ(shown, (std::vector<std::string>{"Auto-handling - 1 of 2 messages...", "Auto-handling - 2 of 2 messages..."}));
  for (int i = 0; i < Screen->FormCount(); ++i) EXPECT_EQ(dynamic_cast<TFormProgress*>(Screen->Forms(i)), nullptr);
}

TEST_F(Handling, AuthorIdentifiersOfAModeratedDiscussionAreTheModerationLibrarysWork) {
  TLoginsStorage logins;
  testsupport::TScopedGlobal setLogins(ModelHooks().Logins, &logins);
  logins.Current = logins.AddLogin(TStr("Moderator"), TStr("me@x"));  // whom the messages are for
  const int other = logins.AddLogin(TStr("Reader"), TStr("r@x"));
  const int correspondent = logins.FindOrAddVirtualLogin(TStr("leader@y"), TStr());
  TDiscussion& discussion = Discussed("M");
  discussion.Info.ModeratorLoginIdent = 0;  // this installation's manager login
  discussion.Info.Name = "M";
  ASSERT_TRUE(discussion.Save());
  TDiscussion& elsewhere =
      Manager.GetDiscussion(Manager.CreateNewDiscussion(Manager.DiscussedRoot, TStr("E"), true, 0));
  elsewhere.Info.DIdent = "D-E";
  elsewhere.Info.ModeratorLoginIdent = logins.GetLogin(correspondent).Ident;
  ASSERT_TRUE(elsewhere.Save());
  // The installation that moderates keeps the request while its library cannot be called
  // (switched off here, and another login runs the post office): it waits, told once, and
  // the post behind it is handled in the same run. A request for a discussion that another
  // installation moderates is not for this one.
  logins.Current = other;
  int handled = 0;
  RegisterPostCommandHandler("NEW_BLOCKS", [&handled](TPostFilesHandler&, const std::string&) { return ++handled > 0; });
  Message("0-gai", "GENERATE_AUTHOR_IDENTS", "", "12/19/2005 10:00:00");
  Message("0-gai-e", "GENERATE_AUTHOR_IDENTS", "", "12/19/2005 10:30:00", "D-E");
  Message("1-nb", "NEW_BLOCKS", "", "12/19/2005 11:00:00");
  Post.Inbox.Refresh(Post);
  int done = 0;
  ASSERT_TRUE(RunOver(Post.Inbox, {"0-gai", "0-gai-e", "1-nb"}, done));
  EXPECT_EQ(done, 1);
  EXPECT_EQ(handled, 1);
  ASSERT_EQ(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[0].Text,
            "The author identifier request 0-gai of the discussion M waits in Inbox: the moderation "
            "library cannot be called now (it is switched off, did not load, or this login may not "
            "moderate). The request is answered in a later run.");
  EXPECT_EQ(Boxes[1].Text.rfind("1 file set aside:\n0-gai-e: Can't call moderation function -\ncurrent user don't "
                                "have Moderate permission.\n",
                                0),
            0u)
      << Boxes[1].Text;
  EXPECT_TRUE(IsFileExists(Post.Inbox.FolderPath.ToString() + "0-gai"));
  EXPECT_FALSE(IsFileExists(Post.Inbox.FolderPath.ToString() + "Set aside/0-gai"));
  EXPECT_TRUE(IsFileExists(Post.Inbox.FolderPath.ToString() + "Set aside/0-gai-e"));
  EXPECT_FALSE(IsFileExists(Post.Inbox.FolderPath.ToString() + "1-nb"));
  Message("1-gai", "GENERATE_AUTHOR_IDENTS");
  Post.Inbox.Refresh(Post);
  logins.Current = 0;

  // A library that cannot answer now (no services lent to it) leaves the request
  // unhandled: the file waits, the run goes on.
  testsupport::TScopedGlobal moderate(TBrowseGlobal::Moderation, uint8_t{1});
  TModerateCaller caller(std::string(QUILLARAN_BINARY_DIR) + "/app/Leafguard.dll");
  testsupport::TScopedGlobal setCaller(ModerateCaller(), &caller);
  Boxes.clear();
  ASSERT_TRUE(RunOver(Post.Inbox, {"1-gai"}, done));
  EXPECT_EQ(done, 1);
  EXPECT_TRUE(Boxes.empty());
  EXPECT_TRUE(IsFileExists(Post.Inbox.FolderPath.ToString() + "1-gai"));
  caller.ModerateClose();
}

}  // namespace
