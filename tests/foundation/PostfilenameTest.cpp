#include "foundation/Postfilename.h"
#include "platform/rtl/Tdatetime.h"
#include "Scratchroot.h"

#include <gtest/gtest.h>

namespace {

TDateTime December19() { return EncodeDate(2005, 12, 19) + EncodeTime(23, 59, 59, 0); }
TDateTime December20() { return EncodeDate(2005, 12, 20) + EncodeTime(0, 0, 1, 0); }
bool ManagerA(std::string& email) {
  email = "ab";
  return true;
}

struct FixedDay {
  explicit FixedDay(platform::TNowSource now) { platform::SetNowSource(now); }
  ~FixedDay() {
    platform::SetNowSource(nullptr);
    SetManagerEMailSource(nullptr);
  }
};

std::vector<std::string> Names(const TArray<TStr>& issued) {
  std::vector<std::string> v;
  for (const TStr& s : issued) v.push_back(s.ToString());
  return v;
}

TEST(Postfilename, LetterCodeOfPlainAndCodePageTexts) {
  EXPECT_EQ(MakeLetterCode(""), "");
  EXPECT_EQ(MakeLetterCode("a"), "U");    // (123 + 97) mod 25 = 20
  EXPECT_EQ(MakeLetterCode("ab"), "SU");  // the last character's letter first
  EXPECT_EQ(MakeLetterCode("я"), "W");    // 0xFF counts as -1
  // Negative running values give codes below 'A': safe ones stay, unsafe ones become 'Z'.
  EXPECT_EQ(MakeLetterCode("\x80\x80"), "9Z");  // -5 gives '<', -8 gives '9'
  EXPECT_EQ(MakeLetterCode("\x80\xF3"), "ZZ");  // '<' and '/'
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; b += 3) {
      std::string code = MakeLetterCode(std::string{static_cast<char>(a), static_cast<char>(b), 'x'});
      for (char c : code) EXPECT_TRUE(std::string("*/:<>?").find(c) == std::string::npos && c >= 0x20) << a << " " << b;
    }
  std::string plain;
  for (int c = 1; c < 128; ++c) plain += static_cast<char>(c);
  for (char c : MakeLetterCode(plain)) EXPECT_TRUE(c >= 'A' && c <= 'Y');
}

TEST(Postfilename, CounterPassesIssuedNamesAndExistingFiles) {
  TScratchRoot root;
  FixedDay day(December19);
  SetManagerEMailSource(ManagerA);
  std::string outbox = root.Path() + "/";
  TArray<TStr> issued;
  EXPECT_EQ(MakePostFileName("ignored", "Ecology", outbox, "NB", issued), outbox + "SU-Ecology-051219-NB-001");
  // The first file was never written: the second request still gets 002.
  EXPECT_EQ(MakePostFileName("", "Ecology", outbox, "NB", issued), outbox + "SU-Ecology-051219-NB-002");
  // An existing file is passed over, and its name is remembered as issued.
  testsupport::WriteFile(outbox + "SU-Ecology-051219-NB-003", "x");
  EXPECT_EQ(MakePostFileName("", "Ecology", outbox, "NB", issued), outbox + "SU-Ecology-051219-NB-004");
  EXPECT_EQ(Names(issued), (std::vector<std::string>{"SU-Ecology-051219-NB-001", "SU-Ecology-051219-NB-002",
                                                     "SU-Ecology-051219-NB-003", "SU-Ecology-051219-NB-004"}));
  // Another command counts on its own.
  EXPECT_EQ(MakePostFileName("", "Ecology", outbox, "GM", issued), outbox + "SU-Ecology-051219-GM-001");
}

TEST(Postfilename, CounterWidthAndANewDay) {
  TScratchRoot root;
  std::string folder = root.Path() + "/";
  TArray<TStr> issued;
  for (int i = 1; i <= 98; ++i) {
    char n[16];
    std::snprintf(n, sizeof n, "%03d", i);
    issued.AddItem(TStr(std::string("B-") + n));
  }
  EXPECT_EQ(MakeUniquePostFileName(folder, "B-", issued), "B-099");
  EXPECT_EQ(MakeUniquePostFileName(folder, "B-", issued), "B-100");
  for (int i = 101; i <= 999; ++i) issued.AddItem(TStr("B-" + std::to_string(i)));
  EXPECT_EQ(MakeUniquePostFileName(folder, "B-", issued), "B-1000");

  FixedDay day(December19);  // no manager login: the letter code is "X"
  TArray<TStr> today;
  EXPECT_EQ(MakePostFileName("", "M", folder, "NB", today), folder + "X-M-051219-NB-001");
  platform::SetNowSource(December20);
  EXPECT_EQ(MakePostFileName("", "M", folder, "NB", today), folder + "X-M-051220-NB-001");
}

}  // namespace
