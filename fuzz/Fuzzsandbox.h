#pragma once
// A private folder for what a fuzz target writes (received attachments,
// extracted files, the data root with its errors.log), emptied after each input, so
// that nothing lands elsewhere. The program's windows are quiet there: an error is
// only logged, a message box takes its default, an input box is cancelled.

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "net/Netsystem.h"

namespace fuzzing {

inline const std::string& Sandbox() {
  static const std::string folder = [] {
    std::string f = std::filesystem::temp_directory_path().string() + "/quillaran-fuzz-" + std::to_string(getpid());
    std::filesystem::create_directories(f);
    TempFolder = f + "/";  // the mail library's temporary files go here too
    setenv("QUILLARAN_HOME", (f + "/home").c_str(), 1);
    TGuiHooks quiet;
    quiet.ShowErrorWindow = [](const std::string&) {};
    quiet.ShowMessageBox = [](const std::string&, const std::string&, const std::string&, const std::string&,
                              int defaultButton) { return defaultButton; };
    quiet.InputString = [](const std::string&, const std::string&, const std::string&, std::string&, bool) {
      return false;
    };
    SetGuiHooks(quiet);
    return f;
  }();
  return folder;
}

// Removes everything written into the sandbox by one input, and forgets its errors.
inline void EmptySandbox() {
  TError::Instance().Reset();
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(Sandbox(), ignored))
    std::filesystem::remove_all(entry.path(), ignored);
}

// Forgets the errors an input reported, and their log.
inline void ForgetErrors() {
  TError::Instance().Reset();
  std::error_code ignored;
  std::filesystem::remove(TError::LogPath(), ignored);
}

// Writes the bytes as the file of that path; the path.
inline std::string WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

inline std::string WriteInput(const std::string& name, const uint8_t* data, size_t size) {
  return WriteBytes(Sandbox() + "/" + name, data, size);
}

inline std::string_view Bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzzing
