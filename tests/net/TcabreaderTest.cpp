#include "net/Tcabreader.h"
#include "net/Tcabwriter.h"
#include "platform/cab/Cabmembername.h"
#include "tests/platform/cab/testing/Cabtesting.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace cabtest;

namespace {

std::string Raw(const std::string& dir, const std::string& name, const RawCabinet& cab) {
  WriteFile(dir + "/" + name, BuildRaw(cab));
  return dir + "/" + name;
}

template <typename F>
ECabinet Raised(F&& f) {
  try {
    f();
  } catch (const ECabinet& e) {
    return e;
  }
  ADD_FAILURE() << "no ECabinet";
  return ECabinet(ERF{}, false);
}

}  // namespace

TEST(TCabReader, UnpacksGcabCabinetsWithFoldersAndTimes) {
  std::string dir = Folder("gcab");
  WriteFile(dir + "/src/a.txt", "alpha");
  WriteFile(dir + "/src/sub/b.bin", MixedBytes(100000, 2));
  WriteFile(dir + "/src/empty", "");
  std::string text;
  ASSERT_EQ(Shell("cd " + dir + "/src && touch -d '2023-03-04 05:06:08' a.txt && gcab -c -z ../g.cab a.txt sub/b.bin empty", &text), 0) << text;
  TCabReader r(nullptr);
  std::vector<std::string> copied;
  r.OnCopyFile = [&](TObject*, const std::string& name, int32_t size, uint16_t, uint16_t, uint16_t, uint16_t,
                     std::string& target, bool&) {
    copied.push_back(name + "=" + std::to_string(size));
    EXPECT_EQ(target.substr(target.size() - name.size()), platform::CabMemberPath(name));
  };
  r.Extract(dir + "/g.cab", dir + "/out");
  EXPECT_EQ(copied, (std::vector<std::string>{"a.txt=5", "sub\\b.bin=100000", "empty=0"}));
  EXPECT_EQ(ReadFile(dir + "/out/a.txt"), "alpha");
  EXPECT_EQ(ReadFile(dir + "/out/sub/b.bin"), MixedBytes(100000, 2));
  EXPECT_TRUE(fs::exists(dir + "/out/empty"));
  struct stat st;
  ASSERT_EQ(stat((dir + "/out/a.txt").c_str(), &st), 0);
  struct stat src;
  ASSERT_EQ(stat((dir + "/src/a.txt").c_str(), &src), 0);
  EXPECT_EQ(st.st_mtime, src.st_mtime);
}

TEST(TCabReader, MissingCabinetGivesTheLibrarysTextAndTheSystemsMessage) {
  std::string dir = Folder("missing");
  TCabReader r(nullptr);
  ECabinet e = Raised([&] { r.Extract(dir + "/nothere.cab", dir + "/out"); });
  EXPECT_EQ(e.Message(), "Cabinet not found [0x0001].\r\nThe system cannot find the file specified. [0x0002].");
  EXPECT_EQ(e.ErrorCode(), 1);
  EXPECT_EQ(e.SystemErrorCode(), 2);
  EXPECT_TRUE(e.ErrorPresent());
  EXPECT_FALSE(e.IsCompressionError());
  EXPECT_EQ(ECabinet(ERF{}, false).Message(), "FDI error");
  EXPECT_EQ(ECabinet(ERF{}, true).Message(), "FCI error");
  EXPECT_EQ(ECabinet(ERF{42, 0, TRUE}, false).Message(), "FDI error [0x002A]");
}

TEST(TCabReader, ReadOnlyTargetsAndTheTargetEvent) {
  std::string dir = Folder("readonly");
  std::string cab = Raw(dir, "r.cab", RawOf({{"keep.txt", "new"}, {"skip.txt", "zzz"}, {"moved.txt", "mm"}}));
  WriteFile(dir + "/out/keep.txt", "old");
  chmod((dir + "/out/keep.txt").c_str(), 0444);
  TCabReader r(nullptr);
  r.SetOptions({croDontOverwriteReadOnlyFiles});
  r.OnCopyFile = [&](TObject*, const std::string& name, int32_t, uint16_t, uint16_t, uint16_t, uint16_t,
                     std::string& target, bool&) {
    if (name == "skip.txt") target.clear();
    if (name == "moved.txt") target = dir + "/elsewhere/moved.txt";
  };
  r.Extract(cab, dir + "/out");
  EXPECT_EQ(ReadFile(dir + "/out/keep.txt"), "old");
  EXPECT_FALSE(fs::exists(dir + "/out/skip.txt"));
  EXPECT_EQ(ReadFile(dir + "/elsewhere/moved.txt"), "mm");

  TCabReader plain(nullptr);
  plain.Extract(cab, dir + "/out");
  EXPECT_EQ(ReadFile(dir + "/out/keep.txt"), "new");
}

