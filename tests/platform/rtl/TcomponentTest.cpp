#include "platform/rtl/Exception.h"
#include "platform/rtl/Tcollection.h"
#include "platform/rtl/Tcomponent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what it hears and forgets a watched component that goes away.
class TWatcher : public TComponent {
 public:
  TWatcher(TComponent* owner, std::vector<std::string>* log) : TComponent(owner), log_(log) {}
  ~TWatcher() override { log_->push_back("free " + Name()); }
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    log_->push_back(Name() + (op == opInsert ? " +" : " -") + c->Name());
    if (op == opRemove && c == watched) watched = nullptr;
  }
  void Loaded() override {
    TComponent::Loaded();
    log_->push_back("loaded " + Name());
  }
  TComponent* watched = nullptr;

 private:
  std::vector<std::string>* log_;
};

TEST(Tcomponent, OwnershipNamesAndFreeNotification) {
  std::vector<std::string> log;
  auto* form = new TWatcher(nullptr, &log);
  form->SetName("Form1");
  auto* edit = new TWatcher(form, &log);
  edit->SetName("Edit1");
  auto* label = new TWatcher(form, &log);
  label->SetName("Label1");
  EXPECT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(form->Components(1), label);
  EXPECT_EQ(label->ComponentIndex(), 1);
  EXPECT_EQ(form->FindComponent("edit1"), edit);
  EXPECT_EQ(form->FindComponent("Memo1"), nullptr);
  EXPECT_THROW(form->Components(2), EListError);

  try {
    label->SetName("EDIT1");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named EDIT1 already exists");
  }
  EXPECT_EQ(label->Name(), "Label1");
  try {
    label->SetName("1abc");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "'1abc' is not a valid component name");
  }
  label->SetName("label1");  // a change of case only is allowed
  label->SetName("Label1");

  // A component of another owner is watched through FreeNotification.
  auto* other = new TWatcher(nullptr, &log);
  other->SetName("Other");
  auto* menu = new TWatcher(other, &log);
  menu->SetName("Menu1");
  edit->watched = menu;
  menu->FreeNotification(edit);
  EXPECT_TRUE(menu->ComponentState().Contains(csFreeNotification));
  log.clear();
  delete menu;
  EXPECT_EQ(edit->watched, nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"free Menu1", "Edit1 -Menu1", "Other -Menu1"}));

  // Owned components hear of their siblings' removal through the owner.
  log.clear();
  delete label;
  EXPECT_EQ(form->ComponentCount(), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"free Label1", "Edit1 -Label1", "Form1 -Label1"}));

  // Deleting the owner deletes what it owns, marked as being destroyed.
  auto* nested = new TWatcher(edit, &log);
  nested->SetName("Inner");
  bool sawDestroying = false;
  edit->watched = other;
  other->FreeNotification(edit);
  log.clear();
  struct TProbe : TComponent {
    bool* seen;
    TProbe(TComponent* o, bool* s) : TComponent(o), seen(s) {}
    ~TProbe() override { *seen = ComponentState().Contains(csDestroying); }
  };
  new TProbe(form, &sawDestroying);
  delete form;
  EXPECT_TRUE(sawDestroying);
  EXPECT_EQ(log, (std::vector<std::string>{"Inner +", "Edit1 +", "Form1 +", "free Form1", "Inner -Edit1", "Edit1 -Edit1",
                                      "free Edit1", "Other -Edit1", "free Inner"}));
  // The other component no longer knows the deleted one.
  log.clear();
  delete other;
  EXPECT_EQ(log, (std::vector<std::string>{"free Other"}));
}

TEST(Tcomponent, LoadingStateAndReparenting) {
  std::vector<std::string> log;
  TWatcher root(nullptr, &log);
  root.SetName("Root");
  auto* a = new TWatcher(&root, &log);
  a->SetName("A");
  auto* b = new TWatcher(a, &log);
  b->SetName("B");
  root.BeginLoading();
  EXPECT_TRUE(b->ComponentState().ContainsAll({csLoading, csReading}));
  log.clear();
  root.EndLoading();
  EXPECT_EQ(log, (std::vector<std::string>{"loaded Root", "loaded A", "loaded B"}));
  EXPECT_TRUE(b->ComponentState().Empty());

  // Moving a component to another owner tells both owners.
  log.clear();
  root.InsertComponent(b);
  EXPECT_EQ(b->Owner(), &root);
  EXPECT_EQ(a->ComponentCount(), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"B -B", "A -B", "B +B", "A +B", "Root +B"}));
  EXPECT_THROW(b->InsertComponent(&root), EComponentError);
  b->SetComponentIndex(0);
  EXPECT_EQ(root.Components(0), b);
}

class TAddress : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  std::string address;
  void Assign(TPersistent* source) override {
    if (auto* a = dynamic_cast<TAddress*>(source)) {
      address = a->address;
      return;
    }
    TCollectionItem::Assign(source);
  }
  std::string DisplayName() const override { return address.empty() ? TCollectionItem::DisplayName() : address; }
};

class TAddressList : public TOwnedCollection {
 public:
  explicit TAddressList(TPersistent* owner) : TOwnedCollection(owner, CollectionItemClass<TAddress>()) {}
  TAddress* Add() { return static_cast<TAddress*>(TCollection::Add()); }
  int updates = 0;

 protected:
  void Update(TCollectionItem*) override { ++updates; }
};

TEST(Tcollection, ItemsOwnedAssignedAndMoved) {
  TComponent owner(nullptr);
  owner.SetName("Message1");
  TAddressList list(&owner);
  EXPECT_EQ(list.Owner(), &owner);
  list.Add()->address = "a@x";
  list.Add()->address = "b@x";
  auto* c = static_cast<TAddress*>(list.Insert(0));
  c->address = "c@x";
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(static_cast<TAddress*>(list.Items(0))->address, "c@x");
  EXPECT_EQ(c->Index(), 0);
  EXPECT_EQ(c->ID(), 2);
  EXPECT_EQ(list.FindItemID(1), list.Items(2));
  EXPECT_EQ(c->GetNamePath(), "Message1[0]");
  EXPECT_EQ(c->DisplayName(), "c@x");
  EXPECT_EQ(list.Add()->DisplayName(), "TAddress");
  list.Delete(3);
  EXPECT_THROW(list.Items(3), EListError);

  // Deleting an item takes it out of its collection.
  delete list.Items(1);
  EXPECT_EQ(list.Count(), 2);
  c->SetIndex(1);
  EXPECT_EQ(static_cast<TAddress*>(list.Items(1))->address, "c@x");

  TAddressList copy(nullptr);
  copy.Add()->address = "old";
  copy.Assign(&list);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(static_cast<TAddress*>(copy.Items(0))->address, "b@x");
  EXPECT_EQ(static_cast<TAddress*>(copy.Items(1))->address, "c@x");

  // Changes inside BeginUpdate/EndUpdate are announced once.
  list.updates = 0;
  list.BeginUpdate();
  list.Add();
  list.Add();
  list.EndUpdate();
  EXPECT_EQ(list.updates, 1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  try {
    TPersistent plain;
    list.Assign(&plain);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TPersistent to a TAddressList");
  }
}

}  // namespace
