#include "platform/rtl/Format.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Numconv.h"

#include <vector>

namespace {

[[noreturn]] void Invalid(const std::string& fmt) {
  throw EConvertError("Format '" + fmt + "' invalid or incompatible with argument");
}

[[noreturn]] void NoArgument(const std::string& fmt) {
  throw EConvertError("No argument for format '" + fmt + "'");
}

bool IsIntegral(const TVarRec& a) {
  return a.kind == TVarRec::vtInteger || a.kind == TVarRec::vtInt64 || a.kind == TVarRec::vtUInt64;
}

std::string Digits(uint64_t v, unsigned base) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[v % base]);
    v /= base;
  } while (v);
  return out;
}

std::string ZeroPad(std::string digits, int precision) {
  if (precision > 0 && static_cast<int>(digits.size()) < precision)
    digits.insert(0, precision - digits.size(), '0');
  return digits;
}

struct Spec {
  bool left = false;
  int width = -1;
  int precision = -1;
  char type = 0;
};

class Formatter {
 public:
  Formatter(const std::string& fmt, std::initializer_list<TVarRec> args) : fmt_(fmt), args_(args) {}

  std::string Run() {
    std::string out;
    size_t i = 0;
    while (i < fmt_.size()) {
      char c = fmt_[i++];
      if (c != '%') { out += c; continue; }
      if (i < fmt_.size() && fmt_[i] == '%') { out += '%'; ++i; continue; }
      Spec spec = ParseSpec(i);
      out += Pad(Convert(spec), spec);
    }
    return out;
  }

 private:
  const TVarRec& Next() {
    if (next_ >= args_.size()) NoArgument(fmt_);
    return *(args_.begin() + next_++);
  }

  // Reads digits or "*"; -1 when there are none.
  int Number(size_t& i) {
    if (i < fmt_.size() && fmt_[i] == '*') {
      ++i;
      const TVarRec& a = Next();
      if (!IsIntegral(a)) Invalid(fmt_);
      return static_cast<int>(a.kind == TVarRec::vtUInt64 ? static_cast<int64_t>(a.u) : a.i);
    }
    int n = -1;
    while (i < fmt_.size() && fmt_[i] >= '0' && fmt_[i] <= '9') {
      n = (n < 0 ? 0 : n) * 10 + (fmt_[i++] - '0');
      if (n > 100000000) Invalid(fmt_);
    }
    return n;
  }

  Spec ParseSpec(size_t& i) {
    Spec spec;
    // An argument index: digits or "*" followed by ":".
    size_t j = i;
    if (j < fmt_.size() && fmt_[j] == '*') ++j;
    else while (j < fmt_.size() && fmt_[j] >= '0' && fmt_[j] <= '9') ++j;
    if (j > i && j < fmt_.size() && fmt_[j] == ':') {
      int n = Number(i);
      ++i;
      next_ = static_cast<size_t>(n < 0 ? 0 : n);
    }
    if (i < fmt_.size() && fmt_[i] == '-') { spec.left = true; ++i; }
    spec.width = Number(i);
    if (i < fmt_.size() && fmt_[i] == '.') {
      ++i;
      spec.precision = Number(i);
      if (spec.precision < 0) spec.precision = 0;
    }
    if (i >= fmt_.size()) Invalid(fmt_);
    spec.type = fmt_[i++];
    if (spec.type >= 'A' && spec.type <= 'Z') spec.type = static_cast<char>(spec.type - 'A' + 'a');
    return spec;
  }

  std::string Convert(const Spec& spec) {
    switch (spec.type) {
      case 'd': {
        const TVarRec& a = Next();
        if (!IsIntegral(a)) Invalid(fmt_);
        if (a.kind == TVarRec::vtUInt64) return ZeroPad(Digits(a.u, 10), spec.precision);
        bool neg = a.i < 0;
        uint64_t mag = neg ? uint64_t(0) - static_cast<uint64_t>(a.i) : static_cast<uint64_t>(a.i);
        return (neg ? "-" : "") + ZeroPad(Digits(mag, 10), spec.precision);
      }
      case 'u':
      case 'x': {
        const TVarRec& a = Next();
        if (!IsIntegral(a)) Invalid(fmt_);
        // Plain integers count as 32-bit patterns, as the class library's integers do.
        uint64_t v = a.kind == TVarRec::vtUInt64 ? a.u
                     : a.kind == TVarRec::vtInteger ? static_cast<uint32_t>(a.i)
                                                    : static_cast<uint64_t>(a.i);
        return ZeroPad(Digits(v, spec.type == 'x' ? 16 : 10), spec.precision);
      }
      case 's': {
        const TVarRec& a = Next();
        if (a.kind != TVarRec::vtString && a.kind != TVarRec::vtChar) Invalid(fmt_);
        if (spec.precision >= 0 && static_cast<size_t>(spec.precision) < a.s.size()) return a.s.substr(0, spec.precision);
        return a.s;
      }
      case 'p': {
        const TVarRec& a = Next();
        if (a.kind != TVarRec::vtPointer) Invalid(fmt_);
        return ZeroPad(Digits(reinterpret_cast<uintptr_t>(a.p), 16), 2 * static_cast<int>(sizeof(void*)));
      }
      case 'e': case 'f': case 'g': case 'n': case 'm': {
        const TVarRec& a = Next();
        double v;
        if (a.kind == TVarRec::vtExtended) v = a.d;
        else Invalid(fmt_);
        return FormatFloatSpec(v, spec.type, spec.precision);
      }
      default:
        Invalid(fmt_);
    }
  }

  static std::string Pad(std::string s, const Spec& spec) {
    if (spec.width > 0 && static_cast<int>(s.size()) < spec.width) {
      std::string fill(spec.width - s.size(), ' ');
      s = spec.left ? s + fill : fill + s;
    }
    return s;
  }

  const std::string& fmt_;
  std::initializer_list<TVarRec> args_;
  size_t next_ = 0;
};

}  // namespace

std::string Format(const std::string& Fmt, std::initializer_list<TVarRec> Args) {
  return Formatter(Fmt, Args).Run();
}
