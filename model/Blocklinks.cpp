#include "model/Blocklinks.h"

#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "model/Blocknames.h"
#include "model/Tdiscussion.h"
#include "platform/rtl/Ttaskgroup.h"

#include <algorithm>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

// The new state of SetDeleteFlag travels in word 2 of notification 10.
void SendStateNotification(const TDiscussion& discussion, uint8_t state) {
  TListeners::SendPair(Notify_BlocksDeleted, reinterpret_cast<intptr_t>(&discussion), intptr_t(state), true);
}

// Sets a block's link (upper or conclusion) with undo records of both fields.
void SetLink(TDiscussion& discussion, TDiscBlockIndex own, bool upper, TDiscBlockIndex to) {
  TDiscBlock& block = *discussion.Storages.GetDiscBlock(own);
  const TDiscBlock old = block;
  const TDiscBlockCode code = to.IsEmpty() ? TDiscBlockCode{} : discussion.Storages.GetDiscBlock(to)->GetDiscBlockCode();
  (upper ? block.Upper : block.Conclusion) = to;
  if (upper) discussion.Storages.GetStorage(own.StorageType)->ClearLowerIndex();
  (upper ? block.UpperCode : block.ConclusionCode) = code;
  discussion.Undo.AddDiscBlockChanges(discussion, own, old);
}

// Sets or clears one trouble flag of the block's unlinked-block record, when it changes.
void MarkTrouble(TDiscussion& discussion, TDiscBlockIndex own, uint8_t TUnlinkedBlockInfo::*flag, bool trouble) {
  const uint16_t record = discussion.Storages.GetDiscBlock(own)->UnlinkedIndex;
  const bool marked = record != NoUnlinkedBlockInfo && record < discussion.UnlinkedBlockInfos.Count() &&
                      discussion.UnlinkedBlockInfos[record].*flag;
  if (marked != trouble)
    ChangeUnlinkedBlockInfo(discussion, own, [&](TUnlinkedBlockInfo& info) { info.*flag = trouble ? 1 : 0; });
}

std::vector<TDiscBlockIndex> AllBlocks(const TDiscBlockStorages& storages) {
  std::vector<TDiscBlockIndex> all;
  for (uint8_t type = StorageType_Model; type <= StorageType_ModeratedComments; ++type)
    for (int i = 0; i < storages.GetStorage(type)->Count(); ++i) all.push_back(TDiscBlockIndex{type, uint16_t(i)});
  return all;
}

}  // namespace

bool ChangeUnlinkedBlockInfo(TDiscussion& discussion, TDiscBlockIndex own,
                             const std::function<void(TUnlinkedBlockInfo&)>& change) {
  TDiscBlock* block = discussion.Storages.GetDiscBlock(own);
  if (block == nullptr) return false;
  int record = block->UnlinkedIndex;
  if (record == NoUnlinkedBlockInfo || record >= int(discussion.UnlinkedBlockInfos.Count())) {
    record = AddUnlinkedBlockInfo(discussion.UnlinkedBlockInfos, discussion, block->GetDiscBlockCode());
    if (record < 0) return false;
    discussion.Undo.AddDiscBlockFieldChange(discussion, own, BlockField_UnlinkedIndex, block->UnlinkedIndex);
    block->UnlinkedIndex = uint16_t(record);
  }
  TUnlinkedBlockInfo& info = discussion.UnlinkedBlockInfos[record];
  const TUnlinkedBlockInfo old = info;
  change(info);
  discussion.Undo.AddUnlinkedBlockInfoChanges(discussion, record, old);
  if (info.IsEmpty()) {
    discussion.Undo.AddDiscBlockFieldChange(discussion, own, BlockField_UnlinkedIndex, block->UnlinkedIndex);
    block->UnlinkedIndex = NoUnlinkedBlockInfo;
  }
  return true;
}

namespace {

// Where the next reference "<name>" at or after `from` starts, and its length with the
// brackets; npos when there is none.
size_t FindTextReference(std::string_view text, size_t from, int& length) {
  // Texts are zero-terminated (TStr), which GetBlockNameLength relies on.
  for (size_t pos = text.find('<', from); pos != std::string_view::npos; pos = text.find('<', pos + 1))
    if ((length = GetBlockNameLength(text.data() + pos)) > 2) return pos;
  return std::string_view::npos;
}

}  // namespace

