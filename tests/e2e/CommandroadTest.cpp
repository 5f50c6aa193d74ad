// The command messages that the other roads do not send, each once between two
// installations: from the menu entry that writes it, through the mail servers, to what
// the receiving installation then shows.

#include "tests/e2e/Installation.h"
#include "tests/e2e/Roads.h"

#include "browse/Tformbrowse.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Forms.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

class CommandKinds : public TTwoInstallationsRoad {
 protected:
  CommandKinds() : TTwoInstallationsRoad("crashe", "crashf") {}
};

// The reader was handed a copy of the leader's discussion. It subscribes and is told so;
// it asks for the list of existing blocks, finds a comment whose mail was lost, asks for
// it and takes it; then it unsubscribes.
TEST_F(CommandKinds, SubscriptionAndTheBlocksListTravelFromTheMenusToWhatTheOtherSideShows) {
  Announce(A, {&B}, "Streams", "Ручьи", {"Ручей 1", "Ручей 2"});
  ASSERT_FALSE(HasFatalFailure());
  testsupport::Run("rm -f " + TMailServers::Get().MailRoot + "/crashf/Maildir/new/*");
  testsupport::Run("mkdir -p '" + B.File("Discussed") + "' && cp -r '" + A.File("Discussed/Streams") + "' '" +
                   B.File("Discussed") + "/'");

  // SUBSCRIBE_ME from the reader's menu; the leader satisfies it (YOU_SUBSCRIBED).
  ASSERT_TRUE(B.Run([&](TSession& s) {
    TFormBrowse& window = OpenDiscussion(s, "Streams");
    s.Confirm("SUBSCRIBE_ME");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Subscribe me"}));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << B.LastBoxes();
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("SUBSCRIBE_ME");  // satisfy it
    s.Confirm("YOU_SUBSCRIBED");
    Answer(s);
  })) << A.LastBoxes();
  // Subscribed, the reader is offered to unsubscribe.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    Receive(s);
    TFormBrowse& window = OpenDiscussion(s, "Streams");
    s.Tell("subscribed", std::to_string(s.Shown(window)->Info.Subscribed));
  })) << B.LastBoxes();
  EXPECT_EQ(B.Told("subscribed"), "1");

  // The leader comments a block; the mail to the reader is lost on its way.
  ASSERT_TRUE(A.Run([&](TSession& s) {
    PostNotesToAll(s, "Streams", "2", {"Ручей 2 пересыхает летом"});
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << A.LastBoxes();
  ASSERT_EQ(Waiting("crashf").size(), 1u);
  testsupport::Run("rm '" + Waiting("crashf")[0] + "'");

  // GIVE_EXISTING_BLOCKS_LIST from the reader's menu; the leader posts its list
  // (EXISTING_BLOCKS_LIST); the reader asks for the lost comment (GIVE_BLOCKS); the leader
  // gives it (REQUESTED_BLOCKS).
  ASSERT_TRUE(B.Run([&](TSession& s) {
    TFormBrowse& window = OpenDiscussion(s, "Streams");
    s.Confirm("GIVE_EXISTING_BLOCKS_LIST");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Request blocks list"}));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << B.LastBoxes();
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("Existing blocks list");  // post it
    s.Confirm("EXISTING_BLOCKS_LIST");
    Answer(s);
  })) << A.LastBoxes();
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("EXISTING_BLOCKS_LIST");  // request the correct blocks
    s.Confirm("GIVE_BLOCKS");
    Answer(s);
  })) << B.LastBoxes();
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("GIVE_BLOCKS");  // post them
    s.Confirm("REQUESTED_BLOCKS");
    Answer(s);
  })) << A.LastBoxes();

  // The reader holds the lost comment now, and unsubscribes (UNSUBSCRIBE_ME).
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("REQUESTED_BLOCKS");  // add them
    s.Confirm("REQUESTED_BLOCKS");
    s.Confirm("New blocks");
    Receive(s);
    TFormBrowse& window = OpenDiscussion(s, "Streams");
    s.Tell("taken", Tree(*s.Shown(window)));
    s.Confirm("UNSUBSCRIBE_ME");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Unsubscribe me"}));
    s.Tell("asked", std::to_string(s.Shown(window)->Info.Subscribed));
    s.Confirm("AUTO-HANDLING");
    Send(s);
    s.Tell("left", std::to_string(s.Shown(OpenDiscussion(s, "Streams"))->Info.Subscribed));
  })) << B.LastBoxes();
  // Subscribed until the request went out, then no more.
  EXPECT_EQ(B.Told("asked"), "1");
  EXPECT_EQ(B.Told("left"), "0");
  EXPECT_EQ(B.Told("taken"), A.Told("model") + "2|0-1|2|Ручей 2 пересыхает летом\n");
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    Receive(s);
    TDiscussion* d = s.Shown(OpenDiscussion(s, "Streams"));
    ASSERT_NE(d, nullptr);
    const int reader = d->Authors.FindAuthorByAutomaticEMail(TStr(B.Address()));
    s.Tell("unsubscribed", reader < 0 ? "unknown" : std::to_string(d->Authors.Author(reader).Unsubscribed));
  })) << A.LastBoxes();
  EXPECT_EQ(A.Told("unsubscribed"), "1");
}

