#include "foundation/Gosthmac.h"

#include <cstring>

TGostHmac::TGostHmac(const void* key, size_t keySize) {
  uint8_t block[32] = {};
  if (keySize > sizeof block)
    TGostHash::Compute(key, keySize, block);  // a long key is replaced by its digest
  else if (keySize > 0)
    std::memcpy(block, key, keySize);
  uint8_t innerPad[32];
  for (int i = 0; i < 32; ++i) {
    innerPad[i] = block[i] ^ 0x36;
    OuterPad[i] = block[i] ^ 0x5C;
  }
  Inner.Update(innerPad, sizeof innerPad);
  WipeMemory(block, sizeof block);
  WipeMemory(innerPad, sizeof innerPad);
}

TGostHmac::~TGostHmac() { WipeMemory(OuterPad, sizeof OuterPad); }

void TGostHmac::Update(const void* data, size_t size) { Inner.Update(data, size); }

void TGostHmac::Final(uint8_t mac[GostHashSize]) {
  uint8_t innerDigest[GostHashSize];
  Inner.Final(innerDigest);
  TGostHash outer;
  outer.Update(OuterPad, sizeof OuterPad);
  outer.Update(innerDigest, sizeof innerDigest);
  outer.Final(mac);
  WipeMemory(innerDigest, sizeof innerDigest);
}

void TGostHmac::Compute(const void* key, size_t keySize, const void* data, size_t size,
                        uint8_t mac[GostHashSize]) {
  TGostHmac hmac(key, keySize);
  hmac.Update(data, size);
  hmac.Final(mac);
}

bool ConstantTimeEqual(const void* a, const void* b, size_t size) {
  const volatile uint8_t* x = static_cast<const volatile uint8_t*>(a);
  const volatile uint8_t* y = static_cast<const volatile uint8_t*>(b);
  uint8_t diff = 0;
  for (size_t i = 0; i < size; ++i) diff |= x[i] ^ y[i];
  return diff == 0;
}
