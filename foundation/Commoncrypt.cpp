#include "foundation/Commoncrypt.h"

#include "foundation/Fileverdicts.h"
#include "foundation/Gosthash.h"
#include "foundation/Gosthmac.h"
#include "foundation/Gostpassword.h"
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Messagesignature.h"
#include "platform/rtl/Ttaskgroup.h"

#include <atomic>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr uint8_t PackFormat = 1;
constexpr char SealMarker[6] = {'Q', 'L', 'S', 'E', 'A', 'L'};
constexpr uint8_t SealVersion = 1;
constexpr size_t SealHeaderSize = 16;  // marker, version, reserved, length
constexpr char SignatureMarker[6] = {'Q', 'L', 'S', 'I', 'G', 'N'};
constexpr uint8_t SignatureVersion = 1;
// The key text of the seals of messages that are not private.
constexpr std::string_view SuiteSealText = "Quillaran command-message seal, suite key 1";

bool PasswordFits(std::string_view password) {
  return password.size() >= PackPasswordMin && password.size() <= PackPasswordMax;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void WipeString(std::string& s) {
  if (!s.empty()) WipeMemory(s.data(), s.size());
  s.clear();
}

// The file's size and the present position, restored by the destructor.
class TFilePlace {
 public:
  explicit TFilePlace(HANDLE file) : File(file) {
    LONG high = 0;
    DWORD low = SetFilePointer(file, 0, &high, FILE_CURRENT);
    Saved = low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS
                ? -1
                : static_cast<int64_t>(static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32 | low);
  }
  ~TFilePlace() {
    if (Saved < 0) return;
    LONG high = static_cast<LONG>(Saved >> 32);
    SetFilePointer(File, static_cast<LONG>(Saved & 0xFFFFFFFF), &high, FILE_BEGIN);
  }
  bool Valid() const { return Saved >= 0; }

 private:
  HANDLE File;
  int64_t Saved;
};

bool FileSize(HANDLE file, uint64_t& size) {
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return false;
  size = static_cast<uint64_t>(high) << 32 | low;
  return true;
}

bool SeekTo(HANDLE file, uint64_t offset) {
  LONG high = static_cast<LONG>(offset >> 32);
  DWORD r = SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFF), &high, FILE_BEGIN);
  return !(r == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS);
}

bool ReadExactly(HANDLE file, void* data, size_t size) {
  DWORD got = 0;
  return ReadFile(file, data, static_cast<DWORD>(size), &got, nullptr) && got == size;
}

// Feeds the first `size` bytes of the file into the seal's code and the signature's digest
// (either may be absent) and the digest that names the content. The seal and the
// signature's digest are two hashes of the same bytes: from kParallelHashing bytes on, the
// digest of each piece is a task of the program's task group while this thread computes
// the seal, and the two cost the longer of them, not their sum.
bool HashFilePrefix(HANDLE file, uint64_t size, TGostHmac* hmac, TMessageDigest* digest, TMessageDigest& content) {
  constexpr size_t kPiece = 256 * 1024;
  constexpr uint64_t kParallelHashing = 64 * 1024;
  if (!SeekTo(file, 0)) return false;
  const bool parallel = hmac && digest && size >= kParallelHashing;
  std::vector<uint8_t> pieces[2] = {std::vector<uint8_t>(kPiece), std::vector<uint8_t>(parallel ? kPiece : 0)};
  TTaskGroup digesting;
  bool read = true;
  for (int turn = 0; size > 0; turn = parallel ? 1 - turn : 0) {
    const size_t take = size < kPiece ? static_cast<size_t>(size) : kPiece;
    const uint8_t* const piece = pieces[turn].data();
    // The other buffer may still be digested; this one was, a turn before.
    if (!ReadExactly(file, pieces[turn].data(), take)) {
      read = false;
      break;
    }
    if (parallel) {
      digesting.Wait();
      digesting.Run([digest, piece, take] { digest->Update(piece, take); });
    } else if (digest) {
      digest->Update(piece, take);
    }
    if (hmac) hmac->Update(piece, take);
    content.Update(piece, take);
    size -= take;
  }
  digesting.Wait();
  return read;
}

