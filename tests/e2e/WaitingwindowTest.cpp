// A new user's first start on an X server of the test's own, with a POP3 server that
// answers only after a while: the window that asks to wait shows, painted, the server the
// program is trying while the program waits for it.

#include "tests/app/Programonx.h"
#include "tests/e2e/Screentext.h"
#include "tests/net/Scriptedserver.h"
#include "tests/support/Testsupport.h"
#include "tests/support/Xvfbserver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace e2e {
namespace {

using x11program::Clock;
using x11program::kStepTimeout;
using x11program::TProgramOnX;

// Lets a server's script go on once the test has seen what it waited for (or after a time
// that only ends a fault, below the program's patience with a server).
class TGate {
 public:
  void Open() {
    std::lock_guard<std::mutex> hold(fLock);
    fOpen = true;
    fOpened.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> hold(fLock);
    fOpened.wait_for(hold, std::chrono::seconds(12), [this] { return fOpen; });
  }

 private:
  std::mutex fLock;
  std::condition_variable fOpened;
  bool fOpen = false;
};

TEST(WaitingWindow, TheMailAccountTrialShowsTheServerItTriesWhileTheServerIsSlow) {
  const std::string folder = testsupport::ScratchFolder();
  xvfbtest::XvfbServer server("1024x768x24");
  ASSERT_TRUE(server.Running());
  screentext::TScreenText eye(server.Name());
  TProgramOnX program(server.Name());
  ASSERT_TRUE(program.Start({{"XDG_DATA_HOME", folder + "/data"},
                             {"XDG_CONFIG_HOME", folder + "/config"},
                             {"QUILLARAN_RUNTIME_DIR", folder + "/runtime"}}));
  for (const std::string& answer : {std::string(), std::string("Anna"), std::string("anna@example.org"),
                                    std::string("anna's key 7"), std::string("anna's key 7")}) {
    ASSERT_EQ(program.WaitForNextFocusedWindow("CREATING LOGIN"), "CREATING LOGIN");
    program.TypeAndEnter(answer);
  }
  // A POP3 server that greets only once the test has looked at the screen.
  TGate looked;
  const TScriptedServer pop3([&looked](TScriptedPeer& peer) {
    looked.Wait();
    peer.Send("-ERR not now\r\n");
  });
  const testsupport::TClosedPort smtp;
  const std::string pop3Server = "127.0.0.1:" + std::to_string(pop3.Port());
  for (const std::string& answer :
       {pop3Server, "127.0.0.1:" + std::to_string(smtp.Port()), std::string(), std::string("pop secret")}) {
    ASSERT_EQ(program.WaitForNextFocusedWindow("MAIL ACCOUNT"), "MAIL ACCOUNT");
    program.TypeAndEnter(answer);
  }

  // While the server keeps silent, the screen shows what is tried.
  const std::string tried = "Trying the POP3 server " + pop3Server + "...";
  bool shown = false;
  for (const auto until = Clock::now() + kStepTimeout; !shown && Clock::now() < until && program.Running();)
    shown = !eye.Find(tried, screentext::TFace::Form).empty();
  if (!shown) eye.Save(std::string(QUILLARAN_BINARY_DIR) + "/WaitingWindow.png");
  EXPECT_TRUE(shown) << "'" << tried << "' is not on the screen (WaitingWindow.png in the build folder)";
  looked.Open();

  // How the servers answered; Enter keeps the account, and the read-me of a first start comes.
  ASSERT_EQ(program.WaitForNextFocusedWindow("MAIL ACCOUNT"), "MAIL ACCOUNT");
  program.TypeAndEnter("");
  EXPECT_EQ(program.WaitForNextFocusedWindow(""), "ReadMe");
  ASSERT_TRUE(program.CloseUntilEnded());
  EXPECT_EQ(program.Status, 0);
}

}  // namespace
}  // namespace e2e
