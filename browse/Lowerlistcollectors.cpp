#include "browse/Lowerlistcollectors.h"

#include "browse/Standinnotes.h"
#include "foundation/Terror.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace {

// Notes first, then model blocks, moderated comments and comments.
int StorageRank(uint8_t storageType) {
  switch (storageType) {
    case StorageType_Notes: return 0;
    case StorageType_Model: return 1;
    case StorageType_ModeratedComments: return 2;
    case StorageType_Comments: return 3;
    default: return -1;
  }
}

template <class T>
int Sign(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

bool IsListed(const TDiscBlock& block) {
  return block.DeleteFlag != DeleteFlag_Erased && block.DeleteFlag != DeleteFlag_Recycled;
}

// The storages a list walks, in the order it walks them.
constexpr uint8_t WalkOrder[] = {StorageType_Model, StorageType_Comments, StorageType_ModeratedComments,
                                 StorageType_Notes};

}  // namespace

int CompareFolderEntries(TDiscussionsManager& manager, const TMonoGroupIndex& a, const TMonoGroupIndex& b) {
  const int da = manager.FindDiscussionByFolder(a.Folder);
  const int db = manager.FindDiscussionByFolder(b.Folder);
  if ((da < 0) != (db < 0)) return da < 0 ? -1 : 1;
  if (da >= 0) {
    const int byName = manager.GetDiscussion(da).GetName().View().compare(manager.GetDiscussion(db).GetName().View());
    if (byName != 0) return byName < 0 ? -1 : 1;
  }
  const auto folderName = [&](int16_t folder) {
    return folder >= 0 && uint32_t(folder) < manager.Folders.Count() ? manager.Folders[uint32_t(folder)].Name.View()
                                                                      : std::string_view();
  };
  const int byFolder = folderName(a.Folder).compare(folderName(b.Folder));
  return byFolder < 0 ? -1 : (byFolder > 0 ? 1 : 0);
}

int LowerDiscBlocksCompare(const TDiscussion& discussion, TDiscBlockIndex a, TDiscBlockIndex b) {
  if (a.StorageType != b.StorageType) {
    const int ra = StorageRank(a.StorageType), rb = StorageRank(b.StorageType);
    if (ra < 0 || rb < 0) {
      TError::Report("LowerDiscBlocksCompare - неизвестный тип хранилища блоков?");
      return 0;
    }
    return Sign(ra, rb);
  }
  const TDiscBlock* x = discussion.Storages.GetDiscBlock(a);
  const TDiscBlock* y = discussion.Storages.GetDiscBlock(b);
  if (!x || !y) return 0;
  if (HasAuthorField(a.StorageType)) {
    if (int c = Sign(x->Date, y->Date)) return c;
    if (int c = Sign(int16_t(x->ADIdent), int16_t(y->ADIdent))) return c;
  }
  return Sign(x->Num, y->Num);
}

int CompareAuthorIdents(uint16_t a, uint16_t b) {
  if (a == NoADIdent || b == NoADIdent) return Sign(a == NoADIdent, b == NoADIdent);
  return Sign(int16_t(a), int16_t(b));
}

bool IsListedChildStorage(uint8_t parentStorage, uint8_t childStorage) {
  switch (childStorage) {
    case StorageType_Model: return parentStorage == StorageType_Model;
    case StorageType_Comments:
    case StorageType_ModeratedComments:
      return parentStorage == StorageType_Model || HasAuthorField(parentStorage);
    case StorageType_Notes: return IsValidStorageType(parentStorage);
    default: return false;
  }
}

