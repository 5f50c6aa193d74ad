#pragma once
// GOST 28147-89 block cipher: 256-bit key, 64-bit block, replaceable S-boxes,
// and its cipher-feedback mode with the key meshing of RFC 4357 (every 1024 bytes).

#include <cstddef>
#include <cstdint>

// Eight rows of sixteen 4-bit values. Rows[0] substitutes the most significant
// nibble of the round value (bits 28..31), Rows[7] the least significant (bits 0..3).
struct TGostSBox {
  uint8_t Rows[8][16];
};

extern const TGostSBox GostSBoxCryptoProA;     // cipher parameter set CryptoPro-A
extern const TGostSBox GostSBoxHashTest;       // hash test parameter set
extern const TGostSBox GostSBoxHashCryptoPro;  // hash CryptoPro parameter set

// An S-box expanded into four byte-indexed tables with the 11-bit rotation folded in,
// so that one round costs four look-ups. Built once per S-box and shared.
struct TGostTables {
  uint32_t T[4][256];  // T[0] for bits 0..7 of the round value, T[3] for bits 24..31

  static const TGostTables& CryptoProA();
  static const TGostTables& HashTest();
  static const TGostTables& HashCryptoPro();
  static void Build(const TGostSBox& box, TGostTables& out);

  uint32_t F(uint32_t x) const {
    return (T[0][x & 255] ^ T[1][(x >> 8) & 255]) ^ (T[2][(x >> 16) & 255] ^ T[3][x >> 24]);
  }
};

// The block cipher under one key. The key is eight little-endian 32-bit words;
// a block is two little-endian words n1 (bytes 0..3) and n2 (bytes 4..7).
class TGost28147 {
 public:
  explicit TGost28147(const TGostTables& tables) : Tables(&tables) {}
  TGost28147(const TGostTables& tables, const uint8_t key[32]) : Tables(&tables) { SetKey(key); }
  ~TGost28147() { Wipe(); }
  TGost28147(const TGost28147&) = delete;
  TGost28147& operator=(const TGost28147&) = delete;

  void SetKey(const uint8_t key[32]);
  void SetKeyWords(const uint32_t key[8]);
  void Wipe();

  // Word-level forms: (n1, n2) in, (n1, n2) of the output block out.
  void EncryptWords(uint32_t& n1, uint32_t& n2) const;
  void DecryptWords(uint32_t& n1, uint32_t& n2) const;

  void EncryptBlock(const uint8_t in[8], uint8_t out[8]) const;
  void DecryptBlock(const uint8_t in[8], uint8_t out[8]) const;

  // Replaces the key by the CryptoPro meshed key: K' = decryption of the fixed constant under K.
  void MeshKey();

 private:
  const TGostTables* Tables;
  uint32_t Key[8] = {};
};

// GOST 28147-89 in cipher-feedback mode as a stream: any number of bytes per call,
// the state carries over between calls. With meshing on, after every 1024 bytes the
// key is meshed and the feedback block is re-encrypted under the new key (RFC 4357, 2.3).
class TGostCfb {
 public:
  TGostCfb(const TGostTables& tables, const uint8_t key[32], const uint8_t iv[8], bool meshing = true);
  ~TGostCfb();
  TGostCfb(const TGostCfb&) = delete;
  TGostCfb& operator=(const TGostCfb&) = delete;

  void Encrypt(uint8_t* data, size_t size);  // in place
  void Decrypt(uint8_t* data, size_t size);  // in place

 private:
  template <bool Decrypting>
  void Run(uint8_t* data, size_t size);
  void NextGamma();

  TGost28147 Cipher;
  bool Meshing;
  uint32_t Feedback[2];  // the last cipher block (n1, n2), or the IV
  uint8_t Gamma[8] = {};
  size_t GammaUsed = 8;        // bytes of Gamma already consumed
  size_t SinceMeshing = 0;     // bytes processed under the present key
};

// Overwrites memory in a way the optimiser may not drop.
void WipeMemory(void* data, size_t size);
