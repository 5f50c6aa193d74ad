#pragma once
// Small value routines: exchanging two values, and the larger or smaller of two
// values or of a list. The list routines walk the list from its first element and
// keep the first of equal extremes; an empty list gives the type's zero value.

#include <cstdint>
#include <initializer_list>
#include <span>

#include "platform/rtl/Tdatetime.h"
#include "platform/rtl/Variant.h"

void SwapInt(int32_t& A, int32_t& B);
void SwapLong(int32_t& A, int32_t& B);
void SwapInt64(int64_t& A, int64_t& B);

int32_t Max(int32_t A, int32_t B);
int32_t Min(int32_t A, int32_t B);

int32_t MaxInteger(std::span<const int32_t> Values);
int32_t MinInteger(std::span<const int32_t> Values);
int64_t MaxInt64(std::span<const int64_t> Values);
int64_t MinInt64(std::span<const int64_t> Values);
long double MaxFloat(std::span<const long double> Values);
long double MinFloat(std::span<const long double> Values);
TDateTime MaxDateTime(std::span<const TDateTime> Values);
TDateTime MinDateTime(std::span<const TDateTime> Values);
// By the variant order: numbers (and booleans) by value, texts by their bytes, a
// text against a number as a number when it reads as one; null below everything.
Variant MaxOf(std::span<const Variant> Values);
Variant MinOf(std::span<const Variant> Values);

inline int32_t MaxInteger(std::initializer_list<int32_t> V) { return MaxInteger(std::span(V.begin(), V.size())); }
inline int32_t MinInteger(std::initializer_list<int32_t> V) { return MinInteger(std::span(V.begin(), V.size())); }
inline int64_t MaxInt64(std::initializer_list<int64_t> V) { return MaxInt64(std::span(V.begin(), V.size())); }
inline int64_t MinInt64(std::initializer_list<int64_t> V) { return MinInt64(std::span(V.begin(), V.size())); }
inline long double MaxFloat(std::initializer_list<long double> V) { return MaxFloat(std::span(V.begin(), V.size())); }
inline long double MinFloat(std::initializer_list<long double> V) { return MinFloat(std::span(V.begin(), V.size())); }
inline Variant MaxOf(std::initializer_list<Variant> V) { return MaxOf(std::span(V.begin(), V.size())); }
inline Variant MinOf(std::initializer_list<Variant> V) { return MinOf(std::span(V.begin(), V.size())); }

// The variant order used by MaxOf and MinOf: <0, 0 or >0.
int CompareVariants(const Variant& A, const Variant& B);
