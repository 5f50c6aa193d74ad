#pragma once
// TBits: a growable array of bits. Setting a bit past the end grows the array;
// a negative index, or reading past the end, raises EBitsError
// "Bits index out of range".

#include "platform/rtl/Tobject.h"

#include <vector>

class TBits : public TObject {
 public:
  int Size() const { return static_cast<int>(bits_.size()); }
  void SetSize(int Value);
  bool Bits(int Index) const;
  void SetBits(int Index, bool Value);
  bool operator[](int Index) const { return Bits(Index); }
  // The index of the first clear bit; Size when every bit is set.
  int OpenBit() const;

 private:
  std::vector<bool> bits_;
};
