#include "controls/Tcalculatorpanel.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <vector>

#include "controls/Ctlbitmaps.h"
#include "controls/Newcontrol.h"
#include "controls/Strutils.h"
#include "platform/rtl/Rtl.h"

namespace {

struct TCalcBtnPlace {
  int dialogX, dialogY, popupX, popupY;
};

constexpr int kNone = -1;

// Top-left corners of the buttons, by kind (1-28); kNone: no button in that layout.
constexpr TCalcBtnPlace kPlaces[29] = {
    {kNone, kNone, kNone, kNone},                                                          // 0
    {47, 104, 6, 75},                                                                      // 0
    {47, 80, 6, 52},    {85, 80, 29, 52},    {123, 80, 52, 52},                            // 1 2 3
    {47, 56, 6, 29},    {85, 56, 29, 29},    {123, 56, 52, 29},                            // 4 5 6
    {47, 32, 6, 6},     {85, 32, 29, 6},     {123, 32, 52, 6},                             // 7 8 9
    {85, 104, 52, 75},  {123, 104, 29, 75},                                                // sign, decimal
    {161, 32, 75, 6},   {161, 56, 75, 29},   {161, 80, 75, 52},   {161, 104, 75, 75},      // / * - +
    {199, 32, kNone, kNone}, {199, 56, kNone, kNone}, {199, 80, kNone, kNone},             // sqrt % 1/x
    {199, 104, 52, 98},                                                                    // =
    {145, 6, 29, 98},   {191, 6, 6, 98},                                                   // <- C
    {5, 104, kNone, kNone}, {5, 80, kNone, kNone}, {5, 56, kNone, kNone}, {5, 32, kNone, kNone},  // MP MS MR MC
    {47, 6, kNone, kNone},  {85, 6, kNone, kNone},                                         // OK Cancel
};

constexpr const char* kKeysOfTags = "0123456789_./*-+Q%R=";

std::string CaptionOf(TCalcBtnKind Kind) {
  static const char* const kCaptions[] = {"/", "*", "-", "+", "sqrt", "%", "1/x", "=", "<-", "C",
                                          "MP", "MS", "MR", "MC"};
  if (Kind >= 1 && Kind <= 10) return std::string(1, static_cast<char>('0' + Kind - 1));
  if (Kind == 11) return "\xB1";  // plus-minus sign
  if (Kind == 12) return std::string(1, DecimalSeparator);
  if (Kind >= 13 && Kind <= 26) return kCaptions[Kind - 13];
  return std::string();
}

TColor ColourOf(TCalcBtnKind Kind) {
  if ((Kind >= 13 && Kind <= 16) || Kind == 20) return clPurple;
  if (Kind == 17 || Kind == 18 || Kind == 19 || (Kind >= 23 && Kind <= 26)) return clNavy;
  if (Kind == 21 || Kind == 22) return clMaroon;
  return clBtnText;
}

// The dialog's buttons that show a picture instead of a caption, with its cell.
int GlyphCellOf(TCalcBtnKind Kind) {
  switch (Kind) {
    case 11: return 2;
    case 14: return 3;
    case 15: return 4;
    case 16: return 5;
    case 27: return 1;
    case 28: return 0;
    default: return -1;
  }
}

}  // namespace

void SetCalculatorFont(TFont* Font, TCalcPanelLayout /*Layout*/) {
  TFont system;  // the platform's message font
  Font->Assign(&system);
  Font->SetColor(clWindowText);
  Font->SetStyle({fsBold});
}

