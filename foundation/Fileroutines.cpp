#include "foundation/Fileroutines.h"

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Findfile.h"

#include <cerrno>
#include <vector>

namespace {

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

void ReportFailure(const char* routine, const std::string& what, const std::string& path) {
  TError::Report(std::string(routine) + " - " + what + " '" + path + "': " + platform::ErrorText(GetLastError()));
}

// The entries of a folder (names only), links and folders included.
std::vector<WIN32_FIND_DATAA> ListFolder(const std::string& folder) {
  std::vector<WIN32_FIND_DATAA> entries;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((folder + "/*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return entries;
  do entries.push_back(data);
  while (FindNextFileA(h, &data));
  FindClose(h);
  return entries;
}

bool IsLink(const WIN32_FIND_DATAA& d) { return d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT; }
bool IsFolder(const WIN32_FIND_DATAA& d) { return d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY; }

bool DeleteTree(const std::string& folder) {
  for (const WIN32_FIND_DATAA& e : ListFolder(folder)) {
    std::string path = folder + "/" + e.cFileName;
    if (IsFolder(e) && !IsLink(e)) {
      if (!DeleteTree(path)) return false;
      if (!RemoveDirectoryA(path.c_str())) {
        ReportFailure("RecourseDelete", "ошибка удаления папки", path);
        return false;
      }
    } else if (!DeleteFileA(path.c_str())) {
      ReportFailure("RecourseDelete", "ошибка удаления файла", path);
      return false;
    }
  }
  return true;
}

bool CopyTree(const std::string& source, const std::string& target) {
  if (!IsDirExists(target) && !platform::MakeFolders(platform::SystemPath(target))) {
    ReportFailure("RecourseCopy", "ошибка создания папки", target);
    return false;
  }
  for (const WIN32_FIND_DATAA& e : ListFolder(source)) {
    if (IsLink(e)) continue;
    std::string from = source + "/" + e.cFileName, to = target + "/" + e.cFileName;
    if (IsFolder(e)) {
      if (!CopyTree(from, to)) return false;
    } else if (!CopyFileA(from.c_str(), to.c_str(), 0)) {
      ReportFailure("RecourseCopy", "ошибка копирования файла", from);
      return false;
    }
  }
  return true;
}

// Whether `inner` is `outer` or lies below it (both resolved).
bool IsWithin(const std::string& inner, const std::string& outer) {
  return inner == outer || (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
                            (outer == "/" || inner[outer.size()] == '/'));
}

}  // namespace

bool IsFileExists(const std::string& path, int64_t* length) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (length) {
    DWORD high = 0;
    DWORD low = GetFileSize(h, &high);
    *length = static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
  }
  CloseHandle(h);
  return true;
}

TPathState PathState(const std::string& path) {
  WIN32_FIND_DATAA entry;
  if (platform::GetEntryInfo(path, entry)) return TPathState::Present;
  const DWORD e = GetLastError();
  return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? TPathState::Absent : TPathState::Unknown;
}

bool IsDirExists(const std::string& path) {
  DWORD a = GetFileAttributesA(WithoutTrailingSlash(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderQuietly(const std::string& path) {
  if (IsDirExists(path)) return true;
  errno = 0;
  if (!path.empty() && platform::MakeFolders(platform::SystemPath(WithoutTrailingSlash(path)))) return true;
  SetLastError(platform::ErrorFromErrno(errno ? errno : ENOTDIR));
  return false;
}

bool CreateFolder(const std::string& path) {
  if (CreateFolderQuietly(path)) return true;
  ShowMessageBox("ERROR", "Error creating folder '" + path + "'");
  return false;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool IsLinkPath(const std::string& path) {
  WIN32_FIND_DATAA entry;
  return platform::GetEntryInfo(WithoutTrailingSlash(path), entry) && IsLink(entry);
}

bool RecourseDelete(const std::string& folder, bool keepFolder) {
  std::string path = WithoutTrailingSlash(folder);
  std::string real, root;
  if (path.empty()) {
    TError::Report("RecourseDelete - пустой путь папки");
    return false;
  }
  WIN32_FIND_DATAA self;
  if (!platform::GetEntryInfo(path, self)) return true;  // nothing to delete
  if (!platform::RealPath(platform::ProgramPath(platform::DataRoot()), root) || !platform::RealPath(path, real) ||
      !IsWithin(real, root) || real == root) {
    TError::Report("RecourseDelete - папка '" + folder + "' вне папки программы, удаление запрещено");
    return false;
  }
  if (IsLink(self)) {  // the link goes, what it points to stays
    if (keepFolder) return true;
    if (DeleteFileA(path.c_str())) return true;
    ReportFailure("RecourseDelete", "ошибка удаления ссылки", path);
    return false;
  }
  if (!DeleteTree(path)) return false;
  if (!keepFolder && !RemoveDirectoryA(path.c_str())) {
    ReportFailure("RecourseDelete", "ошибка удаления папки", path);
    return false;
  }
  return true;
}

bool RecourseCopy(const std::string& source, const std::string& target) {
  std::string from = WithoutTrailingSlash(source), to = WithoutTrailingSlash(target);
  std::string realFrom, realTo;
  if (!IsDirExists(from)) {
    TError::Report("RecourseCopy - нет папки '" + source + "'");
    return false;
  }
  // A target inside the source would copy itself without end.
  platform::RealPath(from, realFrom);
  std::string probe = to;
  while (!platform::RealPath(probe, realTo) && probe.find('/') != std::string::npos)
    probe = probe.substr(0, probe.rfind('/'));
  if (!realTo.empty() && IsWithin(realTo + to.substr(probe.size()), realFrom)) {
    TError::Report("RecourseCopy - папка '" + target + "' внутри копируемой папки '" + source + "'");
    return false;
  }
  return CopyTree(from, to);
}

void SplitFilePath(const std::string& path, std::string& folder, std::string& name) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    folder.clear();
    name = path;
  } else {
    folder = path.substr(0, slash + 1);
    name = path.substr(slash + 1);
  }
}

namespace {

bool FillEntry(const WIN32_FIND_DATAA& data, TFindEntry& entry) {
  if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) return false;
  entry.Name = data.cFileName;
  entry.Size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  FILETIME local;
  WORD date = 0, time = 0;
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToDosDateTime(&local, &date, &time);
  entry.Time = (static_cast<uint32_t>(date) << 16) | time;
  return true;
}

}  // namespace

bool FindFirstEntry(const std::string& path, TFindEntry& entry) {
  WIN32_FIND_DATAA data;
  entry.FindHandle = FindFirstFileA(path.c_str(), &data);
  if (entry.FindHandle == INVALID_HANDLE_VALUE) return false;
  if (FillEntry(data, entry) || FindNextEntry(entry)) return true;
  return false;  // FindNextEntry closed the search
}

bool FindNextEntry(TFindEntry& entry) {
  WIN32_FIND_DATAA data;
  while (entry.FindHandle != INVALID_HANDLE_VALUE && FindNextFileA(entry.FindHandle, &data))
    if (FillEntry(data, entry)) return true;
  FindCloseEntry(entry);
  return false;
}

void FindCloseEntry(TFindEntry& entry) {
  if (entry.FindHandle != INVALID_HANDLE_VALUE) FindClose(entry.FindHandle);
  entry.FindHandle = INVALID_HANDLE_VALUE;
}

TDateTime DosDateTimeToDateTime(uint32_t dosDateTime) {
  uint16_t date = static_cast<uint16_t>(dosDateTime >> 16), time = static_cast<uint16_t>(dosDateTime);
  TDateTime d, t;
  if (!TryEncodeDate(1980 + (date >> 9), (date >> 5) & 15, date & 31, d) ||
      !TryEncodeTime(time >> 11, (time >> 5) & 63, (time & 31) * 2, 0, t))
    return 0;
  return d + t;
}

TDateTime DosDateTimeToDateTime(const TFindEntry& entry) { return DosDateTimeToDateTime(entry.Time); }