TEST(TCabReader, FilesMarkedToRunAreNeverStarted) {
  std::string dir = Folder("exec");
  WriteFile(dir + "/run.sh", "#!/bin/sh\ntouch " + dir + "/ran\n");
  chmod((dir + "/run.sh").c_str(), 0755);
  {
    TCabWriter w(nullptr);
    w.SetCompressionType(cctMsZip);
    w.Open(dir + "/x.cab");
    w.AddFile(dir + "/run.sh", "run.sh", true);
    w.Close(true);
  }
  TCabReader r(nullptr);
  r.SetOptions({croExecuteOnExtract});
  bool sawExec = false;
  r.OnCloseFile = [&](TObject*, const std::string&, uint16_t, uint16_t, uint16_t, uint16_t, bool& exec,
                      const std::string& target, bool&) {
    sawExec = exec;
    EXPECT_EQ(target, dir + "/out/run.sh");
  };
  r.Extract(dir + "/x.cab", dir + "/out");
  EXPECT_TRUE(sawExec);
  EXPECT_TRUE(fs::exists(dir + "/out/run.sh"));
  EXPECT_FALSE(fs::exists(dir + "/ran"));
}

TEST(TCabReader, HostileCabinetsAreRefusedAndLeaveNothingBehind) {
  std::string dir = Folder("hostile");
  TCabReader r(nullptr);
  ECabinet e = Raised([&] { r.Extract(Raw(dir, "n.cab", RawOf({{"ok", "1"}, {"..\\..\\evil", "2"}})), dir + "/out"); });
  EXPECT_EQ(e.Message(), "Cabinet member name is unsafe: \"..\\..\\evil\" [0x000C]");
  EXPECT_EQ(e.ErrorCode(), FDIERROR_UNSAFE_NAME);
  EXPECT_FALSE(fs::exists(dir + "/evil"));
  EXPECT_FALSE(fs::exists(dir + "/out/ok"));

  // The name is told in one line with its control characters escaped, its letters kept:
  // no terminal sequence and no forged log line reach a box, the terminal or errors.log.
  const std::string forged = "\xE4\xE0\x1B]0;owned\x07\x1B[2J\r\nERROR MESSAGE: forged\x98\x7F\\..\\evil";
  e = Raised([&] { r.Extract(Raw(dir, "f.cab", RawOf({{"ok", "1"}, {forged, "2"}})), dir + "/outf"); });
  EXPECT_EQ(e.Message(),
            "Cabinet member name is unsafe: \"\xE4\xE0\\x1B]0;owned\\x07\\x1B[2J\\r\\nERROR MESSAGE: "
            "forged\\x98\\x7F\\..\\evil\" [0x000C]");
  EXPECT_FALSE(fs::exists(dir + "/outf/ok"));

  // A checksum fails in the second block: the half-written file is removed.
  std::string bytes = BuildRaw(RawOf({{"first", "1"}, {"big", MixedBytes(80000, 9)}}));
  bytes[bytes.size() - 100] ^= 1;
  WriteFile(dir + "/c.cab", bytes);
  e = Raised([&] { r.Extract(dir + "/c.cab", dir + "/out2"); });
  EXPECT_EQ(e.ErrorCode(), FDIERROR_CORRUPT_CABINET);
  EXPECT_EQ(ReadFile(dir + "/out2/first"), "1");
  EXPECT_FALSE(fs::exists(dir + "/out2/big"));

  // More output than the caller allows.
  r.SetOutputLimit(50000);
  e = Raised([&] { r.Extract(Raw(dir, "b.cab", RawOf({{"big", std::string(60000, 'b')}})), dir + "/out3"); });
  EXPECT_EQ(e.Message(), "Failure decompressing data from a cabinet file [0x0007]");
  EXPECT_FALSE(fs::exists(dir + "/out3/big"));
}

