#pragma once
// Single-line text output and text measurement in the selected font.

#include <string_view>

#include "platform/gui/Devicecontext.h"

inline constexpr UINT ETO_OPAQUE = 0x0002;
inline constexpr UINT ETO_CLIPPED = 0x0004;

BOOL TextOut(HDC dc, int x, int y, const char* text, int length);
// dx, when given, holds the advance of each character.
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, const char* text, UINT length, const int* dx);
BOOL GetTextExtentPoint32(HDC dc, const char* text, int length, SIZE* size);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics);
int GetTextFace(HDC dc, int size, char* face);

namespace platform {

// Width of a text in a face (no tabs, no prefixes).
int TextWidth(const FontFace& face, std::string_view text);
// Draws a run with its top-left cell corner at a logical point: glyphs, underline and
// strike-out of the DC's font in its text colour; no background. limit (logical) clips.
void DrawTextRun(DeviceContext& dc, int x, int y, std::string_view text, const RECT* limit);

}  // namespace platform
