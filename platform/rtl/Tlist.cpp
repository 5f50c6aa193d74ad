#include "platform/rtl/Tlist.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <algorithm>

namespace {
constexpr int kMaxListSize = 0x7FFFFFF;  // keeps counts far from overflow
}

TList::~TList() {
  // Notify overrides of derived classes are gone by now; the items are simply dropped.
  items_.clear();
}

void TList::Error(const char* Fmt, int Data) { throw EListError(Format(Fmt, {Data})); }

void TList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error("List index out of bounds (%d)", Index);
}

int TList::Add(void* Item) {
  int index = Count();
  Insert(index, Item);
  return index;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count()) Error("List index out of bounds (%d)", Index);
  if (Count() >= kMaxListSize) Error("List capacity out of bounds (%d)", Count() + 1);
  items_.insert(items_.begin() + Index, Item);
  if (Item) Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
  CheckIndex(Index);
  void* item = items_[Index];
  items_.erase(items_.begin() + Index);
  if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* Item) {
  int index = IndexOf(Item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* Item) {
  int index = IndexOf(Item);
  if (index < 0) return nullptr;
  void* item = items_[index];
  items_.erase(items_.begin() + index);
  Notify(item, lnExtracted);
  return item;
}

void TList::Clear() {
  SetCount(0);
  items_.shrink_to_fit();
}

int TList::IndexOf(void* Item) const {
  auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(items_[Index1], items_[Index2]);
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(NewIndex);
  CheckIndex(CurIndex);
  void* item = items_[CurIndex];
  items_.erase(items_.begin() + CurIndex);
  items_.insert(items_.begin() + NewIndex, item);
}

void* TList::First() const { return Items(0); }
void* TList::Last() const { return Items(Count() - 1); }

void TList::Pack() { items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end()); }

void TList::Sort(const TListSortCompare& Compare) {
  std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return Compare(a, b) < 0; });
}

void TList::Assign(const TList& Source) {
  if (&Source == this) return;
  Clear();
  for (void* item : Source.items_) Add(item);
}

void TList::SetCount(int NewCount) {
  if (NewCount < 0 || NewCount > kMaxListSize) Error("List count out of bounds (%d)", NewCount);
  while (Count() > NewCount) Delete(Count() - 1);
  items_.resize(NewCount, nullptr);
}

void TList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count() || NewCapacity > kMaxListSize) Error("List capacity out of bounds (%d)", NewCapacity);
  if (NewCapacity > Capacity()) items_.reserve(NewCapacity);
}

void* TList::Items(int Index) const {
  CheckIndex(Index);
  return items_[Index];
}

void TList::SetItems(int Index, void* Item) {
  CheckIndex(Index);
  void* old = items_[Index];
  if (old == Item) return;
  items_[Index] = Item;
  if (old) Notify(old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

void TList::Notify(void*, TListNotification) {}
