#include "foundation/Gost28147.h"

#include "Gostpeer.h"

#include <gtest/gtest.h>

using namespace gostpeer;

namespace {

std::string Cfb(const std::string& key, const std::string& iv, std::string data, bool meshing = true) {
  TGostCfb cfb(TGostTables::CryptoProA(), U(key), U(iv), meshing);
  cfb.Encrypt(U(data), data.size());
  return data;
}

}  // namespace

// Across the 1024-byte meshing boundary and its multiples, with whole and partial blocks.
TEST(Gost28147, CfbWithKeyMeshingEqualsOpensslGostEngine) {
  std::string dir = ScratchFolder();
  std::string env = OpensslEnv(dir);
  uint32_t seed = 300;
  for (size_t size : {1u, 7u, 8u, 9u, 1016u, 1023u, 1024u, 1025u, 1031u, 1032u, 2048u, 3077u, 10000u}) {
    std::string key = RandomBytes(32, seed++), iv = RandomBytes(8, seed++), plain = RandomBytes(size, seed++);
    WriteFile(dir + "/plain.bin", plain);
    RunPeer(env + "openssl enc -gost89 -K " + Hex(key) + " -iv " + Hex(iv) + " -in '" + dir + "/plain.bin' -out '" + dir +
        "/cipher.bin'");
    EXPECT_EQ(Hex(ReadFile(dir + "/cipher.bin")), Hex(Cfb(key, iv, plain))) << "size " << size;
  }
}

TEST(Gost28147, CfbStreamsInAnyPiecesAndDecrypts) {
  std::string key = RandomBytes(32, 1), iv = RandomBytes(8, 2), plain = RandomBytes(5000, 3);
  std::string whole = Cfb(key, iv, plain);
  for (size_t piece : {1u, 5u, 8u, 13u, 1024u, 1500u}) {
    std::string data = plain;
    TGostCfb enc(TGostTables::CryptoProA(), U(key), U(iv));
    for (size_t at = 0; at < data.size(); at += piece) enc.Encrypt(U(data) + at, std::min(piece, data.size() - at));
    EXPECT_EQ(Hex(data), Hex(whole)) << "pieces of " << piece;
    TGostCfb dec(TGostTables::CryptoProA(), U(key), U(iv));
    for (size_t at = 0; at < data.size(); at += piece) dec.Decrypt(U(data) + at, std::min(piece, data.size() - at));
    EXPECT_EQ(Hex(data), Hex(plain)) << "pieces of " << piece;
  }
}

TEST(Gost28147, MeshingChangesTheStreamOnlyAfter1024Bytes) {
  std::string key = RandomBytes(32, 4), iv = RandomBytes(8, 5), plain = RandomBytes(2048, 6);
  std::string meshed = Cfb(key, iv, plain, true), plainCfb = Cfb(key, iv, plain, false);
  EXPECT_EQ(HexOf(U(meshed), 1024), HexOf(U(plainCfb), 1024));
  EXPECT_NE(HexOf(U(meshed) + 1024, 8), HexOf(U(plainCfb) + 1024, 8));
}

TEST(Gost28147, BlockDecryptInvertsEncryptAndKeyMatters) {
  std::string key = RandomBytes(32, 7), block = RandomBytes(8, 8);
  TGost28147 c(TGostTables::CryptoProA(), U(key));
  uint8_t enc[8], dec[8];
  c.EncryptBlock(U(block), enc);
  c.DecryptBlock(enc, dec);
  EXPECT_EQ(HexOf(dec, 8), Hex(block));
  EXPECT_NE(HexOf(enc, 8), Hex(block));
  key[0] ^= 1;
  TGost28147 other(TGostTables::CryptoProA(), U(key));
  uint8_t enc2[8];
  other.EncryptBlock(U(block), enc2);
  EXPECT_NE(HexOf(enc2, 8), HexOf(enc, 8));
}