TBitmap* CreateCalcButtonsBitmap() {
  auto* bmp = new TBitmap();
  bmp->SetWidth(96);
  bmp->SetHeight(16);
  TCanvas* c = bmp->Canvas();
  c->Brush()->SetColor(clOlive);  // the transparent colour (bottom-left pixel)
  c->FillRect(RECT{0, 0, 96, 16});
  auto bar = [c](int x1, int y1, int x2, int y2, TColor colour) {
    c->Brush()->SetColor(colour);
    c->FillRect(RECT{x1, y1, x2, y2});
  };
  // cancel: a red cross
  for (int i = 0; i < 9; ++i) {
    bar(3 + i, 3 + i, 5 + i, 5 + i, clRed);
    bar(11 - i, 3 + i, 13 - i, 5 + i, clRed);
  }
  // OK: a green tick
  for (int i = 0; i < 4; ++i) bar(16 + 3 + i, 8 + i, 16 + 5 + i, 10 + i, clGreen);
  for (int i = 0; i < 7; ++i) bar(16 + 7 + i, 10 - i, 16 + 9 + i, 12 - i, clGreen);
  // sign change: a plus over a minus
  bar(32 + 4, 4, 32 + 11, 5, clBlack);
  bar(32 + 7, 1, 32 + 8, 8, clBlack);
  bar(32 + 4, 11, 32 + 11, 12, clBlack);
  // multiply: a small cross
  for (int i = 0; i < 7; ++i) {
    bar(48 + 4 + i, 4 + i, 48 + 5 + i, 5 + i, clPurple);
    bar(48 + 10 - i, 4 + i, 48 + 11 - i, 5 + i, clPurple);
  }
  bar(64 + 4, 7, 64 + 12, 9, clPurple);  // minus
  bar(80 + 4, 7, 80 + 12, 9, clPurple);  // plus
  bar(80 + 7, 4, 80 + 9, 12, clPurple);
  return bmp;
}

// ---- buttons

TCalcButton::TCalcButton(TComponent* AOwner, TCalcBtnKind Kind) : TExSpeedButton(AOwner), kind_(Kind) {
  SetTag(Kind >= 1 && Kind <= 22 ? Kind - 1 : -1);
  SetCaption(CaptionOf(Kind));
}

void TCalcButton::WndProc(TMessage& Message) {
  if (Message.Msg == CM_PARENTFONTCHANGED && !fontChanging_) {
    // Follows the parent's font but keeps the colour of its kind.
    if (Parent()) {
      fontChanging_ = true;
      Font()->Assign(Parent()->Font());
      Font()->SetColor(ColourOf(kind_));
      fontChanging_ = false;
    }
    return;
  }
  TExSpeedButton::WndProc(Message);
}

// ---- panel

TCalculatorPanel::TCalculatorPanel(TComponent* AOwner, TCalcPanelLayout Layout) : TPanel(AOwner) {
  if (Layout == clPopup) {
    auto style = ControlStyle();
    style.Include(csReplicatable);
    SetControlStyle(style);
  }
  SetParentColor(false);
  SetColor(clBtnFace);
  if (Layout == clPopup) SetBounds(0, 0, 98, 124);
  else SetBounds(0, 0, 240, 129);
  SetCalculatorFont(Font(), Layout);
  SetParentFont(false);
  SetBevelOuter(bvNone);
  SetBevelInner(bvNone);
  if (Layout == clDialog) buttonImages_ = CreateCalcButtonsBitmap();
  // The keys of the layout, each where the layout puts it, then the memory sign of the dialog.
  std::vector<TControlRow> rows;
  for (TCalcBtnKind kind = 1; kind <= 28; ++kind) {
    const TCalcBtnPlace& place = kPlaces[kind];
    int x = Layout == clDialog ? place.dialogX : place.popupX;
    int y = Layout == clDialog ? place.dialogY : place.popupY;
    if (x == kNone) continue;
    int w = Layout == clDialog ? 36 : 21;
    int h = Layout == clDialog ? 22 : 21;
    if ((Layout == clDialog && (kind == 21 || kind == 22)) || (Layout == clPopup && kind == 20)) w = 44;
    const int cell = Layout == clDialog ? GlyphCellOf(kind) : -1;
    const auto tune = [this, cell](TCalcButton& button) {
      button.SetStyle(bsNew);
      if (cell >= 0) {
        TBitmap glyph;
        AssignBitmapCell(buttonImages_, &glyph, 6, 1, cell);
        button.SetGlyph(&glyph);
      }
      button.OnClick = [this](TObject* Sender) { CalcButtonClick(Sender); };
      button.SetParentFont(true);
      button.Font()->SetColor(ColourOf(button.Kind()));
    };
    const TControlMaker key = {[kind](TComponent* owner) { return new TCalcButton(owner, kind); },
                               TuningOf<TCalcButton>(tune)};
    // A key drawn by its glyph shows no caption.
    rows.push_back({key, "", "", {x, y, w, h}, alNone, cell >= 0 ? std::optional<std::string>("") : std::nullopt});
  }
  if (Layout == clDialog) {
    const auto sunken = [](TPanel& panel) {
      panel.SetBevelOuter(bvNone);
      panel.SetBevelInner(bvLowered);
      panel.SetParentColor(true);
    };
    const auto sign = [](TLabel& label) {
      label.SetAutoSize(false);
      label.SetAlignment(taCenter);
    };
    rows.push_back({Into(memoryPanel_, sunken), "", "", {6, 7, 34, 20}});
    rows.push_back({Into(memoryLabel_, sign), "", memoryPanel_, {3, 3, 26, 14}, alNone, ""});
  }
  BuildControls(*this, rows);
}

