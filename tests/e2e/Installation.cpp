#include "tests/e2e/Installation.h"

#include "app/Browsestartup.h"
#include "app/Guidialogs.h"
#include "browse/Tformbrowse.h"
#include "browse/Tsmartmenu.h"
#include "foundation/Terror.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "net/Netlibrary.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tmenu.h"
#include "platform/forms/Ttoolbar.h"
#include "postoffice/Tpost.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace e2e {

namespace {

// Finds an entry of a menu by caption at any depth, as the menus group entries in
// sections; the offered captions go to `offered`.
TMenuItem* FindEntry(TMenuItem& parent, const std::string& caption, std::string& offered) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    offered += " [" + item->Caption() + "]";
    if (item->Caption() == caption && item->Enabled()) return item;
  }
  for (int i = 0; i < parent.Count(); ++i)
    if (parent.Items(i)->Count() > 0)
      if (TMenuItem* found = FindEntry(*parent.Items(i), caption, offered)) return found;
  return nullptr;
}

}  // namespace

TSession::TSession() {
  Script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
}

TSession::~TSession() { delete fStart; }

bool TSession::Start(int argc, const char* const* argv) {
  InstallApplicationHandlers();
  RegisterGuiDialogs();
  fStart = new TFormStart(nullptr);
  ConnectBrowseWindows(Driver, Windows, *fStart);
  fStart->SetStartup(&Driver, argc, argv);
  fStart->Show();
  Pump();
  return fStart->StartResult() == TStartupDriver::TStart::Running && Windows.Count() > 0;
}

// As the program's end: "Close Quillaran" on the windows, the loop's end, the shutdown.
void TSession::Close() {
  if (Windows.Count() > 0) fStart->Close();
  Pump();
  EXPECT_EQ(Windows.Count(), 0) << "a window refused to close";
  Windows.DestroyAll();
  Driver.Shutdown();
  UnregisterGuiDialogs();
  Application->ResetTerminated();
}

TFormBrowse& TSession::Window() const { return *Windows.GetFormBrowse(Windows.Count() - 1); }

void TSession::Pump() { Person.Pump(); }

void TSession::Key(TFormBrowse& window, WORD key) {
  window.OnKeyDown(&window, key, TShiftState());
  Pump();
}

namespace {

// What a row shows by name: a folder's name or a block's composed name.
std::string RowName(const TBrowseItem& item, TDiscussion* discussion) {
  if (item.Kind() == BrowseItem_Block && discussion)
    if (const TDiscBlock* block = discussion->Storages.GetDiscBlock(item.GetDiscBlockIndex()))
      return block->GetBlockName(*discussion).ToString();
  TDiscussionsManager* manager = DiscussionsManager();
  if (item.Ident.Folder < 0 || !manager) return std::string();
  const std::string path = manager->GetFolderPath(item.Ident.Folder).ToString();
  return path.substr(path.find_last_of('/') + 1);
}

}  // namespace

bool TSession::OpenRow(TFormBrowse& window, const std::string& name) {
  TBrowseState& state = window.Browse.CurrentBrowseState;
  int target = -1;
  std::string offered;
  for (uint32_t row = 0; row < state.Rows.Count() && target < 0; ++row) {
    const TBrowseItem* item = state.Rows[row].GetBrowseItem(state.CurrentItem);
    if (!item || state.Rows[row].RowType != LowerListRow_Service) continue;
    const std::string shown = RowName(*item, window.Browse.GetDiscussion());
    offered += " [" + shown + "]";
    if (shown == name) target = int(row);
  }
  if (target < 0) {
    ADD_FAILURE() << "no row of " << name << "; offered:" << offered;
    return false;
  }
  for (int steps = 0; state.SelectedRow != target && steps < int(state.Rows.Count()) * 2; ++steps)
    Key(window, state.SelectedRow < target ? VK_DOWN : VK_UP);
  EXPECT_EQ(state.SelectedRow, target) << "the arrow keys did not reach the row of " << name;
  Key(window, VK_RETURN);
  return true;
}

