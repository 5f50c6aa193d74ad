#pragma once
// Published properties: a run-time registry that lists, for each registered
// class, its properties in declaration order (the ancestors' first) with
// name, kind, type name, getter and setter, and the names of enumeration and
// set values. Code that stores components generically (the property storage
// of the controls) reads and writes objects through it.
//
// A class registers once at start-up, naming its registered ancestor:
//   TPublished<TExLabel>("TExLabel").Inherits<TControl>()
//     .Integer("ShadowSize", &TExLabel::ShadowSize, &TExLabel::SetShadowSize)
//     .Enum<TShadowPosition>("ShadowPos", getter, setter, {"spLeftTop", ...});
// Getters and setters are member functions or callables taking the object.

#include "platform/rtl/Tobject.h"
#include "platform/rtl/Tset.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <typeindex>
#include <vector>

enum TTypeKind {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
  tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray
};
using TTypeKinds = TSet<TTypeKind>;
enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// Every kind but the unknown and method properties.
inline const TTypeKinds tkProperties = TTypeKinds::FromBits(~uint64_t(0)) - TTypeKinds{tkUnknown, tkMethod};

struct TPropInfo {
  std::string Name;
  TTypeKind Kind = tkUnknown;
  std::string TypeName;                // "Integer", "Boolean", "TAlign", "TStrings" ...
  TFloatType FloatType = ftDouble;
  // Enumerations: the value names by ordinal; sets: their members' names by ordinal.
  std::vector<std::string> EnumNames;
  int64_t MinValue = 0;                // enumerations: the ordinal of the first name
  // Accessors by kind; those of other kinds are empty. Ordinal kinds
  // (integer, char, enumeration, set as bits, 64-bit integer) use Ord.
  std::function<int64_t(TObject*)> GetOrd;
  std::function<void(TObject*, int64_t)> SetOrd;
  std::function<double(TObject*)> GetFloat;
  std::function<void(TObject*, double)> SetFloat;
  std::function<std::string(TObject*)> GetStr;   // strings, chars as text, variants as text
  std::function<void(TObject*, const std::string&)> SetStr;
  std::function<TObject*(TObject*)> GetObj;      // class properties
  std::function<void(TObject*, TObject*)> SetObj;
  bool HasSetter() const { return SetOrd || SetFloat || SetStr || SetObj; }
};

namespace platform {

struct TPublishedClass {
  std::string Name;
  const TPublishedClass* Parent = nullptr;
  std::function<bool(const TObject*)> Matches;  // the object is of this class or a descendant
  std::vector<TPropInfo> Own;                   // declared by this class
  int Depth() const { return Parent ? Parent->Depth() + 1 : 0; }
};

// The entry of a class, made on first use.
TPublishedClass& PublishedClassOf(std::type_index Type);

}  // namespace platform

// The properties of the object's most derived registered class, ancestors'
// first; filtered by kinds. Empty for null or an unregistered object.
std::vector<const TPropInfo*> GetPropList(const TObject* Instance, TTypeKinds Kinds = tkProperties);
// The property of that name, ignoring case; null when there is none.
const TPropInfo* GetPropInfo(const TObject* Instance, const std::string& PropName);
bool IsPublishedProp(const TObject* Instance, const std::string& PropName);

// Accessors that raise EPropertyError when the property has no such accessor.
int64_t GetOrdProp(TObject* Instance, const TPropInfo* PropInfo);
void SetOrdProp(TObject* Instance, const TPropInfo* PropInfo, int64_t Value);
double GetFloatProp(TObject* Instance, const TPropInfo* PropInfo);
void SetFloatProp(TObject* Instance, const TPropInfo* PropInfo, double Value);
std::string GetStrProp(TObject* Instance, const TPropInfo* PropInfo);
void SetStrProp(TObject* Instance, const TPropInfo* PropInfo, const std::string& Value);
TObject* GetObjectProp(TObject* Instance, const TPropInfo* PropInfo);
void SetObjectProp(TObject* Instance, const TPropInfo* PropInfo, TObject* Value);
// The name of an enumeration value ("" out of range) and the value of a name
// (ignoring case; -1 when unknown).
std::string GetEnumName(const TPropInfo* PropInfo, int64_t Value);
int64_t GetEnumValue(const TPropInfo* PropInfo, const std::string& Name);

template <class T>
class TPublished {
 public:
  explicit TPublished(const std::string& ClassName) : cls_(platform::PublishedClassOf(typeid(T))) {
    cls_.Name = ClassName;
    cls_.Matches = [](const TObject* o) { return dynamic_cast<const T*>(o) != nullptr; };
    cls_.Own.clear();
  }

  template <class Base>
  TPublished& Inherits() {
    static_assert(std::is_base_of_v<Base, T>);
    cls_.Parent = &platform::PublishedClassOf(typeid(Base));
    return *this;
  }

