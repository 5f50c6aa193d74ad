#include "controls/Tpropsstorage.h"

#include <algorithm>
#include <memory>

#include "controls/Strutils.h"
#include "platform/forms/Tform.h"
#include "platform/forms/Tscreen.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Formatsettings.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tcollection.h"
#include "platform/rtl/Tstringlist.h"

std::string sPropNameDelimiter = "_";

namespace {

const char kNull[] = "(null)";
const char kCount[] = "Count";
// A stored count beyond this is damage, not data: it is cut down rather than
// making millions of items or reads.
constexpr int kMaxStoredItems = 65536;

// A component, or nothing: a reference text. Other objects are owned by the
// property and stored with their own properties.
bool IsReference(TObject* obj) {
  return !obj || (dynamic_cast<TComponent*>(obj) && !dynamic_cast<TStrings*>(obj) && !dynamic_cast<TCollection*>(obj));
}

std::string ItemName(int i) { return "Item" + std::to_string(i); }

int StoredCount(const std::string& text) {
  int n = StrToIntDef(Trim(text), 0);
  return std::clamp(n, 0, kMaxStoredItems);
}

int SignificantDigits(TFloatType t) {
  switch (t) {
    case ftSingle: return 7;
    case ftDouble: return 15;
    case ftCurr: return 19;
    default: return 18;
  }
}

}  // namespace

// ---- TPropInfoList

TPropInfoList::TPropInfoList(TObject* AObject, TTypeKinds Filter) {
  if (AObject) list_ = GetPropList(AObject, Filter);
}

const TPropInfo* TPropInfoList::Find(const std::string& AName) const {
  for (const TPropInfo* p : list_)
    if (SameText(p->Name, AName)) return p;
  return nullptr;
}

bool TPropInfoList::Contains(const TPropInfo* P) const {
  for (const TPropInfo* p : list_)
    if (p->Kind == P->Kind && p->TypeName == P->TypeName && SameText(p->Name, P->Name)) return true;
  return false;
}

void TPropInfoList::Delete(int Index) { list_.erase(list_.begin() + Index); }

void TPropInfoList::Intersect(const TPropInfoList* List) {
  for (int i = Count() - 1; i >= 0; --i)
    if (!List->Contains(list_[i])) Delete(i);
}

// ---- stored-item lines

std::string CreateStoredItem(const std::string& CompName, const std::string& PropName) {
  if (CompName.empty() || PropName.empty()) return "";
  return CompName + "." + PropName;
}

bool ParseStoredItem(const std::string& Item, std::string& CompName, std::string& PropName) {
  CompName.clear();
  PropName.clear();
  if (Item.empty()) return false;
  size_t dot = Item.find('.');
  if (dot == std::string::npos) return false;
  CompName = Trim(Item.substr(0, dot));
  PropName = Trim(Item.substr(dot + 1));
  return !CompName.empty() && !PropName.empty();
}

void UpdateStoredList(TComponent* Root, TStrings* AStoredList, bool FromForm) {
  if (!AStoredList) return;
  for (int i = AStoredList->Count() - 1; i >= 0; --i) {
    std::string comp, prop;
    if (!ParseStoredItem(AStoredList->Strings(i), comp, prop)) {
      AStoredList->Delete(i);
      continue;
    }
    if (FromForm) {
      TComponent* c = Root ? Root->FindComponent(comp) : nullptr;
      if (c) AStoredList->SetObjects(i, c);
      else AStoredList->Delete(i);
    } else if (auto* c = dynamic_cast<TComponent*>(AStoredList->Objects(i))) {
      AStoredList->SetStrings(i, CreateStoredItem(c->Name(), prop));
      AStoredList->SetObjects(i, c);
    } else {
      AStoredList->Delete(i);
    }
  }
}

// ---- TPropsStorage: the callbacks

std::string TPropsStorage::ReadString(const std::string& ASection, const std::string& Item, const std::string& Default) {
  return OnReadString ? OnReadString(ASection, Item, Default) : std::string();
}

void TPropsStorage::WriteString(const std::string& ASection, const std::string& Item, const std::string& Value) {
  if (OnWriteString) OnWriteString(ASection, Item, Value);
}

void TPropsStorage::EraseSection(const std::string& ASection) {
  if (OnEraseSection) OnEraseSection(ASection);
}

// ---- lists of properties

void TPropsStorage::StoreObjectsProps(TComponent* Root, TStrings* Props) {
  ForEachStoredProperty(Root, Props, &TPropsStorage::StoreAnyProperty);
}

void TPropsStorage::LoadObjectsProps(TComponent* Root, TStrings* Props) {
  ForEachStoredProperty(Root, Props, &TPropsStorage::LoadAnyProperty);
}

void TPropsStorage::ForEachStoredProperty(TComponent* Root, TStrings* Props,
                                          void (TPropsStorage::*Action)(const TPropInfo*)) {
  UpdateStoredList(Root, Props, false);
  owner_ = Root;
  for (int i = 0; i < Props->Count(); ++i) {
    std::string comp, prop;
    auto* c = dynamic_cast<TComponent*>(Props->Objects(i));
    if (!c || !ParseStoredItem(Props->Strings(i), comp, prop)) continue;
    TPropInfoList props(c, tkProperties);
    object_ = c;
    prefix_ = c->Name() + sPropNameDelimiter;
    (this->*Action)(props.Find(prop));
  }
  owner_ = nullptr;
  object_ = nullptr;
}

