// Cabinets that are broken or made to harm: each is refused with the
// library's error code, and nothing is written outside the target folder.
#include "tests/platform/cab/testing/Cabtesting.h"

#include "platform/cab/Cabfiles.h"
#include "platform/cab/Fci.h"
#include "platform/cab/Fdi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace cabtest;

namespace {

Extracted UnpackBytes(const std::string& dir, const std::string& bytes, std::uint64_t limit = 0) {
  WriteFile(dir + "/t.cab", bytes);
  return Unpack(dir + "/t.cab", dir + "/out", limit);
}

std::size_t FilesUnder(const std::string& dir) {
  std::size_t n = 0;
  for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it)
    if (it->is_regular_file()) ++n;
  return n;
}

}  // namespace

TEST(CabHostile, GeneratedCabinetIsReadByUsAndByCabextract) {
  std::string dir = Folder("hostile-baseline");
  std::string payload = MixedBytes(70000, 3);
  WriteFile(dir + "/g.cab", BuildRaw(RawOf({{"a.txt", "hello"}, {"dir\\b.bin", payload}})));
  std::string text;
  ASSERT_EQ(Shell("cabextract -t " + dir + "/g.cab", &text), 0) << text;
  Extracted x = Unpack(dir + "/g.cab", dir + "/out");
  ASSERT_EQ(x.error, 0);
  EXPECT_EQ(ReadFile(dir + "/out/dir/b.bin"), payload);
}

TEST(CabHostile, NamesThatLeaveTheTargetAreRefusedBeforeAnythingIsWritten) {
  for (const char* bad : {"../evil", "..\\evil", "/tmp/evil", "\\evil", "a\\..\\..\\evil", "", "sub\\", "..\\"}) {
    std::string dir = Folder("hostile-names");
    Extracted x = UnpackBytes(dir, BuildRaw(RawOf({{"good.txt", "fine"}, {bad, "bad"}})));
    EXPECT_EQ(x.error, FDIERROR_UNSAFE_NAME) << bad;
    // The writer refuses the same name before it reads a byte of the file.
    WriteFile(dir + "/src", "bad");
    EXPECT_EQ(Pack(dir, "w", {{dir + "/src", bad}}), FCIERR_UNSAFE_NAME) << bad;
    EXPECT_TRUE(x.names.empty()) << bad;
    EXPECT_FALSE(fs::exists(dir + "/evil"));
    EXPECT_FALSE(fs::exists(dir + "/out/good.txt"));
  }
  std::string dir = Folder("hostile-long-name");
  EXPECT_EQ(UnpackBytes(dir, BuildRaw(RawOf({{std::string(256, 'n'), "x"}}))).error, FDIERROR_CORRUPT_CABINET);
}

TEST(CabHostile, SymbolicLinksInTheTargetAreNeverFollowed) {
  std::string dir = Folder("hostile-links");
  std::string outside = dir + "/outside";
  fs::create_directories(outside);
  fs::create_directories(dir + "/out");
  WriteFile(outside + "/victim", "precious");
  fs::create_directory_symlink(outside, dir + "/out/sub");
  fs::create_symlink(outside + "/victim", dir + "/out/victim");
  Extracted x = UnpackBytes(dir, BuildRaw(RawOf({{"sub\\new", "bad"}})));
  EXPECT_EQ(x.error, FDIERROR_USER_ABORT);
  x = UnpackBytes(dir, BuildRaw(RawOf({{"victim", "bad"}})));
  EXPECT_EQ(x.error, FDIERROR_USER_ABORT);
  EXPECT_EQ(ReadFile(outside + "/victim"), "precious");
  EXPECT_FALSE(fs::exists(outside + "/new"));
  // An existing regular file is replaced, not written through: a hard link keeps its bytes.
  WriteFile(dir + "/out/plain", "old");
  fs::create_hard_link(dir + "/out/plain", dir + "/linked");
  x = UnpackBytes(dir, BuildRaw(RawOf({{"plain", "new"}})));
  EXPECT_EQ(x.error, 0);
  EXPECT_EQ(ReadFile(dir + "/out/plain"), "new");
  EXPECT_EQ(ReadFile(dir + "/linked"), "old");
}

