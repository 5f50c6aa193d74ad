#include "foundation/Gost28147.h"

#include "Gostpeer.h"

#include <gtest/gtest.h>

using namespace gostpeer;

namespace {

Bytes Cfb(const Bytes& key, const Bytes& iv, Bytes data, bool meshing = true) {
  TGostCfb cfb(TGostTables::CryptoProA(), key.data(), iv.data(), meshing);
  cfb.Encrypt(data.data(), data.size());
  return data;
}

}  // namespace

// Across the 1024-byte meshing boundary and its multiples, with whole and partial blocks.
TEST(Gost28147, CfbWithKeyMeshingEqualsOpensslGostEngine) {
  std::string dir = ScratchFolder();
  std::string env = OpensslEnv(dir);
  uint32_t seed = 300;
  for (size_t size : {1u, 7u, 8u, 9u, 1016u, 1023u, 1024u, 1025u, 1031u, 1032u, 2048u, 3077u, 10000u}) {
    Bytes key = Random(32, seed++), iv = Random(8, seed++), plain = Random(size, seed++);
    WriteFile(dir + "/plain.bin", plain);
    RunPeer(env + "openssl enc -gost89 -K " + Hex(key) + " -iv " + Hex(iv) + " -in '" + dir + "/plain.bin' -out '" + dir +
        "/cipher.bin'");
    EXPECT_EQ(Hex(ReadFile(dir + "/cipher.bin")), Hex(Cfb(key, iv, plain))) << "size " << size;
  }
}

TEST(Gost28147, CfbStreamsInAnyPiecesAndDecrypts) {
  Bytes key = Random(32, 1), iv = Random(8, 2), plain = Random(5000, 3);
  Bytes whole = Cfb(key, iv, plain);
  for (size_t piece : {1u, 5u, 8u, 13u, 1024u, 1500u}) {
    Bytes data = plain;
    TGostCfb enc(TGostTables::CryptoProA(), key.data(), iv.data());
    for (size_t at = 0; at < data.size(); at += piece) enc.Encrypt(data.data() + at, std::min(piece, data.size() - at));
    EXPECT_EQ(Hex(data), Hex(whole)) << "pieces of " << piece;
    TGostCfb dec(TGostTables::CryptoProA(), key.data(), iv.data());
    for (size_t at = 0; at < data.size(); at += piece) dec.Decrypt(data.data() + at, std::min(piece, data.size() - at));
    EXPECT_EQ(Hex(data), Hex(plain)) << "pieces of " << piece;
  }
}

TEST(Gost28147, MeshingChangesTheStreamOnlyAfter1024Bytes) {
  Bytes key = Random(32, 4), iv = Random(8, 5), plain = Random(2048, 6);
  Bytes meshed = Cfb(key, iv, plain, true), plainCfb = Cfb(key, iv, plain, false);
  EXPECT_EQ(Hex(meshed.data(), 1024), Hex(plainCfb.data(), 1024));
  EXPECT_NE(Hex(meshed.data() + 1024, 8), Hex(plainCfb.data() + 1024, 8));
}

TEST(Gost28147, BlockDecryptInvertsEncryptAndKeyMatters) {
  Bytes key = Random(32, 7), block = Random(8, 8);
  TGost28147 c(TGostTables::CryptoProA(), key.data());
  uint8_t enc[8], dec[8];
  c.EncryptBlock(block.data(), enc);
  c.DecryptBlock(enc, dec);
  EXPECT_EQ(Hex(dec, 8), Hex(block));
  EXPECT_NE(Hex(enc, 8), Hex(block));
  key[0] ^= 1;
  TGost28147 other(TGostTables::CryptoProA(), key.data());
  uint8_t enc2[8];
  other.EncryptBlock(block.data(), enc2);
  EXPECT_NE(Hex(enc2, 8), Hex(enc, 8));
}
