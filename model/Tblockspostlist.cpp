#include "model/Tblockspostlist.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "model/Tdiscussion.h"

#include <cmath>

TBlocksPostListItem::TBlocksPostListItem() = default;

bool TBlocksPostListItem::operator==(const TBlocksPostListItem& o) const {
  if (Number != o.Number || !(Name == o.Name) || CreationDate != o.CreationDate || SentDate != o.SentDate ||
      Blocks.Count() != o.Blocks.Count())
    return false;
  for (int i = 0; i < int(Blocks.Count()); ++i)
    if (!(Blocks[i] == o.Blocks[i])) return false;
  return true;
}

int TBlocksPostListItem::FindBlock(TDiscBlockCode code) const {
  for (int i = 0; i < int(Blocks.Count()); ++i)
    if (Blocks[i] == code) return i;
  return -1;
}

int TBlocksPostListItem::AddBlock(TDiscBlockCode code) {
  if (FindBlock(code) >= 0) return -1;
  const int index = Blocks.AddEmptyItem();
  if (index < 0) return -1;
  Blocks[index] = code;
  if (Name == TStr(NewPostListName))
    Name = TStr((std::string(NewPostListName) + " " + FormatDateTime("mm'/'dd'/'yy", Date())).c_str());
  return index;
}

int TBlocksPostListItem::DeleteBlock(TDiscBlockCode code) {
  const int index = FindBlock(code);
  if (index >= 0) Blocks.Delete(index);
  return index;
}

TBlocksPostList::TBlocksPostList() = default;

bool TBlocksPostList::AddNewItem(TDiscussion& discussion) {
  if (Counter == 0xFFFF) {
    TError::Report("TBlocksPostList::AddNewItem - номера списков исчерпаны");
    return false;
  }
  const int index = Items.AddEmptyItem();
  if (index < 0) return false;
  TBlocksPostListItem& item = Items[index];
  if (this == &discussion.User.PostLists) discussion.Undo.AddPostsListItemCreation(index, Counter);
  item.Number = ++Counter;
  item.Name = TStr(NewPostListName);
  item.CreationDate = Date();
  return true;
}

int TBlocksPostList::AddBlockToItem(TDiscussion& discussion, int item, TDiscBlockCode code) {
  if (item < 0 || item >= int(Items.Count())) return -1;
  const TStr oldName = Items[item].Name;
  const int added = Items[item].AddBlock(code);
  if (added >= 0 && this == &discussion.User.PostLists) {
    if (!(Items[item].Name == oldName))
      discussion.Undo.AddPostsListItemFieldChange(item, PostListField_Name, 0, 0, oldName);
    discussion.Undo.AddPostsListItemFieldChange(item, PostListField_CodeAppended, 0, 0, TStr());
  }
  return added;
}

int TBlocksPostList::DeleteBlockFromItem(TDiscussion& discussion, int item, TDiscBlockCode code) {
  if (item < 0 || item >= int(Items.Count())) return -1;
  const int removed = Items[item].DeleteBlock(code);
  if (removed >= 0 && this == &discussion.User.PostLists)
    discussion.Undo.AddPostsListItemCodeChange(item, removed, code);
  return removed;
}

void TBlocksPostList::SaveToBufWriter(const TDiscussion& discussion, TBufWriter& w) const {
  w.WriteWord(Counter);
  w.WriteWord(uint16_t(Items.Count()));
  for (int i = 0; i < int(Items.Count()); ++i) {
    const TBlocksPostListItem& item = Items[i];
    w.WriteWord(item.Number);
    item.Name.SaveToBufWriter(w);
    w.WriteDWord(uint32_t(int32_t(std::floor(item.CreationDate))));
    w.WriteDWord(uint32_t(int32_t(std::floor(item.SentDate))));
    TArray<TDiscBlockCode> kept;
    for (int c = 0; c < int(item.Blocks.Count()); ++c) {
      const TDiscBlockIndex index = discussion.Storages.FindDiscBlockIndex(item.Blocks[c]);
      if (index.IsEmpty() || discussion.Storages.GetDiscBlock(index)->DeleteFlag == DeleteFlag_Erased) continue;
      const int k = kept.AddEmptyItem();
      if (k >= 0) kept[k] = item.Blocks[c];
    }
    w.WriteWord(uint16_t(kept.Count()));
    for (int c = 0; c < int(kept.Count()); ++c) kept[c].SaveToBufWriter(w);
  }
}

std::string TBlocksPostList::LoadFromBufReader(TBufReader& r) {
  Counter = r.ReadWord();
  const int count = r.ReadWord();
  for (int i = 0; i < count; ++i) {
    if (r.IsFailed()) return "файл обрезан";
    const int index = Items.AddEmptyItem();
    if (index < 0) return "нет памяти";
    TBlocksPostListItem& item = Items[index];
    item.Number = r.ReadWord();
    item.Name.LoadFromBufReader(r);
    item.CreationDate = TDateTime(int32_t(r.ReadDWord()));
    item.SentDate = TDateTime(int32_t(r.ReadDWord()));
    const int codes = r.ReadWord();
    for (int c = 0; c < codes && !r.IsFailed(); ++c) {
      TDiscBlockCode code;
      code.LoadFromBufReader(r);
      if (!IsValidStorageType(code.StorageType)) return "неверный код блока в списке отправки";
      const int k = item.Blocks.AddEmptyItem();
      if (k < 0) return "нет памяти";
      item.Blocks[k] = code;
    }
  }
  return r.IsFailed() ? "файл обрезан" : "";
}