void ForEachTextReference(std::string_view text, const std::function<void(const std::string&, size_t)>& found) {
  int length = 0;
  for (size_t pos = FindTextReference(text, 0, length); pos != std::string_view::npos;
       pos = FindTextReference(text, pos + 1, length))
    found(std::string(text.substr(pos + 1, size_t(length) - 2)), pos + 1);
}

void CollectTextReferences(std::string_view text, std::vector<std::string_view>& names) {
  int length = 0;
  for (size_t pos = FindTextReference(text, 0, length); pos != std::string_view::npos;
       pos = FindTextReference(text, pos + 1, length))
    names.push_back(text.substr(pos + 1, size_t(length) - 2));
}

bool TestTextReferences(TDiscussion& discussion, TDiscBlockIndex own, const TStr& text, TStr& errorText, bool store) {
  errorText.Clear();
  // Most texts name no block: they are passed over without setting up the walk.
  if (text.View().find('<') == std::string_view::npos) return true;
  std::string missing;
  ForEachTextReference(text.View(), [&](const std::string& name, size_t) {
    const TDiscBlockIndex referenced = discussion.Storages.FindDiscBlockIndexByName(name);
    if (referenced.IsEmpty()) {
      if (missing.empty()) missing = "Block <" + name + "> not found";
      return;
    }
    if (store && !own.IsEmpty()) discussion.HyperRefBlocks.Add(own, referenced);
  });
  errorText = missing;
  return missing.empty();
}

void RebuildHyperRefBlocks(TDiscussion& discussion, const std::vector<TNamedReference>& references) {
  discussion.HyperRefBlocks.Clear();
  // The names are looked up on several threads, a run each, all of a block's in one run;
  // what they find is kept in the blocks' order, as one thread looking them up would.
  constexpr size_t FewestInRun = 2048;
  const size_t runs = std::min(size_t(TTaskGroup::Threads()), (references.size() + FewestInRun - 1) / FewestInRun);
  std::vector<size_t> starts(runs + 1, references.size());
  for (size_t run = 0; run < runs; ++run) {
    size_t& start = starts[run];
    start = references.size() * run / runs;
    while (start > 0 && start < references.size() && references[start].Own == references[start - 1].Own) ++start;
  }
  std::vector<TArray<THyperRefBlock>> found(runs);
  TTaskGroup tasks;
  for (size_t run = 0; run < runs; ++run)
    tasks.Run([&discussion, &references, &found, &starts, run] {
      const size_t from = starts[run], to = std::max(from, starts[run + 1]);
      // All at once, so that the lookups' waits for memory overlap.
      const std::vector<TDiscBlockIndex> referenced = discussion.Storages.FindLoadedDiscBlockIndicesByName(
          std::span<const TNamedReference>(references).subspan(from, to - from));
      TArray<THyperRefBlock>& pairs = found[run];
      pairs.SetCapacity(uint32_t(to - from));
      uint32_t ownFirst = 0;
      for (size_t k = 0; k < referenced.size(); ++k) {
        const TDiscBlockIndex own = references[from + k].Own;
        if (k == 0 || !(own == references[from + k - 1].Own)) ownFirst = pairs.Count();
        if (referenced[k].IsEmpty()) continue;
        // A block names another once however often its texts name it.
        bool again = false;
        for (uint32_t j = ownFirst; j < pairs.Count() && !again; ++j) again = pairs[j].Referenced == referenced[k];
        if (!again) pairs.AddItem(THyperRefBlock{own, referenced[k]});
      }
    });
  tasks.Wait();
  for (const TArray<THyperRefBlock>& pairs : found) discussion.HyperRefBlocks.AddFound(pairs);
}

