#include "Screenfixture.h"

namespace controlstest {

void Screen::SetUp() {
  ::Screen->MenuFont()->Handle();
  ::Screen->HintFont()->Handle();
  Application->ResetTerminated();
  gdiObjects = platform::GdiObjectCount();
  deviceContexts = platform::DeviceContextCount();
}

void Screen::TearDown() {
  person.Pump();
  while (::Screen->FormCount() > 0) delete ::Screen->Forms(0);
  person.Pump();
  EXPECT_EQ(platform::WindowCount(), 0u) << "windows left behind";
  EXPECT_EQ(platform::GdiObjectCount(), gdiObjects) << "GDI objects left behind";
  EXPECT_EQ(platform::DeviceContextCount(), deviceContexts) << "device contexts left behind";
  for (int vk : {VK_LBUTTON, VK_RBUTTON, VK_SHIFT, VK_CONTROL, VK_MENU})
    if (GetAsyncKeyState(vk) < 0) ADD_FAILURE() << "key left down: " << vk;
  ReleaseCapture();
  Application->ResetTerminated();
}

TForm* Screen::Plain(int Width, int Height) {
  auto* f = new TForm(nullptr);
  f->SetBorderStyle(bsNone);
  f->SetBounds(0, 0, Width, Height);
  return f;
}

void Screen::ClickAt(TControl* Control, int X, int Y, platform::MouseButton Button) {
  POINT p = At(Control, X, Y);
  person.Click(p.x, p.y, Button);
  person.Pump();
}

COLORREF Screen::Pixel(TControl* Control, int X, int Y) {
  auto* w = dynamic_cast<TWinControl*>(Control);
  if (!w) {
    X += Control->Left();
    Y += Control->Top();
    w = Control->Parent();
  }
  return screen.WindowPixel(w->Handle(), X, Y);
}

}  // namespace controlstest
