#pragma once
// The hint window: a small yellow window with the short hint of the control the mouse
// rests on, shown after the application's hint pause and gone when the mouse moves
// to another control, a key is pressed or a button clicked. Hints read
// "short|long": the short part is shown, the long part goes to Application->Hint.

#include <string>

#include "platform/gui/Wintypes.h"

class TControl;

std::string GetShortHint(const std::string& Hint);
std::string GetLongHint(const std::string& Hint);

namespace platform::hints {

// The mouse is now over a control (null: none of ours).
void MouseOver(TControl* Control);
// The mouse moved on the control it is over; a hint that changed meanwhile starts anew.
void MouseMoved(TControl* Control);
void Cancel();
// The hint window while it is shown, else null (for tests).
HWND Window();
std::string ShownText();

}  // namespace platform::hints