int TSession::RowOf(TFormBrowse& window, const std::string& text) const {
  TBrowseState& state = window.Browse.CurrentBrowseState;
  TDiscussion* discussion = window.Browse.GetDiscussion();
  for (size_t i = 0; discussion && i < state.CurrentItem.Children.size(); ++i) {
    const TBrowseItem& item = state.CurrentItem.Children[i];
    if (item.Kind() != BrowseItem_Block) continue;
    const TStrHashItem* texts = discussion->Storages.GetStrHashItem(item.GetDiscBlockIndex());
    if (texts && texts->Str.Text.ToString() == text) return int(i);
  }
  ADD_FAILURE() << "no row shows " << text;
  return -1;
}

int TSession::FolderRow(TFormBrowse& window, const std::string& name) const {
  const TBrowseItem& current = window.Browse.CurrentBrowseState.CurrentItem;
  std::string offered;
  for (size_t i = 0; i < current.Children.size(); ++i) {
    const TBrowseItem& item = current.Children[i];
    if (item.Kind() == BrowseItem_Block) continue;
    const std::string shown = RowName(item, nullptr);
    offered += " [" + shown + "]";
    if (shown == name) return int(i);
  }
  ADD_FAILURE() << "no row of " << name << "; offered:" << offered;
  return -1;
}

TDiscussion* TSession::Shown(TFormBrowse& window) const { return window.Browse.GetDiscussion(); }

TPost& TSession::Post() const { return *PostState(); }

void TSession::Confirm(const std::string& caption, int button) {
  Script.Answer(caption, [this, caption, button](TCustomForm& box) {
    const auto* text = dynamic_cast<TLabel*>(platform::FindNamed(box, "LabelMessage"));
    Boxes.push_back(caption + ": " + (text ? text->Caption() : std::string()));
    platform::PressControl(box, "Button" + std::to_string(button));
  });
}

void TSession::Tell(const std::string& key, const std::string& value) const {
  testsupport::WriteFile(fFolder + "/told-" + key, value);
}

std::string TInstallation::Told(const std::string& key) const {
  return testsupport::ReadFile(fFolder + "/told-" + key);
}

bool TSession::Choose(TFormBrowse& window, std::initializer_list<std::string> captions) {
  std::string offered;
  TToolBar& bar = *window.ToolBarHorzMenu;
  for (int i = 0; i < bar.ButtonCount(); ++i) {
    TToolButton* button = bar.Buttons(i);
    if (!button->Enabled()) continue;
    if (captions.size() == 1 && button->Caption() == *captions.begin()) {
      button->Click();
      Pump();
      return true;
    }
    TPopupMenu* menu = button->DropdownMenu();
    if (!menu) continue;
    if (menu->OnPopup) menu->OnPopup(menu);  // as the menu does when it drops down
    auto first = captions.begin();
    if (button->Caption() == *first) ++first;
    if (ChooseIn(*menu->Items(), first, captions.end(), offered)) return true;
  }
  ADD_FAILURE() << "no menu entry '" << *std::prev(captions.end()) << "'; offered:" << offered;
  return false;
}

bool TSession::ChooseInPopup(TFormBrowse& window, int row, std::initializer_list<std::string> captions) {
  TBrowse& browse = window.Browse;
  TBrowseItemIndex path;
  if (row >= 0) path.Append(uint16_t(row));
  browse.PopupMenu.Build(path, browse.CurrentBrowseState.CurrentItem, 0);
  TMenuItem shown(nullptr);
  browse.PopupMenu.FillMenuItems(browse.PopupMenu.Root, &shown);
  std::string offered;
  if (ChooseIn(shown, captions.begin(), captions.end(), offered)) return true;
  ADD_FAILURE() << "no popup entry '" << *std::prev(captions.end()) << "'; offered:" << offered;
  return false;
}

bool TSession::ChooseIn(TMenuItem& menu, const std::string* first, const std::string* last, std::string& offered) {
  TMenuItem* entry = &menu;
  for (const std::string* caption = first; caption != last && entry; ++caption) entry = FindEntry(*entry, *caption, offered);
  if (!entry || entry == &menu || entry->Count() > 0) return false;
  entry->Click();
  Pump();
  return true;
}