class IgnoredCommand : public TTwoInstallationsRoad {
 protected:
  IgnoredCommand() : TTwoInstallationsRoad("crashi", "crashj") {}
};

// The leader keeps its discussion for its subscribers and takes the reader off the
// advertising list; the reader's request for the discussion is refused
// (YOUR_COMMAND_IGNORED) and the reader is told.
TEST_F(IgnoredCommand, ARequestTheLeaderRefusesIsAnsweredAndTheRequesterTold) {
  Announce(A, {&B}, "Springs", "Родники", {"Родник 1"});
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(A.Run([&](TSession& s) {
    TFormBrowse& window = OpenDiscussion(s, "Springs");
    s.Script.Press("TFormAnnotation", "ButtonOk", {{"CheckBoxGiveCommandsSubscribersOnly", "1"}});
    ASSERT_TRUE(s.Choose(window, {"Service", "Discussion info"}));
    s.Tell("only", std::to_string(s.Shown(window)->Info.SubscribersOnly));
    s.Confirm("CLOSING DISCUSSION");
    TFormBrowse& folders = DiscussedFolder(s);
    s.Script.Press("Edit advertising list", "Button1", {{"MemoAddresses", ""}});
    ASSERT_TRUE(s.Choose(folders, {"Edit advertising list"}));
  })) << A.LastBoxes();
  EXPECT_EQ(A.Told("only"), "1");
  RequestModel(B);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("GIVE_MODEL", 1);  // not to a non-advised person
    s.Confirm("YOUR_COMMAND_IGNORED");
    Answer(s);
  })) << A.LastBoxes();
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("YOUR_COMMAND_IGNORED");
    Receive(s);
  })) << B.LastBoxes();
  EXPECT_NE(B.LastBoxes()
                .find("YOUR_COMMAND_IGNORED: " + A.Address() + ": Your command GIVE_MODEL in Discussion Родники has been "
                      "ignored"),
            std::string::npos)
      << B.LastBoxes();
}

class ModeratedCommandKinds : public TTwoInstallationsRoad {
 protected:
  ModeratedCommandKinds() : TTwoInstallationsRoad("crashg", "crashh") {}
  void SetUp() override {
    TTwoInstallationsRoad::SetUp();
    // A may moderate: the moderation library lies in its data root.
    testsupport::Run("mkdir -p '" + A.Home + "/Library' && cp '" + std::string(QUILLARAN_BINARY_DIR) +
                     "/app/Leafguard.so' '" + A.Home + "/Library/'");
  }
};

