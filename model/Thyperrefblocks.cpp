#include "model/Thyperrefblocks.h"

#include "model/Tdiscussion.h"

void THyperRefBlocks::Add(TDiscBlockIndex block, TDiscBlockIndex referenced) {
  const THyperRefBlock pair{block, referenced};
  for (int i = 0; i < int(Items.Count()); ++i)
    if (Items[i] == pair) return;
  const int index = Items.AddEmptyItem();
  if (index >= 0) Items[index] = pair;
}

void THyperRefBlocks::RemoveBlock(TDiscBlockIndex block) {
  for (int i = Items.Count() - 1; i >= 0; --i)
    if (Items[i].Block == block) Items.Delete(i);
}

TDiscBlockIndex THyperRefBlocks::FindReferencedBlock(const TDiscussion& discussion, TDiscBlockIndex,
                                                     const std::string& name) const {
  return discussion.Storages.FindDiscBlockIndexByName(name);
}
