#include "controls/Tcustomnumedit.h"

#include <cmath>

#include "controls/Strutils.h"
#include "platform/rtl/Rtl.h"

namespace {

constexpr size_t kMaxFloatText = 63;

bool IsSeparator(char c) { return c == '.' || c == ','; }

// A small calculator, and the same in grey for the disabled state, side by side.
TBitmap* NumEditGlyph() {
  auto* b = new TBitmap;
  b->SetSize(20, 10);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clFuchsia);
  c->FillRect(RECT{0, 0, 20, 10});
  for (int image = 0; image < 2; ++image) {
    int x0 = image * 10;
    TColor ink = image == 0 ? clBlack : clGray;
    c->Brush()->SetColor(ink);
    c->FrameRect(RECT{x0 + 1, 0, x0 + 9, 10});
    c->FillRect(RECT{x0 + 2, 1, x0 + 8, 3});
    for (int y : {4, 6, 8})
      for (int x : {2, 4, 6}) c->SetPixels(x0 + x, y, ink);
  }
  b->SetTransparentColor(clFuchsia);
  return b;
}

}  // namespace

// ---- texts and numbers

std::string TextToValText(const std::string& AValue) {
  std::string s = DelRSpace(AValue);
  if (DecimalSeparator != ThousandSeparator) s = DelChars(s, ThousandSeparator);
  std::string decimal(1, DecimalSeparator);
  if (DecimalSeparator != '.' && ThousandSeparator != '.') s = ReplaceStr(s, ".", decimal);
  if (DecimalSeparator != ',' && ThousandSeparator != ',') s = ReplaceStr(s, ",", decimal);
  if (s.empty()) return "0";
  if (s == "-") return "-0";
  return s;
}

bool IsValidFloat(const std::string& Value, long double& RetValue) {
  for (char c : Value)
    if (!(c == '+' || c == '-' || (c >= '0' && c <= '9') || c == 'E' || c == 'e' || c == DecimalSeparator))
      return false;
  double v = 0;
  if (!TextToFloat(Value.substr(0, kMaxFloatText), v)) return false;
  RetValue = v;
  return true;
}

std::string FormatFloatStr(const std::string& S, bool Thousands) {
  std::string sign, s = S;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    sign = s.substr(0, 1);
    s.erase(0, 1);
  }
  size_t end = std::min(s.find(DecimalSeparator), s.find_first_of("Ee"));
  if (end == std::string::npos) end = s.size();
  std::string digits = s.substr(0, end), out;
  int copied = 0;
  for (size_t i = digits.size(); i-- > 0;) {
    out.insert(out.begin(), digits[i]);
    if (Thousands && ++copied % 3 == 0 && i > 0) out.insert(out.begin(), ThousandSeparator);
  }
  return sign + out + s.substr(end);
}

// ---- TCustomNumEdit

TCustomNumEdit::TCustomNumEdit(TComponent* AOwner) : TCustomComboEdit(AOwner) {
  controlStyle_.Exclude(csSetCaption);
  SetMaxLength(0);
  displayFormat_ = DefaultDisplayFormat();
  SetEditText("");
  defNumGlyphs_ = 2;
  DataChanged();
  SetGlyphKind(gkDefault);
  SetButtonWidth(20);
}

TCustomNumEdit::~TCustomNumEdit() {
  if (popup_) {
    popup_->OnCloseUp = nullptr;
    delete popup_;
    popup_ = nullptr;
  }
}

TBitmap* TCustomNumEdit::GetDefaultBitmap(bool& DestroyNeeded) {
  DestroyNeeded = true;
  return NumEditGlyph();
}

void TCustomNumEdit::SetEditText(const std::string& AValue) { TCustomComboEdit::SetText(AValue); }

void TCustomNumEdit::DataChanged() {
  std::string format = "0";
  if (decimalPlaces_ > 0) format += "." + MakeStr('#', static_cast<int>(std::min(decimalPlaces_, 255u)));
  if (value_ == 0 && zeroEmpty_) SetEditText("");
  else SetEditText(FormatFloat(format, static_cast<double>(value_)));
}

std::string TCustomNumEdit::FormatDisplayText(long double AValue) {
  if (displayFormat_.empty()) return FloatToStr(static_cast<double>(AValue));
  return FormatFloat(displayFormat_, static_cast<double>(AValue));
}

