#pragma once
// What a browse window shows or lists: a block (kind 1), an author (kind 2) or a folder
// entry of the discussions manager (kind 3); kind 0 is the empty item. An item holds the
// items of its lower list as children, so the items of a window form a tree whose rows
// name their items by paths (TBrowseItemIndex).

#include "foundation/Tarray.h"
#include "model/Tbrowseitemident.h"

#include <cstdint>
#include <utility>
#include <vector>

class TDiscussion;

enum : uint8_t { DisplayMode_Full = 1, DisplayMode_Brief = 2 };

struct TBrowseItem {
  TBrowseItemIdent Ident;        // kind, block, author or folder
  int16_t Level = 0;             // depth below the window's current item
  uint8_t DisplayMode = DisplayMode_Brief;
  uint8_t Marked = 0;
  int16_t ReadingTime = 0;       // milliseconds the block was shown unread
  uint8_t Moderation = 0;        // listed in moderation mode
  int16_t DiscussionIndex = -1;  // folder entries of the moderation listing
  uint8_t Separator = 0;         // a line is drawn below the entry
  // The children; a vector, since an item holds items of its own type.
  std::vector<TBrowseItem> Children;

  uint8_t Kind() const { return Ident.Kind; }
  TDiscBlockIndex GetDiscBlockIndex() const { return Ident.Kind == BrowseItem_Block ? Ident.Index : TDiscBlockIndex{}; }
  // Empties the item: kind 0, no children, the other fields at their defaults.
  void Clear() { *this = TBrowseItem{}; }
  // An author item of that author, or a block item whose block that author wrote.
  bool IsOfAuthor(uint16_t adident, TDiscussion& discussion) const;
  // Items showing `from` show `to` instead; with an empty `to` they are removed (in the
  // whole tree below this item). Whether anything changed.
  bool ReplaceDiscBlockIndex(TDiscBlockIndex from, TDiscBlockIndex to, TDiscussion& discussion);
};

// Positions of a path, the first eight in place: a list of 100,000 rows names its items
// without a heap block for each row.
class TItemPath {
 public:
  TItemPath() {}
  TItemPath(const TItemPath& other) { *this = other; }
  TItemPath(TItemPath&& other) noexcept { *this = std::move(other); }
  TItemPath& operator=(const TItemPath& other);
  TItemPath& operator=(TItemPath&& other) noexcept;
  ~TItemPath() { Clear(); }

  uint32_t Count() const { return fCount; }
  uint16_t operator[](uint32_t i) const { return Data()[i]; }
  const uint16_t* begin() const { return Data(); }
  const uint16_t* end() const { return Data() + fCount; }
  void AddItem(uint16_t position);
  void Clear();

 private:
  static constexpr uint32_t InPlace = 8;
  const uint16_t* Data() const { return fCapacity > InPlace ? fHeap : fInPlace; }
  uint32_t fCount = 0;
  uint32_t fCapacity = InPlace;
  union {
    uint16_t fInPlace[InPlace];
    uint16_t* fHeap;
  };
};

// The path of an item in a tree of browse items: the positions of the children leading
// from the root down to it; the empty path names the root.
class TBrowseItemIndex {
public:
 TItemPath Path;

 int Length() const { return int(Path.Count()); }
 bool IsEmpty() const { return Path.Count() == 0; }
 void Append(uint16_t position) { Path.AddItem(position); }
 void Clear() { Path.Clear(); }
 bool operator==(const TBrowseItemIndex& other) const;
 // Walks the path down from the root; null (reported "TBrowseItemIndex::GetBrowseItem -
 // выход за пределы массива") when a step leaves the children.
 TBrowseItem* GetBrowseItem(TBrowseItem& root) const;
 const TBrowseItem* GetBrowseItem(const TBrowseItem& root) const;
};
