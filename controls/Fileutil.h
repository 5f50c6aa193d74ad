#pragma once
// Functions on files, folders and shell links. Paths use '/'; there are no
// drives and no short (8.3) names on this system, so the name conversions
// give the existing name itself. Shell links are desktop entry files
// ("<name>.desktop") in the user's special folders.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/kernel/Findfile.h"
#include "platform/rtl/Tdatetime.h"

class TControl;

// A folder name with one trailing '/' (empty stays empty).
std::string NormalDir(const std::string& DirName);
// One trailing '/' removed, except from the root and from a one-character name.
std::string RemoveBackSlash(const std::string& DirName);
bool DirExists(const std::string& Name);
// Makes every missing folder of the path, the outermost first; true when it
// exists afterwards.
bool ForceDirectories(const std::string& Dir);
// Not empty and none of < > " [ ] | (nor a zero byte).
bool ValidFileName(const std::string& FileName);
// The name of the existing file; empty when there is none.
std::string ShortToLongFileName(const std::string& ShortName);
std::string LongToShortFileName(const std::string& LongName);
std::string ShortToLongPath(const std::string& ShortName);
std::string LongToShortPath(const std::string& LongName);
// The folder for temporary files, ending in '/'.
std::string GetTempDir();

// -1 for a missing file or a folder.
int64_t GetFileSize(const std::string& FileName);
// The local modification time; NullDate for a missing file.
TDateTime FileDateTime(const std::string& FileName);
bool HasAttr(const std::string& FileName, DWORD Attr);
// Deletes the files (not folders, not names starting with '.') matching the
// mask, stopping at the first failure; true when some matched and all went.
bool DeleteFiles(const std::string& FileMask);
bool DeleteFilesEx(const std::vector<std::string>& FileMasks);
// Deletes every file of the folder and clears its sub-folders; with DelDir the
// emptied folders go too (never the root). Symbolic links are removed, never
// followed. False when the folder does not exist or anything stayed.
bool ClearDir(const std::string& Path, bool DelDir);

// Copies a file. A destination that is a folder gets the source's name. The
// destination's folder is made when missing; a read-only destination is
// overwritten only with OverwriteReadOnly. The destination gets the source's
// modification time. A progress bar, when given, follows the bytes copied.
// Raises EFOpenError, EFCreateError, EReadError, EWriteError. With ShellDialog
// the file operator copies, asking before it replaces a file unless
// OverwriteReadOnly; a failure or the user's stop raises EAbort.
void CopyFile(const std::string& FileName, const std::string& DestName, TControl* ProgressControl = nullptr);
void CopyFileEx(const std::string& FileName, const std::string& DestName, bool OverwriteReadOnly,
                TControl* ProgressControl, bool ShellDialog);
// Renames; across file systems copies and deletes the source. With ShellDialog
// through the file operator, a failure raising EAbort.
void MoveFile(const std::string& FileName, const std::string& DestName);
void MoveFileEx(const std::string& FileName, const std::string& DestName, bool ShellDialog);

// Byte-range locks; 0 on success, else the kernel's error code.
int FileLock(HANDLE Handle, int64_t Offset, int64_t LockSize);
int FileUnlock(HANDLE Handle, int64_t Offset, int64_t LockSize);

// A link to the target named DisplayName in a special folder (CSIDL_...);
// false for a display name that is no plain file name or a folder that is missing.
bool CreateFileLink(const std::string& FileName, const std::string& DisplayName, int Folder);
bool DeleteFileLink(const std::string& DisplayName, int Folder);
