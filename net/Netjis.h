#pragma once
// Conversions between Shift-JIS text and ISO-2022-JP mail text (JIS X 0208
// behind ESC $ B, ASCII behind ESC ( B), as a Japanese system needs them.
#include <string>

// Half-width katakana become their full-width forms (joined with a following
// voiced or semi-voiced mark where such a form exists); user-defined and
// unknown bytes are dropped.
std::string ShiftJISToISO2022JP(const std::string& Text);
std::string ISO2022JPToShiftJIS(const std::string& Text);
