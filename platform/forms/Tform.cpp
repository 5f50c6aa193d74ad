#include "platform/forms/Tform.h"

#include <algorithm>

#include "platform/forms/Dialogscript.h"
#include "platform/forms/Formsstate.h"
#include "platform/forms/Menuloop.h"
#include "platform/forms/Tasklist.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tmenu.h"
#include "platform/forms/Tscreen.h"
#include "platform/forms/Ttoolbar.h"
#include "platform/gui/Display.h"
#include "platform/gui/Input.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Windowmanager.h"
#include "platform/rtl/Exception.h"

TCustomForm* GetParentForm(TControl* Control) {
  while (Control && Control->Parent()) Control = Control->Parent();
  return dynamic_cast<TCustomForm*>(Control);
}

TCustomForm::TCustomForm(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControl::SetVisible(false);
  SetColor(clBtnFace);
  SetParentFont(false);
  left_ = 0;
  top_ = 0;
  width_ = 320;
  height_ = 240;
  Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  const TControlGuard guard(this);
  if (OnDestroy) OnDestroy(this);
  if (Application->MainForm() == this) Application->SetMainForm(nullptr);
  Screen->RemoveForm(this);
  activeControl_ = nullptr;
}

void TCustomForm::DoCreate() {
  if (created_) return;
  created_ = true;
  if (OnCreate) OnCreate(this);
}

// ---- window