// The row of the author with that identifier in the window's lower list, -1 when none.
int AuthorRow(TFormBrowse& window, uint16_t adident) {
  const TBrowseItem& current = window.Browse.CurrentBrowseState.CurrentItem;
  for (size_t i = 0; i < current.Children.size(); ++i)
    if (current.Children[i].Kind() == BrowseItem_Author && current.Children[i].Ident.ADIdent == adident) return int(i);
  ADD_FAILURE() << "no row of author " << adident;
  return -1;
}

// In a discussion that the leader moderates, the leader discredits a reader, who is told
// to send no more (DO_NOT_BOTHER_MORE); the reader's next comment is ignored and the
// reader told so (YOUR_BLOCKS_IGNORED).
TEST_F(ModeratedCommandKinds, ADiscreditedReaderIsToldToSendNoMoreAndThatItsCommentIsIgnored) {
  Announce(A, {&B}, "Brooks", "Ключи", {"Ключ 1"}, true);
  ASSERT_FALSE(HasFatalFailure());
  TakeModel(A, B, "Brooks");
  ASSERT_FALSE(HasFatalFailure());
  // The reader asks for an author identifier and is given one.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    TFormBrowse& window = OpenDiscussion(s, "Brooks");
    s.Confirm("GENERATE_AUTHOR_IDENTS");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Give my identifier"}));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << B.LastBoxes();
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("AUTHOR_IDENTS_GENERATED");
    Answer(s);
  })) << A.LastBoxes();
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("Author identifier");
    Receive(s);
  })) << B.LastBoxes();
  // The moderator rates the reader discredited among the discussion's experts and tells it.
  ASSERT_TRUE(A.Run([&](TSession& s) {
    TFormBrowse& window = DiscussedFolder(s);
    ASSERT_TRUE(s.Choose(window, {"Moderating"}));
    ASSERT_TRUE(s.Choose(window, {"Show all discussions"}));
    ASSERT_TRUE(s.ChooseInPopup(window, s.FolderRow(window, "Brooks"), {"All experts"}));
    TFormBrowse& experts = s.Window();
    s.Confirm("Author discreditation");  // send DO_NOT_BOTHER_MORE
    s.Confirm("DO_NOT_BOTHER_MORE");
    ASSERT_TRUE(s.ChooseInPopup(experts, AuthorRow(experts, 2), {"Discredited"}));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << A.LastBoxes();
  // The reader is told, and still sends a comment.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("DO_NOT_BOTHER_MORE");
    Receive(s);
    TFormBrowse& window = OpenDiscussion(s, "Brooks");
    ASSERT_TRUE(s.OpenRow(window, "1"));
    s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "Ключ 1 бьёт из-под камня"}});
    ASSERT_TRUE(s.Choose(window, {"Add note"}));
    ASSERT_TRUE(s.ChooseInPopup(window, s.RowOf(window, "Ключ 1 бьёт из-под камня"), {"Post"}));
    s.Key(window, VK_BACK);
    s.Confirm("NEW_BLOCKS");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Send post"}));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << B.LastBoxes();
  EXPECT_NE(B.LastBoxes().find("DO_NOT_BOTHER_MORE: Registration of "), std::string::npos)
      << B.LastBoxes();
  // The moderator's copy ignores the comment and answers so; with no block to add, the
  // moderator is not asked to add one.
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("NEW_BLOCKS");
    Answer(s);
    s.Tell("kept", Tree(*s.Shown(OpenDiscussion(s, "Brooks"))));
  })) << A.LastBoxes();
  EXPECT_EQ(A.Told("kept"), A.Told("model"));
  EXPECT_NE(A.LastBoxes().find("NEW_BLOCKS: 1 comments of discredited authors ignored.\n"), std::string::npos)
      << A.LastBoxes();
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("YOUR_BLOCKS_IGNORED");
    Receive(s);
  })) << B.LastBoxes();
  EXPECT_NE(B.LastBoxes().find("YOUR_BLOCKS_IGNORED: Sended by "), std::string::npos)
      << B.LastBoxes();
}

}  // namespace
}  // namespace e2e
