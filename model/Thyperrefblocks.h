#pragma once
// References from the texts of blocks to other blocks: pairs (referring block, referenced block).

#include "foundation/Tarray.h"
#include "model/Tdiscblockindex.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

class TDiscussion;

struct THyperRefBlock {
  TDiscBlockIndex Block;       // the block whose text or formula holds the reference
  TDiscBlockIndex Referenced;  // the block it names
  bool operator==(const THyperRefBlock& other) const = default;
};

class THyperRefBlocks {
public:
  TArray<THyperRefBlock> Items;

  // Adds the pair once.
  void Add(TDiscBlockIndex block, TDiscBlockIndex referenced);
  // Appends pairs it does not hold yet, each once (those found in the texts after a load):
  // the lookups that keep adding and removing cheap are made at the first change after.
  void AddFound(const TArray<THyperRefBlock>& pairs);
  // Drops every pair of the referring block.
  void RemoveBlock(TDiscBlockIndex block);
  // Drops every pair naming the block (a block that disappears).
  void RemoveReferenced(TDiscBlockIndex referenced);
  // The block that a name in a block's text names; empty when the name does not resolve.
  TDiscBlockIndex FindReferencedBlock(const TDiscussion& discussion, TDiscBlockIndex block, const std::string& name) const;
  void Clear() {
    Items.Clear();
    Pairs.clear();
    PairsOf.clear();
    Indexed = 0;
  }

 private:
  void IndexItems();
  int Indexed = 0;  // the items below it are in Pairs and PairsOf
  // Kept beside the items so that adding and removing stay cheap with many references.
  std::unordered_set<uint64_t> Pairs;
  std::unordered_map<uint32_t, int> PairsOf;  // referring block -> its pairs
};
