#include "platform/kernel/Library.h"

#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Programfiles.h"

#include <dlfcn.h>
#include <unistd.h>

namespace platform {

std::string LibraryFilePath(const std::string& fileName) {
  std::string path = fileName;
  for (char& c : path)
    if (c == '\\') c = '/';
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (extension == ".dll") path.replace(dot, std::string::npos, ".so");
  }
  if (path.find('/') == std::string::npos) {
    path = ProgramLibraryFolder() + "/" + path;
  }
  return path;
}

}  // namespace platform

void* LoadLibraryA(const char* fileName) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::string path = platform::SystemPath(platform::LibraryFilePath(fileName));
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  // A file that is there but does not load is damaged, not missing.
  if (!handle) SetLastError(access(path.c_str(), F_OK) == 0 ? ERROR_BAD_EXE_FORMAT : ERROR_FILE_NOT_FOUND);
  return handle;
}

FARPROC GetProcAddress(void* module, const char* name) {
  if (!module || !name) return nullptr;
  return dlsym(module, name);
}

int FreeLibrary(void* module) { return module && dlclose(module) == 0; }