void TDiscBlock::SetDeleteFlag(TDiscussion& discussion, TDiscBlockIndex own, uint8_t value, int) {
  if (value > DeleteFlag_Recycled) {
    TError::Report("TDiscBlock::SetDeleteFlag - неверное состояние блока");
    return;
  }
  if (DeleteFlag == value) return;
  if (DeleteFlag == DeleteFlag_Alive && !(SavedName == Name)) {
    discussion.Undo.AddDiscBlockStrFieldChange(discussion, own, BlockField_SavedName, SavedName);
    SavedName = Name;
  }
  discussion.Undo.AddDiscBlockFieldChange(discussion, own, BlockField_DeleteFlag, DeleteFlag);
  DeleteFlag = value;
  // Windows drop the rows of erased and recycled blocks; a crossed or restored block only
  // repaints (the block-changed notice below).
  if (value == DeleteFlag_Erased || value == DeleteFlag_Recycled) SendStateNotification(discussion, value);
  SendBlockNotification(Notify_BlockChanged, discussion, own, false);
}

void TDiscBlockStorages::RelinkBlocks(TDiscussion& discussion, TDiscBlockIndex from, TDiscBlockIndex to) {
  if (from.IsEmpty() || from == to) return;
  if (!to.IsEmpty() && !IsValidIndex(to)) {
    TError::Report("TDiscBlockStorages::RelinkBlocks - неверная ссылка на блок");
    return;
  }
  for (const TDiscBlockIndex own : AllBlocks(*this)) {
    const TDiscBlock& block = *GetDiscBlock(own);
    // A block never becomes its own upper block or falls under itself.
    if (block.Upper == from && !(own == to) && !(to.IsEmpty() ? false : IsInUpperChain(to, own)))
      SetLink(discussion, own, true, to);
    if (block.Conclusion == from && !(own == to)) SetLink(discussion, own, false, to);
  }
}

int TDiscBlockStorages::RelinkUnlinkedBlocks(TDiscussion& discussion) {
  int relinked = 0;
  for (const TDiscBlockIndex own : AllBlocks(*this)) {
    const TDiscBlock& block = *GetDiscBlock(own);
    if (!block.IsAlive() || block.UnlinkedIndex == NoUnlinkedBlockInfo ||
        block.UnlinkedIndex >= discussion.UnlinkedBlockInfos.Count())
      continue;
    const TUnlinkedBlockInfo info = discussion.UnlinkedBlockInfos[block.UnlinkedIndex];
    bool linked = false;
    if (info.LostParent && !info.ParentName.IsEmpty()) {
      const TDiscBlockIndex upper = FindDiscBlockIndexByName(info.ParentName.ToString());
      if (!upper.IsEmpty() && !IsInUpperChain(upper, own)) {
        SetLink(discussion, own, true, upper);
        ChangeUnlinkedBlockInfo(discussion, own, [](TUnlinkedBlockInfo& record) {
          record.LostParent = 0;
          record.ParentName.Clear();
        });
        linked = true;
      }
    }
    if (info.LostConclusion && !info.ConclusionName.IsEmpty()) {
      const TDiscBlockIndex conclusion = FindDiscBlockIndexByName(info.ConclusionName.ToString());
      if (!conclusion.IsEmpty() && !(conclusion == own) && GetDiscBlock(conclusion)->TextType == TextType_Conclusion) {
        SetLink(discussion, own, false, conclusion);
        ChangeUnlinkedBlockInfo(discussion, own, [](TUnlinkedBlockInfo& record) {
          record.LostConclusion = 0;
          record.ConclusionName.Clear();
        });
        linked = true;
      }
    }
    if (IsErrorReported()) return relinked;
    if (linked) {
      ++relinked;
      SendBlockNotification(Notify_BlockChanged, discussion, own, true);
    }
  }
  return relinked;
}

void TDiscBlockStorages::UnlinkFormulaBlocks(TDiscussion& discussion, TDiscBlockIndex conclusion) {
  if (!IsValidIndex(conclusion)) return;
  const TStr name = GetDiscBlock(conclusion)->Name;
  for (const TDiscBlockIndex own : AllBlocks(*this)) {
    const TDiscBlock& block = *GetDiscBlock(own);
    if (block.TextType != TextType_Formula || !(block.Conclusion == conclusion)) continue;
    if (!ChangeUnlinkedBlockInfo(discussion, own, [&](TUnlinkedBlockInfo& record) {
          record.LostConclusion = 1;
          record.ConclusionName = name;
        }))
      return;
    SetLink(discussion, own, false, {});
    SendBlockNotification(Notify_BlockChanged, discussion, own, false);
  }
}

