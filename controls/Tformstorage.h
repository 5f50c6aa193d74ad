#pragma once
// TFormStorage: a form placement that also keeps chosen published properties
// of the form's components (StoredProps, lines "Component.Property") and free
// named values (StoredValues) in its section. A value with a KeyString is
// stored XOR-coded under it.

#include <functional>
#include <memory>
#include <string>

#include "controls/Tformplacement.h"
#include "platform/rtl/Tcollection.h"
#include "platform/rtl/Tstringlist.h"
#include "platform/rtl/Variant.h"

class TFormStorage;
class TStoredValue;

using TStoredValueEvent = std::function<void(TStoredValue* Sender, Variant& Value)>;

class TStoredValue : public TCollectionItem {
 public:
  explicit TStoredValue(TCollection* Collection) : TCollectionItem(Collection) {}
  void Assign(TPersistent* Source) override;
  std::string DisplayName() const override;

  const std::string& Name() const { return name_; }
  // Raises EStringListError "String list does not allow duplicates" when
  // another value has the name (ignoring case).
  void SetName(const std::string& Value);
  const Variant& Value() const { return value_; }
  void SetValue(const Variant& Value) { value_ = Value; }
  const std::string& KeyString() const { return keyString_; }
  void SetKeyString(const std::string& Value) { keyString_ = Value; }
  virtual void Save();
  virtual void Restore();

  TStoredValueEvent OnSave;
  TStoredValueEvent OnRestore;

 private:
  TFormStorage* Storage() const;
  std::string name_;
  Variant value_;
  std::string keyString_;
};

class TStoredValues : public TOwnedCollection {
 public:
  explicit TStoredValues(TPersistent* AOwner) : TOwnedCollection(AOwner, CollectionItemClass<TStoredValue>()) {}
  TStoredValue* Items(int Index) const { return static_cast<TStoredValue*>(TCollection::Items(Index)); }
  // The first value of the name, ignoring case; -1 when none.
  int IndexOf(const std::string& Name) const;
  TStoredValue* Values(const std::string& Name) const;
  // Null when there is no such value.
  Variant StoredValue(const std::string& Name) const;
  // Makes the value when there is none of the name.
  void SetStoredValue(const std::string& Name, const Variant& Value);
  void SaveValues();
  void RestoreValues();
};

class TFormStorage : public TFormPlacement {
 public:
  explicit TFormStorage(TComponent* AOwner);
  ~TFormStorage() override;
  // Binds StoredProps to the owner's components (lines naming none go).
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TStringList* StoredProps() const { return storedProps_.get(); }
  void SetStoredProps(TStrings* Value);
  TStoredValues* StoredValues() const { return storedValues_.get(); }
  Variant StoredValue(const std::string& Name) const { return storedValues_->StoredValue(Name); }
  void SetStoredValue(const std::string& Name, const Variant& Value) { storedValues_->SetStoredValue(Name, Value); }

  virtual void SaveProperties();
  virtual void RestoreProperties();

 protected:
  void SavePlacement() override;
  void RestorePlacement() override;

 private:
  std::unique_ptr<TStringList> storedProps_;
  std::unique_ptr<TStoredValues> storedValues_;
};
