#pragma once
// The headless screen: a virtual screen in memory whose size the caller sets. While it
// exists it is the display of the window system and the clock is virtual.

#include <memory>
#include <string>

#include "platform/gui/Display.h"
#include "platform/gui/Pixmap.h"

namespace platform {

class HeadlessScreen : public Display {
 public:
  HeadlessScreen(int width, int height);
  ~HeadlessScreen() override;
  HeadlessScreen(const HeadlessScreen&) = delete;
  HeadlessScreen& operator=(const HeadlessScreen&) = delete;

  SIZE ScreenSize() const override { return size_; }
  bool KeepsScreenSurface() const override { return true; }
  bool WaitForInput(int timeoutMs) override;
  void Beep(UINT) override { ++beeps_; }

  // What the screen shows: the desktop and the top-level windows in their order.
  std::unique_ptr<Pixmap> Compose() const;
  COLORREF Pixel(int x, int y) const;
  // A pixel of a window at client coordinates, read from its own surface (so also where
  // other windows cover it); CLR_INVALID outside the window.
  COLORREF WindowPixel(HWND window, int x, int y) const;
  bool SaveScreenPng(const std::string& path) const;
  // The whole window, frame included.
  bool SaveWindowPng(HWND window, const std::string& path) const;
  int Beeps() const { return beeps_; }

 private:
  SIZE size_;
  int beeps_ = 0;
  std::string previousDirectory_;
};

}  // namespace platform
