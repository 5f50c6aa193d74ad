#include "platform/forms/Twincontrol.h"

#include <algorithm>

#include "platform/forms/Formsstate.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tcustomcontrol.h"
#include "platform/forms/Tform.h"
#include "platform/forms/Thintwindow.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Cursor.h"
#include "platform/gui/Defwindowproc.h"
#include "platform/gui/Input.h"
#include "platform/gui/Listbox.h"
#include "platform/gui/Painting.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Shapes.h"
#include "platform/gui/Windowclass.h"
#include "platform/gui/Windowmanager.h"
#include "platform/rtl/Exception.h"

using namespace platform::forms;

namespace {
TWinControl* creating = nullptr;
bool altAlone = false;
}

LRESULT FormsWindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  auto* c = reinterpret_cast<TWinControl*>(GetWindowLong(h, GWL_USERDATA));
  if (!c && msg == WM_NCCREATE && creating) {
    c = creating;
    creating = nullptr;
    c->handle_ = h;
    SetWindowLong(h, GWL_USERDATA, reinterpret_cast<LONG_PTR>(c));
  }
  if (!c) return DefWindowProc(h, msg, w, l);
  if (msg == WM_NCDESTROY) {
    WNDPROC previous = c->defProc_;
    c->handle_ = nullptr;
    c->defProc_ = nullptr;
    SetWindowLong(h, GWL_USERDATA, 0);
    return previous ? CallWindowProc(previous, h, msg, w, l) : DefWindowProc(h, msg, w, l);
  }
  TMessage m{msg, w, l, 0};
  ++messageDepth;
  try {
    c->WindowProc(m);
  } catch (...) {
    // Nothing an event raises leaves the window procedure.
    Application->HandleException(static_cast<TObject*>(c));
  }
  --messageDepth;
  if (messageDepth == 0) {
    RunDeferredFrees();
    TControlCanvas::FreeDeviceContexts();
  }
  return m.Result;
}

TWinControl* TWinControl::FindControl(HWND Handle) {
  if (!Handle || !IsWindow(Handle)) return nullptr;
  if (reinterpret_cast<WNDPROC>(GetWindowLong(Handle, GWL_WNDPROC)) != FormsWindowProc) return nullptr;
  return reinterpret_cast<TWinControl*>(GetWindowLong(Handle, GWL_USERDATA));
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), brush_(std::make_unique<TBrush>()) {
  brush_->SetColor(Color());
}

TWinControl::~TWinControl() {
  Destroying();
  if (parent_) parent_->RemoveControl(this);
  DetachHandles();
  while (!controls_.empty()) {
    TControl* c = controls_.back();
    RemoveControl(c);
    delete c;
  }
}

void TWinControl::DetachHandles() {
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyWnd();  // a control may keep what its window held
  if (handle_) {
    HWND h = handle_;
    handle_ = nullptr;
    SetWindowLong(h, GWL_USERDATA, 0);
    if (defProc_) SetWindowLong(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(defProc_));
    defProc_ = nullptr;
    DestroyWindow(h);
  }
}

// ---- handle

HWND TWinControl::Handle() {
  if (!handle_) CreateHandle();
  return handle_;
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  CreateWnd();
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params.Caption = Caption();
  Params.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (Visible()) Params.Style |= WS_VISIBLE;
  if (!Enabled()) Params.Style |= WS_DISABLED;
  if (tabStop_) Params.Style |= WS_TABSTOP;
  Params.X = left_;
  Params.Y = top_;
  Params.Width = width_;
  Params.Height = height_;
  // Asking for the parameters (to measure the client area) makes no window.
  if (parent_ && parent_->HandleAllocated()) Params.WndParent = parent_->Handle();
  Params.ClassStyle = CS_DBLCLKS;
  Params.WinClassName = ClassName();
}

