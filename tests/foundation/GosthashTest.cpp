#include "foundation/Gosthash.h"

#include "Gostpeer.h"

#include <gtest/gtest.h>

using namespace gostpeer;

namespace {

std::string Digest(const std::string& data, const TGostTables& tables = TGostTables::HashCryptoPro()) {
  uint8_t d[GostHashSize];
  TGostHash::Compute(U(data), data.size(), d, tables);
  return HexOf(d, sizeof d);
}

struct Vector {
  std::string Message;
  const char* TestSet;
  const char* CryptoProSet;
};

}  // namespace

// The examples of RFC 5831 (the 32- and 50-byte messages) and the widely published
// vectors for both parameter sets.
TEST(Gosthash, PublishedVectors) {
  const Vector vectors[] = {
      {"", "ce85b99cc46752fffee35cab9a7b0278abb4c2d2055cff685af4912c49490f8d",
       "981e5f3ca30c841487830f84fb433e13ac1101569b9c13584ac483234cd656c0"},
      {"a", "d42c539e367c66e9c88a801f6649349c21871b4344c6a573f849fdce62f314dd",
       "e74c52dd282183bf37af0079c9f78055715a103f17e3133ceff1aacf2f403011"},
      {"abc", "f3134348c44fb1b2a277729e2285ebb5cb5e0f29c975bc753b70497c06a4d51d",
       "b285056dbf18d7392d7677369524dd14747459ed8143997e163b2986f92fd42c"},
      {"message digest", "ad4434ecb18f2c99b60cbe59ec3d2469582b65273f48de72db2fde16a4889a4d",
       "bc6041dd2aa401ebfa6e9886734174febdb4729aa972d60f549ac39b29721ba0"},
      {"This is message, length=32 bytes",
       "b1c466d37519b82e8319819ff32595e047a28cb6f83eff1c6916a815a637fffa",
       "2cefc2f7b7bdc514e18ea57fa74ff357e7fa17d652c75f69cb1be7893ede48eb"},
      {"Suppose the original message has length = 50 bytes",
       "471aba57a60a770d3a76130635c1fbea4ef14de51f78b4ae57dd893b62f55208",
       "c3730c5cbccacf915ac292676f21e8bd4ef75331d9405e5f1a61dc3130a65011"},
      {"The quick brown fox jumps over the lazy dog",
       "77b7fa410c9ac58a25f49bca7d0468c9296529315eaca76bd1a10f376d1f4294",
       "9004294a361a508c586fe53d1f1b02746765e71b765472786e4770d565830a76"},
      {std::string(128, 'U'), "53a3a3ed25180cef0c1d85a074273e551c25660a87062a52d926a9e8fe5733a4",
       "1c4ac7614691bbf427fa2316216be8f10d92edfd37cd1027514c1008f649c4e8"},
      {std::string(1000000, 'a'), "5c00ccc2734cdd3332d3d4749576e3c1a7dbaf0e7ea74e9fa602413c90a129fa",
       "8693287aa62f9478f7cb312ec0866b6c4e4a0f11160441e8f4ffcd2715dd554f"},
  };
  for (const auto& v : vectors) {
    std::string m = std::string(v.Message);
    EXPECT_EQ(Digest(m, TGostTables::HashTest()), v.TestSet) << "length " << m.size();
    EXPECT_EQ(Digest(m), v.CryptoProSet) << "length " << m.size();
  }
}

TEST(Gosthash, PiecewiseUpdatesEqualOneShotAndStateResets) {
  std::string data = RandomBytes(1000, 7);
  std::string whole = Digest(data);
  for (size_t piece : {1u, 3u, 31u, 32u, 33u, 100u}) {
    TGostHash h;
    for (size_t at = 0; at < data.size(); at += piece) h.Update(U(data) + at, std::min(piece, data.size() - at));
    uint8_t d[GostHashSize];
    h.Final(d);
    EXPECT_EQ(HexOf(d, sizeof d), whole) << "pieces of " << piece;
    h.Update(U(data), data.size());  // Final left a fresh state behind
    h.Final(d);
    EXPECT_EQ(HexOf(d, sizeof d), whole);
  }
}

TEST(Gosthash, EqualsRhashForBothParameterSets) {
  std::string dir = ScratchFolder();
  uint32_t seed = 1;
  for (size_t size : {0u, 1u, 31u, 32u, 33u, 64u, 1000u, 1048576u}) {
    std::string data = RandomBytes(size, seed++);
    std::string file = dir + "/data" + std::to_string(size) + ".bin";
    WriteFile(file, data);
    EXPECT_EQ(DigestIn(RunPeer("rhash --gost94 '" + file + "'")), Digest(data, TGostTables::HashTest())) << size;
    EXPECT_EQ(DigestIn(RunPeer("rhash --gost94-cryptopro '" + file + "'")), Digest(data)) << size;
  }
}

// The engine's digest of the empty message is wrong (it differs from every published
// value), so the comparison with it starts at one byte; rhash covers the empty message.
TEST(Gosthash, EqualsOpensslGostEngine) {
  std::string dir = ScratchFolder();
  std::string env = OpensslEnv(dir);
  uint32_t seed = 100;
  for (size_t size : {1u, 31u, 32u, 33u, 1000u, 1048576u}) {
    std::string data = RandomBytes(size, seed++);
    std::string file = dir + "/data.bin";
    WriteFile(file, data);
    EXPECT_EQ(DigestIn(RunPeer(env + "openssl dgst -md_gost94 '" + file + "'")), Digest(data)) << size;
  }
}
