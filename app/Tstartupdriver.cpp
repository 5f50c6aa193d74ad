#include "app/Tstartupdriver.h"

#include "app/Loginhooks.h"
#include "app/Loginloop.h"
#include "app/Shippedreadme.h"
#include "app/Tinstancewindow.h"
#include "foundation/Commandline.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Terror.h"
#include "foundation/Textroutines.h"
#include "foundation/Tlisteners.h"
#include "foundation/Tlogin.h"
#include "foundation/Tshellregistry.h"
#include "foundation/Tstartimagecaller.h"
#include "foundation/Tutilityglobal.h"
#include "model/Heldsending.h"
#include "model/Tclip.h"
#include "model/Tdiscussionsmanager.h"
#include "pointer/Tformstartcursorwright.h"
#include "postoffice/Tmoderatecaller.h"
#include "postoffice/Tpostoffice.h"
#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Process.h"

#include <chrono>
#include <thread>

namespace {

// A program started again by "Terminate and reload" may find the old one still going
// away; it waits this long for the old one's identifier window to go.
constexpr auto kReRunGrace = std::chrono::seconds(5);

std::string RunningSuiteProgram(bool reRun) {
  const auto until = std::chrono::steady_clock::now() + kReRunGrace;
  for (;;) {
    std::string running = FindRunningSuiteProgram();
    if (running.empty() || !reRun || std::chrono::steady_clock::now() >= until) return running;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

}  // namespace

TStartupDriver::TStartupDriver() = default;

TStartupDriver::~TStartupDriver() { Shutdown(); }

TStartupDriver::TStart TStartupDriver::Start(int argc, const char* const* argv) {
  ApplyCommandLine(argc, argv);
  if (!TBrowseGlobal::DisableExistanceTest) {
    const std::string running = RunningSuiteProgram(TError::Instance().StartedWithReRun());
    if (!running.empty()) {
      // Nothing is created and no file touched: the other program owns them.
      ShowAlreadyRunning(running);
      fShutDown = true;
      return TStart::AnotherInstance;
    }
  }
  fInstance = std::make_unique<TInstanceWindow>();
  if (!CreateProcessWideObjects()) return TStart::Failed;

  fLogins = std::make_unique<TLoginsStorage>();
  LoginsStorage() = fLogins.get();
  RegisterLoginHooks(*fLogins);
  if (!fLogins->Load(TLoginsStorage::DefaultPath())) return TStart::Failed;
  if (!RunLoginLoop(*fLogins)) return IsErrorReported() ? TStart::Failed : TStart::NoLogin;
  {
    const TLogin* login = fLogins->GetCurrentLogin();
    TBrowseGlobal::Moderation =
        login && HasUserRight(*login, TLogin::ModerateRight) && IsModerationInUse() ? 1 : 0;
  }

  ShowReadmeUnlessTurnedOff();
  OpenLastDiscussion();
  if (IsErrorReported()) return TStart::Failed;
  if (Hooks.OpenFirstBrowseWindow) {
    int type = 0, number = 0;
    if (fLastDiscussion >= 0) {
      uint8_t t = 0;
      uint16_t n = 0;
      if (fLogins->GetCurrentLogin()->GetDiscussionPosition(
              fDiscussions->GetDiscussion(fLastDiscussion).Info.MIdent, t, n)) {
        type = t;
        number = n;
      }
    }
    if (!Hooks.OpenFirstBrowseWindow(fLastDiscussion, type, number)) return TStart::Failed;
  }
  fInstance->StartTicks();
  if (IsErrorReported()) return TStart::Failed;
  if (Hooks.Started) Hooks.Started();
  return TStart::Running;
}

bool TStartupDriver::CreateProcessWideObjects() {
  // Discussions, post files and errors.log are nobody else's to read.
  platform::KeepFolderPrivate(platform::DataRoot());
  TBrowseGlobal::SetSuitePaths();
  fUtility = std::make_unique<TUtilityGlobal>();
  SetFormatSettings();
  if (ProgramPath.empty()) ProgramPath = platform::ExecutablePath();
  if (ReadmePath.empty()) ReadmePath = TBrowseGlobal::Paths.Root + "Readme.txt";

  fStartImage = std::make_unique<TStartImageCaller>();
  StartImageCaller() = fStartImage.get();
  fStartImage->ShowFormStartImage();

  fPars = std::make_unique<TBrowsePars>();
  fPars->Load(TBrowsePars::DefaultPath());

  fDiscussions = std::make_unique<TDiscussionsManager>();
  DiscussionsManager() = fDiscussions.get();
  std::string root = TBrowseGlobal::Paths.Root;
  if (root.size() > 1 && root.back() == '/') root.pop_back();
  if (!fDiscussions->Init(root)) return false;
  fDiscussions->SetAsideUnreadable();
  // A sending the last run did not finish is finished as its discussion's saved files say,
  // before anything saves a discussion again.
  SettleHeldSendings();
  fClip = std::make_unique<TClip>();
  BlockClipboard() = fClip.get();
  fPostOffice = std::make_unique<TPostOffice>();
  fPostOffice->Start();
  return !IsErrorReported();
}

void TStartupDriver::ShowReadmeUnlessTurnedOff() {
  if (!Hooks.ShowReadme || TShellRegistry::ReadInteger("LastDontShowBrowseReadmeAgain") == 1) return;
  if (!WriteShippedReadme(ReadmePath) || !IsFileExists(ReadmePath)) return;
  TShellRegistry::WriteInteger("LastDontShowBrowseReadmeAgain", Hooks.ShowReadme(ReadmePath) ? 1 : 0);
}

void TStartupDriver::OpenLastDiscussion() {
  TLogin* login = fLogins->GetCurrentLogin();
  if (!login || login->LastDiscussion.IsEmpty()) return;
  const int index = fDiscussions->FindDiscussionByDIdent(login->LastDiscussion, false, TStr(), TStr());
  // A discussion that went away, or one that no longer loads, is simply not opened.
  if (index < 0 || IsErrorReported()) return;
  if (fDiscussions->LoadOrSetAside(index)) fLastDiscussion = index;
}

void TStartupDriver::Shutdown() {
  if (fShutDown) return;
  fShutDown = true;
  if (fInstance) fInstance->StopTicks();
  StartStopCursorwright(false);  // the engine's windows go before the objects they serve

  if (fPars && fDiscussions && fPars->AutoBackup && !fPars->AutoBackupFolder.IsEmpty()) {
    for (int i = 0; i < fDiscussions->GetDiscussionsCount(); ++i) {
      TDiscussion& discussion = fDiscussions->GetDiscussion(i);
      if (discussion.Loaded) discussion.Backup(fPars->AutoBackupFolder, fPars->BackupCopies);
    }
  }
  if (fPostOffice) fPostOffice->Stop();
  if (fLogins && fLogins->GetCurrentLogin()) fLogins->Save();
  if (fPars) fPars->Save(TBrowsePars::DefaultPath());

  fPostOffice.reset();
  if (fClip) BlockClipboard() = nullptr;
  fClip.reset();
  if (fDiscussions) DiscussionsManager() = nullptr;
  fDiscussions.reset();
  if (fLogins) {
    UnregisterLoginHooks();
    LoginsStorage() = nullptr;
  }
  fLogins.reset();
  TBrowseGlobal::Moderation = 0;  // it belonged to that login
  fPars.reset();
  if (fStartImage) StartImageCaller() = nullptr;
  fStartImage.reset();
  fInstance.reset();  // the identifier window goes before a reload starts the next program
  const bool reload = TError::Instance().IsReloadRequested();
  fUtility.reset();
  if (reload && !ProgramPath.empty()) fRestarted = platform::StartProgram(ProgramPath, {"/ReRun"}, false);
}

void TStartupDriver::OnIdle() {
  TListeners::Send(Notify_Idle, false);
  TListeners::Instance().DeliverQueued();
}

void TStartupDriver::OnDeactivate() { TListeners::Send(Notify_Deactivated, false); }
