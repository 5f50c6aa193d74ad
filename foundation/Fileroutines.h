#pragma once
// File and folder routines of the program. Paths are code-page texts with '/'.
// Failures of the tree routines are reported to the error state.

#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Tdatetime.h"

#include <cstdint>
#include <string>

// True when the file can be opened, or when the system says that it is there though it
// cannot be opened (no permission to read it). A name too long, a folder that may not be
// searched, a failing disk: nothing said, nothing exists. `length` receives the size of an
// opened file.
bool IsFileExists(const std::string& path, int64_t* length = nullptr);
// What the system says of a path, a final symbolic link not followed: there, not there, or
// neither (a name too long, a folder that may not be searched, a failing disk), with the
// system's error in GetLastError.
enum class TPathState { Present, Absent, Unknown };
TPathState PathState(const std::string& path);
// True for an existing folder; a trailing '/' is ignored.
bool IsDirExists(const std::string& path);
// True when the path itself is a symbolic link (whatever it points to).
bool IsLinkPath(const std::string& path);
// Makes a folder and the missing ones above it, without a box; false with the system's
// error in GetLastError.
bool CreateFolderQuietly(const std::string& path);
// Creates a folder (and its missing parents) when it does not exist; a failure
// shows "Error creating folder '<path>'" under "ERROR" and answers false.
bool CreateFolder(const std::string& path);
bool RemoveFile(const std::string& path);

// Deletes a folder tree below the data root (the folder itself too unless
// `keepFolder`). Refuses an empty path, the data root itself and any path
// outside it; symbolic links are removed, never followed.
bool RecourseDelete(const std::string& folder, bool keepFolder = false);
// Copies a folder tree into `target` (created when missing), replacing files
// of the same names. Symbolic links are left out.
bool RecourseCopy(const std::string& source, const std::string& target);

// Splits at the last '/': the folder keeps its '/', the name is the rest.
void SplitFilePath(const std::string& path, std::string& folder, std::string& name);

// One entry of a directory search (files only: no folders, no hidden names).
struct TFindEntry {
  std::string Name;
  int64_t Size = 0;
  uint32_t Time = 0;  // DOS date (high word) and time (low word), local time
  HANDLE FindHandle = INVALID_HANDLE_VALUE;
};

// `path` is a folder and a pattern ("Inbox/*.*"). False when no (further) file
// matches; FindFirstEntry then needs no FindCloseEntry.
bool FindFirstEntry(const std::string& path, TFindEntry& entry);
bool FindNextEntry(TFindEntry& entry);
void FindCloseEntry(TFindEntry& entry);

// The date and time of a packed DOS date and time (0 for an invalid one).
TDateTime DosDateTimeToDateTime(uint32_t dosDateTime);
TDateTime DosDateTimeToDateTime(const TFindEntry& entry);