TEST(CabHostile, BrokenStructuresGiveTheLibrarysErrors) {
  std::string dir = Folder("hostile-structure");
  std::string payload = MixedBytes(70000, 5);
  RawCabinet good = RawOf({{"a", payload}});
  std::string bytes = BuildRaw(good);

  EXPECT_EQ(Unpack(dir + "/missing.cab", dir + "/out").error, FDIERROR_CABINET_NOT_FOUND);
  EXPECT_EQ(UnpackBytes(dir, "MSCX" + bytes.substr(4)).error, FDIERROR_NOT_A_CABINET);
  EXPECT_EQ(UnpackBytes(dir, "short").error, FDIERROR_NOT_A_CABINET);
  RawCabinet v = good;
  v.versionMajor = 2;
  EXPECT_EQ(UnpackBytes(dir, BuildRaw(v)).error, FDIERROR_UNKNOWN_CABINET_VERSION);

  // A flipped data byte fails the block checksum.
  std::string flipped = bytes;
  flipped[flipped.size() - 100] ^= 0x55;
  EXPECT_EQ(UnpackBytes(dir, flipped).error, FDIERROR_CORRUPT_CABINET);
  std::string text;
  WriteFile(dir + "/flipped.cab", flipped);
  EXPECT_NE(Shell("cabextract -t " + dir + "/flipped.cab", &text), 0);

  // Cut short, in the middle of the data.
  EXPECT_EQ(UnpackBytes(dir, bytes.substr(0, bytes.size() - 5000)).error, FDIERROR_CORRUPT_CABINET);

  RawCabinet folder = good;
  folder.entries[0].folder = 3;
  EXPECT_EQ(UnpackBytes(dir, BuildRaw(folder)).error, FDIERROR_CORRUPT_CABINET);
  RawCabinet continued = good;  // continued from a previous cabinet that the header does not name
  continued.entries[0].folder = 0xFFFD;
  EXPECT_EQ(UnpackBytes(dir, BuildRaw(continued)).error, FDIERROR_CORRUPT_CABINET);
  RawCabinet overflow = good;
  overflow.entries[0].offset = 0xFFFFFF00u;
  EXPECT_EQ(UnpackBytes(dir, BuildRaw(overflow)).error, FDIERROR_CORRUPT_CABINET);
  RawCabinet beyond = good;  // more bytes than the folder's blocks hold
  beyond.entries[0].size = 3 * 32768 + 1;
  EXPECT_EQ(UnpackBytes(dir, BuildRaw(beyond)).error, FDIERROR_CORRUPT_CABINET);
  RawCabinet noFolders = good;
  noFolders.folderCount = 0;
  EXPECT_EQ(UnpackBytes(dir, BuildRaw(noFolders)).error, FDIERROR_CORRUPT_CABINET);

  // Block sizes beyond the format's limits.
  std::string big = bytes;
  std::size_t firstBlock = bytes.size() - 70000 - 3 * 8;
  big[firstBlock + 6] = static_cast<char>(0x01);  // uncompressed size 0x8001
  big[firstBlock + 7] = static_cast<char>(0x80);
  EXPECT_EQ(UnpackBytes(dir, big).error, FDIERROR_CORRUPT_CABINET);
  big = bytes;
  big[firstBlock + 4] = static_cast<char>(0xFF);  // compressed size 0xFFFF
  big[firstBlock + 5] = static_cast<char>(0xFF);
  EXPECT_EQ(UnpackBytes(dir, big).error, FDIERROR_CORRUPT_CABINET);

  // Folders of the compressions we do not read: Quantum, LZX windows the format has not.
  for (std::uint16_t comp : {std::uint16_t(2), std::uint16_t(0x0E03), std::uint16_t(0x1603)}) {
    RawCabinet other = good;
    other.compression = comp;
    EXPECT_EQ(UnpackBytes(dir, BuildRaw(other)).error, FDIERROR_BAD_COMPR_TYPE);
  }
  // Stored bytes that claim to be LZX.
  RawCabinet notLzx = good;
  notLzx.compression = 0x1503;
  EXPECT_EQ(UnpackBytes(dir, BuildRaw(notLzx)).error, FDIERROR_MDI_FAIL);
  // MSZIP data that is no deflate stream.
  RawCabinet fake = RawOf({{"a", "CK\xFF\xFF\xFF garbage"}});
  fake.compression = 1;
  fake.entries[0].size = 100;
  EXPECT_EQ(UnpackBytes(dir, BuildRaw(fake)).error, FDIERROR_MDI_FAIL);
}

