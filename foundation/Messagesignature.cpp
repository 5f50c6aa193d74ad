#include "foundation/Messagesignature.h"

#include "foundation/Gost28147.h"
#include "foundation/Terror.h"

#include <gcrypt.h>

#include <algorithm>
#include <mutex>

namespace {

constexpr const char* Curve = "GOST2001-CryptoPro-A";

void InitLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    gcry_check_version(nullptr);
    // Keys live in the program's own memory and are wiped there; the library's locked pool
    // would only warn about its size.
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  });
}

// Frees an s-expression when the scope ends.
struct TSexp {
  gcry_sexp_t Value = nullptr;
  ~TSexp() { gcry_sexp_release(Value); }
};

// The bytes of a token's first value, right-aligned into `out`; false when missing or too
// long.
bool TokenBytes(gcry_sexp_t list, const char* token, uint8_t* out, size_t size) {
  TSexp found;
  found.Value = gcry_sexp_find_token(list, token, 0);
  size_t length = 0;
  const char* data = found.Value ? gcry_sexp_nth_data(found.Value, 1, &length) : nullptr;
  // A number whose high bit is set comes with a zero byte before it.
  while (data && length > size && *data == 0) {
    ++data;
    --length;
  }
  if (!data || length > size) return false;
  std::fill(out, out + size - length, 0);
  std::copy(data, data + length, out + size - length);
  return true;
}

// The point as the library writes it (04, X, Y big-endian) and in our form.
void PointToPublicKey(const uint8_t point[1 + PublicKeySize], TPublicKey& key) {
  for (size_t i = 0; i < 32; ++i) {
    key[i] = point[1 + 31 - i];
    key[32 + i] = point[33 + 31 - i];
  }
}

void PublicKeyToPoint(const TPublicKey& key, uint8_t point[1 + PublicKeySize]) {
  point[0] = 4;
  for (size_t i = 0; i < 32; ++i) {
    point[1 + 31 - i] = key[i];
    point[33 + 31 - i] = key[32 + i];
  }
}

// The digest is read as a little-endian number; the library reads values big-endian.
std::array<uint8_t, MessageDigestSize> DigestValue(const TMessageDigestValue& digest) {
  std::array<uint8_t, MessageDigestSize> value;
  std::reverse_copy(digest.begin(), digest.end(), value.begin());
  return value;
}

bool BuildData(TSexp& data, const TMessageDigestValue& digest) {
  const auto value = DigestValue(digest);
  return gcry_sexp_build(&data.Value, nullptr, "(data (flags gost) (value %b))", int(value.size()), value.data()) == 0;
}

}  // namespace

bool TSigningKeyPair::IsEmpty() const {
  return std::all_of(Public.begin(), Public.end(), [](uint8_t b) { return b == 0; });
}

void TSigningKeyPair::Wipe() {
  WipeMemory(Private.data(), Private.size());
  Public.fill(0);
}

bool MakeSigningKeyPair(TSigningKeyPair& pair) {
  InitLibrary();
  TSexp parameters, key, secret;
  uint8_t point[1 + PublicKeySize];
  const bool made = gcry_sexp_build(&parameters.Value, nullptr, "(genkey (ecc (curve %s)))", Curve) == 0 &&
                    gcry_pk_genkey(&key.Value, parameters.Value) == 0 &&
                    (secret.Value = gcry_sexp_find_token(key.Value, "private-key", 0)) != nullptr &&
                    TokenBytes(secret.Value, "d", pair.Private.data(), pair.Private.size()) &&
                    TokenBytes(secret.Value, "q", point, sizeof point) && point[0] == 4;
  if (!made) {
    pair.Wipe();
    TError::Report("MakeSigningKeyPair - ошибка создания ключей подписи");
    return false;
  }
  PointToPublicKey(point, pair.Public);
  return true;
}

struct TMessageDigest::TState {
  gcry_md_hd_t Handle = nullptr;
  int Algorithm = GCRY_MD_STRIBOG256;
};

TMessageDigest::TMessageDigest(TDigestKind kind) : fState(std::make_unique<TState>()) {
  InitLibrary();
  if (kind == TDigestKind::Content) fState->Algorithm = GCRY_MD_SHA256;
  gcry_md_open(&fState->Handle, fState->Algorithm, 0);
}

TMessageDigest::~TMessageDigest() { gcry_md_close(fState->Handle); }

void TMessageDigest::Update(const void* data, size_t size) {
  if (fState->Handle) gcry_md_write(fState->Handle, data, size);
}

TMessageDigestValue TMessageDigest::Final() {
  TMessageDigestValue value{};
  if (const unsigned char* read = fState->Handle ? gcry_md_read(fState->Handle, fState->Algorithm) : nullptr)
    std::copy(read, read + value.size(), value.begin());
  return value;
}

bool SignDigest(const TSigningKeyPair& pair, const TMessageDigestValue& digest, uint8_t signature[SignatureSize]) {
  InitLibrary();
  uint8_t point[1 + PublicKeySize];
  PublicKeyToPoint(pair.Public, point);
  TSexp key, data, result;
  const bool signedWell =
      gcry_sexp_build(&key.Value, nullptr, "(private-key (ecc (curve %s) (q %b) (d %b)))", Curve, int(sizeof point),
                      point, int(pair.Private.size()), pair.Private.data()) == 0 &&
      BuildData(data, digest) && gcry_pk_sign(&result.Value, data.Value, key.Value) == 0 &&
      TokenBytes(result.Value, "s", signature, 32) && TokenBytes(result.Value, "r", signature + 32, 32);
  if (!signedWell) TError::Report("SignDigest - ошибка подписи");
  return signedWell;
}

bool VerifyDigestSignature(const TPublicKey& publicKey, const TMessageDigestValue& digest,
                           const uint8_t signature[SignatureSize]) {
  InitLibrary();
  uint8_t point[1 + PublicKeySize];
  PublicKeyToPoint(publicKey, point);
  TSexp key, data, value;
  return gcry_sexp_build(&key.Value, nullptr, "(public-key (ecc (curve %s) (q %b)))", Curve, int(sizeof point),
                         point) == 0 &&
         BuildData(data, digest) &&
         gcry_sexp_build(&value.Value, nullptr, "(sig-val (gost (r %b) (s %b)))", 32, signature + 32, 32, signature) ==
             0 &&
         gcry_pk_verify(value.Value, data.Value, key.Value) == 0;
}

std::string KeyFingerprint(const TPublicKey& key) {
  TMessageDigest digest;
  digest.Update(key.data(), key.size());
  const TMessageDigestValue value = digest.Final();
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < 10; ++i) {
    if (i > 0 && i % 2 == 0) text += ' ';
    text += digits[value[i] >> 4];
    text += digits[value[i] & 15];
  }
  return text;
}
