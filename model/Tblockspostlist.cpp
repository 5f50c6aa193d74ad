#include "model/Tblockspostlist.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "model/Tdiscussion.h"

#include <cmath>
#include <vector>

namespace {

// The mark that opens the section of brought codes after the lists.
constexpr uint8_t BroughtSection = 1;

// The codes of a list that a file keeps: blocks that still exist and are not erased.
TArray<TDiscBlockCode> KeptCodes(const TDiscussion& discussion, const TArray<TDiscBlockCode>& codes) {
  TArray<TDiscBlockCode> kept;
  for (int c = 0; c < int(codes.Count()); ++c) {
    const TDiscBlockIndex index = discussion.Storages.FindDiscBlockIndex(codes[c]);
    if (index.IsEmpty() || discussion.Storages.GetDiscBlock(index)->DeleteFlag == DeleteFlag_Erased) continue;
    const int k = kept.AddEmptyItem();
    if (k >= 0) kept[k] = codes[c];
  }
  return kept;
}

void WriteCodes(TBufWriter& w, const TArray<TDiscBlockCode>& codes) {
  w.WriteWord(uint16_t(codes.Count()));
  for (int c = 0; c < int(codes.Count()); ++c) codes[c].SaveToBufWriter(w);
}

// Reads a u16 count and the codes; an empty text when they are sound.
std::string ReadCodes(TBufReader& r, TArray<TDiscBlockCode>& codes) {
  const int count = r.ReadWord();
  for (int c = 0; c < count && !r.IsFailed(); ++c) {
    TDiscBlockCode code;
    code.LoadFromBufReader(r);
    if (!IsValidStorageType(code.StorageType)) return "неверный код блока в списке отправки";
    const int k = codes.AddEmptyItem();
    if (k < 0) return "нет памяти";
    codes[k] = code;
  }
  return r.IsFailed() ? "файл обрезан" : "";
}

}  // namespace

TBlocksPostListItem::TBlocksPostListItem() = default;

bool TBlocksPostListItem::operator==(const TBlocksPostListItem& o) const {
  if (Number != o.Number || !(Name == o.Name) || CreationDate != o.CreationDate || SentDate != o.SentDate ||
      Blocks.Count() != o.Blocks.Count() || Brought.Count() != o.Brought.Count())
    return false;
  for (int i = 0; i < int(Blocks.Count()); ++i)
    if (!(Blocks[i] == o.Blocks[i])) return false;
  for (int i = 0; i < int(Brought.Count()); ++i)
    if (!(Brought[i] == o.Brought[i])) return false;
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
  SetBrought(code, false);
  return index;
}

bool TBlocksPostListItem::IsBrought(TDiscBlockCode code) const {
  for (const TDiscBlockCode& brought : Brought)
    if (brought == code) return true;
  return false;
}

void TBlocksPostListItem::SetBrought(TDiscBlockCode code, bool brought) {
  for (int i = int(Brought.Count()) - 1; i >= 0; --i)
    if (Brought[i] == code) Brought.Delete(i);
  if (brought && FindBlock(code) >= 0) Brought.AddItem(code);
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

int TBlocksPostList::AddBlockToItem(TDiscussion& discussion, int item, TDiscBlockCode code, bool brought) {
  if (item < 0 || item >= int(Items.Count())) return -1;
  TBlocksPostListItem& list = Items[item];
  const bool recorded = this == &discussion.User.PostLists;
  if (const int listed = list.FindBlock(code); listed >= 0) {
    if (brought || !list.IsBrought(code)) return -1;
    list.SetBrought(code, false);
    if (recorded) discussion.Undo.AddPostsListItemCodeOwned(item, code);
    return listed;
  }
  const TStr oldName = list.Name;
  const int added = list.AddBlock(code);
  if (added >= 0 && brought) list.SetBrought(code, true);
  if (added >= 0 && recorded) {
    if (!(list.Name == oldName)) discussion.Undo.AddPostsListItemFieldChange(item, PostListField_Name, 0, 0, oldName);
    discussion.Undo.AddPostsListItemFieldChange(item, PostListField_CodeAppended, 0, 0, TStr());
  }
  return added;
}

int TBlocksPostList::DeleteBlockFromItem(TDiscussion& discussion, int item, TDiscBlockCode code) {
  if (item < 0 || item >= int(Items.Count())) return -1;
  const bool brought = Items[item].IsBrought(code);
  const int removed = Items[item].DeleteBlock(code);
  if (removed >= 0 && this == &discussion.User.PostLists)
    discussion.Undo.AddPostsListItemCodeChange(item, removed, code, brought);
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
    WriteCodes(w, KeptCodes(discussion, item.Blocks));
  }
  // The brought codes only when there are any: a file without them is as before.
  std::vector<TArray<TDiscBlockCode>> brought;
  bool any = false;
  for (const TBlocksPostListItem& item : Items) {
    brought.push_back(KeptCodes(discussion, item.Brought));
    any |= brought.back().Count() > 0;
  }
  if (!any) return;
  w.WriteByte(BroughtSection);
  for (const TArray<TDiscBlockCode>& codes : brought) WriteCodes(w, codes);
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
    if (std::string fault = ReadCodes(r, item.Blocks); !fault.empty()) return fault;
  }
  if (r.IsFailed()) return "файл обрезан";
  if (r.IsEof()) return "";
  if (r.ReadByte() != BroughtSection) return "неверный раздел списков отправки";
  for (TBlocksPostListItem& item : Items) {
    TArray<TDiscBlockCode> brought;
    if (std::string fault = ReadCodes(r, brought); !fault.empty()) return fault;
    // A brought code is one of the list's own codes, each once.
    for (const TDiscBlockCode& code : brought) {
      if (item.FindBlock(code) < 0 || item.IsBrought(code)) return "неверный код в разделе списков отправки";
      item.SetBrought(code, true);
    }
  }
  return "";
}
