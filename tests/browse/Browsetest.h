#pragma once
// A headless screen with a register of browse windows over a data folder of two saved
// discussions, and message boxes answered from a list of the test's own.

#include "browse/Browsecommand.h"
#include "browse/Tformbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Tlisteners.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace browsetest {

struct TShownBox {
  std::string Caption, Message, Buttons;
};

// Keeps every notification while it lives.
struct TRecorder : TListener {
  std::vector<TListenMessage> Heard;
  void Listen(const TListenMessage& message) override { Heard.push_back(message); }
  int Count(uint8_t code) const;
};

class BrowseTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A screen of another size for the rest of the test.
  void UseScreen(int width, int height);
  // The next message box gets this button (0-based); every box is recorded.
  static void Answer(int button);
  static std::vector<TShownBox>& Boxes();
  static std::vector<std::string>& Reports();
  // Runs the queue until nothing is left (deferred frees, painting).
  void Pump() { person.Pump(); }

  TFormBrowse* OpenOn(int discussion);
  TDiscussion& Discussion(int index) { return discussions->GetDiscussion(index); }

  std::string folder;
  std::unique_ptr<platform::HeadlessScreen> screen;
  platform::ScreenDriver person;
  std::unique_ptr<TDiscussionsManager> discussions;
  TBrowsePars pars;
  std::unique_ptr<TFormBrowseManager> manager;
  int ecology = -1, economy = -1;  // two saved discussions
  int lastWindowClosed = 0;

 private:
  // What the process keeps beyond one test, as the test found it: a hover or a drag
  // that a test ends in leaves the screen's cursor set, and a test may register its
  // own command handler.
  TCursor fCursorFound = crDefault;
  TBrowseCommandHandler fCommandHandlerFound;
};

}  // namespace browsetest
