#pragma once
// The header of a command message: named fields, plain or encrypted, written as text
// before the message's data.
//
// Text form of a header (bytes in the program's code page, CR LF after every line):
//   SENDER_LIDENT=<the sender's LIdent>      always the first line
//   NAME=value                                a plain field
//   NAME*=packed                              an encrypted field: the value packed by PackAS
//                                             under the suite's header key
//   DATA                                      alone on the last line; the data follow
// A name is 1..64 characters of A-Z, 0-9 and "_", starting with a letter. In a value a
// backslash, CR and LF are written "\\", "\r" and "\n"; every other byte stands as it is.
// Fields keep the order in which they were added.

#include "foundation/Commoncrypt.h"
#include "foundation/Tarray.h"
#include "foundation/Tstr.h"

#include <cstddef>
#include <string>
#include <string_view>

class TBufReader;
class TBufWriter;

// Bounds of a header read from another participant.
inline constexpr size_t MaxHeaderFields = 4096;
inline constexpr size_t MaxFieldNameLength = 64;
inline constexpr size_t MaxHeaderLineLength = 1u << 20;
inline constexpr size_t MaxHeaderSize = 16u << 20;

struct TCommandMessageHeaderField {
  TStr Name;
  TStr Value;  // the text as written: the packed form for an encrypted field
  TStr Plain;  // the field's meaning: the value, deciphered for an encrypted field
  bool Crypted = false;
};

// One row of receivers of a command message: addresses joined by "; ", "*" alone for
// every subscriber.
struct TRecipientsList {
  TStr Users;
  TStr Robots;
};

class TCommandMessageHeader : public TSealedMessageHeader {
 public:
  // Appends a plain field; false (reported) for a name that exists, a reserved or
  // malformed name, or a header that is full.
  bool AddField(std::string_view name, std::string_view value);
  // Appends a field whose value is packed under the suite's header key.
  bool AddCryptedField(std::string_view name, std::string_view value);
  // TO_USERS_EMAILS_CRYPTED from the users text and, when the row has robots,
  // TO_ROBOTS_EMAILS_CRYPTED.
  bool AddRecipientsFields(const TRecipientsList& row);

  // SENDER_LIDENT (the given identifier, or the current login's when it is empty), the
  // fields in order and the closing DATA line. False when the writer failed.
  bool Write(TBufWriter& writer, std::string_view senderLIdent) const;
  // Reads a header up to its DATA line and leaves the reader at the data. A malformed
  // header is refused (reported) and leaves the header empty.
  bool Read(TBufReader& reader);

  bool HasField(std::string_view name) const { return Find(name) != nullptr; }
  // The value as written; "" when the field is missing.
  std::string GetFieldValue(std::string_view name) const;
  // The deciphered value of an encrypted field (a plain field's value as it is).
  std::string GetCryptedFieldValue(std::string_view name) const;
  // ANNOTATION, unpacked with the sender's key when the message is private; "" when it
  // cannot be unpacked.
  std::string GetAnnotationField() const;

  size_t FieldCount() const { return Fields.Count(); }
  const TCommandMessageHeaderField& Field(size_t index) const { return Fields[uint32_t(index)]; }
  void Clear() { Fields.Clear(); }

  // The seal's view of the header: PRIVATE_REQ present and not "0"; the key kept for the
  // SENDER_LIDENT's login.
  bool IsPrivateMessage() const override;
  std::string SenderKey() const override;
  // The sender's Key asked of the user (naming FROM_USER_EMAIL) when no kept one opens the
  // message; the one that opened it kept for the SENDER_LIDENT.
  std::string AskSenderKey(const TPublicKey& signer) const override;
  void KeepSenderKey(const std::string& key) const override;
  // The key pinned for SENDER_LIDENT, any while none is (pinned only once a message
  // signed with it is applied).
  bool AcceptsSigner(const TPublicKey& key) const override;

 private:
  const TCommandMessageHeaderField* Find(std::string_view name) const;
  bool Append(std::string_view name, std::string_view value, bool crypted, const char* who);

  TArray<TCommandMessageHeaderField> Fields;
};

// A receivers list of one row from an address text: the addresses (separated by ";",
// "," or white space) joined by "; "; "*" stays "*". Empty when the text holds none.
TArray<TRecipientsList> MakeRecipientsList(std::string_view addresses);

// Whether a text is a field name of the header's alphabet.
bool IsHeaderFieldName(std::string_view name);
