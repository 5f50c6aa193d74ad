#pragma once
// GOST R 34.11-94 message digest (256 bits) over a GOST 28147-89 S-box:
// the CryptoPro parameter set (the default, used by the seals and the keys)
// or the test parameter set.

#include "foundation/Gost28147.h"

#include <cstddef>
#include <cstdint>

constexpr size_t GostHashSize = 32;

class TGostHash {
 public:
  explicit TGostHash(const TGostTables& tables = TGostTables::HashCryptoPro());
  ~TGostHash();
  TGostHash(const TGostHash&) = delete;
  TGostHash& operator=(const TGostHash&) = delete;

  void Reset();
  void Update(const void* data, size_t size);
  // Writes the digest and resets the state for the next message.
  void Final(uint8_t digest[GostHashSize]);

  static void Compute(const void* data, size_t size, uint8_t digest[GostHashSize],
                      const TGostTables& tables = TGostTables::HashCryptoPro());

 private:
  void Step(const uint64_t m[4]);
  void AddToSum(const uint64_t m[4]);
  void Block(const uint8_t* data);

  const TGostTables* Tables;
  struct {
    uint64_t U[4], V[4];  // the key generation's running values
    uint32_t Keys[4][8];  // the four cipher keys of a step
  } Work;                 // kept here so that they can be wiped once at the end
  uint64_t H[4];
  uint64_t Sum[4];
  uint64_t Length = 0;  // bytes so far
  uint8_t Pending[32];
  size_t PendingSize = 0;
};
