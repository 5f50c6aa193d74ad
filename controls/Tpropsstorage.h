#pragma once
// TPropsStorage: chosen published properties of components as named text
// values and back. Its user binds three callbacks (read, write, erase a
// section) to an ini file or a registry key. Keys are the component name, "_"
// and the property name; string lists and collections go to sub-sections;
// objects a property holds (a font ...) have their own properties stored
// under the property's name ("Label1_FontColor").

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Tcomponent.h"
#include "platform/rtl/Tpropinfo.h"

class TStrings;

// Between a component name and a property name in keys.
extern std::string sPropNameDelimiter;

// The published properties of one object of the given kinds, in the class's order.
class TPropInfoList : public TObject {
 public:
  TPropInfoList(TObject* AObject, TTypeKinds Filter);
  int Count() const { return static_cast<int>(list_.size()); }
  const TPropInfo* Items(int Index) const { return list_[Index]; }
  // The property of that name, ignoring case; null when none.
  const TPropInfo* Find(const std::string& AName) const;
  // An item of the same type and name (ignoring case).
  bool Contains(const TPropInfo* P) const;
  void Delete(int Index);
  // Keeps only the items that the other list contains.
  void Intersect(const TPropInfoList* List);

 private:
  std::vector<const TPropInfo*> list_;
};

using TReadStrEvent =
    std::function<std::string(const std::string& ASection, const std::string& Item, const std::string& Default)>;
using TWriteStrEvent = std::function<void(const std::string& ASection, const std::string& Item, const std::string& Value)>;
using TEraseSectEvent = std::function<void(const std::string& ASection)>;

class TPropsStorage : public TObject {
 public:
  TPropsStorage() = default;
  virtual std::string ReadString(const std::string& ASection, const std::string& Item, const std::string& Default);
  virtual void WriteString(const std::string& ASection, const std::string& Item, const std::string& Value);
  virtual void EraseSection(const std::string& ASection);
  virtual std::string GetItemName(const std::string& APropName) { return prefix_ + APropName; }
  virtual TPropsStorage* CreateStorage() { return new TPropsStorage; }

  // Every property a list of "Component.Property" lines names, the lines'
  // objects being the components (Root's names refreshed first).
  void StoreObjectsProps(TComponent* Root, TStrings* Props);
  void LoadObjectsProps(TComponent* Root, TStrings* Props);
  // The named properties of the current object.
  void StoreProperties(TStrings* PropList);
  void LoadProperties(TStrings* PropList);
  void StoreAnyProperty(const TPropInfo* PropInfo);
  // Never raises: a property that fails to load keeps its value.
  void LoadAnyProperty(const TPropInfo* PropInfo);

  TObject* AObject() const { return object_; }
  void SetAObject(TObject* Value) { object_ = Value; }
  TComponent* Owner() const { return owner_; }
  const std::string& Prefix() const { return prefix_; }
  void SetPrefix(const std::string& Value) { prefix_ = Value; }
  const std::string& Section() const { return section_; }
  void SetSection(const std::string& Value) { section_ = Value; }

  TReadStrEvent OnReadString;
  TWriteStrEvent OnWriteString;
  TEraseSectEvent OnEraseSection;

 private:
  // Stores or loads each listed property of Root's components (list items with their objects).
  void ForEachStoredProperty(TComponent* Root, TStrings* Props, void (TPropsStorage::*Action)(const TPropInfo*));
  std::string ValueText(const TPropInfo* P);
  void LoadText(const TPropInfo* P, const std::string& Text);
  std::string ComponentText(TComponent* C) const;
  TComponent* ComponentOfText(const std::string& Text, bool& Found) const;
  void StoreStrings(const TPropInfo* P, TStrings* List);
  void LoadStrings(const TPropInfo* P, TStrings* List);
  void StoreCollection(const TPropInfo* P, class TCollection* Coll);
  void LoadCollection(const TPropInfo* P, class TCollection* Coll);
  // A storage for a nested object with this one's events and owner.
  TPropsStorage* Nested(TObject* Object, const std::string& ASection, const std::string& APrefix);
  void StoreAll(TObject* Object, const std::string& ASection, const std::string& APrefix);
  void LoadAll(TObject* Object, const std::string& ASection, const std::string& APrefix);

  TObject* object_ = nullptr;
  TComponent* owner_ = nullptr;
  std::string prefix_;
  std::string section_;
};

// "Component.Property"; empty unless both names are given.
std::string CreateStoredItem(const std::string& CompName, const std::string& PropName);
// Splits a line at its first point, trimming both parts.
bool ParseStoredItem(const std::string& Item, std::string& CompName, std::string& PropName);
// FromForm: binds each line to Root's component of that name (lines naming
// none are deleted); else renames each bound line after its component
// (unbound lines are deleted). Lines that do not parse are deleted.
void UpdateStoredList(TComponent* Root, TStrings* AStoredList, bool FromForm);