namespace {

// The order of LowerDiscBlocksCompare as one number a block: storage rank, then for
// comments date and author (signed, as compared there), then the number. Sorting these
// keys reads each block once instead of twice at every comparison.
bool SortKey(const TDiscussion& discussion, TDiscBlockIndex index, uint64_t& key) {
  const int rank = StorageRank(index.StorageType);
  const TDiscBlock* block = discussion.Storages.IsValidIndex(index) ? discussion.Storages.GetDiscBlock(index) : nullptr;
  if (rank < 0 || !block) return false;
  const auto ordered = [](int16_t value) { return uint64_t(uint16_t(value) ^ 0x8000u); };
  key = uint64_t(rank) << 48 | block->Num;
  if (HasAuthorField(index.StorageType)) key |= ordered(block->Date) << 32 | ordered(int16_t(block->ADIdent)) << 16;
  return true;
}

void SortBlocks(const TDiscussion& discussion, TArray<TDiscBlockIndex>& blocks) {
  std::vector<std::pair<uint64_t, TDiscBlockIndex>> keyed(blocks.Count());
  for (uint32_t i = 0; i < blocks.Count(); ++i) {
    keyed[i].second = blocks[i];
    if (!SortKey(discussion, blocks[i], keyed[i].first)) {
      // A block that cannot be placed is reported by the comparison itself.
      blocks.Sort([&](TDiscBlockIndex a, TDiscBlockIndex b) { return LowerDiscBlocksCompare(discussion, a, b); });
      return;
    }
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (uint32_t i = 0; i < blocks.Count(); ++i) blocks[i] = keyed[i].second;
}

void SortIdents(TArray<TAuthorADIdent>& idents) {
  idents.Sort([](TAuthorADIdent a, TAuthorADIdent b) { return CompareAuthorIdents(a.ADIdent, b.ADIdent); });
}

// Appends the listed blocks of one storage that pass a test; false when the array is full.
template <class Test>
bool TakeBlocks(const TDiscussion& discussion, uint8_t storageType, TArray<TDiscBlockIndex>& result, Test test) {
  const TBlocksStorage& storage = *discussion.Storages.GetStorage(storageType);
  for (int i = 0; i < storage.Count(); ++i) {
    const TDiscBlock& block = storage.Block(i);
    if (IsListed(block) && test(block) && result.AddItem(TDiscBlockIndex{storageType, uint16_t(i)}) < 0) return false;
  }
  return true;
}

}  // namespace

void CollectChildBlocks(TDiscussion& discussion, TDiscBlockIndex parent, TArray<TDiscBlockIndex>& result) {
  if (!discussion.Storages.IsValidIndex(parent)) return;
  for (uint8_t type : WalkOrder)
    if (IsListedChildStorage(parent.StorageType, type) &&
        !TakeBlocks(discussion, type, result, [&](const TDiscBlock& b) { return b.Upper == parent; }))
      return;
  LeaveOutStoodNotes(discussion, result);
  SortBlocks(discussion, result);
}

void CollectDoubtfulModeratedComments(TDiscussion& discussion, TArray<TDiscBlockIndex>& result) {
  const bool taken = TakeBlocks(discussion, StorageType_ModeratedComments, result, [&](const TDiscBlock& b) {
    int type = 0;
    return AuthorModerateType(discussion, b.ADIdent, type) == ModerationCall_Done && type == ModerateType_Doubtful;
  });
  if (taken) SortBlocks(discussion, result);
}

void CollectBlocksOfAuthor(TDiscussion& discussion, uint16_t adident, bool moderation, TArray<TDiscBlockIndex>& result) {
  const auto ofAuthor = [&](const TDiscBlock& b) { return b.ADIdent == adident; };
  if (!moderation && !TakeBlocks(discussion, StorageType_Comments, result, ofAuthor)) return;
  if (!TakeBlocks(discussion, StorageType_ModeratedComments, result, ofAuthor)) return;
  if (!moderation) {
    const int own = discussion.Authors.FindAuthorByLIdent(discussion, CurrentModelLogin().LIdent, true);
    if (IsErrorReported()) return;
    if (own >= 0 && discussion.Authors.Author(own).ADIdent == adident &&
        !TakeBlocks(discussion, StorageType_Notes, result, [](const TDiscBlock&) { return true; }))
      return;
  }
  LeaveOutStoodNotes(discussion, result);
  SortBlocks(discussion, result);
}

TDiscBlockIndex CollectChain(const TDiscussion& discussion, TDiscBlockIndex block, TArray<TDiscBlockIndex>& result) {
  const TDiscBlockStorages& storages = discussion.Storages;
  // A cycle of upper blocks in damaged data ends the walk after every block was seen.
  for (int steps = storages.TotalCount(); steps >= 0; --steps) {
    if (!storages.IsValidIndex(block) || block.StorageType == StorageType_Model) break;
    if (result.AddItem(block) < 0) return {};
    block = storages.GetDiscBlock(block)->Upper;
  }
  for (uint32_t i = 0, j = result.Count(); i + 1 < j; ++i, --j) std::swap(result[i], result[j - 1]);
  return storages.IsValidIndex(block) && block.StorageType == StorageType_Model ? block : TDiscBlockIndex{};
}

void CollectFormulasForText(const TDiscussion& discussion, TDiscBlockIndex block, TArray<TDiscBlockIndex>& result) {
  if (!discussion.Storages.IsValidIndex(block)) return;
  for (uint8_t type : WalkOrder)
    if (IsListedChildStorage(block.StorageType, type) &&
        !TakeBlocks(discussion, type, result,
                    [&](const TDiscBlock& b) { return b.TextType == TextType_Formula && b.Conclusion == block; }))
      return;
  SortBlocks(discussion, result);
}

void CollectHistory(const TDiscussion& discussion, TArray<TDiscBlockIndex>& result) {
  for (const TDiscBlockCode& code : discussion.User.Visited) {
    const TDiscBlockIndex index = discussion.Storages.FindDiscBlockIndex(code);
    if (!index.IsEmpty() && result.AddItem(index) < 0) return;
  }
}

TLowerBlocks::TLowerBlocks(const TDiscussion& discussion) {
  const TDiscBlockStorages& storages = discussion.Storages;
  for (uint8_t type : WalkOrder) {
    const size_t count = size_t(storages.GetStorage(type)->Count());
    fFirst[type].assign(count + 1, 0);
    fSeen[type].assign(count, false);
  }
  // Two passes: how many lower blocks each block has, then each put in its place, so that
  // a large discussion needs no allocation per block.
  const auto eachLink = [&](auto&& take) {
    for (uint8_t type : WalkOrder) {
      const TBlocksStorage& storage = *storages.GetStorage(type);
      for (int i = 0; i < storage.Count(); ++i) {
        const TDiscBlockIndex upper = storage.Block(i).Upper;
        if (storages.IsValidIndex(upper)) take(upper, TDiscBlockIndex{type, uint16_t(i)});
      }
    }
  };
  eachLink([&](TDiscBlockIndex upper, TDiscBlockIndex) { ++fFirst[upper.StorageType][upper.Index]; });
  uint32_t begins = 0;
  for (uint8_t type : WalkOrder)
    for (uint32_t& first : fFirst[type]) {
      const uint32_t count = first;
      first = begins;
      begins += count;
    }
  fBlocks.resize(begins);
  std::vector<uint32_t> next[5];
  for (uint8_t type : WalkOrder) next[type] = fFirst[type];
  eachLink([&](TDiscBlockIndex upper, TDiscBlockIndex lower) { fBlocks[next[upper.StorageType][upper.Index]++] = lower; });
}

bool TLowerBlocks::FirstVisit(TDiscBlockIndex block) {
  std::vector<bool>::reference seen = fSeen[block.StorageType][block.Index];
  if (seen) return false;
  seen = true;
  return true;
}

namespace {

// Adds the authors of the blocks below a thesis; false when the array is full.
//
// The tree is walked through the index of lower blocks only, marking the blocks met; the
// authors of the marked blocks are then read storage by storage in index order, so that a
// large discussion's blocks are read from front to back rather than in the order of its tree.
bool CollectDisputantsBelow(TDiscussion& discussion, TDiscBlockIndex thesis, TArray<TAuthorADIdent>& result) {
  TLowerBlocks lower(discussion);
  bool modelMet = false, noteMet = false, thesisMet = false;
  std::vector<TDiscBlockIndex> pending{thesis};
  lower.FirstVisit(thesis);
  while (!pending.empty()) {
    const TDiscBlockIndex block = pending.back();
    pending.pop_back();
    for (TDiscBlockIndex child : lower.Lower(block)) {
      if (!IsListedChildStorage(block.StorageType, child.StorageType)) continue;
      // Notes are the login's own: they name the login, and none is descended.
      if (child.StorageType == StorageType_Notes) {
        noteMet = true;
        continue;
      }
      if (child.StorageType == StorageType_Model) modelMet = true;
      if (child == thesis) thesisMet = true;  // a cycle of damaged data
      if (lower.FirstVisit(child)) pending.push_back(child);
    }
  }

  std::vector<bool> listed(size_t(UINT16_MAX) + 1, false);
  for (const TAuthorADIdent& ident : result) listed[ident.ADIdent] = true;
  const auto add = [&](uint16_t adident) {
    if (listed[adident]) return true;
    listed[adident] = true;
    return result.AddItemNoDupes(TAuthorADIdent{adident}) >= 0;
  };
  if (noteMet) {
    const int own = discussion.Authors.FindAuthorByLIdent(CurrentModelLogin().LIdent);
    if (own >= 0 && !add(discussion.Authors.Author(own).ADIdent)) return false;
  }
  if (modelMet && !add(ModelAuthorADIdent)) return false;
  for (const uint8_t type : {StorageType_Comments, StorageType_ModeratedComments}) {
    const TBlocksStorage& storage = *discussion.Storages.GetStorage(type);
    for (int i = 0; i < storage.Count(); ++i) {
      const TDiscBlockIndex block{type, uint16_t(i)};
      if (lower.Visited(block) && (block != thesis || thesisMet) && !add(storage.Block(i).ADIdent)) return false;
    }
  }
  return true;
}

}  // namespace

void CollectThesisDisputants(TDiscussion& discussion, TDiscBlockIndex thesis, TArray<TAuthorADIdent>& result) {
  const TDiscBlock* block = discussion.Storages.IsValidIndex(thesis) ? discussion.Storages.GetDiscBlock(thesis) : nullptr;
  if (!block) return;
  // The thesis's author; a block whose author has no record still names its ident.
  const int author = block->GetAuthor(discussion);
  if (author >= 0) {
    if (result.AddItemNoDupes(TAuthorADIdent{discussion.Authors.Author(author).ADIdent}) < 0) return;
  } else if (block->StorageType != StorageType_Notes) {
    const uint16_t adident = block->StorageType == StorageType_Model ? ModelAuthorADIdent : block->ADIdent;
    if (result.AddItemNoDupes(TAuthorADIdent{adident}) < 0) return;
  }
  if (CollectDisputantsBelow(discussion, thesis, result)) SortIdents(result);
}

void CollectExperts(TDiscussion& discussion, uint8_t trust, bool ofModerated, TArray<TAuthorADIdent>& result) {
  std::set<uint16_t> moderatedAuthors;
  if (ofModerated)
    for (const TDiscBlock& block : discussion.Storages.ModeratedComments.Blocks) moderatedAuthors.insert(block.ADIdent);
  for (int i = 0; i < discussion.Authors.Count(); ++i) {
    const uint16_t adident = discussion.Authors.Author(i).ADIdent;
    if (adident == NoADIdent) continue;
    if (trust != 0) {
      int type = 0;
      if (AuthorModerateType(discussion, adident, type) != ModerationCall_Done || type != trust) continue;
    }
    if (ofModerated && !moderatedAuthors.count(adident)) continue;
    if (result.AddItemNoDupes(TAuthorADIdent{adident}) < 0) return;
  }
  SortIdents(result);
}

TModerationSources DefaultModerationSources() {
  TModerationSources sources;
  const TModelHooks& hooks = ModelHooks();
  if (hooks.GetModeratedCommentsCount)
    sources.GetModeratedCommentsCount = [count = hooks.GetModeratedCommentsCount](
                                            const std::string& dident, int32_t& trustworthy, int32_t& doubtful) {
      return uint8_t(count(TStr(dident), trustworthy, doubtful));
    };
  if (hooks.WaitsInInbox)
    sources.NewBlocksInInbox = [waits = hooks.WaitsInInbox](const std::string& dident) {
      return waits(TStr(dident), MessageCommand::NewBlocks.Name);
    };
  return sources;
}

namespace {

bool WaitsForModerator(TDiscussion& discussion, const TModerationSources& sources) {
  int32_t trustworthy = 0, doubtful = 0;
  const std::string dident = discussion.Info.DIdent.ToString();
  if (sources.GetModeratedCommentsCount &&
      sources.GetModeratedCommentsCount(dident, trustworthy, doubtful) == ModerationCall_Done &&
      int64_t(trustworthy) + doubtful != 0)
    return true;
  return sources.NewBlocksInInbox && sources.NewBlocksInInbox(dident);
}

}  // namespace

bool CollectMonoGroupChilds(TDiscussionsManager& manager, int16_t folder, bool moderation, bool showAll,
                            const TModerationSources& sources, TArray<TMonoGroupIndex>& result) {
  if (moderation) {
    for (int d = 0; d < manager.GetDiscussionsCount(); ++d) {
      TDiscussion& discussion = manager.GetDiscussion(d);
      if (!discussion.Load(true)) return false;
      if (!discussion.IsModerator() || !(showAll || WaitsForModerator(discussion, sources))) continue;
      if (result.AddItem(TMonoGroupIndex{discussion.FolderIndex, 1, int16_t(d), 0}) < 0) return false;
    }
    return true;
  }
  for (uint32_t f = 0; f < manager.Folders.Count(); ++f) {
    if (manager.Folders[f].Parent != folder || int(f) == folder) continue;
    const int d = manager.FindDiscussionByFolder(int16_t(f));
    if (d >= 0) {
      TDiscussion& discussion = manager.GetDiscussion(d);
      if (!discussion.Load(true)) return false;
      if (!discussion.Info.CanCurrentLoginAccess()) continue;
    }
    if (result.AddItem(TMonoGroupIndex{int16_t(f)}) < 0) return false;
  }
  result.Sort([&](const TMonoGroupIndex& a, const TMonoGroupIndex& b) { return CompareFolderEntries(manager, a, b); });
  for (uint32_t i = result.Count(); i-- > 0;)
    if (manager.FindDiscussionByFolder(result[i].Folder) < 0) {
      result[i].Separator = 1;
      break;
    }
  return true;
}
