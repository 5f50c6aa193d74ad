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
      std::string key = RandomBytes(keySize, seed++);
      std::string data = RandomBytes(size, seed++);
      std::string file = dir + "/data.bin";
      WriteFile(file, data);
      uint8_t mac[GostHashSize];
      TGostHmac::Compute(U(key), key.size(), U(data), data.size(), mac);
      std::string peer = RunPeer(env + "openssl dgst -md_gost94 -mac hmac -macopt hexkey:" + Hex(key) + " '" + file + "'");
      EXPECT_EQ(DigestIn(peer), HexOf(mac, sizeof mac)) << "key " << keySize << " data " << size;
    }
  }
}

TEST(Gosthmac, PiecewiseEqualsOneShotAndKeyMatters) {
  std::string key = RandomBytes(32, 1), data = RandomBytes(777, 2);
  uint8_t whole[GostHashSize], pieces[GostHashSize], other[GostHashSize];
  TGostHmac::Compute(U(key), key.size(), U(data), data.size(), whole);
  TGostHmac h(U(key), key.size());
  for (size_t at = 0; at < data.size(); at += 50) h.Update(U(data) + at, std::min<size_t>(50, data.size() - at));
  h.Final(pieces);
  EXPECT_EQ(HexOf(whole, 32), HexOf(pieces, 32));
  key[31] ^= 1;
  TGostHmac::Compute(U(key), key.size(), U(data), data.size(), other);
  EXPECT_NE(HexOf(whole, 32), HexOf(other, 32));
}

TEST(Gosthmac, ConstantTimeEqualComparesEveryByte) {
  std::string a = RandomBytes(32, 3), b = a;
  EXPECT_TRUE(ConstantTimeEqual(U(a), U(b), a.size()));
  EXPECT_TRUE(ConstantTimeEqual(U(a), U(b), 0));
  for (size_t i = 0; i < b.size(); ++i) {
    b[i] ^= 0x80;
    EXPECT_FALSE(ConstantTimeEqual(U(a), U(b), a.size())) << i;
    b[i] ^= 0x80;
  }
}
