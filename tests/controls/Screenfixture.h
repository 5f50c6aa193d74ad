#pragma once
// A headless screen for the tests of the extended controls: a person at the keyboard
// and mouse, a plain form to put controls on, and checks that no window, GDI object
// or device context outlives a test.

#include <gtest/gtest.h>

#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"

#include <string>

namespace controlstest {

// An icon file of one 16 x 16 picture of 32 bits in one colour (0xRRGGBB).
std::string IconFile(unsigned Colour);

class Screen : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A borderless form at the top-left of the screen (owned by the test's screen).
  TForm* Plain(int Width = 300, int Height = 200);
  POINT At(TControl* Control, int X, int Y) { return Control->ClientToScreen(POINT{X, Y}); }
  void ClickAt(TControl* Control, int X, int Y, platform::MouseButton Button = platform::MouseButton::Left);
  // Colour of a client pixel of a windowed control (or of a graphic control's parent).
  COLORREF Pixel(TControl* Control, int X, int Y);

  platform::HeadlessScreen screen{800, 600};
  platform::ScreenDriver person;
  size_t gdiObjects = 0;
  size_t deviceContexts = 0;
};

}  // namespace controlstest
