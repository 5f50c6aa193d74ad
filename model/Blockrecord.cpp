#include "model/Blockrecord.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Gosthash.h"
#include "foundation/Storedfields.h"
#include "foundation/Terror.h"
#include "model/Blocknames.h"
#include "model/Tdiscussion.h"

#include <string>
#include <type_traits>

namespace {

enum : uint8_t { TextsPlain = 0, TextsPacked = 1 };
constexpr size_t CheckValueLength = 2 * GostHashSize;

bool IsNameOrEmpty(const TStr& name, bool mayBeEmpty) {
  if (name.IsEmpty()) return mayBeEmpty;
  if (name.Length() > MaxRecordNameLength) return false;
  const std::string bracketed = "<" + name.ToString() + ">";
  return GetBlockNameLength(bracketed.c_str()) == int(bracketed.size());
}

bool IsCheckValue(const TStr& value) {
  if (value.IsEmpty()) return true;
  if (value.Length() != CheckValueLength) return false;
  for (char c : value.View())
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  return true;
}

// What is wrong with a record, null when it is sound.
const char* RecordFault(const TDiscBlockRecord& r) {
  if (!IsNameOrEmpty(r.Name, false)) return "недопустимое имя блока";
  if (!IsNameOrEmpty(r.UpperName, true)) return "недопустимое имя верхнего блока";
  if (!IsNameOrEmpty(r.ConclusionName, true)) return "недопустимое имя блока-вывода";
  if (!IsValidStorageType(r.StorageType)) return "недопустимый тип хранилища";
  if (r.TextType < TextType_Heading || r.TextType > TextType_Formula) return "недопустимый вид текста";
  if (r.Novelty < 1 || r.Novelty > 2) return "недопустимая новизна";
  if (r.Importance < 1 || r.Importance > 2) return "недопустимая важность";
  if (r.Possibility > 100) return "недопустимая возможность";
  if (r.DeleteFlag > DeleteFlag_Recycled) return "недопустимое состояние блока";
  if (!IsCheckValue(r.CheckValue)) return "недопустимое контрольное значение";
  return nullptr;
}

void WriteText(TBufWriter& writer, const TStr& text, std::string_view key) {
  if (key.empty())
    text.SaveToBufWriter(writer);
  else
    WriteCryptedPortion(writer, text.View(), key);
}

bool ReadText(TBufReader& reader, TStr& text, std::string_view key) {
  if (key.empty()) {
    text.LoadFromBufReader(reader);
    return !reader.IsFailed();
  }
  std::string plain;
  if (!ReadCryptedPortion(reader, key, plain)) return false;
  if (plain.size() > TStr::kMaxStoredLength) {
    TError::Report("DiscBlockFromBufReader - слишком длинный текст блока");
    return false;
  }
  text = plain;
  return true;
}

// A block text of a record, packed with the sender's key when there is one.
template <class Text>
struct TRecordText {
  Text& Value;
};
template <class Text>
TRecordText<Text> RecordText(Text& text) {
  return {text};
}
template <class Field>
inline constexpr bool IsRecordText = false;
template <class Text>
inline constexpr bool IsRecordText<TRecordText<Text>> = true;

// The fields of a record after its form byte, listed once in their order on the wire for
// the writer and the reader; `visit` answers whether to go on.
template <class Record, class Visit>
bool VisitRecordFields(Record& r, Visit&& visit) {
  return visit(r.Name) && visit(r.UpperName) && visit(r.StorageType) && visit(r.Num) && visit(r.TextType) &&
         visit(r.Novelty) && visit(r.Importance) && visit(r.Possibility) && visit(r.ConclusionName) &&
         visit(RecordText(r.Texts.Text)) && visit(r.DeleteFlag) && visit(r.Date) &&
         visit(RecordText(r.Texts.FormulaText)) && visit(RecordText(r.Texts.URL)) && visit(r.ADIdent) &&
         visit(r.CheckValue);
}

// The opening byte of the next record or pair: 1 a record follows, 0 the end, -1 bad.
int ReadMark(TBufReader& reader, const char* who) {
  const uint8_t mark = reader.ReadByte();
  if (reader.IsFailed()) return -1;
  if (mark == BlockRecordsEnd) return 0;
  if (mark == BlockRecordMark) return 1;
  TError::Report(std::string(who) + " - неверный маркер записи блока");
  return -1;
}

void AddText(std::string& line, std::string_view text) {
  const uint32_t n = uint32_t(text.size());
  for (int i = 0; i < 4; ++i) line += char((n >> (8 * i)) & 0xFF);
  line += text;
}

}  // namespace

TDiscBlockRecord MakeDiscBlockRecord(TDiscussion& discussion, TDiscBlockIndex own) {
  TDiscBlockRecord record;
  const TDiscBlock* block = discussion.Storages.GetDiscBlock(own);
  if (block == nullptr) return record;
  const TDiscBlockStorages& storages = discussion.Storages;
  record.Name = block->Name;
  if (!block->Upper.IsEmpty() && storages.IsValidIndex(block->Upper))
    record.UpperName = storages.GetDiscBlock(block->Upper)->Name;
  if (block->TextType == TextType_Formula && !block->Conclusion.IsEmpty() && storages.IsValidIndex(block->Conclusion))
    record.ConclusionName = storages.GetDiscBlock(block->Conclusion)->Name;
  record.StorageType = block->StorageType;
  record.Num = block->Num;
  record.TextType = block->TextType;
  record.Novelty = block->Novelty;
  record.Importance = block->Importance;
  record.Possibility = block->Possibility;
  record.Texts = storages.GetStrHashItem(own)->Str;
  record.DeleteFlag = block->DeleteFlag;
  record.Date = block->Date;
  if (HasAuthorField(block->StorageType)) {
    record.ADIdent = block->ADIdent;
  } else {
    const int author = block->GetAuthor(discussion);
    record.ADIdent = author >= 0 ? discussion.Authors.Author(author).ADIdent : NoADIdent;
  }
  record.CheckValue = ComposeCheckValue(record);
  return record;
}

