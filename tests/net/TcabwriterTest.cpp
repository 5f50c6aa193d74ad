#include "net/Tcabreader.h"
#include "net/Tcabwriter.h"
#include "tests/platform/cab/testing/Cabtesting.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace cabtest;

namespace {

std::string Source(const std::string& dir, const std::string& name, const std::string& bytes) {
  std::string path = dir + "/src/" + name;
  WriteFile(path, bytes);
  return path;
}

}  // namespace

TEST(TCabWriter, DefaultsAndCompressionCodes) {
  TCabWriter w(nullptr);
  EXPECT_EQ(w.CompressionType(), cctLzx);
  EXPECT_EQ(w.CompressionLzxLevel(), 21);
  EXPECT_EQ(w.CompressionCode(), 0x1503);
  w.SetCompressionLzxLevel(15);
  EXPECT_EQ(w.CompressionCode(), 0x0F03);
  w.SetCompressionType(cctMsZip);
  EXPECT_EQ(w.CompressionCode(), 1);
  w.SetCompressionType(cctNone);
  EXPECT_EQ(w.CompressionCode(), 0);
  w.SetCompressionType(static_cast<TCabCompressionType>(7));
  EXPECT_EQ(w.CompressionCode(), 15);
  EXPECT_EQ(w.CabinetSizeThreshold(), 0u);
  EXPECT_EQ(w.SetID(), 0);
  EXPECT_FALSE(w.IsOpen());
}

TEST(TCabWriter, PacksAMessageAsThePostOfficeDoes) {
  std::string dir = Folder("post");
  std::string message = MixedBytes(150000, 11);
  std::string src = Source(dir, "M-model-261207-NB-001", message);
  {
    TCabWriter w(nullptr);
    w.SetCompressionType(cctMsZip);
    w.Open(dir + "/out/M.cab");
    w.AddFile(src, "M-model-261207-NB-001", false);
    w.Close(true);
  }
  std::string text;
  ASSERT_EQ(Shell("cabextract -t " + dir + "/out/M.cab", &text), 0) << text;
  ASSERT_EQ(Shell("cabextract -q -d " + dir + "/x " + dir + "/out/M.cab", &text), 0) << text;
  EXPECT_EQ(ReadFile(dir + "/x/M-model-261207-NB-001"), message);
  ASSERT_EQ(Shell("gcab -t " + dir + "/out/M.cab", &text), 0) << text;
  EXPECT_EQ(text, "M-model-261207-NB-001\n");
  TCabReader r(nullptr);
  r.Extract(dir + "/out/M.cab", dir + "/in");
  EXPECT_EQ(ReadFile(dir + "/in/M-model-261207-NB-001"), message);
}

TEST(TCabWriter, StoredNamesLoseOneLeadingBackslashAndUseBackslashes) {
  std::string dir = Folder("names");
  std::string src = Source(dir, "a", "abc");
  TCabWriter w(nullptr);
  w.SetCompressionType(cctNone);
  w.Open(dir + "/n.cab");
  w.AddFile(src, "\\top.txt", false);
  w.AddFile(src, "sub/inner.txt", false);
  w.Close(true);
  std::string text;
  ASSERT_EQ(Shell("gcab -t " + dir + "/n.cab", &text), 0) << text;
  EXPECT_EQ(text, "top.txt\nsub\\inner.txt\n");
}

