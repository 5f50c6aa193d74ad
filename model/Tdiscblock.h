#pragma once
// One block of a discussion.

#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"
#include "platform/rtl/Tdatetime.h"

#include <cstdint>
#include <string_view>
#include <type_traits>

class TDiscussion;
class TBufReader;
class TBufWriter;
class TTextPool;
class TRowMeasurer;
struct TRetrievalColors;
class TTextMatcher;

inline constexpr uint16_t NoUnlinkedBlockInfo = 0xFFFF;
inline constexpr uint16_t NoADIdent = 0xFFFF;
inline constexpr uint16_t UnmeasuredHeight = 0xFFFF;
// Stored dates are whole days since 30 December 1899 less this offset.
inline constexpr int BlockDateOffset = 30000;

// The codes of a block's fields in undo records.
enum : uint8_t {
  BlockField_None = 0,  // a field the undo list never records (the storage type)
  BlockField_BlockNum = 31,
  BlockField_Num = 32,
  BlockField_Name = 33,
  BlockField_SavedName = 34,
  BlockField_UpperCode = 35,
  BlockField_TextType = 36,
  BlockField_Novelty = 37,
  BlockField_Importance = 38,
  BlockField_Possibility = 39,
  BlockField_FormulaValue = 40,
  BlockField_UnlinkedIndex = 41,
  BlockField_DeleteFlag = 42,
  BlockField_Posted = 43,
  BlockField_Upper = 44,
  BlockField_Conclusion = 45,
  BlockField_Date = 46,
  BlockField_ConclusionCode = 47,
  BlockField_ADIdent = 48,
};

// Where a field of a block is kept.
enum class TBlockFieldKept : uint8_t {
  File,          // the block file, in the order of VisitBlockFields
  CommentFiles,  // the block files of comments and moderated comments only, after the others
  Memory,        // given by the storage, or found again from the codes on loading
};
template <TBlockFieldKept Where>
using TKept = std::integral_constant<TBlockFieldKept, Where>;

struct TDiscBlock {
  uint8_t StorageType = StorageType_None;
  uint16_t BlockNum = 0;  // unique in its storage
  uint16_t Num = 0;       // ordinal among the children of the upper block, used in names
  TStr Name;
  TStr SavedName;         // the name the block had when it first left state 0
  uint8_t TextType = TextType_Premise;
  uint8_t Novelty = 2;     // 1 new, 2 known
  uint8_t Importance = 2;  // 1 significant, 2 ordinary
  uint8_t Possibility = 100;
  uint8_t FormulaValue = 0;  // 1 when the formula's value is not 0
  uint8_t DeleteFlag = DeleteFlag_Alive;
  uint8_t Posted = 0;
  TDiscBlockIndex Upper;
  TDiscBlockCode UpperCode;
  TDiscBlockIndex Conclusion;
  TDiscBlockCode ConclusionCode;
  uint16_t UnlinkedIndex = NoUnlinkedBlockInfo;
  int16_t Date = 0;             // days - 30000
  uint16_t ADIdent = NoADIdent;  // the author of a comment or moderated comment
  // Row heights measured by the browse window; never stored.
  uint16_t HeightMode1 = UnmeasuredHeight;
  uint16_t HeightMode2 = UnmeasuredHeight;

  bool operator==(const TDiscBlock& other) const;  // every field of VisitBlockFields

  bool IsAlive() const { return DeleteFlag == DeleteFlag_Alive || DeleteFlag == DeleteFlag_Crossed; }
  TDateTime GetDate() const { return TDateTime(double(int(Date) + BlockDateOffset)); }
  void SetDate(TDateTime date);
  TStr GetBlockName(const TDiscussion& discussion) const;
  TDiscBlockCode GetDiscBlockCode() const { return TDiscBlockCode{StorageType, BlockNum}; }
  // Index of the block's author in the discussion's authors, -1 when there is none.
  int GetAuthor(TDiscussion& discussion) const;
  // The conclusion block's name, or "???" followed by the remembered conclusion name.
  TStr GetLinkText(const TDiscussion& discussion) const;
  // 1 when a note, comment or moderated comment hangs under the block, else 2.
  int GetCommentedState(const TDiscussion& discussion, TDiscBlockIndex own) const;
  // Composes the name from the block's storage, number and upper block.
  bool SetComposedBlockName(TDiscussion& discussion, TDiscBlockIndex own);
  // A name derived from the given one that no other block of this storage has.
  TStr MakeUniqueName(const TDiscussion& discussion, const TStr& name) const;
  // Copies the contents of a block of another (or the same) discussion: values, a live
  // or crossed state, the date, the unlinked-block record, the texts and the reader property.
  bool CopyContentsFrom(TDiscussion& target, TDiscBlockIndex own, TDiscussion& source, const TDiscBlock& sourceBlock,
                        TDiscBlockIndex sourceIndex);
  // Moves the block to another state (0 alive, 1 crossed, 2 erased, 3 recycled) with undo
  // records; the name is kept as the saved name when the block leaves state 0. Sends
  // notification 10 (queued, with the new state) and 3 for the block. lostParent tells
  // that the block has been cut from its upper block (the caller cleared the link).
  void SetDeleteFlag(TDiscussion& discussion, TDiscBlockIndex own, uint8_t value, int lostParent);
  // Whether the block meets a retrieval kind 1..18 (data: a theme index, a day number or
  // a post-list number); another kind is reported.
  bool IsRetrieval(TDiscussion& discussion, TDiscBlockIndex own, int kind, int32_t data, const TStr& text,
                   bool caseSensitive) const;
  // Alive, and one of its texts holds what the matcher looks for (Retrieval_Search).
  bool HoldsSearchedText(TDiscussion& discussion, TDiscBlockIndex own, const TTextMatcher& matcher) const;
  // A formula block chosen by the user for its conclusion.
  bool IsUserSelectedFormula(const TDiscussion& discussion) const;
  // Colours of the block's retrieval marks (see Blockretrieval.h).
  uint32_t GetRetrievalColor(TDiscussion& discussion, TDiscBlockIndex own, const TRetrievalColors& colors) const;
  uint32_t GetGraphRetrievalColorA(TDiscussion& discussion, TDiscBlockIndex own, const TRetrievalColors& colors) const;
  uint32_t GetGraphRetrievalColorB(TDiscussion& discussion, TDiscBlockIndex own, const TRetrievalColors& colors) const;
  uint32_t GetStorageTypeColor(const TRetrievalColors& colors) const;

