#pragma once
// One block of a discussion.

#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"
#include "platform/rtl/Tdatetime.h"

#include <cstdint>
#include <string_view>

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

  bool operator==(const TDiscBlock& other) const;  // every stored field

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

inline bool HasAuthorField(uint8_t storageType) {
  return storageType == StorageType_Comments || storageType == StorageType_ModeratedComments;
}
