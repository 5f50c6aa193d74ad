#pragma once
// Start-up and shutdown of the browser. The driver reads the command line, runs the
// single-instance test, creates the process-wide objects in their order, logs the user
// in, shows the read-me unless the user turned it off, opens the last discussion and the
// first browse window; it owns those objects and destroys them in the shutdown step.
//
// The windows of the start-up (the read-me, the first browse window) are reached through
// TStartupHooks, which the user interface fills; left empty, the driver runs headless.

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TBrowsePars;
class TClip;
class TDiscussionsManager;
class TInstanceWindow;
class TLoginsStorage;
class TPostOffice;
class TStartImageCaller;
class TUtilityGlobal;

struct TStartupHooks {
  // Shows the read-me file; true when the user asked not to see it again.
  std::function<bool(const std::string& path)> ShowReadme;
  // Opens the first browse window on a discussion (-1: none) and its block (storage
  // type and number, 0 and 0 for its root); false when no window could be made.
  std::function<bool(int discussion, int storageType, int number)> OpenFirstBrowseWindow;
  // Start-up went through: the user is logged in and the first window is open.
  std::function<void()> Started;
};

class TStartupDriver {
 public:
  enum class TStart { Running, AnotherInstance, NoLogin, Failed };

  TStartupDriver();
  ~TStartupDriver();  // runs the shutdown step when start-up created anything
  TStartupDriver(const TStartupDriver&) = delete;
  TStartupDriver& operator=(const TStartupDriver&) = delete;

  TStartupHooks Hooks;
  // The program started again by "Terminate and reload"; the running executable by default.
  std::string ProgramPath;
  // The read-me file: "Readme.txt" in the suite's root folder unless set.
  std::string ReadmePath;

  TStart Start(int argc, const char* const* argv);
  // The shutdown step: the automatic backup of the loaded discussions when it is on, the
  // post state and the logins saved, the process-wide objects destroyed; when the error
  // window asked for it, the program is started again with "/ReRun". Runs once.
  void Shutdown();

  // The index of the discussion opened at start-up, -1 when none.
  int LastDiscussion() const { return fLastDiscussion; }
  // The process id of the program started again by the shutdown step, -1 when none.
  long RestartedProcess() const { return fRestarted; }

  TLoginsStorage* Logins() const { return fLogins.get(); }
  TBrowsePars* Pars() const { return fPars.get(); }
  TDiscussionsManager* Discussions() const { return fDiscussions.get(); }
  TClip* Clip() const { return fClip.get(); }
  TInstanceWindow* InstanceWindow() const { return fInstance.get(); }

  // The application's idle work: notification 2, then the queued notifications.
  static void OnIdle();
  // The application lost the focus: notification 1.
  static void OnDeactivate();

 private:
  bool CreateProcessWideObjects();
  void ShowReadmeUnlessTurnedOff();
  void OpenLastDiscussion();

  std::unique_ptr<TInstanceWindow> fInstance;
  std::unique_ptr<TUtilityGlobal> fUtility;
  std::unique_ptr<TBrowsePars> fPars;
  std::unique_ptr<TLoginsStorage> fLogins;
  std::unique_ptr<TDiscussionsManager> fDiscussions;
  std::unique_ptr<TClip> fClip;
  std::unique_ptr<TStartImageCaller> fStartImage;
  std::unique_ptr<TPostOffice> fPostOffice;
  int fLastDiscussion = -1;
  long fRestarted = -1;
  bool fShutDown = false;
};