void TWinControl::CreateWnd() {
  if (parent_) parent_->HandleNeeded();
  if (handle_) return;  // made meanwhile, with the parent's children
  TCreateParams p;
  CreateParams(p);
  if ((p.Style & WS_CHILD) && !p.WndParent)
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  if (p.SystemClass) {
    HWND h = CreateWindowEx(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width,
                            p.Height, p.WndParent, nullptr, nullptr, nullptr);
    if (!h) throw EOutOfResources("Error creating window");
    defProc_ = reinterpret_cast<WNDPROC>(GetWindowLong(h, GWL_WNDPROC));
    SetWindowLong(h, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLong(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FormsWindowProc));
    handle_ = h;
    WindowMoved();
    return;
  }
  WNDCLASS existing{};
  if (!GetClassInfo(nullptr, p.WinClassName.c_str(), &existing)) {
    WNDCLASS wc{};
    wc.style = p.ClassStyle;
    wc.lpfnWndProc = FormsWindowProc;
    wc.hCursor = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
    wc.lpszClassName = p.WinClassName.c_str();
    RegisterClass(&wc);
  }
  creating = this;
  HWND h = CreateWindowEx(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width,
                          p.Height, p.WndParent, nullptr, nullptr, nullptr);
  creating = nullptr;
  if (!h) throw EOutOfResources("Error creating window");
  handle_ = h;
  WindowMoved();
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateHandle();
  Realign();
}

void TWinControl::DestroyWnd() {
  if (!handle_) return;
  HWND h = handle_;
  DetachHandles();
  (void)h;
}

void TWinControl::DestroyHandle() { DestroyWnd(); }

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  bool focused = Focused();
  // A window shown (a form, maximized or not) is shown again as it was.
  DWORD style = static_cast<DWORD>(GetWindowLong(handle_, GWL_STYLE));
  DestroyHandle();
  CreateHandle();
  if ((style & WS_VISIBLE) && !(GetWindowLong(handle_, GWL_STYLE) & WS_VISIBLE))
    ShowWindow(handle_, (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : (style & WS_MINIMIZE) ? SW_SHOWMINNOACTIVE : SW_SHOWNA);
  if (focused && CanFocus()) SetFocus();
}

// ---- children

void TWinControl::InsertControl(TControl* AControl) {
  AControl->parent_ = this;
  controls_.push_back(AControl);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    tabList_.push_back(w);
    if (handle_) w->CreateHandle();
  }
  if (AControl->parentFont_) {
    AControl->font_->Assign(Font());
    AControl->parentFont_ = true;
  }
  AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  AControl->CaptureAnchorBase();
  AControl->Invalidate();
  if (AControl->Align() != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto it = std::find(controls_.begin(), controls_.end(), AControl);
  if (it == controls_.end()) return;
  AControl->Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
    if (w->handle_ && !(ComponentState().Contains(csDestroying))) w->DestroyWnd();
  }
  if (TCustomForm* form = GetParentForm(this)) form->ControlRemoved(AControl);
  controls_.erase(std::find(controls_.begin(), controls_.end(), AControl));
  AControl->parent_ = nullptr;
  if (captureControl == AControl && !dynamic_cast<TWinControl*>(AControl)) {
    captureControl = nullptr;
    ReleaseCapture();
  }
  if (AControl->Align() != alNone) Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const {
  for (TControl* c = Control; c; c = c->parent_)
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    bool win = dynamic_cast<TWinControl*>(c) != nullptr;
    if (win && !AllowWinControls) continue;
    if (!c->Visible() || (!c->Enabled() && !AllowDisabled)) continue;
    RECT r = c->BoundsRect();
    if (PtInRect(&r, Pos)) return c;
  }
  return nullptr;
}

// ---- focus and tab order

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

bool TWinControl::CanFocus() const {
  const TControl* c = this;
  for (; c; c = c->Parent()) {
    if (!c->Visible() || !c->Enabled()) return false;
    if (dynamic_cast<const TCustomForm*>(c)) return true;
  }
  return true;
}

void TWinControl::SetFocus() {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this) {
    form->FocusControl(this);
  } else if (handle_ || Showing()) {
    ::SetFocus(Handle());
  }
}

