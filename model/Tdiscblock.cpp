#include "model/Tdiscblock.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "model/Blocknames.h"
#include "model/Tdiscussion.h"

#include <cmath>
#include <string>

bool TDiscBlock::operator==(const TDiscBlock& o) const {
  return StorageType == o.StorageType && BlockNum == o.BlockNum && Num == o.Num && Name == o.Name &&
         SavedName == o.SavedName && TextType == o.TextType && Novelty == o.Novelty && Importance == o.Importance &&
         Possibility == o.Possibility && FormulaValue == o.FormulaValue && DeleteFlag == o.DeleteFlag &&
         Posted == o.Posted && Upper == o.Upper && UpperCode == o.UpperCode && Conclusion == o.Conclusion &&
         ConclusionCode == o.ConclusionCode && UnlinkedIndex == o.UnlinkedIndex && Date == o.Date &&
         ADIdent == o.ADIdent;
}

void TDiscBlock::SetDate(TDateTime date) {
  // Days are kept modulo 65536 in a signed 16-bit field.
  const long days = long(std::floor(date)) - BlockDateOffset;
  Date = int16_t(uint16_t(days & 0xFFFF));
}

TStr TDiscBlock::GetBlockName(const TDiscussion&) const { return Name; }

int TDiscBlock::GetAuthor(TDiscussion& discussion) const {
  switch (StorageType) {
    case StorageType_Model:
      return discussion.Authors.FindAuthorByADIdent(ModelAuthorADIdent);
    case StorageType_Comments:
    case StorageType_ModeratedComments:
      return discussion.Authors.FindAuthorByADIdent(ADIdent);
    case StorageType_Notes:
      return discussion.Authors.FindAuthorByLIdent(CurrentModelLogin().LIdent);
    default:
      return -1;
  }
}

TStr TDiscBlock::GetLinkText(const TDiscussion& discussion) const {
  if (!Conclusion.IsEmpty() && discussion.Storages.IsValidIndex(Conclusion))
    return discussion.Storages.GetDiscBlock(Conclusion)->Name;
  std::string text = "???";
  if (UnlinkedIndex != NoUnlinkedBlockInfo && UnlinkedIndex < int(discussion.UnlinkedBlockInfos.Count()))
    text += discussion.UnlinkedBlockInfos[UnlinkedIndex].ConclusionName.c_str();
  return TStr(text.c_str());
}

int TDiscBlock::GetCommentedState(const TDiscussion& discussion, TDiscBlockIndex own) const {
  for (const TBlocksStorage* storage : {&discussion.Storages.Notes, &discussion.Storages.Comments,
                                        &discussion.Storages.ModeratedComments}) {
    for (int i = 0; i < storage->Count(); ++i)
      if (storage->Block(i).Upper == own) return 1;
  }
  return 2;
}

bool TDiscBlock::SetComposedBlockName(TDiscussion& discussion, TDiscBlockIndex own) {
  std::string name;
  switch (StorageType) {
    case StorageType_Model: {
      const TDiscBlock* upper = Upper.IsEmpty() ? nullptr : discussion.Storages.GetDiscBlock(Upper);
      if (!Upper.IsEmpty() && upper == nullptr) return false;
      if (upper == nullptr) {
        name = RootBlockName;
        break;
      }
      const std::string upperName = StripHeadingSuffix(upper->Name.c_str());
      name = (upperName == RootBlockName ? std::string() : upperName + ".") + std::to_string(Num);
      if (TextType == TextType_Heading) name += HeadingNameSuffix;
      break;
    }
    case StorageType_Comments:
    case StorageType_ModeratedComments: {
      const int author = discussion.Authors.FindAuthorByADIdent(ADIdent);
      name = std::string(author >= 0 ? discussion.Authors.Author(author).GetIdentText().c_str()
                                     : std::to_string(ADIdent).c_str()) +
             "-" + std::to_string(Num);
      if (StorageType == StorageType_ModeratedComments) name += "M";
      break;
    }
    case StorageType_Notes:
      name = std::string(NotesNamePrefix) + "-" + std::to_string(Num);
      break;
    default:
      TError::Report("TDiscBlock::SetComposedBlockName - неверный тип хранилища блоков");
      return false;
  }
  Name = TStr(name.c_str());
  if (TBlocksStorage* storage = discussion.Storages.GetStorage(own.StorageType)) storage->ClearNameIndex();
  return true;
}

TStr TDiscBlock::MakeUniqueName(const TDiscussion& discussion, const TStr& name) const {
  const TBlocksStorage* storage = discussion.Storages.GetStorage(StorageType);
  if (storage == nullptr) return name;
  const auto taken = [&](const std::string& candidate) {
    const int found = storage->FindByName(candidate);
    return found >= 0 && &storage->Block(found) != this;
  };
  // The suffix tells this block's own kind, whatever the kind of the block named.
  bool namedHeading = false;
  const std::string base = StripHeadingSuffix(name.c_str(), &namedHeading);
  const bool heading = TextType == TextType_Heading;
  if (heading == namedHeading && !taken(name.c_str())) return name;
  // ".0k" never occurs in a composed name, so the result cannot meet a future block.
  for (int k = 1; k < MaxBlocksInStorage + 2; ++k) {
    std::string candidate = base + ".0" + std::to_string(k) + (heading ? HeadingNameSuffix : "");
    if (!taken(candidate)) return TStr(candidate.c_str());
  }
  return name;
}