TStr ComposeCheckValue(const TDiscBlockRecord& r) {
  // A moderated comment is the comment its author sent: the same value under its own name.
  std::string name = r.Name.ToString();
  if (r.StorageType == StorageType_ModeratedComments && !name.empty() && name.back() == 'M') name.pop_back();
  std::string line = "QLBLOCK1";
  AddText(line, name);
  AddText(line, r.UpperName.View());
  AddText(line, r.TextType == TextType_Formula ? r.ConclusionName.View() : std::string_view());
  line += char(r.TextType);
  line += char(r.Novelty);
  line += char(r.Importance);
  line += char(r.Possibility & 0xFF);
  line += char(r.DeleteFlag);
  const bool root = r.StorageType == StorageType_Model && r.UpperName.IsEmpty() && name == RootBlockName;
  for (const TStr* text : {&r.Texts.Text, &r.Texts.URL, &r.Texts.FormulaText})
    AddText(line, root ? std::string_view() : text->View());
  uint8_t digest[GostHashSize];
  TGostHash::Compute(line.data(), line.size(), digest);
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (uint8_t b : digest) {
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  return TStr(hex);
}

bool DiscBlockToBufWriter(TBufWriter& writer, const TDiscBlockRecord& r, std::string_view key) {
  if (const char* fault = RecordFault(r)) {
    TError::Report(std::string("DiscBlockToBufWriter - ") + fault + " " + r.Name.ToString());
    return false;
  }
  writer.WriteByte(BlockRecordMark);
  writer.WriteByte(key.empty() ? TextsPlain : TextsPacked);
  VisitRecordFields(r, [&](const auto& field) {
    if constexpr (IsRecordText<std::decay_t<decltype(field)>>) WriteText(writer, field.Value, key);
    else storedfields::Write(writer, field);
    return true;
  });
  return !writer.IsFailed();
}

bool DiscBlockFromBufReader(TBufReader& reader, TDiscBlockRecord& out, std::string_view key) {
  if (ReadMark(reader, "DiscBlockFromBufReader") <= 0) return false;
  const uint8_t form = reader.ReadByte();
  if (form != TextsPlain && form != TextsPacked) {
    if (!reader.IsFailed()) TError::Report("DiscBlockFromBufReader - неверный вид текстов блока");
    return false;
  }
  if (form == TextsPacked && key.size() < PackPasswordMin) {
    TError::Report("DiscBlockFromBufReader - тексты блока упакованы, а ключа отправителя нет");
    return false;
  }
  const std::string_view textKey = form == TextsPacked ? key : std::string_view();
  TDiscBlockRecord r;
  const bool read = VisitRecordFields(r, [&](auto&& field) {
    if constexpr (IsRecordText<std::decay_t<decltype(field)>>) {
      return ReadText(reader, field.Value, textKey);
    } else {
      storedfields::Read(reader, field);
      return true;
    }
  });
  if (!read || reader.IsFailed()) return false;
  if (const char* fault = RecordFault(r)) {
    TError::Report(std::string("DiscBlockFromBufReader - ") + fault + " " +
                   r.Name.ToString().substr(0, MaxRecordNameLength));
    return false;
  }
  out = std::move(r);
  return true;
}

void EndBlockRecords(TBufWriter& writer) { writer.WriteByte(BlockRecordsEnd); }

bool DiscBlockNameAndCRCToBufWriter(TBufWriter& writer, const TStr& name, const TStr& checkValue) {
  if (!IsNameOrEmpty(name, false) || !IsCheckValue(checkValue)) {
    TError::Report("DiscBlockNameAndCRCToBufWriter - недопустимое имя блока " + name.ToString());
    return false;
  }
  writer.WriteByte(BlockRecordMark);
  name.SaveToBufWriter(writer);
  checkValue.SaveToBufWriter(writer);
  return !writer.IsFailed();
}

bool DiscBlockNameAndCRCFromBufReader(TBufReader& reader, TStr& name, TStr& checkValue) {
  if (ReadMark(reader, "DiscBlockNameAndCRCFromBufReader") <= 0) return false;
  TStr readName, readValue;
  readName.LoadFromBufReader(reader);
  readValue.LoadFromBufReader(reader);
  if (reader.IsFailed()) return false;
  if (!IsNameOrEmpty(readName, false) || !IsCheckValue(readValue)) {
    TError::Report("DiscBlockNameAndCRCFromBufReader - недопустимое имя блока или контрольное значение");
    return false;
  }
  name = std::move(readName);
  checkValue = std::move(readValue);
  return true;
}

bool TDiscBlock::WriteToBufWriter(TBufWriter& writer, TDiscussion& discussion, TDiscBlockIndex own,
                                  std::string_view key) const {
  return DiscBlockToBufWriter(writer, MakeDiscBlockRecord(discussion, own), key);
}

TStr TDiscBlock::ComposeTextLine(TDiscussion& discussion, TDiscBlockIndex own) const {
  return MakeDiscBlockRecord(discussion, own).CheckValue;
}
