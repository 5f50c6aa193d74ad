#pragma once
// TComponent: an object with a name, an owner and the components it owns.
// An owner deletes its components when it is deleted, so owned components are
// made with new. Components learn that another one goes away through
// Notification (opRemove): the owner and the components it owns hear of every
// component inserted into or removed from it, and FreeNotification links two
// components of different owners so that each hears when the other is freed.

#include "platform/rtl/Tobject.h"
#include "platform/rtl/Tset.h"

#include <cstdint>
#include <string>
#include <vector>

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
  csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor,
  csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // Raises EListError for an index out of range.
  TComponent* Components(int Index) const;
  int ComponentIndex() const;
  void SetComponentIndex(int Value);
  // The owned component of that name (ignoring case), or null.
  TComponent* FindComponent(const std::string& AName) const;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();

  const std::string& Name() const { return name_; }
  // A name is empty or an identifier, unique among the owner's components
  // (ignoring case); else EComponentError.
  virtual void SetName(const std::string& NewName);
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t Value) { tag_ = Value; }
  TComponentState ComponentState() const { return state_; }

  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);
  virtual void Notification(TComponent* AComponent, TOperation Operation);

  // Marks this component and those it owns as being destroyed.
  void Destroying();
  // Called once the component's properties are all set after loading.
  virtual void Loaded();
  // Loading of a whole tree, as reading a form does: BeginLoading marks this
  // component and those it owns (deeply) with csLoading and csReading;
  // EndLoading clears csReading and calls Loaded on each, this one first.
  void BeginLoading();
  void EndLoading();
  void SetDesigning(bool Value, bool SetChildren = true);

  std::string GetNamePath() const override { return name_; }

 protected:
  virtual void ValidateRename(TComponent* AComponent, const std::string& CurName, const std::string& NewName);
  virtual void ValidateInsert(TComponent* AComponent);
  TComponentState state_;

 private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void RemoveNotification(TComponent* AComponent);
  void RemoveFreeNotifications();
  void CollectTree(std::vector<TComponent*>& out);

  TComponent* owner_ = nullptr;
  std::string name_;
  intptr_t tag_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
};

// True for an identifier: a letter or '_' followed by letters, digits or '_'.
bool IsValidIdent(const std::string& Ident);
