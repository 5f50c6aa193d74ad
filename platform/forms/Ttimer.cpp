#include "platform/forms/Ttimer.h"

#include <map>
#include <set>

#include "platform/gui/Messagequeue.h"

namespace {

std::map<UINT_PTR, TTimer*>& Timers() {
  static std::map<UINT_PTR, TTimer*> timers;
  return timers;
}

// Timers not yet freed: an event may free its own timer.
std::set<const TTimer*>& LiveTimers() {
  static std::set<const TTimer*> live;
  return live;
}

void TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = Timers().find(id);
  if (it != Timers().end()) it->second->Timer();
}

}  // namespace

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  LiveTimers().insert(this);
  Update();
}

TTimer::~TTimer() {
  LiveTimers().erase(this);
  enabled_ = false;
  Update();
}

void TTimer::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  Update();
}

void TTimer::SetInterval(unsigned Value) {
  if (Value == interval_) return;
  interval_ = Value;
  Update();
}

void TTimer::Update() {
  if (id_) {
    KillTimer(nullptr, id_);
    Timers().erase(id_);
    id_ = 0;
  }
  if (enabled_ && interval_ > 0) {
    id_ = SetTimer(nullptr, 0, interval_, TimerProc);
    if (id_) Timers()[id_] = this;
  }
}

void TTimer::Timer() {
  if (running_) return;
  running_ = true;
  if (OnTimer) OnTimer(this);
  // The event may have freed the timer, or changed its interval or switched it off.
  if (LiveTimers().count(this)) running_ = false;
}