void TDiscBlockStorages::EraseMarkedBlocks(TDiscussion& discussion) {
  for (const TDiscBlockIndex own : AllBlocks(*this)) {
    TDiscBlock& block = *GetDiscBlock(own);
    if (block.DeleteFlag == DeleteFlag_Crossed || block.DeleteFlag == DeleteFlag_Recycled)
      block.SetDeleteFlag(discussion, own, DeleteFlag_Erased, 0);
  }
}

bool TDiscBlockStorages::CopyBlockTree(TDiscussion& discussion, TDiscBlockIndex newBlock, TDiscussion& source,
                                       TDiscBlockIndex sourceBlock) {
  if (!IsValidIndex(newBlock) || !source.Storages.IsValidIndex(sourceBlock)) return false;
  // The whole subtree is listed before anything is added, so that copies made under a
  // block inside the source tree are never copied again. Lower blocks come from the
  // storages' indices, so the cost follows the subtree, not the discussion.
  struct TCopy {
    TDiscBlockIndex Source;
    int Parent;  // position in the list of the copied upper block, -1 for newBlock
  };
  std::vector<TCopy> copies;
  std::unordered_set<intptr_t> listed{PackDiscBlockIndex(sourceBlock)};
  if (&source == &discussion) listed.insert(PackDiscBlockIndex(newBlock));
  std::vector<std::pair<TDiscBlockIndex, int>> queue{{sourceBlock, -1}};
  for (size_t next = 0; next < queue.size(); ++next)
    for (uint8_t type = StorageType_Model; type <= StorageType_ModeratedComments; ++type) {
      const TBlocksStorage& storage = *source.Storages.GetStorage(type);
      for (const uint16_t at : storage.LowerBlocks(queue[next].first)) {
        const TDiscBlockIndex child{type, at};
        if (!storage.Block(at).IsAlive() || !listed.insert(PackDiscBlockIndex(child)).second) continue;
        copies.push_back(TCopy{child, queue[next].second});
        queue.push_back({child, int(copies.size()) - 1});
      }
    }
  if (copies.empty()) return false;
  const bool crossModel = &source != &discussion && discussion.IsCreating() && newBlock.StorageType == StorageType_Model;
  std::vector<TDiscBlockIndex> made;
  // Numbers run on from the first one taken: per upper block for model blocks, per storage
  // for comments (notes take the user's counter), without a walk for each copy.
  std::unordered_map<intptr_t, int> counters;
  for (const TCopy& copy : copies) {
    const TDiscBlockIndex upper = copy.Parent < 0 ? newBlock : made[size_t(copy.Parent)];
    const TDiscBlock sourceRecord = *source.Storages.GetDiscBlock(copy.Source);
    uint8_t type = crossModel ? uint8_t(StorageType_Model) : sourceRecord.StorageType;
    const uint8_t upperType = upper.StorageType;
    // A model block only under a model block, a comment only under a model block or a
    // comment; whatever cannot stay a comment or model block becomes a note.
    if (type == StorageType_Model && upperType != StorageType_Model) type = StorageType_Notes;
    if ((type == StorageType_Comments || type == StorageType_ModeratedComments) && upperType == StorageType_Notes)
      type = StorageType_Notes;
    TBlocksStorage& storage = *GetStorage(type);
    const int index = storage.AppendBlock(discussion, upper);
    if (index < 0) return !made.empty();
    const TDiscBlockIndex own{type, uint16_t(index)};
    TDiscBlock& block = storage.Block(index);
    block.TextType = sourceRecord.TextType;
    block.ADIdent = type == StorageType_Comments || type == StorageType_ModeratedComments ? sourceRecord.ADIdent : NoADIdent;
    discussion.Undo.AddDiscBlockCreation(discussion, own);
    int childNumber = 0;
    if (type == StorageType_Notes) {
      childNumber = storage.GetNewBlockNumber(discussion, upper);
    } else {
      const intptr_t key = type == StorageType_Model ? PackDiscBlockIndex(upper) : -intptr_t(type);
      const auto [counter, first] = counters.try_emplace(key, 0);
      if (first) counter->second = storage.GetNewBlockNumber(discussion, upper) - 1;
      if (counter->second >= 0) childNumber = ++counter->second;
      if (childNumber > 0xFFFF) {
        TError::Report("TBlocksStorage::GetNewBlockNumber - номера блоков исчерпаны");
        childNumber = -1;
      }
    }
    if (childNumber < 0) return !made.empty();
    storage.Block(index).Num = uint16_t(childNumber);
    storage.Block(index).SetComposedBlockName(discussion, own);
    if (!storage.Block(index).CopyContentsFrom(discussion, own, source, sourceRecord, copy.Source)) return !made.empty();
    if (crossModel) storage.Block(index).Date = 0;
    storage.NewBlockAdded(discussion, index, 0);
    made.push_back(own);
  }
  return !made.empty();
}