// The first 16 bytes of the seal trailer (the layout is documented in Commoncrypt.h):
// marker, version, reserved byte, u64 little-endian count of sealed bytes.
void SealHeader(uint64_t sealedSize, uint8_t header[SealHeaderSize]) {
  std::memcpy(header, SealMarker, sizeof SealMarker);
  header[6] = SealVersion;
  header[7] = 0;
  for (int i = 0; i < 8; ++i) header[8 + i] = static_cast<uint8_t>(sealedSize >> (8 * i));
}

// Starts the code of a seal under the key text.
void StartSealCode(std::optional<TGostHmac>& hmac, std::string_view keyText) {
  uint8_t key[32];
  DeriveGostKey(keyText.data(), keyText.size(), "seal", key);
  hmac.emplace(key, sizeof key);
  WipeMemory(key, sizeof key);
}

// The seal code of the file's first `sealedSize` bytes and the trailer header, and the
// digest of those bytes followed by the header and that code; `content` is fed the sealed
// bytes.
bool ComputeSeal(HANDLE file, uint64_t sealedSize, std::string_view keyText, const uint8_t header[SealHeaderSize],
                 uint8_t mac[GostHashSize], TMessageDigestValue& digest, TMessageDigest& content) {
  std::optional<TGostHmac> hmac;
  StartSealCode(hmac, keyText);
  TMessageDigest signedBytes;
  if (!HashFilePrefix(file, sealedSize, &*hmac, &signedBytes, content)) return false;
  hmac->Update(header, SealHeaderSize);
  hmac->Final(mac);
  signedBytes.Update(header, SealHeaderSize);
  signedBytes.Update(mac, GostHashSize);
  digest = signedBytes.Final();
  return true;
}

std::function<bool(TSigningKeyPair&)>& SignerSource() {
  static std::function<bool(TSigningKeyPair&)> source;
  return source;
}

// The pair of a run that has no signer set.
bool RunKeyPair(TSigningKeyPair& pair) {
  static TSigningKeyPair own;
  if (own.IsEmpty() && !MakeSigningKeyPair(own)) return false;
  pair = own;
  return true;
}

bool IsSignatureBlock(const uint8_t block[SignatureBlockSize]) {
  return std::memcmp(block, SignatureMarker, sizeof SignatureMarker) == 0 && block[6] == SignatureVersion &&
         block[7] == 0;
}

// The signature block of a digest (layout in Commoncrypt.h).
bool MakeSignatureBlock(const TMessageDigestValue& digest, uint8_t block[SignatureBlockSize]) {
  TSigningKeyPair pair;
  const bool have = SignerSource() ? SignerSource()(pair) : RunKeyPair(pair);
  if (!have || pair.IsEmpty()) {
    pair.Wipe();
    return false;
  }
  std::memcpy(block, SignatureMarker, sizeof SignatureMarker);
  block[6] = SignatureVersion;
  block[7] = 0;
  std::memcpy(block + 8, pair.Public.data(), PublicKeySize);
  const bool made = SignDigest(pair, digest, block + 8 + PublicKeySize);
  pair.Wipe();
  return made;
}