int TWinControl::TabOrder() const {
  if (!parent_) return -1;
  auto& v = parent_->tabList_;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TWinControl::SetTabOrder(int Value) {
  if (!parent_) return;
  auto& v = parent_->tabList_;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  if (Value < 0) Value = 0;
  if (Value > static_cast<int>(v.size())) Value = static_cast<int>(v.size());
  v.insert(v.begin() + Value, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* w : tabList_) {
    List.push_back(w);
    w->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int n = static_cast<int>(list.size());
  auto it = std::find(list.begin(), list.end(), CurControl);
  int i = it == list.end() ? (GoForward ? n - 1 : 0) : static_cast<int>(it - list.begin());
  for (int step = 0; step < n; ++step) {
    i = GoForward ? (i + 1) % n : (i - 1 + n) % n;
    TWinControl* c = list[i];
    if (c == CurControl) return nullptr;
    if (CheckTabStop && !c->TabStop()) continue;
    if (CheckParent && c->Parent() != this) continue;
    if (!c->CanFocus()) continue;
    bool hiddenAncestor = false;
    for (TWinControl* p = c->Parent(); p && p != this; p = p->Parent())
      if (!p->Visible() || !p->Enabled()) hiddenAncestor = true;
    if (hiddenAncestor) continue;
    return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* c = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop)) c->SetFocus();
}

void TWinControl::Broadcast(TMessage& Message) {
  std::vector<TControl*> copy = controls_;
  for (TControl* c : copy) {
    if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) continue;
    c->WindowProc(Message);
    if (Message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT Msg) {
  std::vector<TControl*> copy = controls_;
  for (TControl* c : copy) c->Perform(Msg, 0, 0);
}

// ---- layout

void TWinControl::EnableAlign() {
  if (--alignDisabled_ <= 0) {
    alignDisabled_ = 0;
    Realign();
  }
}

void TWinControl::Realign() {
  if (alignDisabled_ > 0 || aligning_) {
    alignPending_ = true;
    return;
  }
  // A change made while laying out asks for one more pass; never loop for ever.
  for (int pass = 0; pass < 4; ++pass) {
    alignPending_ = false;
    aligning_ = true;
    RECT r = ClientRect();
    AdjustClientRect(r);
    AlignControls(nullptr, r);
    aligning_ = false;
    if (!alignPending_) break;
  }
}

void TWinControl::AlignControls(TControl* AControl, RECT& Rect) {
  (void)AControl;
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> list;
    for (TControl* c : controls_)
      if (c->Align() == a && c->Visible()) list.push_back(c);
    auto key = [a](TControl* c) {
      switch (a) {
        case alTop: return c->Top();
        case alBottom: return -(c->Top() + c->Height());
        case alLeft: return c->Left();
        case alRight: return -(c->Left() + c->Width());
        default: return 0;
      }
    };
    std::stable_sort(list.begin(), list.end(), [&](TControl* x, TControl* y) { return key(x) < key(y); });
    for (TControl* c : list) {
      int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
      switch (a) {
        case alTop:
          c->SetBounds(Rect.left, Rect.top, w, c->Height());
          Rect.top += c->Height();
          break;
        case alBottom:
          c->SetBounds(Rect.left, Rect.bottom - c->Height(), w, c->Height());
          Rect.bottom -= c->Height();
          break;
        case alLeft:
          c->SetBounds(Rect.left, Rect.top, c->Width(), h);
          Rect.left += c->Width();
          break;
        case alRight:
          c->SetBounds(Rect.right - c->Width(), Rect.top, c->Width(), h);
          Rect.right -= c->Width();
          break;
        default:
          c->SetBounds(Rect.left, Rect.top, w, h);
          break;
      }
    }
  }
  RECT client = ClientRect();
  for (TControl* c : controls_)
    if (c->Align() == alNone) c->ApplyAnchors(client.right - client.left, client.bottom - client.top);
}

POINT TWinControl::ClientOrigin() {
  if (!handle_) return TControl::ClientOrigin();
  POINT p{0, 0};
  ::ClientToScreen(handle_, &p);
  return p;
}

RECT TWinControl::ClientRect() {
  if (handle_) {
    RECT r{};
    GetClientRect(handle_, &r);
    return r;
  }
  TCreateParams p;
  p.Style = WS_CHILD;
  if (dynamic_cast<TCustomForm*>(this) || parent_) {
    try {
      CreateParams(p);
    } catch (...) {
    }
  }
  RECT in = platform::NonClientInsets(p.Style, p.ExStyle);
  return RECT{0, 0, std::max(0, width_ - in.left - in.right), std::max(0, height_ - in.top - in.bottom)};
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  CanResize(AWidth, AHeight);
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  RECT old = BoundsRect();
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  if (handle_ && !movingWindow_) {
    movingWindow_ = true;
    SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
    movingWindow_ = false;
  }
  BoundsChanged(old);
}

void TWinControl::BoundsChanged(const RECT& Old) {
  bool sized = (Old.right - Old.left) != width_ || (Old.bottom - Old.top) != height_;
  const TControlGuard guard(this);
  if (sized) Realign();
  if (guard.Gone()) return;
  bool alignedByParent = parent_ && parent_->aligning_;
  if (parent_ && !alignedByParent) {
    CaptureAnchorBase();
    if (Align() != alNone) RequestAlign();
  }
  if (sized) Resize();
}

// The window system moved or sized the window: take over its rectangle.
void TWinControl::WindowMoved() {
  if (!handle_ || movingWindow_) return;
  RECT r{};
  GetWindowRect(handle_, &r);
  HWND parent = GetParent(handle_);
  if (parent && (GetWindowLong(handle_, GWL_STYLE) & WS_CHILD)) {
    POINT tl{r.left, r.top};
    ::ScreenToClient(parent, &tl);
    r = RECT{tl.x, tl.y, tl.x + r.right - r.left, tl.y + r.bottom - r.top};
  }
  if (IsIconic(handle_)) return;
  movingWindow_ = true;
  UpdateBoundsFrom(r.left, r.top, r.right - r.left, r.bottom - r.top);
  movingWindow_ = false;
}

bool TWinControl::Showing() const { return handle_ && IsWindowVisible(handle_); }

void TWinControl::SetVisible(bool Value) {
  if (Value == Visible()) return;
  TControl::SetVisible(Value);
}

void TWinControl::VisibleChanged() {
  if (handle_) ShowWindow(handle_, Visible() ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::EnabledChanged() {
  if (handle_) EnableWindow(handle_, Enabled());
  Invalidate();
  NotifyControls(CM_ENABLEDCHANGED);
}

void TWinControl::ColorChanged() {
  brush_->SetColor(Color());
  Invalidate();
  NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::FontChanged() {
  Invalidate();
  NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::TextChanged() {
  if (handle_) SetWindowText(handle_, Caption().c_str());
  Invalidate();
}

void TWinControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, !ControlStyle().Contains(csOpaque));
}

void TWinControl::Update() {
  if (handle_) UpdateWindow(handle_);
}

// ---- painting

void TWinControl::PaintWindow(HDC DC) { (void)DC; }

namespace {

// Paints the visible graphic controls of a list (a copy: painting may change the
// children) at their places on DC.
void PaintGraphicControls(std::vector<TControl*> controls, HDC DC) {
  for (TControl* c : controls) {
    if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
    RECT r = c->BoundsRect();
    if (!RectVisible(DC, &r)) continue;
    int saved = SaveDC(DC);
    POINT org{};
    GetViewportOrgEx(DC, &org);
    SetViewportOrgEx(DC, org.x + c->Left(), org.y + c->Top(), nullptr);
    IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, saved);
  }
}

}  // namespace

void TWinControl::PaintControls(HDC DC) { PaintGraphicControls(controls_, DC); }

void TWinControl::PaintBehind(TControl* Child, HDC DC) {
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
  PaintWindow(DC);
  auto end = std::find(controls_.begin(), controls_.end(), Child);
  PaintGraphicControls(std::vector<TControl*>(controls_.begin(), end), DC);
}

void TWinControl::PaintHandler(HDC DC) {
  const TControlGuard guard(this);
  PaintWindow(DC);
  if (guard.Alive()) PaintControls(DC);
}

// ---- keyboard

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

bool TWinControl::DoKeyDown(WORD& Key, TShiftState Shift) {
  const TControlGuard guard(this);
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyDown(Key, Shift)) return true;
  if (guard.Gone()) return true;
  KeyDown(Key, Shift);
  return guard.Gone() || Key == 0;
}

bool TWinControl::DoKeyUp(WORD& Key, TShiftState Shift) {
  const TControlGuard guard(this);
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyUp(Key, Shift)) return true;
  if (guard.Gone()) return true;
  KeyUp(Key, Shift);
  return guard.Gone() || Key == 0;
}

