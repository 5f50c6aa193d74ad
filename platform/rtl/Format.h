#pragma once
// Format: the class library's formatting of texts from an argument list,
//   Format("%s has %d items", {name, count})
// Specifiers are "%" [index ":"] ["-"] [width] ["." precision] type, with the
// types d u x s p and the floating types e f g n m; width, precision and index
// may be "*" (taken from the arguments). Unlike printf a leading 0 of the width
// is not a fill flag: "%.2d" pads with zeros, "%02d" pads with blanks.
// A specifier that does not fit its argument raises EConvertError.

#include <cstdint>
#include <initializer_list>
#include <string>

// One argument of Format.
struct TVarRec {
  enum Kind { vtInteger, vtInt64, vtUInt64, vtExtended, vtString, vtChar, vtPointer, vtBoolean };
  Kind kind;
  int64_t i = 0;
  uint64_t u = 0;
  double d = 0;
  std::string s;
  const void* p = nullptr;

  TVarRec(int v) : kind(vtInteger), i(v) {}
  TVarRec(long v) : kind(vtInt64), i(v) {}
  TVarRec(long long v) : kind(vtInt64), i(v) {}
  TVarRec(unsigned v) : kind(vtInt64), i(v) {}
  TVarRec(unsigned long v) : kind(vtUInt64), u(v) {}
  TVarRec(unsigned long long v) : kind(vtUInt64), u(v) {}
  TVarRec(short v) : kind(vtInteger), i(v) {}
  TVarRec(unsigned short v) : kind(vtInteger), i(v) {}
  TVarRec(unsigned char v) : kind(vtInteger), i(v) {}
  TVarRec(signed char v) : kind(vtInteger), i(v) {}
  TVarRec(bool v) : kind(vtBoolean), i(v ? 1 : 0) {}
  TVarRec(double v) : kind(vtExtended), d(v) {}
  TVarRec(float v) : kind(vtExtended), d(v) {}
  TVarRec(long double v) : kind(vtExtended), d(static_cast<double>(v)) {}
  TVarRec(char v) : kind(vtChar), s(1, v) {}
  TVarRec(const char* v) : kind(vtString), s(v ? v : "") {}
  TVarRec(const std::string& v) : kind(vtString), s(v) {}
  TVarRec(const void* v) : kind(vtPointer), p(v) {}
};

std::string Format(const std::string& Fmt, std::initializer_list<TVarRec> Args = {});
