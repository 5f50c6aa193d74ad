// The moderator's expert commands against the moderation stand-in library: lists of experts
// by trust in new windows, an expert discredited with the notice that tells the author to
// stop, and the moderated comments of discredited experts erased after a question, in one
// undoable step.

#include "Commandstest.h"
#include "Killedsending.h"

#include "browse/Commandcodes.h"
#include "foundation/Commoncrypt.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tlogin.h"
#include "model/Heldsending.h"
#include "model/Modelhooks.h"
#include "model/Tcommandmessage.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Tpanel.h"
#include "platform/kernel/Fileapi.h"
#include "postoffice/Tmoderatecaller.h"
#include "tests/model/Modeltesthelpers.h"
#include "tests/support/Testsupport.h"

#include <filesystem>

namespace commandstest {
namespace {

// The names of the files in a folder.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

const std::string StandIn = std::string(QUILLARAN_BINARY_DIR) + "/app/Leafguard.dll";

class Experts : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    savedLogins = LoginsStorage();
    savedPaths = TBrowseGlobal::Paths;
    logins.Current = logins.AddLogin(TStr("Manager"), TStr("manager@x"));  // holds the moderate right
    LoginsStorage() = &logins;
    ModelHooks().Logins = &logins;  // the post office's handle
    TBrowseGlobal::Moderation = 1;
    ModerateCaller() = &caller;
    RegisterModerationHooks();
    outbox = folder + "/Outbox/";
    std::filesystem::create_directories(outbox);
    TBrowseGlobal::Paths.Outbox = outbox;
  }
  void TearDown() override {
    ModelHooks().CurrentLogin = nullptr;
    ModerateCaller() = nullptr;
    TBrowseGlobal::Moderation = 0;
    LoginsStorage() = savedLogins;
    ModelHooks().Logins = nullptr;
    TBrowseGlobal::Paths = savedPaths;
    CommandsTest::TearDown();
  }

