#pragma once
// A headless screen with a message log, for the tests of the window system.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/gui/Gui.h"

namespace guitest {

struct Logged {
  HWND window;
  UINT message;
  WPARAM w;
  LPARAM l;
};

// Every message that a logging window receives, in order.
std::vector<Logged>& Log();
// The messages of the log among those asked for, in order.
std::vector<UINT> Messages(std::initializer_list<UINT> wanted, HWND window = nullptr);
LRESULT LoggingProc(HWND window, UINT message, WPARAM w, LPARAM l);

class Screen : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A top-level window of the logging class at a screen position.
  HWND TopLevel(int x, int y, int w, int h, DWORD style = WS_POPUP | WS_VISIBLE, DWORD ex = 0);
  HWND Child(HWND parent, int x, int y, int w, int h, DWORD style = WS_CHILD | WS_VISIBLE, int id = 0);

  platform::HeadlessScreen screen{640, 480};
  platform::ScreenDriver person;
  size_t gdiObjects = 0;
  size_t deviceContexts = 0;
};

}  // namespace guitest
