#pragma once
// The tip of a notification-area icon, shown by the desktop side while the pointer rests
// on the icon in the panel: a small pale window with the icon's tip below the pointer.

#include <string>

#include "platform/gui/Wintypes.h"

namespace platform {

class TrayTip {
 public:
  TrayTip() = default;
  ~TrayTip();
  TrayTip(const TrayTip&) = delete;
  TrayTip& operator=(const TrayTip&) = delete;

  // Shows the text near a point of the screen (an empty text shows nothing).
  void Show(const std::string& text, POINT near);
  void Hide();

 private:
  HWND window_ = nullptr;
};

}  // namespace platform
