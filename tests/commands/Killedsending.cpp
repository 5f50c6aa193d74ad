#include "Killedsending.h"

#include "foundation/Guihooks.h"
#include "model/Tdiscussion.h"
#include "platform/kernel/Fileapi.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace commandstest {
namespace {

int gKillAt = 0;
int gSteps = 0;

void KillAtStep(const char*, const std::string&) {
  if (++gSteps == gKillAt) kill(getpid(), SIGKILL);
}

}  // namespace

bool LoadAfterKill(TDiscussion& discussion) {
  const TGuiHooks kept = GuiHooks();
  TGuiHooks quiet = kept;
  quiet.ShowMessageBox = [](const std::string&, const std::string&, const std::string&, const std::string&, int) {
    return 0;
  };
  SetGuiHooks(quiet);
  const bool loaded = discussion.Load();
  SetGuiHooks(kept);
  return loaded;
}

int KillAtEveryStep(const std::function<void()>& restore, const std::function<void()>& send,
                    const std::function<void(int step, bool finished)>& check) {
  constexpr int MostSteps = 200;
  for (int step = 1; step <= MostSteps; ++step) {
    restore();
    const pid_t child = fork();
    if (child < 0) {
      ADD_FAILURE() << "fork";
      return step;
    }
    if (child == 0) {
      gKillAt = step;
      gSteps = 0;
      platform::WatchFileCalls(KillAtStep);
      send();
      platform::WatchFileCalls(nullptr);
      _exit(0);
    }
    int status = 0;
    if (!testsupport::WaitForChild(child, 120, status)) {
      ADD_FAILURE() << "the child of step " << step << " did not end";
      return step;
    }
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    const bool finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!killed && !finished) {
      ADD_FAILURE() << "the child of step " << step << " ended with status " << status;
      return step;
    }
    check(step, finished);
    if (finished || ::testing::Test::HasFatalFailure()) return step;
  }
  ADD_FAILURE() << "no child finished in " << MostSteps << " steps";
  return MostSteps;
}

}  // namespace commandstest