bool TWinControl::DoKeyPress(char& Key) {
  const TControlGuard guard(this);
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyPress(Key)) return true;
  if (guard.Gone()) return true;
  KeyPress(Key);
  return guard.Gone() || Key == 0;
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

// ---- mouse

bool TWinControl::IsControlMouseMsg(TMessage& Message) {
  TControl* target = nullptr;
  POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  if (captureControl && captureControl->parent_ == this && !dynamic_cast<TWinControl*>(captureControl)) {
    target = captureControl;
  } else if (!captureControl || captureControl == this) {
    target = ControlAtPos(p, false);
  }
  if (!target) return false;
  if (Message.Msg == WM_MOUSEMOVE) TrackMouse(target);
  TMessage m{Message.Msg, Message.WParam, MAKELPARAM(p.x - target->Left(), p.y - target->Top()), 0};
  const TControlGuard guard(target);
  target->WindowProc(m);
  Message.Result = m.Result;
  // A control may name what lies under the pointer only as the pointer moves over it.
  if (Message.Msg == WM_MOUSEMOVE && guard.Alive()) platform::hints::MouseMoved(target);
  return true;
}

void TWinControl::TrackMouse(TControl* Over) {
  if (mouseControl == Over) return;
  platform::hints::MouseOver(Over);
  TControl* old = mouseControl;
  mouseControl = Over;
  if (old) old->Perform(CM_MOUSELEAVE, 0, 0);
  if (mouseControl == Over && Over) Over->Perform(CM_MOUSEENTER, 0, 0);
}

