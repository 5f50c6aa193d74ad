#include "platform/forms/Ticon.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/gui/Blit.h"
#include "platform/gui/Icons.h"
#include "platform/rtl/Tfilestream.h"

namespace {

uint16_t U16(const std::string& b, size_t at) {
  if (at + 2 > b.size()) throw EInvalidGraphic("Icon image is not valid");
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

uint32_t U32(const std::string& b, size_t at) { return U16(b, at) | static_cast<uint32_t>(U16(b, at + 2)) << 16; }

void Put16(std::string& b, uint16_t v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>(v >> 8);
}

void Put32(std::string& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

struct Entry {
  int width, height, bits;
  uint32_t size, offset;
};

}  // namespace

TIcon::TIcon() : image_(new TBitmap), mask_(new TBitmap) { mask_->SetMonochrome(true); }

TIcon::~TIcon() {
  ReleaseHandle();
  delete image_;
  delete mask_;
}

void TIcon::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TIcon::LoadFromStream(TStream* Stream) {
  int64_t size = Stream->Size() - Stream->Position();
  if (size < 6 || size > (64 << 20)) throw EInvalidGraphic("Icon image is not valid");
  std::string bytes(static_cast<size_t>(size), '\0');
  Stream->ReadBuffer(bytes.data(), static_cast<int32_t>(size));
  LoadFromBytes(bytes);
}

void TIcon::LoadFromBytes(const std::string& b) {
  if (U16(b, 0) != 0 || U16(b, 2) != 1) throw EInvalidGraphic("Icon image is not valid");
  int count = U16(b, 4);
  if (count == 0 || 6 + 16u * count > b.size()) throw EInvalidGraphic("Icon image is not valid");
  // The entry nearest to 32 x 32, with the most colours among those of that size.
  const Entry* best = nullptr;
  std::vector<Entry> entries;
  for (int i = 0; i < count; ++i) {
    size_t at = 6 + 16 * static_cast<size_t>(i);
    Entry e{b[at] ? static_cast<unsigned char>(b[at]) : 256, b[at + 1] ? static_cast<unsigned char>(b[at + 1]) : 256,
            U16(b, at + 6), U32(b, at + 8), U32(b, at + 12)};
    if (e.offset >= b.size() || e.size > b.size() - e.offset || e.size < 40) continue;
    if (b.compare(e.offset, 4, "\x89PNG") == 0) continue;  // compressed entries are not read
    entries.push_back(e);
  }
  for (const Entry& e : entries) {
    auto distance = [](const Entry& x) { return std::abs(x.width - 32) + std::abs(x.height - 32); };
    if (!best || distance(e) < distance(*best) || (distance(e) == distance(*best) && e.bits > best->bits)) best = &e;
  }
  if (!best) throw EInvalidGraphic("Icon image is not valid");
  size_t at = best->offset;
  uint32_t headerSize = U32(b, at);
  int width = static_cast<int32_t>(U32(b, at + 4));
  int height = static_cast<int32_t>(U32(b, at + 8)) / 2;
  int bits = U16(b, at + 14);
  uint32_t compression = U32(b, at + 16);
  uint32_t used = U32(b, at + 32);
  if (headerSize < 40 || width <= 0 || height <= 0 || width > 1024 || height > 1024 || compression != 0 ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
    throw EInvalidGraphic("Icon image is not valid");
  size_t paletteCount = bits <= 8 ? (used ? used : 1u << bits) : 0;
  if (paletteCount > 256) throw EInvalidGraphic("Icon image is not valid");
  size_t palette = at + headerSize;
  size_t xorStride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  size_t andStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
  size_t xorStart = palette + paletteCount * 4;
  size_t andStart = xorStart + xorStride * height;
  if (andStart + andStride * height > b.size() || andStart + andStride * height > best->offset + best->size)
    throw EInvalidGraphic("Icon image is not valid");
  auto image = std::make_unique<TBitmap>();
  image->SetSize(width, height);
  auto mask = std::make_unique<TBitmap>();
  mask->SetMonochrome(true);
  mask->SetSize(width, height);
  auto pixels = platform::BitmapPixels(image->Handle());
  auto maskPixels = platform::BitmapPixels(mask->Handle());
  bool alpha = false;
  if (bits == 32)
    for (int y = 0; y < height && !alpha; ++y)
      for (int x = 0; x < width; ++x)
        if (b[xorStart + y * xorStride + x * 4 + 3]) alpha = true;
  for (int row = 0; row < height; ++row) {
    int y = height - 1 - row;  // rows are stored bottom up
    const unsigned char* src = reinterpret_cast<const unsigned char*>(b.data() + xorStart + row * xorStride);
    const unsigned char* andRow = reinterpret_cast<const unsigned char*>(b.data() + andStart + row * andStride);
    for (int x = 0; x < width; ++x) {
      uint32_t rgb = 0;
      bool transparent = (andRow[x / 8] >> (7 - x % 8)) & 1;
      if (bits == 32) {
        rgb = src[x * 4 + 2] << 16 | src[x * 4 + 1] << 8 | src[x * 4];
        if (alpha) transparent = src[x * 4 + 3] < 128;
      } else if (bits == 24) {
        rgb = src[x * 3 + 2] << 16 | src[x * 3 + 1] << 8 | src[x * 3];
      } else {
        int index = bits == 8 ? src[x] : bits == 4 ? (src[x / 2] >> (x % 2 ? 0 : 4)) & 0xF : (src[x / 8] >> (7 - x % 8)) & 1;
        if (static_cast<size_t>(index) >= paletteCount) index = 0;
        const unsigned char* p = reinterpret_cast<const unsigned char*>(b.data() + palette + index * 4);
        rgb = p[2] << 16 | p[1] << 8 | p[0];
      }
      pixels->Row(y)[x] = rgb;
      maskPixels->Row(y)[x] = transparent ? 0xFFFFFF : 0;
    }
  }
  ReleaseHandle();
  delete image_;
  delete mask_;
  image_ = image.release();
  mask_ = mask.release();
  Changed();
}

void TIcon::SaveToStream(TStream* Stream) {
  int w = Width(), h = Height();
  std::string out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  size_t xorStride = static_cast<size_t>(w) * 4, andStride = ((static_cast<size_t>(w) + 31) / 32) * 4;
  uint32_t imageSize = static_cast<uint32_t>(40 + xorStride * h + andStride * h);
  out += static_cast<char>(w >= 256 ? 0 : w);
  out += static_cast<char>(h >= 256 ? 0 : h);
  out += '\0';
  out += '\0';
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, imageSize);
  Put32(out, 22);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(w));
  Put32(out, static_cast<uint32_t>(h * 2));
  Put16(out, 1);
  Put16(out, 32);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  auto pixels = platform::BitmapPixels(image_->Handle());
  auto maskPixels = platform::BitmapPixels(mask_->Handle());
  for (int row = h - 1; row >= 0; --row)
    for (int x = 0; x < w; ++x) {
      uint32_t p = pixels->Row(row)[x];
      bool transparent = maskPixels->Row(row)[x] != 0;
      out += static_cast<char>(p & 0xFF);
      out += static_cast<char>((p >> 8) & 0xFF);
      out += static_cast<char>((p >> 16) & 0xFF);
      out += static_cast<char>(transparent ? 0 : 0xFF);
    }
  for (int row = h - 1; row >= 0; --row) {
    std::string line(andStride, '\0');
    for (int x = 0; x < w; ++x)
      if (maskPixels->Row(row)[x]) line[x / 8] = static_cast<char>(line[x / 8] | (0x80 >> (x % 8)));
    out += line;
  }
  Stream->WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
}

void TIcon::SaveToFile(const std::string& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

void TIcon::Assign(TPersistent* Source) {
  auto* icon = dynamic_cast<TIcon*>(Source);
  if (!icon) return TGraphic::Assign(Source);
  ReleaseHandle();
  image_->Assign(icon->image_);
  mask_->Assign(icon->mask_);
  Changed();
}

HICON TIcon::Handle() {
  if (!handle_ && !Empty()) {
    ICONINFO info{TRUE, 0, 0, mask_->Handle(), image_->Handle()};
    handle_ = CreateIconIndirect(&info);
  }
  return handle_;
}

void TIcon::ReleaseHandle() {
  if (handle_) DestroyIcon(handle_);
  handle_ = nullptr;
}

void TIcon::Draw(TCanvas* ACanvas, const RECT& Rect) {
  if (Empty()) return;
  HDC dst = ACanvas->Handle();
  int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
  HDC img = image_->Canvas()->Handle();
  HDC msk = mask_->Canvas()->Handle();
  COLORREF oldText = SetTextColor(dst, RGB(0, 0, 0));
  COLORREF oldBk = SetBkColor(dst, RGB(255, 255, 255));
  StretchBlt(dst, Rect.left, Rect.top, w, h, img, 0, 0, Width(), Height(), SRCINVERT);
  StretchBlt(dst, Rect.left, Rect.top, w, h, msk, 0, 0, Width(), Height(), SRCAND);
  StretchBlt(dst, Rect.left, Rect.top, w, h, img, 0, 0, Width(), Height(), SRCINVERT);
  SetTextColor(dst, oldText);
  SetBkColor(dst, oldBk);
}