// Our own LZX cabinet with its last frame cut short by a byte or two, that frame's check
// sum cleared so that only the decoder can tell: it needs bits past the frame's end and is
// refused, as cabextract refuses it.
TEST(CabHostile, AnLzxFrameThatNeedsBitsPastItsEndIsRefused) {
  std::string dir = Folder("hostile-lzx-cut");
  const std::string payload = MixedBytes(70000, 1);  // its last frame decodes from zeros past its end
  WriteFile(dir + "/src", payload);
  ASSERT_EQ(Pack(dir, "lzx", {{dir + "/src", "src"}}, PackOptions{0x0F03}), 0);  // LZX, window 2^15
  const std::string good = ReadFile(dir + "/lzx.cab");
  const auto u16 = [](const std::string& b, std::size_t at) {
    return static_cast<std::size_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
  };
  // One folder; its blocks lie at the cabinet's end.
  const std::size_t firstBlock = u16(good, 36) | u16(good, 38) << 16;
  std::size_t last = firstBlock;
  for (std::size_t block = 1; block < u16(good, 40); ++block) last += 8 + u16(good, last + 4);
  const std::size_t lastSize = u16(good, last + 4);
  ASSERT_EQ(last + 8 + lastSize, good.size());
  for (std::size_t cut : {0, 1, 2}) {
    SCOPED_TRACE(cut);
    std::string bad = good.substr(0, good.size() - cut);
    const std::size_t cabinetSize = bad.size(), blockSize = lastSize - cut;
    for (int i = 0; i < 4; ++i) {
      bad[8 + i] = static_cast<char>(cabinetSize >> (8 * i));
      bad[last + i] = 0;  // no check sum
    }
    bad[last + 4] = static_cast<char>(blockSize);
    bad[last + 5] = static_cast<char>(blockSize >> 8);
    Extracted x = UnpackBytes(dir, bad);
    std::string text;
    const int peer = Shell("cabextract -q -d " + dir + "/peer " + dir + "/t.cab 2>&1", &text);
    if (cut == 0) {
      EXPECT_EQ(x.error, 0);
      EXPECT_EQ(ReadFile(dir + "/out/src"), payload);
      EXPECT_EQ(peer, 0) << text;
    } else {
      EXPECT_EQ(x.error, FDIERROR_MDI_FAIL);
      EXPECT_NE(peer, 0) << text;
    }
  }
}

TEST(CabHostile, OutputBeyondTheCallersLimitIsRefused) {
  std::string dir = Folder("hostile-bomb");
  std::string payload(200000, 'z');
  // Declared sizes above the limit: refused before anything is written.
  Extracted x = UnpackBytes(dir, BuildRaw(RawOf({{"a", payload}})), 100000);
  EXPECT_EQ(x.error, FDIERROR_MDI_FAIL);
  EXPECT_TRUE(x.names.empty());
  // Many entries over the same bytes: each small, but decoding runs past the limit.
  RawCabinet overlap = RawOf({{"a", payload}});
  for (int i = 0; i < 40; ++i) overlap.entries.push_back({"f" + std::to_string(i), 1, 199990, 0});
  overlap.entries.erase(overlap.entries.begin());
  x = UnpackBytes(dir, BuildRaw(overlap), 1000000);
  EXPECT_EQ(x.error, FDIERROR_MDI_FAIL);
  EXPECT_EQ(Unpack(dir + "/t.cab", dir + "/out2").error, 0);
}

TEST(CabHostile, ANextCabinetThatIsNotTheNextOneIsRefused) {
  std::string dir = Folder("hostile-loop");
  // The cabinet continues its folder into itself.
  RawCabinet self = RawOf({{"a", MixedBytes(40000, 8)}});
  self.flags = 2;
  self.nextName = "t.cab";
  self.entries[0].folder = 0xFFFE;
  self.entries[0].size = 80000;
  EXPECT_EQ(UnpackBytes(dir, BuildRaw(self)).error, FDIERROR_WRONG_CABINET);
  // ... or into one of another set.
  RawCabinet other = self;
  other.flags = 1;
  other.index = 1;
  other.setId = 99;
  other.prevName = "t.cab";
  other.entries[0].folder = 0xFFFD;
  WriteFile(dir + "/o.cab", BuildRaw(other));
  self.nextName = "o.cab";
  EXPECT_EQ(UnpackBytes(dir, BuildRaw(self)).error, FDIERROR_WRONG_CABINET);
  // ... or into one that is missing.
  self.nextName = "gone.cab";
  EXPECT_EQ(UnpackBytes(dir, BuildRaw(self)).error, FDIERROR_CABINET_NOT_FOUND);
}

TEST(CabHostile, CompressionTypesWeDoNotWriteAreRefused) {
  std::string dir = Folder("hostile-fci");
  WriteFile(dir + "/src", "data");
  for (std::uint16_t comp : {std::uint16_t(2), std::uint16_t(0x0E03), std::uint16_t(0x1603)}) {
    PackOptions other;
    other.compression = comp;
    EXPECT_EQ(Pack(dir, "l", {{dir + "/src", "src"}}, other), FCIERR_BAD_COMPR_TYPE);
  }
  EXPECT_EQ(Pack(dir, "m", {{dir + "/missing", "src"}}), FCIERR_OPEN_SRC);
  EXPECT_EQ(FilesUnder(dir), 1u);
}

