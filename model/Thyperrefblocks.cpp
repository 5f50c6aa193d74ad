#include "model/Thyperrefblocks.h"

#include "model/Tdiscussion.h"

namespace {
uint32_t Key(TDiscBlockIndex index) { return (uint32_t(index.StorageType) << 16) | index.Index; }
uint64_t Key(const THyperRefBlock& pair) { return (uint64_t(Key(pair.Block)) << 32) | Key(pair.Referenced); }
}  // namespace

void THyperRefBlocks::Add(TDiscBlockIndex block, TDiscBlockIndex referenced) {
  const THyperRefBlock pair{block, referenced};
  if (!Pairs.insert(Key(pair)).second) return;
  const int index = Items.AddEmptyItem();
  if (index < 0) {
    Pairs.erase(Key(pair));
    return;
  }
  Items[index] = pair;
  ++PairsOf[Key(block)];
}

void THyperRefBlocks::RemoveBlock(TDiscBlockIndex block) {
  if (PairsOf.empty()) return;  // as while the references are read again after a load
  const auto count = PairsOf.find(Key(block));
  if (count == PairsOf.end()) return;
  PairsOf.erase(count);
  for (int i = Items.Count() - 1; i >= 0; --i)
    if (Items[i].Block == block) {
      Pairs.erase(Key(Items[i]));
      Items.Delete(i);
    }
}

void THyperRefBlocks::RemoveReferenced(TDiscBlockIndex referenced) {
  for (int i = Items.Count() - 1; i >= 0; --i)
    if (Items[i].Referenced == referenced) {
      Pairs.erase(Key(Items[i]));
      if (--PairsOf[Key(Items[i].Block)] == 0) PairsOf.erase(Key(Items[i].Block));
      Items.Delete(i);
    }
}

TDiscBlockIndex THyperRefBlocks::FindReferencedBlock(const TDiscussion& discussion, TDiscBlockIndex,
                                                     const std::string& name) const {
  return discussion.Storages.FindDiscBlockIndexByName(name);
}