// A handle of the same file open for reading: the writer's own handle may be write-only.
// The process's descriptor folder names every open file.
class TReadHandle {
 public:
  explicit TReadHandle(HANDLE file) : Handle(file) {
    uint8_t probe;
    DWORD got = 0;
    if (SeekTo(file, 0) && ReadFile(file, &probe, 1, &got, nullptr)) return;
    std::string self = "/proc/self/fd/" + std::to_string(platform::DescriptorOf(file));
    Handle = Own = CreateFileA(self.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  ~TReadHandle() {
    if (Own != INVALID_HANDLE_VALUE) CloseHandle(Own);
  }
  HANDLE Get() const { return Handle; }

 private:
  HANDLE Handle;
  HANDLE Own = INVALID_HANDLE_VALUE;
};

}  // namespace

std::string PackAS(std::string_view text, std::string_view password) {
  if (!PasswordFits(password)) {
    TError::Report("PackAS - странный пароль");
    return "";
  }
  std::vector<uint8_t> bytes(1 + text.size() + PasswordCipherOverhead);
  bytes[0] = PackFormat;
  EncipherWithPassword(text.data(), text.size(), password.data(), password.size(), bytes.data() + 1);
  static const char digits[] = "0123456789ABCDEF";
  std::string packed;
  packed.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    packed += digits[b >> 4];
    packed += digits[b & 15];
  }
  return packed;
}

