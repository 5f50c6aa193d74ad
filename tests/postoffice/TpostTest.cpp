// The post state file: its exact bytes, round trips of every field, older versions, stale
// issued names and damaged files.

#include "Posttesthelpers.h"

#include "foundation/Fileroutines.h"
#include "foundation/Terror.h"
#include "platform/rtl/Tdatetime.h"
#include "tests/support/Testsupport.h"

#include <cstring>

using namespace posttest;

namespace {

struct TBytes {
  std::string Data;
  TBytes& U8(uint8_t v) {
    Data += char(v);
    return *this;
  }
  TBytes& U16(uint16_t v) { return U8(uint8_t(v)).U8(uint8_t(v >> 8)); }
  TBytes& U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
  TBytes& Double(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return U32(uint32_t(bits)).U32(uint32_t(bits >> 32));
  }
  TBytes& Str(const std::string& s) {
    U16(uint16_t(s.size()));
    Data += s;
    return *this;
  }
};

TPostFile SampleFile(const std::string& name) {
  TPostFile f;
  f.Name = name;
  f.Size = 123456;
  f.FileTime = 38705.25;   // 19 Dec 2005 06:00
  f.ComposeTime = 38705.5;
  f.Sender = "a@x.org";
  f.Receivers = "b@y.org; c@z.org";
  f.Robots = "robot@r.org";
  f.DIdent = "D-1";
  f.Command = "NEW_BLOCKS";
  f.AttachedFileName = "Leafguard.dll";
  f.ReservedText = "kept";
  f.ReservedValue = 2.5;
  f.Reserved1 = 7;
  f.Reserved2 = 9;
  f.Processed = 1;
  return f;
}

TBytes& SampleRecord(TBytes& b, const std::string& name) {
  return b.Str(name)
      .U32(123456)
      .U32(387052500)
      .U32(387055000)
      .Str("a@x.org")
      .Str("b@y.org; c@z.org")
      .Str("robot@r.org")
      .Str("D-1")
      .Str("NEW_BLOCKS")
      .U8(1)
      .U16(7)
      .U16(9)
      .Str("kept")
      .Double(2.5)
      .Str("Leafguard.dll");
}

void ExpectSameFile(const TPostFile& a, const TPostFile& b) {
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.Size, b.Size);
  EXPECT_NEAR(a.FileTime, b.FileTime, 1e-9);
  EXPECT_NEAR(a.ComposeTime, b.ComposeTime, 1e-9);
  EXPECT_EQ(a.Sender, b.Sender);
  EXPECT_EQ(a.Receivers, b.Receivers);
  EXPECT_EQ(a.Robots, b.Robots);
  EXPECT_EQ(a.DIdent, b.DIdent);
  EXPECT_EQ(a.Command, b.Command);
  EXPECT_EQ(a.AttachedFileName, b.AttachedFileName);
  EXPECT_EQ(a.ReservedText, b.ReservedText);
  EXPECT_EQ(a.ReservedValue, b.ReservedValue);
  EXPECT_EQ(a.Reserved1, b.Reserved1);
  EXPECT_EQ(a.Reserved2, b.Reserved2);
  EXPECT_EQ(a.Processed, b.Processed);
}

class PostState : public PostTest {};

