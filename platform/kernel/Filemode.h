#pragma once
// Who owns a file and who may use it: files that hold secrets are readable and writable by
// their owner only.

#include "platform/kernel/Fileapi.h"

namespace platform {

// Makes an open file readable and writable by its owner only; false when the system refused.
bool RestrictToOwner(HANDLE file);
// The permission bits of a file (0600 ...), -1 when it cannot be examined.
int FilePermissions(const std::string& path);
// Whether the running user owns a path; a final symbolic link is the link itself.
bool OwnedByUser(const std::string& path);

}  // namespace platform