TEST(TCabWriter, FileCountThresholdStartsTheNextCabinetOfTheSet) {
  std::string dir = Folder("count");
  std::vector<std::string> names;
  TCabWriter w(nullptr);
  w.SetCompressionType(cctMsZip);
  w.SetCabinetFileCountThreshold(3);
  std::vector<std::string> placed;
  int nextCalls = 0;
  w.OnFilePlaced = [&](TObject*, const CCAB& cab, const std::string& name, int32_t, bool, bool&) {
    placed.push_back(std::string(cab.szCab) + ":" + name);
  };
  w.OnGetNextCabinet = [&](TObject*, CCAB& cab, uint32_t prev, bool&) {
    if (nextCalls++ == 0) {
      EXPECT_EQ(prev, 0u);
    }
    EXPECT_EQ(cab.cb, 0x7FFFFFFFu);
    EXPECT_EQ(cab.cbFolderThresh, 0x7FFFFFFFu);
  };
  w.Open(dir + "/a.cab");
  for (int i = 1; i <= 5; ++i) w.AddFile(Source(dir, "f" + std::to_string(i), MixedBytes(1000 * i, i)), "f" + std::to_string(i), false);
  w.Close(true);
  EXPECT_EQ(nextCalls, 2);
  EXPECT_TRUE(fs::exists(dir + "/a.cab"));
  EXPECT_TRUE(fs::exists(dir + "/a1.cab"));
  EXPECT_FALSE(fs::exists(dir + "/a2.cab"));
  EXPECT_EQ(placed, (std::vector<std::string>{"a.cab:f1", "a.cab:f2", "a.cab:f3", "a1.cab:f4", "a1.cab:f5"}));

  std::string text;
  ASSERT_EQ(Shell("cabextract -q -d " + dir + "/x " + dir + "/a.cab", &text), 0) << text;
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(ReadFile(dir + "/x/f" + std::to_string(i)), MixedBytes(1000 * i, i));
  TCabReader r(nullptr);
  r.Extract(dir + "/a.cab", dir + "/in");
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(ReadFile(dir + "/in/f" + std::to_string(i)), MixedBytes(1000 * i, i));
}

TEST(TCabWriter, ASetDeepInFoldersIsWrittenAndReadBack)
{
    // A data folder under a deep home: the cabinets' folder is longer than a name may be.
    const std::string dir = Folder("deep") + "/" + std::string(250, 'd') + "/" + std::string(250, 'e');
    TCabWriter w(nullptr);
    w.SetCompressionType(cctNone);
    w.SetCabinetSizeThreshold(70000);
    w.Open(dir + "/out/d.cab");
    w.AddFile(Source(dir, "big", MixedBytes(150000, 5)), "big.bin", false);
    w.Close(true);
    ASSERT_TRUE(fs::exists(dir + "/out/d1.cab"));
    std::string text;
    ASSERT_EQ(Shell("cabextract -q -d " + dir + "/x " + dir + "/out/d.cab", &text), 0) << text;
    EXPECT_EQ(ReadFile(dir + "/x/big.bin"), MixedBytes(150000, 5));
    TCabReader r(nullptr);
    r.Extract(dir + "/out/d.cab", dir + "/in");
    EXPECT_EQ(ReadFile(dir + "/in/big.bin"), MixedBytes(150000, 5));
}

TEST(TCabWriter, SizeThresholdMakesASetNamedByTheTemplates) {
  std::string dir = Folder("size");
  std::string big = MixedBytes(300000, 21);
  TCabWriter w(nullptr);
  w.SetCompressionType(cctNone);
  w.SetCabinetSizeThreshold(70000);
  w.SetCabinetNameTemplate("part*.cab");
  w.SetCabinetPathTemplate(dir + "/disk*");
  w.SetDiskLabelTemplate("Volume *");
  w.SetSetID(0x4242);
  EXPECT_EQ(w.DiskLabel(3), "Volume 3");
  w.Open(dir + "/disk1/part0.cab");
  w.AddFile(Source(dir, "big", big), "big.bin", false);
  w.AddFile(Source(dir, "small", "tail"), "small.txt", false);
  w.Close(true);
  ASSERT_TRUE(fs::exists(dir + "/disk2/part1.cab"));
  ASSERT_TRUE(fs::exists(dir + "/disk3/part2.cab"));
  for (int i = 1; i <= 5 && fs::exists(dir + "/disk" + std::to_string(i)); ++i)
    for (const auto& e : fs::directory_iterator(dir + "/disk" + std::to_string(i))) {
      EXPECT_LE(fs::file_size(e.path()), 70000u);
    }

  // The set spans folders: gather it for cabextract, read it in place ourselves.
  fs::create_directories(dir + "/all");
  for (int i = 1; fs::exists(dir + "/disk" + std::to_string(i)); ++i)
    for (const auto& e : fs::directory_iterator(dir + "/disk" + std::to_string(i)))
      fs::copy_file(e.path(), dir + "/all/" + e.path().filename().string());
  std::string text;
  ASSERT_EQ(Shell("cabextract -q -d " + dir + "/x " + dir + "/all/part0.cab", &text), 0) << text;
  EXPECT_EQ(ReadFile(dir + "/x/big.bin"), big);

  TCabReader r(nullptr);
  std::vector<std::string> asked;
  r.OnNextCabinet = [&](TObject*, const std::string& cab, const std::string& disk, std::string& path, FDIERROR, bool&) {
    asked.push_back(cab + "@" + disk);
    path = dir + "/disk" + disk.substr(7);
  };
  r.Extract(dir + "/disk1/part0.cab", dir + "/in");
  EXPECT_EQ(ReadFile(dir + "/in/big.bin"), big);
  EXPECT_EQ(ReadFile(dir + "/in/small.txt"), "tail");
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.front(), "part1.cab@Volume 2");
}

