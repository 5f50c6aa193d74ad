#include "foundation/Gostpassword.h"

#include "Gostpeer.h"

#include <gtest/gtest.h>

#include <string>

using namespace gostpeer;

namespace {

const std::string Password = "correct horse";

Bytes Encipher(const Bytes& plain, const std::string& password = Password) {
  Bytes out(plain.size() + PasswordCipherOverhead);
  EncipherWithPassword(plain.data(), plain.size(), password.data(), password.size(), out.data());
  return out;
}

bool Decipher(const Bytes& enciphered, Bytes& plain, const std::string& password = Password) {
  plain.assign(enciphered.size() >= PasswordCipherOverhead ? enciphered.size() - PasswordCipherOverhead : 0, 0);
  return DecipherWithPassword(enciphered.data(), enciphered.size(), password.data(), password.size(), plain.data());
}

}  // namespace

TEST(Gostpassword, RoundTripsWithAFreshSynchroEachTime) {
  for (size_t size : {0u, 1u, 8u, 1024u, 1025u, 5000u}) {
    Bytes plain = Random(size, static_cast<uint32_t>(size) + 1);
    Bytes a = Encipher(plain), b = Encipher(plain);
    EXPECT_NE(Hex(a.data(), 8), Hex(b.data(), 8)) << "the synchro must be fresh";
    Bytes back;
    ASSERT_TRUE(Decipher(a, back)) << size;
    EXPECT_EQ(Hex(back), Hex(plain));
  }
}

TEST(Gostpassword, WrongPasswordAlteredOrTruncatedTextIsRefused) {
  Bytes plain = FromText("a private annotation");
  Bytes enc = Encipher(plain), back;
  EXPECT_FALSE(Decipher(enc, back, "correct horsf"));
  EXPECT_FALSE(Decipher(enc, back, ""));
  for (size_t i = 0; i < enc.size(); ++i) {
    Bytes altered = enc;
    altered[i] ^= 0x01;
    EXPECT_FALSE(Decipher(altered, back)) << "flipped byte " << i;
  }
  for (size_t cut = 0; cut < enc.size(); ++cut) {
    Bytes shorter(enc.begin(), enc.begin() + static_cast<long>(cut));
    EXPECT_FALSE(Decipher(shorter, back)) << "cut to " << cut;
  }
}

// The cipher text between synchro and check is plain GOST 28147-89 CFB with meshing under
// the derived key: openssl with the GOST engine deciphers it given that key and the synchro.
TEST(Gostpassword, CipherTextIsStandardCfbUnderTheDerivedKey) {
  std::string dir = ScratchFolder();
  Bytes plain = Random(3000, 9);
  Bytes enc = Encipher(plain);
  uint8_t key[32];
  DeriveGostKey(Password.data(), Password.size(), "cipher", key);
  WriteFile(dir + "/cipher.bin", Bytes(enc.begin() + 8, enc.end() - 8));
  RunPeer(OpensslEnv(dir) + "openssl enc -d -gost89 -K " + Hex(key, 32) + " -iv " + Hex(enc.data(), 8) + " -in '" +
          dir + "/cipher.bin' -out '" + dir + "/plain.bin'");
  EXPECT_EQ(Hex(ReadFile(dir + "/plain.bin")), Hex(plain));
}
