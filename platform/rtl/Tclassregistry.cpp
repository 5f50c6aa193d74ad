#include "platform/rtl/Tclassregistry.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Strutil.h"

#include <memory>
#include <mutex>
#include <vector>

namespace {

struct Registry {
  std::mutex mutex;
  std::vector<std::unique_ptr<TPersistentClass>> classes;
};

Registry& Classes() {
  static Registry registry;
  return registry;
}

}  // namespace

namespace platform {

void RegisterPersistentClass(const TPersistentClass& Class) {
  Registry& r = Classes();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (auto& c : r.classes) {
    if (!SameText(c->ClassName, Class.ClassName)) continue;
    if (c->Type == Class.Type) return;
    throw EFilerError("A class named " + Class.ClassName + " already exists");
  }
  r.classes.push_back(std::make_unique<TPersistentClass>(Class));
}

}  // namespace platform

void UnRegisterClass(const std::string& ClassName) {
  Registry& r = Classes();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (auto it = r.classes.begin(); it != r.classes.end(); ++it)
    if (SameText((*it)->ClassName, ClassName)) {
      r.classes.erase(it);
      return;
    }
}

const TPersistentClass* GetClass(const std::string& ClassName) {
  Registry& r = Classes();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (auto& c : r.classes)
    if (SameText(c->ClassName, ClassName)) return c.get();
  return nullptr;
}

const TPersistentClass& FindClass(const std::string& ClassName) {
  const TPersistentClass* c = GetClass(ClassName);
  if (!c) throw EClassNotFound("Class " + ClassName + " not found");
  return *c;
}
