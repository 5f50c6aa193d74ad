#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "Scratchroot.h"

#include <gtest/gtest.h>

namespace {

std::string gShown;
void RecordAndTerminate(const std::string& text) {
  gShown = text;
  TError::Instance().RequestTerminate(true);
  TError::Report("reported from the window");  // logged, not shown again
}

TEST(Terror, ReportLogsInUtf8AndStaysReported) {
  TScratchRoot root;
  EXPECT_FALSE(IsErrorReported());
  TError::Report("TDiscBlockStorages::GetDiscBlock - неверный индекс");
  EXPECT_TRUE(IsErrorReported());
  TError::Report("second");
  EXPECT_TRUE(IsErrorReported());
  // One entry, one line: what a text quotes cannot start a line of its own.
  TError::AppendToLog("SET ASIDE: a\r\nERROR MESSAGE: forged\x1B\x98");
  EXPECT_EQ(root.Log(),
            "ERROR MESSAGE: TDiscBlockStorages::GetDiscBlock - "
            "\xd0\xbd\xd0\xb5\xd0\xb2\xd0\xb5\xd1\x80\xd0\xbd\xd1\x8b\xd0\xb9 "
            "\xd0\xb8\xd0\xbd\xd0\xb4\xd0\xb5\xd0\xba\xd1\x81\n"
            "ERROR MESSAGE: second\n"
            "SET ASIDE: a\\r\\nERROR MESSAGE: forged\\x1B\\x98\n");
  EXPECT_FALSE(TError::Instance().IsTerminateRequested());
}

TEST(Terror, TheErrorWindowHookMayRequestTermination) {
  TScratchRoot root;
  TGuiHooks hooks;
  hooks.ShowErrorWindow = RecordAndTerminate;
  SetGuiHooks(hooks);
  TError::Report("boom");
  SetGuiHooks(TGuiHooks());
  EXPECT_EQ(gShown, "boom");
  EXPECT_TRUE(TError::Instance().IsTerminateRequested());
  EXPECT_TRUE(TError::Instance().IsReloadRequested());
  EXPECT_EQ(root.Log(), "ERROR MESSAGE: boom\nERROR MESSAGE: reported from the window\n");
  TError::Instance().Reset();
  EXPECT_FALSE(IsErrorReported());
  EXPECT_FALSE(TError::Instance().IsTerminateRequested());
}

}  // namespace

TEST(Terror, ACaptureKeepsRefusalsOfInputAwayFromTheStickyState) {
  TScratchRoot root;
  {
    TErrorCapture capture;
    EXPECT_FALSE(IsErrorReported());
    TError::Report("TCommandMessageHeader::Read - bad header");
    TError::Report("second");
    EXPECT_TRUE(IsErrorReported());
    EXPECT_TRUE(capture.Caught());
    EXPECT_EQ(capture.First(), "TCommandMessageHeader::Read - bad header");
  }
  EXPECT_FALSE(IsErrorReported());
  EXPECT_EQ(root.Log(), "REFUSED INPUT: TCommandMessageHeader::Read - bad header\nREFUSED INPUT: second\n");
  EXPECT_EQ(TError::Instance().ReportCount(), 0u);  // refusals of input are not counted
  TError::Report("real");
  EXPECT_EQ(TError::Instance().ReportCount(), 1u);
  {
    TErrorCapture capture;
    EXPECT_FALSE(IsErrorReported());
    EXPECT_FALSE(capture.Caught());
  }
  EXPECT_TRUE(IsErrorReported());
}