TEST(TCabReader, CabinetsThatNameEachOtherAsNextAreReadOnce) {
  std::string dir = Folder("loop");
  RawCabinet one = RawOf({{"one", "1"}});
  one.flags = 2;
  one.nextName = "two.cab";
  RawCabinet two = RawOf({{"two", "2"}});
  two.flags = 3;
  two.index = 1;
  two.prevName = "one.cab";
  two.nextName = "one.cab";
  Raw(dir, "two.cab", two);
  TCabReader r(nullptr);
  ECabinet e = Raised([&] { r.Extract(Raw(dir, "one.cab", one), dir + "/out"); });
  EXPECT_EQ(e.Message(), "Cabinet returned on fdintNEXT_CABINET is incorrect [0x000A]");
  EXPECT_EQ(ReadFile(dir + "/out/two"), "2");

  RawCabinet self = RawOf({{"self", "s"}});
  self.flags = 2;
  self.nextName = "self.cab";
  e = Raised([&] { r.Extract(Raw(dir, "self.cab", self), dir + "/out"); });
  EXPECT_EQ(e.ErrorCode(), FDIERROR_WRONG_CABINET);
}

TEST(TCabReader, PartialFilesAndCabinetInfoOfASet) {
  std::string dir = Folder("set");
  std::string big = MixedBytes(200000, 31);
  WriteFile(dir + "/big", big);
  {
    TCabWriter w(nullptr);
    w.SetCompressionType(cctNone);
    w.SetCabinetSizeThreshold(80000);
    w.Open(dir + "/s.cab");
    w.AddFile(dir + "/big", "big", false);
    w.Close(true);
  }
  TCabReader r(nullptr);
  std::vector<std::string> infos, partial;
  r.OnCabinetInfo = [&](TObject*, const std::string& next, const std::string&, const std::string&, uint16_t, uint16_t no,
                        bool&) { infos.push_back(std::to_string(no) + ">" + next); };
  r.OnCopyPartialFile = [&](TObject*, const std::string& name, const std::string& start, const std::string&,
                            const std::string&, bool&) { partial.push_back(name + "<" + start); };
  r.Extract(dir + "/s.cab", dir + "/out");
  EXPECT_EQ(ReadFile(dir + "/out/big"), big);
  EXPECT_EQ(infos, (std::vector<std::string>{"0>s1.cab", "1>s2.cab", "2>", "2>"}));
  EXPECT_EQ(partial, (std::vector<std::string>{"big<s1.cab"}));
}

// A name of at most 255 bytes in the cabinet may grow past what the disk holds: 128
// Cyrillic letters take 256 bytes in UTF-8, 86 "…" 258. Writer and reader refuse it
// alike, the reader before it writes any member; one letter less fits both.
TEST(TCabReader, NamesTooLongForTheDiskAreRefusedByWriterAndReaderBeforeAnythingIsWritten)
{
    const std::string dir = Folder("disk-names");
    WriteFile(dir + "/src", "abc");
    const std::string letters(128, '\xE4'), dots(86, '\x85');
    for (const std::string& name : {letters, dots, "sub\\" + letters}) {
        SCOPED_TRACE(name.size());
        WriteFile(dir + "/r.cab", BuildRaw(RawOf({{"first", "1"}, {name, "2"}})));
        ECabinet e = Raised([&] { TCabReader(nullptr).Extract(dir + "/r.cab", dir + "/out"); });
        EXPECT_EQ(e.Message(), "Cabinet member name is unsafe: \"" + name + "\" [0x000C]");
        EXPECT_TRUE(!fs::exists(dir + "/out") || fs::is_empty(dir + "/out"));

        TCabWriter w(nullptr);
        w.Open(dir + "/w.cab");
        e = Raised([&] { w.AddFile(dir + "/src", name, false); });
        EXPECT_EQ(e.Message(), "Cabinet member name is unsafe: \"" + name + "\" [0x0009]");
        w.Close(false);
    }
    const std::string fits[] = {std::string(127, '\xE4'), std::string(85, '\x85')};
    TCabWriter w(nullptr);
    w.SetCompressionType(cctMsZip);
    w.Open(dir + "/fits.cab");
    for (const std::string& name : fits)
        w.AddFile(dir + "/src", name, false);
    w.Close(true);
    TCabReader(nullptr).Extract(dir + "/fits.cab", dir + "/fits");
    std::string letter = "\xD0\xB4", dot = "\xE2\x80\xA6";
    std::string onDisk[2];
    for (int i = 0; i < 127; ++i)
        onDisk[0] += letter;
    for (int i = 0; i < 85; ++i)
        onDisk[1] += dot;
    EXPECT_EQ(ReadFile(dir + "/fits/" + onDisk[0]), "abc");
    EXPECT_EQ(ReadFile(dir + "/fits/" + onDisk[1]), "abc");
}

