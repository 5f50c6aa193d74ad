#include "model/Tdiscblock.h"

#include "foundation/Storedfields.h"
#include "foundation/Terror.h"
#include "model/Blocknames.h"
#include "model/Commentnames.h"
#include "model/Tdiscussion.h"

#include <cmath>
#include <string>
#include <type_traits>

bool TDiscBlock::operator==(const TDiscBlock& o) const {
  bool same = true;
  VisitBlockFields([&](uint8_t, auto field, auto) { same = same && this->*field == o.*field; });
  return same;
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

std::string ComposedCommentName(const TDiscussion& discussion, uint16_t adident, uint16_t num, bool moderated) {
  const int author = discussion.Authors.FindAuthorByADIdent(adident);
  return (author >= 0 ? discussion.Authors.Author(author).GetIdentText().ToString() : std::to_string(adident)) + "-" +
         std::to_string(num) + (moderated ? "M" : "");
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
    case StorageType_ModeratedComments:
      name = ComposedCommentName(discussion, ADIdent, Num, StorageType == StorageType_ModeratedComments);
      break;
    case StorageType_Notes:
      name = std::string(NotesNamePrefix) + "-" + std::to_string(Num);
      break;
    default:
      TError::Report("TDiscBlock::SetComposedBlockName - неверный тип хранилища блоков");
      return false;
  }
  Name = TStr(name.c_str());
  if (TBlocksStorage* storage = discussion.Storages.GetStorage(own.StorageType)) storage->NameChanged(own.Index);
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

namespace {

// Block record in the block file: the fields of VisitBlockFields kept in the file, each in
// its own width (a text as texts are stored, a block code as u8 storage type and u16
// number); the author's ADIdent in comment storages only. Positions of upper and
// conclusion blocks are found again from their codes.
template <class Block, class Each>
void ForEachFileField(Block& block, uint8_t storageType, Each&& each) {
  const bool withAuthor = HasAuthorField(storageType);
  VisitBlockFields([&](uint8_t, auto field, auto kept) {
    using enum TBlockFieldKept;
    if constexpr (decltype(kept)::value == File) each(block.*field);
    if constexpr (decltype(kept)::value == CommentFiles)
      if (withAuthor) each(block.*field);
  });
}

}  // namespace

void TDiscBlock::SaveToBufWriter(TBufWriter& w) const {
  ForEachFileField(*this, StorageType, [&](const auto& field) { storedfields::Write(w, field); });
}

void TDiscBlock::LoadFromBufReader(TBufReader& r, uint8_t storageType, TTextPool* pool) {
  StorageType = storageType;
  // Texts (the names) are taken from the pool when one is given.
  ForEachFileField(*this, storageType, [&](auto& field) {
    if constexpr (std::is_same_v<std::decay_t<decltype(field)>, TStr>) field.LoadFromBufReader(r, pool);
    else storedfields::Read(r, field);
  });
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
