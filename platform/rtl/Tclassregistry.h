#pragma once
// The registered classes: RegisterClass makes a persistent class known by its
// name, so that it can be made from the name alone (GetClass, FindClass), as
// reading stored forms and component lists needs.

#include "platform/rtl/Tcomponent.h"

#include <functional>
#include <string>
#include <type_traits>
#include <typeindex>

class TComponent;

struct TPersistentClass {
  std::string ClassName;
  std::type_index Type = typeid(void);
  // Makes an object of the class; components get the owner, other classes ignore it.
  std::function<TPersistent*(TComponent* Owner)> Create;
  // True when the object is of this class or one derived from it.
  std::function<bool(const TObject*)> InheritsFrom;
};

namespace platform {
// Registers under the name; EFilerError "A class named X already exists" when
// another class has that name.
void RegisterPersistentClass(const TPersistentClass& Class);
}  // namespace platform

template <class T>
void RegisterClass() {
  static_assert(std::is_base_of_v<TPersistent, T>);
  TPersistentClass c;
  c.ClassName = ClassNameOf(typeid(T));
  c.Type = typeid(T);
  c.Create = [](TComponent* owner) -> TPersistent* {
    if constexpr (std::is_constructible_v<T, TComponent*>) return new T(owner);
    else {
      (void)owner;
      return new T();
    }
  };
  c.InheritsFrom = [](const TObject* o) { return dynamic_cast<const T*>(o) != nullptr; };
  platform::RegisterPersistentClass(c);
}

void UnRegisterClass(const std::string& ClassName);
// The class of that name (ignoring case), or null.
const TPersistentClass* GetClass(const std::string& ClassName);
// The same, raising EClassNotFound "Class X not found" for an unknown name.
const TPersistentClass& FindClass(const std::string& ClassName);
