#include "controls/Tcustomcomboedit.h"

#include <algorithm>
#include <memory>

#include "controls/Newcontrol.h"

namespace {

TShortCut ShortCutOf(WORD Key, TShiftState Shift) {
  TShortCut s = Key;
  if (Shift.Contains(ssShift)) s |= scShift;
  if (Shift.Contains(ssCtrl)) s |= scCtrl;
  if (Shift.Contains(ssAlt)) s |= scAlt;
  return s;
}

// A white bitmap with black pixels where Ink says; white is its transparent colour.
std::unique_ptr<TBitmap> InkBitmap(int Width, int Height, const std::function<bool(int, int)>& Ink) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(Width, Height);
  b->Canvas()->Brush()->SetColor(clWhite);
  b->Canvas()->FillRect(RECT{0, 0, Width, Height});
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      if (Ink(x, y)) b->Canvas()->SetPixels(x, y, clBlack);
  return b;
}

// The arrow of a drop-down list.
std::unique_ptr<TBitmap> ArrowBitmap() {
  return InkBitmap(7, 4, [](int x, int y) { return x >= y && x <= 6 - y; });
}

// Three dots, as wide as the button allows.
std::unique_ptr<TBitmap> EllipsisBitmap(int ButtonWidth) {
  int width = std::max(1, ButtonWidth - 6);
  int gap = std::clamp((width - 6) / 2, 1, 3);
  int x0 = (width - 6 - 2 * gap) / 2;
  return InkBitmap(width, 4, [=](int x, int y) {
    if (y < 1 || y > 2) return false;
    for (int left : {x0, x0 + gap + 2, x0 + 2 * gap + 4})
      if (x >= left && x < left + 2) return true;
    return false;
  });
}

int FontHeight(TFont* Font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font->Handle());
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return tm.tmHeight;
}

}  // namespace

// ---- TPopupWindow

TPopupWindow::TPopupWindow(TCustomComboEdit* AOwner) : TCustomControl(AOwner), editor_(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls, csNoDesignVisible, csReplicatable};
  SetVisible(false);
  SetParent(AOwner);
}

void TPopupWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
  Params.ExStyle = WS_EX_TOOLWINDOW;
  Params.ClassStyle |= CS_SAVEBITS;
}

void TPopupWindow::WndProc(TMessage& Message) {
  if (Message.Msg == WM_MOUSEACTIVATE) {
    Message.Result = MA_NOACTIVATE;
    return;
  }
  TCustomControl::WndProc(Message);
}

void TPopupWindow::Show(POINT Origin) {
  SetWindowPos(Handle(), HWND_TOP, Origin.x, Origin.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SetVisible(true);
}

void TPopupWindow::Hide() {
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetVisible(false);
}

void TPopupWindow::CloseUp(bool Accept) {
  if (OnCloseUp) OnCloseUp(this, Accept);
}

void TPopupWindow::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TControlGuard guard(this);
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (guard.Gone() || Button != mbLeft) return;
  RECT client = ClientRect();
  CloseUp(PtInRect(&client, POINT{X, Y}) != 0);
}

void TPopupWindow::InvalidateEditor() {
  if (!editor_->HandleAllocated()) return;
  RECT r = editor_->ClientRect();
  if (editor_->ButtonHolder()->Visible()) r.right -= editor_->ButtonHolder()->Width() + 2;
  r.bottom += 1;
  InvalidateRect(editor_->Handle(), &r, FALSE);
  UpdateWindow(editor_->Handle());
}

// ---- TEditButton

TEditButton::TEditButton(TComponent* AOwner, TCustomComboEdit* Editor) : TExSpeedButton(AOwner), editor_(Editor) {
  controlStyle_.Include(csReplicatable);
  SetParentShowHint(true);
}

void TEditButton::Paint() {
  TExSpeedButton::Paint();
  if (State() == rbsDown || State() == rbsExclusive) return;
  TCanvas* c = Canvas();
  c->Pen()->SetColor(NewStyleControls ? clBtnFace : clBtnShadow);
  c->MoveTo(0, 0);
  c->LineTo(0, Height());
  c->Pen()->SetColor(clBtnHighlight);
  c->MoveTo(1, 1);
  c->LineTo(1, Height() - 2);
}

void TEditButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    noAction_ = editor_->PopupVisible();
    if (noAction_) {
      editor_->PopupCloseUp(editor_->Popup(), true);
    } else if (editor_->TabStop() && editor_->CanFocus() && !editor_->Focused()) {
      editor_->SetFocus();
    }
  }
  TExSpeedButton::MouseDown(Button, Shift, X, Y);
}

