#pragma once
// A headless screen for the tests of the visual class library: a person at the
// keyboard and mouse, and checks that no window, GDI object or device context outlives
// a test.

#include <gtest/gtest.h>

#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"

namespace formstest {

class Screen : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The screen point of a client point of a control.
  POINT At(TControl* Control, int X, int Y);
  void ClickAt(TControl* Control, int X, int Y, platform::MouseButton Button = platform::MouseButton::Left);
  // Colour of a client pixel of a windowed control (or of a graphic control's parent).
  COLORREF Pixel(TControl* Control, int X, int Y);

  platform::HeadlessScreen screen{800, 600};
  platform::ScreenDriver person;
  size_t gdiObjects = 0;
  size_t deviceContexts = 0;
};

}  // namespace formstest
