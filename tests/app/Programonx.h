#pragma once
// The real program on an X server of the test's own, in a process of its own, typed into
// and clicked as a person would: keys and the pointer go through the server (xdotool
// drives XTest) to whichever window has the X focus.

#include "platform/kernel/Process.h"
#include "tests/support/Testsupport.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace x11program {

using Clock = std::chrono::steady_clock;

// Generous: a sanitized build starts slowly on a machine loaded three times over, and
// a step may take several times what it takes alone; nothing waits this long when
// things go well, since every wait polls.
constexpr auto kStepTimeout = std::chrono::seconds(90);

class TProgramOnX {
 public:
  explicit TProgramOnX(const std::string& display) : fDisplay(display) {}
  ~TProgramOnX() {
    if (fPid > 0) {
      kill(static_cast<pid_t>(fPid), SIGKILL);
      waitpid(static_cast<pid_t>(fPid), nullptr, 0);
    }
  }

  // `environment`: variables of this run only, on top of the test's own.
  bool Start(const std::vector<std::pair<std::string, std::string>>& environment = {}) {
    for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
    setenv("DISPLAY", fDisplay.c_str(), 1);
    const std::string suppressions = std::string("suppressions=") + QUILLARAN_SOURCE_DIR + "/tests/app/fontconfig.supp";
    setenv("LSAN_OPTIONS", suppressions.c_str(), 1);
    fPid = platform::StartProgram(std::string(QUILLARAN_BINARY_DIR) + "/app/quillaran", {}, false);
    unsetenv("LSAN_OPTIONS");
    unsetenv("DISPLAY");
    for (const auto& [name, value] : environment) unsetenv(name.c_str());
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
    // The text to type is read in the locale's encoding: UTF-8, whatever locale the tests run in.
    return testsupport::Run("LC_ALL=C.UTF-8 DISPLAY=" + fDisplay + " xdotool " + arguments + " 2>/dev/null");
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

  // A click of the main button at a place of the screen, once the pointer is there.
  void Click(int x, int y, int button = 1) {
    Xdo("mousemove --sync " + std::to_string(x) + " " + std::to_string(y));
    Xdo("click " + std::to_string(button));
  }
  void Key(const std::string& keys) { Xdo("key " + keys); }

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

  // Asks the program to end as the desktop's session does (SIGTERM) and waits until it has.
  bool Terminate() {
    if (fPid <= 0 || kill(static_cast<pid_t>(fPid), SIGTERM) != 0) return false;
    int status = 0;
    const bool ended = testsupport::WaitForChild(
        static_cast<int>(fPid),
        static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(kStepTimeout).count()), status);
    Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    fPid = -1;
    return ended;
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

}  // namespace x11program
