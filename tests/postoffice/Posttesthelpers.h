#pragma once
// Shared set-up of the post office's tests: a data root of the test's own with the suite's
// folders, the error state reset and its reports and message boxes caught, and command
// messages written and sealed as a composer writes them.

#include "foundation/Tbrowseglobal.h"
#include "postoffice/Tbrowsepostadaptor.h"
#include "postoffice/Tpost.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace posttest {

struct TShownBox {
  std::string Caption, Text;
};

class PostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Message boxes shown since the test began; every one is answered with its default.
  std::vector<TShownBox> Boxes;
  // The button pressed in a message box with more than an OK button; -1 its default.
  int Answer = -1;
  // Texts reported to the error state.
  std::vector<std::string> Reports;
  bool Showed(const std::string& caption, const std::string& part) const;

  // The data root (ends with '/').
  std::string Root;
  TBrowsePostAdaptor Adaptor;
  TPost Post;

 private:
  std::string fOldHome;
  bool fHadHome = false;
  TSuitePaths fOldPaths;
};

using TFields = std::vector<std::pair<std::string, std::string>>;

// Writes a command message: SENDER_LIDENT, the fields (a name ending in '*' is written
// encrypted), DATA, the data and, when `seal`, the seal of the suite's key.
void WriteMessage(const std::string& path, const TFields& fields, const std::string& data = "", bool seal = true);

}  // namespace posttest
