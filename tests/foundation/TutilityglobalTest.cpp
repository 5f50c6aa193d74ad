#include "foundation/Tlisteners.h"
#include "foundation/Tutilityglobal.h"
#include "platform/rtl/Tdatetime.h"
#include "Scratchroot.h"

#include <gtest/gtest.h>

namespace {

TDateTime Fixed() { return EncodeDate(2024, 3, 1) + EncodeTime(8, 30, 0, 0); }

TEST(Tutilityglobal, StartsCleanLogsStartAndFinish) {
  TScratchRoot root;
  platform::SetNowSource(Fixed);
  TError::Report("left over from before");
  TListeners::Send(4, true);
  {
    TUtilityGlobal global;
    EXPECT_EQ(TUtilityGlobal::Current(), &global);
    EXPECT_EQ(global.Error, &TError::Instance());
    EXPECT_EQ(global.Listeners, &TListeners::Instance());
    EXPECT_NE(global.MemManager, nullptr);
    EXPECT_FALSE(IsErrorReported());
    EXPECT_FALSE(TListeners::Instance().HasQueued());
  }
  EXPECT_EQ(TUtilityGlobal::Current(), nullptr);
  platform::SetNowSource(nullptr);
  EXPECT_EQ(root.Log(),
            "ERROR MESSAGE: left over from before\n"
            "PROGRAM STARTED: 2024.03.01 08:30:00\n"
            "PROGRAM FINISHED: 2024.03.01 08:30:00\n");
}

}  // namespace