void TEditButton::Click() {
  // The click that closed the popup does not open it again.
  if (noAction_) {
    noAction_ = false;
    return;
  }
  TExSpeedButton::Click();
}

// ---- TCustomComboEdit

TCustomComboEdit::TCustomComboEdit(TComponent* AOwner) : TMaskEdit(AOwner) {
  controlStyle_.Include(csCaptureMouse);
  SetAutoSize(false);
  const auto holder = [](TCustomControl& box) {
    box.SetControlStyle(box.ControlStyle() + TControlStyle{csReplicatable});
  };
  const TControlMaker button = {[this](TComponent* owner) { return button_ = new TEditButton(owner, this); }, nullptr};
  // clang-format off
  BuildControls(*this, {
      {Into(btnControl_, holder), "", "", {0, 0, 21, 17}},
      {button, "", btnControl_, {0, 0, 21, 17}, alNone, std::nullopt, [this] { DoClick(); }},
  });
  // clang-format on
  SetHeight(21);
  UpdateBtnBounds();
}

TCustomComboEdit::~TCustomComboEdit() { button_->OnClick = nullptr; }

void TCustomComboEdit::CreateWnd() {
  TMaskEdit::CreateWnd();
  SetEditRect();
}

void TCustomComboEdit::SetEditRect() {
  if (!HandleAllocated()) return;
  RECT r{0, 0, ClientWidth() - (btnControl_->Visible() ? btnControl_->Width() : 0) - 2, ClientHeight() + 1};
  Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TCustomComboEdit::UpdateBtnBounds() {
  int w = button_->Width(), h = ClientHeight();
  btnControl_->SetBounds(ClientWidth() - w, 0, w, h);
  button_->SetBounds(0, 0, w, h);
  SetEditRect();
}

void TCustomComboEdit::BoundsChanged(const RECT& Old) {
  TMaskEdit::BoundsChanged(Old);
  if (!ComponentState().Contains(csLoading) && Height() < GetMinHeight()) {
    SetHeight(GetMinHeight());
    return;
  }
  UpdateBtnBounds();
}

int TCustomComboEdit::GetTextHeight() {
  TFont screenFont;
  return std::min(FontHeight(&screenFont), FontHeight(Font()));
}

int TCustomComboEdit::GetMinHeight() { return GetTextHeight() + 4 * GetSystemMetrics(SM_CYBORDER) + 1; }

void TCustomComboEdit::SetButtonWidth(int Value) {
  if (Value == ButtonWidth()) return;
  btnControl_->SetVisible(Value > 1);
  if (!ComponentState().Contains(csLoading) && Value >= ClientWidth() && ClientWidth() > 0) return;
  button_->SetControlStyle(button_->ControlStyle() - TControlStyle{csFixedWidth});
  button_->SetWidth(Value);
  UpdateBtnBounds();
  RecreateGlyph();
}

bool TCustomComboEdit::BtnWidthStored() const {
  TBitmap* glyph = button_->Glyph();
  if (glyphKind_ == gkDefault && glyph && !glyph->Empty())
    return ButtonWidth() != std::max(glyph->Width() / std::max(1, button_->NumGlyphs()) + 6, 21);
  if (glyphKind_ == gkDropDown) return ButtonWidth() != GetSystemMetrics(SM_CXVSCROLL);
  return ButtonWidth() != 21;
}

void TCustomComboEdit::SetGlyph(TBitmap* Value) {
  button_->SetGlyph(Value);
  glyphKind_ = gkCustom;
}

void TCustomComboEdit::SetNumGlyphs(int Value) {
  switch (glyphKind_) {
    case gkDropDown:
    case gkEllipsis: button_->SetNumGlyphs(1); break;
    case gkDefault: button_->SetNumGlyphs(defNumGlyphs_); break;
    default: button_->SetNumGlyphs(Value);
  }
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind Value) {
  if (Value == glyphKind_) return;
  glyphKind_ = Value;
  if (Value == gkCustom && ComponentState().Contains(csReading)) button_->SetGlyph(nullptr);
  RecreateGlyph();
  if (Value == gkDefault && !button_->Glyph()->Empty()) {
    SetButtonWidth(std::max(button_->Glyph()->Width() / button_->NumGlyphs() + 6, ButtonWidth()));
  } else if (Value == gkDropDown) {
    SetButtonWidth(GetSystemMetrics(SM_CXVSCROLL));
    button_->SetControlStyle(button_->ControlStyle() + TControlStyle{csFixedWidth});
  }
}

void TCustomComboEdit::RecreateGlyph() {
  switch (glyphKind_) {
    case gkDefault: {
      bool destroy = false;
      TBitmap* b = GetDefaultBitmap(destroy);
      button_->SetGlyph(b);
      button_->SetNumGlyphs(defNumGlyphs_);
      if (destroy) delete b;
      break;
    }
    case gkDropDown:
      button_->SetGlyph(ArrowBitmap().get());
      button_->SetNumGlyphs(1);
      break;
    case gkEllipsis:
      button_->SetGlyph(EllipsisBitmap(ButtonWidth()).get());
      button_->SetNumGlyphs(1);
      break;
    case gkCustom:
      break;
  }
}

TBitmap* TCustomComboEdit::GetDefaultBitmap(bool& DestroyNeeded) {
  DestroyNeeded = false;
  return nullptr;
}

void TCustomComboEdit::SetReadOnly(bool Value) {
  if (Value == readOnly_) return;
  readOnly_ = Value;
  TMaskEdit::SetReadOnly(Value || !directInput_);
}

void TCustomComboEdit::SetDirectInput(bool Value) {
  TMaskEdit::SetReadOnly(!Value || readOnly_);
  directInput_ = Value;
}

void TCustomComboEdit::SetAlignment(TAlignment Value) {
  if (Value == alignment_) return;
  alignment_ = Value;
  SetTextAlignment(Value);
}

void TCustomComboEdit::SelectAll() {
  if (directInput_) TMaskEdit::SelectAll();
}

void TCustomComboEdit::DoEnter() {
  if (directInput_) {
    TMaskEdit::DoEnter();
  } else {
    TCustomControl::DoEnter();
  }
}

bool TCustomComboEdit::PopupVisible() const { return popup_ && popupVisible_; }

void TCustomComboEdit::UpdatePopupVisible() { popupVisible_ = popup_ && popup_->Visible(); }

Variant TCustomComboEdit::GetPopupValue() { return popup_ ? popup_->GetValue() : Variant(Text()); }

void TCustomComboEdit::SetPopupValue(const Variant& Value) {
  if (popup_) popup_->SetValue(Value);
}

bool TCustomComboEdit::AcceptPopup(Variant&) { return true; }

void TCustomComboEdit::AcceptValue(const Variant& Value) {
  if (Text() == VarToStr(Value)) return;
  SetText(VarToStr(Value));
  SetModified(true);
  UpdatePopupVisible();
  DoChange();
}

void TCustomComboEdit::ShowPopup(POINT Origin) { popup_->Show(Origin); }

void TCustomComboEdit::HidePopup() { popup_->Hide(); }

void TCustomComboEdit::PopupDropDown(bool DisableEdit) {
  if (!popup_ || GetReadOnly() || PopupVisible()) return;
  RECT wr{};
  GetWindowRect(Handle(), &wr);
  POINT p{wr.left, wr.top};
  int w = popup_->Width(), h = popup_->Height();
  int screenW = ::Screen->Width(), screenH = ::Screen->Height();
  int y = p.y + Height();
  if (y + h > screenH) y = p.y - h;  // no room below: it opens upwards
  if (popupAlign_ == epaRight) {
    p.x -= w - Width();
    if (p.x < 0) p.x += w - Width();
  } else if (p.x + w > screenW) {
    p.x += Width() - w;
  }
  // Inside the screen; one wider than the screen keeps its left edge in view.
  if (p.x + w > screenW) p.x = screenW - w;
  if (p.x < 0) p.x = 0;
  SetPopupValue(Text().empty() ? Variant::Null() : Variant(Text()));
  if (CanFocus()) SetFocus();
  ShowPopup(POINT{p.x, y});
  popupVisible_ = true;
  if (DisableEdit) {
    TMaskEdit::SetReadOnly(true);
    HideCaret(Handle());
  }
}

void TCustomComboEdit::PopupCloseUp(TObject*, bool Accept) { Close(Accept, true); }

void TCustomComboEdit::Close(bool Accept, bool TakeFocus) {
  if (!popup_ || !popupVisible_) return;
  if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
  Variant value = GetPopupValue();
  HidePopup();
  if (TakeFocus) {
    try {
      if (CanFocus()) {
        SetFocus();
        if (Focused()) SetShowCaret();
      }
    } catch (...) {
      // A focus that cannot be taken leaves the popup closed all the same.
    }
  }
  SetDirectInput(directInput_);
  Invalidate();
  if (Accept && AcceptPopup(value) && EditCanModify()) {
    AcceptValue(value);
    if (focused_) SelectAll();
  }
  popupVisible_ = false;
}

void TCustomComboEdit::SetShowCaret() {
  if (!HandleAllocated()) return;
  CreateCaret(Handle(), nullptr, Font()->Style().Contains(fsBold) ? 2 : 1, GetTextHeight());
  // Back where the selection is.
  int start = SelStart(), length = SelLength();
  SetSelStart(start);
  SetSelLength(length);
  ShowCaret(Handle());
}

void TCustomComboEdit::ButtonClick() {
  const TControlGuard guard(this);
  if (OnButtonClick) OnButtonClick(this);
  if (guard.Gone() || !popup_) return;
  if (PopupVisible()) PopupCloseUp(popup_, true);
  else PopupDropDown(true);
}

void TCustomComboEdit::DoClick() {
  if (!readOnly_ || alwaysEnable_) ButtonClick();
}

void TCustomComboEdit::KeyDown(WORD& Key, TShiftState Shift) {
  TMaskEdit::KeyDown(Key, Shift);
  if (Key != 0 && ShortCutOf(Key, Shift) == clickKey_ && ButtonWidth() > 0) {
    DoClick();
    Key = 0;
  }
}

bool TCustomComboEdit::WantsKey(WORD Key) const {
  if (PopupVisible() && (Key == VK_RETURN || Key == VK_ESCAPE)) return true;
  return TMaskEdit::WantsKey(Key);
}

void TCustomComboEdit::KeyPress(char& Key) {
  if ((Key == '\r' || Key == '\x1b') && PopupVisible()) {
    PopupCloseUp(popup_, Key == '\r');
    Key = 0;
    return;
  }
  // Enter and Escape went to the form's default and cancel buttons as keys already.
  TMaskEdit::KeyPress(Key);
  if (Key == '\r') Key = 0;
}

void TCustomComboEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && popup_) {
    if (CanFocus()) SetFocus();
    if (!Focused()) return;
    if (PopupVisible()) PopupCloseUp(popup_, false);
  }
  TMaskEdit::MouseDown(Button, Shift, X, Y);
}

