#pragma once
// Hidden utility windows: a window of its own for a non-visual component, whose
// messages go to a method of the component. The method passes what it does not
// handle on to DefWindowProc itself.

#include <functional>

#include "platform/forms/Controlmessages.h"
#include "platform/gui/Wintypes.h"

using TWndMethod = std::function<void(TMessage& Message)>;

HWND AllocateHWnd(TWndMethod Method);
void DeallocateHWnd(HWND Wnd);
