#pragma once
// Real data for the codec benchmarks, made from the files of the installed
// system, taken in the order of their sorted paths so that every run on one
// system measures the same bytes:
//   text         the packages' change logs, unpacked (prose of many authors)
//   sources      the C and C++ headers under /usr/include
//   executables  the programs in /usr/bin (ELF files only)
//   libraries    the shared libraries in /usr/lib/x86_64-linux-gnu (ELF files only)
//   compressed   the .gz files under /usr/share/doc, as they are
// A kind is cut at the size asked for; where the system holds less, it is shorter.
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace benchdata {

enum class Kind { Text, Sources, Executables, Compressed, Libraries };
// The kinds every codec benchmark measures; Libraries is the cabinets' fifth.
inline constexpr Kind kKinds[] = {Kind::Text, Kind::Sources, Kind::Executables, Kind::Compressed};

inline const char* Name(Kind kind) {
  switch (kind) {
    case Kind::Text: return "text";
    case Kind::Sources: return "sources";
    case Kind::Executables: return "executables";
    case Kind::Compressed: return "compressed";
    case Kind::Libraries: return "libraries";
  }
  return "";
}

// The regular files under dir (symbolic links skipped) whose names pass the filter, sorted.
template <class Filter>
std::vector<std::string> SortedFiles(const std::string& dir, bool recursive, Filter filter) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  std::error_code ec;
  auto take = [&](const fs::directory_entry& e) {
    if (e.is_regular_file(ec) && !e.is_symlink(ec) && filter(e.path().filename().string()))
      files.push_back(e.path().string());
  };
  if (recursive) {
    for (fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), end; it != end;
         it.increment(ec))
      take(*it);
  } else {
    for (fs::directory_iterator it(dir, ec), end; it != end; it.increment(ec)) take(*it);
  }
  std::sort(files.begin(), files.end());
  return files;
}

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string Gunzipped(const std::string& path) {
  std::string out;
  if (gzFile f = gzopen(path.c_str(), "rb")) {
    char buffer[65536];
    for (int n; (n = gzread(f, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
    gzclose(f);
  }
  return out;
}

inline bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

inline std::string Make(Kind kind, std::size_t size) {
  std::vector<std::string> files;
  switch (kind) {
    case Kind::Text:
      files = SortedFiles("/usr/share/doc", true,
                          [](const std::string& n) { return n.rfind("changelog", 0) == 0 && EndsWith(n, ".gz"); });
      break;
    case Kind::Sources:
      files = SortedFiles("/usr/include", true, [](const std::string& n) { return EndsWith(n, ".h"); });
      break;
    case Kind::Executables: files = SortedFiles("/usr/bin", false, [](const std::string&) { return true; }); break;
    case Kind::Compressed:
      files = SortedFiles("/usr/share/doc", true, [](const std::string& n) { return EndsWith(n, ".gz"); });
      break;
    case Kind::Libraries:
      files = SortedFiles("/usr/lib/x86_64-linux-gnu", false,
                          [](const std::string& n) { return n.find(".so") != std::string::npos; });
      break;
  }
  std::string out;
  for (const std::string& path : files) {
    if (out.size() >= size) break;
    if (kind == Kind::Text) {
      out += Gunzipped(path);
    } else {
      const std::string bytes = FileBytes(path);
      const bool elfOnly = kind == Kind::Executables || kind == Kind::Libraries;
      if (!elfOnly || bytes.compare(0, 4,
                                    "\x7f"
                                    "ELF") == 0)
        out += bytes;
    }
  }
  if (out.size() > size) out.resize(size);
  return out;
}

}  // namespace benchdata
