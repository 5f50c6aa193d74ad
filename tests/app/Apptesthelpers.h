#pragma once
// A private data root, settings folder and window directory for a start-up test, and the
// answers of a new user who creates the first login.

#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "platform/forms/Tapplication.h"
#include "tests/foundation/Scripteddialogs.h"
#include "tests/support/Testsupport.h"

#include <cstdlib>
#include <string>

struct TAppScratch {
  std::string Folder = testsupport::ScratchFolder();
  std::string Home = Folder + "/home";
  std::string Config = Folder + "/config";
  std::string Runtime = Folder + "/runtime";
  TAppScratch() {
    setenv("QUILLARAN_HOME", Home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", Config.c_str(), 1);
    setenv("QUILLARAN_RUNTIME_DIR", Runtime.c_str(), 1);
    testsupport::Run("mkdir -p '" + Home + "'");
    TError::Instance().Reset();
    TError::Instance().SetStartedWithReRun(false);
  }
  ~TAppScratch() {
    unsetenv("QUILLARAN_HOME");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("QUILLARAN_RUNTIME_DIR");
    TError::Instance().Reset();
    TBrowseGlobal::DisableExistanceTest = 0;
    TBrowseGlobal::DebugRun = 0;
  }
  std::string Log() const { return testsupport::ReadFile(Home + "/errors.log"); }
};

inline const char* const kKey = "anna's key";

inline void AnswerNewUser(TScriptedDialogs& d) {
  d.Answer("Your name:", "Анна Смирнова");
  d.Answer("Your e-mail address:", "anna at example");
  d.Answer("Your e-mail address:", "anna@example.org");
  d.Answer("New key password (7 to 32 characters):", kKey);
  d.Answer("Repeat the new key password:", kKey);
  d.Answer("POP3 server:", "127.0.0.1");
  d.Answer("SMTP server:", "127.0.0.1");
  d.Answer("User name:", "anna");
  d.Answer("Mail password:", "pop secret");
}

