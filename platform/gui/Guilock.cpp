#include "platform/gui/Guilock.h"

namespace platform {

std::recursive_mutex& GuiMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

}  // namespace platform