bool UnpackAS(std::string_view packed, std::string_view password, std::string& text) {
  if (!PasswordFits(password)) {
    TError::Report("UnpackAS - странный пароль");
    return false;
  }
  std::vector<uint8_t> bytes(packed.size() / 2);
  bool wellFormed = packed.size() % 2 == 0 && bytes.size() >= 1 + PasswordCipherOverhead;
  for (size_t i = 0; wellFormed && i < bytes.size(); ++i) {
    int hi = HexDigit(packed[2 * i]), lo = HexDigit(packed[2 * i + 1]);
    wellFormed = hi >= 0 && lo >= 0;
    bytes[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  if (!wellFormed || bytes[0] != PackFormat) {
    TError::Report("UnpackAS - упакованный текст искажён");
    return false;
  }
  std::string plain(bytes.size() - 1 - PasswordCipherOverhead, '\0');
  if (!DecipherWithPassword(bytes.data() + 1, bytes.size() - 1, password.data(), password.size(),
                            reinterpret_cast<uint8_t*>(plain.data()))) {
    TError::Report("UnpackAS - неверный пароль или упакованный текст искажён");
    return false;
  }
  WipeString(text);
  text = std::move(plain);
  return true;
}

void WriteCryptedPortion(TBufWriter& writer, std::string_view plain, std::string_view password) {
  if (password.empty()) {
    TError::Report("WriteCryptedPortion - пустой пароль");
    return;
  }
  if (plain.size() > MaxCryptedPortion) {
    TError::Report("WriteCryptedPortion - слишком длинная порция");
    return;
  }
  std::vector<uint8_t> enciphered(plain.size() + PasswordCipherOverhead);
  EncipherWithPassword(plain.data(), plain.size(), password.data(), password.size(), enciphered.data());
  writer.WriteDWord(static_cast<uint32_t>(plain.size()));
  writer.WriteBytes(enciphered.data(), enciphered.size());
}

bool ReadCryptedPortion(TBufReader& reader, std::string_view password, std::string& plain) {
  if (password.empty()) {
    TError::Report("ReadCryptedPortion - пустой пароль");
    return false;
  }
  uint32_t size = reader.ReadDWord();
  if (reader.IsFailed()) return false;
  if (size > MaxCryptedPortion) {
    TError::Report("ReadCryptedPortion - неверная длина зашифрованной порции");
    return false;
  }
  // Read in slices, so that a length that runs past the end of the data fails at the
  // end of the data before much memory is taken for it.
  std::vector<uint8_t> enciphered;
  size_t want = size + PasswordCipherOverhead;
  while (enciphered.size() < want) {
    size_t at = enciphered.size();
    size_t take = std::min<size_t>(want - at, 64 * 1024);
    enciphered.resize(at + take);
    if (!reader.ReadBytes(enciphered.data() + at, take)) return false;  // the reader reported it
  }
  std::string result(size, '\0');
  if (!DecipherWithPassword(enciphered.data(), enciphered.size(), password.data(), password.size(),
                            reinterpret_cast<uint8_t*>(result.data()))) {
    TError::Report("ReadCryptedPortion - неверный пароль или данные искажены");
    return false;
  }
  WipeString(plain);
  plain = std::move(result);
  return true;
}

void SetMessageSigner(std::function<bool(TSigningKeyPair& pair)> source) { SignerSource() = std::move(source); }

namespace {

// What a check of one part of a message file found: whether its seal under a key holds, or
// whether its signature does and who signed. Only a check that hashed the file is worth
// keeping: the others refuse at once (or could not read the file, which says nothing of its
// bytes). Whether the signer may speak for the sender is no part of it: that depends on the
// pinned keys, which change.
struct TFileVerdict {
  bool Good = false;
  bool Complete = false;
  TMessageSigner Signer;
};

// A message is listed, screened and handled, each asking for its seal or signature, and
// moved between folders on its way: its bytes are hashed for the seal and for the signature
// once each, and again only when they changed.
TFileVerdicts<TFileVerdict>& KeptVerdicts() {
  static TFileVerdicts<TFileVerdict> verdicts;
  return verdicts;
}

std::atomic<uint64_t> gHashings{0};

// Which seal: a private message's key only by its digest.
std::string SealCheckName(bool privateMessage, std::string_view senderKey) {
  if (!privateMessage) return "seal, suite key";
  uint8_t digest[GostHashSize];
  TGostHash::Compute(senderKey.data(), senderKey.size(), digest);
  std::string name = "seal, key ";
  name.append(reinterpret_cast<const char*>(digest), sizeof digest);
  WipeMemory(digest, sizeof digest);
  return name;
}
const std::string SignatureCheckName = "signature";

// The content digest of the file's bytes from its start to its end; the position is kept.
bool ContentDigestOf(HANDLE file, TMessageDigestValue& content) {
  TFilePlace place(file);
  if (!place.Valid() || !SeekTo(file, 0)) return false;
  TMessageDigest digest(TDigestKind::Content);
  std::vector<uint8_t> buf(256 * 1024);
  for (DWORD got = 1; got > 0;) {
    if (!ReadFile(file, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr)) return false;
    digest.Update(buf.data(), got);
  }
  content = digest.Final();
  return true;
}

// What one pass over a message file found of the parts asked for, and the digest of the
// bytes it read.
struct TCheckedParts {
  bool Hashed = false;
  TFileVerdict Seal, Signature;
  TMessageDigestValue Content{};
};

// Checks the seal under the key text `sealKey` (when given) and the signature block (when
// `signature`) of a message file in one pass over its bytes; the file position is kept.
TCheckedParts CheckParts(HANDLE file, const std::string_view* sealKey, bool signature) {
  TCheckedParts checked;
  TFilePlace place(file);
  uint64_t size = 0;
  if (!place.Valid() || !FileSize(file, size) || size < SealTrailerSize + SignatureBlockSize) return checked;
  const uint64_t sealedSize = size - SealTrailerSize - SignatureBlockSize;
  uint8_t trailer[SealTrailerSize + SignatureBlockSize], expected[SealHeaderSize];
  if (!SeekTo(file, sealedSize) || !ReadExactly(file, trailer, sizeof trailer)) return checked;
  // The signature block must end the file, and a seal checked must name exactly the bytes
  // before it; anything else is refused unread.
  SealHeader(sealedSize, expected);
  const uint8_t* block = trailer + SealTrailerSize;
  if (!IsSignatureBlock(block) || (sealKey && std::memcmp(trailer, expected, SealHeaderSize) != 0)) return checked;
  std::optional<TGostHmac> hmac;
  if (sealKey) StartSealCode(hmac, *sealKey);
  TMessageDigest digest, content(TDigestKind::Content);
  gHashings += (sealKey ? 1 : 0) + (signature ? 1 : 0);
  if (!HashFilePrefix(file, sealedSize, hmac ? &*hmac : nullptr, signature ? &digest : nullptr, content))
    return checked;
  checked.Hashed = true;
  content.Update(trailer, sizeof trailer);
  checked.Content = content.Final();
  if (hmac) {
    uint8_t mac[GostHashSize];
    hmac->Update(trailer, SealHeaderSize);
    hmac->Final(mac);
    checked.Seal.Complete = true;
    checked.Seal.Good = ConstantTimeEqual(mac, trailer + SealHeaderSize, GostHashSize);
    WipeMemory(mac, sizeof mac);
  }
  if (signature) {
    // The signature covers every byte before its block: the sealed bytes and the seal.
    digest.Update(trailer, SealTrailerSize);
    TFileVerdict& verdict = checked.Signature;
    verdict.Complete = true;
    verdict.Signer.Digest = digest.Final();
    std::memcpy(verdict.Signer.PublicKey.data(), block + 8, PublicKeySize);
    verdict.Good = VerifyDigestSignature(verdict.Signer.PublicKey, verdict.Signer.Digest, block + 8 + PublicKeySize);
  }
  return checked;
}

// The verdicts of a message file's seal under `sealKey` (when `sealName` names that check)
// and of its signature: those kept for its bytes, the others made in one pass over it and
// kept under the digest of the bytes that pass read. False for a file refused unread.
bool KeptOrChecked(HANDLE file, const std::string* sealName, std::string_view sealKey, TFileVerdict& seal,
                   TFileVerdict& signature) {
  TMessageDigestValue content{};
  const bool named = ContentDigestOf(file, content);
  std::optional<TFileVerdict> keptSeal, keptSignature;
  if (named && sealName) keptSeal = KeptVerdicts().Find(content, *sealName);
  if (named) keptSignature = KeptVerdicts().Find(content, SignatureCheckName);
  const bool needSeal = sealName && !keptSeal;
  if (needSeal || !keptSignature) {
    TCheckedParts checked = CheckParts(file, needSeal ? &sealKey : nullptr, !keptSignature);
    // A part kept for the bytes named before is no verdict on other bytes read since: then
    // every part asked for is checked in one pass.
    if (checked.Hashed && (keptSeal || keptSignature) && (!named || checked.Content != content)) {
      keptSeal.reset();
      keptSignature.reset();
      checked = CheckParts(file, sealName ? &sealKey : nullptr, true);
    }
    if (!checked.Hashed) return false;
    if (sealName && !keptSeal) KeptVerdicts().Keep(checked.Content, *sealName, *(keptSeal = checked.Seal));
    if (!keptSignature) KeptVerdicts().Keep(checked.Content, SignatureCheckName, *(keptSignature = checked.Signature));
  }
  seal = keptSeal.value_or(TFileVerdict());
  signature = *keptSignature;
  return true;
}

}  // namespace

bool SignFile(HANDLE file, std::string_view keyPassword, std::string_view commandName, int announce,
              std::string_view addressees) {
  uint64_t sealedSize = 0;
  if (!FileSize(file, sealedSize)) {
    TError::Report("SignFile - ошибка чтения файла команды-сообщения");
    return false;
  }
  uint8_t trailer[SealTrailerSize + SignatureBlockSize];
  SealHeader(sealedSize, trailer);
  TMessageDigestValue digest;
  TMessageDigest content(TDigestKind::Content);
  bool sealed;
  {
    TReadHandle reader(file);
    sealed = ComputeSeal(reader.Get(), sealedSize, keyPassword.empty() ? SuiteSealText : keyPassword, trailer,
                         trailer + SealHeaderSize, digest, content);
  }
  if (!sealed) {
    TError::Report("SignFile - ошибка чтения файла команды-сообщения");
    return false;
  }
  if (!MakeSignatureBlock(digest, trailer + SealTrailerSize)) {
    if (!IsErrorReported()) TError::Report("SignFile - нет ключа подписи");
    return false;
  }
  DWORD written = 0;
  if (!SeekTo(file, sealedSize) || !WriteFile(file, trailer, sizeof trailer, &written, nullptr) ||
      written != sizeof trailer) {
    TError::Report("SignFile - ошибка записи печати файла команды-сообщения");
    return false;
  }
  // The seal was computed here over the bytes just read, and the digest the signature
  // signs: the message as written needs only its signature verified, not hashed again.
  content.Update(trailer, sizeof trailer);
  const TMessageDigestValue signedContent = content.Final();
  TFileVerdict seal, signature;
  seal.Complete = seal.Good = true;
  signature.Complete = true;
  signature.Signer.Digest = digest;
  std::memcpy(signature.Signer.PublicKey.data(), trailer + SealTrailerSize + 8, PublicKeySize);
  signature.Good =
      VerifyDigestSignature(signature.Signer.PublicKey, digest, trailer + SealTrailerSize + 8 + PublicKeySize);
  KeptVerdicts().Keep(signedContent, SealCheckName(!keyPassword.empty(), keyPassword), seal);
  KeptVerdicts().Keep(signedContent, SignatureCheckName, signature);
  if (announce)
    ShowMessageBox(std::string(commandName), "Command message " + std::string(commandName) +
                                                 (addressees.empty() ? "" : " " + std::string(addressees)) +
                                                 " composed and signed.");
  return true;
}

uint64_t MessageHashings() { return gHashings; }

void ForgetKeptVerdicts() { KeptVerdicts().Clear(); }

bool VerifyFileSign(HANDLE file, bool privateMessage, std::string_view senderKey, TMessageSigner* signer) {
  if (privateMessage && senderKey.empty()) return false;
  const std::string sealName = SealCheckName(privateMessage, senderKey);
  TFileVerdict seal, signature;
  if (!KeptOrChecked(file, &sealName, privateMessage ? senderKey : SuiteSealText, seal, signature)) return false;
  const bool good = seal.Good && signature.Good;
  if (good && signer) *signer = signature.Signer;
  return good;
}

bool VerifyFileSignature(HANDLE file, TMessageSigner& signer) {
  TFileVerdict seal, signature;
  if (!KeptOrChecked(file, nullptr, {}, seal, signature) || !signature.Good) return false;
  signer = signature.Signer;
  return true;
}

bool VerifyFileSign(HANDLE file, const TSealedMessageHeader& header, TMessageSigner* signer) {
  bool privateMessage = header.IsPrivateMessage();
  std::string key = privateMessage ? header.SenderKey() : std::string();
  bool good = VerifyFileSign(file, privateMessage, key, signer);
  WipeString(key);
  return good;
}

bool VerifyReceivedFileSign(HANDLE file, const TSealedMessageHeader& header, TMessageSigner* signer) {
  TMessageSigner found;
  const bool privateMessage = header.IsPrivateMessage();
  const auto opens = [&](std::string_view key) {
    return VerifyFileSign(file, privateMessage, key, &found) && header.AcceptsSigner(found.PublicKey);
  };
  bool good;
  if (!privateMessage) {
    good = opens({});
  } else {
    std::string kept = header.SenderKey();
    good = !kept.empty() && opens(kept);
    // No Key is kept, or the kept one fails this message (a stranger's in the sender's name,
    // or the sender changed their Key): the message asks its own question, unless its own
    // bytes show that no Key opens it (its signature does not hold, or is not its sender's).
    // The kept Key stays unless the one given opens the message.
    TMessageSigner signedBy;
    if (!good && VerifyFileSignature(file, signedBy) && header.AcceptsSigner(signedBy.PublicKey)) {
      std::string given = header.AskSenderKey(signedBy.PublicKey);
      good = !given.empty() && given != kept && opens(given);
      if (good) header.KeepSenderKey(given);
      WipeString(given);
    }
    WipeString(kept);
  }
  if (good && signer) *signer = found;
  return good;
}

bool ShowVerifyingError() {
  ShowMessageBox("VERIFYING ERROR", "Incorrect command-message sign or verifying error!");
  return false;
}
