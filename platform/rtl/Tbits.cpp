#include "platform/rtl/Tbits.h"

#include "platform/rtl/Exception.h"

namespace {
constexpr int kMaxBits = 0x7FFFFFF;  // the bits of a 16 MB array
[[noreturn]] void Error() { throw EBitsError("Bits index out of range"); }
}  // namespace

void TBits::SetSize(int Value) {
  if (Value < 0 || Value > kMaxBits) Error();
  bits_.resize(static_cast<size_t>(Value), false);
}

bool TBits::Bits(int Index) const {
  if (Index < 0 || Index >= Size()) Error();
  return bits_[static_cast<size_t>(Index)];
}

void TBits::SetBits(int Index, bool Value) {
  if (Index < 0 || Index >= kMaxBits) Error();
  if (Index >= Size()) SetSize(Index + 1);
  bits_[static_cast<size_t>(Index)] = Value;
}

int TBits::OpenBit() const {
  for (int i = 0; i < Size(); ++i)
    if (!bits_[static_cast<size_t>(i)]) return i;
  return Size();
}
