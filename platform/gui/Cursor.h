#pragma once
// Mouse cursors: the standard shapes, cursors made from masks, the cursor shown.

#include "platform/gui/Wintypes.h"

inline const char* MAKEINTRESOURCE(int id) { return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(id)); }
inline constexpr int IDC_ARROW = 32512;
inline constexpr int IDC_IBEAM = 32513;
inline constexpr int IDC_WAIT = 32514;
inline constexpr int IDC_CROSS = 32515;
inline constexpr int IDC_UPARROW = 32516;
inline constexpr int IDC_SIZENWSE = 32642;
inline constexpr int IDC_SIZENESW = 32643;
inline constexpr int IDC_SIZEWE = 32644;
inline constexpr int IDC_SIZENS = 32645;
inline constexpr int IDC_SIZEALL = 32646;
inline constexpr int IDC_NO = 32648;
inline constexpr int IDC_HAND = 32649;
inline constexpr int IDC_APPSTARTING = 32650;
inline constexpr int IDC_HELP = 32651;
// System cursor ids of SetSystemCursor (the same numbers).
inline constexpr DWORD OCR_NORMAL = 32512;

// Standard cursors by IDC_* number (instance null); null for unknown names.
HCURSOR LoadCursor(HINSTANCE instance, const char* name);
// A cursor from an AND mask and an XOR mask (1 bit a pixel, rows padded to 16 bits).
HCURSOR CreateCursor(HINSTANCE instance, int hotX, int hotY, int width, int height,
                     const void* andMask, const void* xorMask);
// A cursor of its own with the same shape (null for an unknown cursor).
HCURSOR CopyCursor(HCURSOR cursor);
BOOL DestroyCursor(HCURSOR cursor);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
int ShowCursor(BOOL show);
// Replaces the system cursor of that id (OCR_*) with the cursor, which it takes over.
BOOL SetSystemCursor(HCURSOR cursor, DWORD id);

namespace platform {

// The shapes of the standard cursors, with those of the class library (drag, split ...).
enum class CursorShape {
  Arrow, IBeam, Wait, Cross, UpArrow, SizeNWSE, SizeNESW, SizeWE, SizeNS, SizeAll, No, Hand,
  AppStarting, Help, Drag, MultiDrag, NoDrop, HSplit, VSplit, Custom, Blank,
};

HCURSOR StockCursor(CursorShape shape);
CursorShape ShapeOf(HCURSOR cursor);
// The cursor as the screen shows it: replacements of system cursors applied, hidden
// when the show count is negative.
CursorShape ShownCursorShape();
void RestoreSystemCursors();

}  // namespace platform
