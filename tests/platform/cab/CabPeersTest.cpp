// Our cabinets read by cabextract and gcab, and gcab's cabinets read by us.
#include "tests/platform/cab/testing/Cabtesting.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <set>
#include <filesystem>
#include <sys/stat.h>
#include <utime.h>

namespace fs = std::filesystem;
using namespace cabtest;

namespace {

// 2024-05-06 07:08:10 local time: an even second, as DOS times keep it.
std::time_t KnownTime() {
  std::tm tm{};
  tm.tm_year = 124;
  tm.tm_mon = 4;
  tm.tm_mday = 6;
  tm.tm_hour = 7;
  tm.tm_min = 8;
  tm.tm_sec = 10;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

std::vector<Member> MakeSources(const std::string& dir, const std::vector<std::pair<std::string, std::size_t>>& files) {
  std::vector<Member> members;
  unsigned seed = 1;
  for (const auto& [name, size] : files) {
    std::string path = dir + "/src/" + std::to_string(seed);
    WriteFile(path, MixedBytes(size, seed++));
    struct utimbuf t{KnownTime(), KnownTime()};
    utime(path.c_str(), &t);
    members.push_back({path, name});
  }
  return members;
}

std::string Unix(std::string name) {
  for (char& c : name)
    if (c == '\\') c = '/';
  return name;
}

void ExpectSameFiles(const std::vector<Member>& members, const std::string& out, bool checkTimes = true) {
  for (const Member& m : members) {
    std::string path = out + "/" + Unix(m.name);
    ASSERT_TRUE(fs::exists(path)) << path;
    EXPECT_EQ(ReadFile(path), ReadFile(m.source)) << m.name;
    if (checkTimes) {
      struct stat st;
      ASSERT_EQ(stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mtime, KnownTime()) << m.name;
    }
  }
}

// Records of 32 bytes, each an earlier one again with four bytes changed: its
// matches lie at multiples of 32 bytes, where aligned offsets pay.
std::string Records(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::string> recent;
  for (int i = 0; i < 64; ++i) recent.push_back(testsupport::RandomBytes(32, rng()));
  std::string out;
  while (out.size() < size) {
    std::string record = recent[rng() % recent.size()];
    for (int i = 8; i < 12; ++i) record[static_cast<std::size_t>(i)] = static_cast<char>(rng());
    out += record;
    recent.push_back(record);
    if (recent.size() > 2000) recent.erase(recent.begin());
  }
  return out;
}

// The kinds of the LZX blocks of a one-folder cabinet: 1 verbatim, 2 aligned
// offsets, 3 stored. Our writer starts each block at a frame, so its header
// (after the call translation's header in the first) opens the data block of
// that frame.
std::set<int> LzxBlockKinds(const std::string& cab) {
  auto at16 = [&](std::size_t p) { return static_cast<std::uint32_t>(static_cast<unsigned char>(cab[p]) | static_cast<unsigned char>(cab[p + 1]) << 8); };
  std::size_t p = at16(36) | static_cast<std::size_t>(at16(38)) << 16;
  const std::uint32_t blocks = at16(40);
  std::set<int> kinds;
  for (std::uint32_t i = 0, next = 0; i < blocks; p += 8 + at16(p + 4), ++i) {
    if (i != next) continue;
    std::uint64_t bits =
        std::uint64_t(at16(p + 8)) << 48 | std::uint64_t(at16(p + 10)) << 32 | at16(p + 12) << 16 | at16(p + 14);
    // The first: a bit saying whether calls are translated, then 32 bits of the translation size if so.
    if (i == 0) bits <<= bits >> 63 ? 33 : 1;
    kinds.insert(static_cast<int>(bits >> 61 & 7));
    next = i + ((bits >> 37 & 0xFFFFFF) + 32767) / 32768;
  }
  return kinds;
}

const std::vector<std::pair<std::string, std::size_t>> kMixed = {
    {"empty.txt", 0}, {"small.txt", 100}, {"multi.bin", 200000}, {"sub\\deep.txt", 5000}, {"exact.bin", 65536},
    {"zero2", 0}};

}  // namespace

TEST(CabPeers, CabextractAndGcabReadOurCabinetsStoredAndMszip) {
  for (int comp : {0, 1}) {
    std::string dir = Folder("peers-read-" + std::to_string(comp));
    std::vector<Member> members = MakeSources(dir, kMixed);
    ASSERT_EQ(Pack(dir, "our", members, PackOptions{comp}), 0);
    std::string cab = dir + "/our.cab", text;
    ASSERT_EQ(Shell("cabextract -t " + cab, &text), 0) << text;
    EXPECT_NE(text.find("All done, no errors"), std::string::npos) << text;
    ASSERT_EQ(Shell("cabextract -q -d " + dir + "/x " + cab, &text), 0) << text;
    ExpectSameFiles(members, dir + "/x");

    ASSERT_EQ(Shell("gcab -t " + cab, &text), 0) << text;
    for (const Member& m : members) EXPECT_NE(text.find(m.name + "\n"), std::string::npos) << text;
    // gcab lists the DOS time it read; its extraction does not restore times.
    ASSERT_EQ(Shell("gcab -l " + cab, &text), 0) << text;
    EXPECT_NE(text.find("multi.bin 200000 2024-05-06 07:08:10 0x20"), std::string::npos) << text;
    ASSERT_EQ(Shell("gcab -x -C " + dir + "/g " + cab, &text), 0) << text;
    ExpectSameFiles(members, dir + "/g", false);

    Extracted ours = Unpack(cab, dir + "/o");
    EXPECT_EQ(ours.error, 0);
    EXPECT_EQ(ours.names.size(), members.size());
    ExpectSameFiles(members, dir + "/o");
  }
}

// With real files of the system besides: a program (its calls translated),
// a licence text and a C header.
TEST(CabPeers, LzxBlocksOfEveryKindAreReadByCabextractAnd7z) {
  std::string dir = Folder("lzx-kinds");
  std::vector<Member> members = MakeSources(dir, {{"text", 150000}});
  WriteFile(dir + "/src/random", testsupport::RandomBytes(70000, 3));
  WriteFile(dir + "/src/records", Records(200000, 4));
  members.push_back({dir + "/src/random", "random.bin"});
  members.push_back({dir + "/src/records", "sub\\records.bin"});
  const std::vector<Member> real = {
      {"/usr/bin/ls", "ls"}, {"/usr/share/common-licenses/GPL-3", "GPL-3"}, {"/usr/include/stdio.h", "stdio.h"}};
  std::size_t realSize = 0;
  for (const Member& m : real) realSize += fs::file_size(m.source);
  members.insert(members.end(), real.begin(), real.end());
  ASSERT_EQ(Pack(dir, "lzx", members, PackOptions{0x1503}), 0);  // LZX, window 2^21
  const std::string cab = dir + "/lzx.cab";
  EXPECT_EQ(LzxBlockKinds(ReadFile(cab)), (std::set<int>{1, 2, 3}));
  EXPECT_LT(fs::file_size(cab), 150000u / 3 + 70000 + 200000 / 3 + realSize / 2);

  std::string text;
  ASSERT_EQ(Shell("cabextract -t " + cab, &text), 0) << text;
  EXPECT_NE(text.find("All done, no errors"), std::string::npos) << text;
  ASSERT_EQ(Shell("cabextract -q -d " + dir + "/x " + cab, &text), 0) << text;
  ExpectSameFiles({members[0]}, dir + "/x");
  EXPECT_TRUE(ReadFile(dir + "/x/random.bin") == ReadFile(members[1].source));
  EXPECT_TRUE(ReadFile(dir + "/x/sub/records.bin") == ReadFile(members[2].source));
  ASSERT_EQ(Shell("7z x -y -o" + dir + "/z " + cab, &text), 0) << text;
  EXPECT_TRUE(ReadFile(dir + "/z/text") == ReadFile(members[0].source));
  EXPECT_TRUE(ReadFile(dir + "/z/random.bin") == ReadFile(members[1].source));
  EXPECT_TRUE(ReadFile(dir + "/z/sub/records.bin") == ReadFile(members[2].source));
  for (const Member& m : real) {
    EXPECT_TRUE(ReadFile(dir + "/x/" + m.name) == ReadFile(m.source)) << m.name;
    EXPECT_TRUE(ReadFile(dir + "/z/" + m.name) == ReadFile(m.source)) << m.name;
  }
  Extracted ours = Unpack(cab, dir + "/o");
  ASSERT_EQ(ours.error, 0);
  for (const Member& m : real) EXPECT_TRUE(ReadFile(dir + "/o/" + m.name) == ReadFile(m.source)) << m.name;
}

TEST(CabPeers, TenMegabytesAndCrossBlockReferences) {
  std::string dir = Folder("peers-large");
  std::vector<Member> members = MakeSources(dir, {{"big.bin", 10 << 20}});
  // A pattern that repeats every 1000 bytes: every block after the first
  // is almost all references into the block before it.
  std::string pattern = MixedBytes(1000, 99), repeated;
  while (repeated.size() < 200000) repeated += pattern;
  WriteFile(dir + "/src/rep", repeated);
  members.push_back({dir + "/src/rep", "rep.txt"});
  ASSERT_EQ(Pack(dir, "big", members), 0);
  std::string text;
  ASSERT_EQ(Shell("cabextract -q -d " + dir + "/x " + dir + "/big.cab", &text), 0) << text;
  ExpectSameFiles({members[0]}, dir + "/x");
  EXPECT_EQ(ReadFile(dir + "/x/rep.txt"), repeated);
  Extracted ours = Unpack(dir + "/big.cab", dir + "/o");
  ASSERT_EQ(ours.error, 0);
  EXPECT_EQ(ReadFile(dir + "/o/rep.txt"), repeated);
  EXPECT_EQ(ReadFile(dir + "/o/big.bin"), ReadFile(members[0].source));

  // Only rep.txt: seven blocks, each after the first one tiny.
  ASSERT_EQ(Pack(dir, "rep", {members[1]}), 0);
  EXPECT_LT(fs::file_size(dir + "/rep.cab"), 3000u);
}

TEST(CabPeers, WeReadGcabCabinetsStoredAndMszip) {
  for (const char* flags : {"-c", "-c -z"}) {
    std::string dir = Folder(std::string("gcab-made") + (std::string(flags).size() > 2 ? "-z" : ""));
    std::vector<Member> members = MakeSources(dir, {{"a", 0}, {"b", 70000}, {"c", 123}, {"d", 300000}});
    std::string list;
    for (const Member& m : members) {
      fs::copy_file(m.source, dir + "/" + m.name);
      list += " " + m.name;
    }
    std::string text;
    ASSERT_EQ(Shell("cd " + dir + " && gcab " + flags + " g.cab" + list, &text), 0) << text;
    Extracted ours = Unpack(dir + "/g.cab", dir + "/o");
    ASSERT_EQ(ours.error, 0);
    ExpectSameFiles(members, dir + "/o", false);
  }
}

TEST(CabPeers, SetsOfCabinetsAreReadWhole) {
  for (int comp : {0, 1, 0x1503}) {  // stored, MSZIP, LZX at window 2^21
    std::string dir = Folder("peers-set-" + std::to_string(comp));
    std::vector<Member> members =
        MakeSources(dir, {{"one", 400000}, {"two", 10}, {"three", 0}, {"four", 200000}, {"five", 40000}});
    PackOptions options{comp};
    options.cabinetSize = 40000;
    ASSERT_EQ(Pack(dir, "set", members, options), 0);
    ASSERT_TRUE(fs::exists(dir + "/set2.cab"));
    ASSERT_TRUE(fs::exists(dir + "/set3.cab"));
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().extension() == ".cab") {
        EXPECT_LE(fs::file_size(e.path()), 40000u) << e.path();
      }

    std::string text;
    ASSERT_EQ(Shell("cabextract -t " + dir + "/set.cab", &text), 0) << text;
    EXPECT_EQ(text.find("WARNING"), std::string::npos) << text;
    EXPECT_NE(text.find("All done, no errors"), std::string::npos) << text;
    ASSERT_EQ(Shell("cabextract -q -d " + dir + "/x " + dir + "/set.cab", &text), 0) << text;
    ExpectSameFiles(members, dir + "/x");

    Extracted ours = Unpack(dir + "/set.cab", dir + "/o");
    ASSERT_EQ(ours.error, 0);
    EXPECT_EQ(ours.names.size(), members.size());
    EXPECT_FALSE(ours.partial.empty());
    ExpectSameFiles(members, dir + "/o");
  }
}