TEST_F(PostState, SavesTheExactLayoutAndLoadsEveryFieldBack) {
  ASSERT_TRUE(Post.Load());  // no file yet: an empty state that may be saved
  EXPECT_EQ(Post.RobotPattern, "%email <%name>");
  Post.Inbox.Files.AddItem(SampleFile("QKCM-Ecology-051219-NB-001"));
  Post.OutboxPost.Files.AddItem(SampleFile("QKCM-Ecology-051219-NB-002.1_1"));
  Post.OutboxPost.Files.AddItem(TPostFile());
  Post.IssuedNames.Clear();
  Post.IssuedNames.AddItem(TStr("n1"));
  Post.IssuedNames.AddItem(TStr("n2"));
  Post.AdvertisingList = "ad@x\r\nad@y";
  Post.RobotEMail = "robot@r.org";
  Post.RobotPattern = "%email";
  Post.RobotPatternGroupSize = 12;
  Post.RobotEnabled = 1;
  platform::SetNowSource([] { return 38705.5; });
  ASSERT_TRUE(Post.Save());

  TBytes expected;
  expected.U16(9).U16(1);
  SampleRecord(expected, "QKCM-Ecology-051219-NB-001");
  expected.U16(0).U16(0).U16(2);
  SampleRecord(expected, "QKCM-Ecology-051219-NB-002.1_1");
  // A default record: times 0, reserved values 0xFFFF and -1.0, not processed.
  expected.Str("").U32(0).U32(0).U32(0).Str("").Str("").Str("").Str("").Str("").U8(0).U16(0xFFFF).U16(0xFFFF)
      .Str("").Double(-1.0).Str("");
  expected.U16(2).Str("n1").Str("n2").Str("ad@x\r\nad@y").Str("robot@r.org").Str("%email").U16(12).U8(1);
  EXPECT_EQ(testsupport::Hex(testsupport::ReadFile(Post.CBSFileName.ToString())), testsupport::Hex(expected.Data));
  EXPECT_FALSE(testsupport::Run("ls " + Root + "PostFiles.cbs.tmp 2>/dev/null").size());

  TPost loaded;
  loaded.SetCBSFileName(Post.CBSFileName);
  ASSERT_TRUE(loaded.Load());
  EXPECT_EQ(loaded.Opened, 1);
  ASSERT_EQ(loaded.Inbox.Files.Count(), 1u);
  ExpectSameFile(loaded.Inbox.Files[0], Post.Inbox.Files[0]);
  ASSERT_EQ(loaded.OutboxPost.Files.Count(), 2u);
  ExpectSameFile(loaded.OutboxPost.Files[0], Post.OutboxPost.Files[0]);
  ExpectSameFile(loaded.OutboxPost.Files[1], TPostFile());
  EXPECT_EQ(loaded.IssuedNames.Count(), 2u);  // written today
  EXPECT_EQ(loaded.AdvertisingList, "ad@x\r\nad@y");
  EXPECT_EQ(loaded.RobotEMail, "robot@r.org");
  EXPECT_EQ(loaded.RobotPattern, "%email");
  EXPECT_EQ(loaded.RobotPatternGroupSize, 12);
  EXPECT_EQ(loaded.RobotEnabled, 1);
  // Saving what was loaded gives the same bytes.
  ASSERT_TRUE(loaded.Save());
  EXPECT_EQ(testsupport::ReadFile(Post.CBSFileName.ToString()), expected.Data);
  EXPECT_TRUE(loaded.ToldSets.empty());

  // The waiting sets told follow the fields every build reads, which stay as they were.
  loaded.ToldSets = {"QK-Ecology-051219-NB-003._2", "x._12"};
  ASSERT_TRUE(loaded.Save());
  TBytes told = expected;
  told.U16(2).Str("QK-Ecology-051219-NB-003._2").Str("x._12");
  EXPECT_EQ(testsupport::Hex(testsupport::ReadFile(Post.CBSFileName.ToString())), testsupport::Hex(told.Data));
  TPost restarted;
  restarted.SetCBSFileName(Post.CBSFileName);
  ASSERT_TRUE(restarted.Load());
  EXPECT_EQ(restarted.ToldSets, loaded.ToldSets);
  EXPECT_EQ(restarted.RobotEnabled, 1);
  EXPECT_TRUE(Reports.empty());
}

