#pragma once
// A headless screen for the tests of the visual class library.

#include "tests/support/Headlessscreentest.h"

namespace formstest {

class Screen : public testsupport::HeadlessScreenTest {};

}  // namespace formstest
