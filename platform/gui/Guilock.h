#pragma once
// The one lock of the window system. It guards the handle tables and the message queues
// and is never held while a window procedure or any other callback runs.

#include <mutex>

namespace platform {

std::recursive_mutex& GuiMutex();
using GuiLock = std::lock_guard<std::recursive_mutex>;

}  // namespace platform
