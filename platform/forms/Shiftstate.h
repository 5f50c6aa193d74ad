#pragma once
// The shift state of a key or mouse event: the keys and buttons held down with it.

#include "platform/rtl/Tset.h"

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;
