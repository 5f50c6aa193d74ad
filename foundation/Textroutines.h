#pragma once
// Text helpers of the program; texts are in the code page.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"

#include <cstdint>
#include <string>
#include <string_view>

// A random identifier: the prefix, the date and time, and random hexadecimal digits.
TStr MakeRandomIdent(const char* prefix);
// Upper-cased, with every character that is not a letter, a digit or '_' turned into '_'.
std::string MakeUpperIdent(std::string_view text);
// Replaces every occurrence of `what` by `by`, left to right, without scanning
// the inserted text again. An empty `what` leaves the text as it is.
std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view by);
// Fills `array` (cleared first) with the pieces of `text` between the
// occurrences of `separator`; the last piece only when it is not empty.
void SplitToStrArray(std::string_view text, std::string_view separator, TArray<TStr>& array);
// The text inside the first pair of parentheses; "" when there is none.
std::string ExtractParenthesisText(std::string_view text);
// Per colour byte (red, green, blue) a + (b - a) * t, truncated and kept within 0..255.
int32_t MixColors(int32_t a, int32_t b, double t);
// The program's run-time formats: date separator "/", time separator ":",
// short date "mm'/'dd'/'yyyy", decimal separator ".".
void SetFormatSettings();
