// Splitting of outgoing archives: part sizes and names, the bytes of every part, the links
// of a post's parts at every part size, and a failed split that leaves no incomplete set.

#include "Posttesthelpers.h"

#include "foundation/Fileroutines.h"
#include "foundation/Terror.h"
#include "postoffice/Packandsplit.h"
#include "postoffice/Partchoice.h"
#include "postoffice/Postarchives.h"
#include "postoffice/Tpostfileshandler.h"
#include "tests/support/Testsupport.h"

using namespace posttest;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class Split : public PostTest {
 protected:
  // The cabinet of a message of `size` random bytes (seeded), written with the link area
  // its parts under `limit` need, as the Outbox step writes it; its cut.
  TPostCut Linked(const std::string& folder, const std::string& name, size_t size, uint32_t seed, uint64_t limit) {
    WriteMessage(folder + name, {{"COMMAND", "NEW_BLOCKS"}}, testsupport::RandomBytes(size, seed));
    std::string error;
    EXPECT_TRUE(PackMessageCabinet(folder, name, folder + name + ".cab", error)) << error;
    TPostCut cut;
    EXPECT_TRUE(PostLinkFits(CabinetSizeOf(folder + name + ".cab"), limit, cut));
    EXPECT_TRUE(PackMessageCabinet(folder, name, folder + name + ".cab", error, uint32_t(cut.LinkArea))) << error;
    return cut;
  }
};

TEST(SplitSizes, PartsAreNearlyEqualWholeThousands) {
  uint64_t size = 0, count = 0;
  PostPartSizes(2500, 1024, size, count);
  EXPECT_EQ(size, 1000u);
  EXPECT_EQ(count, 3u);
  PostPartSizes(1000, 102400, size, count);
  EXPECT_EQ(size, 2000u);
  EXPECT_EQ(count, 1u);
  PostPartSizes(0, 1024, size, count);
  EXPECT_EQ(count, 0u);
  PostPartSizes(250000, 20480, size, count);
  EXPECT_EQ(size, 20000u);
  EXPECT_EQ(count, 13u);
  EXPECT_EQ(PostPartName("X.", 1, "3"), "X.1_3");
  EXPECT_EQ(PostPartName("X.", 7, "12"), "X.07_12");
  EXPECT_EQ(PostPartName("X.", 12, "12"), "X.12_12");
}

TEST_F(Split, EveryByteLandsInItsPartInOrder) {
  const std::string from = Root + "Outbox/", to = Root + "OutboxPost/";
  const std::string one = testsupport::RandomBytes(1000, 1);
  WriteFile(from + "O.cab", one);
  WriteFile(from + "E.cab", "");
  ASSERT_TRUE(PackAndSplit(from, "O.cab", to, 102400));
  EXPECT_EQ(ReadFile(to + "O.1_1"), one);  // one part needs no links
  for (const uint64_t limit : {1024, 20480}) {
    SCOPED_TRACE(limit);
    const TPostCut cut = Linked(from, "L" + std::to_string(limit), 60000, 2, limit);
    const std::string base = "L" + std::to_string(limit) + ".", count = std::to_string(cut.PartCount);
    const std::string cabinet = ReadFile(from + base + "cab");
    ASSERT_GT(cut.PartCount, 2u);
    ASSERT_TRUE(PackAndSplit(from, base + "cab", to, limit));
    std::string joined;
    std::vector<std::string> parts;
    for (uint32_t i = 1; i <= cut.PartCount; ++i) {
      parts.push_back(ReadFile(to + PostPartName(base, i, count)));
      EXPECT_EQ(parts.back().size(), i < cut.PartCount ? cut.PartSize : cabinet.size() - cut.PartSize * (i - 1));
      joined += parts.back();
    }
    // The cabinet's bytes in order, its reserved area in the first part holding the links.
    const size_t area = size_t(PostLinkAreaOffset + cut.LinkArea);
    EXPECT_EQ(joined.size(), cabinet.size());
    EXPECT_EQ(joined.substr(0, PostLinkAreaOffset), cabinet.substr(0, PostLinkAreaOffset));
    EXPECT_EQ(joined.substr(area), cabinet.substr(area));
    std::vector<TPartDigest> links;
    ASSERT_TRUE(ReadPostLinks(parts[0], cut.PartCount, links));
    for (size_t i = 1; i < parts.size(); ++i) EXPECT_EQ(links[i - 1], PostPartDigest(parts[i].data(), parts[i].size()));
  }
  ASSERT_TRUE(PackAndSplit(from, "E.cab", to, 1024));
  EXPECT_EQ(testsupport::Run("ls " + to + " | grep -c '^E' || true"), "0\n");
  EXPECT_TRUE(Reports.empty());
  // A cabinet of several parts written without the area is never sent unlinked.
  WriteFile(from + "U.cab", testsupport::RandomBytes(2500, 3));
  EXPECT_FALSE(PackAndSplit(from, "U.cab", to, 1024));
  ASSERT_EQ(Reports.size(), 1u);
  EXPECT_EQ(Reports[0], "PackAndSplit - нет места для связей частей в файле " + from + "U.cab");
  EXPECT_EQ(testsupport::Run("ls " + to + " | grep -c '^U' || true"), "0\n");
}

