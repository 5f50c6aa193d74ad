#include "Modeltesthelpers.h"

#include "model/Foldertree.h"
#include "tests/support/Testsupport.h"

#include <cstdlib>


namespace modeltest {

std::vector<std::string>& Reports() {
  static std::vector<std::string> reports;
  return reports;
}

void ModelTest::SetUp() {
  folder_ = testsupport::ScratchFolder();
  // errors.log goes to the data root: keep it inside the test's folder.
  setenv("QUILLARAN_HOME", (folder_ + ".home").c_str(), 1);
  TError::Instance().Reset();
  Reports().clear();
  TGuiHooks hooks;
  hooks.ShowErrorWindow = [](const std::string& text) { Reports().push_back(text); };
  SetGuiHooks(hooks);
  ModelHooks() = TModelHooks{};
}

void ModelTest::TearDown() {
  TDiscussion::CrashBeforeSaveStep = 0;
  ModelHooks() = TModelHooks{};
  SetGuiHooks(TGuiHooks{});
  TError::Instance().Reset();
}

std::vector<std::string> Contents(const TDiscussion& discussion) {
  std::vector<std::string> contents;
  for (int file = 0; file < 12; ++file) contents.push_back(discussion.ComposeFile(file));
  return contents;
}

}  // namespace modeltest