bool TWinControl::SetCursorFor(LPARAM HitTest) {
  if (LOWORD(HitTest) != HTCLIENT) return false;
  TCursor cursor = Screen->Cursor();
  if (cursor == crDefault) {
    POINT p{};
    GetCursorPos(&p);
    ::ScreenToClient(handle_, &p);
    TControl* c = ControlAtPos(p, false);
    if (!c) c = this;
    cursor = c->Cursor();
  }
  if (cursor == crDefault) return false;
  ::SetCursor(Screen->Cursors(cursor));
  return true;
}

// ---- messages

void TWinControl::WndProc(TMessage& Message) {
  const TControlGuard guard(this);
  UINT msg = Message.Msg;
  if ((msg >= WM_LBUTTONDOWN && msg <= WM_MBUTTONDBLCLK) || msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN)
    platform::hints::Cancel();
  if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && msg != WM_MOUSEWHEEL) {
    if (IsControlMouseMsg(Message)) return;
    if (msg == WM_MOUSEMOVE) TrackMouse(this);
    if (msg == WM_LBUTTONDOWN && TabStop() && CanFocus() && !Focused()) {
      SetFocus();
      if (guard.Gone()) return;
    }
    TControl::WndProc(Message);
    if (guard.Alive()) DefaultHandler(Message);
    if (guard.Alive() && msg == WM_MOUSEMOVE) platform::hints::MouseMoved(this);
    return;
  }
  if (defProc_ && (msg == WM_PAINT || msg == WM_ERASEBKGND)) {
    // A control of a system class paints itself.
    DefaultHandler(Message);
    return;
  }
  switch (msg) {
    case WM_PAINT:
      if (Message.WParam) {
        PaintHandler(reinterpret_cast<HDC>(Message.WParam));
      } else {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        PaintHandler(dc);
        if (guard.Alive() && handle_) EndPaint(handle_, &ps);
      }
      return;
    case WM_ERASEBKGND:
      if (!ControlStyle().Contains(csOpaque)) {
        RECT r{};
        GetClientRect(handle_, &r);
        ::FillRect(reinterpret_cast<HDC>(Message.WParam), &r, brush_->Handle());
      }
      Message.Result = 1;
      return;
    case WM_SETCURSOR:
      if (SetCursorFor(Message.LParam)) {
        Message.Result = 1;
        return;
      }
      break;
    case WM_CAPTURECHANGED:
      if (captureControl && (captureControl == this || captureControl->parent_ == this) &&
          reinterpret_cast<HWND>(Message.LParam) != handle_)
        captureControl = nullptr;
      break;
    case WM_SIZE:
    case WM_MOVE:
      WindowMoved();
      if (guard.Gone()) return;
      break;
    case WM_SETFOCUS: {
      if (TCustomForm* form = GetParentForm(this); form && form != this) form->SetFocusedControl(this);
      if (guard.Gone()) return;
      Invalidate();
      break;
    }
    case WM_KILLFOCUS:
      Invalidate();
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = static_cast<WORD>(Message.WParam);
      eatChar_ = false;
      TShiftState shift = KeyDataToShiftState(Message.LParam);
      if (TCustomForm* form = GetParentForm(this); form && form->IsShortCut(key, shift)) return;
      if (guard.Gone()) return;
      if (DoKeyDown(key, shift)) return;
      if (key == VK_F1 && msg == WM_KEYDOWN) {
        // Help on the focused control, else on its form.
        int context = 0;
        for (TControl* c = this; c && !context; c = c->Parent()) context = c->HelpContext();
        if (context) {
          Application->HelpContext(context);
          return;
        }
      }
      bool dialogKey = key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE || key == VK_LEFT ||
                       key == VK_RIGHT || key == VK_UP || key == VK_DOWN || key == VK_CANCEL;
      if (msg == WM_KEYDOWN && dialogKey && !WantsKey(key) && !shift.Contains(ssCtrl)) {
        TCustomForm* form = GetParentForm(this);
        if (form && form->Perform(CM_DIALOGKEY, key, Message.LParam)) {
          if (guard.Alive()) eatChar_ = true;
          return;
        }
        if (guard.Gone()) return;
      }
      // Alt alone opens the menu bar when it is let go; F10 at once.
      altAlone = key == VK_MENU && !(Message.LParam & 0x40000000);
      if (msg == WM_SYSKEYDOWN && key == VK_F10) {
        if (TCustomForm* form = GetParentForm(this); form && form->Perform(CM_DIALOGKEY, key, Message.LParam)) return;
        if (guard.Gone()) return;
      }
      Message.WParam = key;
      break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      WORD key = static_cast<WORD>(Message.WParam);
      if (key == VK_MENU && altAlone) {
        altAlone = false;
        if (TCustomForm* form = GetParentForm(this); form && form->Perform(CM_DIALOGKEY, VK_MENU, Message.LParam)) return;
        if (guard.Gone()) return;
      }
      if (DoKeyUp(key, KeyDataToShiftState(Message.LParam))) return;
      Message.WParam = key;
      break;
    }
    case WM_CHAR: {
      if (eatChar_) {
        eatChar_ = false;
        return;
      }
      char ch = static_cast<char>(Message.WParam);
      if (DoKeyPress(ch)) return;
      Message.WParam = static_cast<unsigned char>(ch);
      break;
    }
    case WM_SYSCHAR: {
      TCustomForm* form = GetParentForm(this);
      if (form && form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam)) {
        Message.Result = 0;
        return;
      }
      if (guard.Gone()) return;
      break;
    }
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
      Broadcast(Message);
      return;
    case CM_FOCUSCHANGED:
      Broadcast(Message);
      Message.Result = 0;
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (Message.LParam) {
        TWinControl* child = FindControl(reinterpret_cast<HWND>(Message.LParam));
        if (child && child != this) {
          Message.Result = child->Perform(CN_BASE + msg, Message.WParam, Message.LParam);
          return;
        }
      }
      break;
    case WM_COMMAND:
    case WM_CTLCOLORLISTBOX:
      if (ReflectTo(reinterpret_cast<HWND>(Message.LParam), Message)) return;
      break;
    case WM_DRAWITEM:
      if (Message.LParam && ReflectTo(reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam)->hwndItem, Message)) return;
      break;
    case WM_MEASUREITEM:
      if (Message.LParam && ReflectTo(reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam)->hwndItem, Message)) return;
      break;
    case CM_ENTER:
      DoEnter();
      return;
    case CM_EXIT:
      DoExit();
      return;
    default:
      break;
  }
  TControl::WndProc(Message);
}

bool TWinControl::ReflectTo(HWND Child, TMessage& Message) {
  TWinControl* child = Child ? FindControl(Child) : nullptr;
  if (!child || child == this) return false;
  Message.Result = child->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
  return true;
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (!handle_) return;
  if (Message.Msg >= CM_BASE && Message.Msg < CM_BASE + 0x1000) return;
  Message.Result = defProc_ ? CallWindowProc(defProc_, handle_, Message.Msg, Message.WParam, Message.LParam)
                            : DefWindowProc(handle_, Message.Msg, Message.WParam, Message.LParam);
}
