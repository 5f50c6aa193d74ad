#include "model/Tuser.h"

#include "foundation/Storedfields.h"
#include "foundation/Terror.h"
#include "model/Tdiscussion.h"

namespace {
// Bounds on what a user-state file may hold.
constexpr uint32_t MaxPairs = 1u << 20;
constexpr uint32_t MaxVisited = 1u << 20;

// A remembered relation's fields, in stored order.
template <class Pair>
auto PairFields(Pair& p) {
  return std::tie(p.First, p.Second, p.RelationType);
}
}  // namespace

TUser::TUser() = default;

const TBrowseItemIdent* TUser::GetSecondBrowseItemIdent(const TBrowseItemIdent& first, uint8_t relationType) const {
  for (int i = 0; i < int(Pairs.Count()); ++i)
    if (Pairs[i].RelationType == relationType && Pairs[i].First == first) return &Pairs[i].Second;
  return nullptr;
}

void TUser::SetBrowseItemIdentsPair(TDiscussion& discussion, const TBrowseItemIdent& first,
                                    const TBrowseItemIdent& second, uint8_t relationType) {
  const bool recorded = this == &discussion.User;
  for (int i = 0; i < int(Pairs.Count()); ++i)
    if (Pairs[i].RelationType == relationType && Pairs[i].First == first) {
      if (Pairs[i].Second.SameStoredFields(second)) return;
      if (recorded) discussion.Undo.AddPairChange(i, Pairs[i], false);
      Pairs[i].Second = second;
      return;
    }
  const int index = Pairs.AddEmptyItem();
  if (index < 0) return;
  Pairs[index].First = first;
  Pairs[index].Second = second;
  Pairs[index].RelationType = relationType;
  if (recorded) discussion.Undo.AddPairCreation(index);
}

void TUser::RemoveBrowseItemIdentsPair(TDiscussion& discussion, const TBrowseItemIdent& first, uint8_t relationType) {
  for (int i = Pairs.Count() - 1; i >= 0; --i)
    if (Pairs[i].RelationType == relationType && Pairs[i].First == first) {
      if (this == &discussion.User) discussion.Undo.AddPairChange(i, Pairs[i], true);
      Pairs.Delete(i);
    }
}

void TUser::AddVisited(TDiscBlockCode code) {
  for (int i = 0; i < int(Visited.Count()); ++i)
    if (Visited[i] == code) return;
  const int index = Visited.AddEmptyItem();
  if (index >= 0) Visited[index] = code;
}

int TUser::TakeNewNoteNumber() {
  if (NoteCounter == 0xFFFF) {
    TError::Report("TUser::TakeNewNoteNumber - номера заметок исчерпаны");
    return -1;
  }
  return ++NoteCounter;
}

void TUser::SaveToBufWriter(const TDiscussion& discussion, TBufWriter& w) const {
  w.WriteWord(NoteCounter);
  w.WriteDWord(uint32_t(Pairs.Count()));
  for (const TBrowseItemIdentsPair& pair : Pairs) WriteFields(w, PairFields(pair));
  w.WriteDWord(uint32_t(Visited.Count()));
  for (int i = 0; i < int(Visited.Count()); ++i) Visited[i].SaveToBufWriter(w);
  PostLists.SaveToBufWriter(discussion, w);
}

std::string TUser::LoadFromBufReader(TBufReader& r) {
  NoteCounter = r.ReadWord();
  const uint32_t pairs = r.ReadDWord();
  if (r.IsFailed()) return "файл обрезан";
  if (pairs > MaxPairs) return "неверное число связей";
  for (uint32_t i = 0; i < pairs; ++i) {
    const int index = Pairs.AddEmptyItem();
    if (index < 0) return "нет памяти";
    ReadFields(r, PairFields(Pairs[index]));
    if (r.IsFailed()) return "файл обрезан";
    for (const TBrowseItemIdent* ident : {&Pairs[index].First, &Pairs[index].Second})
      if (ident->Kind > BrowseItem_Folder || (ident->Kind == BrowseItem_Block && !IsValidStorageType(ident->Code.StorageType)))
        return "неверный идентификатор элемента просмотра";
  }
  const uint32_t visited = r.ReadDWord();
  if (r.IsFailed()) return "файл обрезан";
  if (visited > MaxVisited) return "неверное число посещённых блоков";
  for (uint32_t i = 0; i < visited; ++i) {
    const int index = Visited.AddEmptyItem();
    if (index < 0) return "нет памяти";
    Visited[index].LoadFromBufReader(r);
    if (!IsValidStorageType(Visited[index].StorageType)) return "неверный код посещённого блока";
  }
  return PostLists.LoadFromBufReader(r);
}

void TUser::ResolveIndices(const TDiscBlockStorages& storages) {
  for (int i = 0; i < int(Pairs.Count()); ++i) {
    Pairs[i].First.ResolveIndex(storages);
    Pairs[i].Second.ResolveIndex(storages);
  }
}

void TUser::Clear() {
  Pairs.Clear();
  Visited.Clear();
  NoteCounter = 0;
  PostLists.Clear();
}
