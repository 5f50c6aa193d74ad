#pragma once
// The screen of a real run, chosen once at start-up: the X display when $DISPLAY names
// one that answers, with the system's fonts; otherwise the plain in-memory screen of the
// window system (the real clock runs and other processes still find our windows) with
// the built-in font, since nothing is seen; a program that is nothing without a screen
// asks for no fallback and says why itself. Destroying the object goes back to the defaults.

#include <memory>

namespace platform {

class X11Display;

class ProgramDisplay {
 public:
  enum class WithoutX { RunUnseen, Refuse };
  explicit ProgramDisplay(WithoutX withoutX = WithoutX::RunUnseen);
  ~ProgramDisplay();
  ProgramDisplay(const ProgramDisplay&) = delete;
  ProgramDisplay& operator=(const ProgramDisplay&) = delete;

  bool OnX11() const { return x11_ != nullptr; }
  bool RealFonts() const { return realFonts_; }

 private:
  std::unique_ptr<X11Display> x11_;
  bool realFonts_ = false;
};

}  // namespace platform
