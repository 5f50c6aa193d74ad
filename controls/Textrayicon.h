#pragma once
// TExTrayIcon: one icon of the program in the notification area, with a short hint;
// the area's mouse notifications become the component's events, a right click pops
// up its menu and a double click runs the menu's default item. With Animated it
// cycles through Icons, one frame every Interval milliseconds.

#include <memory>
#include <string>

#include "controls/Textimer.h"
#include "controls/Ticonlist.h"
#include "platform/forms/Controlmessages.h"
#include "platform/forms/Ticon.h"
#include "platform/forms/Tmenu.h"
#include "platform/shell/Notifyicon.h"

// The notification area's messages to the component's window.
inline constexpr UINT CM_TRAYICON = 0xB054;

class TExTrayIcon : public TComponent {
 public:
  explicit TExTrayIcon(TComponent* AOwner);
  ~TExTrayIcon() override;

  bool Active() const { return active_; }
  void SetActive(bool Value);
  void Show() { SetActive(true); }
  void Hide() { SetActive(false); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value) { enabled_ = Value; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& Value);
  TIcon* Icon() const { return icon_.get(); }
  void SetIcon(TIcon* Value);
  TIconList* Icons() const { return icons_.get(); }
  void SetIcons(TIconList* Value) { icons_->Assign(Value); }
  bool Animated() const { return animated_; }
  void SetAnimated(bool Value);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned Value);
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* Value);
  bool ShowDesign() const { return showDesign_; }
  void SetShowDesign(bool Value);

  // Whether the area took the icon, and the frame shown while animated.
  bool Added() const { return added_; }
  int FrameIndex() const { return frameIndex_; }
  HWND Handle() const { return window_; }
  // The icon shown now: the static one, or the frame of an animation.
  TIcon* GetActiveIcon() const;
  // The record given to the area: window, identifier, callback, icon and tip.
  const NOTIFYICONDATA& NotifyData() const { return data_; }

  TMouseEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void Loaded() override;
  virtual void UpdateNotifyData();
  virtual void DblClick();
  virtual void DoClick(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  // One step of the animation.
  void Timer();

 private:
  void Activate();
  void Deactivate();
  void ChangeIcon();
  bool CheckMenuPopup(int X, int Y);
  bool CheckDefaultMenuItem();
  void SendCancelMode();
  void WndProc(TMessage& Message);
  void MouseMessage(LPARAM Message);
  bool Designing() const { return ComponentState().Contains(csDesigning); }

  HWND window_ = nullptr;
  bool active_ = true;
  bool added_ = false;
  bool animated_ = false;
  bool enabled_ = true;
  bool clickedLeft_ = false, clickedRight_ = false;
  int frameIndex_ = -1;
  unsigned interval_ = 150;
  NOTIFYICONDATA data_{};
  std::unique_ptr<TIcon> icon_;
  std::unique_ptr<TIconList> icons_;
  std::unique_ptr<TExTimer> animation_;
  std::string hint_;
  bool showDesign_ = false;
  TPopupMenu* popupMenu_ = nullptr;
  bool destroying_ = false;
  std::atomic<bool> stepPosted_{false};
};
