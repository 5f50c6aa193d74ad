#pragma once
// Shared set-up of the model's tests: a folder of each test's own, the error state
// reset and its reports caught, and a discussion with every field of every file set.

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "model/Tdiscussion.h"
#include "tests/model/Discussionfill.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace modeltest {

// Texts reported to the error state since the fixture began.
std::vector<std::string>& Reports();

class ModelTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  // A fresh folder of this test's own.
  std::string Folder() const { return folder_; }
  std::string folder_;
};

// The content of all files of the discussion, as a save would write it.
std::vector<std::string> Contents(const TDiscussion& discussion);

}  // namespace modeltest