void TCustomComboEdit::Change() {
  if (PopupVisible()) PopupChange();
  else DoChange();
}

void TCustomComboEdit::FontChanged() {
  TMaskEdit::FontChanged();
  SetEditRect();
}

void TCustomComboEdit::EnabledChanged() {
  TMaskEdit::EnabledChanged();
  button_->SetEnabled(Enabled());
}

void TCustomComboEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS:
      focused_ = true;
      break;
    case WM_KILLFOCUS: {
      const TControlGuard guard(this);
      TMaskEdit::WndProc(Message);
      if (guard.Gone()) return;
      focused_ = false;
      Close(false, false);
      return;
    }
    case WM_PASTE:
    case WM_CUT:
      if (!directInput_ || readOnly_) return;
      break;
    case CM_CANCELMODE: {
      // A press elsewhere on the form closes the popup; one on the edit's own parts does not.
      auto* sender = reinterpret_cast<TControl*>(Message.LParam);
      bool own = sender == this || sender == button_ || sender == btnControl_ ||
                 (popup_ && (sender == popup_ || popup_->ContainsControl(sender)));
      if (!own) Close(false, false);
      break;
    }
    default:
      break;
  }
  TMaskEdit::WndProc(Message);
}

// ---- painting

POINT EditorTextMargins(TCustomComboEdit* Editor) {
  RECT r{};
  Editor->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  return POINT{r.left, r.top};
}