  // Cached row heights; measured by the browse window when unknown.
  int GetLinesHeightMode1(TRowMeasurer& browse, TDiscussion& discussion, TDiscBlockIndex own, int level);
  int GetLinesHeightMode2(TRowMeasurer& browse, TDiscussion& discussion, TDiscBlockIndex own, int level);

  // The block's record in a command message (Blockrecord.h), its texts packed when the key
  // is not empty; false (reported) when it cannot be written.
  bool WriteToBufWriter(TBufWriter& writer, TDiscussion& discussion, TDiscBlockIndex own, std::string_view key) const;
  // The block's check value, the same that its record carries (Blockrecord.h).
  TStr ComposeTextLine(TDiscussion& discussion, TDiscBlockIndex own) const;

  // Stored form in the block file (see TBlocksStorage::SaveBlocks).
  void SaveToBufWriter(TBufWriter& writer) const;
  // Names are taken from the pool when one is given.
  void LoadFromBufReader(TBufReader& reader, uint8_t storageType, TTextPool* pool = nullptr);
  // Field checks after loading; an empty text when the record is sound.
  const char* Validate(uint8_t storageType) const;
};

// Every field of a block, listed once in stored order: visit(undo code, member pointer,
// TKept<where>). The block file's writer and reader, the comparison and the undo record of
// a block's changes all walk this list, so a new field gets its row here and nowhere else.
// The row heights are a cache of the browse window and no field.
template <class Visit>
void VisitBlockFields(Visit&& visit) {
  using enum TBlockFieldKept;
  visit(BlockField_BlockNum, &TDiscBlock::BlockNum, TKept<File>{});
  visit(BlockField_Num, &TDiscBlock::Num, TKept<File>{});
  visit(BlockField_Name, &TDiscBlock::Name, TKept<File>{});
  visit(BlockField_SavedName, &TDiscBlock::SavedName, TKept<File>{});
  visit(BlockField_TextType, &TDiscBlock::TextType, TKept<File>{});
  visit(BlockField_Novelty, &TDiscBlock::Novelty, TKept<File>{});
  visit(BlockField_Importance, &TDiscBlock::Importance, TKept<File>{});
  visit(BlockField_Possibility, &TDiscBlock::Possibility, TKept<File>{});
  visit(BlockField_FormulaValue, &TDiscBlock::FormulaValue, TKept<File>{});
  visit(BlockField_DeleteFlag, &TDiscBlock::DeleteFlag, TKept<File>{});
  visit(BlockField_Posted, &TDiscBlock::Posted, TKept<File>{});
  visit(BlockField_UpperCode, &TDiscBlock::UpperCode, TKept<File>{});
  visit(BlockField_ConclusionCode, &TDiscBlock::ConclusionCode, TKept<File>{});
  visit(BlockField_UnlinkedIndex, &TDiscBlock::UnlinkedIndex, TKept<File>{});
  visit(BlockField_Date, &TDiscBlock::Date, TKept<File>{});
  visit(BlockField_ADIdent, &TDiscBlock::ADIdent, TKept<CommentFiles>{});
  visit(BlockField_Upper, &TDiscBlock::Upper, TKept<Memory>{});
  visit(BlockField_Conclusion, &TDiscBlock::Conclusion, TKept<Memory>{});
  visit(BlockField_None, &TDiscBlock::StorageType, TKept<Memory>{});
}

inline bool HasAuthorField(uint8_t storageType) {
  return storageType == StorageType_Comments || storageType == StorageType_ModeratedComments;
}
