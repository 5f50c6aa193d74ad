#pragma once
// The read-me that comes with the program: written into the program's folder at the first
// start (when no read-me is there), so that start-up shows it and the user can open it.

#include <string>

// Writes the read-me at path unless a file is there; false when it could not be written.
bool WriteShippedReadme(const std::string& path);
