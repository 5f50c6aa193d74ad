#pragma once
// A headless screen for the tests of the extended controls, with a plain form to put
// controls on.

#include "tests/support/Headlessscreentest.h"

#include <string>

namespace controlstest {

// An icon file of one 16 x 16 picture of 32 bits in one colour (0xRRGGBB).
std::string IconFile(unsigned Colour);

class Screen : public testsupport::HeadlessScreenTest {
 protected:
  // A borderless form at the top-left of the screen (owned by the test's screen).
  TForm* Plain(int Width = 300, int Height = 200);
};

}  // namespace controlstest
