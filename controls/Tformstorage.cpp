#include "controls/Tformstorage.h"

#include "controls/Apputils.h"
#include "controls/Strutils.h"
#include "controls/Tpropsstorage.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Strutil.h"

// ---- TStoredValue

void TStoredValue::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TStoredValue*>(Source);
  if (!other) {
    TCollectionItem::Assign(Source);
    return;
  }
  value_ = VarIsEmpty(other->value_) ? Variant() : other->value_;
  SetName(other->name_);
  keyString_ = other->keyString_;
}

std::string TStoredValue::DisplayName() const { return name_.empty() ? TCollectionItem::DisplayName() : name_; }

void TStoredValue::SetName(const std::string& Value) {
  if (Value == name_) return;
  if (auto* values = dynamic_cast<TStoredValues*>(Collection())) {
    int i = values->IndexOf(Value);
    if (!Value.empty() && i >= 0 && values->Items(i) != this)
      throw EStringListError("String list does not allow duplicates");
  }
  name_ = Value;
}

TFormStorage* TStoredValue::Storage() const {
  auto* values = dynamic_cast<TStoredValues*>(Collection());
  return values ? dynamic_cast<TFormStorage*>(values->Owner()) : nullptr;
}

void TStoredValue::Save() {
  TFormStorage* storage = Storage();
  if (!storage) return;
  Variant saved = value_;
  if (OnSave) OnSave(this, saved);
  std::string text = VarToStr(saved);
  if (!keyString_.empty()) text = XorEncode(keyString_, text);
  storage->WriteString(name_, text);
}

void TStoredValue::Restore() {
  TFormStorage* storage = Storage();
  if (!storage) return;
  std::string def = VarToStr(value_);
  if (!keyString_.empty()) def = XorEncode(keyString_, def);
  std::string text = storage->ReadString(name_, def);
  if (!keyString_.empty()) text = XorDecode(keyString_, text);
  Variant restored(text);
  if (OnRestore) OnRestore(this, restored);
  value_ = restored;
}

// ---- TStoredValues

int TStoredValues::IndexOf(const std::string& Name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), Name)) return i;
  return -1;
}

TStoredValue* TStoredValues::Values(const std::string& Name) const {
  int i = IndexOf(Name);
  return i < 0 ? nullptr : Items(i);
}

Variant TStoredValues::StoredValue(const std::string& Name) const {
  TStoredValue* v = Values(Name);
  return v ? v->Value() : Variant::Null();
}

void TStoredValues::SetStoredValue(const std::string& Name, const Variant& Value) {
  TStoredValue* v = Values(Name);
  if (!v) {
    v = static_cast<TStoredValue*>(Add());
    v->SetName(Name);
  }
  v->SetValue(Value);
}

void TStoredValues::SaveValues() {
  for (int i = 0; i < Count(); ++i) Items(i)->Save();
}

void TStoredValues::RestoreValues() {
  for (int i = 0; i < Count(); ++i) Items(i)->Restore();
}

// ---- TFormStorage

TFormStorage::TFormStorage(TComponent* AOwner)
    : TFormPlacement(AOwner), storedProps_(std::make_unique<TStringList>()), storedValues_(std::make_unique<TStoredValues>(this)) {}

TFormStorage::~TFormStorage() = default;

void TFormStorage::Loaded() {
  TFormPlacement::Loaded();
  UpdateStoredList(Owner(), storedProps_.get(), true);
}

void TFormStorage::SetStoredProps(TStrings* Value) {
  storedProps_->Assign(Value);
  for (int i = 0; i < storedProps_->Count(); ++i)
    if (auto* c = dynamic_cast<TComponent*>(storedProps_->Objects(i))) c->FreeNotification(this);
}

void TFormStorage::Notification(TComponent* AComponent, TOperation Operation) {
  TFormPlacement::Notification(AComponent, Operation);
  if (Operation != opRemove || !storedProps_ || ComponentState().Contains(csDestroying)) return;
  for (int i = storedProps_->Count() - 1; i >= 0; --i)
    if (storedProps_->Objects(i) == AComponent) storedProps_->Delete(i);
}

void TFormStorage::SavePlacement() {
  TFormPlacement::SavePlacement();
  SaveProperties();
  storedValues_->SaveValues();
}

void TFormStorage::RestorePlacement() {
  TFormPlacement::RestorePlacement();
  restored_ = true;
  RestoreProperties();
  storedValues_->RestoreValues();
}

void TFormStorage::SaveProperties() {
  TPropsStorage storage;
  storage.SetSection(IniSection());
  storage.OnWriteString = [this](const std::string& s, const std::string& k, const std::string& v) {
    DoWriteString(s, k, v);
  };
  storage.OnEraseSection = [this](const std::string& s) { IniEraseSection(IniObject(), s); };
  storage.StoreObjectsProps(Owner(), storedProps_.get());
}

void TFormStorage::RestoreProperties() {
  TPropsStorage storage;
  storage.SetSection(IniSection());
  storage.OnReadString = [this](const std::string& s, const std::string& k, const std::string& d) {
    return DoReadString(s, k, d);
  };
  try {
    storage.LoadObjectsProps(Owner(), storedProps_.get());
  } catch (const std::exception&) {
    // Stored properties that do not load are skipped.
  }
}