  template <class G, class S>
  TPublished& Integer(const std::string& Name, G Getter, S Setter, const std::string& TypeName = "Integer") {
    return Ordinal(Name, tkInteger, TypeName, Getter, Setter);
  }
  template <class G, class S>
  TPublished& Int64(const std::string& Name, G Getter, S Setter) {
    return Ordinal(Name, tkInt64, "Int64", Getter, Setter);
  }
  template <class G, class S>
  TPublished& Bool(const std::string& Name, G Getter, S Setter) {
    TPropInfo& p = Ordinal(Name, tkEnumeration, "Boolean", Getter, Setter).Last();
    p.EnumNames = {"False", "True"};
    return *this;
  }
  template <class G, class S>
  TPublished& Char(const std::string& Name, G Getter, S Setter) {
    TPropInfo& p = Ordinal(Name, tkChar, "Char", Getter, Setter).Last();
    p.GetStr = [Getter](TObject* o) { return std::string(1, static_cast<char>(std::invoke(Getter, Self(o)))); };
    return *this;
  }
  template <class E, class G, class S>
  TPublished& Enum(const std::string& Name, const std::string& TypeName, G Getter, S Setter,
                   std::initializer_list<const char*> Names) {
    TPropInfo& p = Ordinal(Name, tkEnumeration, TypeName, Getter, Setter).Last();
    p.EnumNames.assign(Names.begin(), Names.end());
    return *this;
  }
  // A set of enumeration values, read and written as TSet<E>; as ordinals it is a bit mask.
  template <class E, class G, class S>
  TPublished& Set(const std::string& Name, const std::string& TypeName, G Getter, S Setter,
                  std::initializer_list<const char*> MemberNames) {
    TPropInfo p = Make(Name, tkSet, TypeName);
    p.EnumNames.assign(MemberNames.begin(), MemberNames.end());
    p.GetOrd = [Getter](TObject* o) { return static_cast<int64_t>(TSet<E>(std::invoke(Getter, Self(o))).Bits()); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>)
      p.SetOrd = [Setter](TObject* o, int64_t v) {
        std::invoke(Setter, Self(o), TSet<E>::FromBits(static_cast<uint64_t>(v)));
      };
    cls_.Own.push_back(std::move(p));
    return *this;
  }
  template <class G, class S>
  TPublished& Float(const std::string& Name, G Getter, S Setter, TFloatType Type = ftDouble,
                    const std::string& TypeName = "Double") {
    TPropInfo p = Make(Name, tkFloat, TypeName);
    p.FloatType = Type;
    p.GetFloat = [Getter](TObject* o) { return static_cast<double>(std::invoke(Getter, Self(o))); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>) {
      using V = std::decay_t<decltype(std::invoke(Getter, static_cast<T*>(nullptr)))>;
      p.SetFloat = [Setter](TObject* o, double v) { std::invoke(Setter, Self(o), static_cast<V>(v)); };
    }
    cls_.Own.push_back(std::move(p));
    return *this;
  }
  template <class G, class S>
  TPublished& String(const std::string& Name, G Getter, S Setter, const std::string& TypeName = "String") {
    TPropInfo p = Make(Name, tkLString, TypeName);
    p.GetStr = [Getter](TObject* o) { return std::string(std::invoke(Getter, Self(o))); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>)
      p.SetStr = [Setter](TObject* o, const std::string& v) { std::invoke(Setter, Self(o), v); };
    cls_.Own.push_back(std::move(p));
    return *this;
  }
  // A value kept as text that the property storage writes and reads as text.
  template <class G, class S>
  TPublished& Variant(const std::string& Name, G Getter, S Setter) {
    String(Name, Getter, Setter, "Variant");
    cls_.Own.back().Kind = tkVariant;
    return *this;
  }
  // An object property: a TPersistent the class owns (TStrings, TFont ...)
  // or a reference to a TComponent. Setter may be nullptr for read-only ones.
  template <class C, class G, class S>
  TPublished& Object(const std::string& Name, const std::string& TypeName, G Getter, S Setter) {
    TPropInfo p = Make(Name, tkClass, TypeName);
    p.GetObj = [Getter](TObject* o) -> TObject* { return std::invoke(Getter, Self(o)); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>)
      p.SetObj = [Setter](TObject* o, TObject* v) { std::invoke(Setter, Self(o), dynamic_cast<C*>(v)); };
    cls_.Own.push_back(std::move(p));
    return *this;
  }

 private:
  static T* Self(TObject* o) { return static_cast<T*>(o); }

  TPropInfo Make(const std::string& Name, TTypeKind Kind, const std::string& TypeName) {
    TPropInfo p;
    p.Name = Name;
    p.Kind = Kind;
    p.TypeName = TypeName;
    return p;
  }

  template <class G, class S>
  TPublished& Ordinal(const std::string& Name, TTypeKind Kind, const std::string& TypeName, G Getter, S Setter) {
    TPropInfo p = Make(Name, Kind, TypeName);
    p.GetOrd = [Getter](TObject* o) { return static_cast<int64_t>(std::invoke(Getter, Self(o))); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>) {
      using V = std::decay_t<decltype(std::invoke(Getter, static_cast<T*>(nullptr)))>;
      p.SetOrd = [Setter](TObject* o, int64_t v) { std::invoke(Setter, Self(o), static_cast<V>(v)); };
    }
    cls_.Own.push_back(std::move(p));
    return *this;
  }

  TPropInfo& Last() { return cls_.Own.back(); }

  platform::TPublishedClass& cls_;
};
