// The real program on an X server of the test's own, typed into as a person would: keys
// go through the server (xdotool drives XTest) to whichever window has the X focus.

#include "Apptesthelpers.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tlogin.h"
#include "platform/kernel/Codepage.h"
#include "platform/kernel/Filemode.h"
#include "platform/kernel/Process.h"
#include "tests/support/Xvfbserver.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <sstream>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Generous: a sanitized build starts slowly on a busy machine; nothing waits this long
// when things go well, since every wait polls.
constexpr auto kStepTimeout = std::chrono::seconds(30);

class TProgramOnX {
 public:
  explicit TProgramOnX(const std::string& display) : fDisplay(display) {}
  ~TProgramOnX() {
    if (fPid > 0) {
      kill(static_cast<pid_t>(fPid), SIGKILL);
      waitpid(static_cast<pid_t>(fPid), nullptr, 0);
    }
  }

  bool Start() {
    setenv("DISPLAY", fDisplay.c_str(), 1);
    const std::string suppressions = std::string("suppressions=") + QUILLARAN_SOURCE_DIR + "/tests/app/fontconfig.supp";
    setenv("LSAN_OPTIONS", suppressions.c_str(), 1);
    fPid = platform::StartProgram(std::string(QUILLARAN_BINARY_DIR) + "/app/quillaran", {}, false);
    unsetenv("LSAN_OPTIONS");
    unsetenv("DISPLAY");
    return fPid > 0;
  }

  // True while the program runs; once it ended, its exit code is in `Status`.
  bool Running() {
    if (fPid <= 0) return false;
    int status = 0;
    if (waitpid(static_cast<pid_t>(fPid), &status, WNOHANG) == 0) return true;
    Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    fPid = -1;
    return false;
  }

  std::string Xdo(const std::string& arguments) {
    return testsupport::Run("DISPLAY=" + fDisplay + " xdotool " + arguments + " 2>/dev/null");
  }

  // Waits until a window other than the last one taken has the X focus and (when
  // `title` is not empty) bears `title`; its title, or "" when the program ended or
  // nothing came in time.
  std::string WaitForNextFocusedWindow(const std::string& title) {
    const auto until = Clock::now() + kStepTimeout;
    while (Clock::now() < until && Running()) {
      std::string id = Xdo("getwindowfocus");
      while (!id.empty() && id.back() == '\n') id.pop_back();
      if (!id.empty() && id != fLast && fDone.count(id) == 0) {
        std::string name = Xdo("getwindowname " + id);
        while (!name.empty() && name.back() == '\n') name.pop_back();
        if (!name.empty() && (title.empty() || name == title)) {
          fLast = id;
          fDone.insert(id);
          return name;
        }
      }
      usleep(20000);
    }
    return std::string();
  }

  // Types a UTF-8 text into the focused window and presses Enter.
  void TypeAndEnter(const std::string& utf8) {
    std::string quoted;
    for (char c : utf8) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    if (!utf8.empty()) Xdo("type --delay 15 -- '" + quoted + "'");
    Xdo("key Return");
  }

  // Closes the focused windows with Alt+F4, each in turn, until the program ends.
  bool CloseUntilEnded() {
    const auto until = Clock::now() + kStepTimeout;
    while (Clock::now() < until) {
      if (!Running()) return true;
      Xdo("key alt+F4");
      for (int i = 0; i < 25 && Running(); ++i) usleep(20000);
    }
    return !Running();
  }

  // Gives each Cyrillic letter a key of its own before the program starts. Typed letters
  // with no key borrow a spare one for a moment, and a busy program may read such a key
  // only after it was given back.
  bool LendKeys(const std::vector<std::string>& letters) {
    std::vector<std::string> empty;
    std::istringstream map(testsupport::Run("DISPLAY=" + fDisplay + " xmodmap -pke"));
    for (std::string line; std::getline(map, line);) {
      std::istringstream words(line);
      std::string keycode, number, equals, more;
      if (words >> keycode >> number >> equals && !(words >> more)) empty.push_back(number);
    }
    if (empty.size() < letters.size() + 2) return false;  // xdotool keeps one spare
    std::string command = "DISPLAY=" + fDisplay + " xmodmap";
    for (size_t i = 0; i < letters.size(); ++i) {
      std::string upper = letters[i];
      for (size_t at = std::string("Cyrillic_").size(); at < upper.size(); ++at) upper[at] = static_cast<char>(toupper(upper[at]));
      command += " -e 'keycode " + empty[i] + " = " + letters[i] + " " + upper + "'";
    }
    int status = -1;
    testsupport::Run(command, &status);
    return status == 0;
  }