TEST(CabPeers, ReservedAreasAndSeveralFoldersAreRead) {
  std::string dir = Folder("peers-reserve");
  std::vector<Member> members = MakeSources(dir, {{"r1", 70000}, {"r2", 3000}, {"r3", 0}, {"r4", 50000}});
  PackOptions options;
  options.reserveHeader = 20;
  options.reserveFolder = 4;
  options.reserveData = 8;
  options.folderThreshold = 1000;  // a folder closes after each larger file
  ASSERT_EQ(Pack(dir, "res", members, options), 0);
  std::string text;
  ASSERT_EQ(Shell("cabextract -t " + dir + "/res.cab", &text), 0) << text;
  EXPECT_NE(text.find("All done, no errors"), std::string::npos) << text;
  ASSERT_EQ(Shell("gcab -x -C " + dir + "/g " + dir + "/res.cab", &text), 0) << text;
  ExpectSameFiles(members, dir + "/g", false);
  Extracted ours = Unpack(dir + "/res.cab", dir + "/o");
  ASSERT_EQ(ours.error, 0);
  ExpectSameFiles(members, dir + "/o");
  // The folder count sits at offset 26 of the header.
  std::string bytes = ReadFile(dir + "/res.cab");
  EXPECT_GE(static_cast<unsigned char>(bytes[26]), 2);
}
