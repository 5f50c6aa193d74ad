#include "Posttesthelpers.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "model/Tcommandmessage.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Tdatetime.h"
#include "tests/support/Testsupport.h"

#include <cstdlib>

namespace posttest {

namespace {
PostTest* gCurrent = nullptr;
}  // namespace

void PostTest::SetUp() {
  gCurrent = this;
  Root = testsupport::ScratchFolder() + "/";
  const char* home = std::getenv("QUILLARAN_HOME");
  fHadHome = home != nullptr;
  if (fHadHome) fOldHome = home;
  setenv("QUILLARAN_HOME", Root.c_str(), 1);
  TError::Instance().Reset();
  fOldPaths = TBrowseGlobal::Paths;
  TBrowseGlobal::SetSuitePaths();
  Root = TBrowseGlobal::Paths.Root;
  TGuiHooks hooks;
  hooks.ShowErrorWindow = [](const std::string& text) { gCurrent->Reports.push_back(text); };
  hooks.ShowMessageBox = [](const std::string& caption, const std::string& text, const std::string&,
                            const std::string& buttons, int defaultButton) {
    gCurrent->Boxes.push_back({caption, text});
    return buttons != "OK" && gCurrent->Answer >= 0 ? gCurrent->Answer : defaultButton;
  };
  SetGuiHooks(hooks);
  Post.Init(TStr(), &Adaptor);
  Post.SetCBSFileName(TBrowseGlobal::Paths.PostFilesFile);
}

void PostTest::TearDown() {
  SetGuiHooks(TGuiHooks());
  platform::SetNowSource(nullptr);
  TBrowseGlobal::Paths = fOldPaths;
  if (fHadHome) setenv("QUILLARAN_HOME", fOldHome.c_str(), 1);
  else unsetenv("QUILLARAN_HOME");
  TError::Instance().Reset();
  gCurrent = nullptr;
}

bool PostTest::Showed(const std::string& caption, const std::string& part) const {
  for (const TShownBox& box : Boxes)
    if (box.Caption == caption && box.Text.find(part) != std::string::npos) return true;
  return false;
}

void WriteMessage(const std::string& path, const TFields& fields, const std::string& data, bool seal) {
  TCommandMessageHeader header;
  for (const auto& [name, value] : fields) {
    if (!name.empty() && name.back() == '*') {
      ASSERT_TRUE(header.AddCryptedField(name.substr(0, name.size() - 1), value));
    } else {
      ASSERT_TRUE(header.AddField(name, value));
    }
  }
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  {
    TBufWriter writer(file);
    ASSERT_TRUE(header.Write(writer, "L-sender"));
    writer.WriteAnsiString(data);
    ASSERT_TRUE(writer.Flush());
  }
  if (seal) {
    std::string command;
    for (const auto& [name, value] : fields)
      if (name == "COMMAND") command = value;
    ASSERT_TRUE(SignFile(file, "", command, 0));
  }
  CloseHandle(file);
}

}  // namespace posttest