void TBlocksStorage::RenumBlocks(TDiscussion& discussion, TDiscBlockIndex root) {
  if (!discussion.Info.Renumbering || StorageType != StorageType_Model || !discussion.Storages.IsValidIndex(root)) return;
  std::vector<std::vector<int>> children(static_cast<size_t>(Count()));
  for (int i = 0; i < Count(); ++i)
    if (Blocks[i].Upper.StorageType == StorageType_Model && Blocks[i].Upper.Index < Count())
      children[Blocks[i].Upper.Index].push_back(i);
  std::vector<int> order{root.Index};
  std::vector<char> seen(static_cast<size_t>(Count()), 0);
  seen[root.Index] = 1;
  for (size_t next = 0; next < order.size(); ++next) {
    std::vector<int>& below = children[size_t(order[next])];
    std::stable_sort(below.begin(), below.end(), [&](int a, int b) { return Blocks[a].Num < Blocks[b].Num; });
    uint16_t number = 0;
    for (const int child : below) {
      if (seen[size_t(child)]) continue;  // a damaged tree is never walked twice
      seen[size_t(child)] = 1;
      order.push_back(child);
      TDiscBlock& block = Blocks[child];
      const TDiscBlock old = block;
      block.Num = ++number;
      const TDiscBlockIndex own{StorageType, uint16_t(child)};
      block.SetComposedBlockName(discussion, own);
      if (!(old == block)) {
        discussion.Undo.AddDiscBlockChanges(discussion, own, old);
        SendBlockNotification(Notify_BlockChanged, discussion, own, false);
      }
    }
  }
  ClearNameIndex();
}

bool TBlocksStorage::CheckFormula(TDiscussion& discussion, int index, int mark) {
  if (index < 0 || index >= Count() || Blocks[index].TextType != TextType_Formula) return true;
  const TDiscBlockIndex own{StorageType, uint16_t(index)};
  TStr error;
  double value = 0;
  bool valid = !Blocks[index].Conclusion.IsEmpty();
  if (valid) valid = CalculateFormula(discussion, Blocks[index].Conclusion, own, Texts(index).Str.FormulaText, error, value, 0);
  if (mark) MarkTrouble(discussion, own, &TUnlinkedBlockInfo::FormulaError, !valid);
  return valid;
}

bool TBlocksStorage::CheckReferences(TDiscussion& discussion, int index, int mark, int keep) {
  if (index < 0 || index >= Count()) return true;
  const TDiscBlockIndex own{StorageType, uint16_t(index)};
  if (keep) discussion.HyperRefBlocks.RemoveBlock(own);
  TStr error;
  bool valid = TestTextReferences(discussion, own, Texts(index).Str.Text, error, keep != 0);
  if (Blocks[index].TextType == TextType_Formula)
    valid = TestTextReferences(discussion, own, Texts(index).Str.FormulaText, error, keep != 0) && valid;
  if (mark) MarkTrouble(discussion, own, &TUnlinkedBlockInfo::LostHyperRefs, !valid);
  return valid;
}