long double TCustomNumEdit::CheckValue(long double NewValue, bool RaiseOnError) {
  long double result = NewValue;
  if (maxValue_ != minValue_) {
    if (maxValue_ > minValue_) {
      if (NewValue < minValue_) result = minValue_;
      else if (NewValue > maxValue_) result = maxValue_;
    } else if (maxValue_ == 0) {
      if (NewValue < minValue_) result = minValue_;
    } else if (minValue_ == 0) {
      if (NewValue > maxValue_) result = maxValue_;
    }
  }
  if (RaiseOnError && result != NewValue) {
    int places = static_cast<int>(std::min(decimalPlaces_, 18u));
    throw ERangeError(Format(ReplaceStr("Value must be between %d and %d", "%d", "%.*f"),
                             {places, static_cast<double>(minValue_), places, static_cast<double>(maxValue_)}));
  }
  return result;
}

long double TCustomNumEdit::Value() {
  if (!ComponentState().Contains(csDesigning)) {
    try {
      UpdateData();
    } catch (Exception&) {
      value_ = minValue_;
    }
  }
  return value_;
}

void TCustomNumEdit::SetValue(long double AValue) {
  value_ = CheckValue(AValue, false);
  DataChanged();
  Invalidate();
}

void TCustomNumEdit::SetText(const std::string& AValue) {
  if (ComponentState().Contains(csReading)) return;
  value_ = CheckValue(StrToFloat(TextToValText(AValue)), false);
  DataChanged();
  Invalidate();
}

void TCustomNumEdit::Reset() {
  DataChanged();
  SelectAll();
}

void TCustomNumEdit::UpdateData() {
  ValidateEdit();
  value_ = CheckValue(StrToFloat(TextToValText(EditText())), false);
}

void TCustomNumEdit::CheckRange() {
  if (ComponentState().Contains(csDesigning) || !checkOnExit_) return;
  CheckValue(StrToFloat(TextToValText(EditText())), true);
}

void TCustomNumEdit::SetMinValue(long double Value) {
  if (Value == minValue_) return;
  minValue_ = Value;
  SetValue(value_);
}

void TCustomNumEdit::SetMaxValue(long double Value) {
  if (Value == maxValue_) return;
  maxValue_ = Value;
  SetValue(value_);
}

void TCustomNumEdit::SetDecimalPlaces(int Value) {
  unsigned places = static_cast<unsigned>(std::max(0, Value));
  if (places == decimalPlaces_) return;
  decimalPlaces_ = places;
  DataChanged();
  Invalidate();
}

void TCustomNumEdit::SetDisplayFormat(const std::string& Value) {
  if (Value == displayFormat_) return;
  displayFormat_ = Value;
  Invalidate();
  DataChanged();
}

void TCustomNumEdit::SetZeroEmpty(bool Value) {
  if (Value == zeroEmpty_) return;
  zeroEmpty_ = Value;
  DataChanged();
}

void TCustomNumEdit::SetBeepOnError(bool Value) {
  if (Value == beepOnError_) return;
  beepOnError_ = Value;
  UpdatePopup();
}

void TCustomNumEdit::SetAlignment(TAlignment Value) {
  if (Value == alignment_) return;
  alignment_ = Value;
  Invalidate();
}

void TCustomNumEdit::SetFormatOnEditing(bool Value) {
  if (Value == formatOnEditing_) return;
  formatOnEditing_ = Value;
  TCustomComboEdit::SetAlignment(Value ? alignment_ : taLeftJustify);
  if (Value && numFocused_) {
    ReformatEditText();
  } else if (numFocused_) {
    UpdateData();
    DataChanged();
  }
}

void TCustomNumEdit::SetFocused(bool Value) {
  if (Value == numFocused_) return;
  numFocused_ = Value;
  Invalidate();
  formatting_ = true;
  DataChanged();
  formatting_ = false;
}

// ---- typing

bool TCustomNumEdit::IsValidChar(char Key) {
  std::string text = EditText();
  int start = std::clamp(SelStart(), 0, static_cast<int>(text.size()));
  int length = std::clamp(SelLength(), 0, static_cast<int>(text.size()) - start);
  std::string s = TextToValText(text.substr(0, start) + Key + text.substr(start + length));
  size_t separator = s.find(DecimalSeparator);
  if (separator != std::string::npos) {
    size_t exponent = s.find_first_of("Ee", separator + 1);
    size_t decimals = exponent != std::string::npos ? exponent - separator - 1 : s.size() - separator - 1;
    if (decimals > decimalPlaces_) return false;
  }
  long double v = 0;
  if (!IsValidFloat(s, v)) return false;
  // No negative number when the range has none.
  if (minValue_ >= 0 && maxValue_ > 0 && (v < 0 || s[0] == '-')) return false;
  return true;
}