TEST(TCabReader, NamesMeetTheFileSystemInUtf8) {
  std::string dir = Folder("names");
  const std::string utf8Name = "\xD1\x82\xD0\xB5\xD1\x81\xD1\x82.txt";  // "test" in Cyrillic, UTF-8 bytes
  WriteFile(dir + "/src/" + utf8Name, "cyr");
  std::string text;
  ASSERT_EQ(Shell("cd " + dir + "/src && gcab -c ../u.cab " + utf8Name, &text), 0) << text;
  TCabReader r(nullptr);
  std::string seen;
  r.OnCopyFile = [&](TObject*, const std::string&, int32_t, uint16_t, uint16_t, uint16_t, uint16_t,
                     std::string& target, bool&) { seen = target; };
  r.Extract(dir + "/u.cab", dir + "/out");
  EXPECT_EQ(ReadFile(dir + "/out/" + utf8Name), "cyr");
  // The program sees the name in its code page.
  EXPECT_EQ(seen.substr(seen.size() - 8), "\xF2\xE5\xF1\xF2.txt");

  // A name written by the program in its code page lands in UTF-8 as well.
  TCabWriter w(nullptr);
  w.SetCompressionType(cctMsZip);
  w.Open(dir + "/p.cab");
  w.AddFile(dir + "/src/" + std::string("\xF2\xE5\xF1\xF2.txt"), "\xE4\xE0.txt", false);
  w.Close(true);
  r.OnCopyFile = nullptr;
  r.Extract(dir + "/p.cab", dir + "/out2");
  EXPECT_EQ(ReadFile(dir + "/out2/\xD0\xB4\xD0\xB0.txt"), "cyr");
}

// Names any Linux file may have travel both ways: gcab's cabinet read by us, ours read by cabextract.
TEST(TCabReader, NamesWithColonsAndOtherLinuxCharactersTravelBothWays)
{
    std::string dir = Folder("colons");
    const std::vector<std::string> names = {"a::b", "HTML::Element.3pm.gz", "C:drive", "sp ace;&"};
    const auto bytes = [](std::size_t i) { return MixedBytes(3000 + i, unsigned(i) + 1); };
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        WriteFile(dir + "/src/" + names[i], bytes(i));
        list += " './" + names[i] + "'"; // "./": gcab takes a name with ':' for an address otherwise
    }
    std::string text;
    // -n stores the names without their folders; without it gcab keeps the ".\".
    for (const char* flags : {"-c -z -n", "-c -z"}) {
        ASSERT_EQ(Shell("cd " + dir + "/src && gcab " + flags + " ../g.cab" + list + " && gcab -t ../g.cab", &text), 0)
            << text;
        EXPECT_EQ(text.substr(0, text.find('\n')), std::string(flags).size() > 5 ? "a::b" : ".\\a::b");
        TCabReader r(nullptr);
        const std::string out = dir + "/ours" + std::to_string(std::strlen(flags));
        r.Extract(dir + "/g.cab", out);
        for (std::size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(ReadFile(out + "/" + names[i]), bytes(i)) << names[i];
    }

    for (TCabCompressionType type : {cctMsZip, cctLzx}) {
        const std::string cab = dir + "/w" + std::to_string(int(type)) + ".cab", out = cab + ".out";
        {
            TCabWriter w(nullptr);
            w.SetCompressionType(type);
            w.Open(cab);
            for (const std::string& name : names)
                w.AddFile(dir + "/src/" + name, "deep\\" + name, false);
            w.Close(true);
        }
        ASSERT_EQ(Shell("cabextract -q -d " + out + " " + cab + " 2>&1", &text), 0) << text;
        for (std::size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(ReadFile(out + "/deep/" + names[i]), bytes(i)) << names[i];
    }
}
