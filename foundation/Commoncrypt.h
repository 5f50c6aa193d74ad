#pragma once
// Password packing of texts, encrypted portions of the buffered files, and the seals of
// command-message files. Failures of the program's own making are reported to TError;
// texts, keys and passwords are bytes in the program's code page.

#include "foundation/Messagesignature.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "platform/kernel/Fileapi.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Shortest and longest password that PackAS accepts.
constexpr size_t PackPasswordMin = 7;
constexpr size_t PackPasswordMax = 32;

// The text enciphered under the password as upper-case hexadecimal digits: a format
// byte (1), then the enciphered bytes of Gostpassword.h (a fresh synchro each call).
// A password outside 7..32 characters reports "PackAS - странный пароль" and gives "".
std::string PackAS(std::string_view text, std::string_view password);

// The inverse of PackAS: false, with a report and `text` untouched, for a strange
// password, a damaged packed text or a wrong password.
bool UnpackAS(std::string_view packed, std::string_view password, std::string& text);

// An encrypted portion: u32 length n of the plain bytes, then the n + 16 enciphered bytes.
// The password may not be empty. A structured portion is composed with a TBufWriter into
// memory and read back with a TBufReader over the deciphered bytes.
void WriteCryptedPortion(TBufWriter& writer, std::string_view plain, std::string_view password);
// False, with a report, for a wrong password, damaged data, a length past the end of the
// data or above MaxCryptedPortion.
bool ReadCryptedPortion(TBufReader& reader, std::string_view password, std::string& plain);
constexpr uint32_t MaxCryptedPortion = 64u << 20;

// The seal of a command-message file is a trailer appended after its data:
//   offset  0, 6 bytes  marker "QLSEAL"
//   offset  6, 1 byte   format version, 1
//   offset  7, 1 byte   reserved, 0
//   offset  8, 8 bytes  u64 little-endian: the number of sealed bytes (all bytes before the trailer)
//   offset 16, 32 bytes HMAC (GOST R 34.11-94, CryptoPro set) of the sealed bytes followed by
//                       trailer bytes 0..15, keyed with DeriveGostKey(key text, "seal")
// The key text is the sender login's key password for a private message, else the suite's
// fixed seal text.
constexpr size_t SealTrailerSize = 48;

// The seal shows that a message is whole; who wrote it, the sender's signature block shows.
// It ends the file, right after the seal, and covers every byte before it (seal included):
//   offset  0, 6 bytes  marker "QLSIGN"
//   offset  6, 1 byte   format version, 1
//   offset  7, 1 byte   reserved, 0
//   offset  8, 64 bytes the signer's public key (Messagesignature.h)
//   offset 72, 64 bytes the GOST R 34.10-2012 signature of the GOST R 34.11-2012 (256-bit)
//                       digest of all bytes before the block
constexpr size_t SignatureBlockSize = 136;

// The key pair that signs the messages this program writes: the current login's. Until a
// source is set (parts run on their own), a pair made for the run signs.
void SetMessageSigner(std::function<bool(TSigningKeyPair& pair)> source);

// Appends the seal and the signature block to a command-message file written through
// `file` (which may be open for writing only). An empty key password seals with the
// suite's key. When `announce` is not 0 the user is told "Command message <name> composed
// and signed." under the command name, with whom it goes to ("to everybody") after the
// name when that is given, so that two such messages in a row are told apart. False, with
// a report, when the file cannot be read or written or there is no key to sign with.
bool SignFile(HANDLE file, std::string_view keyPassword, std::string_view commandName, int announce,
              std::string_view addressees = {});

// Who signed a message: the public key of its signature block and the digest it signed,
// which names the message's content wherever it travels.
struct TMessageSigner {
  TPublicKey PublicKey{};
  TMessageDigestValue Digest{};
};

// What the seal check needs of a command message's header; the model's header implements it.
class TSealedMessageHeader {
 public:
  virtual ~TSealedMessageHeader() = default;
  virtual bool IsPrivateMessage() const = 0;  // PRIVATE_REQ other than "0"
  virtual std::string SenderKey() const = 0;  // the key kept for the sender's login
  // The sender's key as the user gives it for this message, which no kept key opens and
  // whose signature `signer` made; by default none is asked.
  virtual std::string AskSenderKey(const TPublicKey& /*signer*/) const { return std::string(); }
  // The key the user gave opened this message: it is kept for the sender in place of the
  // one kept before.
  virtual void KeepSenderKey(const std::string&) const {}
  // Whether the signer's key may speak for the sender the header names: the key pinned for
  // that sender, any while none is (asking pins nothing). By default every key may.
  virtual bool AcceptsSigner(const TPublicKey&) const { return true; }
};

// Checks the seal and the signature block of a command-message file opened for reading;
// the file position is kept, so a reader over the file can go on. False when either is
// missing, malformed or wrong, when a private message's sender has no key, or when the file
// cannot be read. `signer`, when given, receives who signed.
bool VerifyFileSign(HANDLE file, bool privateMessage, std::string_view senderKey, TMessageSigner* signer = nullptr);
bool VerifyFileSign(HANDLE file, const TSealedMessageHeader& header, TMessageSigner* signer = nullptr);
// Checks the signature block alone, which needs no key: true when it ends the file and
// signs every byte before it; `signer` receives who signed. The file position is kept.
bool VerifyFileSignature(HANDLE file, TMessageSigner& signer);
// The check of a message about to be handled: a private message is opened with the key
// kept for its sender, else with the one the user gives for it (asked only when its
// signature holds), which is then kept in place of the other; a kept key that fails stays
// kept. The signer's key must be the one the header's sender is known by.
bool VerifyReceivedFileSign(HANDLE file, const TSealedMessageHeader& header, TMessageSigner* signer = nullptr);

// How many times this process hashed the bytes of a message file for its seal or for its
// signature (a full check hashes them for both: twice). Bytes checked (or sealed) before are
// answered from the verdicts kept for them, whatever the file's name.
uint64_t MessageHashings();
// Forgets every verdict kept, as a process of its own starts: each file is hashed again.
void ForgetKeptVerdicts();

// Tells the user that a command message's seal or sender did not verify; always false,
// so that a caller going on only on true stops.
bool ShowVerifyingError();