void TPropsStorage::StoreProperties(TStrings* PropList) {
  TPropInfoList props(object_, tkProperties);
  for (int i = 0; i < PropList->Count(); ++i) StoreAnyProperty(props.Find(PropList->Strings(i)));
}

void TPropsStorage::LoadProperties(TStrings* PropList) {
  TPropInfoList props(object_, tkProperties);
  for (int i = 0; i < PropList->Count(); ++i) LoadAnyProperty(props.Find(PropList->Strings(i)));
}

// ---- one property

void TPropsStorage::StoreAnyProperty(const TPropInfo* PropInfo) {
  if (!PropInfo || !object_) return;
  std::string text = ValueText(PropInfo);
  TTypeKind k = PropInfo->Kind;
  if (!text.empty() || k == tkString || k == tkWChar || k == tkLString)
    WriteString(section_, GetItemName(PropInfo->Name), Trim(text));
  if (k != tkClass) return;
  TObject* obj = GetObjectProp(object_, PropInfo);
  if (!obj || IsReference(obj)) return;
  if (auto* list = dynamic_cast<TStrings*>(obj)) StoreStrings(PropInfo, list);
  else if (auto* coll = dynamic_cast<TCollection*>(obj)) StoreCollection(PropInfo, coll);
  StoreAll(obj, section_, prefix_ + PropInfo->Name);
}

void TPropsStorage::LoadAnyProperty(const TPropInfo* PropInfo) {
  if (!PropInfo || !object_) return;
  try {
    std::string def = ValueText(PropInfo);
    TTypeKind k = PropInfo->Kind;
    std::string text;
    if (!def.empty() || k == tkString || k == tkClass || k == tkWChar || k == tkLString)
      text = Trim(ReadString(section_, GetItemName(PropInfo->Name), def));
    LoadText(PropInfo, text);
  } catch (const std::exception&) {
    // The property keeps its value; the next one is loaded.
  }
}

std::string TPropsStorage::ValueText(const TPropInfo* P) {
  switch (P->Kind) {
    case tkInteger:
    case tkInt64: return IntToStr(GetOrdProp(object_, P));
    case tkChar:
    case tkWChar: return std::string(1, static_cast<char>(GetOrdProp(object_, P)));
    case tkEnumeration: return GetEnumName(P, GetOrdProp(object_, P));
    case tkFloat: {
      std::string s = FloatToStrF(GetFloatProp(object_, P), ffGeneral, SignificantDigits(P->FloatType), 0);
      return ReplaceStr(s, std::string(1, DecimalSeparator), ".");
    }
    case tkString:
    case tkLString:
    case tkVariant: return GetStrProp(object_, P);
    case tkSet: {
      uint64_t bits = static_cast<uint64_t>(GetOrdProp(object_, P));
      std::string names;
      for (size_t i = 0; i < 32 && i < P->EnumNames.size(); ++i)
        if (bits & (uint64_t(1) << i)) names += (names.empty() ? "" : ",") + P->EnumNames[i];
      return "[" + names + "]";
    }
    case tkClass: {
      // Only a component reference has a text; owned objects go to sub-sections.
      TObject* obj = GetObjectProp(object_, P);
      return IsReference(obj) ? ComponentText(dynamic_cast<TComponent*>(obj)) : std::string();
    }
    default: return "";
  }
}

void TPropsStorage::LoadText(const TPropInfo* P, const std::string& Text) {
  switch (P->Kind) {
    case tkInteger: SetOrdProp(object_, P, StrToIntDef(Text, 0)); break;
    case tkInt64: SetOrdProp(object_, P, StrToInt64Def(Text, 0)); break;
    case tkChar:
    case tkWChar:
      if (!Text.empty()) SetOrdProp(object_, P, static_cast<unsigned char>(Text[0]));
      break;
    case tkEnumeration: {
      int64_t v = GetEnumValue(P, Text);
      if (v >= 0) SetOrdProp(object_, P, v);
      break;
    }
    case tkFloat: {
      double v;
      if (TryStrToFloat(ReplaceStr(Text, ".", std::string(1, DecimalSeparator)), v)) SetFloatProp(object_, P, v);
      break;
    }
    case tkString:
    case tkLString:
    case tkVariant: SetStrProp(object_, P, Text); break;
    case tkSet: {
      const TCharSet delims(" ,[]");
      uint64_t bits = 0;
      for (int i = 1, n = WordCount(Text, delims); i <= n; ++i) {
        std::string name = ExtractWord(i, Text, delims);
        for (size_t j = 0; j < 32 && j < P->EnumNames.size(); ++j)
          if (SameText(P->EnumNames[j], name)) bits |= uint64_t(1) << j;
      }
      SetOrdProp(object_, P, static_cast<int64_t>(bits));
      break;
    }
    case tkClass: {
      TObject* obj = GetObjectProp(object_, P);
      if (auto* list = dynamic_cast<TStrings*>(obj)) {
        LoadStrings(P, list);
      } else if (auto* coll = dynamic_cast<TCollection*>(obj)) {
        LoadCollection(P, coll);
      } else if (IsReference(obj)) {
        bool found = false;
        TComponent* c = ComponentOfText(Text, found);
        if (found) SetObjectProp(object_, P, c);
        return;
      }
      if (obj) LoadAll(obj, section_, prefix_ + P->Name);
      break;
    }
    default: break;
  }
}

