#include "platform/forms/Tmaskedit.h"

#include <cctype>

#include "platform/gui/Gui.h"
#include "platform/kernel/Codepage.h"
#include "platform/rtl/Formatsettings.h"

TMaskEdit::TMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TMaskEdit::SetEditMask(const std::string& Value) {
  mask_ = Value;
  slots_.clear();
  saveLiterals_ = true;
  blank_ = '_';
  std::string body = Value;
  size_t semi = Value.find(';');
  if (semi != std::string::npos) {
    body = Value.substr(0, semi);
    std::string rest = Value.substr(semi + 1);
    size_t semi2 = rest.find(';');
    std::string save = rest.substr(0, semi2);
    saveLiterals_ = save != "0";
    if (semi2 != std::string::npos && semi2 + 1 < rest.size()) blank_ = rest[semi2 + 1];
  }
  int caseMode = 0;
  for (size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    switch (c) {
      case '!': break;
      case '>':
        if (i + 1 < body.size() && body[i + 1] == '<') {
          caseMode = 0;
          ++i;
        } else {
          caseMode = 1;
        }
        break;
      case '<': caseMode = -1; break;
      case '\\':
        if (i + 1 < body.size()) slots_.push_back(Slot{true, body[++i], 0});
        break;
      case '/': slots_.push_back(Slot{true, DateSeparator, 0}); break;
      case '0': case '9': case '#': case 'L': case 'l': case 'A': case 'a': case 'C': case 'c':
        slots_.push_back(Slot{false, c, caseMode});
        break;
      default: slots_.push_back(Slot{true, c, 0}); break;
    }
  }
  SetMaxLength(slots_.empty() ? 0 : static_cast<int>(slots_.size()));
  std::string shown;
  for (const Slot& s : slots_) shown += s.literal ? s.ch : blank_;
  TCustomEdit::SetTextValue(shown);
}

bool TMaskEdit::Fits(const Slot& s, char& Ch) const {
  unsigned char u = static_cast<unsigned char>(Ch);
  bool digit = u >= '0' && u <= '9';
  bool letter = platform::IsAnsiAlpha(Ch);
  switch (s.ch) {
    case '0': case '9': if (!digit) return false; break;
    case '#': if (!digit && Ch != '+' && Ch != '-') return false; break;
    case 'L': case 'l': if (!letter) return false; break;
    case 'A': case 'a': if (!letter && !digit) return false; break;
    default: if (u < 0x20) return false; break;
  }
  if (s.caseMode > 0) Ch = platform::AnsiUpperChar(Ch);
  if (s.caseMode < 0) Ch = platform::AnsiLowerChar(Ch);
  return true;
}

int TMaskEdit::NextInput(int From) const {
  for (int i = std::max(0, From); i < static_cast<int>(slots_.size()); ++i)
    if (!slots_[i].literal) return i;
  return -1;
}

int TMaskEdit::PreviousInput(int From) const {
  for (int i = std::min(From, static_cast<int>(slots_.size()) - 1); i >= 0; --i)
    if (!slots_[i].literal) return i;
  return -1;
}

std::string TMaskEdit::GetText() const {
  std::string shown = TCustomEdit::GetText();
  if (slots_.empty()) return shown;
  std::string text;
  for (size_t i = 0; i < slots_.size() && i < shown.size(); ++i) {
    if (slots_[i].literal) {
      if (saveLiterals_) text += shown[i];
    } else {
      text += shown[i] == blank_ ? ' ' : shown[i];
    }
  }
  // Trailing blanks are not part of the value.
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

void TMaskEdit::SetTextValue(const std::string& Value) {
  if (slots_.empty()) return TCustomEdit::SetTextValue(Value);
  std::string shown;
  size_t at = 0;
  for (const Slot& s : slots_) {
    if (s.literal) {
      shown += s.ch;
      if (saveLiterals_ && at < Value.size() && Value[at] == s.ch) ++at;
      continue;
    }
    char c = at < Value.size() ? Value[at++] : blank_;
    shown += (c == ' ' || !Fits(s, c)) ? blank_ : c;
  }
  TCustomEdit::SetTextValue(shown);
}

void TMaskEdit::ValidateEdit() {
  std::string shown = TCustomEdit::GetText();
  for (size_t i = 0; i < slots_.size() && i < shown.size(); ++i) {
    const Slot& s = slots_[i];
    bool required = s.ch == '0' || s.ch == 'L' || s.ch == 'A' || s.ch == 'C';
    if (!s.literal && required && shown[i] == blank_) {
      SetSelStart(static_cast<int>(i));
      throw EDBEditError("Invalid input value.  Use escape key to abandon changes");
    }
  }
}

void TMaskEdit::DoExit() {
  TCustomEdit::DoExit();
  if (!slots_.empty() && Modified()) ValidateEdit();
}

void TMaskEdit::DefaultHandler(TMessage& Message) {
  if (slots_.empty() || ReadOnly()) return TCustomEdit::DefaultHandler(Message);
  std::string shown = TCustomEdit::GetText();
  int start = SelStart(), length = SelLength();
  auto clearRange = [&](int from, int to) {
    for (int i = from; i < to && i < static_cast<int>(slots_.size()); ++i)
      if (!slots_[i].literal) shown[i] = blank_;
  };
  if (Message.Msg == WM_CHAR) {
    char c = static_cast<char>(Message.WParam);
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '\b') {
      if (length) {
        clearRange(start, start + length);
        SetEditText(shown, start);
      } else {
        int i = PreviousInput(start - 1);
        if (i >= 0) {
          shown[i] = blank_;
          SetEditText(shown, i);
        }
      }
      return;
    }
    if (u < 0x20) return;
    int i = NextInput(start);
    if (i < 0 || !Fits(slots_[i], c)) {
      MessageBeep(0);
      return;
    }
    if (length) clearRange(start, start + length);
    shown[i] = c;
    int next = NextInput(i + 1);
    SetEditText(shown, next < 0 ? static_cast<int>(slots_.size()) : next);
    return;
  }
  if (Message.Msg == WM_KEYDOWN && Message.WParam == VK_DELETE && !(GetKeyState(VK_SHIFT) < 0)) {
    if (length) clearRange(start, start + length);
    else clearRange(start, start + 1);
    SetEditText(shown, start);
    return;
  }
  if (Message.Msg == WM_PASTE || (Message.Msg == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0 && Message.WParam == 'V')) {
    // Pasted text is typed position by position.
    OpenClipboard(nullptr);
    std::string text = platform::GetClipboardText();
    CloseClipboard();
    for (char c : text) {
      TMessage typed{WM_CHAR, static_cast<unsigned char>(c), 0, 0};
      DefaultHandler(typed);
    }
    return;
  }
  TCustomEdit::DefaultHandler(Message);
}
