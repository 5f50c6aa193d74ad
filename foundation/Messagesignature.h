#pragma once
// Signatures of command messages: GOST R 34.10-2012 with 256-bit keys on the CryptoPro-A
// curve (1.2.643.2.2.35.1) over the GOST R 34.11-2012 256-bit digest, computed by the
// system's crypto library. A signature tells which key pair wrote a message; whose key
// that is, each installation learns by pinning the key of the first message it applies from a
// correspondent.
//
// Byte forms, as the other GOST tools keep them:
//   public key   64 bytes: X, then Y of the point, each 32 bytes little-endian
//   signature    64 bytes: s, then r, each 32 bytes big-endian
//   private key  32 bytes: d, big-endian

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

constexpr size_t PublicKeySize = 64;
constexpr size_t PrivateKeySize = 32;
constexpr size_t SignatureSize = 64;
constexpr size_t MessageDigestSize = 32;

using TPublicKey = std::array<uint8_t, PublicKeySize>;
using TMessageDigestValue = std::array<uint8_t, MessageDigestSize>;

struct TSigningKeyPair {
  std::array<uint8_t, PrivateKeySize> Private{};
  TPublicKey Public{};
  bool IsEmpty() const;
  void Wipe();
};

// A fresh key pair from the system's random source; false (reported) when the crypto
// library fails.
bool MakeSigningKeyPair(TSigningKeyPair& pair);

// Which digest: the one signatures are made over, or one that only names a content (to
// know the same bytes again), SHA-256, many times cheaper.
enum class TDigestKind { Signed, Content };

// The GOST R 34.11-2012 (256-bit) digest of bytes fed piece by piece, or of the other kind.
class TMessageDigest {
 public:
  explicit TMessageDigest(TDigestKind kind = TDigestKind::Signed);
  ~TMessageDigest();
  TMessageDigest(const TMessageDigest&) = delete;
  TMessageDigest& operator=(const TMessageDigest&) = delete;
  void Update(const void* data, size_t size);
  // The digest as the digest tools print it, first byte first.
  TMessageDigestValue Final();

 private:
  struct TState;
  std::unique_ptr<TState> fState;
};

// Signs a digest with the pair's private key; false (reported) on a failure of the library.
bool SignDigest(const TSigningKeyPair& pair, const TMessageDigestValue& digest, uint8_t signature[SignatureSize]);
// True when the signature over the digest was made with the private key of `key`.
bool VerifyDigestSignature(const TPublicKey& key, const TMessageDigestValue& digest,
                           const uint8_t signature[SignatureSize]);

// What two people read to each other to compare a key: the first 10 bytes of the key's
// digest as five groups of four upper-case hexadecimal digits ("1A2B 3C4D ...").
std::string KeyFingerprint(const TPublicKey& key);
