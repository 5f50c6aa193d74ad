#include "controls/Progresscontrols.h"

#include <memory>
#include <vector>

#include "platform/forms/Tupdown.h"
#include "platform/rtl/Tpropinfo.h"

namespace {

constexpr size_t kMaxName = 63;

struct TProgressProp {
  TControlClass ControlClass;
  std::string MaxProp, MinProp, PositionProp;
};

enum TProgressKind { pkMax, pkMin, pkPosition };

// The progress bar's range and position, published for the setters.
void PublishProgressBar() {
  TPublished<TProgressBar>("TProgressBar")
      .Integer("Max", &TProgressBar::Max, &TProgressBar::SetMax)
      .Integer("Min", &TProgressBar::Min, &TProgressBar::SetMin)
      .Integer("Position", &TProgressBar::Position, &TProgressBar::SetPosition);
}

std::vector<TProgressProp>& ProgressList() {
  static std::vector<TProgressProp> list = [] {
    PublishProgressBar();
    return std::vector<TProgressProp>{{ControlClass<TProgressBar>(), "Max", "Min", "Position"}};
  }();
  return list;
}

// The last entry whose class is the control's or one of its ancestors.
const TProgressProp* FindEntry(TControl* Control) {
  if (!Control) return nullptr;
  auto& list = ProgressList();
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (it->ControlClass.Matches(Control)) return &*it;
  return nullptr;
}

bool SetProgressProp(TControl* Control, TProgressKind Kind, int Value) {
  const TProgressProp* entry = FindEntry(Control);
  if (!entry) return false;
  const std::string& name = Kind == pkMax ? entry->MaxProp : Kind == pkMin ? entry->MinProp : entry->PositionProp;
  const TPropInfo* prop = GetPropInfo(Control, name);
  if (!prop) return false;
  switch (prop->Kind) {
    case tkInteger:
    case tkInt64:
      if (!prop->SetOrd) return false;
      SetOrdProp(Control, prop, Value);
      return true;
    case tkFloat:
      if (!prop->SetFloat) return false;
      SetFloatProp(Control, prop, Value);
      return true;
    case tkVariant:
      if (!prop->SetStr) return false;
      SetStrProp(Control, prop, std::to_string(Value));
      return true;
    default:
      return false;
  }
}

}  // namespace

void RegisterProgressControl(const TControlClass& AClass, const std::string& MaxPropName,
                             const std::string& MinPropName, const std::string& ProgressPropName) {
  ProgressList().push_back(TProgressProp{AClass, MaxPropName.substr(0, kMaxName), MinPropName.substr(0, kMaxName),
                                         ProgressPropName.substr(0, kMaxName)});
}

void UnRegisterProgressControl(const TControlClass& AClass) {
  auto& list = ProgressList();
  std::erase_if(list, [&](const TProgressProp& p) { return p.ControlClass.InheritsFrom(AClass); });
}

bool SupportsProgressControl(TControl* Control) { return FindEntry(Control) != nullptr; }

bool SetProgressMax(TControl* Control, int MaxValue) { return SetProgressProp(Control, pkMax, MaxValue); }

bool SetProgressMin(TControl* Control, int MinValue) { return SetProgressProp(Control, pkMin, MinValue); }

bool SetProgressValue(TControl* Control, int ProgressValue) { return SetProgressProp(Control, pkPosition, ProgressValue); }
