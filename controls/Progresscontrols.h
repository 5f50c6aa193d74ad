#pragma once
// Driving any progress-like control by its class: a registry maps control classes to
// the names of their maximum, minimum and position properties, and the setters below
// write those published properties of a control. The class library's progress bar
// is registered from the start; later registrations take precedence.

#include <functional>
#include <string>
#include <typeindex>

#include "platform/forms/Tcontrol.h"

// A control class, as the registry knows it: the class or any class derived from it.
struct TControlClass {
  std::string Name;
  std::type_index Type = typeid(void);
  std::function<bool(const TObject*)> Matches;  // the object is of the class or derives from it
  std::function<void()> Raise;                  // raises a null pointer of the class
  std::function<bool(const std::function<void()>&)> Catches;  // what Raise raises is of the class
  // Whether this class is Ancestor or derives from it.
  bool InheritsFrom(const TControlClass& Ancestor) const { return Ancestor.Catches(Raise); }
};

template <class T>
TControlClass ControlClass() {
  TControlClass c;
  c.Name = ClassNameOf(typeid(T));
  c.Type = typeid(T);
  c.Matches = [](const TObject* o) { return dynamic_cast<const T*>(o) != nullptr; };
  // A class relation without an object: a pointer of the derived class is caught as a
  // pointer of its ancestors.
  c.Raise = [] { throw static_cast<T*>(nullptr); };
  c.Catches = [](const std::function<void()>& raise) {
    try {
      raise();
    } catch (T*) {
      return true;
    } catch (...) {
      return false;
    }
    return false;
  };
  return c;
}

void RegisterProgressControl(const TControlClass& AClass, const std::string& MaxPropName,
                             const std::string& MinPropName, const std::string& ProgressPropName);
// Drops the entries of the class and of the classes derived from it.
void UnRegisterProgressControl(const TControlClass& AClass);
bool SupportsProgressControl(TControl* Control);
// Each true when the property was set.
bool SetProgressMax(TControl* Control, int MaxValue);
bool SetProgressMin(TControl* Control, int MinValue);
bool SetProgressValue(TControl* Control, int ProgressValue);
