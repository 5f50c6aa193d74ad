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

TForm* Screen::Plain(int Width, int Height) {
  auto* f = new TForm(nullptr);
  f->SetBorderStyle(bsNone);
  f->SetBounds(0, 0, Width, Height);
  return f;
}

}  // namespace controlstest
