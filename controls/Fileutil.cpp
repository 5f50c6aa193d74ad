#include "controls/Fileutil.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "controls/Dateutil.h"
#include "controls/Progresscontrols.h"
#include "controls/Texfileoperator.h"
#include "platform/kernel/Findfile.h"
#include "platform/kernel/Tempfiles.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Strutil.h"
#include "platform/shell/Shellfolders.h"
#include "platform/shell/Tshelllink.h"

namespace {

constexpr DWORD kCopyBlock = 8192;
// Days from 1 January 1601 to 30 December 1899.
constexpr double kFileTimeEpochDays = 109205;

struct THandleCloser {
  void operator()(void* h) const {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using THandle = std::unique_ptr<void, THandleCloser>;

bool Exists(const std::string& name) { return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A progress control (of any registered class) takes byte counts scaled down to fit
// its integer range.
class TProgress {
 public:
  TProgress(TControl* control, int64_t total) : control_(SupportsProgressControl(control) ? control : nullptr) {
    while (total / scale_ > INT_MAX) scale_ *= 1024;
    if (!control_) return;
    SetProgressMin(control_, 0);
    SetProgressMax(control_, static_cast<int>(total / scale_));
    SetProgressValue(control_, 0);
  }
  void Add(int64_t bytes) {
    done_ += bytes;
    if (control_) SetProgressValue(control_, static_cast<int>(done_ / scale_));
  }
  void Reset() {
    if (control_) SetProgressValue(control_, 0);
  }

 private:
  TControl* control_;
  int64_t scale_ = 1, done_ = 0;
};

// A link's file: the special folder and the display name as a plain file name.
bool LinkFileName(const std::string& displayName, int folder, bool create, std::string& file) {
  if (displayName.empty() || displayName == "." || displayName == ".." ||
      displayName.find('/') != std::string::npos || displayName.find('\0') != std::string::npos)
    return false;
  std::string dir;
  if (!SHGetSpecialFolderPath(folder, dir, create)) return false;
  file = NormalDir(dir) + displayName + ".desktop";
  return true;
}

}  // namespace

// ---- names and folders

std::string NormalDir(const std::string& DirName) {
  if (DirName.empty() || DirName.back() == '/') return DirName;
  return DirName + "/";
}

std::string RemoveBackSlash(const std::string& DirName) {
  if (DirName.size() > 1 && DirName.back() == '/') return DirName.substr(0, DirName.size() - 1);
  return DirName;
}

bool DirExists(const std::string& Name) {
  DWORD a = GetFileAttributesA(Name.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& Dir) {
  std::string dir = RemoveBackSlash(Dir);
  if (dir.empty() || dir == "/" || DirExists(dir)) return DirExists(dir.empty() ? "." : dir);
  std::string parent = RemoveBackSlash(FolderOf(dir));
  if (!parent.empty()) ForceDirectories(parent);
  CreateDirectoryA(dir.c_str(), nullptr);
  return DirExists(dir);
}

bool ValidFileName(const std::string& FileName) {
  if (FileName.empty()) return false;
  return FileName.find_first_of(std::string("<>\"[]|\0", 7)) == std::string::npos;
}

std::string ShortToLongFileName(const std::string& ShortName) { return Exists(ShortName) ? ShortName : std::string(); }
std::string LongToShortFileName(const std::string& LongName) { return Exists(LongName) ? LongName : std::string(); }
std::string ShortToLongPath(const std::string& ShortName) { return ShortName; }
std::string LongToShortPath(const std::string& LongName) { return LongName; }

std::string GetTempDir() {
  return NormalDir(platform::TempRoot());
}

// ---- files

int64_t GetFileSize(const std::string& FileName) {
  WIN32_FIND_DATAA info;
  if (!platform::GetEntryInfo(FileName, info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    // A symbolic link counts as what it points to.
    DWORD a = GetFileAttributesA(FileName.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return -1;
  }
  THandle h(CreateFileA(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (h.get() == INVALID_HANDLE_VALUE) return -1;
  DWORD high = 0;
  DWORD low = GetFileSize(h.get(), &high);
  return (static_cast<int64_t>(high) << 32) | low;
}

TDateTime FileDateTime(const std::string& FileName) {
  THandle h(CreateFileA(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr));
  FILETIME written, local;
  if (h.get() == INVALID_HANDLE_VALUE || !GetFileTime(h.get(), nullptr, nullptr, &written) ||
      !FileTimeToLocalFileTime(&written, &local))
    return NullDate;
  uint64_t ticks = (static_cast<uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
  return static_cast<double>(ticks) / 864000000000.0 - kFileTimeEpochDays;
}

bool HasAttr(const std::string& FileName, DWORD Attr) {
  DWORD a = GetFileAttributesA(FileName.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & Attr) == Attr;
}

bool DeleteFiles(const std::string& FileMask) {
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA(FileMask.c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return false;
  const std::string dir = FolderOf(FileMask);
  bool matched = false, ok = true;
  do {
    if (fd.cFileName[0] == '.' || (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    matched = true;
    if (!DeleteFileA((dir + fd.cFileName).c_str())) ok = false;
  } while (ok && FindNextFileA(find, &fd));
  FindClose(find);
  return matched && ok;
}

bool DeleteFilesEx(const std::vector<std::string>& FileMasks) {
  for (const std::string& mask : FileMasks)
    if (!DeleteFiles(mask)) return false;
  return true;
}

bool ClearDir(const std::string& Path, bool DelDir) {
  std::string dir = RemoveBackSlash(Path);
  if (!DirExists(dir)) return false;
  WIN32_FIND_DATAA fd;
  bool ok = true;
  HANDLE find = FindFirstFileA((NormalDir(dir) + "*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = NormalDir(dir) + fd.cFileName;
      WIN32_FIND_DATAA entry;
      // The entry itself, a symbolic link not followed: a link is removed as a file.
      if (!platform::GetEntryInfo(name, entry)) continue;
      bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
      bool link = entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
      if (folder) {
        ok = ClearDir(name, DelDir) && ok;
        continue;
      }
      if (!link && (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
      ok = DeleteFileA(name.c_str()) && ok;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  if (DelDir && dir != "/" && !dir.empty()) ok = RemoveDirectoryA(dir.c_str()) && ok;
  return ok;
}

void CopyFile(const std::string& FileName, const std::string& DestName, TControl* ProgressControl) {
  CopyFileEx(FileName, DestName, false, ProgressControl, false);
}

void CopyFileEx(const std::string& FileName, const std::string& DestName, bool OverwriteReadOnly,
                TControl* ProgressControl, bool ShellDialog) {
  if (ShellDialog) {
    // The file operator asks before replacing unless told to overwrite.
    TExFileOperator op(nullptr);
    op.SetOperation(foCopy);
    op.SetOptions(OverwriteReadOnly ? TFileOperFlags{flNoConfirmation} : TFileOperFlags{});
    op.SetSource(FileName);
    op.SetDestination(DestName);
    if (!op.Execute() || op.Aborted()) throw EAbort();
    return;
  }
  std::string dest = DestName;
  if (DirExists(dest)) dest = NormalDir(dest) + ExtractFileName(FileName);
  THandle source(CreateFileA(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (source.get() == INVALID_HANDLE_VALUE || DirExists(FileName))
    throw EFOpenError("Cannot open file " + FileName);
  TProgress progress(ProgressControl, GetFileSize(FileName));
  ForceDirectories(FolderOf(dest));
  if (OverwriteReadOnly && HasAttr(dest, FILE_ATTRIBUTE_READONLY))
    SetFileAttributesA(dest.c_str(), GetFileAttributesA(dest.c_str()) & ~FILE_ATTRIBUTE_READONLY);
  THandle target(CreateFileA(dest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (target.get() == INVALID_HANDLE_VALUE) throw EFCreateError("Cannot create file " + dest);
  std::vector<char> buffer(kCopyBlock);
  for (;;) {
    DWORD read = 0, written = 0;
    if (!ReadFile(source.get(), buffer.data(), kCopyBlock, &read, nullptr)) throw EReadError("Stream read error");
    if (read > 0 && (!WriteFile(target.get(), buffer.data(), read, &written, nullptr) || written != read))
      throw EWriteError("Stream write error");
    progress.Add(read);
    if (read < kCopyBlock) break;
  }
  FILETIME modified;
  if (GetFileTime(source.get(), nullptr, nullptr, &modified)) SetFileTime(target.get(), nullptr, nullptr, &modified);
  progress.Reset();
}

void MoveFile(const std::string& FileName, const std::string& DestName) {
  std::string dest = DestName;
  if (MoveFileExA(FileName.c_str(), dest.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
  if (!Exists(FileName)) return;
  DWORD attributes = GetFileAttributesA(FileName.c_str());
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(FileName.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  CopyFile(FileName, dest);
  DeleteFileA(FileName.c_str());
}

void MoveFileEx(const std::string& FileName, const std::string& DestName, bool ShellDialog) {
  if (!ShellDialog) {
    MoveFile(FileName, DestName);
    return;
  }
  TExFileOperator op(nullptr);
  bool sameFolder = AnsiSameText(ExtractFilePath(FileName), ExtractFilePath(DestName));
  op.SetOperation(sameFolder ? foRename : foMove);
  op.SetOptions({flNoConfirmation});
  op.SetSource(FileName);
  op.SetDestination(DestName);
  if (!op.Execute() || op.Aborted()) throw EAbort();
}

int FileLock(HANDLE Handle, int64_t Offset, int64_t LockSize) {
  return static_cast<int>(platform::LockFileRange(Handle, Offset, LockSize));
}
int FileUnlock(HANDLE Handle, int64_t Offset, int64_t LockSize) {
  return static_cast<int>(platform::UnlockFileRange(Handle, Offset, LockSize));
}

// ---- links

bool CreateFileLink(const std::string& FileName, const std::string& DisplayName, int Folder) {
  std::string file;
  if (!LinkFileName(DisplayName, Folder, true, file)) return false;
  TShellLink link;
  link.SetPath(FileName);
  link.SetIconLocation(FileName);
  link.SetName(DisplayName);
  return link.Save(file);
}

bool DeleteFileLink(const std::string& DisplayName, int Folder) {
  std::string file;
  return LinkFileName(DisplayName, Folder, false, file) && DeleteFileA(file.c_str());
}
