#include "platform/cab/Inflater.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>
#include <zlib.h>

using namespace platform;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A program and a text of the installed system, as a folder's bytes.
Bytes Folder() {
  Bytes data;
  for (const char* path : {"/usr/bin/ls", "/usr/share/common-licenses/GPL-3"}) {
    std::ifstream f(path, std::ios::binary);
    data.insert(data.end(), std::istreambuf_iterator<char>(f), {});
  }
  return data;
}

// zlib packs the folder as a cabinet writer does: one stream through it,
// each block of 32 KB ended by a sync flush and an empty final block.
std::vector<Bytes> ZlibBlocks(const Bytes& data, int level, int strategy) {
  z_stream s{};
  EXPECT_EQ(deflateInit2(&s, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
  std::vector<Bytes> blocks;
  for (std::size_t at = 0; at < data.size(); at += Inflater::kMaxOutput) {
    const std::size_t n = std::min(Inflater::kMaxOutput, data.size() - at);
    Bytes out(deflateBound(&s, n) + 16);
    s.next_in = const_cast<Bytef*>(data.data() + at);
    s.avail_in = static_cast<uInt>(n);
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&s, Z_SYNC_FLUSH), Z_OK);
    const std::size_t used = out.size() - s.avail_out;
    out[used] = 0x03;
    out[used + 1] = 0x00;
    out.resize(used + 2);
    blocks.push_back(out);
  }
  deflateEnd(&s);
  return blocks;
}

std::size_t BlockSize(const Bytes& data, std::size_t i) {
  return std::min(Inflater::kMaxOutput, data.size() - i * Inflater::kMaxOutput);
}

// zlib's verdict on one block with the folder's 32 KB before it.
bool ZlibTakes(const Bytes& data, std::size_t i, const Bytes& block, Bytes& out) {
  z_stream s{};
  inflateInit2(&s, -15);
  if (i > 0) inflateSetDictionary(&s, data.data() + i * Inflater::kMaxOutput - Inflater::kWindow, Inflater::kWindow);
  out.assign(BlockSize(data, i), 0);
  s.next_in = const_cast<Bytef*>(block.data());
  s.avail_in = static_cast<uInt>(block.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  int rc = inflate(&s, Z_FINISH);
  bool whole = s.avail_out == 0;
  if (whole && rc != Z_STREAM_END) {
    std::uint8_t probe;
    s.next_out = &probe;
    s.avail_out = 1;
    whole = inflate(&s, Z_FINISH) == Z_STREAM_END && s.avail_out == 1;
  }
  inflateEnd(&s);
  return whole;
}

}  // namespace

TEST(Inflater, EveryKindOfBlockZlibWritesAcrossAFolder) {
  const Bytes data = Folder();
  ASSERT_GT(data.size(), 4 * Inflater::kMaxOutput);
  for (int level : {0, 1, 6, 9})
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE}) {
      const std::vector<Bytes> blocks = ZlibBlocks(data, level, strategy);
      Inflater inflater;
      Bytes out(Inflater::kMaxOutput);
      for (std::size_t i = 0; i < blocks.size(); ++i) {
        const std::size_t n = BlockSize(data, i);
        ASSERT_TRUE(inflater.Inflate(blocks[i].data(), blocks[i].size(), out.data(), n))
            << "level " << level << " strategy " << strategy << " block " << i;
        ASSERT_EQ(std::memcmp(out.data(), data.data() + i * Inflater::kMaxOutput, n), 0) << i;
      }
      // A block asked for one byte more or less than it holds is refused.
      Inflater fresh;
      EXPECT_FALSE(fresh.Inflate(blocks[0].data(), blocks[0].size(), out.data(), BlockSize(data, 0) - 1));
      fresh.Clear();
      Bytes big(Inflater::kMaxOutput + 1);
      EXPECT_FALSE(fresh.Inflate(blocks[0].data(), blocks[0].size(), big.data(), big.size()));
    }
}

TEST(Inflater, DamagedBlocksAreRefusedWhereZlibRefusesThem) {
  const Bytes data = Folder();
  const std::vector<Bytes> blocks = ZlibBlocks(data, 6, Z_DEFAULT_STRATEGY);
  std::mt19937 random(47);
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::size_t last = random() % 4;
    Bytes damaged = blocks[last];
    for (int flips = 1 + static_cast<int>(random() % 3); flips > 0; --flips)
      damaged[random() % damaged.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    if (random() % 4 == 0) damaged.resize(random() % damaged.size());
    Inflater inflater;
    Bytes out(Inflater::kMaxOutput), expected;
    for (std::size_t i = 0; i < last; ++i)
      ASSERT_TRUE(inflater.Inflate(blocks[i].data(), blocks[i].size(), out.data(), BlockSize(data, i)));
    const bool ours = inflater.Inflate(damaged.data(), damaged.size(), out.data(), BlockSize(data, last));
    ASSERT_EQ(ours, ZlibTakes(data, last, damaged, expected)) << "round " << round;
    if (ours) {
      ASSERT_EQ(std::memcmp(out.data(), expected.data(), expected.size()), 0) << "round " << round;
    }
    refused += !ours;
  }
  EXPECT_GT(refused, 1000);
}
