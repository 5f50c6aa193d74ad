// A discussion moderated by another installation than its leader's: the moderator's copy
// knows the moderator as its own login, participants' comments wait there, and what the
// moderator publishes reaches every participant once, linked under its block.

#include "tests/e2e/Installation.h"
#include "tests/e2e/Roads.h"

#include "browse/Tformbrowse.h"
#include "model/Tdiscussion.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <string>

namespace e2e {
namespace {

class ModeratorRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(TMailServers::Get().SmtpPort, 0) << "the mail server fixture did not run";
    // M may moderate: the moderation library lies in its data root.
    testsupport::Run("mkdir -p '" + M.Home + "/Library' && cp '" + std::string(QUILLARAN_BINARY_DIR) +
                     "/app/Leafguard.so' '" + M.Home + "/Library/'");
  }
  const std::string Folder = testsupport::ScratchFolder();
  TInstallation A{Folder + "/A", "Анна", "modera", "anna's key 7"};
  TInstallation M{Folder + "/M", "Марк", "moderb", "mark's key 7"};
  TInstallation B{Folder + "/B", "Борис", "moderc", "boris's key 7"};
  TInstallation C{Folder + "/C", "Вера", "moderd", "vera's key 77"};
};

// Moderated comments waiting, one a line: name, upper block's name, text.
std::string WaitingComments(TDiscussion& d) {
  std::string list;
  const TBlocksStorage& storage = d.Storages.ModeratedComments;
  for (int i = 0; i < storage.Count(); ++i) {
    const TDiscBlock& block = storage.Block(i);
    if (!block.IsAlive()) continue;
    const TDiscBlock* upper = d.Storages.GetDiscBlock(block.Upper);
    list += block.GetBlockName(d).ToString() + "|" + (upper ? upper->GetBlockName(d).ToString() : "") + "|" +
            d.Storages.GetStrHashItem({StorageType_ModeratedComments, uint16_t(i)})->Str.Text.ToString() + "\n";
  }
  return list;
}

// In the moderation listing, publishes the comments waiting in the discussion "Bays".
void Publish(TSession& s) {
  TFormBrowse& window = DiscussedFolder(s);
  ASSERT_TRUE(s.Choose(window, {"Moderating"}));
  s.Confirm("PUBLISHING");  // publish them
  s.Confirm("NEW_BLOCKS");
  s.Confirm("AUTHORS_UPDATE");
  ASSERT_TRUE(s.ChooseInPopup(window, s.FolderRow(window, "Bays"), {"Publish embedded comments"}));
  ASSERT_TRUE(s.Choose(window, {"Browsing"}));
}

