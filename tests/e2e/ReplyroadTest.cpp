// A participant comments and the leader answers under the comment, as the help teaches:
// the answer reaches every participant with the comment it hangs under, linked, whoever
// had the comment before and whoever had not.

#include "tests/e2e/Installation.h"
#include "tests/e2e/Roads.h"

#include "browse/Tformbrowse.h"
#include "model/Tdiscussion.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace e2e {
namespace {

class ReplyRoad : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(TMailServers::Get().SmtpPort, 0) << "the mail server fixture did not run"; }
  const std::string Folder = testsupport::ScratchFolder();
  TInstallation A{Folder + "/A", "Анна", "replya", "anna's key 7"};
  TInstallation B{Folder + "/B", "Борис", "replyb", "boris's key 7"};
  TInstallation C{Folder + "/C", "Вера", "replyc", "vera's key 77"};
};

// Answers the comment `comment` under the model block `block` with a note, posted and sent
// to all as the leader does.
void AnswerToAll(TSession& s, const std::string& block, const std::string& comment, const std::string& text) {
  TFormBrowse& window = OpenDiscussion(s, "Seas");
  PostNote(s, window, {block, comment}, text);
  s.Confirm("SENDING POST");  // the note becomes a comment
  s.Confirm("NEW_BLOCKS");
  ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Send post (to all)"}));
}

size_t Lines(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

// B comments block 1; A receives the comment and answers under it twice, each answer sent
// to all. B, who wrote the comment, and C, who never had it, hold the comment and both
// answers linked under it; nothing is erased and no box is shown beyond the questions to
// add the blocks and the count of those added: the comment that comes again under the
// second answer is skipped quietly, and the question to add the second answer counts it
// alone, as the count of those added does.
TEST_F(ReplyRoad, AnAnswerUnderAParticipantsCommentReachesEveryoneWithTheComment) {
  Announce(A, {&B, &C}, "Seas", "Моря", {"Море 1", "Море 2"});
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_NO_FATAL_FAILURE(TakeModel(A, {&B, &C}, "Seas"));
  for (TInstallation* reader : {&B, &C}) EXPECT_EQ(reader->Told("model"), A.Told("model"));

  // B is given an author identifier, comments block 1 and sends the comment to A.
  ASSERT_NO_FATAL_FAILURE(GrantAuthorIdentifier(B, A, "Seas", false));
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("Author identifier");
    Receive(s);
    TFormBrowse& window = OpenDiscussion(s, "Seas");
    PostNote(s, window, {"1"}, "Море 1 глубокое");
    SendPostToLeader(s, window);
  })) << B.LastBoxes();

  // A takes the comment, answers under it and sends the answer to all; then answers again.
  ASSERT_TRUE(A.Run([&](TSession& s) {
    ReceiveNewBlocks(s);
    s.Confirm("AUTHORS_UPDATE");  // the authors go with each post to all
    s.Confirm("AUTHORS_UPDATE");
    AnswerToAll(s, "1", "1-1", "Глубже всех");
    AnswerToAll(s, "1", "1-1", "Зимой замерзает");
    s.Tell("sent", Tree(*s.Shown(OpenDiscussion(s, "Seas"))));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << A.LastBoxes();
  const std::string thread = "2|1-1|1|Море 1 глубокое\n2|0-1|1-1|Глубже всех\n2|0-2|1-1|Зимой замерзает\n";
  EXPECT_NE(A.Told("sent").find(A.Told("model").substr(0, A.Told("model").size()) + thread), std::string::npos)
      << A.Told("sent");

  for (TInstallation* reader : {&B, &C}) {
    ASSERT_TRUE(reader->Run([&](TSession& s) {
      s.Confirm("AUTO-HANDLING");
      s.Confirm("NEW_BLOCKS");  // the first answer with the comment
      s.Confirm("NEW_BLOCKS");  // the second answer, the comment again
      s.Confirm("New blocks");
      Receive(s);
      s.Tell("read", Tree(*s.Shown(OpenDiscussion(s, "Seas"))));
    })) << reader->LastBoxes();
    EXPECT_EQ(reader->Told("read").substr(0, A.Told("model").size() + thread.size()), A.Told("model") + thread)
        << reader->Told("read");
    const std::string boxes = reader->LastBoxes();
    EXPECT_EQ(Lines(boxes), 4u) << boxes;
    EXPECT_NE(boxes.find("NEW_BLOCKS: Add 2 blocks to model 'Моря'?\nNEW_BLOCKS: Add 1 blocks to model 'Моря'?\n"),
              std::string::npos)
        << boxes;
    EXPECT_NE(boxes.find("New blocks: There are 3 blocks added."), std::string::npos) << boxes;
  }

  // A published text is amended where it is seen: B's comment stands in the place of the
  // note it was made of, and "Edit" from its row amends the note, whose row comes back
  // with the amended text; posted and sent to the leader, the amended text reaches A. A
  // amends its first answer the same way and sends it to all: C receives it.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    TFormBrowse& window = OpenDiscussion(s, "Seas");
    ASSERT_TRUE(s.OpenRow(window, "1"));
    s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "Море 1 очень глубокое"}});
    ASSERT_TRUE(s.ChooseInPopup(window, s.RowOf(window, "Море 1 глубокое"), {"Edit"}));
    ASSERT_TRUE(s.ChooseInPopup(window, s.RowOf(window, "Море 1 очень глубокое"), {"Post"}));
    s.Key(window, VK_BACK);
    SendPostToLeader(s, window);
  })) << B.LastBoxes();
  ASSERT_TRUE(A.Run([&](TSession& s) {
    ReceiveNewBlocks(s);
    TFormBrowse& window = OpenDiscussion(s, "Seas");
    ASSERT_TRUE(s.OpenRow(window, "1"));
    ASSERT_TRUE(s.OpenRow(window, "1-1"));
    s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "Глубже всех морей"}});
    ASSERT_TRUE(s.ChooseInPopup(window, s.RowOf(window, "Глубже всех"), {"Edit"}));
    ASSERT_TRUE(s.ChooseInPopup(window, s.RowOf(window, "Глубже всех морей"), {"Post"}));
    s.Key(window, VK_BACK);
    s.Key(window, VK_BACK);
    s.Confirm("AUTHORS_UPDATE");
    s.Confirm("SENDING POST");  // the note becomes a comment
    s.Confirm("NEW_BLOCKS");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Send post (to all)"}));
    s.Tell("amended", Tree(*s.Shown(window)));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << A.LastBoxes();
  EXPECT_NE(A.Told("amended").find("2|1-2|1|Море 1 очень глубокое\n"), std::string::npos) << A.Told("amended");
  EXPECT_NE(A.Told("amended").find("2|0-3|1-1|Глубже всех морей\n"), std::string::npos) << A.Told("amended");
  ASSERT_TRUE(C.Run([&](TSession& s) {
    ReceiveNewBlocks(s);
    s.Tell("read", Tree(*s.Shown(OpenDiscussion(s, "Seas"))));
  })) << C.LastBoxes();
  EXPECT_NE(C.Told("read").find("2|0-3|1-1|Глубже всех морей\n"), std::string::npos) << C.Told("read");
}

}  // namespace
}  // namespace e2e