void TCustomNumEdit::KeyPress(char& Key) {
  static const std::string kPopupKeys = "\b\r%*+,-./0123456789=CQR_";
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(Key)));
  if (PopupVisible() && Key != ThousandSeparator &&
      (kPopupKeys.find(upper) != std::string::npos || Key == DecimalSeparator)) {
    popup_->Perform(WM_CHAR, static_cast<unsigned char>(Key), 0);
    Key = 0;
    return;
  }
  if (IsSeparator(Key) && Key != ThousandSeparator) Key = DecimalSeparator;
  const TControlGuard guard(this);
  TCustomComboEdit::KeyPress(Key);
  if (guard.Gone()) return;
  unsigned char u = static_cast<unsigned char>(Key);
  if (u >= 32 && !IsValidChar(Key)) {
    if (beepOnError_) MessageBeep(0);
    Key = 0;
  } else if (Key == '\x1b') {
    Reset();
    Key = 0;
  }
}

void TCustomNumEdit::ReformatEditText() {
  formatting_ = true;
  try {
    std::string s = EditText();
    bool empty = s.empty() || s == "-";
    int oldLength = static_cast<int>(s.size());
    int selStart = HandleAllocated() ? SelStart() : 0;
    if (!empty) s = TextToValText(s);
    s = FormatFloatStr(s, displayFormat_.find(',') != std::string::npos);
    SetEditText(s);
    if (HandleAllocated() && Focused() && !ComponentState().Contains(csDesigning))
      SetSelStart(std::max(0, selStart + static_cast<int>(s.size()) - oldLength));
  } catch (...) {
    formatting_ = false;
    throw;
  }
  formatting_ = false;
}

void TCustomNumEdit::Change() {
  if (formatting_) return;
  if (formatOnEditing_ && numFocused_) ReformatEditText();
  TCustomComboEdit::Change();
}

// ---- focus

void TCustomNumEdit::DoEnter() {
  SetFocused(true);
  if (formatOnEditing_) ReformatEditText();
  TCustomComboEdit::DoEnter();
}

void TCustomNumEdit::DoExit() {
  try {
    CheckRange();
    UpdateData();
  } catch (...) {
    // The focus stays with the text kept, so that the user can mend it.
    SelectAll();
    if (CanFocus()) SetFocus();
    throw;
  }
  SetFocused(false);
  SetSelStart(0);
  TCustomComboEdit::DoExit();
}

// ---- painting and messages

void TCustomNumEdit::Paint() {
  // The display text reads the value from the edit text: only when it is shown, so
  // that painting leaves the stored value (which Escape brings back) as it is.
  if (numFocused_ && !PopupVisible()) return TCustomComboEdit::Paint();
  std::string text = PopupVisible() ? popup_->GetPopupText() : GetDisplayText();
  if (!PaintComboEdit(this, text, alignment_, false, Canvas())) TCustomComboEdit::Paint();
}

void TCustomNumEdit::EnabledChanged() {
  TCustomComboEdit::EnabledChanged();
  if (NewStyleControls && !numFocused_) Invalidate();
}

void TCustomNumEdit::FontChanged() {
  TCustomComboEdit::FontChanged();
  Invalidate();
}

void TCustomNumEdit::WndProc(TMessage& Message) {
  if (Message.Msg != WM_PASTE) return TCustomComboEdit::WndProc(Message);
  std::string saved = EditText();
  TCustomComboEdit::WndProc(Message);
  try {
    UpdateData();
  } catch (Exception&) {
    // What was pasted is no number: the text comes back.
    SetEditText(saved);
    SelectAll();
    if (CanFocus()) SetFocus();
    if (beepOnError_) MessageBeep(0);
  }
}

// ---- TCurrencyEdit

TCurrencyEdit::TCurrencyEdit(TComponent* AOwner) : TCustomNumEdit(AOwner) {
  SetDisplayFormat(DefaultDisplayFormat());
  SetButtonWidth(0);
}

std::string TCurrencyEdit::DefaultDisplayFormat() {
  std::string number = CurrencyDecimals > 0 ? ",0." + MakeStr('0', CurrencyDecimals) : ",0";
  std::string symbol;
  if (!CurrencyString.empty()) {
    // Quoted whole, so that no character of it counts as a placeholder.
    char quote = CurrencyString.find('"') == std::string::npos ? '"' : '\'';
    symbol = quote + CurrencyString + quote;
  }
  std::string f = number;
  if (!symbol.empty()) {
    switch (CurrencyFormat) {
      case 0: f = symbol + number; break;
      case 1: f = number + symbol; break;
      case 2: f = symbol + " " + number; break;
      case 3: f = number + " " + symbol; break;
      default: break;
    }
  }
  return Format("%s;-%s", {f, f});
}
