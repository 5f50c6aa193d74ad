#pragma once
// HMAC (RFC 2104) over the GOST R 34.11-94 digest with the CryptoPro parameter set,
// as RFC 4357 uses it: block size 32 bytes, digest size 32 bytes.

#include "foundation/Gosthash.h"

#include <cstddef>
#include <cstdint>

class TGostHmac {
 public:
  TGostHmac(const void* key, size_t keySize);
  ~TGostHmac();
  TGostHmac(const TGostHmac&) = delete;
  TGostHmac& operator=(const TGostHmac&) = delete;

  void Update(const void* data, size_t size);
  // Writes the code; the object is then spent.
  void Final(uint8_t mac[GostHashSize]);

  static void Compute(const void* key, size_t keySize, const void* data, size_t size,
                      uint8_t mac[GostHashSize]);

 private:
  TGostHash Inner;
  uint8_t OuterPad[32];
};

// Compares two byte strings in a time that does not depend on where they differ.
bool ConstantTimeEqual(const void* a, const void* b, size_t size);