// ---- component references

std::string TPropsStorage::ComponentText(TComponent* C) const {
  if (!C) return kNull;
  TComponent* owner = C->Owner();
  if (!owner || owner == owner_) return C->Name();
  std::string root = owner->Name();
  if (root.empty()) {
    root = owner->ClassName();
    if (!root.empty() && std::toupper(static_cast<unsigned char>(root[0])) == 'T') root.erase(0, 1);
  }
  return root + "." + C->Name();
}

TComponent* TPropsStorage::ComponentOfText(const std::string& Text, bool& Found) const {
  Found = false;
  if (Text.empty()) return nullptr;
  if (SameText(Text, kNull)) {
    Found = true;
    return nullptr;
  }
  TComponent* root = owner_;
  std::string name = Text;
  size_t dot = Text.find('.');
  if (dot != std::string::npos) {
    std::string rootName = Trim(Text.substr(0, dot));
    name = Trim(Text.substr(dot + 1));
    root = nullptr;
    for (int i = 0; i < Screen->FormCount() && !root; ++i)
      if (SameText(Screen->Forms(i)->Name(), rootName)) root = Screen->Forms(i);
  }
  if (!root) return nullptr;
  Found = true;
  return root->FindComponent(name);
}

// ---- string lists and collections

void TPropsStorage::StoreStrings(const TPropInfo* P, TStrings* List) {
  std::string sub = section_ + "." + GetItemName(P->Name);
  EraseSection(sub);
  if (List->Count() == 0) return;
  WriteString(sub, kCount, IntToStr(List->Count()));
  for (int i = 0; i < List->Count(); ++i) WriteString(sub, ItemName(i), List->Strings(i));
}

void TPropsStorage::LoadStrings(const TPropInfo* P, TStrings* List) {
  std::string sub = section_ + "." + GetItemName(P->Name);
  int count = StoredCount(ReadString(sub, kCount, "0"));
  if (count <= 0) return;
  TStringList items;
  for (int i = 0; i < count; ++i) items.Add(ReadString(sub, ItemName(i), ""));
  List->Assign(&items);
}

void TPropsStorage::StoreCollection(const TPropInfo* P, TCollection* Coll) {
  std::string sub = section_ + "." + prefix_ + P->Name;
  EraseSection(sub);
  WriteString(section_, prefix_ + P->Name + "." + kCount, IntToStr(Coll->Count()));
  for (int i = 0; i < Coll->Count(); ++i) StoreAll(Coll->Items(i), sub, ItemName(i) + sPropNameDelimiter);
}

void TPropsStorage::LoadCollection(const TPropInfo* P, TCollection* Coll) {
  std::string sub = section_ + "." + prefix_ + P->Name;
  int count = StoredCount(ReadString(section_, prefix_ + P->Name + "." + kCount, IntToStr(Coll->Count())));
  Coll->BeginUpdate();
  try {
    if (count != Coll->Count()) {
      Coll->Clear();
      for (int i = 0; i < count; ++i) LoadAll(Coll->Add(), sub, ItemName(i) + sPropNameDelimiter);
    } else {
      for (int i = 0; i < count; ++i) LoadAll(Coll->Items(i), sub, ItemName(i) + sPropNameDelimiter);
    }
  } catch (...) {
    Coll->EndUpdate();
    throw;
  }
  Coll->EndUpdate();
}

// ---- nested objects

TPropsStorage* TPropsStorage::Nested(TObject* Object, const std::string& ASection, const std::string& APrefix) {
  TPropsStorage* s = CreateStorage();
  s->object_ = Object;
  s->owner_ = owner_;
  s->section_ = ASection;
  s->prefix_ = APrefix;
  s->OnReadString = OnReadString;
  s->OnWriteString = OnWriteString;
  s->OnEraseSection = OnEraseSection;
  return s;
}

void TPropsStorage::StoreAll(TObject* Object, const std::string& ASection, const std::string& APrefix) {
  std::unique_ptr<TPropsStorage> s(Nested(Object, ASection, APrefix));
  TPropInfoList props(Object, tkProperties);
  for (int i = 0; i < props.Count(); ++i) s->StoreAnyProperty(props.Items(i));
}

void TPropsStorage::LoadAll(TObject* Object, const std::string& ASection, const std::string& APrefix) {
  std::unique_ptr<TPropsStorage> s(Nested(Object, ASection, APrefix));
  TPropInfoList props(Object, tkProperties);
  for (int i = 0; i < props.Count(); ++i) s->LoadAnyProperty(props.Items(i));
}
