#include "app/Tformreadme.h"
#include "browse/Tbrowse.h"
#include "app/Tinstancewindow.h"
#include "app/Tstartupdriver.h"
#include "Apptesthelpers.h"
#include "foundation/Fileroutines.h"
#include "foundation/Postfilename.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Tlisteners.h"
#include "foundation/Tlogin.h"
#include "foundation/Tshellregistry.h"
#include "model/Modelhooks.h"
#include "model/Tclip.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Forms.h"
#include "platform/kernel/Filemode.h"
#include "platform/kernel/Library.h"
#include "platform/kernel/Process.h"
#include "foundation/Tstartimagecaller.h"
#include "tests/model/Discussionfill.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using TStart = TStartupDriver::TStart;
const char* const kArgs[] = {"quillaran", "/DET"};

struct TRecorder : TListener {
  std::vector<TListenMessage> Got;
  void Listen(const TListenMessage& m) override { Got.push_back(m); }
  bool Has(uint8_t code) const {
    for (const TListenMessage& m : Got)
      if (m.Code == code) return true;
    return false;
  }
};

TEST(Startup, ANewUserCreatesTheManagerLoginAndShutdownSavesEverything) {
  TAppScratch s;
  platform::HeadlessScreen screen(800, 600);
  TScriptedDialogs d;
  AnswerNewUser(d);
  {
    TStartupDriver driver;
    ASSERT_EQ(driver.Start(2, kArgs), TStart::Running);
    EXPECT_EQ(d.Unused(), 0u);
    EXPECT_TRUE(d.Showed("CREATING LOGIN", "There is no login yet."));
    EXPECT_TRUE(d.Showed("LOGIN ERROR", "Incorrect e-mail address: anna at example"));
    TLogin* login = driver.Logins()->GetCurrentLogin();
    ASSERT_NE(login, nullptr);
    EXPECT_EQ(login->Ident, 0);
    EXPECT_EQ(login->Name, "Анна Смирнова");
    EXPECT_EQ(login->EMail.POP3Server, "127.0.0.1");
    EXPECT_EQ(login->EMail.UserName, "anna");
    EXPECT_EQ(login->KeyPasswordVerified, 1);

    // The process-wide objects are reachable.
    ASSERT_NE(driver.Clip(), nullptr);
    EXPECT_EQ(BlockClipboard(), driver.Clip());
    EXPECT_EQ(DiscussionsManager(), driver.Discussions());

    // The model and the foundation see the login.
    EXPECT_EQ(CurrentModelLogin().Ident, 0);
    EXPECT_EQ(CurrentModelLogin().LIdent, login->LIdent);
    // Its private messages are sealed with its own Key, never with its key password.
    EXPECT_EQ(ModelHooks().PrivateMessageKey(), login->Key);
    EXPECT_NE(login->Key, kKey);
    EXPECT_EQ(ModelHooks().KeyOfLogin(login->LIdent, login->AutomaticEMail), login->Key);
    TArray<TStr> issued;
    EXPECT_EQ(MakePostFileName("", "Model", "/x/", "NB", issued).rfind("/x/" + MakeLetterCode("anna@example.org"), 0), 0u);

    // The 300 ms tick, the idle work and deactivation reach the listeners.
    TRecorder recorder;
    platform::ScreenDriver().Advance(300);
    EXPECT_TRUE(recorder.Has(Notify_Tick));
    TListeners::SendPair(Notify_FoldersChanged, 0, 0, true);
    EXPECT_FALSE(recorder.Has(Notify_FoldersChanged));
    TStartupDriver::OnIdle();
    ASSERT_GE(recorder.Got.size(), 3u);
    EXPECT_EQ(recorder.Got[recorder.Got.size() - 2].Code, Notify_Idle);
    EXPECT_EQ(recorder.Got.back().Code, Notify_FoldersChanged);
    TStartupDriver::OnDeactivate();
    EXPECT_EQ(recorder.Got.back().Code, Notify_Deactivated);
    driver.Shutdown();
  }
  EXPECT_EQ(platform::FilePermissions(s.Home + "/Logins.cbs"), 0600);
  EXPECT_NE(platform::FilePermissions(s.Home + "/BrowsePars.cbs"), -1);
  EXPECT_NE(s.Log().find("PROGRAM STARTED: "), std::string::npos);
  EXPECT_NE(s.Log().find("PROGRAM FINISHED: "), std::string::npos);
  EXPECT_EQ(CurrentModelLogin().Ident, 0xFFFF);  // nobody after shutdown
  EXPECT_EQ(LoginsStorage(), nullptr);
  EXPECT_EQ(DiscussionsManager(), nullptr);
  EXPECT_EQ(BlockClipboard(), nullptr);
  EXPECT_FALSE(IsErrorReported());

  TLoginsStorage saved;
  ASSERT_TRUE(saved.Load(s.Home + "/Logins.cbs"));
  ASSERT_EQ(saved.Count(), 1);
  EXPECT_FALSE(saved.GetLogin(0).IsUnlocked());
  ASSERT_TRUE(saved.GetLogin(0).Unlock(kKey));
  EXPECT_EQ(saved.GetLogin(0).EMail.Password, "pop secret");
}

