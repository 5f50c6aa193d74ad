#include "controls/Textrayicon.h"

#include <algorithm>
#include <cstring>

#include "controls/Ctlwindows.h"
#include "platform/forms/Allocatehwnd.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tform.h"
#include "platform/forms/Thintwindow.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Gui.h"

namespace {
// Posted by the animation's worker: show the next frame (on the main thread, where the
// icons and the area are changed).
constexpr UINT kAnimationStep = WM_USER + 0x0B55;
}  // namespace

TExTrayIcon::TExTrayIcon(TComponent* AOwner)
    : TComponent(AOwner),
      icon_(std::make_unique<TIcon>()),
      icons_(std::make_unique<TIconList>()),
      animation_(std::make_unique<TExTimer>(nullptr)) {
  window_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  icon_->OnChange = [this](TObject*) { ChangeIcon(); };
  icons_->OnChange = [this](TObject*) { ChangeIcon(); };
  animation_->SetEnabled(false);
  animation_->SetSyncEvent(false);
  animation_->SetInterval(interval_);
  animation_->SetOnTimer([this](TObject*) {
    if (!stepPosted_.exchange(true) && !PostMessage(window_, kAnimationStep, 0, 0)) stepPosted_ = false;
  });
}

TExTrayIcon::~TExTrayIcon() {
  destroying_ = true;
  enabled_ = false;
  icon_->OnChange = nullptr;
  icons_->OnChange = nullptr;
  SetAnimated(false);
  Deactivate();
  animation_.reset();
  DeallocateHWnd(window_);
  window_ = nullptr;
}

void TExTrayIcon::Loaded() {
  TComponent::Loaded();
  if (active_ && !Designing()) Activate();
}

void TExTrayIcon::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == popupMenu_) popupMenu_ = nullptr;
}

// ---- properties

void TExTrayIcon::SetActive(bool Value) {
  if (Value == active_) return;
  active_ = Value;
  if (Designing()) return;
  if (Value) Activate();
  else Deactivate();
}

void TExTrayIcon::SetHint(const std::string& Value) {
  hint_ = Value;
  ChangeIcon();
}

void TExTrayIcon::SetIcon(TIcon* Value) {
  if (Value) icon_->Assign(Value);
  else icon_->Assign(std::make_unique<TIcon>().get());
}

void TExTrayIcon::SetInterval(unsigned Value) {
  interval_ = Value;
  animation_->SetInterval(Value);
}

void TExTrayIcon::SetPopupMenu(TPopupMenu* Value) {
  popupMenu_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TExTrayIcon::SetShowDesign(bool Value) {
  if (!Designing()) return;
  showDesign_ = Value;
  if (Value) Activate();
  else Deactivate();
}

void TExTrayIcon::SetAnimated(bool Value) {
  bool effective = Value && icons_->Count() > 0;
  if (effective == animated_) return;
  animated_ = effective;
  animation_->SetEnabled(animated_ && added_);
  frameIndex_ = 0;
  ChangeIcon();
}

// ---- the icon in the area

TIcon* TExTrayIcon::GetActiveIcon() const {
  if (icons_->Count() > 0 && animated_) return icons_->Icons(std::clamp(frameIndex_, 0, icons_->Count() - 1));
  return icon_.get();
}

void TExTrayIcon::UpdateNotifyData() {
  std::memset(&data_, 0, sizeof data_);
  data_.cbSize = 88;
  data_.hWnd = window_;
  data_.uID = 0;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = CM_TRAYICON;
  // The icon object stands for its handle; none is the invalid handle.
  TIcon* icon = GetActiveIcon();
  data_.hIcon = icon ? icon->Handle() : reinterpret_cast<HICON>(static_cast<intptr_t>(-1));
  std::string tip = GetShortHint(hint_).substr(0, sizeof data_.szTip - 1);
  std::memcpy(data_.szTip, tip.c_str(), tip.size() + 1);
}

void TExTrayIcon::Activate() {
  Deactivate();
  TIcon* icon = GetActiveIcon();
  if (!icon || icon->Empty()) return;
  clickedLeft_ = clickedRight_ = false;
  UpdateNotifyData();
  added_ = Shell_NotifyIcon(NIM_ADD, &data_);
  if (GetShortHint(hint_).empty() && added_) Shell_NotifyIcon(NIM_MODIFY, &data_);
  if (animated_) animation_->SetEnabled(added_);
}

void TExTrayIcon::Deactivate() {
  Shell_NotifyIcon(NIM_DELETE, &data_);
  added_ = false;
  clickedLeft_ = clickedRight_ = false;
  if (animated_) animation_->SetEnabled(false);
}

void TExTrayIcon::ChangeIcon() {
  if (icons_->Count() == 0) SetAnimated(false);
  if (added_) {
    TIcon* icon = GetActiveIcon();
    if (icon && !icon->Empty()) {
      UpdateNotifyData();
      Shell_NotifyIcon(NIM_MODIFY, &data_);
    } else {
      Deactivate();
    }
  } else if ((Designing() && showDesign_) || (!Designing() && active_)) {
    Activate();
  }
}

void TExTrayIcon::Timer() {
  if (destroying_ || !animated_) return;
  ++frameIndex_;
  if (frameIndex_ >= icons_->Count()) frameIndex_ = 0;
  ChangeIcon();
}

// ---- mouse

void TExTrayIcon::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TExTrayIcon::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TExTrayIcon::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TExTrayIcon::DoClick(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbRight && CheckMenuPopup(X, Y)) return;
  if (OnClick) OnClick(this, Button, Shift, X, Y);
}

