#include "platform/kernel/Findfile.h"

#include "platform/kernel/Codepage.h"
#include "platform/kernel/Fileapi.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

struct FindState {
  std::string folder;  // program path, ends with '/' unless empty
  std::vector<std::string> names;
  size_t next = 0;
};

// Fills the record of the next entry that still exists; false when none is left.
bool NextEntry(FindState& state, WIN32_FIND_DATAA* data) {
  while (state.next < state.names.size()) {
    const std::string& name = state.names[state.next++];
    if (platform::GetEntryInfo(state.folder + name, *data)) return true;
  }
  return false;
}

bool Match(const char* n, const char* p) {
  // Iterative wildcard matching with one back-tracking point.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*n) {
    if (*p == '*') {
      star = p++;
      resume = n;
    } else if (*p == '?' || (*p && platform::AnsiUpperChar(*p) == platform::AnsiUpperChar(*n))) {
      ++p;
      ++n;
    } else if (star) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (*p == '*') ++p;
  return *p == '\0';
}

}  // namespace

namespace platform {

bool MatchesPattern(const std::string& name, const std::string& pattern) {
  if (pattern == "*.*") return true;
  return Match(name.c_str(), pattern.c_str());
}

bool GetEntryInfo(const std::string& path, WIN32_FIND_DATAA& info) {
  struct stat st;
  if (::lstat(SystemPath(path).c_str(), &st) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return false;
  }
  info = WIN32_FIND_DATAA();
  std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  if (S_ISLNK(st.st_mode)) info.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  info.dwFileAttributes |= S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!name.empty() && name[0] == '.') info.dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
  if (!(st.st_mode & S_IWUSR)) info.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
  info.ftCreationTime = FileTimeFromUnix(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
  info.ftLastAccessTime = FileTimeFromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec);
  info.ftLastWriteTime = FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  info.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  info.nFileSizeLow = static_cast<DWORD>(size);
  std::strncpy(info.cFileName, name.c_str(), MAX_PATH - 1);
  return true;
}

bool RealPath(const std::string& path, std::string& resolved) {
  char* r = ::realpath(SystemPath(path).c_str(), nullptr);
  if (!r) return false;
  resolved = ProgramPath(r);
  std::free(r);
  return true;
}

}  // namespace platform

HANDLE FindFirstFileA(const char* fileName, WIN32_FIND_DATAA* findData) {
  std::string spec = fileName ? fileName : "";
  size_t slash = spec.rfind('/');
  auto state = std::make_unique<FindState>();
  std::string pattern = spec;
  if (slash != std::string::npos) {
    state->folder = spec.substr(0, slash + 1);
    pattern = spec.substr(slash + 1);
  }
  std::string folder = state->folder.empty() ? "." : state->folder;
  DIR* dir = ::opendir(platform::SystemPath(folder).c_str());
  if (!dir) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : platform::ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  while (struct dirent* e = ::readdir(dir)) {
    std::string name = platform::ProgramPath(e->d_name);
    if (name == "." || name == "..") continue;
    if (name.size() < MAX_PATH && platform::MatchesPattern(name, pattern)) state->names.push_back(name);
  }
  ::closedir(dir);
  std::sort(state->names.begin(), state->names.end());
  if (!NextEntry(*state, findData)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<HANDLE>(state.release());
}

BOOL FindNextFileA(HANDLE findFile, WIN32_FIND_DATAA* findData) {
  if (!findFile || findFile == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!NextEntry(*reinterpret_cast<FindState*>(findFile), findData)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return 0;
  }
  return 1;
}

BOOL FindClose(HANDLE findFile) {
  if (!findFile || findFile == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  delete reinterpret_cast<FindState*>(findFile);
  return 1;
}
