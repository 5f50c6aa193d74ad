#include "Screenfixture.h"

namespace controlstest {

namespace {
void Put16(std::string& b, unsigned v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& b, unsigned v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
}  // namespace

std::string IconFile(unsigned Colour) {
  std::string image;
  Put32(image, 40);
  Put32(image, 16);
  Put32(image, 32);
  Put16(image, 1);
  Put16(image, 32);
  for (int i = 0; i < 6; ++i) Put32(image, 0);
  for (int i = 0; i < 16 * 16; ++i) Put32(image, 0xFF000000u | Colour);
  image += std::string(4 * 16, '\0');
  std::string file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, 1);
  file += std::string("\x10\x10\x00\x00", 4);
  Put16(file, 1);
  Put16(file, 32);
  Put32(file, static_cast<unsigned>(image.size()));
  Put32(file, 6 + 16);
  return file + image;
}

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
