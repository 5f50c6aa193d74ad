#include "platform/cab/Cabformat.h"
#include "platform/cab/Cabmembername.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Cabformat, ChecksumFoldsWordsAndTheTailWithItsFirstByteHighest) {
  const std::uint8_t five[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(CabChecksum(five, 5, 0), 0x04030201u ^ 0x05u);
  const std::uint8_t seven[] = {1, 2, 3, 4, 0xA, 0xB, 0xC};
  EXPECT_EQ(CabChecksum(seven, 7, 0), 0x04030201u ^ 0x0A0B0Cu);
  const std::uint8_t six[] = {0, 0, 0, 0, 0xA, 0xB};
  EXPECT_EQ(CabChecksum(six, 6, 0x10), 0x10u ^ 0x0A0Bu);
  // A block's checksum covers its data, then its two sizes.
  EXPECT_EQ(CabBlockChecksum(five, 5, 5, nullptr, 0), CabChecksum((const std::uint8_t[]){5, 0, 5, 0}, 4, 0x04030204u));
}

TEST(Cabformat, HeaderCarriesReserveAndLinks) {
  CabHeader h;
  h.flags = kCabFlagPrev | kCabFlagNext;
  h.prevCabinet = "a.cab";
  // GCC 12 takes the fresh string for unset while it copies into it (a false -Wmaybe-uninitialized).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
  h.prevDisk = "D0";
#pragma GCC diagnostic pop
  h.nextCabinet = "a2.cab";
  h.nextDisk = "D2";
  h.headerReserve = 3;
  h.dataReserve = 2;
  h.setId = 0x1234;
  h.cabinetIndex = 1;
  std::vector<std::uint8_t> bytes = CabWriteHeader(h);
  ASSERT_EQ(bytes.size(), 36u + 4 + 3 + 6 + 3 + 7 + 3);
  EXPECT_EQ(CabGet16(bytes.data() + 30), kCabFlagPrev | kCabFlagNext | kCabFlagReserve);
  EXPECT_EQ(bytes[24], 3);
  EXPECT_EQ(bytes[25], 1);
  EXPECT_EQ(CabGet16(bytes.data() + 32), 0x1234);
  EXPECT_EQ(CabGet16(bytes.data() + 36), 3);
  EXPECT_EQ(bytes[39], 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 43), "a.cab");

  CabDirectory dir;
  auto readAt = [&](std::uint64_t off, std::uint8_t* buf, std::size_t n) {
    if (off + n > bytes.size()) return false;
    std::copy(bytes.begin() + static_cast<long>(off), bytes.begin() + static_cast<long>(off + n), buf);
    return true;
  };
  // The header says its file entries begin where they do; no folders, no files.
  bytes[16] = static_cast<std::uint8_t>(bytes.size());
  ASSERT_EQ(CabReadDirectory(readAt, bytes.size(), dir), CabParse::Ok);
  EXPECT_EQ(dir.header.nextCabinet, "a2.cab");
  EXPECT_EQ(dir.header.prevDisk, "D0");
  EXPECT_EQ(dir.header.dataReserve, 2);
  // A name without its terminating zero inside the file is refused.
  EXPECT_EQ(CabReadDirectory(readAt, bytes.size() - 4, dir), CabParse::Corrupt);
  bytes[0] = 'X';
  EXPECT_EQ(CabReadDirectory(readAt, bytes.size(), dir), CabParse::NotCabinet);
}

TEST(Cabmembername, EveryLinuxFileNameBelowTheTargetPassesAndNothingThatLeavesIt) {
  for (const char* ok :
       {"a", "a.txt", "dir\\file", "dir/sub/file", "a..b", "...", "x.cab", "\xC0\xC1", "a::b", "HTML::Element.3pm.gz",
        "C:x", "c:\\x", "tab\there", "del\x7F", " lead", "a//b", ".hidden", ".\\a::b", "a/./b"})
    EXPECT_TRUE(CabMemberNameIsSafe(ok)) << ok;
  for (const char* bad : {"", "..", "../x", "a\\..\\b", "a/../b", "/etc/passwd", "\\x", "a\\", "a/", ".", "a/.", "a/..",
                          "./", "\\\\server\\share"})
    EXPECT_FALSE(CabMemberNameIsSafe(bad)) << bad;
  EXPECT_FALSE(CabMemberNameIsSafe(std::string("a\0b", 3)));
  EXPECT_TRUE(CabMemberNameIsSafe(std::string(255, 'n')));
  EXPECT_EQ(CabMemberPath("dir\\sub\\f.txt"), "dir/sub/f.txt");
  EXPECT_EQ(CabMemberPath(".\\a\\/b//./c"), "a/b/c");
  EXPECT_EQ(CabMemberPath("a::b"), "a::b");
}