TCalculatorPanel::~TCalculatorPanel() { delete buttonImages_; }

void TCalculatorPanel::Notification(TComponent* AComponent, TOperation Operation) {
  TPanel::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == control_) control_ = nullptr;
}

void TCalculatorPanel::SetDisplayControl(TControl* Value) {
  control_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TCalculatorPanel::SetCtl3D(bool Value) {
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* btn = dynamic_cast<TCalcButton*>(Controls(i))) btn->SetStyle(Value ? bsNew : bsWin31);
  if (memoryPanel_) {
    memoryPanel_->SetBevelInner(Value ? bvLowered : bvNone);
    memoryPanel_->SetBorderStyle(Value ? bsNone : bsSingle);
  }
}

void TCalculatorPanel::SetText(const std::string& Value) {
  if (Value == text_) return;
  text_ = Value;
  TextChanged();
}

void TCalculatorPanel::TextChanged() {
  if (control_) control_->SetCaption(text_);
  if (OnTextChange) OnTextChange(this);
}

void TCalculatorPanel::SetDisplay(double Value) {
  // A result beyond the range of numbers is an error, not a text like "INF".
  if (!std::isfinite(Value)) return Error();
  if (Value == 0) Value = 0;  // no "-0"
  std::string s = FloatToStrF(Value, ffGeneral, std::max<int>(2, precision_), 0);
  if (s == text_) return;
  SetText(s);
  if (OnDisplayChange) OnDisplayChange(this);
}

double TCalculatorPanel::GetDisplay() {
  if (status_ == csError) return 0;
  return StrToFloat(Trim(text_));
}

void TCalculatorPanel::CheckFirst() {
  if (status_ != csFirst) return;
  status_ = csValid;
  SetText("0");
}

void TCalculatorPanel::Clear() {
  status_ = csFirst;
  SetDisplay(0);
  operator_ = '=';
}

void TCalculatorPanel::Beep() {
  if (beepOnError_) MessageBeep(0);
}

void TCalculatorPanel::Error() {
  status_ = csError;
  SetText("Error");
  Beep();
  if (OnError) OnError(this);
}

void TCalculatorPanel::Copy() { Clipboard()->SetAsText(text_); }

void TCalculatorPanel::Paste() {
  if (!Clipboard()->HasFormat(CF_TEXT)) return;
  std::string text = Clipboard()->AsText();
  if (!CurrencyString.empty()) text = ReplaceStr(text, CurrencyString, "");
  double value = 0;
  if (TryStrToFloat(Trim(text), value)) SetDisplay(value);
  else SetText("0");
}

void TCalculatorPanel::UpdateMemoryLabel() {
  if (memoryLabel_) memoryLabel_->SetCaption(memory_ != 0 ? "M" : "");
}

TCalcButton* TCalculatorPanel::FindButton(char Key) {
  if (Key == DecimalSeparator || Key == '.' || Key == ',') Key = '.';
  else if (Key == '\r') Key = '=';
  else if (Key == 27) Key = 'C';
  const char* at = std::strchr(kKeysOfTags, std::toupper(static_cast<unsigned char>(Key)));
  if (!at || Key == 0) return nullptr;
  intptr_t tag = at - kKeysOfTags;
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* btn = dynamic_cast<TCalcButton*>(Controls(i)); btn && btn->Tag() == tag) return btn;
  return nullptr;
}

void TCalculatorPanel::CalcKeyPress(TObject* /*Sender*/, char& Key) {
  if (TCalcButton* btn = FindButton(Key)) btn->ButtonClick();
  else CalcKey(Key);
}

