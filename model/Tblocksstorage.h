#pragma once
// One block storage: its blocks, their texts and the running block number.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "model/Tdiscblock.h"
#include "model/Tdiscblockstr.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class TDiscussion;
class TBufReader;
class TBufWriter;
class TTextPool;

// Most blocks one storage can hold: positions are 16-bit.
inline constexpr int MaxBlocksInStorage = 0xFFFF;

// A name as the name index files it, made ready once to be looked up in any storage: the
// name's hash, the storage its form names first (StorageType_None for none), its length
// and its first characters, the whole name when it is short, as most are: a lookup that
// has them compares them with one slot of the index and reads nothing else, neither the
// text the name came from, nor a block, nor a block's name.
struct TBlockName {
  static constexpr size_t Kept = 13;  // characters kept
  struct TKey {
    uint8_t Length = 0;  // 255 for 255 and more
    char Head[Kept] = {};
    bool operator==(const TKey&) const = default;
    bool Whole() const { return Length <= Kept; }
  };
  TBlockName() = default;
  explicit TBlockName(std::string_view name);
  static size_t HashOf(std::string_view name);

  std::string_view Name;  // the name itself, for a longer one
  TKey Key;
  uint8_t Form = 0;
  size_t Hash = 0;
};

// A reference met in a block's text while loading: the block, and the name.
struct TNamedReference {
  TDiscBlockIndex Own;
  TBlockName Name;
};

// A storage's texts as read from its text file, before they meet its blocks.
struct TReadTexts {
  static constexpr const char* CountMismatch = "число текстов не равно числу блоков";
  bool Counted = false;  // the count was read
  uint32_t Count = 0;    // texts the file claims
  TArray<TStrHashItem> Items;
  // The references "<name>" the texts hold, in their order: the text's position, whether it
  // stands in the formula text (which names blocks only in a formula block), and the name,
  // made ready while the text was at hand.
  struct TNaming {
    uint16_t Position;
    bool InFormula;
    TBlockName Name;
  };
  std::vector<TNaming> Naming;
};

class TBlocksStorage {
public:
  explicit TBlocksStorage(uint8_t storageType = StorageType_None) : StorageType(storageType) {}

  uint8_t StorageType;
  uint16_t LastBlockNum = 0;  // the number given to the last block appended
  TArray<TDiscBlock> Blocks;

  int Count() const { return Blocks.Count(); }
  TDiscBlock& Block(int index) { return Blocks[index]; }
  const TDiscBlock& Block(int index) const { return Blocks[index]; }
  TStrHashItem& Texts(int index) { return TextItems[index]; }
  const TStrHashItem& Texts(int index) const { return TextItems[index]; }

  // Appends a default block of this storage with an empty text item; -1 (reported)
  // when the storage is full.
  int AddEmptyItem();
  // A new block at the end of this storage: its slot, a block number of the storage's own,
  // its kind, and its upper block with that block's code (none when `upper` is empty).
  // -1 (reported) when the storage is full or its block numbers are used up; no slot is
  // left taken then. The caller numbers, names and fills it, records its creation for
  // undo where the user made it, and announces it with NewBlockAdded.
  int AppendBlock(const TDiscussion& discussion, TDiscBlockIndex upper);
  // Removes the last block (the undoing of its creation).
  void DeleteLastItem(TDiscussion& discussion);
  // The next block number (stored back); -1 (reported) when the numbers are used up.
  int TakeNewBlockNum();
  // The next number under the upper block: the highest child number + 1 for model blocks,
  // the user's note counter + 1 for notes (stored back), the storage's highest number + 1
  // for comments; -1 (reported) when the numbers are used up.
  int GetNewBlockNumber(TDiscussion& discussion, TDiscBlockIndex upper);
  // Makes room for child number `number` under the upper block: the model blocks or notes
  // under it numbered at or above it move up by one (undo records, notification 3). A
  // note moved above the user's note counter raises the counter, so that the counter never
  // hands out a number in use; the caller records the counter first. Other storages are
  // reported.
  void InsertChildNum(TDiscussion& discussion, TDiscBlockIndex upper, uint16_t number);
  // Bookkeeping after a block was appended or replaced: name index, graph, notification 12.
  void NewBlockAdded(TDiscussion& discussion, int index, int flag);

  // Renumbers the model blocks under the root 1, 2, ... in their order and composes their
  // names again (undo records); only while the discussion's renumbering switch is on.
  void RenumBlocks(TDiscussion& discussion, TDiscBlockIndex root);
  // Evaluates a formula block; with mark set the formula-error flag of its unlinked-block
  // record follows the result. False when the formula is invalid.
  bool CheckFormula(TDiscussion& discussion, int index, int mark);
  // Checks the references "<name>" in the block's texts and keeps the resolved ones as
  // hyper-references; with mark set the lost-hyperrefs flag follows the result. False
  // when a name does not resolve.
  bool CheckReferences(TDiscussion& discussion, int index, int mark, int keep);