  // A window on the folder of discussions with the row of the second discussion listed in
  // moderation, as the moderator sees it; its moderated comments by three experts rated
  // trustworthy (5), discredited (6 and 7) and one not rated (8).
  TBrowse& Listing() {
    TFormBrowse* form = OpenOn(ecology);
    EXPECT_NE(form, nullptr);
    m = &Discussion(economy);
    EXPECT_TRUE(m->Load());
    m->Info.DIdent = TStr("D-EXPERTS-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    // Moderated by the current login.
    m->Info.ModeratorLoginIdent = 11;
    ModelHooks().CurrentLogin = [] { return TModelLogin{11, TStr("MANAGER_LID"), TStr("manager@x")}; };
    const TDiscBlockIndex top = m->Storages.GetRootBlockIndex();
    for (uint16_t expert : {5, 6, 7, 8}) {
      const int author = m->Authors.CreateAuthor(*m, TStr("EXPERT_" + std::to_string(expert)), expert, 0);
      EXPECT_GE(author, 0);
      m->Authors.Author(author).AutomaticEMail = TStr("expert" + std::to_string(expert) + "@example.org");
      comments.push_back(modeltest::AddBlock(*m, StorageType_ModeratedComments, top, TextType_Premise,
                                             "from " + std::to_string(expert), expert));
    }
    const std::string dident = m->Info.DIdent.ToString();
    EXPECT_EQ(caller.SetAuthorModerateType(dident, 5, ModerateType_Trustworthy), ModerationCall_Done);
    EXPECT_EQ(caller.SetAuthorModerateType(dident, 6, ModerateType_Discredited), ModerationCall_Done);
    EXPECT_EQ(caller.SetAuthorModerateType(dident, 7, ModerateType_Discredited), ModerationCall_Done);
    TBrowse& browse = form->Browse;
    browse.OpenMonoGroup(discussions->DiscussedRoot);
    TBrowseItem row;
    row.Ident.Kind = BrowseItem_Folder;
    row.Ident.Folder = m->FolderIndex;
    row.Moderation = 1;
    row.DiscussionIndex = int16_t(economy);
    browse.CurrentBrowseState.CurrentItem.Children.push_back(row);
    listed = uint16_t(browse.CurrentBrowseState.CurrentItem.Children.size() - 1);
    return browse;
  }
  static std::vector<uint16_t> ListedAuthors(TBrowse& browse) {
    std::vector<uint16_t> authors;
    for (const TBrowseItem& child : browse.CurrentBrowseState.CurrentItem.Children)
      if (child.Kind() == BrowseItem_Author) authors.push_back(child.Ident.ADIdent);
    return authors;
  }

  TLoginsStorage logins;
  TModerateCaller caller{StandIn};
  TDiscussion* m = nullptr;
  std::vector<TDiscBlockIndex> comments;
  uint16_t listed = 0;
  std::string outbox;

 private:
  TLoginsStorage* savedLogins = nullptr;
  TSuitePaths savedPaths;
};

// Each expert a row with the identifier, the name (the address of an expert who published
// no name) and the trust.
TEST_F(Experts, ListsOfExpertsByTrustOpenInNewWindows) {
  UseSystemFonts();
  TBrowse& browse = Listing();
  const int windows = manager->Count();
  ASSERT_TRUE(ChooseInPopup(browse, {listed}, {"Discredited experts"}));
  ASSERT_EQ(manager->Count(), windows + 1);
  TBrowse& discredited = Newest()->Browse;
  EXPECT_EQ(ListedAuthors(discredited), (std::vector<uint16_t>{6, 7}));
  for (const int expert : {6, 7}) {
    const std::string row =
        "[" + std::to_string(expert) + "]  expert" + std::to_string(expert) + "@example.org (Discredited)";
    bool shown = false;
    for (int i = 0; i < discredited.CurrentBrowseState.RowCount() && !shown; ++i)
      shown = RowShowsText(*Newest(), i, row, discredited.Settings->ServiceLineFont);
    EXPECT_TRUE(shown) << row;
  }
  EXPECT_EQ(Newest()->Caption(), discussions->GetFolderPath(m->FolderIndex).ToString() + " Discredited");
  EXPECT_EQ(discredited.ModerationMode, 1);
  EXPECT_EQ(Newest()->PanelUpperBlock->Height(), 0);
  ASSERT_TRUE(ChooseInPopup(browse, {listed}, {"Trustworthy experts"}));
  EXPECT_EQ(ListedAuthors(Newest()->Browse), (std::vector<uint16_t>{5}));
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.Kind(), BrowseItem_Folder) << "the listing stays";
  EXPECT_TRUE(Reports().empty());
}

