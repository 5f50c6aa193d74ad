// "Send post" stopped at any instant, and a sending whose take-back cannot be saved: the
// next start finds the post sent once (the discussion saying so, its message in the Outbox)
// or not sent (the post list, the note and the numbers as before, no message), never a
// discussion that says sent without its message.

#include "Killedsending.h"
#include "Sendingtest.h"

#include "browse/Commandcodes.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "model/Heldsending.h"
#include "model/Tdiscussion.h"
#include "postoffice/Tpost.h"
#include "platform/kernel/Fileapi.h"
#include "tests/model/Modeltesthelpers.h"
#include "tests/support/Testsupport.h"

#include <filesystem>

namespace commandstest {
namespace {

namespace fs = std::filesystem;

class SendingCrash : public SendingTest {
 protected:
  void TearDown() override {
    platform::WatchFileCalls(nullptr);
    platform::RefuseFileNames("", 0);
    TDiscussion::CrashBeforeSaveStep = 0;
    SendingTest::TearDown();
  }

  // The leader's window, a subscriber, and a note on the post list, all saved.
  void Prepare() {
    form = OpenAsLeader();
    ASSERT_NE(form, nullptr);
    AddSubscriber("Ant", "a@x.org", 1);
    ASSERT_TRUE(d->User.PostLists.AddNewItem(*d));
    note = modeltest::AddBlock(*d, StorageType_Notes, b, TextType_Premise, "my note");
    d->User.PostLists.Items[0].Blocks.AddItem(d->Storages.GetDiscBlock(note)->GetDiscBlockCode());
    ASSERT_TRUE(d->Save());
    me = d->Authors.FindAuthorByADIdent(ModelAuthorADIdent);
    counter = d->Authors.Author(me).CommentCounter;
  }

  void SendPost() {
    Answer(0);  // Yes, the note becomes a comment
    Answer(0);  // the message is announced
    Run(form->Browse, Command_SendPost, {}, "", 0);
  }

  // The program starts again: waiting sendings are settled, then the post office starts
  // and reads its Outbox.
  void Start() {
    SettleHeldSendings();
    office.reset();
    office = std::make_unique<TPostOffice>();
    ASSERT_TRUE(office->Start());
    office->Post()->Outbox.Refresh(*office->Post());
  }

  static std::vector<std::string> Records() {
    std::vector<std::string> names;
    const std::string folder = TBrowseGlobal::Paths.Outbox + "../Sending";
    if (fs::exists(folder))
      for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
  }

  // What the saved discussion and the Outbox say: true for sent, false for not sent; a
  // failure for anything between.
  bool SentOnceOrNotAtAll(const std::string& when) {
    TDiscussion saved;
    saved.Folder = d->Folder;
    if (!LoadAfterKill(saved) || saved.User.PostLists.Items.Count() == 0) {
      ADD_FAILURE() << when << ": the saved discussion does not load";
      return false;
    }
    const TBlocksPostListItem& list = saved.User.PostLists.Items[0];
    const bool sent = list.SentDate != 0;
    const std::vector<std::string> files = Outbox();
    EXPECT_TRUE(Records().empty()) << when;
    if (!sent) {
      EXPECT_TRUE(files.empty()) << when << ": " << (files.empty() ? "" : files[0]);
      EXPECT_EQ(list.Blocks.Count(), 1u) << when;
      EXPECT_EQ(saved.Storages.GetDiscBlock(note)->Posted, 0) << when;
      EXPECT_EQ(saved.Authors.Author(me).CommentCounter, counter) << when;
      return false;
    }
    EXPECT_EQ(list.Blocks.Count(), 0u) << when;
    EXPECT_EQ(saved.Storages.GetDiscBlock(note)->Posted, 1) << when;
    EXPECT_EQ(saved.Authors.Author(me).CommentCounter, counter + 1) << when;
    EXPECT_EQ(files.size(), 1u) << when << ": the post's message, once";
    for (const std::string& file : files) {
      TCommandMessageHeader header;
      std::vector<std::string> names;
      EXPECT_TRUE(ReadMessage(file, "NEW_BLOCKS", header, &names)) << when << ": " << file;
      const TDiscBlockIndex made = saved.Storages.FindDiscBlockIndexByName(names.size() == 1 ? names[0] : "");
      EXPECT_EQ(made.StorageType, StorageType_Comments) << when << ": the message names the saved comment";
      if (made.StorageType == StorageType_Comments) {
        EXPECT_EQ(saved.Storages.GetStrHashItem(made)->Str.Text, "my note") << when;
      }
    }
    return true;
  }

