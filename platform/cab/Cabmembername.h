#pragma once
// Names of cabinet members come from whoever made the cabinet. A name is
// accepted only as a relative path that stays below the target folder.

#include <string>

namespace platform {

// False for a name that is empty, longer than 255 bytes, absolute, carries a
// drive letter or any ':', holds control characters, or has an empty, "." or
// ".." component ('\' and '/' both separate components).
bool CabMemberNameIsSafe(const std::string& name);

// The relative path of a safe member name, with '/' between its components.
std::string CabMemberPath(const std::string& name);

}  // namespace platform
