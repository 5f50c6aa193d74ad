#pragma once
// Blocks as command messages carry them, and the check value that tells equal blocks.
//
// The data part of a message of blocks is a run of records, each opened by the byte
// 0x2B ("+"), and closed by the byte 0x2D ("-"). A record, integers little-endian, a name
// (TStr) as a 16-bit length and its characters:
//   u8   text form: 0 the texts are plain, 1 they are packed under the sender's key
//   TStr name               TStr upper block's name ("" none)
//   u8   storage type       u16  number used in names
//   u8   text type          u8   novelty          u8  importance       u16 possibility
//   TStr conclusion block's name ("" none)
//   text first text (the text)
//   u8   delete flag        i16  date (days - 30000)
//   text third text (the formula text)
//   text second text (the URL)
//   u16  author's ADIdent   TStr check value
// A text is a TStr when plain, an encrypted portion (Commoncrypt.h) when packed.
// A list of existing blocks carries pairs instead: 0x2B, TStr name, TStr check value.

#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"
#include "model/Tdiscblockstr.h"

#include <cstdint>
#include <string_view>

class TBufReader;
class TBufWriter;
class TDiscussion;
struct TDiscBlock;

inline constexpr uint8_t BlockRecordMark = 0x2B;
inline constexpr uint8_t BlockRecordsEnd = 0x2D;
// The longest block name a record may carry.
inline constexpr size_t MaxRecordNameLength = 1024;

struct TDiscBlockRecord {
  TStr Name;
  TStr UpperName;
  uint8_t StorageType = 0;
  uint16_t Num = 0;
  uint8_t TextType = 0;
  uint8_t Novelty = 0;
  uint8_t Importance = 0;
  uint16_t Possibility = 0;
  TStr ConclusionName;
  TDiscBlockStr Texts;
  uint8_t DeleteFlag = 0;
  int16_t Date = 0;  // days - 30000, as the block keeps it
  uint16_t ADIdent = 0xFFFF;
  TStr CheckValue;

  bool operator==(const TDiscBlockRecord& other) const = default;
};

// The record of a block as it goes out: its names resolved in the discussion, its texts
// and check value.
TDiscBlockRecord MakeDiscBlockRecord(TDiscussion& discussion, TDiscBlockIndex own);

// Writes one record; the texts are packed when the key is not empty. False (reported)
// for a record whose fields are out of range.
bool DiscBlockToBufWriter(TBufWriter& writer, const TDiscBlockRecord& record, std::string_view key);
// Reads the next record; false at the closing byte, and false with a report for a
// malformed record (bad marker, a field out of range, a name of a wrong form, packed
// texts without the right key). The record is filled only when it is sound.
bool DiscBlockFromBufReader(TBufReader& reader, TDiscBlockRecord& record, std::string_view key);

// The closing byte of a run of records or pairs.
void EndBlockRecords(TBufWriter& writer);

bool DiscBlockNameAndCRCToBufWriter(TBufWriter& writer, const TStr& name, const TStr& checkValue);
// The next pair of an existing-blocks list; false at the closing byte or (reported) for a
// malformed pair.
bool DiscBlockNameAndCRCFromBufReader(TBufReader& reader, TStr& name, TStr& checkValue);

// The check value of a block's content: 64 upper-case hexadecimal digits of the GOST
// R 34.11-94 digest (CryptoPro parameter set) of the line
//   "QLBLOCK1", name, upper block's name, conclusion block's name (a formula's only),
//   u8 text type, u8 novelty, u8 importance, u8 possibility, u8 delete flag,
//   text, URL, formula text
// where every text is a u32 little-endian length and its bytes, and a moderated comment's
// name is taken without its final "M" (it is the comment its author sent). What differs
// between installations (numbers, dates, authors' numbering, storage positions) is left
// out, so equal blocks have equal values everywhere; so are the root block's texts, taken
// as empty: the root shows the discussion's name, which a copy formed from the model also
// keeps as the root's text and the leader's copy does not.
TStr ComposeCheckValue(const TDiscBlockRecord& record);
