#pragma once
// TExWindowHook: watches the messages of one windowed control without touching
// the control's class. Every message passes the attached hooks before and after
// the control's own processing; a hook may mark it handled. Several hooks may
// watch one control: they share one record per control (TControlHook), which
// chains itself into the control's WindowProc. A control keeps its WindowProc
// when its window is recreated, so a hook goes on working across handle changes
// without having to be installed again.

#include <functional>
#include <vector>

#include "platform/forms/Controlmessages.h"
#include "platform/forms/Twincontrol.h"
#include "platform/rtl/Tcomponent.h"

// Messages of the hidden window that does the hooks' deferred work.
inline constexpr UINT CM_RECREATEWINDOW = 0xB052;  // lParam: a record to install again
inline constexpr UINT CM_DESTROYHOOK = 0xB053;     // lParam: a record to free when unused

using THookMessageEvent = std::function<void(TObject* Sender, TMessage& Msg, bool& Handled)>;

class TControlHook;

class TExWindowHook : public TComponent {
 public:
  explicit TExWindowHook(TComponent* AOwner);
  ~TExWindowHook() override;

  bool Active() const { return active_; }
  void SetActive(bool Value);
  TWinControl* WinControl() const { return control_; }
  void SetWinControl(TWinControl* Value);
  void HookControl();
  void UnhookControl();
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // The window of the deferred work; (HWND)-1 while no control was ever hooked.
  static HWND GetHookHandle();

  THookMessageEvent BeforeMessage;
  THookMessageEvent AfterMessage;

 protected:
  virtual void DoBeforeMessage(TMessage& Msg, bool& Handled);
  virtual void DoAfterMessage(TMessage& Msg, bool& Handled);

 private:
  friend class TControlHook;
  void Detach();

  bool active_ = true;
  TWinControl* control_ = nullptr;
  TControlHook* record_ = nullptr;
};

// One hooked control: its place in the control's WindowProc chain and the hooks on it.
class TControlHook : public TObject {
 public:
  explicit TControlHook(TWinControl* Control) : control_(Control) {}
  ~TControlHook() override;

  TWinControl* Control() const { return control_; }
  int HookCount() const { return static_cast<int>(hooks_.size()); }
  void Attach(TExWindowHook* Hook);
  void Detach(TExWindowHook* Hook);
  // Puts the record's procedure in front of the control's WindowProc / takes it out.
  void Install();
  void Remove();
  bool Installed() const;
  void Proc(TMessage& Msg);
  bool Busy() const { return calls_ > 0; }

 private:
  TWinControl* control_;
  std::function<void(TMessage&)> previous_;
  std::vector<TExWindowHook*> hooks_;
  bool destroying_ = false;
  int calls_ = 0;  // the procedure's calls on the stack
};

// The records alive now, for tests.
int HookedControlCount();
