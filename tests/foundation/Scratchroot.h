#pragma once
// A scratch folder of the running test used as the data root, with a fresh
// error state; both are undone when the test ends.

#include "foundation/Terror.h"
#include "tests/support/Testsupport.h"

#include <cstdlib>
#include <string>

class TScratchRoot {
 public:
  TScratchRoot() : fPath(testsupport::ScratchFolder()) {
    const char* old = std::getenv("QUILLARAN_HOME");
    fHad = old != nullptr;
    if (fHad) fOld = old;
    setenv("QUILLARAN_HOME", fPath.c_str(), 1);
    TError::Instance().Reset();
  }
  ~TScratchRoot() {
    if (fHad) setenv("QUILLARAN_HOME", fOld.c_str(), 1);
    else unsetenv("QUILLARAN_HOME");
    TError::Instance().Reset();
  }
  const std::string& Path() const { return fPath; }
  // Everything logged to errors.log so far.
  std::string Log() const { return testsupport::ReadFile(fPath + "/errors.log"); }

 private:
  std::string fPath, fOld;
  bool fHad = false;
};
