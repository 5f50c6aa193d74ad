// Start and stop of the post office's process-wide objects.

#include "Posttesthelpers.h"

#include "foundation/Fileroutines.h"
#include "model/Modelhooks.h"
#include "postoffice/Tmoderatecaller.h"
#include "postoffice/Tpostoffice.h"
#include "tests/support/Testsupport.h"

using namespace posttest;

namespace {

class PostOfficeLife : public PostTest {};

TEST_F(PostOfficeLife, StartLoadsAndStopSavesThePostState) {
  {
    TPostOffice office;
    ASSERT_TRUE(office.Start());
    EXPECT_EQ(PostState(), office.Post());
    EXPECT_NE(ModerateCaller(), nullptr);
    EXPECT_TRUE(bool(ModelHooks().PostFileName));
    EXPECT_TRUE(IsDirExists(Root + "OutboxPost"));
    const std::string name = ModelHooks().PostFileName(Root + "Outbox/", "Ecology", "NB");
    EXPECT_NE(name.find("-Ecology-"), std::string::npos);
    office.Post()->RobotEMail = "robot@x";
  }  // stopped by its end
  EXPECT_EQ(PostState(), nullptr);
  EXPECT_EQ(ModerateCaller(), nullptr);
  EXPECT_FALSE(bool(ModelHooks().PostFileName));

  TPostOffice again;
  ASSERT_TRUE(again.Start());
  EXPECT_EQ(again.Post()->RobotEMail, "robot@x");
  EXPECT_EQ(again.Post()->IssuedNames.Count(), 1u);  // the name issued today

  // A damaged state file gives way to its previous copy, is kept aside and never written
  // over, and the user is told which file and where it went.
  again.Stop();
  testsupport::WriteFile(Root + "PostFiles.cbs", "\x09");
  TPostOffice damaged;
  ASSERT_TRUE(damaged.Start());
  EXPECT_EQ(damaged.Post()->RobotEMail, "robot@x");
  damaged.Stop();
  EXPECT_EQ(testsupport::ReadFile(Root + "PostFiles.cbs.damaged"), "\x09");
  EXPECT_TRUE(Showed("LOADING POST STATE", "The post state file " + Root + "PostFiles.cbs could not be read: it is "
                                           "damaged.\nIts previous copy " + Root + "PostFiles.cbs.old was loaded instead"));
  EXPECT_TRUE(Reports.empty()) << Reports.front();
}

}  // namespace