void TExTrayIcon::DblClick() {
  if (!CheckDefaultMenuItem() && OnDblClick) OnDblClick(this);
}

void TExTrayIcon::SendCancelMode() {
  if (destroying_) return;
  TCustomForm* form = ::Screen->ActiveForm();
  if (!form) form = Application->MainForm();
  if (form && form->HandleAllocated()) form->Perform(WM_CANCELMODE, 0, 0);
}

bool TExTrayIcon::CheckMenuPopup(int X, int Y) {
  if (Designing() || !active_ || !popupMenu_ || !popupMenu_->AutoPopup()) return false;
  popupMenu_->SetPopupComponent(this);
  SendCancelMode();
  SwitchToWindow(window_, false);
  Application->ProcessMessages();
  try {
    popupMenu_->Popup(X, Y);
  } catch (...) {
    SwitchToWindow(window_, false);
    throw;
  }
  SwitchToWindow(window_, false);
  return true;
}

bool TExTrayIcon::CheckDefaultMenuItem() {
  if (Designing() || !active_ || !popupMenu_ || popupMenu_->Items()->Count() == 0) return false;
  TMenuItem* items = popupMenu_->Items();
  for (int i = 0; i < items->Count(); ++i) {
    TMenuItem* item = items->Items(i);
    if (item->Default() && item->Enabled()) {
      item->Click();
      return true;
    }
  }
  return false;
}

void TExTrayIcon::MouseMessage(LPARAM Message) {
  POINT p{};
  GetCursorPos(&p);
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
  auto with = [&](TShiftStateItem item) {
    TShiftState s = shift;
    s.Include(item);
    return s;
  };
  switch (Message) {
    case WM_MOUSEMOVE: MouseMove(shift, p.x, p.y); break;
    case WM_LBUTTONDOWN:
      MouseDown(mbLeft, with(ssLeft), p.x, p.y);
      clickedLeft_ = true;
      break;
    case WM_LBUTTONUP:
      if (clickedLeft_) {
        clickedLeft_ = false;
        DoClick(mbLeft, with(ssLeft), p.x, p.y);
      }
      MouseUp(mbLeft, with(ssLeft), p.x, p.y);
      break;
    case WM_LBUTTONDBLCLK:
      DblClick();
      MouseDown(mbLeft, with(ssDouble), p.x, p.y);
      break;
    case WM_RBUTTONDOWN:
      MouseDown(mbRight, with(ssRight), p.x, p.y);
      clickedRight_ = true;
      break;
    case WM_RBUTTONUP:
      if (clickedRight_) {
        clickedRight_ = false;
        DoClick(mbRight, with(ssRight), p.x, p.y);
      }
      MouseUp(mbRight, with(ssRight), p.x, p.y);
      break;
    case WM_RBUTTONDBLCLK: MouseDown(mbRight, with(ssDouble), p.x, p.y); break;
    case WM_MBUTTONDOWN: MouseDown(mbMiddle, with(ssMiddle), p.x, p.y); break;
    case WM_MBUTTONUP: MouseUp(mbMiddle, with(ssMiddle), p.x, p.y); break;
    case WM_MBUTTONDBLCLK: MouseDown(mbMiddle, with(ssDouble), p.x, p.y); break;
    default: break;
  }
}

void TExTrayIcon::WndProc(TMessage& Message) {
  try {
    if (Message.Msg == kAnimationStep) {
      stepPosted_ = false;
      Timer();
      return;
    }
    if (Message.Msg != CM_TRAYICON || !enabled_) {
      Message.Result = DefWindowProc(window_, Message.Msg, Message.WParam, Message.LParam);
      return;
    }
    MouseMessage(Message.LParam);
  } catch (...) {
    Application->HandleException(this);
  }
}
