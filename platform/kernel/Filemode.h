#pragma once
// Files that hold secrets are readable and writable by their owner only.

#include "platform/kernel/Fileapi.h"

namespace platform {

// Makes an open file readable and writable by its owner only; false when the system refused.
bool RestrictToOwner(HANDLE file);
// The permission bits of a file (0600 ...), -1 when it cannot be examined.
int FilePermissions(const std::string& path);

}  // namespace platform