TEST(TCabWriter, FailuresRaiseECabinetWithTheLibrarysTexts) {
  std::string dir = Folder("fail");
  TCabWriter w(nullptr);
  w.SetCompressionLzxLevel(22);  // a window LZX has not
  w.Open(dir + "/l.cab");
  std::string src = Source(dir, "a", "x");
  try {
    w.AddFile(src, "a", false);
    FAIL() << "no exception";
  } catch (const ECabinet& e) {
    EXPECT_EQ(e.Message(), "Unknown compression type [0x0005]");
    EXPECT_TRUE(e.IsCompressionError());
    EXPECT_EQ(e.ErrorCode(), 5);
  }
  w.SetCompressionType(cctMsZip);
  try {
    w.AddFile(dir + "/missing", "m", false);
    FAIL() << "no exception";
  } catch (const ECabinet& e) {
    EXPECT_EQ(e.Message(),
              "Failure opening file to be stored in cabinet [0x0001].\r\nThe system cannot find the file specified. [0x0002].");
    EXPECT_EQ(e.SystemErrorCode(), 2);
  }
  w.Close(false);
  EXPECT_FALSE(fs::exists(dir + "/l.cab"));
  EXPECT_THROW(w.AddFile(src, "a", false), ECabinet);
}

TEST(TCabWriter, EventsCanAbortAndProgressIsReported) {
  std::string dir = Folder("events");
  {
    TCabWriter w(nullptr);
    w.OnGetNextCabinet = [](TObject*, CCAB&, uint32_t, bool& abort) { abort = true; };
    w.Open(dir + "/none.cab");
    EXPECT_FALSE(w.IsOpen());
  }
  TCabWriter w(nullptr);
  w.SetCompressionType(cctMsZip);
  int progress = 0, fileStatus = 0, folderStatus = 0, cabinetStatus = 0;
  w.OnProgress = [&](TObject*, bool&) { ++progress; };
  w.OnFileStatus = [&](TObject*, uint32_t, uint32_t u, bool&) { EXPECT_LE(u, 32768u); ++fileStatus; };
  w.OnFolderStatus = [&](TObject*, uint32_t, uint32_t, bool&) { ++folderStatus; };
  w.OnCabinetStatus = [&](TObject*, uint32_t, uint32_t actual, uint32_t&, bool&) { EXPECT_GT(actual, 0u); ++cabinetStatus; };
  w.Open(dir + "/p.cab");
  w.AddFile(Source(dir, "big", MixedBytes(12 * 32768, 4)), "big", false);
  w.Close(true);
  EXPECT_EQ(fileStatus, 12);
  EXPECT_EQ(progress, 2);  // on the second file status and nine after it
  EXPECT_EQ(folderStatus, 1);
  EXPECT_EQ(cabinetStatus, 1);

  TCabWriter a(nullptr);
  a.SetCompressionType(cctMsZip);
  a.OnFilePlaced = [](TObject*, const CCAB&, const std::string&, int32_t, bool, bool& abort) { abort = true; };
  a.Open(dir + "/abort.cab");
  try {
    a.AddFile(Source(dir, "s", "s"), "s", false);
    FAIL() << "no exception";
  } catch (const ECabinet& e) {
    EXPECT_EQ(e.Message(), "Client requested abort [0x0007]");
  }
}