// A joined part remembers the messages its post unpacked to in a section after the told
// sets, written only when a part has one: a build that knows no such section reads the
// state before it as it always did.
TEST_F(PostState, AJoinedPartKeepsTheMessagesItWasJoinedIntoAfterARestart) {
  ASSERT_TRUE(Post.Load());
  Post.IssuedNames.Clear();
  TPostFile part = SampleFile("M.1_2"), other = SampleFile("M.2_2");
  part.JoinedInto = {"M#2", "N"};
  Post.InboxPost.Files.AddItem(part);
  Post.InboxPost.Files.AddItem(other);
  ASSERT_TRUE(Post.Save());

  TBytes expected;
  expected.U16(9).U16(0).U16(2);
  SampleRecord(expected, "M.1_2");
  SampleRecord(expected, "M.2_2");
  expected.U16(0).U16(0).U16(0).Str("").Str("").Str("%email <%name>").U16(8).U8(0);
  const size_t known = expected.Data.size();
  expected.U16(0);  // no waiting set told
  expected.U8(0x4A).U32(1).Str("M.1_2").U16(2).Str("M#2").Str("N");
  const std::string stored = testsupport::ReadFile(Post.CBSFileName.ToString());
  EXPECT_EQ(testsupport::Hex(stored), testsupport::Hex(expected.Data));

  TPost loaded;
  loaded.SetCBSFileName(Post.CBSFileName);
  ASSERT_TRUE(loaded.Load());
  ASSERT_EQ(loaded.InboxPost.Files.Count(), 2u);
  EXPECT_EQ(loaded.InboxPost.Files[0].JoinedInto, (std::vector<std::string>{"M#2", "N"}));
  EXPECT_TRUE(loaded.InboxPost.Files[1].JoinedInto.empty());
  // Kept by an older build, the part follows the message its name bears.
  testsupport::WriteFile(Post.CBSFileName.ToString(), stored.substr(0, known));
  TPost older;
  older.SetCBSFileName(Post.CBSFileName);
  ASSERT_TRUE(older.Load());
  EXPECT_EQ(MessagesOfJoinedPart(older.InboxPost.Files[0]), std::vector<std::string>{"M"});
  EXPECT_TRUE(Reports.empty());
}

TEST_F(PostState, AnOlderVersionKeepsTheDefaultsOfWhatItLacks) {
  TBytes v3;
  v3.U16(3).U16(1);
  v3.Str("M-1").U32(10).U32(387052500).U32(0).Str("s@x").Str("*").Str("D").Str("GIVE_MODEL").U8(0);
  v3.U16(0).U16(0).U16(0).U16(1).Str("M-1").Str("").Str("robot@x").Str("");
  testsupport::WriteFile(Post.CBSFileName.ToString(), v3.Data);
  ASSERT_TRUE(Post.Load());
  ASSERT_EQ(Post.Inbox.Files.Count(), 1u);
  const TPostFile& f = Post.Inbox.Files[0];
  EXPECT_EQ(f.Receivers, "*");
  EXPECT_TRUE(f.Robots.IsEmpty());
  EXPECT_EQ(f.Reserved1, 0xFFFF);
  EXPECT_EQ(f.Reserved2, 0xFFFF);
  EXPECT_EQ(f.ReservedValue, -1.0);
  EXPECT_TRUE(f.AttachedFileName.IsEmpty());
  EXPECT_EQ(Post.RobotPatternGroupSize, 8);
  EXPECT_EQ(Post.RobotEnabled, 0);
  EXPECT_EQ(Post.RobotEMail, "robot@x");
  EXPECT_EQ(Post.RobotPattern, "%email <%name>");  // empty in the file

  // Version 6 has the robots and the reserved words but no reserved text, value or
  // attached file; any processed byte but 0 reads as processed.
  TBytes v6;
  v6.U16(6).U16(1);
  v6.Str("M-2").U32(10).U32(387052500).U32(0).Str("s@x").Str("*").Str("r@x").Str("D").Str("GIVE_MODEL").U8(2);
  v6.U16(7).U16(9).U16(0).U16(0).U16(0).U16(0).Str("").Str("").Str("").U16(8).U8(0);
  testsupport::WriteFile(Post.CBSFileName.ToString(), v6.Data);
  ASSERT_TRUE(Post.Load());
  ASSERT_EQ(Post.Inbox.Files.Count(), 1u);
  const TPostFile& g = Post.Inbox.Files[0];
  EXPECT_EQ(g.Robots, "r@x");
  EXPECT_EQ(g.Command, "GIVE_MODEL");
  EXPECT_EQ(g.Processed, 1);
  EXPECT_EQ(g.Reserved1, 7);
  EXPECT_EQ(g.Reserved2, 9);
  EXPECT_TRUE(g.ReservedText.IsEmpty());
  EXPECT_EQ(g.ReservedValue, -1.0);
  EXPECT_TRUE(g.AttachedFileName.IsEmpty());
}