// A leads a discussion that M moderates; B and C take part. B's comment waits at M, who
// cannot answer it before publishing it; published, it reaches A, B and C once, linked
// under its block. A's answer under it goes the same way.
TEST_F(ModeratorRoad, AModeratorApartFromTheLeaderPublishesCommentsThatReachEveryoneOnce) {
  // A creates the discussion and asks M to moderate it.
  ASSERT_TRUE(A.Run([&](TSession& s) {
    TFormBrowse& folders = s.Window();
    ASSERT_TRUE(s.OpenRow(folders, "Discussed"));
    s.Script.Press("Edit advertising list", "Button1", {{"MemoAddresses", B.Address() + "\r\n" + C.Address()}});
    ASSERT_TRUE(s.Choose(folders, {"Edit advertising list"}));
    ASSERT_TRUE(s.Choose(folders, {"Creating"}));
    s.Script.Press("Enter Nickname", "ButtonOk", {{"EditValue", "Bays"}});
    ASSERT_TRUE(s.Choose(folders, {"Create new model", "Empty"}));
    TFormBrowse& created = s.Window();
    s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "Заливы"}});
    ASSERT_TRUE(s.ChooseInPopup(created, -1, {"Edit"}));
    s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "Залив 1"}});
    ASSERT_TRUE(s.Choose(created, {"Add block"}));
    s.Script.Press("Forming Model", "ButtonOk", {{"EditValue", "Bays"}});
    ASSERT_TRUE(s.Choose(created, {"Service", "Form published model"}));
    TFormBrowse& published = s.Window();
    s.Script.Press("Moderator's E-Mail", "ButtonOk", {{"EditValue", M.Address()}});
    s.Confirm("REGISTRATE_MODEL");
    ASSERT_TRUE(s.Choose(published, {"Service", "Form post command", "Registrate model"}));
    s.Tell("model", Tree(*s.Shown(published)));
    ASSERT_TRUE(s.Choose(folders, {"Discussing"}));
    s.Confirm("AUTO-HANDLING");
    Send(s);
    s.Confirm("CLOSING DISCUSSION");
  })) << A.LastBoxes();
  // M's library registers the model; A takes the answer and sends M the model, then
  // announces the discussion to B and C.
  ASSERT_TRUE(M.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("MODEL_REGISTRATION");  // the library's answer is written
    Answer(s);
  })) << M.LastBoxes();
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("MODEL_REGISTRATION");
    s.Confirm("FORM_NEW_MODEL");  // the model, to M
    Receive(s);
    TFormBrowse& window = OpenDiscussion(s, "Bays");
    s.Confirm("NEW_ANNOTATION");
    s.Confirm("NEW_ANNOTATION");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Annotation"}));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << A.LastBoxes();
  EXPECT_NE(A.LastBoxes().find("Registration result: SUCCESSFUL"), std::string::npos) << A.LastBoxes();
  // M forms its copy, which it moderates.
  ASSERT_TRUE(M.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Script.Press("Forming new model", "ButtonOk", {{"EditValue", "Bays"}});
    s.Confirm("FORM_NEW_MODEL");
    s.Confirm("MODEL IS CREATED");
    Receive(s);
    TDiscussion* copy = s.Shown(OpenDiscussion(s, "Bays"));
    ASSERT_NE(copy, nullptr);
    s.Tell("model", Tree(*copy));
    s.Tell("moderator", copy->IsModerator() ? "here" : "elsewhere");
    TFormBrowse& window = DiscussedFolder(s);
    ASSERT_TRUE(s.Choose(window, {"Moderating"}));
    ASSERT_TRUE(s.Choose(window, {"Show all discussions"}));
    s.Tell("listed", std::to_string(s.FolderRow(window, "Bays")));
    ASSERT_TRUE(s.Choose(window, {"Browsing"}));
  })) << M.LastBoxes();
  EXPECT_EQ(M.Told("moderator"), "here");
  EXPECT_EQ(M.Told("model"), A.Told("model"));
  EXPECT_NE(M.Told("listed"), "-1");

  // B and C ask for the discussion, which M sends them; B asks M for an identifier.
  ASSERT_NO_FATAL_FAILURE(TakeModel(M, {&B, &C}, "Bays"));
  for (TInstallation* reader : {&B, &C}) EXPECT_EQ(reader->Told("model"), A.Told("model"));
  ASSERT_NO_FATAL_FAILURE(GrantAuthorIdentifier(B, M, "Bays", true));

  // B comments block 1 and sends the comment to M.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("Author identifier");
    Receive(s);
    TFormBrowse& window = OpenDiscussion(s, "Bays");
    PostNote(s, window, {"1"}, "Залив 1 мелкий");
    SendPostToLeader(s, window);
  })) << B.LastBoxes();

  // At M the comment waits. An answer under it cannot go before it is published, and M is
  // told why; published, it goes to all.
  ASSERT_TRUE(M.Run([&](TSession& s) {
    ReceiveNewBlocks(s);
    TFormBrowse& window = OpenDiscussion(s, "Bays");
    s.Tell("waiting", WaitingComments(*s.Shown(window)));
    s.Confirm("NOT PUBLISHED");
    PostNote(s, window, {"1", "2-1M"}, "Не мельче других");
    Publish(s);
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << M.LastBoxes();
  EXPECT_EQ(M.Told("waiting"), "2-1M|1|Залив 1 мелкий\n");
  EXPECT_NE(M.LastBoxes().find("NOT PUBLISHED: Block <"), std::string::npos) << M.LastBoxes();
  EXPECT_NE(M.LastBoxes().find("> answers moderated comment <2-1M>, which is not published yet;\nit can't be posted."),
            std::string::npos)
      << M.LastBoxes();

  // A, B and C hold the comment once, under block 1; A answers under it, to M.
  const std::string comment = "2|2-1|1|Залив 1 мелкий\n";
  for (TInstallation* reader : {&A, &B, &C}) {
    ASSERT_TRUE(reader->Run([&](TSession& s) {
      ReceiveNewBlocks(s);
      TFormBrowse& window = OpenDiscussion(s, "Bays");
      s.Tell("published", Tree(*s.Shown(window)));
      if (reader != &A) return;
      PostNote(s, window, {"1", "2-1"}, "Зато тёплый");
      SendPostToLeader(s, window);
    })) << reader->LastBoxes();
    EXPECT_EQ(reader->Told("published").substr(0, A.Told("model").size() + comment.size()), A.Told("model") + comment)
        << reader->Told("published");
  }

  // M publishes A's answer; everyone holds it under the comment, and the comment once.
  ASSERT_TRUE(M.Run([&](TSession& s) {
    ReceiveNewBlocks(s);
    s.Tell("waiting", WaitingComments(*s.Shown(OpenDiscussion(s, "Bays"))));
    Publish(s);
    s.Confirm("AUTO-HANDLING");
    Send(s);
    s.Tell("published", Tree(*s.Shown(OpenDiscussion(s, "Bays"))));
  })) << M.LastBoxes();
  EXPECT_EQ(M.Told("waiting"), "0-1M|2-1|Зато тёплый\n");
  const std::string thread = comment + "2|0-1|2-1|Зато тёплый\n";
  EXPECT_EQ(M.Told("published").substr(0, A.Told("model").size() + thread.size()), A.Told("model") + thread)
      << M.Told("published");
  for (TInstallation* reader : {&A, &B, &C}) {
    ASSERT_TRUE(reader->Run([&](TSession& s) {
      ReceiveNewBlocks(s);
      s.Tell("answered", Tree(*s.Shown(OpenDiscussion(s, "Bays"))));
    })) << reader->LastBoxes();
    EXPECT_EQ(reader->Told("answered").substr(0, A.Told("model").size() + thread.size()), A.Told("model") + thread)
        << reader->Told("answered");
  }
}

}  // namespace
}  // namespace e2e
