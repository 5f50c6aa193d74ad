#pragma once
// TList: an ordered list of untyped pointers, indexed from 0. Indices out of
// range raise EListError "List index out of bounds (N)".

#include "platform/rtl/Tobject.h"

#include <functional>
#include <vector>

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// <0, 0 or >0 as Item1 sorts before, with or after Item2.
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

class TList : public TObject {
 public:
  TList() = default;
  ~TList() override;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;

  int Add(void* Item);
  void Insert(int Index, void* Item);
  void Delete(int Index);
  // Removes the first occurrence; its former index, or -1.
  int Remove(void* Item);
  // Removes the first occurrence without the deleted notification; the item or null.
  void* Extract(void* Item);
  virtual void Clear();
  int IndexOf(void* Item) const;
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  void* First() const;
  void* Last() const;
  // Removes every null item.
  void Pack();
  void Sort(const TListSortCompare& Compare);
  void Assign(const TList& Source);

  int Count() const { return static_cast<int>(items_.size()); }
  void SetCount(int NewCount);
  int Capacity() const { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int NewCapacity);

  void* Items(int Index) const;
  void SetItems(int Index, void* Item);
  void* operator[](int Index) const { return Items(Index); }
  void* Get(int Index) const { return Items(Index); }
  void Put(int Index, void* Item) { SetItems(Index, Item); }

  [[noreturn]] static void Error(const char* Fmt, int Data);

 protected:
  // Called after an item was added, and before one is extracted or deleted.
  virtual void Notify(void* Ptr, TListNotification Action);

 private:
  void CheckIndex(int Index) const;
  std::vector<void*> items_;
};
