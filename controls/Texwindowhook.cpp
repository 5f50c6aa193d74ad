#include "controls/Texwindowhook.h"

#include <algorithm>

#include "platform/gui/Gui.h"

namespace {

// The records of the hooked controls and the hidden window of deferred work.
// Made on first use and freed with the last record.
struct THookList {
  std::vector<TControlHook*> records;
  HWND window = nullptr;

  bool Contains(TControlHook* r) const { return std::find(records.begin(), records.end(), r) != records.end(); }
};

THookList* hookList = nullptr;

LRESULT HookListWindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if ((msg == CM_RECREATEWINDOW || msg == CM_DESTROYHOOK) && hookList) {
    auto* r = reinterpret_cast<TControlHook*>(l);
    if (!hookList->Contains(r)) return 0;
    if (msg == CM_RECREATEWINDOW) r->Install();
    else if (r->Busy()) PostMessage(h, msg, w, l);  // a modal loop inside its own procedure
    else if (r->HookCount() == 0) delete r;
    // The last record gone, the list goes with its window.
    if (hookList->records.empty()) {
      delete hookList;
      hookList = nullptr;
      DestroyWindow(h);
    }
    return 0;
  }
  return DefWindowProc(h, msg, w, l);
}

THookList& Hooks() {
  if (!hookList) {
    hookList = new THookList;
    WNDCLASS wc{};
    wc.lpfnWndProc = HookListWindowProc;
    wc.lpszClassName = "TExHookList";
    RegisterClass(&wc);
    hookList->window = CreateWindowEx(0, "TExHookList", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  }
  return *hookList;
}

TControlHook* FindRecord(TWinControl* control) {
  for (TControlHook* r : Hooks().records)
    if (r->Control() == control) return r;
  return nullptr;
}

// The record's link in a control's WindowProc chain; recognisable, so that the
// record can tell whether it is still the first link.
struct THookProc {
  TControlHook* record;
  void operator()(TMessage& m) const { record->Proc(m); }
};

bool Dying(TComponent* c) { return c->ComponentState().Contains(csDestroying); }

}  // namespace

int HookedControlCount() { return hookList ? static_cast<int>(hookList->records.size()) : 0; }

// ---- TControlHook

TControlHook::~TControlHook() {
  destroying_ = true;
  for (TExWindowHook* h : hooks_) h->record_ = nullptr;
  hooks_.clear();
  Remove();
  if (hookList) std::erase(hookList->records, this);
}

void TControlHook::Attach(TExWindowHook* Hook) {
  if (std::find(hooks_.begin(), hooks_.end(), Hook) == hooks_.end()) hooks_.push_back(Hook);
  Hook->record_ = this;
}

void TControlHook::Detach(TExWindowHook* Hook) {
  std::erase(hooks_, Hook);
  if (Hook->record_ == this) Hook->record_ = nullptr;
  if (hooks_.empty()) Remove();
}

bool TControlHook::Installed() const {
  // A control in its destructor has no WindowProc to look at any more.
  if (!control_ || Dying(control_)) return false;
  const THookProc* p = control_->WindowProc.target<THookProc>();
  return p && p->record == this;
}

void TControlHook::Install() {
  if (!control_ || destroying_ || Dying(control_) || control_->ComponentState().Contains(csDesigning)) return;
  if (Installed()) return;
  previous_ = control_->WindowProc;
  control_->WindowProc = THookProc{this};
}

void TControlHook::Remove() {
  if (!previous_) return;
  if (Installed()) control_->WindowProc = previous_;
  previous_ = nullptr;
}

void TControlHook::Proc(TMessage& Msg) {
  bool handled = false;
  if (!control_) return;
  ++calls_;
  auto phasesRun = [this] { return !hooks_.empty() && !destroying_ && !Dying(control_); };
  // A hook may leave or join while a phase runs: walk a copy.
  if (Msg.Msg != WM_QUIT && phasesRun()) {
    std::vector<TExWindowHook*> hooks = hooks_;
    for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it) (*it)->DoBeforeMessage(Msg, handled);
  }
  if (handled && Msg.Msg != WM_DESTROY) {
    --calls_;
    return;
  }
  // The record may leave the chain during the call; the link it called stays valid.
  std::function<void(TMessage&)> next = previous_;
  if (next) next(Msg);
  else control_->WndProc(Msg);
  if (Msg.Msg != WM_QUIT && phasesRun()) {
    std::vector<TExWindowHook*> hooks = hooks_;
    for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it) (*it)->DoAfterMessage(Msg, handled);
  }
  --calls_;
}

// ---- TExWindowHook

TExWindowHook::TExWindowHook(TComponent* AOwner) : TComponent(AOwner) {}

TExWindowHook::~TExWindowHook() {
  SetActive(false);
  SetWinControl(nullptr);
}

void TExWindowHook::SetActive(bool Value) {
  if (active_ == Value) return;
  if (Value) HookControl();
  else UnhookControl();
}

void TExWindowHook::HookControl() {
  if (control_ && !Dying(this)) {
    TControlHook* r = FindRecord(control_);
    if (!r) {
      r = new TControlHook(control_);
      Hooks().records.push_back(r);
    }
    r->Attach(this);
    r->Install();
  }
  active_ = true;
}

void TExWindowHook::UnhookControl() {
  Detach();
  active_ = false;
}

void TExWindowHook::Detach() {
  TControlHook* r = record_;
  if (!r) return;
  r->Detach(this);
  record_ = nullptr;
  // Never freed at once: the call may come from inside the record's own procedure.
  if (r->HookCount() == 0) PostMessage(Hooks().window, CM_DESTROYHOOK, 0, reinterpret_cast<LPARAM>(r));
}

void TExWindowHook::SetWinControl(TWinControl* Value) {
  if (Value == control_) return;
  Detach();
  if (control_) control_->RemoveFreeNotification(this);
  control_ = Value;
  if (control_) control_->FreeNotification(this);
  if (active_) HookControl();
}

void TExWindowHook::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && (AComponent == control_ || AComponent == Owner() || !Owner()))
    SetWinControl(nullptr);
}

HWND TExWindowHook::GetHookHandle() {
  return hookList ? hookList->window : reinterpret_cast<HWND>(static_cast<intptr_t>(-1));
}

void TExWindowHook::DoBeforeMessage(TMessage& Msg, bool& Handled) {
  if (BeforeMessage) BeforeMessage(this, Msg, Handled);
}

void TExWindowHook::DoAfterMessage(TMessage& Msg, bool& Handled) {
  if (AfterMessage) AfterMessage(this, Msg, Handled);
}
