#pragma once
// Rewriting a whole small file so that a crash at any instant leaves either the old or
// the new contents: the bytes go to "<path>.tmp", are flushed to the disk, and the
// temporary file is renamed over the file (the folder is synced as well).

#include <string>
#include <string_view>

// False, with a report naming `who` and the path, when the file could not be written;
// the previous contents are then untouched. With ownerOnly the file is readable and
// writable by its owner only, from before the first byte is written.
bool ReplaceFileContents(const std::string& path, std::string_view data, bool ownerOnly, std::string_view who);
// The same without a report: false with what failed (the step, the path and the system's
// reason) in `failure`.
bool ReplaceFileContents(const std::string& path, std::string_view data, bool ownerOnly, std::string& failure);

// The whole contents of a file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& data);
