#include "model/Thyperrefblocks.h"

#include "model/Tdiscussion.h"

namespace {
uint32_t Key(TDiscBlockIndex index) { return (uint32_t(index.StorageType) << 16) | index.Index; }
uint64_t Key(const THyperRefBlock& pair) { return (uint64_t(Key(pair.Block)) << 32) | Key(pair.Referenced); }
}  // namespace

void THyperRefBlocks::IndexItems() {
  for (; uint32_t(Indexed) < Items.Count(); ++Indexed) {
    Pairs.insert(Key(Items[Indexed]));
    ++PairsOf[Key(Items[Indexed].Block)];
  }
}

void THyperRefBlocks::AddFound(const TArray<THyperRefBlock>& pairs) {
  if (Items.Count() == 0) {
    Items = pairs;
    return;
  }
  for (const THyperRefBlock& pair : pairs) Items.AddItem(pair);
}

void THyperRefBlocks::Add(TDiscBlockIndex block, TDiscBlockIndex referenced) {
  IndexItems();
  const THyperRefBlock pair{block, referenced};
  if (!Pairs.insert(Key(pair)).second) return;
  const int index = Items.AddEmptyItem();
  if (index < 0) {
    Pairs.erase(Key(pair));
    return;
  }
  Items[index] = pair;
  ++PairsOf[Key(block)];
  Indexed = Items.Count();
}

void THyperRefBlocks::RemoveBlock(TDiscBlockIndex block) {
  IndexItems();
  if (PairsOf.empty()) return;  // as while the references are read again after a load
  const auto count = PairsOf.find(Key(block));
  if (count == PairsOf.end()) return;
  PairsOf.erase(count);
  for (int i = Items.Count() - 1; i >= 0; --i)
    if (Items[i].Block == block) {
      Pairs.erase(Key(Items[i]));
      Items.Delete(i);
    }
  Indexed = Items.Count();
}

void THyperRefBlocks::RemoveReferenced(TDiscBlockIndex referenced) {
  IndexItems();
  for (int i = Items.Count() - 1; i >= 0; --i)
    if (Items[i].Referenced == referenced) {
      Pairs.erase(Key(Items[i]));
      if (--PairsOf[Key(Items[i].Block)] == 0) PairsOf.erase(Key(Items[i].Block));
      Items.Delete(i);
    }
  Indexed = Items.Count();
}

TDiscBlockIndex THyperRefBlocks::FindReferencedBlock(const TDiscussion& discussion, TDiscBlockIndex,
                                                     const std::string& name) const {
  return discussion.Storages.FindDiscBlockIndexByName(name);
}
