#include "foundation/Gostpassword.h"

#include "Gostpeer.h"

#include <gtest/gtest.h>

#include <string>

using namespace gostpeer;

namespace {

const std::string Password = "correct horse";

std::string Encipher(const std::string& plain, const std::string& password = Password) {
  std::string out(plain.size() + PasswordCipherOverhead, '\0');
  EncipherWithPassword(U(plain), plain.size(), U(password), password.size(), U(out));
  return out;
}

bool Decipher(const std::string& enciphered, std::string& plain, const std::string& password = Password) {
  plain.assign(enciphered.size() >= PasswordCipherOverhead ? enciphered.size() - PasswordCipherOverhead : 0, '\0');
  return DecipherWithPassword(U(enciphered), enciphered.size(), U(password), password.size(), U(plain));
}

}  // namespace

TEST(Gostpassword, RoundTripsWithAFreshSynchroEachTime) {
  for (size_t size : {0u, 1u, 8u, 1024u, 1025u, 5000u}) {
    std::string plain = RandomBytes(size, static_cast<uint32_t>(size) + 1);
    std::string a = Encipher(plain), b = Encipher(plain);
    EXPECT_NE(HexOf(U(a), 8), HexOf(U(b), 8)) << "the synchro must be fresh";
    std::string back;
    ASSERT_TRUE(Decipher(a, back)) << size;
    EXPECT_EQ(Hex(back), Hex(plain));
  }
}

TEST(Gostpassword, WrongPasswordAlteredOrTruncatedTextIsRefused) {
  std::string plain = std::string("a private annotation");
  std::string enc = Encipher(plain), back;
  EXPECT_FALSE(Decipher(enc, back, "correct horsf"));
  EXPECT_FALSE(Decipher(enc, back, ""));
  for (size_t i = 0; i < enc.size(); ++i) {
    std::string altered = enc;
    altered[i] = static_cast<char>(altered[i] ^ 0x01);
    EXPECT_FALSE(Decipher(altered, back)) << "flipped byte " << i;
  }
  for (size_t cut = 0; cut < enc.size(); ++cut) {
    std::string shorter(enc.begin(), enc.begin() + static_cast<long>(cut));
    EXPECT_FALSE(Decipher(shorter, back)) << "cut to " << cut;
  }
}

// The cipher text between synchro and check is plain GOST 28147-89 CFB with meshing under
// the derived key: openssl with the GOST engine deciphers it given that key and the synchro.
TEST(Gostpassword, CipherTextIsStandardCfbUnderTheDerivedKey) {
  std::string dir = ScratchFolder();
  std::string plain = RandomBytes(3000, 9);
  std::string enc = Encipher(plain);
  uint8_t key[32];
  DeriveGostKey(U(Password), Password.size(), "cipher", key);
  WriteFile(dir + "/cipher.bin", enc.substr(8, enc.size() - 16));
  RunPeer(OpensslEnv(dir) + "openssl enc -d -gost89 -K " + HexOf(key, 32) + " -iv " + HexOf(U(enc), 8) + " -in '" +
          dir + "/cipher.bin' -out '" + dir + "/plain.bin'");
  EXPECT_EQ(Hex(ReadFile(dir + "/plain.bin")), Hex(plain));
}