TEST(TCabWriter, DestroyedWithoutCloseWritesNothing) {
  std::string dir = Folder("unflushed");
  {
    TCabWriter w(nullptr);
    w.SetCompressionType(cctMsZip);
    w.Open(dir + "/u.cab");
    w.AddFile(Source(dir, "a", "data"), "a", false);
  }
  EXPECT_FALSE(fs::exists(dir + "/u.cab"));
}

TEST(TCabWriter, LzxAtEveryWindowIsReadByCabextract7zAndOurReader) {
  std::string text;
  for (int i = 0; text.size() < 150000; ++i)
    text += "Block " + std::to_string(i % 977) + ": the moderator accepts the statement and links it.\r\n";
  const std::string random = MixedBytes(90000, 5);
  for (int window = 15; window <= 21; ++window) {
    const std::string dir = Folder("lzx" + std::to_string(window));
    const std::string a = Source(dir, "text.txt", text), b = Source(dir, "random.bin", random);
    {
      TCabWriter w(nullptr);
      if (window != 21) w.SetCompressionLzxLevel(window);  // 21 is the default
      w.Open(dir + "/out/L.cab");
      w.AddFile(a, "text.txt", false);
      w.AddFile(b, "sub\\random.bin", false);
      w.Close(true);
    }
    EXPECT_LT(fs::file_size(dir + "/out/L.cab"), text.size() / 4 + random.size() + 2000) << window;
    std::string said;
    ASSERT_EQ(Shell("cabextract -q -d " + dir + "/c " + dir + "/out/L.cab", &said), 0) << said;
    EXPECT_TRUE(ReadFile(dir + "/c/text.txt") == text) << window;
    EXPECT_TRUE(ReadFile(dir + "/c/sub/random.bin") == random) << window;
    ASSERT_EQ(Shell("7z x -y -o" + dir + "/z " + dir + "/out/L.cab", &said), 0) << said;
    EXPECT_TRUE(ReadFile(dir + "/z/text.txt") == text) << window;
    EXPECT_TRUE(ReadFile(dir + "/z/sub/random.bin") == random) << window;
    TCabReader r(nullptr);
    r.Extract(dir + "/out/L.cab", dir + "/in");
    EXPECT_TRUE(ReadFile(dir + "/in/text.txt") == text) << window;
    EXPECT_TRUE(ReadFile(dir + "/in/sub/random.bin") == random) << window;
  }
}

// The writer refuses exactly the names the reader refuses, and says which name it is.
TEST(TCabWriter, RefusesExactlyTheNamesTheReaderRefuses)
{
    std::string dir = Folder("unsafe");
    std::string src = Source(dir, "a", "abc");
    const std::vector<std::string> names = {"a::b",  "..",        "x/../../y", "sub\\", "./a", "a//b",
                                            "C:\\x", "tab\there", ".",         "a/.",   "./"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        std::string raw = dir + "/r.cab";
        WriteFile(raw, BuildRaw(RawOf({{name, "abc"}})));
        bool readerAccepts = true;
        try {
            TCabReader(nullptr).Extract(raw, dir + "/in" + std::to_string(i));
        } catch (const ECabinet& e) {
            readerAccepts = false;
            EXPECT_EQ(e.Message(), "Cabinet member name is unsafe: \"" + name + "\" [0x000C]");
        }
        TCabWriter w(nullptr);
        w.Open(dir + "/w.cab");
        bool writerAccepts = true;
        try {
            w.AddFile(src, name, false);
        } catch (const ECabinet& e) {
            writerAccepts = false;
            std::string stored = name;
            for (char& c : stored)
                if (c == '/')
                    c = '\\';
            EXPECT_EQ(e.Message(), "Cabinet member name is unsafe: \"" + stored + "\" [0x0009]");
            EXPECT_TRUE(e.IsCompressionError());
        }
        w.Close(false);
        EXPECT_EQ(writerAccepts, readerAccepts) << name;
    }
    // A zero byte would cut the stored name short: no reader could see the whole name.
    TCabWriter w(nullptr);
    w.Open(dir + "/z.cab");
    EXPECT_THROW(w.AddFile(src, std::string("a\0b", 3), false), ECabinet);
}
