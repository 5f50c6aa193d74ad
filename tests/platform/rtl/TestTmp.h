#pragma once
// Helpers of the class library's tests: a fresh folder per test, and a guard
// that puts the format settings back.

#include "platform/rtl/Formatsettings.h"

#include <cstdlib>
#include <filesystem>
#include <string>

inline std::string RtlTestFolder(const std::string& name) {
  const char* root = std::getenv("QUILLARAN_TEST_TMP");
  std::string dir = std::string(root && *root ? root : "/tmp/quillaran-test") + "/rtl/" + name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline std::string ReadWholeFile(const std::string& path) {
  std::string r;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) r.append(buf, n);
    std::fclose(f);
  }
  return r;
}

inline void WriteWholeFile(const std::string& path, const std::string& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

struct FormatSettingsGuard {
  FormatSettingsGuard() { platform::ResetFormatSettings(); }
  ~FormatSettingsGuard() { platform::ResetFormatSettings(); }
};
