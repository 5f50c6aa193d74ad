// The main road of two installations under X11: each installation's real program runs in a
// process of its own on an X server of the test's own, and the test is the person at the
// keyboard and the mouse: it types with xdotool and clicks the captions it sees on the
// screen. A leader writes a discussion with a block and mails its announcement; the other
// installation asks for the discussion, and gets and sees it. The screen of a failed step
// is kept as a picture in the build folder, named in the failure.

#include "model/Tdiscussion.h"
#include "tests/app/Programonx.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/Roads.h"
#include "tests/e2e/Screentext.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"
#include "tests/support/Xvfbserver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>
#include <thread>

namespace e2e {
namespace {

using screentext::TFace;
using x11program::Clock;
using x11program::kStepTimeout;
using x11program::TProgramOnX;

// One installation's program on the X server, and the person using it.
class TPersonAtX {
 public:
  TPersonAtX(TInstallation& installation, const std::string& display, screentext::TScreenText& eye)
      : fInstallation(installation), fProgram(display), fEye(eye) {}

  // Starts the program and gives the key password of the installation's only login.
  bool Start() {
    const std::vector<std::pair<std::string, std::string>> environment = {
        {"QUILLARAN_HOME", fInstallation.Home},
        {"XDG_CONFIG_HOME", fInstallation.Config},
        {"QUILLARAN_RUNTIME_DIR", fInstallation.Runtime},
        {"XDG_RUNTIME_DIR", fInstallation.Runtime},
        {"XDG_DATA_HOME", fInstallation.Home + "/xdg"}};
    if (!fProgram.Start(environment)) return false;
    if (!Window("LOGIN")) return false;
    Type(fInstallation.Key);
    return true;
  }

  // Waits for the next window with the X focus to bear `title` ("" for any).
  bool Window(const std::string& title) {
    const std::string shown = fProgram.WaitForNextFocusedWindow(title);
    if (shown.empty() || (!title.empty() && shown != title)) return Failed("no window '" + title + "'");
    return true;
  }

  // Waits until the window with the X focus has a title that ends in `tail` (a browse
  // window's title is the path of what it shows).
  bool Focused(const std::string& tail) { return FocusedTitle(tail, false); }
  // The same for a block's window, whose title begins with the block's name.
  bool FocusedOnBlock(const std::string& name) { return FocusedTitle(name + " ", true); }
  bool FocusedTitle(const std::string& part, bool head) {
    const auto until = Clock::now() + kStepTimeout;
    std::string name;
    while (Clock::now() < until && fProgram.Running()) {
      name = fProgram.Xdo("getwindowfocus getwindowname");
      while (!name.empty() && name.back() == '\n') name.pop_back();
      if (name.size() >= part.size() && name.compare(head ? 0 : name.size() - part.size(), part.size(), part) == 0)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Failed("the focused window is '" + name + "', not one of '" + part + "'");
  }

  // Brings the program's window whose title ends in `tail` to the front, as a click on it
  // does, and waits until it has the focus.
  bool Activate(const std::string& tail) {
    KeepFocusedWindow();
    fProgram.Xdo("search --name '" + tail + "$' windowactivate --sync");
    return Focused(tail);
  }

  // Waits until the window with the X focus no longer bears `title`: it has closed.
  bool Unfocused(const std::string& title) {
    const auto until = Clock::now() + kStepTimeout;
    while (Clock::now() < until && fProgram.Running()) {
      std::string name = fProgram.Xdo("getwindowfocus getwindowname");
      while (!name.empty() && name.back() == '\n') name.pop_back();
      if (name != title) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Failed("the window '" + title + "' stays");
  }

  // Clicks a caption once it shows: in the window with the X focus for a form's captions,
  // anywhere for a menu's (its drop-downs have no focus), the lowest one when it shows
  // twice (the window opened last lies lower).
  bool Click(const std::string& caption, TFace face = TFace::Menu, int button = 1) {
    return TryClick(caption, face, kStepTimeout, button) || Failed("no caption '" + caption + "' on the screen");
  }
  // Clicks through menu entries, each once it shows. A busy program may take the first
  // click before its menu is ready: then the menus are closed and the entries tried again.
  bool Choose(std::initializer_list<std::string> captions) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      bool chosen = true;
      for (const std::string& caption : captions)
        if (!(chosen = TryClick(caption, TFace::Menu, kStepTimeout / 3))) break;
      if (chosen) return true;
      Key("Escape");
      Key("Escape");
    }
    return Failed("no menu entries " + std::string(*captions.begin()) + " ... " + std::string(*std::prev(captions.end())));
  }
  // Chooses an entry of the popup menu a right click on the caption opens. A busy program
  // may lose the click: the menu is then closed and opened again.
  bool ChooseInPopup(const std::string& caption, TFace face, const std::string& entry) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (!Click(caption, face, 3)) return false;
      if (TryClick(entry, TFace::Menu, kStepTimeout / 3)) return true;
      if (attempt == 2) break;
      Key("Escape");
    }
    const bool failed = Failed("no entry " + entry + " in the popup menu of '" + caption + "'");
    Key("Escape");
    return failed;
  }
  // The first window after the key password: the read-me is closed; the folder of
  // discussions is reached from the root folder or, up, from the discussion it opened on.
  bool ToDiscussedFolder() {
    if (!Window("ReadMe") || !Click("Close", TFace::Form) || !Window("")) return false;
    const std::string title = fProgram.Xdo("getwindowfocus getwindowname");
    if (title.find("/Discussed/") != std::string::npos) {
      Key("BackSpace");
    } else {
      Key("Down");  // the root folder lists Created, then Discussed
      Key("Return");
    }
    return Focused("/Discussed");
  }

