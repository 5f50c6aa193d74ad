#include "controls/Maxmin.h"

#include <utility>

#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"

void SwapInt(int32_t& A, int32_t& B) { std::swap(A, B); }
void SwapLong(int32_t& A, int32_t& B) { std::swap(A, B); }
void SwapInt64(int64_t& A, int64_t& B) { std::swap(A, B); }

int32_t Max(int32_t A, int32_t B) { return A > B ? A : B; }
int32_t Min(int32_t A, int32_t B) { return A < B ? A : B; }

namespace {

// The first element that no later one beats strictly; Less orders the values.
template <class T, class Less>
T Extreme(std::span<const T> Values, Less less) {
  if (Values.empty()) return T{};
  T result = Values[0];
  for (const T& v : Values.subspan(1))
    if (less(result, v)) result = v;
  return result;
}

template <class T>
T Largest(std::span<const T> Values) {
  return Extreme(Values, [](const T& a, const T& b) { return a < b; });
}

template <class T>
T Smallest(std::span<const T> Values) {
  return Extreme(Values, [](const T& a, const T& b) { return b < a; });
}

template <class T>
int Sign(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

int32_t MaxInteger(std::span<const int32_t> Values) { return Largest(Values); }
int32_t MinInteger(std::span<const int32_t> Values) { return Smallest(Values); }
int64_t MaxInt64(std::span<const int64_t> Values) { return Largest(Values); }
int64_t MinInt64(std::span<const int64_t> Values) { return Smallest(Values); }
long double MaxFloat(std::span<const long double> Values) { return Largest(Values); }
long double MinFloat(std::span<const long double> Values) { return Smallest(Values); }
TDateTime MaxDateTime(std::span<const TDateTime> Values) { return Largest(Values); }
TDateTime MinDateTime(std::span<const TDateTime> Values) { return Smallest(Values); }

int CompareVariants(const Variant& A, const Variant& B) {
  if (A.IsNull() || B.IsNull()) return (A.IsNull() ? 0 : 1) - (B.IsNull() ? 0 : 1);
  bool aText = A.VarType() == varString, bText = B.VarType() == varString;
  if (aText && bText) {
    int c = CompareStr(A.AsString(), B.AsString());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (aText || bText) {
    // A text meets a number: as a number when it reads as one, else as texts.
    double number;
    const Variant& text = aText ? A : B;
    if (!TryStrToFloat(text.AsString(), number)) {
      int c = CompareStr(A.ToText(), B.ToText());
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return aText ? Sign(number, B.AsDouble()) : Sign(A.AsDouble(), number);
  }
  if (A.VarType() == varDouble || B.VarType() == varDouble) return Sign(A.AsDouble(), B.AsDouble());
  return Sign(A.AsInteger(), B.AsInteger());
}

Variant MaxOf(std::span<const Variant> Values) {
  return Extreme(Values, [](const Variant& a, const Variant& b) { return CompareVariants(a, b) < 0; });
}

Variant MinOf(std::span<const Variant> Values) {
  return Extreme(Values, [](const Variant& a, const Variant& b) { return CompareVariants(a, b) > 0; });
}
