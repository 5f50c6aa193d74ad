#include "platform/gui/Guilock.h"

namespace platform {

std::recursive_mutex& GuiMutex() {
  // Never freed: the window system is locked from static destructors too.
  static std::recursive_mutex& mutex = *new std::recursive_mutex;
  return mutex;
}

}  // namespace platform
