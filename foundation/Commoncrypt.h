#pragma once
// Password packing of texts, encrypted portions of the buffered files, and the seals of
// command-message files. Failures of the program's own making are reported to TError;
// texts, keys and passwords are bytes in the program's code page.

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "platform/kernel/Fileapi.h"

#include <cstdint>
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
// fixed seal text. A file verifies only when the trailer ends the file exactly.
constexpr size_t SealTrailerSize = 48;

// Appends the seal to a command-message file written through `file` (which may be open
// for writing only). An empty key password seals with the suite's key. When `announce`
// is not 0 the user is told "Command message <name> composed and signed." under the
// command name. False, with a report, when the file cannot be read or written.
bool SignFile(HANDLE file, std::string_view keyPassword, std::string_view commandName, int announce);

// What the seal check needs of a command message's header; the model's header implements it.
class TSealedMessageHeader {
 public:
  virtual ~TSealedMessageHeader() = default;
  virtual bool IsPrivateMessage() const = 0;  // PRIVATE_REQ other than "0"
  virtual std::string SenderKey() const = 0;  // the key kept for the sender's login
  // The sender's key, asked of the user when none is kept; by default only what is kept.
  virtual std::string AskSenderKey() const { return SenderKey(); }
  // The sender's key did not verify: what was kept of it is dropped.
  virtual void ForgetSenderKey() const {}
};

// Checks the seal of a command-message file opened for reading; the file position is
// kept, so a reader over the file can go on. False when the seal is missing, malformed
// or wrong, when a private message's sender has no key, or when the file cannot be read.
bool VerifyFileSign(HANDLE file, bool privateMessage, std::string_view senderKey);
bool VerifyFileSign(HANDLE file, const TSealedMessageHeader& header);
// The check of a message about to be handled: for a private message whose sender has no
// key kept the user is asked for it once, and a key that fails the check is forgotten.
bool VerifyReceivedFileSign(HANDLE file, const TSealedMessageHeader& header);

// Tells the user that a command message's seal or sender did not verify; always false,
// so that a caller going on only on true stops.
bool ShowVerifyingError();
