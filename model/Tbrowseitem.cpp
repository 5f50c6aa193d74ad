#include "model/Tbrowseitem.h"

#include "foundation/Terror.h"
#include "model/Tdiscussion.h"

#include <algorithm>

bool TBrowseItem::IsOfAuthor(uint16_t adident, TDiscussion& discussion) const {
  switch (Ident.Kind) {
    case BrowseItem_Author: return Ident.ADIdent == adident;
    case BrowseItem_Block: {
      if (!discussion.Storages.IsValidIndex(Ident.Index)) return false;
      const int author = discussion.Storages.GetDiscBlock(Ident.Index)->GetAuthor(discussion);
      return author >= 0 && discussion.Authors.Author(author).ADIdent == adident;
    }
    default: return false;
  }
}

bool TBrowseItem::ReplaceDiscBlockIndex(TDiscBlockIndex from, TDiscBlockIndex to, TDiscussion& discussion) {
  bool changed = false;
  for (size_t i = Children.size(); i-- > 0;) {
    TBrowseItem& child = Children[i];
    if (child.Ident.Kind == BrowseItem_Block && child.Ident.Index == from) {
      if (to.IsEmpty()) {
        Children.erase(Children.begin() + long(i));
      } else {
        child.Ident.SetDiscBlock(discussion, to);
        child.Children.clear();
      }
      changed = true;
      continue;
    }
    changed = child.ReplaceDiscBlockIndex(from, to, discussion) || changed;
  }
  return changed;
}

TItemPath& TItemPath::operator=(const TItemPath& other) {
  if (this == &other) return *this;
  Clear();
  for (const uint16_t position : other) AddItem(position);
  return *this;
}

TItemPath& TItemPath::operator=(TItemPath&& other) noexcept {
  if (this == &other) return *this;
  Clear();
  if (other.fCapacity > InPlace) {
    fHeap = other.fHeap;
    fCapacity = other.fCapacity;
  } else {
    std::copy(other.begin(), other.end(), fInPlace);
  }
  fCount = other.fCount;
  other.fCount = 0;
  other.fCapacity = InPlace;
  return *this;
}

void TItemPath::AddItem(uint16_t position) {
  if (fCount == fCapacity) {
    const uint32_t capacity = fCapacity * 2;
    auto* grown = new uint16_t[capacity];
    std::copy(begin(), end(), grown);
    if (fCapacity > InPlace) delete[] fHeap;
    fHeap = grown;
    fCapacity = capacity;
  }
  (fCapacity > InPlace ? fHeap : fInPlace)[fCount++] = position;
}

void TItemPath::Clear() {
  if (fCapacity > InPlace) delete[] fHeap;
  fCapacity = InPlace;
  fCount = 0;
}

bool TBrowseItemIndex::operator==(const TBrowseItemIndex& other) const {
  if (Path.Count() != other.Path.Count()) return false;
  for (uint32_t i = 0; i < Path.Count(); ++i)
    if (Path[i] != other.Path[i]) return false;
  return true;
}

const TBrowseItem* TBrowseItemIndex::GetBrowseItem(const TBrowseItem& root) const {
  const TBrowseItem* item = &root;
  for (uint32_t i = 0; i < Path.Count(); ++i) {
    if (Path[i] >= item->Children.size()) {
      TError::Report("TBrowseItemIndex::GetBrowseItem - выход за пределы массива");
      return nullptr;
    }
    item = &item->Children[Path[i]];
  }
  return item;
}

TBrowseItem* TBrowseItemIndex::GetBrowseItem(TBrowseItem& root) const {
  return const_cast<TBrowseItem*>(GetBrowseItem(static_cast<const TBrowseItem&>(root)));
}