void TCustomForm::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  Params.ExStyle = 0;
  if (!Enabled()) Params.Style |= WS_DISABLED;
  switch (borderStyle_) {
    case bsNone: Params.Style |= WS_POPUP; break;
    case bsSingle: Params.Style |= WS_CAPTION; break;
    case bsSizeable: Params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      Params.Style |= WS_POPUP | WS_CAPTION;
      Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
    case bsToolWindow:
      Params.Style |= WS_CAPTION;
      Params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      Params.Style |= WS_CAPTION | WS_THICKFRAME;
      Params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (borderStyle_ != bsNone && borderIcons_.Contains(biSystemMenu)) {
    Params.Style |= WS_SYSMENU;
    if (borderStyle_ == bsSingle || borderStyle_ == bsSizeable) {
      if (borderIcons_.Contains(biMinimize)) Params.Style |= WS_MINIMIZEBOX;
      if (borderIcons_.Contains(biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
    }
  }
  if (formStyle_ == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  Params.WndParent = nullptr;
}

void TCustomForm::CreateWnd() { TCustomControl::CreateWnd(); }

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (Value == borderStyle_) return;
  borderStyle_ = Value;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (Value == borderIcons_) return;
  borderIcons_ = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (Value == formStyle_) return;
  formStyle_ = Value;
  if (HandleAllocated())
    SetWindowPos(Handle(), Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TCustomForm::WindowState() const {
  if (HandleAllocated() && Showing()) {
    HWND h = const_cast<TCustomForm*>(this)->Handle();
    if (IsIconic(h)) return wsMinimized;
    if (IsZoomed(h)) return wsMaximized;
    return wsNormal;
  }
  return windowState_;
}

void TCustomForm::SetWindowState(TWindowState Value) {
  windowState_ = Value;
  if (HandleAllocated() && Showing())
    ShowWindow(Handle(), Value == wsMaximized ? SW_MAXIMIZE : Value == wsMinimized ? SW_MINIMIZE : SW_RESTORE);
}

void TCustomForm::SetMenu(TMainMenu* Value) {
  menu_ = Value;
  if (Value) Value->FreeNotification(this);
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  Realign();
  Invalidate();
}

bool TCustomForm::Showing() const { return HandleAllocated() && IsWindowVisible(const_cast<TCustomForm*>(this)->Handle()); }

// ---- showing

void TCustomForm::ApplyPosition() {
  if (positioned_) return;
  positioned_ = true;
  RECT area{0, 0, Screen->Width(), Screen->Height()};
  TCustomForm* over = nullptr;
  switch (position_) {
    case poMainFormCenter:
      over = Application->MainForm();
      break;
    case poOwnerFormCenter:
      over = dynamic_cast<TCustomForm*>(Owner());
      if (!over) over = Application->MainForm();
      break;
    case poDefault:
    case poDefaultPosOnly: {
      static int cascade = 0;
      int step = 24 * (cascade++ % 8);
      SetBounds(16 + step, 16 + step, width_, height_);
      return;
    }
    case poScreenCenter:
    case poDesktopCenter:
      // Over the window that asked for the form, as a modal one is (PlaceOver).
      CentreOver(GetActiveWindow());
      return;
    default:
      return;
  }
  if (over == this) over = nullptr;
  if (over && over->HandleAllocated()) area = over->BoundsRect();
  CentreOver(area);
}

void TCustomForm::CentreOver(const RECT& area) {
  SetBounds(area.left + (area.right - area.left - width_) / 2, area.top + (area.bottom - area.top - height_) / 2,
            width_, height_);
  platform::SetPlacementKind(Handle(), platform::Window::Placement::Program);
}

void TCustomForm::CentreOver(HWND Window) {
  const RECT screen{0, 0, Screen->Width(), Screen->Height()};
  RECT over{};
  // A window kept off the screen (the hidden start form) is no place to show a form over.
  const bool shown = Window && (!HandleAllocated() || Window != Handle()) && IsWindowVisible(Window) &&
                     !IsIconic(Window) && GetWindowRect(Window, &over) &&
                     PtInRect(&screen, POINT{(over.left + over.right) / 2, (over.top + over.bottom) / 2});
  CentreOver(shown ? over : screen);
}

void TCustomForm::PlaceAt(const RECT& Bounds) {
  SetBounds(Bounds.left, Bounds.top, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top);
  positioned_ = true;
  platform::SetPlacementKind(Handle(), platform::Window::Placement::Program);
  KeepOnWorkArea();
}

// A modal form belongs over the window it interrupts: a centred one is centred on it,
// and a desktop keeps it where the program puts it.
void TCustomForm::PlaceOver(HWND owner) {
  platform::Window* self = platform::FindWindowObject(Handle());
  if (!self || self->placement == platform::Window::Placement::Remembered) return;
  const bool centred = position_ == poScreenCenter || position_ == poDesktopCenter || position_ == poMainFormCenter ||
                       position_ == poOwnerFormCenter;
  RECT area{};
  if (centred && !positioned_ && owner && IsWindowVisible(owner) && !IsIconic(owner) && GetWindowRect(owner, &area)) {
    positioned_ = true;
    CentreOver(area);
  }
  platform::SetPlacementKind(Handle(), platform::Window::Placement::Program);
}

// A window with a frame opens on the screen whatever placement it was given or
// remembered: cut to the work area and moved into it. Frameless windows are placed
// exactly by their code (hidden forms off the screen among them).
void TCustomForm::KeepOnWorkArea() {
  if (borderStyle_ == bsNone || windowState_ != wsNormal) return;
  RECT area = Screen->WorkAreaRect();
  int width = std::min(width_, int(area.right - area.left)), height = std::min(height_, int(area.bottom - area.top));
  int left = std::clamp(left_, int(area.left), int(area.right) - width);
  int top = std::clamp(top_, int(area.top), int(area.bottom) - height);
  if (left != left_ || top != top_ || width != width_ || height != height_) SetBounds(left, top, width, height);
}

void TCustomForm::ShowWindowNow() {
  int cmd = windowState_ == wsMaximized ? SW_SHOWMAXIMIZED : windowState_ == wsMinimized ? SW_SHOWMINIMIZED : SW_SHOW;
  ShowWindow(Handle(), cmd);
  if (windowState_ != wsMinimized) SetForegroundWindow(Handle());
}

void TCustomForm::SetVisible(bool Value) {
  if (Value == Visible()) return;
  const TControlGuard guard(this);
  if (Value) {
    DoCreate();
    HandleNeeded();
    ApplyPosition();
    KeepOnWorkArea();
    TControl::SetVisible(true);
    formState_.Include(fsVisible);
    DoShow();
    if (guard.Gone() || !Visible()) return;
    ShowWindowNow();
  } else {
    TControl::SetVisible(false);
    formState_.Exclude(fsVisible);
    DoHide();
    if (guard.Gone()) return;
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
  }
}

void TCustomForm::Show() {
  SetVisible(true);
  if (HandleAllocated() && Visible()) {
    BringWindowToTop(Handle());
    SetForegroundWindow(Handle());
  }
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

std::vector<HWND> TCustomForm::DisableOtherWindows() {
  std::vector<HWND> disabled;
  for (int i = 0; i < Screen->FormCount(); ++i) {
    TCustomForm* f = Screen->Forms(i);
    if (f == this || !f->HandleAllocated()) continue;
    HWND h = f->Handle();
    if (IsWindowVisible(h) && IsWindowEnabled(h)) {
      EnableWindow(h, FALSE);
      disabled.push_back(h);
    }
  }
  return disabled;
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || formState_.Contains(fsModal))
    throw EInvalidOperation("Cannot make a visible window modal");
  if (HWND capture = GetCapture()) {
    SendMessage(capture, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
  }
  const TControlGuard guard(this);
  HWND previous = GetActiveWindow();
  // The desktop keeps a modal form above the window it interrupts.
  platform::CurrentDisplay().ModalOver(Handle(), previous);
  PlaceOver(previous);
  formState_.Include(fsModal);
  std::vector<HWND> disabled = DisableOtherWindows();
  Application->ModalStarted();
  modalResult_ = mrNone;
  TModalResult result = mrCancel;
  try {
    Show();
    bool scripted = platform::DialogScriptActive();
    if (guard.Alive() && scripted) platform::AnswerModal(*this);
    while (guard.Alive()) {
      if (modalResult_ == mrNone) {
        if (Application->Terminated()) {
          modalResult_ = mrCancel;
        } else if (scripted) {
          // A scripted test has no person to close the form: what is queued is all.
          Application->ProcessMessages();
          if (guard.Gone()) break;
          if (modalResult_ == mrNone) {
            platform::ModalLeftOpen(*this);
            if (guard.Alive()) modalResult_ = mrCancel;
            break;
          }
        } else {
          Application->HandleMessage();
          continue;
        }
      }
      CloseModal();
      if (guard.Gone() || modalResult_ != mrNone) break;
    }
    if (guard.Alive()) result = modalResult_;
  } catch (...) {
    for (HWND h : disabled) EnableWindow(h, TRUE);
    Application->ModalFinished();
    if (guard.Alive()) {
      formState_.Exclude(fsModal);
      Hide();
    }
    throw;
  }
  for (HWND h : disabled) EnableWindow(h, TRUE);
  Application->ModalFinished();
  if (guard.Alive()) {
    formState_.Exclude(fsModal);
    if (Visible()) Hide();
    if (HandleAllocated()) platform::CurrentDisplay().ModalOver(Handle(), nullptr);
  }
  if (previous && IsWindow(previous) && IsWindowVisible(previous)) SetActiveWindow(previous);
  return result;
}

void TCustomForm::CloseModal() {
  const TControlGuard guard(this);
  TCloseAction action = caNone;
  if (CloseQuery()) {
    if (guard.Gone()) return;
    action = caHide;
    DoClose(action);
  }
  if (guard.Gone()) return;
  switch (action) {
    case caNone: modalResult_ = mrNone; break;
    case caFree: Release(); break;
    default: break;
  }
}

bool TCustomForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
  if (formState_.Contains(fsModal)) {
    modalResult_ = mrCancel;
    return;
  }
  const TControlGuard guard(this);
  if (!CloseQuery() || guard.Gone()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (guard.Gone() || action == caNone) return;
  if (this == Application->MainForm()) {
    Application->Terminate();
    if (action == caFree) Release();
    return;
  }
  switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
  }
}

void TCustomForm::Release() {
  if (HandleAllocated()) PostMessage(Handle(), CM_RELEASE, 0, 0);
  else FreeDeferred();
}

// ---- focus

void TCustomForm::FocusControl(TWinControl* Control) {
  if (!Control) return;
  if (Showing() && Control->CanFocus() && Active()) {
    ::SetFocus(Control->Handle());
  } else {
    activeControl_ = Control;
    if (Showing() && Control->CanFocus()) ::SetFocus(Control->Handle());
  }
}

void TCustomForm::SetActiveControl(TWinControl* Control) { FocusControl(Control); }

void TCustomForm::SetFocus() {
  if (!HandleAllocated() || !Showing()) return;
  SetActiveWindow(Handle());
  if (activeControl_ && activeControl_->CanFocus()) ::SetFocus(activeControl_->Handle());
}

void TCustomForm::SetFocusedControl(TWinControl* Control) {
  if (activeControl_ == Control) return;
  TWinControl* old = activeControl_;
  activeControl_ = Control;
  const TControlGuard guard(this);
  if (old && ContainsControl(old)) {
    for (TWinControl* c = old; c && c != this && !c->ContainsControl(Control); c = c->Parent()) {
      c->Perform(CM_EXIT, 0, 0);
      if (guard.Gone()) return;
    }
  }
  std::vector<TWinControl*> entering;
  for (TWinControl* c = Control; c && c != this && !(old && c->ContainsControl(old)); c = c->Parent())
    entering.push_back(c);
  for (auto it = entering.rbegin(); it != entering.rend(); ++it) {
    (*it)->Perform(CM_ENTER, 0, 0);
    if (guard.Gone()) return;
  }
  // Every control of the form hears where the focus went.
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
  if (guard.Gone()) return;
  if (Screen->OnActiveControlChange) Screen->OnActiveControlChange(Screen);
}

void TCustomForm::ControlRemoved(TControl* Control) {
  for (TControl* c = activeControl_; c; c = c->Parent())
    if (c == Control) {
      activeControl_ = nullptr;
      return;
    }
}

void TCustomForm::SelectFirst() {
  TWinControl* c = FindNextControl(nullptr, true, true, false);
  if (!c) c = FindNextControl(nullptr, true, false, false);
  if (c) ::SetFocus(c->Handle());
  else ::SetFocus(Handle());
}

void TCustomForm::Activated(bool Active) {
  const TControlGuard guard(this);
  active_ = Active;
  if (Active) {
    Screen->SetActiveForm(this);
    Application->ActiveChanged(true);
    formState_.Include(fsActivated);
    if (OnActivate) OnActivate(this);
    if (guard.Gone()) return;
    if (activeControl_ && activeControl_->CanFocus()) ::SetFocus(activeControl_->Handle());
    else SelectFirst();
  } else {
    if (OnDeactivate) OnDeactivate(this);
  }
}

// ---- keys

TControl* TCustomForm::DefaultButton() const {
  std::vector<TWinControl*> list;
  const_cast<TCustomForm*>(this)->GetTabOrderList(list);
  for (TWinControl* w : list)
    if (auto* b = dynamic_cast<TButton*>(w); b && b->Default()) return b;
  return nullptr;
}

bool TCustomForm::DoKeyDown(WORD& Key, TShiftState Shift) {
  const TControlGuard guard(this);
  KeyDown(Key, Shift);
  return guard.Gone() || Key == 0;
}

bool TCustomForm::DoKeyUp(WORD& Key, TShiftState Shift) {
  const TControlGuard guard(this);
  KeyUp(Key, Shift);
  return guard.Gone() || Key == 0;
}

bool TCustomForm::DoKeyPress(char& Key) {
  const TControlGuard guard(this);
  KeyPress(Key);
  return guard.Gone() || Key == 0;
}

void TCustomForm::KeyDown(WORD& Key, TShiftState Shift) { TWinControl::KeyDown(Key, Shift); }
void TCustomForm::KeyUp(WORD& Key, TShiftState Shift) { TWinControl::KeyUp(Key, Shift); }
void TCustomForm::KeyPress(char& Key) { TWinControl::KeyPress(Key); }

void TCustomForm::DialogKey(TMessage& Message) {
  WORD key = static_cast<WORD>(Message.WParam);
  TShiftState shift = CurrentShiftState();
  if (key == VK_TAB && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) {
    SelectNext(activeControl_, !shift.Contains(ssShift), true);
    Message.Result = 1;
    return;
  }
  if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) {
    if (activeControl_ && activeControl_->Parent()) {
      activeControl_->Parent()->SelectNext(activeControl_, key == VK_RIGHT || key == VK_DOWN, false);
      Message.Result = 1;
    }
    return;
  }
  if ((key == VK_MENU || key == VK_F10) && menu_) {
    Message.Result = menu_->ActivateByKeyboard(this) ? 1 : 0;
    return;
  }
  // Without a menu bar, F10 opens the first menu of the form's tool bar.
  if (key == VK_F10) {
    TToolBar* bar = MenuToolBar(this);
    if (bar && bar->OpenMenuByKeyboard(bar->FirstEnabledButton())) {
      Message.Result = 1;
      return;
    }
  }
  Broadcast(Message);
}

// The tool bar that stands in for a menu bar: the first visible one with buttons.
TToolBar* TCustomForm::MenuToolBar(TWinControl* Within) {
  for (int i = 0; i < Within->ControlCount(); ++i) {
    auto* c = dynamic_cast<TWinControl*>(Within->Controls(i));
    if (!c || !c->Visible()) continue;
    if (auto* bar = dynamic_cast<TToolBar*>(c); bar && bar->FirstEnabledButton() >= 0) return bar;
    if (TToolBar* inner = MenuToolBar(c)) return inner;
  }
  return nullptr;
}

bool TCustomForm::IsShortCut(WORD Key, TShiftState Shift) {
  if (menu_ && menu_->IsShortCut(Key, Shift)) return true;
  // Alt and an underlined letter of a tool bar's caption open that menu.
  if (!menu_ && Shift == TShiftState{ssAlt} && ((Key >= 'A' && Key <= 'Z') || (Key >= '0' && Key <= '9')))
    if (TToolBar* bar = MenuToolBar(this)) {
      const int index = bar->ButtonOfHotkey(static_cast<char>(Key));
      if (index >= 0) return bar->OpenMenuByKeyboard(index);
    }
  // Popup menus of the form answer their short cuts as well.
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* p = dynamic_cast<TPopupMenu*>(Components(i)); p && p->IsShortCut(Key, Shift)) return true;
  return false;
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == menu_) menu_ = nullptr;
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_CLOSE:
      Close();
      return;
    case CM_RELEASE:
      FreeDeferred();
      return;
    case WM_ACTIVATE: {
      bool active = LOWORD(Message.WParam) != WA_INACTIVE;
      HWND other = reinterpret_cast<HWND>(Message.LParam);
      const TControlGuard guard(this);
      Activated(active);
      // The program as a whole loses the activation when it goes to no form of ours.
      if (guard.Alive() && !active && !TWinControl::FindControl(other)) Application->ActiveChanged(false);
      return;
    }
    case WM_SETFOCUS:
      if (activeControl_ && activeControl_ != static_cast<TWinControl*>(this) && activeControl_->CanFocus() &&
          activeControl_->HandleAllocated()) {
        ::SetFocus(activeControl_->Handle());
        return;
      }
      break;
    case CM_DIALOGKEY:
      DialogKey(Message);
      return;
    case WM_SYSCOMMAND:
      if ((Message.WParam & 0xFFF0) == SC_TASKLIST) {
        ShowTaskList();
        return;
      }
      break;
    case WM_NCCALCSIZE:
      TCustomControl::WndProc(Message);
      if (menu_ && Message.LParam) reinterpret_cast<RECT*>(Message.LParam)->top += menu_->Height();
      return;
    case WM_NCPAINT:
      TCustomControl::WndProc(Message);
      if (menu_) platform::menus::RedrawBar(this);
      return;
    case WM_NCHITTEST:
      if (menu_) {
        RECT wr{};
        GetWindowRect(Handle(), &wr);
        POINT p{GET_X_LPARAM(Message.LParam) - wr.left, GET_Y_LPARAM(Message.LParam) - wr.top};
        RECT bar = menu_->BarRect(this);
        if (PtInRect(&bar, p)) {
          Message.Result = HTMENU;
          return;
        }
      }
      break;
    case WM_NCLBUTTONDOWN:
      if (menu_ && Message.WParam == static_cast<WPARAM>(HTMENU)) {
        RECT wr{};
        GetWindowRect(Handle(), &wr);
        POINT p{GET_X_LPARAM(Message.LParam) - wr.left, GET_Y_LPARAM(Message.LParam) - wr.top};
        int index = menu_->ItemAt(this, p);
        if (index >= 0) menu_->TrackBar(this, index, false);
        return;
      }
      break;
    case CM_DIALOGCHAR:
      if (menu_ && menu_->DialogChar(this, static_cast<char>(Message.WParam))) {
        Message.Result = 1;
        return;
      }
      Broadcast(Message);
      return;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}
