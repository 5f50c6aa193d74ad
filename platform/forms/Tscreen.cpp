#include "platform/forms/Tscreen.h"

#include <algorithm>

#include "platform/forms/Tform.h"
#include "platform/gui/Cursor.h"
#include "platform/gui/Input.h"
#include "platform/gui/Sysmetrics.h"

TScreen::TScreen(TComponent* AOwner)
    : TComponent(AOwner), hintFont_(std::make_unique<TFont>()), menuFont_(std::make_unique<TFont>()) {
  hintFont_->SetColor(clInfoText);
  menuFont_->SetColor(clMenuText);
}

TScreen::~TScreen() = default;

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

RECT TScreen::WorkAreaRect() const {
  RECT r{0, 0, Width(), Height()};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

void TScreen::SetCursor(TCursor Value) {
  if (Value == cursor_) return;
  cursor_ = Value;
  if (Value != crDefault) {
    ::SetCursor(Cursors(Value));
  } else {
    // The window under the mouse chooses its cursor again, as a move of the mouse would
    // make it choose: asked at once, for a desktop sends no move where the mouse stays.
    POINT p{};
    GetCursorPos(&p);
    HWND under = GetCapture() ? nullptr : WindowFromPoint(p);
    const LRESULT hit = under ? SendMessage(under, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)) : 0;
    if (!under || !SendMessage(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE)))
      ::SetCursor(Cursors(crDefault));
  }
}

HCURSOR TScreen::Cursors(TCursor Index) {
  auto it = cursors_.find(Index);
  if (it != cursors_.end()) return it->second;
  using platform::CursorShape;
  CursorShape shape = CursorShape::Arrow;
  switch (Index) {
    case crNone: shape = CursorShape::Blank; break;
    case crCross: shape = CursorShape::Cross; break;
    case crIBeam: shape = CursorShape::IBeam; break;
    case crSizeNESW: shape = CursorShape::SizeNESW; break;
    case crSizeNS: shape = CursorShape::SizeNS; break;
    case crSizeNWSE: shape = CursorShape::SizeNWSE; break;
    case crSizeWE: shape = CursorShape::SizeWE; break;
    case crUpArrow: shape = CursorShape::UpArrow; break;
    case crHourGlass:
    case crSQLWait: shape = CursorShape::Wait; break;
    case crDrag: shape = CursorShape::Drag; break;
    case crNoDrop: shape = CursorShape::NoDrop; break;
    case crHSplit: shape = CursorShape::HSplit; break;
    case crVSplit: shape = CursorShape::VSplit; break;
    case crMultiDrag: shape = CursorShape::MultiDrag; break;
    case crNo: shape = CursorShape::No; break;
    case crAppStart: shape = CursorShape::AppStarting; break;
    case crHelp: shape = CursorShape::Help; break;
    case crHandPoint: shape = CursorShape::Hand; break;
    case crSizeAll: shape = CursorShape::SizeAll; break;
    default: break;
  }
  return platform::StockCursor(shape);
}

void TScreen::SetCursors(TCursor Index, HCURSOR Value) { cursors_[Index] = Value; }

TWinControl* TScreen::ActiveControl() const { return activeForm_ ? activeForm_->ActiveControl() : nullptr; }

void TScreen::AddForm(TCustomForm* Form) { forms_.push_back(Form); }

void TScreen::RemoveForm(TCustomForm* Form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), Form), forms_.end());
  if (activeForm_ == Form) SetActiveForm(nullptr);
}

void TScreen::SetActiveForm(TCustomForm* Form) {
  if (activeForm_ == Form) return;
  activeForm_ = Form;
  if (Form) {
    // The active form goes first, as the system's z-order would have it.
    forms_.erase(std::remove(forms_.begin(), forms_.end(), Form), forms_.end());
    forms_.insert(forms_.begin(), Form);
  }
  if (OnActiveFormChange) OnActiveFormChange(this);
}
