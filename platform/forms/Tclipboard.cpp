#include "platform/forms/Tclipboard.h"

#include "platform/rtl/Exception.h"

void TClipboard::Open() {
  if (openCount_ == 0 && !OpenClipboard(nullptr)) throw Exception("Cannot open clipboard");
  ++openCount_;
}

void TClipboard::Close() {
  if (openCount_ == 0) return;
  if (--openCount_ == 0) CloseClipboard();
}

std::string TClipboard::AsText() {
  Open();
  std::string text = platform::GetClipboardText();
  Close();
  return text;
}

void TClipboard::SetAsText(const std::string& Value) {
  Open();
  EmptyClipboard();
  platform::SetClipboardText(Value);
  Close();
}

bool TClipboard::HasFormat(UINT Format) { return IsClipboardFormatAvailable(Format) != FALSE; }

void TClipboard::Clear() {
  Open();
  EmptyClipboard();
  Close();
}

TClipboard* Clipboard() {
  static TClipboard clipboard;
  return &clipboard;
}
