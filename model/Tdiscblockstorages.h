#pragma once
// The four block storages of a discussion.

#include "model/Tblocksstorage.h"

#include <string>
#include <span>
#include <string_view>
#include <vector>

class TDiscBlockStorages {
public:
  TBlocksStorage Model{StorageType_Model};
  TBlocksStorage Comments{StorageType_Comments};
  TBlocksStorage Notes{StorageType_Notes};
  TBlocksStorage ModeratedComments{StorageType_ModeratedComments};

  // The storage of a type 1..4; null (reported) for another type.
  TBlocksStorage* GetStorage(uint8_t storageType);
  const TBlocksStorage* GetStorage(uint8_t storageType) const;

  // The block a reference points to; null (reported) for an empty or dangling reference.
  TDiscBlock* GetDiscBlock(TDiscBlockIndex index);
  const TDiscBlock* GetDiscBlock(TDiscBlockIndex index) const;
  bool IsValidIndex(TDiscBlockIndex index) const;
  TStrHashItem* GetStrHashItem(TDiscBlockIndex index);
  const TStrHashItem* GetStrHashItem(TDiscBlockIndex index) const;

  // The reference of the block with that code; empty when absent.
  TDiscBlockIndex FindDiscBlockIndex(TDiscBlockCode code) const;
  // The reference of the block with that name: the storage its form names first, then all
  // storages in the order model blocks, moderated comments, comments, notes; empty when none.
  TDiscBlockIndex FindDiscBlockIndexByName(const std::string& name) const;
  // The same while every storage's name index is as loading left it: reads them only, so
  // that several threads may look up at once.
  TDiscBlockIndex FindLoadedDiscBlockIndexByName(const std::string& name) const;
  // The same for the names of many references at once, the block of the i-th at [i]: each
  // name's slot in the index is asked for ahead of its lookup, so that the waits for memory
  // overlap.
  std::vector<TDiscBlockIndex> FindLoadedDiscBlockIndicesByName(std::span<const TNamedReference> references) const;

  // The model's root block (the model block without an upper block named "*").
  TDiscBlockIndex GetRootBlockIndex() const;

  // Whether candidate is the block itself or lies on its chain of upper blocks. The walk
  // stops after as many steps as there are blocks, so a cycle in damaged or received
  // data cannot hang it.
  bool IsInUpperChain(TDiscBlockIndex block, TDiscBlockIndex candidate) const;

  // Blocks whose upper or conclusion block was `from` point to `to` (undo records).
  void RelinkBlocks(TDiscussion& discussion, TDiscBlockIndex from, TDiscBlockIndex to);
  // Links again every live block whose kept upper or conclusion name now resolves; the
  // number of blocks relinked.
  int RelinkUnlinkedBlocks(TDiscussion& discussion);
  // Formula blocks whose conclusion was the block lose it, keeping its name.
  void UnlinkFormulaBlocks(TDiscussion& discussion, TDiscBlockIndex conclusion);
  // Every crossed or recycled block becomes erased.
  void EraseMarkedBlocks(TDiscussion& discussion);
  // Copies the live lower blocks of a source block (of this or another discussion) under
  // a new block; whether any were copied.
  bool CopyBlockTree(TDiscussion& discussion, TDiscBlockIndex newBlock, TDiscussion& source, TDiscBlockIndex sourceBlock);

  int TotalCount() const;
  void Clear();
};
