#pragma once
// Moving a top-level window by its caption and sizing it by its frame with the mouse.

#include "platform/gui/Window.h"

namespace platform {

// A press on the caption or on a sizing border (the hit-test code) at a screen point
// starts following the mouse until the button goes up; false for other codes.
bool StartFrameTracking(Window* w, LRESULT hit, POINT screen);

}  // namespace platform