TEST(Startup, TheNextStartAsksTheKeyPasswordAndOpensTheLastDiscussion) {
  TAppScratch s;
  platform::HeadlessScreen screen(800, 600);
  TScriptedDialogs d;
  AnswerNewUser(d);
  int discussionIndex = -1;
  TDiscBlockCode remembered;
  {
    TStartupDriver driver;
    ASSERT_EQ(driver.Start(2, kArgs), TStart::Running);
    TDiscussionsManager& manager = *driver.Discussions();
    discussionIndex = manager.CreateNewDiscussion(manager.DiscussedRoot, "Ecology", true, 0);
    ASSERT_GE(discussionIndex, 0);
    TDiscussion& discussion = manager.GetDiscussion(discussionIndex);
    manager.MakeUniqueDIdent(discussion);
    manager.GenerateMIdent(discussion);
    const TDiscBlockIndex block = modeltest::AddBlock(discussion, StorageType_Model,
                                                      discussion.Storages.GetRootBlockIndex(), TextType_Premise, "Rivers");
    ASSERT_TRUE(discussion.Save());
    remembered = discussion.Storages.GetDiscBlock(block)->GetDiscBlockCode();
    // A browse window's engine opens the block: its refresh keeps the login's position.
    TBrowse browse;
    ASSERT_TRUE(browse.SetDiscussionIndex(discussionIndex));
    browse.GoToDiscBlock(block);
    driver.Pars()->AutoBackup = 1;
    driver.Pars()->AutoBackupFolder = s.Folder + "/backups";
    driver.Shutdown();
  }
  // The automatic backup of the loaded discussion.
  EXPECT_EQ(testsupport::Run("ls '" + s.Folder + "/backups' | wc -l"), "1\n");
  testsupport::WriteFile(s.Home + "/Readme.txt", "Read me first.\r\n");

  for (int run = 0; run < 2; ++run) {
    const std::string prompt = "Key password of Анна Смирнова:";
    d.Answer(prompt, "not the key");
    d.Answer(prompt, kKey);
    int readmeShown = 0, opened = -2, type = -1, number = -1;
    TStartupDriver driver;
    driver.Hooks.ShowReadme = [&](const std::string& path) {
      ++readmeShown;
      EXPECT_EQ(path, s.Home + "/Readme.txt");
      return true;  // do not show it again
    };
    driver.Hooks.OpenFirstBrowseWindow = [&](int discussion, int t, int n) {
      opened = discussion;
      type = t;
      number = n;
      return true;
    };
    d.Boxes.clear();
    ASSERT_EQ(driver.Start(2, kArgs), TStart::Running);
    EXPECT_TRUE(d.Showed("LOGIN ERROR", "Incorrect key password of 'Анна Смирнова'."));
    EXPECT_EQ(readmeShown, run == 0 ? 1 : 0);
    EXPECT_EQ(TShellRegistry::ReadInteger("LastDontShowBrowseReadmeAgain"), 1);
    EXPECT_EQ(driver.LastDiscussion(), discussionIndex);
    EXPECT_EQ(opened, discussionIndex);
    EXPECT_EQ(type, int(remembered.StorageType));
    EXPECT_EQ(number, int(remembered.BlockNum));
    EXPECT_TRUE(driver.Discussions()->GetDiscussion(discussionIndex).Loaded);
    driver.Shutdown();
  }
  EXPECT_EQ(d.Unused(), 0u);
  EXPECT_FALSE(IsErrorReported());
}

TEST(Startup, ACancelledLoginEndsStartUpWithoutAnErrorOrALoginsFile) {
  TAppScratch s;
  platform::HeadlessScreen screen(800, 600);
  TScriptedDialogs d;
  d.Answer("Your name:", "Анна");
  d.Answer("Your e-mail address:", "anna@example.org");
  d.Cancel("New key password (7 to 32 characters):");
  TStartupDriver driver;
  EXPECT_EQ(driver.Start(2, kArgs), TStart::NoLogin);
  driver.Shutdown();
  EXPECT_FALSE(IsErrorReported());
  EXPECT_EQ(platform::FilePermissions(s.Home + "/Logins.cbs"), -1);
}

