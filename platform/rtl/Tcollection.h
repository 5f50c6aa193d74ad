#pragma once
// TCollection: an ordered set of items of one class that the collection owns
// (TCollectionItem). Items are made by the collection's item class, a factory
// (CollectionItemClass<T>()); deleting an item takes it out of its collection.
// TOwnedCollection names the persistent object that owns the collection.

#include "platform/rtl/Tobject.h"

#include <functional>
#include <string>
#include <vector>

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;

  TCollection* Collection() const { return collection_; }
  // Moves the item into another collection (or out of any, with null).
  virtual void SetCollection(TCollection* Value);
  int ID() const { return id_; }
  int Index() const;
  virtual void SetIndex(int Value);
  // The name shown for the item; the class name when none is set.
  virtual std::string DisplayName() const;
  virtual void SetDisplayName(const std::string& Value);
  std::string GetNamePath() const override;

 protected:
  // Tells the collection that this item (or, with AllItems, every item) changed.
  void Changed(bool AllItems);
  TPersistent* GetOwner() const override;

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

// Makes a new item of some class inside a collection.
using TCollectionItemClass = std::function<TCollectionItem*(TCollection* Collection)>;

template <class T>
TCollectionItemClass CollectionItemClass() {
  return [](TCollection* c) -> TCollectionItem* { return new T(c); };
}

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
 public:
  explicit TCollection(TCollectionItemClass ItemClass);
  ~TCollection() override;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  // Copies the items of another collection (each through the item's Assign).
  void Assign(TPersistent* Source) override;
  virtual void BeginUpdate();
  virtual void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  TCollectionItem* FindItemID(int ID) const;

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError for an index out of range.
  TCollectionItem* Items(int Index) const;
  // Assigns Value to the item at Index.
  void SetItems(int Index, TCollectionItem* Value);
  const TCollectionItemClass& ItemClass() const { return itemClass_; }
  TPersistent* Owner() const { return GetOwner(); }
  std::string GetNamePath() const override;

 protected:
  // Called after a change of Item, or of the whole collection (null).
  virtual void Update(TCollectionItem* Item);
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);

  TCollectionItemClass itemClass_;
  std::vector<TCollectionItem*> items_;
  int updateCount_ = 0;
  int nextID_ = 0;
};

class TOwnedCollection : public TCollection {
 public:
  TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass)
      : TCollection(std::move(ItemClass)), owner_(AOwner) {}

 protected:
  TPersistent* GetOwner() const override { return owner_; }

 private:
  TPersistent* owner_;
};