TInstallation::TInstallation(const std::string& folder, const std::string& person, const std::string& mailbox,
                             const std::string& key)
    : Person(person),
      Mailbox(mailbox),
      Key(key),
      Home(folder + "/home"),
      Config(folder + "/config"),
      Runtime(folder + "/runtime"),
      Temp(folder + "/tmp"),
      fFolder(folder) {
  testsupport::Run("mkdir -p '" + Home + "' '" + Config + "' '" + Runtime + "' '" + Temp + "'");
  // Mail an earlier run left in the mailbox is no part of this one. Tests run side by side,
  // so two tests never share a mailbox: this would take the other's mail in transit.
  const std::string box = TMailServers::Get().MailRoot + "/" + mailbox + "/Maildir";
  if (!TMailServers::Get().MailRoot.empty()) testsupport::Run("rm -f '" + box + "'/new/* '" + box + "'/cur/*");
}

namespace {

// One run of an installation, in the sanitized build on a machine loaded three times over.
constexpr int RunBudgetSeconds = 360;

}  // namespace

bool TInstallation::Run(const std::function<void(TSession&)>& user, const std::function<void(TSession&)>& atStart) {
  ++fRuns;
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = fork();
  if (child == 0) {
    RunHere(user, atStart);
    // Ended as the program ends: its temporary folder goes with it.
    FinalizeNetLibrary();
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = -1;
  if (child < 0) return false;
  if (!testsupport::WaitForChild(child, RunBudgetSeconds, status)) {
    ADD_FAILURE() << Person << "'s run " << fRuns << " in " << fFolder << " did not end within " << RunBudgetSeconds
                  << " s: killed";
    return false;
  }
  fCreated = true;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void TInstallation::RunHere(const std::function<void(TSession&)>& user,
                            const std::function<void(TSession&)>& atStart) {
  setenv("QUILLARAN_HOME", Home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", Config.c_str(), 1);
  setenv("QUILLARAN_RUNTIME_DIR", Runtime.c_str(), 1);
  // The system's temporary folder of its own: what a run killed in its work leaves there
  // is cleared by the next run's start, and with the test's scratch folder.
  setenv("TMPDIR", Temp.c_str(), 1);
  unsetenv("DISPLAY");
  InitializeNetLibrary();
  TError::Instance().Reset();
  TSession session;
  session.fFolder = fFolder;
  const TMailServers& mail = TMailServers::Get();
  const auto answer = [&session](const std::string& caption, const std::string& text) {
    session.Script.Press(caption, "ButtonOk", {{"EditValue", text}});
  };
  if (!fCreated) {
    session.Script.Press("CREATING LOGIN", "Button0");  // there is no login yet
    for (const std::string& text : {Person, Address(), Key, Key}) answer("CREATING LOGIN", text);
    const auto fixtures = [](const std::string& server, int port) {
      return server.empty() ? "127.0.0.1:" + std::to_string(port) : server;
    };
    for (const std::string& text :
         {fixtures(Pop3Server, mail.Pop3Port), fixtures(SmtpServer, mail.SmtpPort), Mailbox, mail.Password})
      answer("MAIL ACCOUNT", text);
    for (const int button : AccountButtons) session.Confirm("MAIL ACCOUNT", button);  // how the servers answered
  } else {
    session.Script.Press("LOGIN", LoginButton, {{"EditValue", Key}});
  }
  if (atStart) atStart(session);
  const char* const argv[] = {"quillaran"};
  if (!session.Start(1, argv)) {
    ADD_FAILURE() << Person << "'s program did not start; " << testsupport::ReadFile(Home + "/errors.log");
    return;
  }
  EXPECT_EQ(session.Script.Pending(), 0u) << "start-up asked less than expected";
  user(session);
  session.Close();
  std::string boxes;
  for (const std::string& box : session.Boxes) boxes += box + "\n";
  session.Tell("boxes" + std::to_string(fRuns), boxes);
  EXPECT_EQ(session.Script.Pending(), 0u) << "a scripted answer was not asked for";
  const std::string log = testsupport::ReadFile(Home + "/errors.log");
  EXPECT_EQ(log.find("ERROR MESSAGE"), std::string::npos) << log;
}

}  // namespace e2e
