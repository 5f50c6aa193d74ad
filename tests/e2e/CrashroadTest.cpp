// Accidents on the installation roads: a program killed in the middle of its work, and
// files that were damaged while it was not running.

#include "tests/e2e/Installation.h"
#include "tests/e2e/Roads.h"

#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace e2e {
namespace {

class Accidents : public TTwoInstallationsRoad {
 protected:
  Accidents() : TTwoInstallationsRoad("crasha", "crashb") {}
};

// The sender is killed as soon as the server has taken its comment. Started again, it
// posts another comment: the receiver keeps both, the second under a name of its own.
TEST_F(Accidents, ASenderKilledRightAfterTheServerTookItsCommentOverwritesNothingWithItsNextOne) {
  Announce(A, {&B}, "Ponds", "Пруды", {"Пруд 1"});
  ASSERT_FALSE(HasFatalFailure());
  TakeModel(A, B, "Ponds");
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_FALSE(A.Run([&](TSession& s) {
    PostNotesToAll(s, "Ponds", "1", {"Пруд 1 мелкий"});
    s.Confirm("AUTO-HANDLING");
    Send(s);
    s.Tell("killed", "yes");
    kill(getpid(), SIGKILL);
  }));
  ASSERT_EQ(A.Told("killed"), "yes");
  ASSERT_EQ(Waiting("crashb").size(), 1u);
  ASSERT_TRUE(A.Run([&](TSession& s) {
    PostNotesToAll(s, "Ponds", "1", {"Пруд 1 глубже у берега"});
    s.Confirm("AUTO-HANDLING");
    Send(s);
  }));
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("NEW_BLOCKS");
    s.Confirm("NEW_BLOCKS");
    s.Confirm("New blocks");
    Receive(s);
    s.Tell("received", Tree(*s.Shown(OpenDiscussion(s, "Ponds"))));
  }));
  EXPECT_EQ(B.Told("received"), B.Told("model") + "2|0-1|1|Пруд 1 мелкий\n2|0-2|1|Пруд 1 глубже у берега\n");
  EXPECT_NE(B.LastBoxes().find("New blocks: There are 2 blocks added."), std::string::npos)
      << B.LastBoxes();
}

class StartAccidents : public TTwoInstallationsRoad {
 protected:
  StartAccidents() : TTwoInstallationsRoad("crashc", "crashd") {}
};

// While the program was not running, a discussion folder lost every whole save, and the
// logins file and the post state file were cut short. The program starts all the same:
// the user is told which folder and files could not be read and where they went, the
// logins and the post state come from their previous copies, and the other discussion is
// there as it was.
TEST_F(StartAccidents, AnUnreadableFolderAndCutLoginsAndPostStateFilesDoNotKeepTheProgramFromStarting) {
  Announce(A, {&B}, "Ponds", "Пруды", {"Пруд 1"});
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(A.Run([&](TSession& s) { s.Tell("before", Tree(*s.Shown(OpenDiscussion(s, "Ponds")))); }));
  const std::string lost = A.File("Created/Ponds");
  testsupport::Run("for f in '" + lost + "'/*.cbs* '" + lost + "'/*.cbt*; do truncate -s 5 \"$f\"; done");
  for (const std::string name : {"Logins.cbs", "PostFiles.cbs"}) testsupport::Run("truncate -s 30 '" + A.File(name) + "'");
  ASSERT_TRUE(A.Run([&](TSession& s) { s.Tell("after", Tree(*s.Shown(OpenDiscussion(s, "Ponds")))); },
                    [&](TSession& s) {
                      s.Confirm("LOADING DISCUSSION");
                      s.Confirm("LOADING LOGINS");
                      s.Confirm("LOADING POST STATE");
                    }));
  EXPECT_EQ(A.Told("after"), A.Told("before"));
  const std::string boxes = A.LastBoxes();
  const std::string aside = testsupport::Run("ls -d '" + lost + "'/damaged-*");
  ASSERT_NE(aside, "");
  EXPECT_NE(boxes.find("LOADING DISCUSSION: The discussion in the folder " + lost + " could not be read: the file " +
                       lost + "/Model.cbs is damaged.\nNo save of it is whole; it is left out.\nIts files were moved "
                       "to the folder " + aside.substr(0, aside.size() - 1) + ".\n"),
            std::string::npos)
      << boxes;
  EXPECT_NE(boxes.find("LOADING LOGINS: The logins file " + A.File("Logins.cbs") +
                       " could not be read: it is damaged.\nIts previous copy " + A.File("Logins.cbs.old") +
                       " was loaded instead; the damaged file was moved to " + A.File("Logins.cbs.damaged") + ".\n"),
            std::string::npos)
      << boxes;
  EXPECT_NE(boxes.find("LOADING POST STATE: The post state file " + A.File("PostFiles.cbs") + " could not be read"),
            std::string::npos)
      << boxes;
  // Whatever the folder held is kept, and the next start says nothing more.
  EXPECT_EQ(testsupport::Run("ls '" + aside.substr(0, aside.size() - 1) + "' | wc -l"), "24\n");
  ASSERT_TRUE(A.Run([&](TSession& s) { s.Tell("again", Tree(*s.Shown(OpenDiscussion(s, "Ponds")))); }));
  EXPECT_EQ(A.Told("again"), A.Told("before"));
}

class ReceiveAccidents : public TTwoInstallationsRoad {
 protected:
  ReceiveAccidents() : TTwoInstallationsRoad("crashk", "crashl") {}
};

// The reader is killed while it handles the second of two posts, the first one added and
// saved already. Started again, it does not add the first one again, and adds the second.
TEST_F(ReceiveAccidents, AReaderKilledBetweenTwoPostsDoesNotTakeTheFirstOneAgain) {
  Announce(A, {&B}, "Lakes", "Озёра", {"Озеро 1"});
  ASSERT_FALSE(HasFatalFailure());
  TakeModel(A, B, "Lakes");
  ASSERT_FALSE(HasFatalFailure());
  for (const char* text : {"Озеро 1 глубокое", "Озеро 1 холодное"})
    ASSERT_TRUE(A.Run([&](TSession& s) {
      PostNotesToAll(s, "Lakes", "1", {text});
      s.Confirm("AUTO-HANDLING");
      Send(s);
    }));
  ASSERT_EQ(Waiting("crashl").size(), 2u);
  EXPECT_FALSE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("NEW_BLOCKS");
    s.Script.Answer("NEW_BLOCKS", [&s](TCustomForm&) {
      s.Tell("killed", "yes");
      kill(getpid(), SIGKILL);
    });
    Receive(s);
  }));
  ASSERT_EQ(B.Told("killed"), "yes");
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("NEW_BLOCKS");
    s.Confirm("HANDLING POST FILE");
    s.Confirm("New blocks");
    Receive(s);
    s.Tell("received", Tree(*s.Shown(OpenDiscussion(s, "Lakes"))));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("received"), B.Told("model") + "2|0-1|1|Озеро 1 глубокое\n2|0-2|1|Озеро 1 холодное\n");
  const std::string boxes = B.LastBoxes();
  EXPECT_EQ(boxes.find("NEW_BLOCKS: Add 1 blocks"), boxes.rfind("NEW_BLOCKS: Add 1 blocks")) << boxes;
}

}  // namespace
}  // namespace e2e
