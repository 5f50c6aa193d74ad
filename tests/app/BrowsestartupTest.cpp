// Start-up opens the first browse window; closing the last one ends the program, with the
// discussion, the logins, the settings and the window size saved.

#include "app/Browsestartup.h"
#include "app/Tformstart.h"
#include "Apptesthelpers.h"
#include "browse/Tformbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "browse/Tsmartmenu.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Tlogin.h"
#include "foundation/Tshellregistry.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"
#include "tests/model/Discussionfill.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kArgs[] = {"quillaran", "/DET"};

// The program with its windows as RunWithWindows makes it, started by the first showing
// of the start form.
struct TProgram {
  TStartupDriver driver;
  TFormBrowseManager windows;
  TFormStart start{nullptr};
  platform::ScreenDriver person;

  TFormBrowse* Start() {
    ConnectBrowseWindows(driver, windows, start);
    start.SetStartup(&driver, 2, kArgs);
    start.Show();
    EXPECT_EQ(start.StartResult(), TStartupDriver::TStart::Running);
    person.Pump();
    EXPECT_EQ(windows.Count(), 1);
    return windows.Count() ? windows.GetFormBrowse(0) : nullptr;
  }
  // After the loop: what RunWithWindows does once it ends.
  void End() {
    EXPECT_EQ(windows.Count(), 0);
    EXPECT_TRUE(Application->Terminated());
    Application->ResetTerminated();
    windows.DestroyAll();
    driver.Shutdown();
  }
};

TEST(Browsestartup, TheFirstWindowOpensOnTheLastPositionAndClosingItEndsTheProgramWithEverythingSaved) {
  TAppScratch s;
  platform::HeadlessScreen screen(1024, 768);
  platform::ScreenDriver person;
  TScriptedDialogs d;
  AnswerNewUser(d);
  std::string folder;
  TDiscBlockCode opened;
  {
    // A new user: no last discussion, so the window shows the root folder.
    TProgram program;
    TStartupDriver& driver = program.driver;
    TFormBrowse* window = program.Start();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Visible());
    EXPECT_EQ(window->Browse.Settings, driver.Pars());
    EXPECT_EQ(window->Browse.CurrentBrowseState.DiscussionIndex, -1);
    EXPECT_EQ(window->Browse.CurrentBrowseState.CurrentItem.Kind(), BrowseItem_Folder);
    EXPECT_EQ(window->Browse.CurrentBrowseState.CurrentItem.Ident.Folder, driver.Discussions()->RootFolder);

    // A discussion with a block, which the user opens in the window: the window remembers
    // where the login stood for the next start.
    TDiscussionsManager& manager = *driver.Discussions();
    const int index = manager.CreateNewDiscussion(manager.DiscussedRoot, "Ecology", true, 0);
    ASSERT_GE(index, 0);
    TDiscussion& discussion = manager.GetDiscussion(index);
    manager.MakeUniqueDIdent(discussion);
    manager.GenerateMIdent(discussion);
    const TDiscBlockIndex rivers = modeltest::AddBlock(discussion, StorageType_Model,
                                                       discussion.Storages.GetRootBlockIndex(), TextType_Premise, "Rivers");
    ASSERT_TRUE(discussion.Save());
    folder = discussion.Folder.ToString();
    opened = discussion.Storages.GetDiscBlock(rivers)->GetDiscBlockCode();
    TBrowseItem shown;
    shown.Ident.Kind = BrowseItem_Folder;
    shown.Ident.Folder = discussion.FolderIndex;
    window->Browse.OpenBrowseItem(shown);
    EXPECT_EQ(window->Browse.CurrentBrowseState.CurrentItem.Ident.Index, discussion.Storages.GetRootBlockIndex());
    window->Browse.GoToDiscBlock(rivers);

    window->SetBounds(20, 20, 700, 450);
    person.Pump();
    window->Close();
    person.Pump();
    program.End();
  }
  EXPECT_EQ(TShellRegistry::ReadInteger("LastBrowserWindowWidth"), 700);
  EXPECT_EQ(TShellRegistry::ReadInteger("LastBrowserWindowHeight"), 450);

  d.Answer("Key password of Анна Смирнова:", kKey);
  {
    TProgram program;
    TStartupDriver& driver = program.driver;
    TFormBrowse* window = program.Start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Width(), 700);  // the stored size
    const int shown = window->Browse.CurrentBrowseState.DiscussionIndex;
    ASSERT_EQ(shown, driver.LastDiscussion());
    TDiscussion& discussion = driver.Discussions()->GetDiscussion(shown);
    const TDiscBlock* reopened = discussion.Storages.GetDiscBlock(window->Browse.CurrentBrowseState.CurrentItem.Ident.Index);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->GetDiscBlockCode(), opened) << "the block open when the program ended";
    driver.Pars()->AutoBackup = 1;
    driver.Pars()->AutoBackupFolder = s.Folder + "/backups";

    // Closing the start form asks the window; its discussion has changed, and the
    // question's default answer saves it.
    discussion.Info.Name = "Ecology of rivers";
    d.Boxes.clear();
    program.start.Close();
    person.Pump();
    EXPECT_TRUE(d.Showed("CLOSING DISCUSSION", "Ecology of rivers"));
    program.End();
  }
  EXPECT_EQ(d.Unused(), 0u);
  EXPECT_FALSE(IsErrorReported()) << s.Log();
  // What the program kept: the discussion, its backup, the logins and the settings.
  TDiscussion saved;
  saved.Folder = folder;
  ASSERT_TRUE(saved.Load());
  EXPECT_EQ(saved.Info.Name, "Ecology of rivers");
  EXPECT_EQ(testsupport::Run("ls '" + s.Folder + "/backups' | wc -l"), "1\n");
  TLoginsStorage logins;
  ASSERT_TRUE(logins.Load(s.Home + "/Logins.cbs"));
  EXPECT_EQ(logins.Count(), 1);
  TBrowsePars pars;
  pars.Load(TBrowsePars::DefaultPath());
  EXPECT_EQ(pars.AutoBackup, 1);
}

