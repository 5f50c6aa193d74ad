#pragma once
// The library's two extra screen cursors: a hand and a dragging hand, under the
// numbers other code selects them by.

#include "platform/forms/Controlmessages.h"

inline constexpr TCursor crHand = 14000;
inline constexpr TCursor crDragHand = 14001;

// Puts both cursors into the screen's cursor table (once; start-up calls it).
void InstallLibraryCursors();