void TCalculatorPanel::OperatorKey(char Key) {
  if (status_ == csValid) {
    status_ = csFirst;
    double r = GetDisplay();
    if (Key == '%') {
      if (operator_ == '+' || operator_ == '-') r = operand_ * r / 100;
      else if (operator_ == '*' || operator_ == '/') r = r / 100;
    }
    switch (operator_) {
      case '+': SetDisplay(operand_ + r); break;
      case '-': SetDisplay(operand_ - r); break;
      case '*': SetDisplay(operand_ * r); break;
      case '/':
        if (r == 0) Error();
        else SetDisplay(operand_ / r);
        break;
      default: break;
    }
  }
  operator_ = Key;
  operand_ = GetDisplay();
  if ((Key == '\r' || Key == '%' || Key == '=') && OnResult) OnResult(this);
}

void TCalculatorPanel::CalcKey(char Key) {
  Key = static_cast<char>(std::toupper(static_cast<unsigned char>(Key)));
  // In the error state only clearing is heard.
  if (status_ == csError && Key != 'C' && Key != 27) Key = 0;
  if (OnCalcKey) OnCalcKey(this, Key);
  if (Key == 0) return;
  if (Key == DecimalSeparator || Key == '.' || Key == ',') {
    CheckFirst();
    if (text_.find(DecimalSeparator) == std::string::npos) SetText(text_ + DecimalSeparator);
    return;
  }
  switch (Key) {
    case '0': case '1': case '2': case '3': case '4':
    case '5': case '6': case '7': case '8': case '9': {
      CheckFirst();
      std::string text = text_ == "0" ? std::string() : text_;
      if (text.find('E') != std::string::npos) return;
      size_t limit = std::max<size_t>(2, precision_) + (text.find('-') != std::string::npos ? 1 : 0);
      if (text.size() < limit) SetText(text + Key);
      else Beep();
      return;
    }
    case 8:
      CheckFirst();
      if (text_.size() == 1 || (text_.size() == 2 && text_[0] == '-')) SetText("0");
      else SetText(text_.substr(0, text_.size() - 1));
      return;
    case '_': SetDisplay(-GetDisplay()); return;
    case 'Q':
    case 'R': {
      if (status_ != csFirst && status_ != csValid) return;
      status_ = csFirst;
      double r = GetDisplay();
      if (Key == 'Q') {
        if (r < 0) Error();
        else SetDisplay(std::sqrt(r));
      } else {
        if (r == 0) Error();
        else SetDisplay(1 / r);
      }
      return;
    }
    case 'C':
    case 27: Clear(); return;
    case 3: Copy(); return;
    case 22: Paste(); return;
    case '+': case '-': case '*': case '/': case '%': case '=': case '\r': OperatorKey(Key); return;
    default: return;
  }
}

void TCalculatorPanel::CalcButtonClick(TObject* Sender) {
  auto* btn = dynamic_cast<TCalcButton*>(Sender);
  if (!btn) return;
  TCalcBtnKind kind = btn->Kind();
  if (kind >= 1 && kind <= 20) {
    char key = kind <= 10 ? static_cast<char>('0' + btn->Tag()) : kKeysOfTags[btn->Tag()];
    if (kind == 12) key = DecimalSeparator;
    return CalcKey(key);
  }
  switch (kind) {
    case 21: return CalcKey(8);
    case 22: return CalcKey('C');
    case 23:
    case 24:
    case 25:
      if (status_ == csError) return;
      status_ = csFirst;
      if (kind == 23) {
        double sum = memory_ + GetDisplay();
        if (!std::isfinite(sum)) return Error();
        memory_ = sum;
      } else if (kind == 24) {
        memory_ = GetDisplay();
      } else {
        CheckFirst();
        SetDisplay(memory_);
      }
      UpdateMemoryLabel();
      return;
    case 26:
      memory_ = 0;
      UpdateMemoryLabel();
      return;
    case 27:
      if (status_ == csError) return Beep();
      SetDisplay(GetDisplay());
      if (OnOk) OnOk(this);
      return;
    case 28:
      if (OnCancel) OnCancel(this);
      return;
    default: return;
  }
}
