#include "Browsetest.h"

#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tscreen.h"
#include "tests/support/Testsupport.h"

#include <cstdlib>

namespace browsetest {

namespace {

std::deque<int>& Answers() {
  static std::deque<int> answers;
  return answers;
}

}  // namespace

int TRecorder::Count(uint8_t code) const {
  int n = 0;
  for (const TListenMessage& m : Heard) n += m.Code == code;
  return n;
}

std::vector<TShownBox>& BrowseTest::Boxes() {
  static std::vector<TShownBox> boxes;
  return boxes;
}

std::vector<std::string>& BrowseTest::Reports() {
  static std::vector<std::string> reports;
  return reports;
}

void BrowseTest::Answer(int button) { Answers().push_back(button); }

void BrowseTest::SetUp() {
  if (Screen) fCursorFound = Screen->Cursor();
  fCommandHandlerFound = BrowseCommandHandler();
  folder = testsupport::ScratchFolder();
  setenv("QUILLARAN_HOME", (folder + "/home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
  TError::Instance().Reset();
  Boxes().clear();
  Reports().clear();
  Answers().clear();
  TGuiHooks hooks;
  hooks.ShowErrorWindow = [](const std::string& text) { Reports().push_back(text); };
  hooks.ShowMessageBox = [](const std::string& caption, const std::string& message, const std::string&,
                            const std::string& buttons, int) {
    Boxes().push_back({caption, message, buttons});
    if (Answers().empty()) {
      ADD_FAILURE() << "unanswered message box: " << caption << ": " << message;
      return 0;
    }
    const int answer = Answers().front();
    Answers().pop_front();
    return answer;
  };
  SetGuiHooks(hooks);
  screen = std::make_unique<platform::HeadlessScreen>(1024, 768);

  discussions = std::make_unique<TDiscussionsManager>();
  DiscussionsManager() = discussions.get();
  ASSERT_TRUE(discussions->Init(folder + "/data"));
  ecology = discussions->CreateNewDiscussion(discussions->DiscussedRoot, "Ecology", true, 0);
  economy = discussions->CreateNewDiscussion(discussions->DiscussedRoot, "Economy", true, 0);
  ASSERT_GE(ecology, 0);
  ASSERT_GE(economy, 0);
  for (int index : {ecology, economy}) {
    Discussion(index).Info.Name = index == ecology ? "Ecology" : "Economy";
    ASSERT_TRUE(Discussion(index).Save());
    Discussion(index).Unload();
  }
  manager = std::make_unique<TFormBrowseManager>();
  ASSERT_EQ(FormBrowseManager(), manager.get());
  manager->Settings = &pars;
  manager->OnLastWindowClosed = [this] { ++lastWindowClosed; };
}

void BrowseTest::TearDown() {
  manager.reset();
  Pump();
  EXPECT_EQ(FormBrowseManager(), nullptr);
  // The news still queued names this test's discussions, which go now: the next test of
  // the same process must not hear it.
  TListeners::Instance().ClearQueue();
  DiscussionsManager() = nullptr;
  discussions.reset();
  screen.reset();
  SetGuiHooks(TGuiHooks());
  EXPECT_TRUE(Answers().empty()) << "answers left unused";
  EXPECT_TRUE(Reports().empty()) << Reports().front();
  TError::Instance().Reset();
  TBrowseGlobal::CloseRefused = 0;
  if (Screen) Screen->SetCursor(fCursorFound);
  BrowseCommandHandler() = fCommandHandlerFound;
  unsetenv("QUILLARAN_HOME");
  unsetenv("XDG_CONFIG_HOME");
}

void BrowseTest::UseScreen(int width, int height) {
  screen.reset();
  screen = std::make_unique<platform::HeadlessScreen>(width, height);
}

TFormBrowse* BrowseTest::OpenOn(int discussion) {
  EXPECT_TRUE(Discussion(discussion).Load());
  const TDiscBlockIndex root = Discussion(discussion).Storages.GetRootBlockIndex();
  TBrowse* browse = manager->NewFormBrowseOnBlock(discussion, root, nullptr, 0, true);
  EXPECT_NE(browse, nullptr);
  // Opening a block records it as visited; the tests start from a saved discussion.
  EXPECT_TRUE(Discussion(discussion).Save());
  Pump();
  return browse ? browse->Form : nullptr;
}

}  // namespace browsetest