  // Lookups through indices built on demand; -1 when absent.
  int FindByBlockNum(uint16_t blockNum) const;
  int FindByName(const std::string& name) const;
  // FindByBlockNum while the number index is as LoadBlocks left it: reads it only, so that
  // several threads may look up at once.
  int FindLoadedBlockNum(uint16_t blockNum) const {
    const uint16_t found = blockNum < NumIndex.size() ? NumIndex[blockNum] : NotIndexed;
    return found == NotIndexed ? -1 : found;
  }
  // FindByName while the name index is as LoadBlocks left it (every block of the file in
  // it): reads it only, so that several threads may look up at once.
  int FindLoadedName(const std::string& name) const { return FindLoadedName(TBlockName(name)); }
  int FindLoadedName(const TBlockName& name) const;
  // Asks for the index slot of the name to be brought near, ahead of its lookup.
  void PrefetchLoadedName(const TBlockName& name) const {
    if (!NameIndex.empty()) __builtin_prefetch(&NameIndex[name.Hash & (NameIndex.size() - 1)]);
  }
  // Names changed: the name index is rebuilt on the next lookup. Whoever renames a block
  // either goes through SetBlockName or NameChanged, or clears the index. Blocks appended
  // since the last lookup join the index then, named as they are then.
  void ClearNameIndex() { NameIndexValid = false; }
  void NameChanged(int index) {
    if (index < NameIndexed) NameIndexValid = false;
  }
  // Block numbers are given right after a block is appended; whoever changes the number of
  // another block clears the indices.
  void ClearIndices() { NameIndexValid = NumIndexValid = false; }
  void SetBlockName(int index, const TStr& name);
  // The positions of this storage's blocks whose upper block is `upper` (of any storage),
  // alive or not, in position order. Blocks appended since the last lookup join the index
  // then; whoever changes the upper link of a block already in place clears it.
  std::vector<uint16_t> LowerBlocks(TDiscBlockIndex upper) const;
  void ClearLowerIndex() const;

  void Clear();

  // The block file and the block text file of this storage.
  void SaveBlocks(TBufWriter& writer) const;
  void SaveTexts(TBufWriter& writer) const;
  // The block file and the block text file are read at the same time, the texts apart
  // from the blocks, and joined when both are read. LoadBlocks reads the blocks into this
  // (empty) storage, their names from the pool; an empty text when sound, else what is
  // wrong. ReadTexts reads the texts file into `texts` without touching the storage; an
  // empty text when sound, else what is wrong with its content. TakeTexts joins the texts
  // read to the blocks: what is wrong when their counts differ (which outweighs what
  // ReadTexts found), else an empty text, the texts taken and the references their texts
  // hold appended to `references`.
  std::string LoadBlocks(TBufReader& reader, TTextPool& pool);
  std::string ReadTexts(TBufReader& reader, TTextPool& pool, TReadTexts& texts) const;
  std::string TakeTexts(TReadTexts& texts, std::vector<TNamedReference>& references);

 private:
  void BuildNameIndex() const;
  void IndexName(int index) const;
  // The block of that name in the index as it is, -1 when none; -1 too when the name's slot
  // can only be told by its block and the block is named otherwise (`stale` then).
  int ProbeName(const TBlockName& name, bool& stale) const;

  TArray<TStrHashItem> TextItems;
  // Open addressing over the names: a slot holds the block's position + 1 (0 for a free
  // slot) and the key of its name.
  struct TNameSlot {
    uint16_t Position = 0;
    TBlockName::TKey Key;
  };
  mutable std::vector<TNameSlot> NameIndex;
  // By block number, the position of the block (NotIndexed for none); as long as the
  // highest number indexed.
  static constexpr uint16_t NotIndexed = 0xFFFF;
  mutable std::vector<uint16_t> NumIndex;
  mutable bool NameIndexValid = false;
  mutable int NameIndexed = 0;  // positions below it are in NameIndex
  mutable bool NumIndexValid = false;
  mutable int NumIndexed = 0;  // positions below it are in NumIndex
  // Positions by upper block, for positions below LowerIndexed; a position whose upper link
  // changed since stays in its old list until the list is read (filtered out then).
  mutable std::unordered_map<intptr_t, std::vector<uint16_t>> LowerIndex;
  mutable int LowerIndexed = 0;
};