TEST_F(PostState, IssuedNamesOfAnEarlierDayAreDropped) {
  ASSERT_TRUE(Post.Load());
  Post.IssuedNames.AddItem(TStr("X-A-051218-NB-001"));
  ASSERT_TRUE(Post.Save());
  testsupport::RunPeer("touch -d 'yesterday 12:00' '" + Post.CBSFileName.ToString() + "'");
  TPost yesterday;
  yesterday.SetCBSFileName(Post.CBSFileName);
  ASSERT_TRUE(yesterday.Load());
  EXPECT_EQ(yesterday.IssuedNames.Count(), 0u);

  ASSERT_TRUE(Post.Save());  // written today
  TPost today;
  today.SetCBSFileName(Post.CBSFileName);
  ASSERT_TRUE(today.Load());
  EXPECT_EQ(today.IssuedNames.Count(), 1u);
}

TEST_F(PostState, NothingIsSavedBeforeALoadNorOverADamagedFile) {
  Post.Inbox.Files.AddItem(SampleFile("M"));
  ASSERT_TRUE(Post.Save());
  EXPECT_FALSE(IsFileExists(Post.CBSFileName.ToString()));

  // Cut short in the middle of a record: refused whole and kept aside, never saved over;
  // with no previous copy the folders are listed anew.
  ASSERT_TRUE(Post.Load());
  ASSERT_TRUE(Post.Save());
  const std::string path = Post.CBSFileName.ToString();
  std::string good = testsupport::ReadFile(path);
  testsupport::WriteFile(path, good.substr(0, 20));
  TPost damaged;
  damaged.SetCBSFileName(Post.CBSFileName);
  damaged.Outbox.Files.AddItem(SampleFile("kept"));
  ASSERT_TRUE(damaged.Load());
  EXPECT_EQ(damaged.Inbox.Files.Count(), 0u);
  EXPECT_EQ(damaged.Outbox.Files.Count(), 1u);  // nothing half-loaded
  EXPECT_TRUE(Showed("LOADING POST STATE", "The post state file " + path + " could not be read: it is damaged.\n"
                                           "The damaged file was moved to " + path + ".damaged.\n"
                                           "The post folders are listed anew from the files they hold."));
  ASSERT_TRUE(damaged.Save());
  EXPECT_EQ(testsupport::ReadFile(path + ".damaged"), good.substr(0, 20));

  // A version this program does not know gives way to the previous copy.
  ASSERT_TRUE(damaged.Save());
  testsupport::WriteFile(path, std::string("\x0a\x00", 2) + good.substr(2));
  TPost newer;
  newer.SetCBSFileName(Post.CBSFileName);
  ASSERT_TRUE(newer.Load());
  EXPECT_EQ(newer.Outbox.Files.Count(), 1u);
  EXPECT_EQ(testsupport::ReadFile(path + ".damaged-2"), std::string("\x0a\x00", 2) + good.substr(2));
  EXPECT_TRUE(Reports.empty()) << Reports.front();

  // No state file path at all.
  TError::Instance().Reset();
  TPost unnamed;
  EXPECT_FALSE(unnamed.Load());
  ASSERT_FALSE(Reports.empty());
  EXPECT_EQ(Reports.back(), "TPost::Load - попытка загрузки при неоткрытых файлах");
}

TEST_F(PostState, InitFillsAndCreatesTheFourFolders) {
  EXPECT_EQ(Post.Inbox.FolderPath.ToString(), Root + "Inbox/");
  EXPECT_EQ(Post.InboxPost.HistoryPath.ToString(), Root + "InboxPostHistory/");
  EXPECT_EQ(Post.InboxPost.HistoryName, "InboxPostHistory");
  EXPECT_EQ(Post.OutboxPost.FolderName, "OutboxPost");
  EXPECT_TRUE(Post.Outbox.HistoryPath.IsEmpty());
  for (uint8_t kind = 1; kind <= 4; ++kind) {
    EXPECT_EQ(Post.Storage(kind).Kind, kind);
    EXPECT_TRUE(IsDirExists(Post.Storage(kind).FolderPath.ToString()));
  }
}

}  // namespace
