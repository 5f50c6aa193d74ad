#pragma once
// TClipboard: the clipboard as the program uses it, for text (in the program's code
// page; the platform converts at the edge of the system).

#include <string>

#include "platform/gui/Clipboard.h"
#include "platform/rtl/Tobject.h"

class TClipboard : public TPersistent {
 public:
  std::string AsText();
  void SetAsText(const std::string& Value);
  bool HasFormat(UINT Format);
  void Clear();
  // Holds the clipboard open across several calls (nested opens are counted).
  void Open();
  void Close();

 private:
  int openCount_ = 0;
};

// The clipboard object of the program.
TClipboard* Clipboard();