  TFormBrowse* form = nullptr;
  TDiscBlockIndex note;
  int me = -1;
  uint16_t counter = 0;
};

// Killed at every file move and folder sync of "Send post": after the message is written,
// after its record, in the middle of the save and after it, around the move into the
// Outbox. The next start sends the post once or leaves it unsent, and deletes nothing the
// saved discussion says went.
TEST_F(SendingCrash, AKilledSendPostIsSentOnceOrNotAtAll) {
  Prepare();
  const std::string saved = d->Folder.ToString();
  const std::string pristine = TBrowseGlobal::Paths.Outbox + "../pristine";
  fs::copy(saved, pristine, fs::copy_options::recursive);
  const auto restore = [&] {
    fs::remove_all(saved);
    fs::copy(pristine, saved, fs::copy_options::recursive);
    for (const std::string& file : Outbox()) fs::remove(TBrowseGlobal::Paths.Outbox + file);
  };
  int sent = 0, unsent = 0;
  const int steps = KillAtEveryStep(
      restore, [&] { SendPost(); },
      [&](int step, bool finished) {
        Start();
        const std::string when = finished ? std::string("finished") : "killed at step " + std::to_string(step);
        const bool went = SentOnceOrNotAtAll(when);
        EXPECT_TRUE(went || !finished) << when;
        (went ? sent : unsent) += 1;
        // A second start changes nothing.
        const std::vector<std::string> files = Outbox();
        Start();
        EXPECT_EQ(Outbox(), files) << when;
      });
  RecordProperty("steps", steps);
  RecordProperty("sent", sent);
  RecordProperty("not_sent", unsent);
  EXPECT_GT(steps, 20) << "the save's steps were among them";
  EXPECT_GT(sent, 1) << "killed after the save, the post goes at the next start";
  EXPECT_GT(unsent, 1);
  EXPECT_TRUE(Reports().empty());
  fs::remove_all(pristine);
}

// The move into the Outbox fails after the save, and so does the save of the take-back:
// the box says what the saved files still say and what to do. The messages wait, untouched
// by the post office, until the discussion is saved: then they are gone, and nothing was
// sent, as the window said.
TEST_F(SendingCrash, ATakeBackWhoseSaveFailsSaysSoAndTheNextSaveSettlesIt) {
  Prepare();
  static std::string discussionFolder;
  discussionFolder = platform::SystemPath(d->Folder.ToString());
  // Once the sending's save is done, the Outbox refuses the message and the disk every save.
  platform::WatchFileCalls([](const char* call, const std::string& path) {
    if (std::string(call) == "SyncFolder" && path == discussionFolder) {
      platform::RefuseFileNames("-NB-", EIO);
      TDiscussion::CrashBeforeSaveStep = 1;
    }
  });
  Answer(0);  // Yes, the note becomes a comment
  Answer(0);  // the message is announced
  Answer(0);  // the failure told
  Run(form->Browse, Command_SendPost, {}, "", 0);
  platform::WatchFileCalls(nullptr);
  platform::RefuseFileNames("", 0);
  TDiscussion::CrashBeforeSaveStep = 0;

  ASSERT_FALSE(Boxes().empty());
  const std::string told = Boxes().back().Message;
  EXPECT_EQ(Boxes().back().Caption, "SENDING POST");
  EXPECT_EQ(told.rfind("The message " + TBrowseGlobal::Paths.Outbox, 0), 0u) << told;
  const std::string rest =
      ").\nNothing was sent, and here the post list and its notes are as they were; but the discussion could not be "
      "saved so (errors.log tells why): its saved files still say the post went, and its messages wait for its next "
      "save.\nSave the discussion (\"Save\") once the cause is mended, then send the post again. Should the program "
      "end before that save, the post goes out at its next start, as the saved files say.";
  EXPECT_TRUE(told.ends_with(rest)) << told;
  EXPECT_NE(told.find(" could not be moved into the Outbox ("), std::string::npos) << told;
  EXPECT_EQ(told.find(".)."), std::string::npos) << told;
  // Here the sending is taken back.
  EXPECT_EQ(d->User.PostLists.Items.Count(), 1u);
  EXPECT_EQ(d->User.PostLists.Items[0].Blocks.Count(), 1u);
  EXPECT_EQ(d->Storages.GetDiscBlock(note)->Posted, 0);
  EXPECT_EQ(d->Authors.Author(me).CommentCounter, counter);
  // The post office passes the waiting message over: neither sent nor removed.
  Start();
  const std::vector<std::string> waiting = Outbox();
  ASSERT_EQ(waiting.size(), 1u);
  EXPECT_TRUE(waiting[0].ends_with("~")) << waiting[0];
  EXPECT_EQ(Records().size(), 1u);

  // The cause mended, the discussion saved: the message and its record go.
  ASSERT_TRUE(d->Save());
  EXPECT_TRUE(Outbox().empty());
  EXPECT_TRUE(Records().empty());
  Start();
  EXPECT_FALSE(SentOnceOrNotAtAll("after the save"));
  // Sent again, the post goes once.
  SendPost();
  EXPECT_TRUE(SentOnceOrNotAtAll("sent again"));
}

}  // namespace
}  // namespace commandstest