bool TDiscBlock::CopyContentsFrom(TDiscussion& target, TDiscBlockIndex own, TDiscussion& source,
                                  const TDiscBlock& sourceBlock, TDiscBlockIndex sourceIndex) {
  Novelty = sourceBlock.Novelty;
  Importance = sourceBlock.Importance;
  Possibility = sourceBlock.Possibility;
  DeleteFlag = sourceBlock.IsAlive() ? sourceBlock.DeleteFlag : uint8_t(DeleteFlag_Alive);
  Date = sourceBlock.Date;
  if (sourceBlock.UnlinkedIndex != NoUnlinkedBlockInfo && sourceBlock.UnlinkedIndex < int(source.UnlinkedBlockInfos.Count())) {
    const TUnlinkedBlockInfo info = source.UnlinkedBlockInfos[sourceBlock.UnlinkedIndex];
    const int index = AddUnlinkedBlockInfo(target.UnlinkedBlockInfos, target, GetDiscBlockCode());
    if (index < 0) return false;
    TUnlinkedBlockInfo& copy = target.UnlinkedBlockInfos[index];
    copy = info;
    copy.Code = GetDiscBlockCode();
    UnlinkedIndex = uint16_t(index);
  }
  const TStrHashItem* sourceTexts = source.Storages.GetStrHashItem(sourceIndex);
  TStrHashItem* texts = target.Storages.GetStrHashItem(own);
  if (sourceTexts == nullptr || texts == nullptr) return false;
  if (texts != sourceTexts) texts->Str = sourceTexts->Str;
  if (!texts->Save(*this)) return false;
  const int sourceProperty = source.FindReaderProperty(sourceIndex, false);
  if (sourceProperty >= 0) {
    const TReaderProperty values = source.ReaderProperties.Items[sourceProperty];
    const int property = target.FindReaderProperty(own, true);
    if (property < 0) return false;
    target.ReaderProperties.Items[property].CopyValuesFrom(values);
  }
  return true;
}

int TDiscBlock::GetLinesHeightMode1(TRowMeasurer& browse, TDiscussion& discussion, TDiscBlockIndex own, int level) {
  if (HeightMode1 == UnmeasuredHeight) {
    const int height = browse.MeasureDiscBlockRow(discussion, own, level, 1);
    HeightMode1 = uint16_t(height < 0 ? 0 : height >= UnmeasuredHeight ? UnmeasuredHeight - 1 : height);
  }
  return HeightMode1;
}

int TDiscBlock::GetLinesHeightMode2(TRowMeasurer& browse, TDiscussion& discussion, TDiscBlockIndex own, int level) {
  if (HeightMode2 == UnmeasuredHeight) {
    int height = browse.MeasureDiscBlockRow(discussion, own, level, 2);
    if (height <= 0) height = 4;  // an empty text row still takes a little room
    HeightMode2 = uint16_t(height >= UnmeasuredHeight ? UnmeasuredHeight - 1 : height);
  }
  return HeightMode2;
}

// Block record in the block file:
//   u16 block number, u16 name number, text name, text saved name,
//   u8 text type, u8 novelty, u8 importance, u8 possibility, u8 formula value,
//   u8 delete flag, u8 posted,
//   upper block code (u8 storage type, u16 number), conclusion block code,
//   u16 unlinked-record index (0xFFFF none), i16 date (days - 30000),
//   comment storages only: u16 author ADIdent.
// Positions of upper and conclusion blocks are found again from their codes.
void TDiscBlock::SaveToBufWriter(TBufWriter& w) const {
  w.WriteWord(BlockNum);
  w.WriteWord(Num);
  Name.SaveToBufWriter(w);
  SavedName.SaveToBufWriter(w);
  w.WriteByte(TextType);
  w.WriteByte(Novelty);
  w.WriteByte(Importance);
  w.WriteByte(Possibility);
  w.WriteByte(FormulaValue);
  w.WriteByte(DeleteFlag);
  w.WriteByte(Posted);
  UpperCode.SaveToBufWriter(w);
  ConclusionCode.SaveToBufWriter(w);
  w.WriteWord(UnlinkedIndex);
  w.WriteWord(uint16_t(Date));
  if (HasAuthorField(StorageType)) w.WriteWord(ADIdent);
}

void TDiscBlock::LoadFromBufReader(TBufReader& r, uint8_t storageType, TTextPool* pool) {
  StorageType = storageType;
  BlockNum = r.ReadWord();
  Num = r.ReadWord();
  Name.LoadFromBufReader(r, pool);
  SavedName.LoadFromBufReader(r, pool);
  TextType = r.ReadByte();
  Novelty = r.ReadByte();
  Importance = r.ReadByte();
  Possibility = r.ReadByte();
  FormulaValue = r.ReadByte();
  DeleteFlag = r.ReadByte();
  Posted = r.ReadByte();
  UpperCode.LoadFromBufReader(r);
  ConclusionCode.LoadFromBufReader(r);
  UnlinkedIndex = r.ReadWord();
  Date = int16_t(r.ReadWord());
  if (HasAuthorField(storageType)) ADIdent = r.ReadWord();
}

const char* TDiscBlock::Validate(uint8_t storageType) const {
  if (TextType < TextType_Heading || TextType > TextType_Formula) return "неверный вид текста блока";
  if (Novelty < 1 || Novelty > 2) return "неверная новизна блока";
  if (Importance < 1 || Importance > 2) return "неверная важность блока";
  if (Possibility > 100) return "неверная достоверность блока";
  if (FormulaValue > 1 || Posted > 1) return "неверный флаг блока";
  if (DeleteFlag > DeleteFlag_Recycled) return "неверное состояние блока";
  if (!UpperCode.IsEmpty() && !IsValidStorageType(UpperCode.StorageType)) return "неверный код верхнего блока";
  if (!ConclusionCode.IsEmpty() && !IsValidStorageType(ConclusionCode.StorageType)) return "неверный код вывода";
  if (Name.IsEmpty()) return "пустое имя блока";
  (void)storageType;
  return "";
}