TEST(Startup, AnUnknownOptionIsOnlyTold) {
  TAppScratch s;
  platform::HeadlessScreen screen(800, 600);
  TScriptedDialogs d;
  d.Cancel("Your name:");
  const char* args[] = {"quillaran", "/DET", "/Strange"};
  TStartupDriver driver;
  EXPECT_EQ(driver.Start(3, args), TStart::NoLogin);
  EXPECT_TRUE(d.Showed("Command line error", "Command-line option (/Strange) unknown\nPress OK to continue"));
  EXPECT_TRUE(d.Showed("CREATING LOGIN", ""));  // start-up went on
}

TEST(Startup, TheFirstStartShowsTheShippedReadmeUntilTheUserTurnsItOff) {
  TAppScratch s;
  platform::HeadlessScreen screen(800, 600);
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  TScriptedDialogs d;
  AnswerNewUser(d);
  int shown = 0;
  auto answer = [&](bool turnOff) {
    script.Answer("ReadMe", [&, turnOff](TCustomForm& form) {
      ++shown;
      auto* memo = dynamic_cast<TMemo*>(platform::FindNamed(form, "MemoReadme"));
      ASSERT_NE(memo, nullptr);
      EXPECT_EQ(memo->Lines()->Strings(0), "Quillaran");
      EXPECT_GT(memo->Lines()->Count(), 5);
      if (turnOff) platform::SetControlValue(form, "CheckBoxDontShowAgain", "1");
      platform::ScreenDriver().PressKey(VK_RETURN);
    });
  };
  answer(false);
  answer(true);
  for (int run = 0; run < 3; ++run) {
    if (run > 0) d.Answer("Key password of Анна Смирнова:", kKey);
    TStartupDriver driver;
    driver.Hooks.ShowReadme = [](const std::string& path) {
      TFormReadme readme(nullptr);
      return readme.Execute(path);
    };
    ASSERT_EQ(driver.Start(2, kArgs), TStart::Running);
    // Shown at the first start and the next; the third start keeps it closed.
    EXPECT_EQ(shown, std::min(run + 1, 2));
    driver.Shutdown();
  }
  EXPECT_TRUE(IsFileExists(s.Home + "/Readme.txt"));
  EXPECT_EQ(TShellRegistry::ReadInteger("LastDontShowBrowseReadmeAgain"), 1);
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_EQ(d.Unused(), 0u);
}

TEST(Startup, TerminateAndReloadStartsTheProgramAgainWithReRun) {
  TAppScratch s;
  platform::HeadlessScreen screen(800, 600);
  const std::string script = s.Folder + "/program";
  const std::string output = s.Folder + "/arguments";
  testsupport::WriteFile(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + output + "'\n");
  chmod(script.c_str(), 0755);
  for (bool reload : {false, true}) {
    TScriptedDialogs d;
    AnswerNewUser(d);
    testsupport::Run("rm -f '" + s.Home + "/Logins.cbs' '" + s.Home + "/Logins.cbs.old'");
    TStartupDriver driver;
    driver.ProgramPath = script;
    ASSERT_EQ(driver.Start(2, kArgs), TStart::Running);
    // What the error window's buttons do.
    TError::Instance().RequestTerminate(reload);
    EXPECT_TRUE(TError::Instance().IsTerminateRequested());
    driver.Shutdown();
    if (!reload) {
      EXPECT_EQ(driver.RestartedProcess(), -1);
      continue;
    }
    ASSERT_GT(driver.RestartedProcess(), 0);
    EXPECT_EQ(platform::WaitProgram(driver.RestartedProcess()), 0);
    EXPECT_EQ(testsupport::ReadFile(output), "/ReRun\n");
  }
}

// The start picture of the stand-in library: shown at start, closed once.
TEST(Startup, TheStartImageLibraryIsCalledWhenPresent) {
  TStartImageCaller missing("/nonexistent/Leafsplash.dll");
  EXPECT_FALSE(missing.ShowFormStartImage());
  EXPECT_FALSE(missing.IsLoaded());

  const std::string path = std::string(QUILLARAN_BINARY_DIR) + "/app/Leafsplash.dll";
  TStartImageCaller caller(path);
  StartImageCaller() = &caller;
  ASSERT_TRUE(caller.ShowFormStartImage());
  EXPECT_TRUE(caller.IsShown());
  void* library = LoadLibraryA(path.c_str());
  ASSERT_NE(library, nullptr);
  auto shown = reinterpret_cast<int (*)()>(GetProcAddress(library, "StartImageShown"));
  auto closed = reinterpret_cast<int (*)()>(GetProcAddress(library, "StartImageClosedCount"));
  ASSERT_TRUE(shown && closed);
  EXPECT_EQ(shown(), 1);
  TStartImageCaller::CloseFormStartImage();
  TStartImageCaller::CloseFormStartImage();
  EXPECT_EQ(shown(), 0);
  EXPECT_EQ(closed(), 1);
  StartImageCaller() = nullptr;
  FreeLibrary(library);
}

}  // namespace