// The moderator publishes the moderated comments of trusted experts from the listing's
// popup: each becomes a comment sent to the subscribers, and the moderated one is erased.
// A publishing whose message cannot be written (the Outbox is a file) says so and changes
// nothing, in memory or on disk; once the Outbox is back, it publishes.
TEST_F(Experts, EmbeddedCommentsOfTrustedExpertsArePublishedFromThePopup) {
  TBrowse& browse = Listing();
  m->Info.ShowRecipients = 1;
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  const int published = m->Storages.Comments.Count();
  ASSERT_TRUE(m->Save());
  const std::string outboxFolder = outbox.substr(0, outbox.size() - 1);
  std::filesystem::remove_all(outboxFolder);
  testsupport::WriteFile(outboxFolder, "not a folder");
  script.Press("TFormCommandMessageHeader", "ButtonOk");
  Answer(0);  // Yes, publish
  Answer(0);  // the failure told
  ASSERT_TRUE(ChooseInPopup(browse, {listed}, {"Publish embedded comments"}));
  EXPECT_EQ(Boxes().back().Caption, "PUBLISHING");
  EXPECT_EQ(Boxes().back().Message.rfind("The message " + outbox, 0), 0u) << Boxes().back().Message;
  EXPECT_TRUE(Boxes().back().Message.ends_with(
      " is a file).\nNothing was sent: the moderated comments are as they were.\nChoose \"Publish embedded comments\" "
      "again once the cause is mended."))
      << Boxes().back().Message;
  EXPECT_TRUE(Reports().empty()) << "not the window that ends the program";
  for (int i = published; i < m->Storages.Comments.Count(); ++i) EXPECT_FALSE(m->Storages.Comments.Block(i).IsAlive());
  EXPECT_EQ(m->Storages.GetDiscBlock(comments[0])->DeleteFlag, DeleteFlag_Alive);
  {
    TDiscussion saved;
    saved.Folder = m->Folder;
    ASSERT_TRUE(saved.Load());
    const TDiscBlock* kept = saved.Storages.GetDiscBlock(comments[0]);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->DeleteFlag, DeleteFlag_Alive);
    EXPECT_EQ(saved.Storages.Comments.Count(), published);
  }
  Boxes().clear();
  std::filesystem::remove(outboxFolder);
  ASSERT_TRUE(std::filesystem::create_directory(outboxFolder));

  script.Press("TFormCommandMessageHeader", "ButtonOk");
  Answer(0);  // Yes, publish
  Answer(0);  // the message is announced
  ASSERT_TRUE(ChooseInPopup(browse, {listed}, {"Publish embedded comments"}));
  EXPECT_EQ(Boxes().front().Message, "There are 1 embedded comments.\nDo you want to publish them?");
  const int made = m->Storages.Comments.Count() - 1;
  ASSERT_GE(made, published);
  EXPECT_TRUE(m->Storages.Comments.Block(made).IsAlive());
  EXPECT_EQ(m->Storages.Comments.Block(made).ADIdent, 5);
  EXPECT_EQ(m->Storages.GetDiscBlock(comments[0])->DeleteFlag, DeleteFlag_Erased);
  EXPECT_EQ(m->Storages.GetDiscBlock(comments[1])->DeleteFlag, DeleteFlag_Alive) << "a discredited expert's stays";
  const std::vector<std::string> files = FilesIn(outbox);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(files[0].find("-NB-"), std::string::npos) << files[0];
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_TRUE(Reports().empty());
}

