// The checksum of the discussion's files against rhash, and its folding path against the
// tables at every length and alignment around its block sizes (16 and 64 bytes).

#include "foundation/Crc32.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using namespace testsupport;

TEST(Crc32, MatchesRhashAndTheTablesAtEveryLengthAndAlignment) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc32(check.data(), check.size()), 0xCBF43926u);
  EXPECT_EQ(Crc32(nullptr, 0), 0u);

  const std::string bytes = RandomBytes((1 << 20) + 13, 25);
  const std::string path = ScratchFolder() + "/bytes";
  WriteFile(path, bytes);
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08X", Crc32(bytes.data(), bytes.size()));
  EXPECT_EQ(RunPeer("rhash --printf='%C' '" + path + "'"), hex);

  for (size_t offset = 0; offset < 4; ++offset)
    for (size_t size = 0; size <= 1100; ++size)
      ASSERT_EQ(Crc32(bytes.data() + offset, size), Crc32ByTables(bytes.data() + offset, size))
          << "size " << size << " offset " << offset;
  // Continued over pieces as the writer does: the header, then the content.
  const uint32_t whole = Crc32(bytes.data(), 5000);
  EXPECT_EQ(Crc32(bytes.data() + 7, 5000 - 7, Crc32(bytes.data(), 7)), whole);
  EXPECT_EQ(Crc32ByTables(bytes.data(), 5000), whole);
}

}  // namespace
