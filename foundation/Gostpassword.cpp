#include "foundation/Gostpassword.h"

#include "foundation/Gost28147.h"
#include "foundation/Gosthmac.h"

#include <cstring>
#include <random>

namespace {

constexpr size_t SynchroSize = 8;
constexpr size_t CheckSize = 8;

void Check(const uint8_t key[32], const uint8_t* synchroAndCipher, size_t size, uint8_t check[CheckSize]) {
  uint8_t mac[GostHashSize];
  TGostHmac::Compute(key, 32, synchroAndCipher, size, mac);
  std::memcpy(check, mac, CheckSize);
  WipeMemory(mac, sizeof mac);
}

}  // namespace

void RandomBytes(uint8_t* out, size_t size) {
  std::random_device source;  // the kernel's random source
  for (size_t i = 0; i < size; i += 4) {
    uint32_t v = source();
    for (size_t k = 0; k < 4 && i + k < size; ++k) out[i + k] = static_cast<uint8_t>(v >> (8 * k));
  }
}

void DeriveGostKey(const void* password, size_t passwordSize, const char* purpose, uint8_t key[32]) {
  uint8_t master[GostHashSize];
  TGostHash::Compute(password, passwordSize, master);
  TGostHmac::Compute(master, sizeof master, purpose, std::strlen(purpose), key);
  WipeMemory(master, sizeof master);
}

void EncipherWithPassword(const void* plain, size_t size, const void* password, size_t passwordSize,
                          uint8_t* out) {
  uint8_t cipherKey[32], checkKey[32];
  DeriveGostKey(password, passwordSize, "cipher", cipherKey);
  DeriveGostKey(password, passwordSize, "check", checkKey);
  RandomBytes(out, SynchroSize);
  if (size > 0) std::memcpy(out + SynchroSize, plain, size);
  TGostCfb(TGostTables::CryptoProA(), cipherKey, out).Encrypt(out + SynchroSize, size);
  Check(checkKey, out, SynchroSize + size, out + SynchroSize + size);
  WipeMemory(cipherKey, sizeof cipherKey);
  WipeMemory(checkKey, sizeof checkKey);
}

bool DecipherWithPassword(const uint8_t* enciphered, size_t size, const void* password, size_t passwordSize,
                          uint8_t* plainOut) {
  if (size < PasswordCipherOverhead) return false;
  size_t plainSize = size - PasswordCipherOverhead;
  uint8_t cipherKey[32], checkKey[32], check[CheckSize];
  DeriveGostKey(password, passwordSize, "check", checkKey);
  Check(checkKey, enciphered, SynchroSize + plainSize, check);
  bool good = ConstantTimeEqual(check, enciphered + SynchroSize + plainSize, CheckSize);
  if (good && plainSize > 0) {
    DeriveGostKey(password, passwordSize, "cipher", cipherKey);
    std::memcpy(plainOut, enciphered + SynchroSize, plainSize);
    TGostCfb(TGostTables::CryptoProA(), cipherKey, enciphered).Decrypt(plainOut, plainSize);
    WipeMemory(cipherKey, sizeof cipherKey);
  }
  WipeMemory(checkKey, sizeof checkKey);
  return good;
}