// A publishing whose message cannot be moved into the Outbox once the discussion is saved:
// the moderated comment waits again, and the moderation library counts it again as waiting.
// Killed at every step instead, the publishing is done once or not at all at the next start.
TEST_F(Experts, APublishingThatFailsOrIsKilledPublishesOnceOrNotAtAll) {
  TBrowse& browse = Listing();
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  ASSERT_TRUE(m->Save());
  const std::string dident = m->Info.DIdent.ToString();
  m->UpdateModeratedCommentsCount();
  const auto counts = [&] {
    int32_t trustworthy = -1, doubtful = -1;
    EXPECT_EQ(caller.GetModeratedCommentsCountByDIdent(dident, trustworthy, doubtful), ModerationCall_Done);
    return std::pair(trustworthy, doubtful);
  };
  ASSERT_EQ(counts(), std::pair(1, 1));
  const auto publish = [&](int boxes) {
    script.Press("TFormCommandMessageHeader", "ButtonOk");
    for (int i = 0; i < boxes; ++i) Answer(0);  // Yes, publish; the message announced; the failure told
    ChooseInPopup(browse, {listed}, {"Publish embedded comments"});
  };
  static std::string discussionFolder;
  discussionFolder = platform::SystemPath(m->Folder.ToString());
  platform::WatchFileCalls([](const char* call, const std::string& path) {
    if (std::string(call) == "SyncFolder" && path == discussionFolder) platform::RefuseFileNames("-NB-", EIO);
  });
  publish(3);
  platform::WatchFileCalls(nullptr);
  platform::RefuseFileNames("", 0);
  ASSERT_FALSE(Boxes().empty());
  const std::string told = Boxes().back().Message;
  EXPECT_EQ(told.rfind("The message " + outbox, 0), 0u) << told;
  EXPECT_NE(told.find(" could not be moved into the Outbox ("), std::string::npos) << told;
  EXPECT_TRUE(
      told.ends_with(").\nNothing was sent: the moderated comments are as they were.\nChoose \"Publish "
                     "embedded comments\" again once the cause is mended."))
      << told;
  EXPECT_EQ(counts(), std::pair(1, 1)) << "the comment waits, and is counted, again";
  EXPECT_EQ(m->Storages.GetDiscBlock(comments[0])->DeleteFlag, DeleteFlag_Alive);
  EXPECT_TRUE(FilesIn(outbox).empty());

  const std::string saved = m->Folder.ToString();
  const std::string pristine = outbox + "../pristine";
  std::filesystem::copy(saved, pristine, std::filesystem::copy_options::recursive);
  const std::string records = outbox + "../Sending";
  int published = 0, kept = 0;
  const int steps = KillAtEveryStep(
      [&] {
        std::filesystem::remove_all(saved);
        std::filesystem::copy(pristine, saved, std::filesystem::copy_options::recursive);
        for (const std::string& file : FilesIn(outbox)) std::filesystem::remove(outbox + file);
      },
      [&] { publish(2); },
      [&](int step, bool finished) {
        SettleHeldSendings();
        const std::string when = finished ? std::string("finished") : "killed at step " + std::to_string(step);
        TDiscussion reloaded;
        reloaded.Folder = m->Folder;
        ASSERT_TRUE(LoadAfterKill(reloaded)) << when;
        const bool erased = reloaded.Storages.GetDiscBlock(comments[0])->DeleteFlag == DeleteFlag_Erased;
        std::vector<std::string> messages, waiting;
        for (const std::string& file : FilesIn(outbox)) (file.ends_with("~") ? waiting : messages).push_back(file);
        EXPECT_EQ(messages.size(), erased ? 1u : 0u) << when;
        if (erased) {
          EXPECT_TRUE(waiting.empty()) << when;
        }
        EXPECT_TRUE(!std::filesystem::exists(records) || std::filesystem::is_empty(records)) << when;
        EXPECT_TRUE(erased || !finished) << when;
        (erased ? published : kept) += 1;
      });
  RecordProperty("steps", steps);
  RecordProperty("published", published);
  RecordProperty("not_published", kept);
  EXPECT_GT(published, 1);
  EXPECT_GT(kept, 1);
  std::filesystem::remove_all(pristine);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Experts, ADiscreditedExpertIsToldToStopWhenTheModeratorWishes) {
  TBrowse& browse = Listing();
  ASSERT_TRUE(ChooseInPopup(browse, {listed}, {"Trustworthy experts"}));
  TBrowse& list = Newest()->Browse;
  ASSERT_EQ(ListedAuthors(list), (std::vector<uint16_t>{5}));
  browsetest::TRecorder heard;
  // Discredited, and No: the rating changes, no notice is written.
  Answer(1);
  ASSERT_TRUE(ChooseInPopup(list, {0}, {"Set the expert as", "Discredited"}));
  int32_t trust = 0;
  ASSERT_EQ(caller.GetAuthorModerateType(m->Info.DIdent.ToString(), 5, trust), ModerationCall_Done);
  EXPECT_EQ(trust, ModerateType_Discredited);
  EXPECT_EQ(Boxes().back().Caption, "Author discreditation");
  EXPECT_EQ(Boxes().back().Message, "Do you want to send DO_NOT_BOTHER_MORE command message to this author?");
  EXPECT_GE(heard.Count(8), 1);
  EXPECT_TRUE(FilesIn(outbox).empty());
  // Doubtful, then discredited again with Yes: one sealed notice to the author's address.
  ASSERT_TRUE(ChooseInPopup(list, {0}, {"Set the expert as", "Doubtful"}));
  ASSERT_EQ(caller.GetAuthorModerateType(m->Info.DIdent.ToString(), 5, trust), ModerationCall_Done);
  EXPECT_EQ(trust, ModerateType_Doubtful);
  Answer(0);
  Answer(0);  // the notice is composed and signed
  ASSERT_TRUE(ChooseInPopup(list, {0}, {"Set the expert as", "Discredited"}));
  const std::vector<std::string> files = FilesIn(outbox);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(files[0].find("DBM"), std::string::npos) << files[0];
  HANDLE file = CreateFileA((outbox + files[0]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  TCommandMessageHeader header;
  {
    TBufReader reader(file);
    ASSERT_TRUE(header.Read(reader));
  }
  EXPECT_TRUE(VerifyFileSign(file, header));
  CloseHandle(file);
  EXPECT_EQ(header.GetFieldValue("COMMAND"), "DO_NOT_BOTHER_MORE");
  EXPECT_EQ(header.GetFieldValue("FROM_USER_EMAIL"), "manager@x");
  EXPECT_EQ(header.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "expert5@example.org");
  EXPECT_EQ(header.GetFieldValue("DIDENT"), m->Info.DIdent.ToString());
  EXPECT_EQ(header.GetFieldValue("YOUR_ADIDENT"), "5");
  EXPECT_FALSE(header.GetFieldValue("COMPOSE_DATETIME").empty());
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Experts, CommentsOfDiscreditedExpertsAreErasedAfterAQuestionInOneStep) {
  TBrowse& browse = Listing();
  // A recycled comment counts; an erased one does not.
  m->Storages.GetDiscBlock(comments[2])->SetDeleteFlag(*m, comments[2], DeleteFlag_Recycled, 0);
  const TDiscBlockIndex erased =
      modeltest::AddBlock(*m, StorageType_ModeratedComments, m->Storages.GetRootBlockIndex(), TextType_Premise, "old", 6);
  m->Storages.GetDiscBlock(erased)->SetDeleteFlag(*m, erased, DeleteFlag_Erased, 0);
  const std::string question =
      "There is(are) 2 block(s) for erasing.\nAre you sure you want to erase this blocks and its lower blocks?";
  Answer(1);
  ASSERT_TRUE(ChooseInPopup(browse, {listed}, {"Erase comments of discredited experts"}));
  EXPECT_EQ(Boxes().back().Caption, "ERASING MODERATED COMMENTS");
  EXPECT_EQ(Boxes().back().Message, question);
  EXPECT_EQ(m->Storages.GetDiscBlock(comments[1])->DeleteFlag, DeleteFlag_Alive) << "No changes nothing";

  browsetest::TRecorder heard;
  Answer(0);
  ASSERT_TRUE(ChooseInPopup(browse, {listed}, {"Erase comments of discredited experts"}));
  EXPECT_EQ(m->Storages.GetDiscBlock(comments[1])->DeleteFlag, DeleteFlag_Erased);
  EXPECT_EQ(m->Storages.GetDiscBlock(comments[2])->DeleteFlag, DeleteFlag_Erased);
  EXPECT_EQ(m->Storages.GetDiscBlock(comments[0])->DeleteFlag, DeleteFlag_Alive) << "a trustworthy expert's";
  EXPECT_EQ(m->Storages.GetDiscBlock(comments[3])->DeleteFlag, DeleteFlag_Alive) << "a not rated expert's";
  EXPECT_GE(heard.Count(10), 1);
  // One undo brings both back as they were.
  ASSERT_TRUE(m->Undo.UndoStep(*m));
  EXPECT_EQ(m->Storages.GetDiscBlock(comments[1])->DeleteFlag, DeleteFlag_Alive);
  EXPECT_EQ(m->Storages.GetDiscBlock(comments[2])->DeleteFlag, DeleteFlag_Recycled);
  EXPECT_EQ(m->Storages.GetDiscBlock(erased)->DeleteFlag, DeleteFlag_Erased);

  // With none left to erase, the entry is gone from the menu; run anyway, it says so.
  for (const TDiscBlockIndex block : {comments[1], comments[2]})
    m->Storages.GetDiscBlock(block)->SetDeleteFlag(*m, block, DeleteFlag_Erased, 0);
  EXPECT_FALSE(ChooseInPopup(browse, {listed}, {"Erase comments of discredited experts"}));
  Answer(0);
  Run(browse, Command_EraseDiscreditedComments, {listed}, "", ModerateType_Discredited);
  EXPECT_EQ(Boxes().back().Message, "There are no moderated comments for erasing!");
  EXPECT_TRUE(Reports().empty());
}

}  // namespace
}  // namespace commandstest
