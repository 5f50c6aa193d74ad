#pragma once
// Bytes enciphered under a password: what packed texts and the encrypted portions of
// the buffered files carry.
//
// Keys: the password's GOST R 34.11-94 digest (CryptoPro set) is the master key M; the
// cipher key is HMAC(M, "cipher") and the check key HMAC(M, "check").
// Layout of an enciphered string, n + 16 bytes for n plain bytes:
//   8 bytes  synchro: fresh random bytes, the initial vector of the cipher
//   n bytes  GOST 28147-89 in CFB mode with CryptoPro key meshing, S-boxes CryptoPro-A
//   8 bytes  check: the first 8 bytes of HMAC(check key, synchro + cipher text)
// The check tells a wrong password or an altered text from the right one, so that
// nothing is ever deciphered into garbage.

#include <cstddef>
#include <cstdint>

constexpr size_t PasswordCipherOverhead = 16;

// Writes size + PasswordCipherOverhead bytes to out.
void EncipherWithPassword(const void* plain, size_t size, const void* password, size_t passwordSize,
                          uint8_t* out);

// Deciphers size - PasswordCipherOverhead bytes into plainOut; false, with nothing
// written, when the string is too short or its check fails (wrong password or altered).
bool DecipherWithPassword(const uint8_t* enciphered, size_t size, const void* password, size_t passwordSize,
                          uint8_t* plainOut);

// The 32-byte key of a purpose ("cipher", "check", "seal" ...) derived from a password.
void DeriveGostKey(const void* password, size_t passwordSize, const char* purpose, uint8_t key[32]);

// Fills a buffer from the system's random source.
void RandomBytes(uint8_t* out, size_t size);
