#pragma once
// A headless screen for the tests of visual controls: a person at the keyboard and mouse,
// and checks that no window, GDI object or device context outlives a test, and that no
// key or mouse capture is left held.

#include <gtest/gtest.h>

#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"

namespace testsupport {

class HeadlessScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Fonts that live as long as the program are made before counting.
    ::Screen->MenuFont()->Handle();
    ::Screen->HintFont()->Handle();
    Application->ResetTerminated();
    gdiObjects = platform::GdiObjectCount();
    deviceContexts = platform::DeviceContextCount();
  }
  void TearDown() override {
    person.Pump();
    while (::Screen->FormCount() > 0) delete ::Screen->Forms(0);
    person.Pump();
    EXPECT_EQ(platform::WindowCount(), 0u) << "windows left behind";
    EXPECT_EQ(platform::GdiObjectCount(), gdiObjects) << "GDI objects left behind";
    EXPECT_EQ(platform::DeviceContextCount(), deviceContexts) << "device contexts left behind";
    for (int vk : {VK_LBUTTON, VK_RBUTTON, VK_SHIFT, VK_CONTROL, VK_MENU})
      if (GetAsyncKeyState(vk) < 0) ADD_FAILURE() << "key left down: " << vk;
    ReleaseCapture();
    platform::SetMenuLoopIdleHook(nullptr);
    Application->ResetTerminated();
  }

  // A control of kind T at (X, Y), Width x Height, on a shown 400 x 300 form made on first
  // need (the screen's forms go at the end of the test).
  template <class T>
  T* Place(int X, int Y, int Width, int Height) {
    if (!placeForm_) {
      placeForm_ = new TForm(nullptr);
      placeForm_->SetBounds(0, 0, 400, 300);
      placeForm_->Show();
      person.Pump();
    }
    auto* control = new T(placeForm_);
    control->SetParent(placeForm_);
    control->SetBounds(X, Y, Width, Height);
    person.Pump();
    return control;
  }
  // The form Place puts controls on; null before the first.
  TForm* PlaceForm() const { return placeForm_; }
  // The screen point of a client point of a control.
  POINT At(TControl* Control, int X, int Y) { return Control->ClientToScreen(POINT{X, Y}); }
  void ClickAt(TControl* Control, int X, int Y, platform::MouseButton Button = platform::MouseButton::Left) {
    POINT p = At(Control, X, Y);
    person.Click(p.x, p.y, Button);
    person.Pump();
  }
  // Colour of a client pixel of a windowed control (or of a graphic control's parent).
  COLORREF Pixel(TControl* Control, int X, int Y) {
    auto* w = dynamic_cast<TWinControl*>(Control);
    if (!w) {
      X += Control->Left();
      Y += Control->Top();
      w = Control->Parent();
    }
    return screen.WindowPixel(w->Handle(), X, Y);
  }

  platform::HeadlessScreen screen{800, 600};
  platform::ScreenDriver person;
  size_t gdiObjects = 0;
  size_t deviceContexts = 0;

 private:
  TForm* placeForm_ = nullptr;
};

}  // namespace testsupport
