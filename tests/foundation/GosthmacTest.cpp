#include "foundation/Gosthmac.h"

#include "Gostpeer.h"

#include <gtest/gtest.h>

using namespace gostpeer;

TEST(Gosthmac, EqualsOpensslGostEngineForKeysShortExactAndLong) {
  std::string dir = ScratchFolder();
  std::string env = OpensslEnv(dir);
  uint32_t seed = 200;
  for (size_t keySize : {1u, 7u, 32u, 33u, 100u}) {
    for (size_t size : {1u, 32u, 33u, 1500u}) {
      Bytes key = Random(keySize, seed++);
      Bytes data = Random(size, seed++);
      std::string file = dir + "/data.bin";
      WriteFile(file, data);
      uint8_t mac[GostHashSize];
      TGostHmac::Compute(key.data(), key.size(), data.data(), data.size(), mac);
      std::string peer = RunPeer(env + "openssl dgst -md_gost94 -mac hmac -macopt hexkey:" + Hex(key) + " '" + file + "'");
      EXPECT_EQ(DigestIn(peer), Hex(mac, sizeof mac)) << "key " << keySize << " data " << size;
    }
  }
}

TEST(Gosthmac, PiecewiseEqualsOneShotAndKeyMatters) {
  Bytes key = Random(32, 1), data = Random(777, 2);
  uint8_t whole[GostHashSize], pieces[GostHashSize], other[GostHashSize];
  TGostHmac::Compute(key.data(), key.size(), data.data(), data.size(), whole);
  TGostHmac h(key.data(), key.size());
  for (size_t at = 0; at < data.size(); at += 50) h.Update(data.data() + at, std::min<size_t>(50, data.size() - at));
  h.Final(pieces);
  EXPECT_EQ(Hex(whole, 32), Hex(pieces, 32));
  key[31] ^= 1;
  TGostHmac::Compute(key.data(), key.size(), data.data(), data.size(), other);
  EXPECT_NE(Hex(whole, 32), Hex(other, 32));
}

TEST(Gosthmac, ConstantTimeEqualComparesEveryByte) {
  Bytes a = Random(32, 3), b = a;
  EXPECT_TRUE(ConstantTimeEqual(a.data(), b.data(), a.size()));
  EXPECT_TRUE(ConstantTimeEqual(a.data(), b.data(), 0));
  for (size_t i = 0; i < b.size(); ++i) {
    b[i] ^= 0x80;
    EXPECT_FALSE(ConstantTimeEqual(a.data(), b.data(), a.size())) << i;
    b[i] ^= 0x80;
  }
}
