#pragma once
// Shared set-up of the foundation tests: a fresh folder per test, used as the
// data root, and a fresh error state.

#include "foundation/Terror.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

inline std::string FreshFolder(const std::string& name) {
  const char* base = std::getenv("QUILLARAN_TEST_TMP");
  std::string dir = std::string(base ? base : "/tmp") + "/foundation/" + name;
  std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
  return dir;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Makes a fresh folder the data root and clears the error state; undoes both at the end.
class DataRoot {
 public:
  explicit DataRoot(const std::string& name) : fPath(FreshFolder(name)) {
    const char* old = std::getenv("QUILLARAN_HOME");
    fHad = old != nullptr;
    if (fHad) fOld = old;
    setenv("QUILLARAN_HOME", fPath.c_str(), 1);
    TError::Instance().Reset();
  }
  ~DataRoot() {
    if (fHad) setenv("QUILLARAN_HOME", fOld.c_str(), 1);
    else unsetenv("QUILLARAN_HOME");
    TError::Instance().Reset();
  }
  const std::string& Path() const { return fPath; }
  // Everything logged to errors.log so far.
  std::string Log() const { return ReadFile(fPath + "/errors.log"); }

 private:
  std::string fPath, fOld;
  bool fHad = false;
};

}  // namespace testsupport