TEST(CabHostile, RandomDamageNeverCrashesNorWritesOutside) {
  std::string dir = Folder("hostile-damage");
  std::vector<Member> members;
  for (int i = 0; i < 4; ++i) {
    WriteFile(dir + "/src/" + std::to_string(i), MixedBytes(20000 * i + 5, 40 + i));
    members.push_back({dir + "/src/" + std::to_string(i), "d\\" + std::to_string(i)});
  }
  ASSERT_EQ(Pack(dir, "good", members), 0);
  const std::string good = ReadFile(dir + "/good.cab");
  std::mt19937 rng(1234);
  int refused = 0;
  for (int round = 0; round < 300; ++round) {
    std::string bad = good;
    int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips; ++f) {
      // Mostly the directory, where counts and offsets live.
      std::size_t at = rng() % 3 ? rng() % std::min<std::size_t>(bad.size(), 200) : rng() % bad.size();
      bad[at] = static_cast<char>(rng());
    }
    if (rng() % 10 == 0) bad.resize(rng() % bad.size());
    Extracted x = UnpackBytes(dir + "/r", bad, 1 << 20);
    refused += x.error != 0;
  }
  EXPECT_GT(refused, 150);
  EXPECT_EQ(FilesUnder(dir + "/r"), FilesUnder(dir + "/r/out") + 1);  // t.cab and what went into out
}

TEST(CabHostile, SetsCutAtABlockEdgeWithMoreFilesInTheContinuedFolder) {
  std::string dir = Folder("foreign-set");
  std::string a = MixedBytes(40000, 61), b = MixedBytes(1000, 62);
  RawCabinet one;
  one.data = a.substr(0, 32768);
  one.entries = {{"a", 40000, 0, 0xFFFE}};
  one.flags = 2;
  one.nextName = "c2.cab";
  RawCabinet two;
  two.data = a.substr(32768) + b;
  two.entries = {{"a", 40000, 0, 0xFFFD}, {"b", 1000, 40000, 0}};
  two.flags = 1;
  two.index = 1;
  two.prevName = "c1.cab";
  WriteFile(dir + "/c1.cab", BuildRaw(one));
  WriteFile(dir + "/c2.cab", BuildRaw(two));
  Extracted x = Unpack(dir + "/c1.cab", dir + "/out");
  ASSERT_EQ(x.error, 0);
  EXPECT_EQ(x.names, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(x.partial, (std::vector<std::string>{"a"}));
  EXPECT_EQ(ReadFile(dir + "/out/a"), a);
  EXPECT_EQ(ReadFile(dir + "/out/b"), b);
}

TEST(CabHostile, IsCabinetTellsCabinetsFromOtherFiles) {
  std::string dir = Folder("is-cabinet");
  RawCabinet cab = RawOf({{"a", "1"}, {"b", "22"}});
  cab.flags = 2;
  cab.nextName = "n.cab";
  cab.index = 3;
  WriteFile(dir + "/c.cab", BuildRaw(cab));
  WriteFile(dir + "/text", "just some text, no cabinet at all");
  ERF erf{};
  HFDI h = FDICreate([](ULONG n) { return std::malloc(n); }, [](void* p) { std::free(p); },
                     [](char* f, int o, int m) { int e; return platform::CabFileOpen(f, o, m, &e); },
                     [](INT_PTR f, void* b, UINT n) { int e; return platform::CabFileRead(f, b, n, &e); },
                     [](INT_PTR f, void* b, UINT n) { int e; return platform::CabFileWrite(f, b, n, &e); },
                     [](INT_PTR f) { int e; return platform::CabFileClose(f, &e); },
                     [](INT_PTR f, long d, int t) { int e; return platform::CabFileSeek(f, d, t, &e); }, cpuUNKNOWN, &erf);
  ASSERT_NE(h, nullptr);
  int e = 0;
  INT_PTR hf = platform::CabFileOpen((dir + "/c.cab").c_str(), CAB_O_RDONLY, 0, &e);
  FDICABINETINFO info{};
  EXPECT_TRUE(FDIIsCabinet(h, hf, &info));
  EXPECT_EQ(info.cFiles, 2);
  EXPECT_EQ(info.cFolders, 1);
  EXPECT_EQ(info.setID, 7);
  EXPECT_EQ(info.iCabinet, 3);
  EXPECT_TRUE(info.hasnext);
  EXPECT_FALSE(info.hasprev);
  EXPECT_EQ(info.cbCabinet, static_cast<long>(fs::file_size(dir + "/c.cab")));
  platform::CabFileClose(hf, &e);
  hf = platform::CabFileOpen((dir + "/text").c_str(), CAB_O_RDONLY, 0, &e);
  EXPECT_FALSE(FDIIsCabinet(h, hf, &info));
  platform::CabFileClose(hf, &e);
  EXPECT_TRUE(FDIDestroy(h));
}
