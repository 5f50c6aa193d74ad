#pragma once
// Shared set-up of the model's tests: a folder of each test's own, the error state
// reset and its reports caught, and a discussion with every field of every file set.

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "model/Tdiscussion.h"

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

// Adds a block to a storage under an upper block, numbered and named as the model does.
TDiscBlockIndex AddBlock(TDiscussion& discussion, uint8_t storageType, TDiscBlockIndex upper, uint8_t textType,
                         const std::string& text, uint16_t adident = 0xFFFF);
// Makes an empty, loaded discussion in the folder with its root block.
void MakeRoot(TDiscussion& discussion, const std::string& folder);
// Fills a discussion with blocks of all four storages and every field of every file set to
// a value other than its default.
void FillEverything(TDiscussion& discussion);
// The content of all files of the discussion, as a save would write it.
std::vector<std::string> Contents(const TDiscussion& discussion);

}  // namespace modeltest