  int Status = -1;

 private:
  std::string fDisplay;
  long fPid = -1;
  std::string fLast;
  std::set<std::string> fDone;
};

TEST(ProgramX11, ANewUserCreatesTheFirstLoginByKeyboardAndTheProgramEndsSavingEverything) {
  TAppScratch s;
  setenv("XDG_DATA_HOME", (s.Folder + "/data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", s.Runtime.c_str(), 1);
  xvfbtest::XvfbServer server("1024x768x24");
  ASSERT_TRUE(server.Running());
  TProgramOnX program(server.Name());
  ASSERT_TRUE(program.LendKeys({"Cyrillic_a", "Cyrillic_en", "Cyrillic_es", "Cyrillic_em", "Cyrillic_i", "Cyrillic_er",
                                "Cyrillic_o", "Cyrillic_ve"}));
  ASSERT_TRUE(program.Start());

  const std::string name = "Анна Смирнова";
  const std::string key = "anna's key 7";
  // Each question in its own window, in the order a new user meets them.
  EXPECT_EQ(program.WaitForNextFocusedWindow("CREATING LOGIN"), "CREATING LOGIN");  // there is no login yet
  program.TypeAndEnter("");
  ASSERT_EQ(program.WaitForNextFocusedWindow("CREATING LOGIN"), "CREATING LOGIN");  // your name
  program.TypeAndEnter(platform::AnsiToUtf8(name));
  ASSERT_EQ(program.WaitForNextFocusedWindow("CREATING LOGIN"), "CREATING LOGIN");  // e-mail
  program.TypeAndEnter("anna at example");
  ASSERT_EQ(program.WaitForNextFocusedWindow("LOGIN ERROR"), "LOGIN ERROR");
  program.TypeAndEnter("");
  ASSERT_EQ(program.WaitForNextFocusedWindow("CREATING LOGIN"), "CREATING LOGIN");
  program.TypeAndEnter("anna@example.org");
  for (int i = 0; i < 2; ++i) {  // the key password and its repetition
    ASSERT_EQ(program.WaitForNextFocusedWindow("CREATING LOGIN"), "CREATING LOGIN");
    program.TypeAndEnter(key);
  }
  for (const char* answer : {"127.0.0.1", "localhost", "", "pop secret"}) {  // the user name is proposed
    ASSERT_EQ(program.WaitForNextFocusedWindow("MAIL ACCOUNT"), "MAIL ACCOUNT");
    program.TypeAndEnter(answer);
  }
  // Logged in: the read-me of a first start comes next.
  EXPECT_EQ(program.WaitForNextFocusedWindow(""), "ReadMe");
  EXPECT_TRUE(IsFileExists(s.Home + "/Readme.txt"));
  EXPECT_EQ(platform::FilePermissions(s.Home + "/Logins.cbs"), 0600);

  ASSERT_TRUE(program.CloseUntilEnded());
  EXPECT_EQ(program.Status, 0);
  EXPECT_NE(platform::FilePermissions(s.Home + "/BrowsePars.cbs"), -1);
  EXPECT_NE(s.Log().find("PROGRAM FINISHED: "), std::string::npos) << s.Log();
  EXPECT_EQ(s.Log().find("ERROR MESSAGE"), std::string::npos) << s.Log();

  // What was typed is what was kept, the secrets behind the key password.
  TLoginsStorage saved;
  ASSERT_TRUE(saved.Load(s.Home + "/Logins.cbs"));
  ASSERT_EQ(saved.Count(), 1);
  TLogin& login = saved.GetLogin(0);
  EXPECT_EQ(login.Name.ToString(), name);
  EXPECT_EQ(login.AutomaticEMail, "anna@example.org");
  EXPECT_FALSE(login.Unlock("anna's key"));
  ASSERT_TRUE(login.Unlock(key));
  EXPECT_EQ(login.EMail.POP3Server, "127.0.0.1");
  EXPECT_EQ(login.EMail.SMTPServer, "localhost");
  EXPECT_EQ(login.EMail.UserName, "anna@example.org");
  EXPECT_EQ(login.EMail.Password, "pop secret");
  unsetenv("XDG_DATA_HOME");
  unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