// Every part size the settings allow links the parts of a post it can carry: at 1 KB, a
// post of 8 parts of 1000 bytes, and up to about 30 parts. A post with more parts than its
// first part can link is not sent: the box says which size carries it, the message waits
// in the Outbox, and sent at that size its parts are linked.
TEST_F(Split, EveryPartSizeLinksItsPartsOrTheUserIsToldWhichSizeCan) {
  for (uint64_t kb = 1; kb <= 64; kb = kb * 2 + 1)
    for (uint64_t size = 500; size < 2000000; size = size * 3 + 7) {
      TPostCut cut;
      if (!PostLinkFits(size, kb * 1024, cut)) {
        EXPECT_GT(cut.PartCount, 29u) << kb << " KB, " << size;
        continue;
      }
      uint64_t partSize = 0, partCount = 0;
      PostPartSizes(size + (cut.LinkArea ? 4 + cut.LinkArea : 0), kb * 1024, partSize, partCount);
      EXPECT_EQ(partCount, cut.PartCount) << kb << " KB, " << size;
      EXPECT_EQ(partSize, cut.PartSize);
      EXPECT_GE(cut.LinkArea, PostLinkAreaSize(partCount));
      EXPECT_LE(PostLinkAreaOffset + cut.LinkArea, partSize);
    }
  const std::string from = Root + "peer/";
  ASSERT_TRUE(CreateFolder(from));
  const TPostCut eight = Linked(from, "E8", 7000, 4, 1024);
  EXPECT_EQ(eight.PartCount, 8u);
  EXPECT_EQ(eight.PartSize, 1000u);

  const std::string outbox = Post.Outbox.FolderPath.ToString(), name = "QK-Ecology-051219-NB-009";
  WriteMessage(outbox + name, {{"FROM_USER_EMAIL", "a@x"}, {"COMMAND", "NEW_BLOCKS"}},
               testsupport::RandomBytes(200000, 5));
  Post.Outbox.Refresh(Post);
  TPostFilesHandler run(Post);
  run.PostPartSizeKB = 1;
  TArray<int32_t> indices;
  indices.AddItem(0);
  ASSERT_TRUE(run.HandlePostFiles(Post.Outbox, indices, false, nullptr, "Auto-handling"));
  ASSERT_EQ(Boxes.size(), 1u);
  const std::string text = Boxes[0].Text;
  const std::string head = "Can't send Outbox file " + name + " in parts of at most 1 KB: its ";
  ASSERT_EQ(text.rfind(head, 0), 0u) << text;
  const size_t at = text.find("at least ") + 9;
  const int smallest = std::stoi(text.substr(at));
  EXPECT_EQ(text.substr(at), std::to_string(smallest) + " KB and perform again; the message waits in Outbox.");
  EXPECT_NE(text.find(" parts would be more than its first part can link. Set \"Largest post part\" to at least "),
            std::string::npos);
  EXPECT_GT(smallest, 1);
  EXPECT_EQ(Post.Outbox.Files.Count(), 1u);
  EXPECT_EQ(Post.OutboxPost.Files.Count(), 0u);
  EXPECT_EQ(testsupport::Run("ls " + outbox), name + "\n");

  Boxes.clear();
  run.PostPartSizeKB = smallest;
  indices.Clear();
  indices.AddItem(0);
  ASSERT_TRUE(run.HandlePostFiles(Post.Outbox, indices, false, nullptr, "Auto-handling"));
  EXPECT_TRUE(Boxes.empty());
  ASSERT_GT(Post.OutboxPost.Files.Count(), 1u);
  const std::string count = std::to_string(Post.OutboxPost.Files.Count());
  std::vector<TPartDigest> links;
  EXPECT_TRUE(ReadPostLinks(
      ReadFile(Post.OutboxPost.FolderPath.ToString() + name + "." + std::string(count.size() - 1, '0') + "1_" + count),
      Post.OutboxPost.Files.Count(), links));
  EXPECT_TRUE(Reports.empty());
}

TEST_F(Split, AFailedSplitRemovesThePartsItWrote) {
  const std::string from = Root + "Outbox/", to = Root + "OutboxPost/";
  const TPostCut cut = Linked(from, "F", 2500, 3, 1024);
  ASSERT_EQ(cut.PartCount, 3u);
  ASSERT_TRUE(CreateFolder(to + "F.2_3"));  // the second part cannot be created
  EXPECT_FALSE(PackAndSplit(from, "F.cab", to, 1024));
  ASSERT_EQ(Reports.size(), 1u);
  EXPECT_EQ(Reports[0], "PackAndSplit - ошибка создания файла " + to + "F.2_3");
  EXPECT_FALSE(IsFileExists(to + "F.1_3"));
  EXPECT_FALSE(IsFileExists(to + "F.3_3"));

  TError::Instance().Reset();
  Reports.clear();
  EXPECT_FALSE(PackAndSplit(from, "Missing.cab", to, 1024));
  ASSERT_EQ(Reports.size(), 1u);
  EXPECT_EQ(Reports[0], "PackAndSplit - ошибка открытия файла " + from + "Missing.cab");
}

}  // namespace
