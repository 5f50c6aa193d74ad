// LZX cabinets from another writer (tests/data/cab/make_lzx_cabinets.py puts
// their bit streams together by hand): call translation at a frame's end and
// with a translation size smaller than the data, the repeated offsets, stored
// and aligned-offset blocks, code lengths sent as runs. We must unpack each to
// the bytes stored beside it, which are also what cabextract and 7z give now.
#include "tests/platform/cab/testing/Cabtesting.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace cabtest;

namespace {

const char* const kCabinets[] = {"lzx-e8-frame-end", "lzx-e8-small-size", "lzx-repeated-offsets", "lzx-aligned"};

std::string DataFile(const std::string& name) { return std::string(QUILLARAN_SOURCE_DIR) + "/tests/data/cab/" + name; }

}  // namespace

TEST(CabLzxStreams, OtherWritersCabinetsUnpackToTheBytesCabextractAnd7zGive) {
  for (const std::string name : kCabinets) {
    SCOPED_TRACE(name);
    const std::string cab = DataFile(name + ".cab"), member = name + ".bin";
    const std::string expected = ReadFile(DataFile(member));
    ASSERT_GT(expected.size(), 30000u);
    const std::string dir = Folder(name);

    Extracted ours = Unpack(cab, dir + "/ours");
    ASSERT_EQ(ours.error, 0);
    // The first byte that differs tells the fault, where 60 KB of output would not.
    const std::string got = ReadFile(dir + "/ours/" + member);
    ASSERT_EQ(got.size(), expected.size());
    const auto diff = std::mismatch(got.begin(), got.end(), expected.begin());
    EXPECT_TRUE(diff.first == got.end()) << "first difference at byte " << (diff.first - got.begin());

    std::string said;
    ASSERT_EQ(Shell("cabextract -q -d " + dir + "/c " + cab, &said), 0) << said;
    EXPECT_TRUE(ReadFile(dir + "/c/" + member) == expected) << "cabextract gives other bytes";
    ASSERT_EQ(Shell("7z x -y -o" + dir + "/z " + cab, &said), 0) << said;
    EXPECT_TRUE(ReadFile(dir + "/z/" + member) == expected) << "7z gives other bytes";
  }
}
