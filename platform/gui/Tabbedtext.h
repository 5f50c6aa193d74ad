#pragma once
// Text output with tab stops: a tab moves the pen to the next stop, counted from an
// origin. No stop given: every eight average character widths; one: that distance
// between stops; more: those positions (past the last one, blanks of one character).

#include "platform/gui/Devicecontext.h"

// Returns MAKELONG(width, height) of what was drawn.
LONG TabbedTextOut(HDC dc, int x, int y, const char* text, int length, int tabCount, const int* tabs, int tabOrigin);
DWORD GetTabbedTextExtent(HDC dc, const char* text, int length, int tabCount, const int* tabs);
