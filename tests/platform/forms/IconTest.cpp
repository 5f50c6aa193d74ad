// The icon file format: reading, choosing an entry, transparency, writing, refusals.

#include "Formstest.h"
#include "platform/forms/Ticon.h"
#include "platform/rtl/Tmemorystream.h"
#include "tests/support/Testsupport.h"

namespace {

class Icons : public formstest::Screen {};

void Put16(std::string& b, unsigned v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& b, unsigned v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

std::string Header(int w, int h, int bits, int colours) {
  std::string b;
  Put32(b, 40);
  Put32(b, w);
  Put32(b, h * 2);
  Put16(b, 1);
  Put16(b, bits);
  for (int i = 0; i < 4; ++i) Put32(b, 0);
  Put32(b, colours);
  Put32(b, 0);
  return b;
}

// Two entries: 16x16 at 32 bits (all green) and 32x32 at 4 bits, red on the right half,
// the left half transparent by the mask.
std::string SampleIcon() {
  std::string small = Header(16, 16, 32, 0);
  for (int i = 0; i < 16 * 16; ++i) small += std::string("\x00\xFF\x00\xFF", 4);
  small += std::string(4 * 16, '\0');
  std::string big = Header(32, 32, 4, 2);
  big += std::string("\x00\x00\x00\x00", 4);  // black
  big += std::string("\x00\x00\xFF\x00", 4);  // red
  for (int row = 0; row < 32; ++row) big += std::string(8, '\0') + std::string(8, '\x11');
  for (int row = 0; row < 32; ++row) big += std::string("\xFF\xFF\x00\x00", 4);
  std::string file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, 2);
  unsigned offset = 6 + 32;
  for (auto [w, bits, data] : {std::tuple{16, 32, &small}, std::tuple{32, 4, &big}}) {
    file += static_cast<char>(w);
    file += static_cast<char>(w);
    file += '\0';
    file += '\0';
    Put16(file, 1);
    Put16(file, bits);
    Put32(file, static_cast<unsigned>(data->size()));
    Put32(file, offset);
    offset += static_cast<unsigned>(data->size());
  }
  return file + small + big;
}

TEST_F(Icons, ReadsTheBestEntryWithItsMask) {
  TIcon icon;
  icon.LoadFromBytes(SampleIcon());
  EXPECT_EQ(icon.Width(), 32);
  EXPECT_EQ(icon.Height(), 32);
  EXPECT_EQ(icon.Image()->Canvas()->Pixels(20, 5), clRed);
  EXPECT_EQ(icon.Mask()->Canvas()->Pixels(5, 5), clWhite) << "transparent";
  EXPECT_EQ(icon.Mask()->Canvas()->Pixels(20, 5), clBlack);
  TBitmap target;
  target.SetSize(40, 40);
  target.Canvas()->Draw(4, 4, &icon);
  EXPECT_EQ(target.Canvas()->Pixels(10, 10), clWhite);
  EXPECT_EQ(target.Canvas()->Pixels(30, 10), clRed);

  TMemoryStream stream;
  icon.SaveToStream(&stream);
  stream.SetPosition(0);
  TIcon copy;
  copy.LoadFromStream(&stream);
  EXPECT_EQ(copy.Width(), 32);
  EXPECT_EQ(copy.Image()->Canvas()->Pixels(20, 5), clRed);
  EXPECT_EQ(copy.Mask()->Canvas()->Pixels(5, 5), clWhite);
}

TEST_F(Icons, DamagedFilesAreRefused) {
  TIcon icon;
  icon.LoadFromBytes(SampleIcon());
  std::string good = SampleIcon();
  for (size_t cut : {size_t{3}, size_t{20}, size_t{60}}) {
    EXPECT_THROW(icon.LoadFromBytes(good.substr(0, cut)), EInvalidGraphic) << cut;
  }
  // A damaged entry is passed over for one that reads.
  icon.LoadFromBytes(good.substr(0, good.size() - 10));
  EXPECT_EQ(icon.Width(), 16);
  icon.LoadFromBytes(good);
  std::string wrongType = good;
  wrongType[2] = 2;  // a cursor file
  EXPECT_THROW(icon.LoadFromBytes(wrongType), EInvalidGraphic);
  std::string hugeCount = good;
  hugeCount[4] = '\xFF';
  EXPECT_THROW(icon.LoadFromBytes(hugeCount), EInvalidGraphic);
  EXPECT_EQ(icon.Width(), 32) << "unchanged after a refusal";
  for (uint32_t seed = 1; seed < 40; ++seed) {
    std::string noise = good;
    std::string random = testsupport::RandomBytes(8, seed);
    for (int i = 0; i < 8; ++i) noise[(seed * 31 + i * 7) % noise.size()] = random[i];
    try {
      icon.LoadFromBytes(noise);
    } catch (EInvalidGraphic&) {
    }
  }
}

}  // namespace
