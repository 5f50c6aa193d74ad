#pragma once
// A private folder for what a fuzz target writes (received attachments,
// extracted files), emptied after each input, so that nothing lands elsewhere.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "net/Netsystem.h"

namespace fuzzing {

inline const std::string& Sandbox() {
  static const std::string folder = [] {
    std::string f = std::filesystem::temp_directory_path().string() + "/quillaran-fuzz-" + std::to_string(getpid());
    std::filesystem::create_directories(f);
    TempFolder = f + "/";  // the mail library's temporary files go here too
    return f;
  }();
  return folder;
}

// Removes everything written into the sandbox by one input.
inline void EmptySandbox() {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(Sandbox(), ignored))
    std::filesystem::remove_all(entry.path(), ignored);
}

inline std::string WriteInput(const std::string& name, const uint8_t* data, size_t size) {
  std::string path = Sandbox() + "/" + name;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

inline std::string_view Bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzzing
