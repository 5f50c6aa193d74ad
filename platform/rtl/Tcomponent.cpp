#include "platform/rtl/Tcomponent.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tlist.h"

#include <algorithm>

namespace {

void EraseOne(std::vector<TComponent*>& v, TComponent* c) {
  auto it = std::find(v.begin(), v.end(), c);
  if (it != v.end()) v.erase(it);
}

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

}  // namespace

bool IsValidIdent(const std::string& Ident) {
  if (Ident.empty() || !IsIdentStart(Ident[0])) return false;
  for (char c : Ident)
    if (!IsIdentStart(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  RemoveFreeNotifications();
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) TList::Error("List index out of bounds (%d)", Index);
  return components_[Index];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& v = owner_->components_;
  return static_cast<int>(std::find(v.begin(), v.end(), this) - v.begin());
}

void TComponent::SetComponentIndex(int Value) {
  if (!owner_) return;
  auto& v = owner_->components_;
  int current = ComponentIndex();
  int last = static_cast<int>(v.size()) - 1;
  if (Value < 0) Value = 0;
  if (Value > last) Value = last;
  if (Value == current) return;
  v.erase(v.begin() + current);
  v.insert(v.begin() + Value, this);
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, AName)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  ValidateInsert(AComponent);
  ValidateRename(AComponent, "", AComponent->name_);
  if (AComponent->owner_) AComponent->owner_->RemoveComponent(AComponent);
  Insert(AComponent);
  if (state_.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    if (c->state_.Contains(csFreeNotification)) RemoveComponent(c);
    else Remove(c);
    delete c;
  }
}

void TComponent::Insert(TComponent* AComponent) {
  components_.push_back(AComponent);
  AComponent->owner_ = this;
}

void TComponent::Remove(TComponent* AComponent) {
  EraseOne(components_, AComponent);
  AComponent->owner_ = nullptr;
}

void TComponent::SetName(const std::string& NewName) {
  if (name_ == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError(Format("'%s' is not a valid component name", {NewName}));
  if (owner_) owner_->ValidateRename(this, name_, NewName);
  else ValidateRename(nullptr, name_, NewName);
  name_ = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName, const std::string& NewName) {
  if (AComponent && !SameText(CurName, NewName) && AComponent->owner_ == this && FindComponent(NewName))
    throw EComponentError(Format("A component named %s already exists", {NewName}));
}

void TComponent::ValidateInsert(TComponent* AComponent) {
  for (TComponent* c = this; c; c = c->owner_)
    if (c == AComponent) throw EComponentError("A component cannot own itself or one of its owners");
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (!owner_ || AComponent->owner_ != owner_) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), AComponent) == freeNotifies_.end()) {
      freeNotifies_.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  state_.Include(csFreeNotification);
}

void TComponent::RemoveNotification(TComponent* AComponent) { EraseOne(freeNotifies_, AComponent); }

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::RemoveFreeNotifications() {
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    freeNotifies_.pop_back();
    other->RemoveNotification(this);
    other->Notification(this, opRemove);
  }
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // Tell every owned component; a handler may change the list on the way.
  int i = ComponentCount() - 1;
  while (i >= 0) {
    components_[i]->Notification(AComponent, Operation);
    --i;
    if (i >= ComponentCount()) i = ComponentCount() - 1;
  }
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::CollectTree(std::vector<TComponent*>& out) {
  out.push_back(this);
  for (TComponent* c : components_) c->CollectTree(out);
}

void TComponent::BeginLoading() {
  std::vector<TComponent*> tree;
  CollectTree(tree);
  for (TComponent* c : tree) c->state_ += TComponentState{csLoading, csReading};
}

void TComponent::EndLoading() {
  std::vector<TComponent*> tree;
  CollectTree(tree);
  for (TComponent* c : tree) c->state_.Exclude(csReading);
  for (TComponent* c : tree) c->Loaded();
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value) state_.Include(csDesigning);
  else state_.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* c : components_) c->SetDesigning(Value);
}
