#pragma once
// Temporary files and folders: the system's temporary folder, and new files and folders
// whose unique names are made and taken in one step, so that no other process can slip
// its own file in between. They are the user's own (files 0600, folders 0700).

#include <string>

namespace platform {

// The system's temporary folder ($TMPDIR, else /tmp), a program path without a trailing '/'.
std::string TempRoot();

// A new folder named `prefix` and six unique characters (`prefix` is a program path with
// its folder); "" with the last error set when it cannot be made.
std::string MakeUniqueFolder(const std::string& prefix);
// A new empty file named the same way.
std::string MakeUniqueFile(const std::string& prefix);

}  // namespace platform
