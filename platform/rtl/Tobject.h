#pragma once
// Roots of the class tree: TObject (run-time class name) and TPersistent
// (assignment between objects). Events are std::function values; an event is
// "assigned" when the function is not empty.

#include <functional>
#include <string>

class TObject;

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;

  // The name of the object's most derived class, without namespaces ("TStringList").
  std::string ClassName() const;
};

class TPersistent : public TObject {
 public:
  // Copies the state of Source into this object. A source that does not know
  // how to be copied here raises EConvertError "Cannot assign a X to a Y".
  virtual void Assign(TPersistent* Source);
  // Copies this object into Dest; the base refuses.
  virtual void AssignTo(TPersistent* Dest);
  virtual std::string GetNamePath() const;

 protected:
  virtual TPersistent* GetOwner() const { return nullptr; }
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

// The name of a polymorphic class without namespaces, from its type information.
std::string ClassNameOf(const std::type_info& type);
