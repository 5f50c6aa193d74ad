#pragma once
// Authors of a discussion.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"

#include <cstdint>
#include <string>
#include <string_view>

class TDiscussion;
class TDiscussionsManager;
class TBufReader;
class TBufWriter;

inline constexpr uint16_t ModelAuthorADIdent = 0;

struct TAuthor {
  uint8_t Deleted = 0;
  uint16_t ADIdent = 0xFFFF;  // 0 the model author, 0xFFFF none
  TStr AGIdent;
  TStr FirstName;
  TStr MiddleName;
  TStr LastName;
  TStr Organisation;
  TStr PrivateEMail;
  TStr AutomaticEMail;
  TStr WebPage;
  TStr Address;
  TStr Phones;
  uint16_t BirthYear = 0;
  TStr Degree;
  TStr OtherText;
  TStr LIdent;
  uint8_t Subscriber = 0;
  uint8_t Unsubscribed = 0;
  uint8_t IdentsGiven = 0;
  uint8_t Robot = 0;
  uint16_t CommentCounter = 0;  // the number given to the author's last comment

  bool operator==(const TAuthor& other) const;

  // First, middle and last name joined by blanks, trimmed.
  TStr GetFullName() const;
  // Initials of first and middle name, each followed by ".", then the last name.
  TStr GetShortName() const;
  // The ident that opens the names of the author's comments.
  TStr GetIdentText() const;
  // How an author is named wherever one is shown (lists, window titles, rows, boxes): the
  // short name, else the full name (a first name alone), else the author's address, else
  // `otherwise`.
  std::string GetShownName(std::string_view otherwise) const;
  // The number of the author's next comment (stored back); -1 (reported) when the numbers
  // are used up.
  int TakeNewCommentNumber();
  // The personal data (names, addresses, phones, year, degree, text) of another record.
  void CopyPersonalData(const TAuthor& other);

  // The author's public data as one text (Authordata.h): ADIdent first, then the LIdent
  // and the personal data.
  TStr EncodeAuthorDataStr() const;
  // Fills the record from such a text, keeping the local fields (AGIdent, flags, comment
  // counter); false, with the record untouched, for a malformed text.
  bool DecodeAuthorDataStr(std::string_view text);

  // Stored form: u8 deleted, u16 ADIdent, texts AGIdent, first, middle, last name,
  // organisation, private e-mail, automatic e-mail, Web page, address, phones, u16 birth
  // year, texts degree, other text, LIdent, u8 subscriber, unsubscribed, idents given,
  // robot, u16 comment counter.
  void SaveToBufWriter(TBufWriter& writer) const;
  void LoadFromBufReader(TBufReader& reader);
};

class TAuthorsStorage {
public:
  TArray<TAuthor> Authors;

  int Count() const { return Authors.Count(); }
  TAuthor& Author(int index) { return Authors[index]; }
  const TAuthor& Author(int index) const { return Authors[index]; }

  // Index of the author with that LIdent (an empty LIdent finds nobody); with create set a
  // missing author is created. -1 when absent.
  int FindAuthorByLIdent(TDiscussion& discussion, const TStr& lident, bool create);
  // Index of the author with that ADIdent; with create set a missing author is created.
  int FindAuthorByADIdent(TDiscussion& discussion, uint16_t adident, bool create);
  int FindAuthorByAutomaticEMail(const TStr& address) const;
  int FindAuthorByLIdent(const TStr& lident) const;
  int FindAuthorByADIdent(uint16_t adident) const;
  // Appends an author (ADIdent -1 = none); -1 (reported) when an author with that
  // non-empty LIdent or that ADIdent exists, or the storage is full.
  int CreateAuthor(TDiscussion& discussion, const TStr& lident, int adident, int flag);
  // Fills the author's personal data from the same author (by LIdent) in another
  // discussion of the manager; the index of that discussion, -1 when none was found.
  int CopyAuthorDataFromModel(TDiscussionsManager& manager, TDiscussion& discussion, int authorIndex);
  // The largest ADIdent in use (0xFFFF excluded), -1 when there is none.
  int GetMaxADIdent() const;
  // The author's shown name (TAuthor::GetShownName); a record without name or address
  // falls back to the current login's address when it is the login's own, else to its
  // identifier.
  std::string GetShownName(int index) const;

  void Clear() { Authors.Clear(); }
};
