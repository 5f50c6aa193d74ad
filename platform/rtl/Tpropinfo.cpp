#include "platform/rtl/Tpropinfo.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Strutil.h"

#include <map>
#include <memory>
#include <mutex>

namespace platform {
namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::type_index, std::unique_ptr<TPublishedClass>> classes;
};

Registry& Classes() {
  static Registry registry;
  return registry;
}

}  // namespace

TPublishedClass& PublishedClassOf(std::type_index Type) {
  Registry& r = Classes();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto& entry = r.classes[Type];
  if (!entry) entry = std::make_unique<TPublishedClass>();
  return *entry;
}

namespace {

// The registered class deepest in the tree that the object belongs to.
const TPublishedClass* ClassOfObject(const TObject* instance) {
  if (!instance) return nullptr;
  Registry& r = Classes();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto exact = r.classes.find(std::type_index(typeid(*instance)));
  if (exact != r.classes.end() && exact->second->Matches) return exact->second.get();
  const TPublishedClass* best = nullptr;
  for (auto& [type, cls] : r.classes)
    if (cls->Matches && cls->Matches(instance) && (!best || cls->Depth() > best->Depth())) best = cls.get();
  return best;
}

void Collect(const TPublishedClass* cls, TTypeKinds kinds, std::vector<const TPropInfo*>& out) {
  if (!cls) return;
  Collect(cls->Parent, kinds, out);
  for (const TPropInfo& p : cls->Own)
    if (kinds.Contains(p.Kind)) out.push_back(&p);
}

[[noreturn]] void NoAccess(const TPropInfo* p, const char* what) {
  throw EPropertyError("Property " + (p ? p->Name : std::string("(none)")) + " has no " + what + " value");
}

}  // namespace
}  // namespace platform

std::vector<const TPropInfo*> GetPropList(const TObject* Instance, TTypeKinds Kinds) {
  std::vector<const TPropInfo*> out;
  platform::Collect(platform::ClassOfObject(Instance), Kinds, out);
  return out;
}

const TPropInfo* GetPropInfo(const TObject* Instance, const std::string& PropName) {
  // The most derived declaration wins when a descendant declares a name again.
  auto list = GetPropList(Instance, TTypeKinds::FromBits(~uint64_t(0)));
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (SameText((*it)->Name, PropName)) return *it;
  return nullptr;
}

bool IsPublishedProp(const TObject* Instance, const std::string& PropName) {
  return GetPropInfo(Instance, PropName) != nullptr;
}

int64_t GetOrdProp(TObject* Instance, const TPropInfo* PropInfo) {
  if (!PropInfo || !PropInfo->GetOrd) platform::NoAccess(PropInfo, "ordinal");
  return PropInfo->GetOrd(Instance);
}

void SetOrdProp(TObject* Instance, const TPropInfo* PropInfo, int64_t Value) {
  if (!PropInfo || !PropInfo->SetOrd) platform::NoAccess(PropInfo, "writable ordinal");
  PropInfo->SetOrd(Instance, Value);
}

double GetFloatProp(TObject* Instance, const TPropInfo* PropInfo) {
  if (!PropInfo || !PropInfo->GetFloat) platform::NoAccess(PropInfo, "floating");
  return PropInfo->GetFloat(Instance);
}

void SetFloatProp(TObject* Instance, const TPropInfo* PropInfo, double Value) {
  if (!PropInfo || !PropInfo->SetFloat) platform::NoAccess(PropInfo, "writable floating");
  PropInfo->SetFloat(Instance, Value);
}

std::string GetStrProp(TObject* Instance, const TPropInfo* PropInfo) {
  if (!PropInfo || !PropInfo->GetStr) platform::NoAccess(PropInfo, "text");
  return PropInfo->GetStr(Instance);
}

void SetStrProp(TObject* Instance, const TPropInfo* PropInfo, const std::string& Value) {
  if (PropInfo && PropInfo->Kind == tkChar && PropInfo->SetOrd) {
    PropInfo->SetOrd(Instance, Value.empty() ? 0 : static_cast<unsigned char>(Value[0]));
    return;
  }
  if (!PropInfo || !PropInfo->SetStr) platform::NoAccess(PropInfo, "writable text");
  PropInfo->SetStr(Instance, Value);
}

TObject* GetObjectProp(TObject* Instance, const TPropInfo* PropInfo) {
  if (!PropInfo || !PropInfo->GetObj) platform::NoAccess(PropInfo, "object");
  return PropInfo->GetObj(Instance);
}

void SetObjectProp(TObject* Instance, const TPropInfo* PropInfo, TObject* Value) {
  if (!PropInfo || !PropInfo->SetObj) platform::NoAccess(PropInfo, "writable object");
  PropInfo->SetObj(Instance, Value);
}

std::string GetEnumName(const TPropInfo* PropInfo, int64_t Value) {
  if (!PropInfo) return std::string();
  int64_t i = Value - PropInfo->MinValue;
  if (i < 0 || i >= static_cast<int64_t>(PropInfo->EnumNames.size())) return std::string();
  return PropInfo->EnumNames[static_cast<size_t>(i)];
}

int64_t GetEnumValue(const TPropInfo* PropInfo, const std::string& Name) {
  if (!PropInfo) return -1;
  for (size_t i = 0; i < PropInfo->EnumNames.size(); ++i)
    if (SameText(PropInfo->EnumNames[i], Name)) return static_cast<int64_t>(i) + PropInfo->MinValue;
  return -1;
}