// Whether the window's menu offers the command, at any depth.
bool Offers(const TSmartMenuItem& menu, uint8_t code) {
  for (int i = 0; i < menu.Count(); ++i) {
    const TSmartMenuItem& entry = menu.Item(i);
    if ((entry.Code == code && entry.Enabled) || Offers(entry, code)) return true;
  }
  return false;
}

TEST(Browsestartup, ModerationIsOfferedToTheManagerLoginOnlyWhileTheModerationLibraryIsAtHand) {
  TAppScratch s;
  platform::HeadlessScreen screen(1024, 768);
  TScriptedDialogs d;
  AnswerNewUser(d);
  // One run of the program: what the switch and the window's menu say.
  auto run = [](bool moderating) {
    constexpr uint8_t kModerating = 64;
    TProgram program;
    TFormBrowse* window = program.Start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TBrowseGlobal::Moderation, moderating ? 1 : 0);
    EXPECT_EQ(Offers(window->Browse.Menu.Root, kModerating), moderating);
    window->Close();
    program.person.Pump();
    program.End();
  };
  run(false);
  // The library delivered to the data root's library folder.
  testsupport::Run("mkdir -p '" + s.Home + "/Library' && cp '" + std::string(QUILLARAN_BINARY_DIR) +
                   "/app/Leafguard.so' '" + s.Home + "/Library/'");
  d.Answer("Key password of Анна Смирнова:", kKey);
  run(true);
  EXPECT_EQ(TBrowseGlobal::Moderation, 0) << "it belonged to the login of that run";

  // A second login, without the moderate right: the library alone does not make it a moderator.
  {
    TLoginsStorage logins;
    ASSERT_TRUE(logins.Load(s.Home + "/Logins.cbs"));
    ASSERT_GT(logins.AddLogin(TStr("Boris"), TStr("boris@example.org")), 0);
    ASSERT_TRUE(logins.Save());
  }
  d.Answer("Login name:", "Boris");
  d.Answer("New key password (7 to 32 characters):", "boris's key");
  d.Answer("Repeat the new key password:", "boris's key");
  run(false);
  EXPECT_EQ(d.Unused(), 0u);
  EXPECT_FALSE(IsErrorReported()) << s.Log();
}

}  // namespace