  // Answers each of these windows with Enter as it comes, in whatever order.
  bool Accept(std::vector<std::string> titles) {
    while (!titles.empty()) {
      const std::string shown = fProgram.WaitForNextFocusedWindow("");
      if (shown == "Please, wait" || shown == "post") continue;  // the run's progress, the office between
      const auto it = std::find(titles.begin(), titles.end(), shown);
      if (it == titles.end()) return Failed("window '" + shown + "' where " + titles.front() + " and " + std::to_string(titles.size() - 1) + " more were awaited");
      titles.erase(it);
      Type("");
    }
    return true;
  }

  // In the post office window, once it has the focus back from the boxes it showed: a
  // button that exchanges mail, and the exchange's window closed once it is done.
  bool Exchange(const std::string& button) {
    return Focused("post") && Click(button, TFace::Form) && Window("Receive/Send post") &&
           Click("Close", TFace::Form) && Unfocused("Receive/Send post");
  }
  // A new start of the program that goes to the post office, receives and handles what
  // came: the parts joined on their own (confirmed), then the messages.
  bool StartAndHandleWhatCame() {
    if (!Start() || !ToDiscussedFolder() || !Choose({"Commands", "Run post module"}) || !Exchange("Receive") ||
        !Window("AUTO-HANDLING"))
      return false;
    Type("");
    return Perform("Inbox");
  }
  // From the folder of discussions: the post office packs what waits in the Outbox and
  // sends it, and is closed.
  bool SendFromOutbox() {
    return Choose({"Commands", "Run post module"}) && Enter("AUTO-HANDLING") && Exchange("Send") &&
           Click("Close", TFace::Form);
  }
  // Waits until the focused window's lower list shows a block's text (`shown`), or no
  // longer shows it: the window has gone where it was sent, and its menus offer that
  // place's commands.
  bool Lists(const std::string& text, bool shown = true) {
    if (!Settled()) return false;
    const auto until = Clock::now() + kStepTimeout;
    while (Clock::now() < until && fProgram.Running()) {
      const RECT focused = FocusedWindow();
      const auto inside = [&focused](const screentext::TSpot& spot) {
        return spot.X >= focused.left && spot.X < focused.right && spot.Y >= focused.top && spot.Y < focused.bottom;
      };
      int menus = focused.bottom;
      for (const screentext::TSpot& spot : fEye.Find("Commands", TFace::Menu))
        if (inside(spot)) menus = std::min(menus, spot.Y);
      bool listed = false;
      for (const screentext::TSpot& spot : fEye.Find(text, TFace::BlockText))
        listed = listed || (inside(spot) && spot.Y > menus);
      if (menus < focused.bottom && listed == shown) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return Failed("the lower list " + std::string(shown ? "does not show" : "still shows") + " '" + text + "'");
  }
  // Answers the next window, a message box, with Enter.
  bool Enter(const std::string& title) { return Window(title) && (Type(""), true); }
  // Closes the post office, back in the folder of discussions.
  bool LeaveOffice() { return Click("Close", TFace::Form) && Focused("/Discussed"); }
  // Into the block of the lower list that shows the text: its window then bears its name.
  bool IntoBlock(const std::string& text, const std::string& name) {
    if (!Click(text, TFace::BlockText)) return false;
    Key("Return");
    return FocusedOnBlock(name) && Lists(text, false);
  }
  // From the folder of discussions: its only discussion opened in the same window.
  bool OpenTheDiscussion(const std::string& name) {
    Key("Return");
    return Focused("/Discussed/" + name);
  }
  // Handles every file of a folder of the post office window, once the office has the
  // focus back from the boxes it showed. "Perform" is pressed when it shows as it does
  // enabled, that is once the folder is shown with files in it.
  bool Perform(const std::string& folder) {
    return Focused("post") && Click(folder, TFace::Form) && Click("select all", TFace::Form) &&
           Click("Perform", TFace::Form);
  }

  // Types a text; Enter after it when asked.
  void Type(const std::string& text, bool enter = true) {
    if (enter) {
      KeepFocusedWindow();
      return fProgram.TypeAndEnter(text);
    }
    std::string quoted;
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    fProgram.Xdo("type --delay 15 -- '" + quoted + "'");
  }
  void Key(const std::string& keys) {
    KeepFocusedWindow();
    fProgram.Key(keys);
  }
  bool Close() { return fProgram.CloseUntilEnded(); }
  int Status() const { return fProgram.Status; }
  TProgramOnX& Program() { return fProgram; }

  // Waits until the caption shows on the screen.
  bool Shows(const std::string& caption, TFace face) {
    const auto until = Clock::now() + kStepTimeout;
    while (Clock::now() < until && fProgram.Running()) {
      if (!fEye.Find(caption, face).empty()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return Failed("'" + caption + "' does not show");
  }

  // Clicks the caption if it shows within `patience`.
  bool TryClick(const std::string& caption, TFace face, Clock::duration patience, int button = 1) {
    if (!Settled()) return false;
    const auto until = Clock::now() + patience;
    while (Clock::now() < until && fProgram.Running()) {
      std::vector<screentext::TSpot> spots = fEye.Find(caption, face);
      if (face != TFace::Menu) {
        const RECT focused = FocusedWindow();
        std::erase_if(spots, [&focused](const screentext::TSpot& spot) {
          return spot.X < focused.left || spot.X >= focused.right || spot.Y < focused.top || spot.Y >= focused.bottom;
        });
      }
      if (!spots.empty()) {
        KeepFocusedWindow();
        fProgram.Click(spots.back().X, spots.back().Y, button);
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // The screen's rectangle of the window with the X focus.
  RECT FocusedWindow() {
    std::istringstream shell(fProgram.Xdo("getwindowfocus getwindowgeometry --shell"));
    std::map<std::string, int> values;
    for (std::string line; std::getline(shell, line);)
      if (const size_t eq = line.find('='); eq != std::string::npos) values[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
    return RECT{values["X"], values["Y"], values["X"] + values["WIDTH"], values["Y"] + values["HEIGHT"]};
  }

  // A key or a click may close the focused window; the picture it shows now is kept (in
  // place of one it showed before).
  void KeepFocusedWindow() {
    const unsigned long id = std::strtoul(fProgram.Xdo("getwindowfocus").c_str(), nullptr, 10);
    if (id == 0) return;
    const RECT place = FocusedWindow();
    std::erase_if(fLeft, [id](const TLeftWindow& left) { return left.Id == id; });
    fLeft.push_back({id, place, fEye.Keep(place.left, place.top, place.right, place.bottom)});
  }
  // A closed window's picture stays on the screen until the windows under it have painted
  // over it (a window of the program has no background of its own), and a caption seen
  // there is not there to be clicked: before looking, each window left since the last
  // look is waited for, once the focus is elsewhere, until it is open still (only
  // covered), a window in its very place has the focus, or its picture has gone.
  bool Settled() {
    const auto until = Clock::now() + kStepTimeout;
    while (!fLeft.empty() && fProgram.Running()) {
      const unsigned long focused = std::strtoul(fProgram.Xdo("getwindowfocus").c_str(), nullptr, 10);
      const RECT now = FocusedWindow();
      std::erase_if(fLeft, [&](const TLeftWindow& left) {
        const bool replaced = now.left == left.Place.left && now.top == left.Place.top &&
                              now.right == left.Place.right && now.bottom == left.Place.bottom;
        return left.Id != focused && (replaced || fEye.Viewable(left.Id) || !fEye.Shows(left.Picture));
      });
      // The window that has the focus still shows its own picture.
      if (std::all_of(fLeft.begin(), fLeft.end(), [focused](const TLeftWindow& left) { return left.Id == focused; }))
        return true;
      if (Clock::now() >= until) {
        fLeft.clear();
        return Failed("a closed window stays on the screen");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

  // Keeps the screen as a picture and names it in the failure.
  bool Failed(const std::string& what) {
    const std::string picture = std::string(QUILLARAN_BINARY_DIR) + "/tests/e2e/x11road-" +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                                std::to_string(++fPictures) + ".png";
    fEye.Save(picture);
    ADD_FAILURE() << fInstallation.Person << ": " << what << "; the screen is in " << picture;
    return false;
  }

 private:
  TInstallation& fInstallation;
  TProgramOnX fProgram;
  screentext::TScreenText& fEye;
  int fPictures = 0;
  // The windows a key or a click may have closed, with the pictures they showed.
  struct TLeftWindow {
    unsigned long Id = 0;
    RECT Place{};
    screentext::TPicture Picture;
  };
  std::vector<TLeftWindow> fLeft;
};

// A test's own X server, and Anna's installation. A new installation empties its mailbox
// and the tests run side by side: each fixture's people have mailboxes no other fixture uses.
class OnAnXServer : public ::testing::Test {
 protected:
  explicit OnAnXServer(const std::string& mailbox) : A{Folder + "/A", "Anna", mailbox, "anna's key 7"} {}
  void SetUp() override {
    ASSERT_NE(TMailServers::Get().SmtpPort, 0) << "the mail server fixture did not run";
    ASSERT_TRUE(server.Running());
    // The logins are made as in the headless road; everything after is done on the screen.
    ASSERT_TRUE(A.Run([](TSession&) {}));
  }
  const std::string Folder = testsupport::ScratchFolder();
  TInstallation A;
  xvfbtest::XvfbServer server{"1024x768x24"};
};

// Anna and Boris, who mail each other.
class X11Road : public OnAnXServer {
 protected:
  X11Road() : OnAnXServer("x11a") {}
  void SetUp() override {
    OnAnXServer::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(B.Run([](TSession&) {}));
  }
  TInstallation B{Folder + "/B", "Boris", "x11b", "boris's key 7"};
};

// Anna alone, typing after the window manager took a key.
class X11Typing : public OnAnXServer {
 protected:
  X11Typing() : OnAnXServer("x11c") {}
};

// Anna alone, when a command fails.
class X11Failure : public OnAnXServer {
 protected:
  X11Failure() : OnAnXServer("x11d") {}
};

std::string Files(const std::string& folder) { return testsupport::Run("ls '" + folder + "' 2>/dev/null"); }

TEST_F(X11Road, TheLeaderWritesAndAnnouncesADiscussionAndTheOtherSeesIt) {
  screentext::TScreenText eye(server.Name());
  const std::string text = "The rivers of the north run dry";
  {  // A writes a discussion with a block, publishes it and mails its announcement to B.
    TPersonAtX anna(A, server.Name(), eye);
    ASSERT_TRUE(anna.Start());
    ASSERT_TRUE(anna.ToDiscussedFolder());
    ASSERT_TRUE(anna.Choose({"Commands", "Edit advertising list"}));
    ASSERT_TRUE(anna.Window("Edit advertising list"));
    anna.Type(B.Address(), false);
    ASSERT_TRUE(anna.Click("OK", TFace::Form));
    ASSERT_TRUE(anna.Choose({"Commands", "Creating"}));
    ASSERT_TRUE(anna.Choose({"Commands", "Create new model", "Empty"}));
    ASSERT_TRUE(anna.Window("Enter Nickname"));
    anna.Key("ctrl+a");
    anna.Type("Rivers");
    ASSERT_TRUE(anna.Focused("/Created/Rivers"));
    ASSERT_TRUE(anna.Choose({"Commands", "Add block"}));
    ASSERT_TRUE(anna.Window("1"));
    // The text box has the focus with the proposed text selected: typing replaces it.
    anna.Type(text, false);
    ASSERT_TRUE(anna.Click("OK", TFace::Form));
    ASSERT_TRUE(anna.Click(text, TFace::BlockText));  // shown under the root
    ASSERT_TRUE(anna.Choose({"Commands", "Service", "Form published model"}));
    ASSERT_TRUE(anna.Window("Forming Model"));
    anna.Type("");  // the folder name proposed
    ASSERT_TRUE(anna.Focused("/Discussed/Rivers"));
    ASSERT_TRUE(anna.Choose({"Commands", "Service", "Form post command", "Annotation"}));
    for (int i = 0; i < 2; ++i) {  // one to B, one to everybody
      ASSERT_TRUE(anna.Window("NEW_ANNOTATION"));
      anna.Type("");
    }
    // Back to the folders: the discussion's two windows closed, the published one saved.
    anna.Key("alt+F4");
    ASSERT_TRUE(anna.Window("CLOSING DISCUSSION"));
    anna.Type("");
    ASSERT_TRUE(anna.Focused("/Created/Rivers"));
    anna.Key("alt+F4");
    ASSERT_TRUE(anna.Focused("/Created"));
    ASSERT_TRUE(anna.Choose({"Commands", "Discussing"}));
    ASSERT_TRUE(anna.Focused("/Discussed"));
    ASSERT_TRUE(anna.Choose({"Commands", "Run post module"}));
    ASSERT_TRUE(anna.Window("AUTO-HANDLING"));  // the Outbox packed
    anna.Type("");
    ASSERT_TRUE(anna.Exchange("Mail"));
    ASSERT_TRUE(anna.Click("Close", TFace::Form));
    ASSERT_TRUE(anna.Close());
    EXPECT_EQ(anna.Status(), 0);
  }
  EXPECT_EQ(Files(A.File("Outbox")) + Files(A.File("OutboxPost")), "");
  EXPECT_NE(Files(A.File("Discussed/Rivers/OutboxPostHistory")), "");

  {  // B receives the announcement and asks for the discussion.
    TPersonAtX boris(B, server.Name(), eye);
    ASSERT_TRUE(boris.StartAndHandleWhatCame());
    ASSERT_TRUE(boris.Window("NEW ANNOTATION"));
    ASSERT_TRUE(boris.Click("Request", TFace::Form));
    ASSERT_TRUE(boris.Window("GIVE_MODEL"));  // the request is written, and packed at once
    boris.Type("");
    ASSERT_TRUE(boris.Exchange("Send"));
    ASSERT_TRUE(boris.Click("Close", TFace::Form));
    ASSERT_TRUE(boris.Close());
  }
  {  // A's post office answers with the model.
    TPersonAtX anna(A, server.Name(), eye);
    ASSERT_TRUE(anna.StartAndHandleWhatCame());
    ASSERT_TRUE(anna.Window("GIVE_MODEL"));  // post the model to who asked for it
    anna.Type("");
    ASSERT_TRUE(anna.Window("Check subscribers by clicking on '+' column cells"));
    ASSERT_TRUE(anna.Click("OK", TFace::Form));  // B, who asked, is checked
    ASSERT_TRUE(anna.Window("FORM_NEW_MODEL"));
    anna.Type("");
    // The post office opened again packs what waits in the Outbox.
    ASSERT_TRUE(anna.Click("Close", TFace::Form));
    ASSERT_TRUE(anna.Focused("/Discussed"));
    ASSERT_TRUE(anna.Choose({"Commands", "Run post module"}));
    ASSERT_TRUE(anna.Window("AUTO-HANDLING"));
    anna.Type("");
    ASSERT_TRUE(anna.Exchange("Send"));
    ASSERT_TRUE(anna.Click("Close", TFace::Form));
    ASSERT_TRUE(anna.Close());
  }
  {  // B receives the model and sees A's block in it.
    TPersonAtX boris(B, server.Name(), eye);
    ASSERT_TRUE(boris.StartAndHandleWhatCame());
    // The model's question, its folder (the name proposed), the news.
    ASSERT_TRUE(boris.Accept({"FORM_NEW_MODEL", "Forming new model", "MODEL IS CREATED"}));
    ASSERT_TRUE(boris.Click("Close", TFace::Form));
    ASSERT_TRUE(boris.Focused("/Discussed"));
    boris.Key("Return");  // the new discussion, the folder's only row
    ASSERT_TRUE(boris.Focused("/Discussed/Rivers"));
    ASSERT_TRUE(boris.Click(text, TFace::BlockText));
    ASSERT_TRUE(boris.Close());
    EXPECT_EQ(boris.Status(), 0);
  }
  TDiscussion copy;
  copy.Folder = B.File("Discussed/Rivers");
  ASSERT_TRUE(copy.Load());
  const TDiscBlockIndex block = copy.Storages.FindDiscBlockIndexByName("1");
  ASSERT_FALSE(block.IsEmpty());
  EXPECT_EQ(copy.Storages.GetStrHashItem(block)->Str.Text.ToString(), text);

  // The comment back: B gets an author identifier from A, writes a note under A's block,
  // posts it and sends the post; A receives it and sees it under the block.
  const std::string comment = "Only the Pechora still reaches the sea";
  {  // B asks for an author identifier.
    TPersonAtX boris(B, server.Name(), eye);
    ASSERT_TRUE(boris.Start());
    ASSERT_TRUE(boris.ToDiscussedFolder());
    ASSERT_TRUE(boris.OpenTheDiscussion("Rivers"));
    ASSERT_TRUE(boris.Lists(text));
    ASSERT_TRUE(boris.Choose({"Commands", "Service", "Form post command", "Give my identifier"}));
    ASSERT_TRUE(boris.Enter("GENERATE_AUTHOR_IDENTS"));
    ASSERT_TRUE(boris.Focused("/Discussed/Rivers"));
    boris.Key("BackSpace");
    ASSERT_TRUE(boris.Focused("/Discussed"));
    ASSERT_TRUE(boris.SendFromOutbox());
    ASSERT_TRUE(boris.Close());
  }
  {  // A grants it.
    TPersonAtX anna(A, server.Name(), eye);
    ASSERT_TRUE(anna.StartAndHandleWhatCame());
    ASSERT_TRUE(anna.Window("Expert identifier request"));
    ASSERT_TRUE(anna.Click("Generate", TFace::Form));
    ASSERT_TRUE(anna.Enter("AUTHOR_IDENTS_GENERATED"));
    ASSERT_TRUE(anna.LeaveOffice());
    ASSERT_TRUE(anna.SendFromOutbox());
    ASSERT_TRUE(anna.Close());
  }
  {  // B takes the identifier, writes the note under block 1, posts it and sends the post.
    TPersonAtX boris(B, server.Name(), eye);
    ASSERT_TRUE(boris.StartAndHandleWhatCame());
    ASSERT_TRUE(boris.Enter("Author identifier"));
    ASSERT_TRUE(boris.LeaveOffice());
    ASSERT_TRUE(boris.OpenTheDiscussion("Rivers"));
    ASSERT_TRUE(boris.IntoBlock(text, "1"));
    ASSERT_TRUE(boris.Choose({"Commands", "Add note"}));
    ASSERT_TRUE(boris.Window(""));
    boris.Type(comment, false);
    ASSERT_TRUE(boris.Click("OK", TFace::Form));
    ASSERT_TRUE(boris.FocusedOnBlock("1"));  // the text is the block window's, not the editor's
    ASSERT_TRUE(boris.ChooseInPopup(comment, TFace::BlockText, "Post"));
    ASSERT_TRUE(boris.Choose({"Commands", "Service", "Form post command", "Send post"}));
    ASSERT_TRUE(boris.Enter("NEW_BLOCKS"));
    ASSERT_TRUE(boris.FocusedOnBlock("1"));
    boris.Key("BackSpace");
    ASSERT_TRUE(boris.Focused("/Discussed/Rivers"));
    boris.Key("BackSpace");
    ASSERT_TRUE(boris.Focused("/Discussed"));
    ASSERT_TRUE(boris.SendFromOutbox());
    ASSERT_TRUE(boris.Close());
    EXPECT_EQ(boris.Status(), 0);
  }
  {  // A receives the comment and sees it under its block.
    TPersonAtX anna(A, server.Name(), eye);
    ASSERT_TRUE(anna.StartAndHandleWhatCame());
    ASSERT_TRUE(anna.Accept({"New blocks", "NEW_BLOCKS"}));  // the news, and the leader passes it on
    ASSERT_TRUE(anna.LeaveOffice());
    ASSERT_TRUE(anna.OpenTheDiscussion("Rivers"));
    ASSERT_TRUE(anna.IntoBlock(text, "1"));
    ASSERT_TRUE(anna.Click(comment, TFace::BlockText));
    ASSERT_TRUE(anna.Close());
    EXPECT_EQ(anna.Status(), 0);
  }
  TDiscussion commented;
  commented.Folder = A.File("Discussed/Rivers");
  ASSERT_TRUE(commented.Load());
  const std::string tree = Tree(commented);
  EXPECT_NE(tree.find("|1|" + comment + "\n"), std::string::npos) << tree;  // a comment under block 1
}

// Under a window manager that takes Alt+F4 itself, the Alt pressed for it is released while
// no window of the program has the keyboard: what is typed next is typed, not Alt-typed.
TEST_F(X11Typing, TypingAfterAWindowClosedWithAltF4ReachesTheDialog) {
  xvfbtest::WindowManager manager(server.Name());
  ASSERT_TRUE(manager.Running());
  screentext::TScreenText eye(server.Name());
  TPersonAtX anna(A, server.Name(), eye);
  ASSERT_TRUE(anna.Start());
  ASSERT_TRUE(anna.Window("ReadMe"));
  anna.Key("alt+F4");
  ASSERT_TRUE(anna.Unfocused("ReadMe"));
  ASSERT_TRUE(anna.Window(""));  // the root folder, which lists Created first
  anna.Key("Return");
  ASSERT_TRUE(anna.Focused("/Created"));
  ASSERT_TRUE(anna.Choose({"Commands", "Create new model", "Empty"}));
  ASSERT_TRUE(anna.Window("Enter Nickname"));
  anna.Key("ctrl+a");  // selects the proposed name, which the typing replaces
  anna.Type("Rivers");
  ASSERT_TRUE(anna.Focused("/Created/Rivers"));
  ASSERT_TRUE(anna.Close());
  EXPECT_EQ(anna.Status(), 0);
}

// A command fails in one discussion while a block crossed out in another is not saved yet
// (a cross, like a paste, waits for the next save). The error window tells what it saved
// before offering the end; after "Terminate" and a new start the block is crossed out.
TEST_F(X11Failure, AnErrorInOneDiscussionEndsTheProgramOnlyAfterTheOthersWorkIsSaved) {
  xvfbtest::WindowManager manager(server.Name());
  ASSERT_TRUE(manager.Running());
  screentext::TScreenText eye(server.Name());
  const std::string text = "The rivers of the north run dry";
  // The saved state of the block: "crossed", "alive" or "unreadable".
  const auto saved = [&] {
    TDiscussion rivers;
    rivers.Folder = A.File("Created/Rivers");
    if (!rivers.Load()) return std::string("unreadable");
    const TDiscBlock* block = rivers.Storages.GetDiscBlock(rivers.Storages.FindDiscBlockIndexByName("1"));
    if (!block) return std::string("unreadable");
    return std::string(block->DeleteFlag == DeleteFlag_Crossed ? "crossed" : "alive");
  };
  {
    TPersonAtX anna(A, server.Name(), eye);
    ASSERT_TRUE(anna.Start());
    ASSERT_TRUE(anna.Window("ReadMe"));
    ASSERT_TRUE(anna.Click("Close", TFace::Form));
    ASSERT_TRUE(anna.Window(""));
    // The root folder, which lists Created first, once it has the focus: the window that
    // took it first may be another of the start.
    ASSERT_TRUE(anna.Focused(A.Home));
    anna.Key("Return");
    ASSERT_TRUE(anna.Focused("/Created"));
    for (const std::string name : {"Ponds", "Rivers"}) {
      ASSERT_TRUE(anna.Activate("/Created"));
      ASSERT_TRUE(anna.Choose({"Commands", "Create new model", "Empty"}));
      ASSERT_TRUE(anna.Window("Enter Nickname"));
      anna.Type(name);  // in place of the proposed name, which is selected
      if (name == "Rivers") {
        ASSERT_TRUE(anna.Enter("CREATING NEW MODEL"));  // the author taken from the first
      }
      ASSERT_TRUE(anna.Focused("/Created/" + name));
    }
    ASSERT_TRUE(anna.Choose({"Commands", "Add block"}));
    ASSERT_TRUE(anna.Window("1"));
    anna.Type(text, false);
    ASSERT_TRUE(anna.Click("OK", TFace::Form));
    ASSERT_TRUE(anna.Lists(text));
    anna.Key("ctrl+s");
    ASSERT_TRUE(anna.ChooseInPopup(text, TFace::BlockText, "Cross"));
    ASSERT_TRUE(anna.Focused("/Created/Rivers"));
    ASSERT_EQ(saved(), "alive") << "the cross is not saved yet";

    // Saving the other discussion fails: where its file goes lies a folder.
    ASSERT_TRUE(anna.Activate("/Created/Ponds"));
    ASSERT_EQ(testsupport::Run("mkdir '" + A.File("Created/Ponds/Model.cbs.tmp") + "' && echo made"), "made\n");
    anna.Key("ctrl+s");
    ASSERT_TRUE(anna.Window("ERROR"));
    EXPECT_TRUE(anna.Shows("Saved:", TFace::Form)) << "the window tells what it saved";
    ASSERT_TRUE(anna.Click("Terminate Quillaran", TFace::Form));
    const auto until = Clock::now() + kStepTimeout;
    while (anna.Program().Running() && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_FALSE(anna.Program().Running());
  }
  EXPECT_EQ(saved(), "crossed") << "the cross was saved before the end";
  {  // Started again, the program opens as usual.
    TPersonAtX anna(A, server.Name(), eye);
    ASSERT_TRUE(anna.Start());
    ASSERT_TRUE(anna.Window("ReadMe"));
    ASSERT_TRUE(anna.Click("Close", TFace::Form));
    ASSERT_TRUE(anna.Window(""));
    ASSERT_TRUE(anna.Close());
  }
}

}  // namespace
}  // namespace e2e
