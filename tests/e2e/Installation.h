#pragma once
// Installations of the program for the tests that follow one discussion between several
// people. Each installation has a data root, a settings folder and a window folder of its
// own, and a login with its own key password and a mail account on the mail fixture's
// servers. Run starts the real program's start-up and windows in a process of its own on
// an in-memory screen, hands it to a scripted user who acts through the windows, menus
// and dialogs, and closes it as a user closes the last window.

#include "app/Tformstart.h"
#include "app/Tstartupdriver.h"
#include "browse/Tformbrowsemanager.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Dialogscript.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class TDiscussion;
class TFormBrowse;
class TMenuItem;
class TPost;

namespace e2e {

// A running program as its user meets it, inside the installation's process.
class TSession {
 public:
  TSession();
  ~TSession();
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  platform::HeadlessScreen Screen{1024, 768};
  platform::ScreenDriver Person;
  platform::DialogScript Script;  // answers every modal window; an unexpected one fails
  TStartupDriver Driver;
  TFormBrowseManager Windows;

  // The browse window opened last.
  TFormBrowse& Window() const;
  // Chooses an entry of a window's horizontal menu as a click does: a tool button of that
  // caption, or the entries of a tool button's drop-down menu (the first caption may name
  // the button), each found at any depth below the last. False (with the offered captions
  // in the failure) when an entry is not offered.
  bool Choose(TFormBrowse& window, std::initializer_list<std::string> captions);
  // The same in the popup menu of the window's item (`row` -1) or of a row of its lower
  // list, as a right click opens it.
  bool ChooseInPopup(TFormBrowse& window, int row, std::initializer_list<std::string> captions);
  // Opens the row of the window's lower list that shows the folder (or the discussion
  // kept in the folder) or the block of that name, moving the selection to it with the
  // arrow keys and pressing Enter. False when no row shows it.
  bool OpenRow(TFormBrowse& window, const std::string& name);
  // The row of the window's lower list that shows a block with that text, -1 when none.
  int RowOf(TFormBrowse& window, const std::string& text) const;
  // The row that shows the folder of that name (or the discussion kept in it), -1 when none.
  int FolderRow(TFormBrowse& window, const std::string& name) const;
  // Presses a key in the window.
  void Key(TFormBrowse& window, WORD key);
  // Delivers what the windows have waiting.
  void Pump();
  // The discussion the window shows, null when none.
  TDiscussion* Shown(TFormBrowse& window) const;
  TPost& Post() const;
  // Answers the next message box of that caption with a button (0 the first), keeping
  // its text in `Boxes`.
  void Confirm(const std::string& caption, int button = 0);
  // "caption: text" of each box answered by Confirm; told as "boxes" and the run's number.
  std::vector<std::string> Boxes;
  // Leaves a finding of this run for the test's own process to read (TInstallation::Told).
  void Tell(const std::string& key, const std::string& value) const;

 private:
  friend class TInstallation;
  bool ChooseIn(TMenuItem& menu, const std::string* first, const std::string* last, std::string& offered);
  bool Start(int argc, const char* const* argv);
  void Close();
  TFormStart* fStart = nullptr;
  std::string fFolder;
};

class TInstallation {
 public:
  // `folder`: where its folders go; `mailbox`: its account on the fixture, emptied; the
  // login's e-mail address is the mailbox at "quillaran.test".
  TInstallation(const std::string& folder, const std::string& person, const std::string& mailbox,
                const std::string& key);

  const std::string Person, Mailbox, Key;
  const std::string Home, Config, Runtime, Temp;
  std::string Address() const { return Mailbox + "@quillaran.test"; }
  // The servers the first run gives for the login's account; "" for the fixture's. The
  // first run keeps the account whatever the trial of its servers says.
  std::string Pop3Server, SmtpServer;
  // The button that answers the key password question of a later run.
  std::string LoginButton = "ButtonOk";
  // The buttons that answer, one after the other, the first run's boxes that tell how the
  // account's servers answered (0 keeps the account).
  std::vector<int> AccountButtons = {0};

  // One run of the program: started (creating the login the first time, else logging in
  // with the key password), handed to `user`, then closed. Runs in a child process;
  // true when the program started, nothing failed there and it ended well. `atStart`
  // prepares the answers to what the start itself asks.
  bool Run(const std::function<void(TSession&)>& user, const std::function<void(TSession&)>& atStart = {});

  // The data root's file at a path relative to it.
  std::string File(const std::string& relative) const { return Home + "/" + relative; }
  // The number of runs so far.
  int Runs() const { return fRuns; }
  // What a run told under `key` (TSession::Tell), "" when nothing.
  std::string Told(const std::string& key) const;
  // The boxes the last run answered by Confirm, one "caption: text" a line.
  std::string LastBoxes() const { return Told("boxes" + std::to_string(fRuns)); }

 private:
  void RunHere(const std::function<void(TSession&)>& user, const std::function<void(TSession&)>& atStart);
  bool fCreated = false;
  int fRuns = 0;
  std::string fFolder;
};

}  // namespace e2e
