// Splitting of outgoing archives: part sizes and names, the bytes of every part, and a
// failed split that leaves no incomplete set.

#include "Posttesthelpers.h"

#include "foundation/Fileroutines.h"
#include "foundation/Terror.h"
#include "postoffice/Packandsplit.h"
#include "tests/support/Testsupport.h"

using namespace posttest;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class Split : public PostTest {};

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
  const std::string small = testsupport::RandomBytes(2500, 1), large = testsupport::RandomBytes(250000, 2);
  WriteFile(from + "S.cab", small);
  WriteFile(from + "L.cab", large);
  WriteFile(from + "E.cab", "");
  ASSERT_TRUE(PackAndSplit(from, "S.cab", to, 1024));
  EXPECT_EQ(ReadFile(to + "S.1_3"), small.substr(0, 1000));
  EXPECT_EQ(ReadFile(to + "S.2_3"), small.substr(1000, 1000));
  EXPECT_EQ(ReadFile(to + "S.3_3"), small.substr(2000));
  ASSERT_TRUE(PackAndSplit(from, "L.cab", to, 20480));
  std::string joined;
  for (int i = 1; i <= 13; ++i) joined += ReadFile(to + PostPartName("L.", i, "13"));
  EXPECT_EQ(joined, large);
  EXPECT_EQ(ReadFile(to + "L.13_13").size(), 10000u);
  ASSERT_TRUE(PackAndSplit(from, "E.cab", to, 1024));
  EXPECT_EQ(testsupport::Run("ls " + to + " | grep -c '^E' || true"), "0\n");
  EXPECT_TRUE(Reports.empty());
}

TEST_F(Split, AFailedSplitRemovesThePartsItWrote) {
  const std::string from = Root + "Outbox/", to = Root + "OutboxPost/";
  WriteFile(from + "F.cab", testsupport::RandomBytes(2500, 3));
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