bool PaintComboEdit(TCustomComboEdit* Editor, const std::string& AText, TAlignment AAlignment, bool StandardPaint,
                    TCanvas* ACanvas) {
  if (StandardPaint && !Editor->ControlState().Contains(csPaintCopy)) return false;
  RECT r = Editor->ClientRect();
  ACanvas->Font()->Assign(Editor->Font());
  if (!Editor->Enabled() && NewStyleControls && !Editor->ComponentState().Contains(csDesigning) &&
      ColorToRGB(Editor->Color()) != ColorToRGB(clGrayText))
    ACanvas->Font()->SetColor(clGrayText);
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->Brush()->SetColor(Editor->Color());
  int w = ACanvas->TextWidth(AText);
  POINT margins = EditorTextMargins(Editor);
  int buttonWidth = Editor->ButtonHolder()->Visible() ? Editor->ButtonWidth() : 0;
  int left = margins.x;
  if (!Editor->PopupVisible()) {
    if (buttonWidth > 0) ++w;
    if (AAlignment == taRightJustify) left = Editor->ClientWidth() - buttonWidth - w - margins.x - 2;
    else if (AAlignment == taCenter) left = (Editor->ClientWidth() - buttonWidth - w) / 2;
  }
  ACanvas->TextRect(r, left, margins.y, AText);
  return true;
}
