#include "app/Terminaldialogs.h"
#include "foundation/Guihooks.h"

#include <gtest/gtest.h>

#include <string>

// A box quoting a received text, shown on the terminal with and without the terminal's
// questions registered: its lines stay lines, nothing else of it reaches the terminal as a
// control character (an escape sequence could clear the screen or retitle the window).
TEST(TerminalBoxes, AReceivedTextKeepsItsLinesAndCannotSteerTheTerminal) {
  const std::string hostile = "Comment: first,\r\nsecond\x1b]0;owned\x07\x1b[2J\x98";
  const std::string shown = "REFUSAL: Comment: first,\nsecond\\x1B]0;owned\\x07\\x1B[2J\\x98\n";
  const TGuiHooks before = GuiHooks();

  testing::internal::CaptureStderr();
  ShowMessageBox("REFUSAL", hostile);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), shown);

  RegisterTerminalDialogs();
  testing::internal::CaptureStderr();
  ShowMessageBox("REFUSAL", hostile);
  const std::string onTerminal = testing::internal::GetCapturedStderr();
  SetGuiHooks(before);
  EXPECT_EQ(onTerminal, shown);
}
