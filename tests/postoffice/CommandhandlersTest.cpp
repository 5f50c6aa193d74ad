// Handlers of received command messages: messages composed by the model's composers on a
// leader's copy of a discussion, carried through the Inbox by a handling run and applied
// to the participant's copy; the saved files, the answers left in the Outbox and the
// refusals of forged, damaged and malformed messages.

#include "Posttesthelpers.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "foundation/Tutilityglobal.h"
#include "app/Loginhooks.h"
#include "model/Blockrecord.h"
#include "model/Messagecomposer.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussionsmanager.h"
#include "model/Unsavedchanges.h"
#include "platform/display/Headlessscreen.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Findfile.h"
#include "platform/rtl/Tdatetime.h"
#include "postoffice/Appliedmessages.h"
#include "postoffice/Commandhandlers.h"
#include "postoffice/Postcommands.h"
#include "postoffice/Tformnewannotation.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tmoderatecaller.h"
#include "postoffice/Tpostfileshandler.h"
#include "tests/model/Discussionfill.h"
#include "tests/support/Testsupport.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <utility>

using namespace posttest;
using testsupport::ReadFile;
using testsupport::WriteFile;
using modeltest::AddBlock;

namespace {

// The plain files of a folder, sorted.
std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void AddAuthor(TDiscussion& d, const char* lident, int adident, const char* email) {
  const int index = d.Authors.CreateAuthor(d, TStr(lident), adident, 0);
  ASSERT_GE(index, 0);
  d.Authors.Author(index).AutomaticEMail = email;
}

// The login the model sees; switched between the leader who composes and the participant
// who receives.
TModelLogin& Login() {
  static TModelLogin login;
  return login;
}

class Handlers : public PostTest {
 protected:
  void SetUp() override {
    PostTest::SetUp();
    ASSERT_TRUE(Post.Load());
    RegisterPostFileNaming(Post);
    RegisterCommandHandlers();
    platform::SetNowSource([] { return EncodeDate(2005, 12, 19) + EncodeTime(14, 5, 9, 0); });
    TModelHooks& hooks = ModelHooks();
    hooks.CurrentLogin = [] { return Login(); };
    hooks.PrivateMessageKey = [] { return TStr(); };
    std::string root = Root;
    root.pop_back();
    ASSERT_TRUE(manager.Init(root));
    DiscussionsManager() = &manager;

    // The participant's copy, saved and not loaded.
    const int index = manager.CreateNewDiscussion(manager.DiscussedRoot, TStr("Ecology"), true, 0);
    ASSERT_GE(index, 0);
    mine = &manager.GetDiscussion(index);
    Describe(*mine);
    ASSERT_TRUE(mine->Save());
    mine->Unload();

    // The leader's copy, outside the manager.
    leader.Folder = Root + "LeaderCopy";
    leader.Loaded = 1;
    AddBlock(leader, StorageType_Model, {}, TextType_Heading, "");
    Describe(leader);
    AsParticipant();
  }
  void TearDown() override {
    UnregisterCommandHandlers();
    DiscussionsManager() = nullptr;
    ModelHooks() = TModelHooks();
    PostTest::TearDown();
  }
  static void Describe(TDiscussion& d) {
    d.Info.DIdent = "D-1";
    d.Info.Name = "Ecology";
    d.Info.ModelFolderName = "Ecology";
    d.Info.ModelAuthorLIdent = "L-lead";
    AddAuthor(d, "L-lead", 0, "lead@x");
    AddAuthor(d, "L-me", 3, "me@x");
  }
  void AsLeader() { Login() = {1, TStr("L-lead"), TStr("lead@x")}; }
  void AsParticipant() { Login() = {2, TStr("L-me"), TStr("me@x")}; }
  // The participant's copy is of a secret discussion.
  void MakeMineSecret() {
    ASSERT_TRUE(mine->Load());
    mine->Info.Secret = 1;
    mine->Info.PrivateIdent = "P-7";
    ASSERT_TRUE(mine->Save());
    mine->Unload();
  }

  // Moves what the composers wrote into the Inbox; the names moved.
  std::vector<std::string> Deliver() {
    std::vector<std::string> names;
    const std::string outbox = Post.Outbox.FolderPath.ToString(), inbox = Post.Inbox.FolderPath.ToString();
    for (const std::string& name : ListFiles(outbox)) {
      EXPECT_TRUE(MoveFileA((outbox + name).c_str(), (inbox + name).c_str()));
      names.push_back(name);
    }
    return names;
  }
  // Handles every Inbox message in one run.
  int Perform() {
    Post.Inbox.Files.Clear();  // files rewritten in place within one second are read again
    Post.Inbox.Refresh(Post);
    TArray<int32_t> indices;
    for (uint32_t i = 0; i < Post.Inbox.Files.Count(); ++i) indices.AddItem(int32_t(i));
    int done = 0;
    TPostFilesHandler run(Post);
    EXPECT_TRUE(run.HandlePostFiles(Post.Inbox, indices, false, &done, "Perform"));
    return done;
  }
  // The leader sends the named blocks.
  void SendBlocks(const std::string& names) {
    AsLeader();
    ASSERT_TRUE(leader.SendCommand_RequestedBlocks(MakeRecipientsList("me@x"), TStr(names)));
    AsParticipant();
  }
  // The participant's copy as it was saved.
  std::unique_ptr<TDiscussion> Saved() {
    auto d = std::make_unique<TDiscussion>();
    d->Folder = mine->Folder;
    EXPECT_TRUE(d->Load());
    return d;
  }
  std::string SavedFiles() {
    std::string all;
    for (const char* name : {"Model.cbs", "Model.cbt", "Annotations.cbs", "Authors.cbs", "DiscussionInfo.cbs"})
      all += ReadFile(mine->Folder.ToString() + "/" + name);
    return all;
  }
  std::vector<std::string> InboxNames() { return ListFiles(Post.Inbox.FolderPath.ToString()); }

  TDiscussionsManager manager;
  TDiscussion* mine = nullptr;
  TDiscussion leader;
};

std::string Text(const TDiscussion& d, const std::string& name) {
  const TDiscBlockIndex at = d.Storages.FindDiscBlockIndexByName(name);
  if (at.IsEmpty()) return "<none>";
  return d.Storages.GetStrHashItem(at)->Str.Text.ToString();
}

std::string UpperName(const TDiscussion& d, const std::string& name) {
  const TDiscBlockIndex at = d.Storages.FindDiscBlockIndexByName(name);
  if (at.IsEmpty()) return "<none>";
  const TDiscBlock* block = d.Storages.GetDiscBlock(at);
  return block->Upper.IsEmpty() ? "" : d.Storages.GetDiscBlock(block->Upper)->Name.ToString();
}

// Writes the bytes of a message, its seal left off, to the file and seals them anew; the
// sealed bytes.
std::string Resealed(const std::string& path, const std::string& bytes, const char* command) {
  WriteFile(path, bytes);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_TRUE(SignFile(file, "", command, 0));
  CloseHandle(file);
  return ReadFile(path);
}

}  // namespace

TEST_F(Handlers, RequestedBlocksJoinTheDiscussionAndAreSavedWhole) {
  const TDiscBlockIndex root = leader.Storages.GetRootBlockIndex();
  const TDiscBlockIndex one = AddBlock(leader, StorageType_Model, root, TextType_Premise, "Forests burn");
  const TDiscBlockIndex oneOne = AddBlock(leader, StorageType_Model, one, TextType_Premise, "Rivers dry");
  AddBlock(leader, StorageType_Model, root, TextType_Conclusion, "Act now");
  // A block before its upper block in the message is linked all the same.
  SendBlocks("1.1;1;2");
  ASSERT_EQ(Deliver().size(), 1u);
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  ASSERT_GE(Boxes.size(), 3u);
  EXPECT_EQ(Boxes[0].Caption, "REQUESTED_BLOCKS");
  EXPECT_EQ(Boxes[0].Text, "Add 3 blocks to model 'Ecology'?");
  EXPECT_EQ(Boxes[1].Caption, "REQUESTED_BLOCKS");
  EXPECT_EQ(Boxes[1].Text, "3 blocks added\n");
  EXPECT_TRUE(Showed("New blocks", "There are 3 blocks added."));
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Reports.empty());
  EXPECT_FALSE(mine->Loaded);  // loaded for the message, let go after it
  {
    auto saved = Saved();
    EXPECT_EQ(saved->Storages.Model.Count(), 4);
    EXPECT_EQ(Text(*saved, "1"), "Forests burn");
    EXPECT_EQ(Text(*saved, "1.1"), "Rivers dry");
    EXPECT_EQ(Text(*saved, "2"), "Act now");
    EXPECT_EQ(UpperName(*saved, "1.1"), "1");
    EXPECT_EQ(UpperName(*saved, "2"), "*");
    // Equal blocks carry equal check values on both sides.
    const TDiscBlockIndex at = saved->Storages.FindDiscBlockIndexByName("1.1");
    EXPECT_EQ(saved->Storages.GetDiscBlock(at)->ComposeTextLine(*saved, at),
              leader.Storages.GetDiscBlock(oneOne)->ComposeTextLine(leader, oneOne));
  }

  // The same blocks again are skipped; a changed one is updated in place; the question
  // counts what the answer then tells, with the same verbs.
  leader.Storages.Model.Texts(one.Index).Str.Text = "Forests burn faster";
  SendBlocks("1;1.1");
  Deliver();
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  ASSERT_GE(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[0].Text, "Update 1 blocks of model 'Ecology'?");
  EXPECT_EQ(Boxes[1].Text, "1 blocks updated\n1 blocks skipped\n");
  {
    auto saved = Saved();
    EXPECT_EQ(saved->Storages.Model.Count(), 4);
    EXPECT_EQ(Text(*saved, "1"), "Forests burn faster");
    EXPECT_EQ(UpperName(*saved, "1.1"), "1");
  }
  AddBlock(leader, StorageType_Model, one, TextType_Premise, "Lakes shrink");
  leader.Storages.Model.Texts(one.Index).Str.Text = "Forests burn";
  SendBlocks("1;1.1;1.2");
  Deliver();
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  ASSERT_GE(Boxes.size(), 3u);
  EXPECT_EQ(Boxes[0].Text, "Add 1 blocks to model 'Ecology' and update 1 blocks?");
  EXPECT_EQ(Boxes[1].Text, "1 blocks added\n1 blocks updated\n1 blocks skipped\n");
  EXPECT_TRUE(Showed("New blocks", "There are 1 blocks added."));
  // Nothing to add or update: no question, and what was skipped is told.
  SendBlocks("1;1.2");
  Deliver();
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, "2 blocks skipped\n");
  EXPECT_EQ(Saved()->Storages.Model.Count(), 5);

  // A message that carries a block twice, as none of ours does, takes it once, as its last
  // record has it, and says so before and after.
  AddBlock(leader, StorageType_Model, one, TextType_Premise, "Lakes shrink");
  SendBlocks("1.3");
  leader.Storages.Model.Texts(leader.Storages.FindDiscBlockIndexByName("1.3").Index).Str.Text = "Lakes shrink fast";
  SendBlocks("1.3");
  const std::vector<std::string> twice = Deliver();
  ASSERT_EQ(twice.size(), 2u);
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  const auto records = [](const std::string& message) {
    const size_t from = message.find("\r\nDATA\r\n") + 8;
    return message.substr(from, message.size() - (SealTrailerSize + SignatureBlockSize) - 1 - from);
  };
  const std::string first = ReadFile(inbox + twice[0]), second = ReadFile(inbox + twice[1]);
  const std::string both =
      first.substr(0, first.find("\r\nDATA\r\n") + 8) + records(first) + records(second) + char(BlockRecordsEnd);
  Resealed(inbox + twice[0], both, "REQUESTED_BLOCKS");
  DeleteFileA((inbox + twice[1]).c_str());
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  ASSERT_GE(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[0].Text, "Add 1 blocks to model 'Ecology'?");
  EXPECT_EQ(Boxes[1].Text, "1 blocks added\n");
  EXPECT_EQ(Saved()->Storages.Model.Count(), 6);
  EXPECT_EQ(Text(*Saved(), "1.3"), "Lakes shrink fast");
}

// A comment and its published moderated form ("3-1" and "3-1M") name one block, as the
// lookup takes them, and so does a record naming the block an earlier record of the
// message adds: records naming it make one block, the later record updating the earlier,
// and are counted once, however many a stranger mails in one message.
TEST_F(Handlers, RecordsNamingOneCommentMakeOneBlock) {
  const TDiscBlockIndex root = leader.Storages.GetRootBlockIndex();
  const TDiscBlockIndex one = AddBlock(leader, StorageType_Model, root, TextType_Premise, "Forests burn");
  const TDiscBlockIndex comment = AddBlock(leader, StorageType_Comments, one, TextType_Premise, "Not all", 3);
  const std::string name = leader.Storages.GetDiscBlock(comment)->Name.ToString();
  ASSERT_EQ(name.substr(0, 2), "3-");
  SendBlocks("1");
  ASSERT_EQ(Deliver().size(), 1u);
  EXPECT_EQ(Perform(), 1);
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  // One message of records named by turns "3-n" and "3-nM", the last text the one kept.
  const auto deliverRecords = [&](int count) {
    SendBlocks(name);
    const std::vector<std::string> sent = Deliver();
    ASSERT_EQ(sent.size(), 1u);
    const std::string message = ReadFile(inbox + sent[0]);
    std::string records;
    {
      TBufWriter w(records);
      for (int i = 0; i < count; ++i) {
        TDiscBlockRecord record = MakeDiscBlockRecord(leader, comment);
        if (i % 2) record.Name = TStr(name + "M");
        // A first record under a name of its own adds the block under the name its author
        // and number compose, which the next record names.
        if (count == 2 && i == 0) record.Name = TStr("77-1");
        record.Texts.Text = TStr("Not all, " + std::to_string(i));
        record.CheckValue = ComposeCheckValue(record);
        ASSERT_TRUE(DiscBlockToBufWriter(w, record, ""));
      }
      EndBlockRecords(w);
      w.Flush();
    }
    Resealed(inbox + sent[0], message.substr(0, message.find("\r\nDATA\r\n") + 8) + records, "REQUESTED_BLOCKS");
  };
  for (const int count : {2, 1000}) {
    SCOPED_TRACE(count);
    deliverRecords(count);
    Boxes.clear();
    EXPECT_EQ(Perform(), 1);
    ASSERT_GE(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[0].Text, count == 2 ? "Add 1 blocks to model 'Ecology'?" : "Update 1 blocks of model 'Ecology'?");
    EXPECT_EQ(Boxes[1].Text, count == 2 ? "1 blocks added\n" : "1 blocks updated\n");
    auto saved = Saved();
    EXPECT_EQ(saved->Storages.Comments.Count(), 1);
    EXPECT_EQ(Text(*saved, name), "Not all, " + std::to_string(count - 1));
    EXPECT_EQ(UpperName(*saved, name), "1");
  }
  EXPECT_TRUE(Reports.empty());
}

TEST_F(Handlers, ABlockWithoutItsUpperBlockIsErased) {
  const TDiscBlockIndex root = leader.Storages.GetRootBlockIndex();
  const TDiscBlockIndex one = AddBlock(leader, StorageType_Model, root, TextType_Premise, "Forests burn");
  AddBlock(leader, StorageType_Model, one, TextType_Premise, "Rivers dry");
  SendBlocks("1.1");
  Deliver();
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  EXPECT_TRUE(Showed("REQUESTED_BLOCKS", "Upper block (1) not found -\n1.1 will be erased."));
  EXPECT_TRUE(Showed("REQUESTED_BLOCKS", "1 blocks added\n1 blocks erased because of absent parent or conclusion.\n"));
  auto saved = Saved();
  const TDiscBlockIndex at = saved->Storages.FindDiscBlockIndexByName("1.1");
  ASSERT_FALSE(at.IsEmpty());
  EXPECT_EQ(saved->Storages.GetDiscBlock(at)->DeleteFlag, DeleteFlag_Erased);
}

TEST_F(Handlers, ForgedDamagedAndMalformedMessagesChangeNothing) {
  const TDiscBlockIndex root = leader.Storages.GetRootBlockIndex();
  AddBlock(leader, StorageType_Model, root, TextType_Premise, "Forests burn");
  AddBlock(leader, StorageType_Model, root, TextType_Premise, "Rivers dry");
  SendBlocks("1;2");
  const std::vector<std::string> names = Deliver();
  ASSERT_EQ(names.size(), 1u);
  const std::string path = Post.Inbox.FolderPath.ToString() + names[0];
  const std::string good = ReadFile(path);
  const std::string before = SavedFiles();
  const auto refused = [&](const std::string& bytes) {
    WriteFile(path, bytes);
    Boxes.clear();
    Reports.clear();
    TError::Instance().Reset();
    TPostFilesHandler run(Post);
    EXPECT_FALSE(HandleCommand_NewBlocks(run, path));
    EXPECT_EQ(run.AddedBlocks, 0);
    EXPECT_EQ(InboxNames(), names);
    EXPECT_EQ(SavedFiles(), before);
  };
  // A byte of the data changed after sealing.
  std::string damaged = good;
  damaged[damaged.size() - (SealTrailerSize + SignatureBlockSize) - 5] ^= 0x20;
  refused(damaged);
  EXPECT_TRUE(Showed("VERIFYING ERROR", "Incorrect command-message sign or verifying error!"));
  // A run does not even hand it to the handler: its command is not believed.
  EXPECT_EQ(Perform(), 0);
  EXPECT_TRUE(Showed("HANDLING POST FILE", " is no sealed command message or was altered on its way; the file is set aside."));
  EXPECT_EQ(SavedFiles(), before);

  // Cut short.
  refused(good.substr(0, good.size() / 2));

  // Sealed anew, but a record goes on where the records should end: nothing of the
  // message is applied, not even the sound records before it.
  std::string malformed = good.substr(0, good.size() - (SealTrailerSize + SignatureBlockSize));
  ASSERT_EQ(malformed.back(), char(BlockRecordsEnd));
  malformed.back() = char(BlockRecordMark);
  malformed += std::string("\x07garbage", 8);
  const auto seal = [&](const std::string& bytes, const char* command) { return Resealed(path, bytes, command); };
  refused(seal(malformed, "REQUESTED_BLOCKS"));
  EXPECT_FALSE(Reports.empty());

  // Sealed by somebody who is not the discussion's leader.
  std::string stranger = good.substr(0, good.size() - (SealTrailerSize + SignatureBlockSize));
  const size_t at = stranger.find("L-lead");
  ASSERT_NE(at, std::string::npos);
  stranger.replace(at, 6, "L-evil");
  refused(seal(stranger, "REQUESTED_BLOCKS"));
  EXPECT_NE(TakeReceivedMessageRefusal().find("(L-evil), who is not its leader of discussion Ecology here."),
            std::string::npos);

  // The user declines.
  Answer = 1;
  refused(good);
  EXPECT_TRUE(Showed("REQUESTED_BLOCKS", "Add 2 blocks to model 'Ecology'?"));
  Answer = -1;

  // A discussion that is not here.
  std::string elsewhere = good.substr(0, good.size() - (SealTrailerSize + SignatureBlockSize));
  elsewhere.replace(elsewhere.find("DIDENT=D-1"), 10, "DIDENT=D-9");
  refused(seal(elsewhere, "REQUESTED_BLOCKS"));
  EXPECT_TRUE(Showed("REQUESTED_BLOCKS",
                     "The discussion with identifier 'D-9' is not found.\nSo the command message is left unhandled."));

  // The genuine message still applies.
  WriteFile(path, good);
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  EXPECT_EQ(Saved()->Storages.Model.Count(), 3);
}

TEST_F(Handlers, CommentsOfDiscreditedAuthorsAreIgnoredAndTheAuthorIsTold) {
  // The leader moderates; participants' comments go to the moderated comments.
  AsLeader();
  mine->Load();
  mine->Info.ModeratorLoginIdent = 1;
  AddAuthor(*mine, "L-bad", 5, "bad@x");
  ASSERT_TRUE(mine->Save());
  mine->Unload();
  ModelHooks().LoginLIdent = [](uint16_t ident) { return ident == 1 ? TStr("L-lead") : TStr(); };
  ModelHooks().GetAuthorModerateType = [](const TStr&, uint16_t adident, int& type) {
    type = adident == 5 ? 3 : 1;
    return 2;
  };
  // The participants' copy (outside the manager) sends its comments.
  TDiscussion& participant = leader;
  participant.Info.ModeratorLoginIdent = 1;
  AddAuthor(participant, "L-bad", 5, "bad@x");
  const TDiscBlockIndex root = participant.Storages.GetRootBlockIndex();
  AddBlock(participant, StorageType_Comments, root, TextType_Premise, "Spam spam", 5);
  AddBlock(participant, StorageType_Comments, root, TextType_Premise, "A fair point", 3);
  Login() = {3, TStr("L-bad"), TStr("bad@x")};
  ASSERT_TRUE(participant.SendCommand_NewBlocks_AllComments(MakeRecipientsList("lead@x")));
  // The message claims the participant "L-bad" as its sender.
  Deliver();
  AsLeader();
  // The first time the message cannot be written down as applied (the disk refuses the
  // record): its answer has not gone into the Outbox, and the message handled again in the
  // same session applies nothing twice and answers once.
  const std::string blocker = TBrowseGlobal::Paths.Root + "AppliedPost.cbs.tmp";
  ASSERT_TRUE(CreateFolder(blocker + "/"));
  Perform();
  Post.Outbox.Refresh(Post);
  EXPECT_TRUE(ListFiles(Post.Outbox.FolderPath.ToString()).empty());
  RemoveDirectoryA(blocker.c_str());
  Reports.clear();
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  EXPECT_TRUE(Reports.empty()) << (Reports.empty() ? "" : Reports[0]);
  EXPECT_TRUE(Showed("NEW_BLOCKS", "1 comments of discredited authors ignored.\n"));
  auto saved = Saved();
  EXPECT_EQ(saved->Storages.ModeratedComments.Count(), 1);
  EXPECT_EQ(saved->Storages.Comments.Count(), 0);

  // The answer to the discredited author, sealed in the Outbox.
  const std::vector<std::string> out = ListFiles(Post.Outbox.FolderPath.ToString());
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NE(out[0].find("-YBI-"), std::string::npos);
  const std::string path = Post.Outbox.FolderPath.ToString() + out[0];
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  TCommandMessageHeader header;
  {
    TBufReader reader(file);
    ASSERT_TRUE(header.Read(reader));
    EXPECT_TRUE(reader.IsEof() || reader.Position() + (SealTrailerSize + SignatureBlockSize) == ReadFile(path).size());
  }
  EXPECT_TRUE(VerifyFileSign(file, header));
  CloseHandle(file);
  std::vector<std::string> fields;
  for (size_t i = 0; i < header.FieldCount(); ++i)
    fields.push_back(header.Field(i).Name.ToString() + "=" + header.Field(i).Plain.ToString());
  const TDiscBlockIndex spam{StorageType_Comments, 0};
  EXPECT_EQ(fields, (std::vector<std::string>{"SENDER_LIDENT=L-lead", "FROM_USER_EMAIL=lead@x", "TO_USERS_EMAILS_CRYPTED=bad@x",
                                              "COMMAND=YOUR_BLOCKS_IGNORED", "COMPOSE_DATETIME=12/19/2005 14:05:09",
                                              "DIDENT=D-1", "YOUR_ADIDENT=5",
                                              "BLOCK_NAMES=" + participant.Storages.GetDiscBlock(spam)->Name.ToString()}));
  EXPECT_TRUE(header.Field(2).Crypted);
  const std::string bytes = ReadFile(path);
  EXPECT_EQ(bytes.substr(0, 21), "SENDER_LIDENT=L-lead\r");
}

TEST_F(Handlers, AModelRequestIsAdmittedRecordedAndQueued) {
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  const auto request = [&](const std::string& name, const std::string& from) {
    WriteMessage(inbox + name, {{"FROM_USER_EMAIL", from}, {"TO_USERS_EMAILS_CRYPTED*", "me@x"},
                                {"COMMAND", "GIVE_MODEL"}, {"DIDENT", "D-1"}, {"COMPOSE_DATETIME", "12/19/2005 10:00:00"}});
  };
  Post.AdvertisingList = "old@x Old Friend";
  request("1-gm", "new@x");
  request("2-gm", "lead@x");  // an author: never asked about, never listed
  Answer = 1;                 // the run's question: no FORM_NEW_MODEL now
  Boxes.clear();
  EXPECT_EQ(Perform(), 2);
  EXPECT_TRUE(Reports.empty());
  EXPECT_EQ(Post.AdvertisingList, "old@x Old Friend\r\nnew@x\r\n");
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text,
            "Discussion: Ecology\nThere are 2 new / 2 in all GIVE_MODEL requests.\nPost FORM_NEW_MODEL message?\n"
            "Waiting: new@x, lead@x\n\"Drop\" forgets the waiting requests unanswered.");
  ASSERT_TRUE(mine->Loaded);
  EXPECT_EQ(mine->Info.ModelRequesters, "new@x; lead@x");
  ASSERT_EQ(mine->Info.Persons.Count(), 1u);
  EXPECT_EQ(mine->Info.Persons[0].LIdent, "L-sender");
  EXPECT_EQ(mine->Info.Persons[0].Address, "new@x");

  // A closed discussion asks about a stranger; refused, the stranger is told so.
  mine->Info.SubscribersOnly = 1;
  request("3-gm", "stranger@x");
  Answer = 1;
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  EXPECT_TRUE(Showed("GIVE_MODEL", "Non-advised person stranger@x requests the Discussion. Post it to him/her?"));
  EXPECT_EQ(mine->Info.ModelRequesters, "new@x; lead@x");
  EXPECT_EQ(Post.AdvertisingList, "old@x Old Friend\r\nnew@x\r\n");
  const std::vector<std::string> out = ListFiles(Post.Outbox.FolderPath.ToString());
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NE(out[0].find("-YCI-"), std::string::npos);
  const std::string answer = ReadFile(Post.Outbox.FolderPath.ToString() + out[0]);
  EXPECT_NE(answer.find("IGNORED_COMMAND=GIVE_MODEL\r\n"), std::string::npos);

  // An advised friend is admitted without a question and keeps the list's comment.
  request("4-gm", "OLD@X");
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  EXPECT_FALSE(Showed("GIVE_MODEL", "Non-advised"));
  EXPECT_EQ(mine->Info.ModelRequesters, "new@x; lead@x; OLD@X");
  EXPECT_EQ(mine->Info.Persons[0].Note, "Old Friend");

  // A sender address that is not one address is refused.
  request("5-gm", "a@x; b@y");
  Boxes.clear();
  Reports.clear();
  EXPECT_EQ(Perform(), 0);
  EXPECT_TRUE(Showed("HANDLING POST FILE", "HandleCommand_GiveModel - ошибка формата файла "));
  EXPECT_EQ(mine->Info.ModelRequesters, "new@x; lead@x; OLD@X");
  DeleteFileA((inbox + "5-gm").c_str());

  // "Yes": the model goes to the requesters the user keeps, and the emptied list is saved.
  AsLeader();
  ModelHooks().ChooseReceivers = [](TDiscussion& d, const std::string&, int kind, TArray<TRecipientsList>& rows) {
    EXPECT_EQ(kind, 3);
    rows = MakeRecipientsList(d.Info.ModelRequesters.View());
    return true;
  };
  request("6-gm", "late@x");
  Answer = 0;
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  EXPECT_TRUE(Showed("GIVE_MODEL", "There are 1 new / 4 in all GIVE_MODEL requests."));
  std::string written;
  for (const std::string& name : ListFiles(Post.Outbox.FolderPath.ToString()))
    if (name.find("-FNM-") != std::string::npos) written = ReadFile(Post.Outbox.FolderPath.ToString() + name);
  EXPECT_NE(written.find("\r\nCOMMAND=FORM_NEW_MODEL\r\n"), std::string::npos);
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Saved()->Info.ModelRequesters.IsEmpty());
}

// The advertising list's rows hold an address and, when the user wrote one, a comment: the
// program itself writes bare addresses there. A person on it, either way, is advised.
TEST_F(Handlers, APersonOnTheAdvertisingListIsAdvisedWithOrWithoutAComment) {
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  // Each request in a run of its own (one request a key each run); the leader asked about
  // a stranger declines, and posts no FORM_NEW_MODEL now.
  const auto request = [&](const std::string& from) {
    WriteMessage(inbox + "gm", {{"FROM_USER_EMAIL", from},
                                {"TO_USERS_EMAILS_CRYPTED*", "lead@x"},
                                {"COMMAND", "GIVE_MODEL"},
                                {"DIDENT", "D-1"},
                                {"COMPOSE_DATETIME", "12/19/2005 10:00:00"}});
    Answer = 1;
    Boxes.clear();
    EXPECT_EQ(Perform(), 1);
    EXPECT_TRUE(Reports.empty());
    std::vector<std::string> asked;
    for (const TShownBox& box : Boxes)
      if (box.Caption == "GIVE_MODEL" && box.Text.starts_with("Non-advised")) asked.push_back(box.Text);
    return asked;
  };
  mine->Load();
  mine->Info.SubscribersOnly = 1;  // closed: a stranger is asked about
  const std::string list = "dave@x\r\nold@x Old Friend\r\n";
  Post.AdvertisingList = list;

  EXPECT_EQ(request("Dave@X"), std::vector<std::string>());
  ASSERT_EQ(mine->Info.Persons.Count(), 1u);
  EXPECT_EQ(mine->Info.Persons[0].Address, "Dave@X");
  EXPECT_EQ(mine->Info.Persons[0].Note, "");
  EXPECT_EQ(request("old@x"), std::vector<std::string>());
  EXPECT_EQ(mine->Info.Persons[0].Note, "Old Friend");
  EXPECT_EQ(request("stranger@x"),
            (std::vector<std::string>{"Non-advised person stranger@x requests the Discussion. Post it to him/her?"}));
  EXPECT_EQ(mine->Info.ModelRequesters, "Dave@X; old@x");
  EXPECT_EQ(Post.AdvertisingList.ToString(), list);  // nobody listed twice, the declined stranger not at all
}

namespace {

// Folder names typed into the input box, in turn; none left is Cancel.
std::vector<std::string>& Typed() {
  static std::vector<std::string> typed;
  return typed;
}

class CreateModel : public Handlers {
 protected:
  void SetUp() override {
    Handlers::SetUp();
    TGuiHooks hooks = GuiHooks();
    hooks.InputString = [](const std::string& caption, const std::string& prompt, const std::string& proposal,
                           std::string& result, bool) {
      Prompts().push_back(caption + "|" + prompt + "|" + proposal);
      if (Typed().empty()) return false;
      result = Typed().front();
      Typed().erase(Typed().begin());
      return true;
    };
    SetGuiHooks(hooks);
    Typed().clear();
    Prompts().clear();
    leader.Info.DIdent = "D-2";
    leader.Info.Name = "Rivers";
    leader.Info.ModelFolderName = "Rivers";
    leader.Info.Annotation = "About rivers";
    const TDiscBlockIndex root = leader.Storages.GetRootBlockIndex();
    const TDiscBlockIndex one = AddBlock(leader, StorageType_Model, root, TextType_Premise, "Rivers dry");
    AddBlock(leader, StorageType_Model, one, TextType_Premise, "Fish leave");
    AddBlock(leader, StorageType_Model, root, TextType_Conclusion, "Dams <1> help");
  }
  static std::vector<std::string>& Prompts() {
    static std::vector<std::string> prompts;
    return prompts;
  }
  void SendModel(const std::string& to = "me@x") {
    AsLeader();
    ASSERT_TRUE(leader.SendCommand_CreateModel(MakeRecipientsList(to), TStr()));
    AsParticipant();
    ASSERT_EQ(Deliver().size(), 1u);
  }
  std::string Discussed() { return TBrowseGlobal::Paths.DiscussionsRoot; }
};

}  // namespace

TEST_F(CreateModel, AReceivedModelBecomesANewDiscussionInTheFolderTheUserNames) {
  SendModel();
  Typed() = {"two words", "Ecology", "Rivers\\"};
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  EXPECT_TRUE(Reports.empty()) << (Reports.empty() ? "" : Reports[0]);
  ASSERT_GE(Boxes.size(), 4u);
  EXPECT_EQ(Boxes[0].Caption, "FORM_NEW_MODEL");
  EXPECT_EQ(Boxes[0].Text, "Create model 'Rivers' (3 blocks)?");
  EXPECT_EQ(Boxes[1].Caption, "ILLEGAL FOLDER NAME");
  EXPECT_EQ(Boxes[1].Text, "This folder name contain illegal characters;\nplease reenter it.");
  EXPECT_EQ(Boxes[2].Caption, "NEW FOLDER NAME");
  EXPECT_EQ(Boxes[2].Text, "This folder name already exists. Enter another name.\n(You can delete/rename any "
                           "discussion folder after Quillaran exit)");
  EXPECT_EQ(Boxes[3].Caption, "MODEL IS CREATED");
  EXPECT_EQ(Boxes[3].Text, "Model 'Rivers' is created");
  ASSERT_EQ(Prompts().size(), 3u);
  EXPECT_EQ(Prompts()[0], "Forming new model|Type folder name for new discussion:|Rivers");
  EXPECT_EQ(Prompts()[1], "Forming new model|Type folder name for new discussion:|two words");
  EXPECT_TRUE(InboxNames().empty());
  for (const char* sub : {"InboxPostHistory", "OutboxPostHistory", "OutboxPostBroadcast"})
    EXPECT_TRUE(IsDirExists(Discussed() + "Rivers/" + sub)) << sub;

  TDiscussion saved;
  saved.Folder = Discussed() + "Rivers";
  ASSERT_TRUE(saved.Load());
  EXPECT_EQ(saved.Info.DIdent, "D-2");
  EXPECT_EQ(saved.Info.Name, "Rivers");
  EXPECT_EQ(saved.Info.ModelFolderName, "Rivers");
  EXPECT_EQ(saved.Info.Annotation, "About rivers");
  EXPECT_EQ(saved.Info.ModelAuthorLIdent, "L-lead");
  EXPECT_EQ(saved.Info.ModeratorLoginIdent, 0xFFFF);
  EXPECT_EQ(saved.Info.Subscribed, 1);
  EXPECT_EQ(saved.Info.Secret, 0);
  EXPECT_FALSE(saved.Info.MIdent.IsEmpty());
  EXPECT_EQ(saved.Storages.Model.Count(), 4);
  EXPECT_EQ(Text(saved, "*"), "Rivers");
  EXPECT_EQ(Text(saved, "1.1"), "Fish leave");
  EXPECT_EQ(UpperName(saved, "1.1"), "1");
  EXPECT_EQ(UpperName(saved, "2"), "*");
  const int author = saved.Authors.FindAuthorByADIdent(ModelAuthorADIdent);
  ASSERT_GE(author, 0);
  EXPECT_EQ(saved.Authors.Author(author).LIdent, "L-lead");
  EXPECT_EQ(saved.Authors.Author(author).Subscriber, 1);
  EXPECT_EQ(saved.User.PostLists.Items.Count(), 1u);
  // The reference "<1>" of a received text became a hyper-reference.
  EXPECT_GT(saved.HyperRefBlocks.Items.Count(), 0u);
}

TEST_F(CreateModel, AModelForEverybodyLeavesTheDiscussionUnsubscribedAndAKnownIdentTakesItAsBlocks) {
  SendModel("*");
  Typed() = {"Rivers"};
  EXPECT_EQ(Perform(), 1);
  TDiscussion saved;
  saved.Folder = Discussed() + "Rivers";
  ASSERT_TRUE(saved.Load());
  EXPECT_EQ(saved.Info.Subscribed, 0);

  // The same model again: its discussion is here, so it is taken as requested blocks.
  manager.Clear();
  std::string root = Root;
  root.pop_back();
  ASSERT_TRUE(manager.Init(root));
  SendModel();
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  EXPECT_TRUE(Showed("FORM_NEW_MODEL", "The discussion with the same ident already exists.\nDo you want to handle this "
                                       "FORM_NEW_MODEL command as REQUESTED_BLOCKS command?"));
  EXPECT_TRUE(Showed("FORM_NEW_MODEL", "3 blocks skipped\n"));
}

TEST_F(CreateModel, DeclinedOrRefusedModelsMakeNothing) {
  SendModel();
  // Declined at the question.
  Answer = 1;
  Perform();
  Answer = -1;
  EXPECT_EQ(InboxNames().size(), 1u);
  // The input box cancelled.
  Perform();
  EXPECT_EQ(InboxNames().size(), 1u);
  // A folder that exists without a discussion is never used: asked again, then cancelled.
  ASSERT_TRUE(CreateFolder(Discussed() + "Taken"));
  Typed() = {"Taken"};
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("FOLDER ALREADY EXISTS", "Subfolder 'Taken' already exists in " + Discussed() +
                                                  ";\ndo you want to reenter discussion folder name?"));
  EXPECT_EQ(Prompts().back(), "Forming new model|Type folder name for new discussion:|Taken");
  EXPECT_TRUE(ListFiles(Discussed() + "Taken").empty());
  EXPECT_EQ(InboxNames().size(), 1u);
  EXPECT_EQ(manager.FindDiscussionByDIdent(TStr("D-2"), false, TStr(), TStr()), -1);
  EXPECT_TRUE(Reports.empty());
}

namespace {

// A sealed message of another installation, as its sender's header writer writes it.
// Sealed as every copy can seal; with `key`, sealed with the sender's key (PRIVATE_REQ=1
// among the fields). Each is composed a second after the one before, so that a request
// made again is another message, not the same one delivered twice.
void Compose(const std::string& path, const std::string& lident, const TFields& fields, const std::string& key = "") {
  static int composed = 0;
  TCommandMessageHeader header;
  for (const auto& [name, value] : fields) ASSERT_TRUE(header.AddField(name, value));
  if (!header.HasField("COMPOSE_DATETIME")) {
    ++composed;
    char when[32];
    std::snprintf(when, sizeof when, "12/19/2005 %02d:%02d:%02d", 15 + composed / 3600, composed / 60 % 60,
                  composed % 60);
    ASSERT_TRUE(header.AddField("COMPOSE_DATETIME", when));
  }
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  {
    TBufWriter writer(file);
    ASSERT_TRUE(header.Write(writer, lident));
    ASSERT_TRUE(writer.Flush());
  }
  ASSERT_TRUE(SignFile(file, key, header.GetFieldValue("COMMAND"), 0));
  CloseHandle(file);
}

}  // namespace

TEST_F(Handlers, ReadersSubscribeAndLeaveAtTheLeaders) {
  AsLeader();
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  const auto subscribe = [&](const std::string& lident, const std::string& from) {
    Compose(inbox + "sm-" + lident, lident, {{"FROM_USER_EMAIL", from}, {"COMMAND", "SUBSCRIBE_ME"}, {"DIDENT", "D-1"}});
  };
  subscribe("L-new", "new@x");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  ASSERT_GE(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Caption, "SUBSCRIBE_ME");
  EXPECT_EQ(Boxes[0].Text, "new@x requests subscribing for\nEcology discussion;\nsatisfy it?");
  ASSERT_TRUE(mine->Loaded);
  const int author = mine->Authors.FindAuthorByLIdent(TStr("L-new"));
  ASSERT_GE(author, 0);
  EXPECT_EQ(mine->Authors.Author(author).AutomaticEMail, "new@x");
  EXPECT_EQ(mine->Authors.Author(author).Subscriber, 1);
  EXPECT_EQ(mine->Authors.Author(author).ADIdent, 0xFFFF);
  EXPECT_EQ(Post.AdvertisingList, "new@x\r\n");
  // The message went only once its effect was saved: a "No" to saving at closing loses
  // nothing of it.
  EXPECT_FALSE(HasUnsavedChanges(*mine));
  {
    const auto saved = Saved();
    const int kept = saved->Authors.FindAuthorByLIdent(TStr("L-new"));
    ASSERT_GE(kept, 0);
    EXPECT_EQ(saved->Authors.Author(kept).Subscriber, 1);
  }
  // The answer, sealed in the Outbox.
  std::vector<std::string> out = ListFiles(Post.Outbox.FolderPath.ToString());
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NE(out[0].find("-YS-"), std::string::npos);
  const std::string answer = ReadFile(Post.Outbox.FolderPath.ToString() + out[0]);
  const size_t crypted = answer.find("TO_USERS_EMAILS_CRYPTED*=");
  ASSERT_NE(crypted, std::string::npos);
  EXPECT_EQ(answer.substr(0, crypted), "SENDER_LIDENT=L-lead\r\nFROM_USER_EMAIL=lead@x\r\n");
  EXPECT_NE(answer.find("\r\nCOMMAND=YOU_SUBSCRIBED\r\nDIDENT=D-1\r\nCOMPOSE_DATETIME=12/19/2005 14:05:09\r\nDATA\r\n"),
            std::string::npos);
  EXPECT_EQ(answer.size() - answer.find("DATA\r\n") - 6, (SealTrailerSize + SignatureBlockSize));

  // Asked again: told, and the reader, who may believe to have left, answered again.
  // Declined: nothing at all.
  subscribe("L-new", "new@x");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("SUBSCRIBE_ME", "new@x already subscribed for\nEcology discussion!"));
  EXPECT_EQ(ListFiles(Post.Outbox.FolderPath.ToString()).size(), 2u);
  subscribe("L-other", "other@x");
  Answer = 1;
  Perform();
  Answer = -1;
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_EQ(mine->Authors.FindAuthorByLIdent(TStr("L-other")), -1);
  EXPECT_EQ(ListFiles(Post.Outbox.FolderPath.ToString()).size(), 2u);
  EXPECT_EQ(Post.AdvertisingList, "new@x\r\n");

  // Leaving: every row of the sender's address; nobody leaves for somebody else.
  AddAuthor(*mine, "L-new2", 9, "NEW@x");
  Compose(inbox + "um-evil", "L-lead", {{"FROM_USER_EMAIL", "new@x"}, {"COMMAND", "UNSUBSCRIBE_ME"}, {"DIDENT", "D-1"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", ", who is not "));
  EXPECT_TRUE(InboxNames().empty());  // set aside, not offered again
  EXPECT_EQ(mine->Authors.Author(author).Unsubscribed, 0);
  DeleteFileA((inbox + "um-evil").c_str());
  Compose(inbox + "um", "L-new", {{"FROM_USER_EMAIL", "new@x"}, {"COMMAND", "UNSUBSCRIBE_ME"}, {"DIDENT", "D-1"}});
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_EQ(mine->Authors.Author(author).Unsubscribed, 1);
  EXPECT_EQ(mine->Authors.Author(mine->Authors.FindAuthorByLIdent(TStr("L-new2"))).Unsubscribed, 1);
  EXPECT_EQ(mine->Authors.Author(mine->Authors.FindAuthorByLIdent(TStr("L-me"))).Unsubscribed, 0);

  // Asking again after leaving subscribes again, and is answered: not "already subscribed".
  subscribe("L-new", "new@x");
  Boxes.clear();
  Perform();
  EXPECT_FALSE(Showed("SUBSCRIBE_ME", "new@x already subscribed for\nEcology discussion!"));
  EXPECT_EQ(mine->Authors.Author(author).Unsubscribed, 0);
  EXPECT_EQ(mine->Authors.Author(mine->Authors.FindAuthorByLIdent(TStr("L-new2"))).Unsubscribed, 0);
  out = ListFiles(Post.Outbox.FolderPath.ToString());
  EXPECT_EQ(std::count_if(out.begin(), out.end(), [](const std::string& n) { return n.find("-YS-") != n.npos; }), 3);

  // A malformed sender address is refused.
  subscribe("L-third", "a@x b@y");
  Reports.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", "HandleCommand_SubscribeMe - ошибка формата файла "));
}

TEST_F(Handlers, ReadersHearFromTheLeaderOnly) {
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  Compose(inbox + "ys-evil", "L-evil", {{"COMMAND", "YOU_SUBSCRIBED"}, {"DIDENT", "D-1"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", ", who is not "));
  ASSERT_TRUE(mine->Loaded);
  EXPECT_EQ(mine->Info.Subscribed, 0);
  DeleteFileA((inbox + "ys-evil").c_str());
  Compose(inbox + "ys", "L-lead", {{"COMMAND", "YOU_SUBSCRIBED"}, {"DIDENT", "D-1"}});
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_EQ(mine->Info.Subscribed, 1);

  Compose(inbox + "dbm-bad", "L-lead", {{"COMMAND", "DO_NOT_BOTHER_MORE"}, {"DIDENT", "D-1"}, {"YOUR_ADIDENT", "3x"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("DO_NOT_BOTHER_MORE", "Integer error (3x)"));
  EXPECT_EQ(InboxNames(), std::vector<std::string>{"dbm-bad"});
  DeleteFileA((inbox + "dbm-bad").c_str());
  Compose(inbox + "dbm", "L-lead", {{"COMMAND", "DO_NOT_BOTHER_MORE"}, {"DIDENT", "D-1"}, {"YOUR_ADIDENT", "3"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  // An author who only asked for an identifier has no name yet: the box names the address,
  // of the record, else (a record made from the identifier alone) of this login.
  ASSERT_TRUE(mine->Authors.Author(mine->Authors.FindAuthorByADIdent(3)).GetShortName().IsEmpty());
  EXPECT_TRUE(Showed("DO_NOT_BOTHER_MORE", "Registration of me@x in discussion Ecology is stopped."));
  Compose(inbox + "dbm-new", "L-lead", {{"COMMAND", "DO_NOT_BOTHER_MORE"}, {"DIDENT", "D-1"}, {"YOUR_ADIDENT", "9"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("DO_NOT_BOTHER_MORE", "Registration of me@x in discussion Ecology is stopped."));
  mine->Authors.Author(mine->Authors.FindAuthorByADIdent(3)).LastName = "Petrova";
  Compose(inbox + "dbm-named", "L-lead", {{"COMMAND", "DO_NOT_BOTHER_MORE"}, {"DIDENT", "D-1"}, {"YOUR_ADIDENT", "3"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("DO_NOT_BOTHER_MORE", "Registration of Petrova in discussion Ecology is stopped."));
}

TEST_F(Handlers, AuthorsDataComeFromTheLeaderOrFromTheAuthorsThemselves) {
  // The leader's update of every author known by an identifier, by the model's composer.
  const int added = leader.Authors.CreateAuthor(leader, TStr("L-x"), 7, 0);
  leader.Authors.Author(added).FirstName = "Ivan";
  leader.Authors.Author(added).LastName = "Petrov";
  leader.Authors.Author(added).AutomaticEMail = "x@x";
  AsLeader();
  ASSERT_TRUE(leader.Reply(MakeRecipientsList("me@x"), -1, 0));
  AsParticipant();
  Deliver();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Reports.empty());
  ASSERT_TRUE(mine->Loaded);
  const int x = mine->Authors.FindAuthorByADIdent(7);
  ASSERT_GE(x, 0);
  EXPECT_EQ(mine->Authors.Author(x).LIdent, "L-x");
  EXPECT_EQ(mine->Authors.Author(x).GetShortName().ToString(), leader.Authors.Author(added).GetShortName().ToString());
  EXPECT_EQ(mine->Authors.Author(x).LastName, "Petrov");
  EXPECT_EQ(mine->Authors.Author(x).IdentsGiven, 1);
  // Equal data leave a record alone.
  EXPECT_EQ(mine->Authors.Author(mine->Authors.FindAuthorByADIdent(0)).IdentsGiven, 0);

  // At the leader's: an author may not rewrite the model author's record.
  AsLeader();
  TAuthor forged;
  forged.ADIdent = 0;
  forged.LIdent = "L-me";
  forged.LastName = "Mallory";
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  Compose(inbox + "au-forged", "L-me",
          {{"COMMAND", "AUTHORS_UPDATE"}, {"DIDENT", "D-1"}, {"AUTHORS_COUNT", "1"},
           {"AUTHOR_DATA_1", forged.EncodeAuthorDataStr().ToString()}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", ", who is not "));
  EXPECT_EQ(mine->Authors.Author(mine->Authors.FindAuthorByADIdent(0)).LIdent, "L-lead");
  DeleteFileA((inbox + "au-forged").c_str());
  // Its own data are taken; a count beyond the fields present ends early.
  TAuthor own = mine->Authors.Author(mine->Authors.FindAuthorByLIdent(TStr("L-me")));
  own.LastName = "Sidorov";
  Compose(inbox + "au-own", "L-me",
          {{"COMMAND", "AUTHORS_UPDATE"}, {"DIDENT", "D-1"}, {"AUTHORS_COUNT", "3"},
           {"AUTHOR_DATA_1", own.EncodeAuthorDataStr().ToString()}});
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_EQ(mine->Authors.Author(mine->Authors.FindAuthorByLIdent(TStr("L-me"))).LastName, "Sidorov");
  // A count that is no number.
  Compose(inbox + "au-bad", "L-me", {{"COMMAND", "AUTHORS_UPDATE"}, {"DIDENT", "D-1"}, {"AUTHORS_COUNT", "x1"}});
  Reports.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", "HandleCommand_AuthorsUpdate - ошибка целого числа (x1)"));
}

TEST_F(Handlers, IdentifiersFromTheModerationLibraryAreStoredWithTheAuthorsData) {
  mine->Load();
  const int anonymous = mine->Authors.CreateAuthor(*mine, TStr(), -1, 0);
  mine->Authors.Author(anonymous).AutomaticEMail = "anon@x";
  TAuthor data;
  data.LIdent = "L-anon";
  data.AutomaticEMail = "anon@x";
  data.LastName = "Anon";
  const std::string path = Post.Inbox.FolderPath.ToString() + "gai";
  Compose(path, "L-anon", {{"COMMAND", "GENERATE_AUTHOR_IDENTS"}, {"DIDENT", "D-1"},
                           {"AUTHOR_DATA", data.EncodeAuthorDataStr().ToString()}});
  TPostFilesHandler run(Post);
  // An identifier that another author holds is refused.
  EXPECT_FALSE(RefreshAuthorData(run, path, 3, "AG-3"));
  EXPECT_EQ(mine->Authors.Author(anonymous).ADIdent, 0xFFFF);
  TError::Instance().Reset();
  ASSERT_TRUE(RefreshAuthorData(run, path, 12, "000123_ANON_X_AGP"));
  const int count = mine->Authors.Count();
  const TAuthor& stored = mine->Authors.Author(anonymous);  // known by address: no second record
  EXPECT_EQ(stored.LIdent, "L-anon");
  EXPECT_EQ(stored.LastName, "Anon");
  EXPECT_EQ(stored.ADIdent, 12);
  EXPECT_EQ(stored.AGIdent, "000123_ANON_X_AGP");
  EXPECT_EQ(stored.IdentsGiven, 1);
  EXPECT_EQ(stored.Subscriber, 1);
  EXPECT_EQ(mine->Authors.Count(), count);
}

TEST_F(Handlers, TheLeaderMakesTheDiscussionPrivateOrPublic) {
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  Compose(inbox + "mdpr-evil", "L-evil", {{"COMMAND", "MAKE_DISCUSSION_PRIVATE"}, {"DIDENT", "D-1"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", ", who is not "));
  EXPECT_EQ(Saved()->Info.Secret, 0);
  DeleteFileA((inbox + "mdpr-evil").c_str());

  // The reader who takes the privacy keeps reading the discussion.
  std::vector<std::string> granted;
  ModelHooks().GrantAccess = [&granted](const TStr& privateIdent) {
    granted.push_back(privateIdent.ToString());
    return true;
  };
  Compose(inbox + "mdpr", "L-lead", {{"COMMAND", "MAKE_DISCUSSION_PRIVATE"}, {"DIDENT", "D-1"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Showed("MAKE_DISCUSSION_PRIVATE", "Discussion Ecology is secret now!"));
  EXPECT_EQ(Saved()->Info.Secret, 1);
  EXPECT_EQ(granted, std::vector<std::string>{Saved()->Info.PrivateIdent.ToString()});
  EXPECT_NE(granted[0].find("ME_X_PDK"), std::string::npos) << granted[0];

  // Now secret: only the leader's keyed seal is believed.
  mine->Info.PrivateIdent = "P-7";
  Compose(inbox + "mdpu-forged", "L-lead", {{"COMMAND", "MAKE_DISCUSSION_PUBLIC"}, {"DIDENT", "D-1"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE",
                     "but is sealed as for a public discussion, and no key is known here yet for its sender"));
  EXPECT_EQ(Saved()->Info.Secret, 1);
  DeleteFileA((inbox + "mdpu-forged").c_str());
  ModelHooks().KeyOfLogin = [](const TStr& lident, const TStr&) {
    return lident == "L-lead" ? TStr("lead key 1") : TStr();
  };
  Compose(inbox + "mdpu", "L-lead", {{"COMMAND", "MAKE_DISCUSSION_PUBLIC"}, {"DIDENT", "D-1"}, {"PRIVATE_REQ", "1"}},
          "lead key 1");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("MAKE_DISCUSSION_PUBLIC", "Discussion Ecology is public now!"));
  auto saved = Saved();
  EXPECT_EQ(saved->Info.Secret, 0);
  EXPECT_TRUE(saved->Info.PrivateIdent.IsEmpty());
}

TEST_F(Handlers, TheLeadersListOfBlocksBringsARequestForWhatIsMissingOrDifferent) {
  const TDiscBlockIndex root = leader.Storages.GetRootBlockIndex();
  for (int i = 1; i <= 9; ++i) AddBlock(leader, StorageType_Model, root, TextType_Premise, "Block " + std::to_string(i));
  const auto list = [&] {
    AsLeader();
    ASSERT_TRUE(leader.SendCommand_ExistingBlockNames(MakeRecipientsList("me@x")));
    AsParticipant();
    Deliver();
  };
  list();
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Showed("EXISTING_BLOCKS_LIST", "9 blocks are lost (1; 2; 3; 4; 5; 6...).\nRequest correct blocks?"));
  std::vector<std::string> out = ListFiles(Post.Outbox.FolderPath.ToString());
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NE(out[0].find("-GB-"), std::string::npos);
  const std::string request = ReadFile(Post.Outbox.FolderPath.ToString() + out[0]);
  const size_t crypted = request.find("TO_USERS_EMAILS_CRYPTED*=");
  ASSERT_NE(crypted, std::string::npos);
  EXPECT_EQ(request.substr(0, crypted), "SENDER_LIDENT=L-me\r\nFROM_USER_EMAIL=me@x\r\n");
  const std::string tail = "COMMAND=GIVE_BLOCKS\r\nPRIVATE_REQ=0\r\nCOMPOSE_DATETIME=12/19/2005 14:05:09\r\nDIDENT=D-1\r\n"
                           "BLOCK_NAMES=1;2;3;4;5;6;7;8;9\r\nDATA\r\n";
  const size_t at = request.find("\r\nCOMMAND=");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(request.substr(at + 2), tail + request.substr(request.size() - (SealTrailerSize + SignatureBlockSize)));
  DeleteFileA((Post.Outbox.FolderPath.ToString() + out[0]).c_str());

  // With the blocks here the lists agree; a changed block differs, and No writes nothing.
  SendBlocks("1;2;3;4;5;6;7;8;9");
  Deliver();
  Perform();
  list();
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("EXISTING_BLOCKS_LIST", "All blocks in your discussion are equal to original."));
  leader.Storages.Model.Texts(3).Str.Text = "Block 3, amended";
  list();
  Answer = 1;
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("EXISTING_BLOCKS_LIST", "1 blocks differ from originals (3).\nRequest correct blocks?"));
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(ListFiles(Post.Outbox.FolderPath.ToString()).empty());

  // Only the leader's list is believed.
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  Compose(inbox + "ebl-evil", "L-evil", {{"COMMAND", "EXISTING_BLOCKS_LIST"}, {"DIDENT", "D-1"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", ", who is not "));
  EXPECT_TRUE(InboxNames().empty());  // set aside, not offered again
}

TEST_F(Handlers, NoticesOfIgnoredBlocksAndCommandsAreShown) {
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  Compose(inbox + "ybi-evil", "L-evil", {{"COMMAND", "YOUR_BLOCKS_IGNORED"}, {"DIDENT", "D-1"}, {"YOUR_ADIDENT", "3"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", ", who is not "));
  DeleteFileA((inbox + "ybi-evil").c_str());
  Compose(inbox + "ybi-bad", "L-lead", {{"COMMAND", "YOUR_BLOCKS_IGNORED"}, {"DIDENT", "D-1"}, {"YOUR_ADIDENT", "3a"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("YOUR_BLOCKS_IGNORED", "Integer error (3a)"));
  EXPECT_EQ(InboxNames(), std::vector<std::string>{"ybi-bad"});
  DeleteFileA((inbox + "ybi-bad").c_str());
  Compose(inbox + "ybi", "L-lead", {{"COMMAND", "YOUR_BLOCKS_IGNORED"}, {"DIDENT", "D-1"}, {"YOUR_ADIDENT", "3"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  // No name yet: the address names the author.
  ASSERT_TRUE(mine->Authors.Author(mine->Authors.FindAuthorByADIdent(3)).GetShortName().IsEmpty());
  EXPECT_TRUE(Showed("YOUR_BLOCKS_IGNORED", "Sended by me@x blocks of discussion Ecology is ignored by Moderator."));

  // The model's notice of an ignored command, for a discussion unknown here all the same,
  // answering requests sent from here to the leader; the comment's lines are kept, nothing
  // else of it can steer what shows it.
  for (const char* request : {"GIVE_MODEL", "SUBSCRIBE_ME"}) {
    const std::string sent = Root + "sent-" + request;
    WriteMessage(sent, {{"FROM_USER_EMAIL", "me@x"},
                        {"TO_USERS_EMAILS_CRYPTED*", "lead@x"},
                        {"COMMAND", request},
                        {"DIDENT", "D-elsewhere"}});
    TAppliedMessages::Instance().AwaitAnswer(sent, Now());
  }
  AsLeader();
  leader.Info.DIdent = "D-elsewhere";
  ASSERT_TRUE(leader.SendCommand_YourCommandIgnored(MakeRecipientsList("me@x"), TStr("GIVE_MODEL"), TStr(),
                                                    TStr("Not now,\r\nlater\x1b[2J\x98")));
  ASSERT_TRUE(leader.SendCommand_YourCommandIgnored(MakeRecipientsList("me@x"), TStr("SUBSCRIBE_ME"), TStr(), TStr()));
  // Of a command never sent from here: nobody can tell who wrote it.
  ASSERT_TRUE(leader.SendCommand_YourCommandIgnored(MakeRecipientsList("me@x"), TStr("GIVE_BLOCKS"), TStr(),
                                                    TStr("Send your Key to x@x")));
  AsParticipant();
  Deliver();
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Showed("HANDLING POST FILE",
                     "X-Ecology-051219-YCI-003: The YOUR_COMMAND_IGNORED message X-Ecology-051219-YCI-003 from lead@x "
                     "says that your command "
                     "GIVE_BLOCKS in discussion Ecology was ignored, but no such command went from here to lead@x "
                     "about that discussion, and it is not signed with the key of the discussion's leader here: it "
                     "is not shown. Nothing of it was applied."));
  EXPECT_FALSE(Showed("YOUR_COMMAND_IGNORED", "x@x"));
  EXPECT_TRUE(Showed("YOUR_COMMAND_IGNORED",
                     "lead@x: Your command GIVE_MODEL in Discussion Ecology has been ignored\n"
                     "Comment: Not now,\nlater\\x1B[2J\\x98"));
  bool oneLine = false;
  for (const TShownBox& box : Boxes)
    oneLine |= box.Text == "lead@x: Your command SUBSCRIBE_ME in Discussion Ecology has been ignored";
  EXPECT_TRUE(oneLine);
}

TEST_F(Handlers, ARegisteredModelTakesTheModeratorsIdentifiersAndGoesToTheModerator) {
  TLoginsStorage logins;
  testsupport::TScopedGlobal setLogins(ModelHooks().Logins, &logins);
  AsLeader();
  mine->Load();
  mine->Info.MIdent = "M-1";
  mine->Info.ShareDate = 0;
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  const auto answer = [&](const std::string& name, const std::string& result, const std::string& mident) {
    Compose(inbox + name, "L-mod",
            {{"FROM_USER_EMAIL", "mod@x"}, {"COMMAND", "MODEL_REGISTRATION"}, {"MIDENT", mident},
             {"MODEL_NICK", ""}, {"RESULT", result}, {"RESULT_COMMENT", result == "0" ? "Too short" : ""},
             {"DIDENT", "D-100"}, {"AGIDENT0", "AG-0"}, {"AGIDENT1", "AG-1"}});
  };
  // Refused: nothing but the subscription mark changes.
  answer("mr-failed", "0", "M-1");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Showed("MODEL_REGISTRATION", "\nModel: Ecology\nRegistration result: FAILED\nModerator comments: Too short"));
  EXPECT_EQ(mine->Info.Subscribed, 1);
  EXPECT_EQ(mine->Info.DIdent, "D-1");
  EXPECT_FALSE(mine->Info.IsModerated());

  answer("mr-unknown", "1", "M-9");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("MODEL_REGISTRATION", "Can't find discussion with M-ident 'M-9'.\nSo the command message is left "
                                           "unhandled."));
  DeleteFileA((inbox + "mr-unknown").c_str());

  // A participant's copy is nobody's to register.
  AsParticipant();
  answer("mr-participant", "1", "M-1");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", ", who is not "));
  EXPECT_EQ(mine->Info.DIdent, "D-1");
  DeleteFileA((inbox + "mr-participant").c_str());

  AsLeader();
  answer("mr", "1", "M-1");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Reports.empty()) << (Reports.empty() ? "" : Reports[0]);
  EXPECT_TRUE(Showed("MODEL_REGISTRATION", "\nModel: Ecology\nRegistration result: SUCCESSFUL"));
  EXPECT_EQ(mine->Info.DIdent, "D-100");
  EXPECT_EQ(mine->Info.ModelFolderName, "Ecology");
  EXPECT_EQ(mine->Info.ShareDate, int32_t(EncodeDate(2005, 12, 19)));
  ASSERT_TRUE(mine->Info.IsModerated());
  const int moderator = logins.FindLogin(mine->Info.ModeratorLoginIdent);
  ASSERT_GE(moderator, 0);
  EXPECT_EQ(logins.GetLogin(moderator).Virtual, 1);
  EXPECT_EQ(logins.GetLogin(moderator).LIdent, "L-mod");
  EXPECT_EQ(mine->Authors.Author(mine->Authors.FindAuthorByADIdent(0)).AGIdent, "AG-0");
  // The model, to the moderator.
  const std::vector<std::string> out = ListFiles(Post.Outbox.FolderPath.ToString());
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NE(out[0].find("-FNM-"), std::string::npos);
  const std::string model = ReadFile(Post.Outbox.FolderPath.ToString() + out[0]);
  EXPECT_NE(model.find("\r\nDIDENT=D-100\r\n"), std::string::npos);
  EXPECT_NE(model.find("\r\nMODERATED=1\r\n"), std::string::npos);
  EXPECT_NE(model.find("\r\nAGIDENT1=AG-1\r\n"), std::string::npos);
  testsupport::TScopedGlobal noLogins(ModelHooks().Logins, static_cast<TLoginsStorage*>(nullptr));

  // Registration requests are the moderation library's, for a moderator only.
  Compose(inbox + "rm", "L-x", {{"COMMAND", "REGISTRATE_MODEL"}, {"DIDENT", "D-1"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE",
                     "Can't calling moderation function -\ncurrent user don't have Moderate permission."));
  EXPECT_EQ(InboxNames(), std::vector<std::string>{"rm"});
}

TEST_F(Handlers, ALeaderWhoModeratesItsOwnModelRegistersItThroughTheModerationLibrary) {
  // The leader is the manager login of this installation, so it holds the moderate right.
  TLoginsStorage logins;
  testsupport::TScopedGlobal setLogins(ModelHooks().Logins, &logins);
  logins.Current = logins.AddLogin(TStr("Lead"), TStr("lead@x"));
  logins.GetLogin(logins.Current).LIdent = "L-lead";
  Login() = {0, TStr("L-lead"), TStr("lead@x")};
  TUtilityGlobal utility;
  testsupport::TScopedGlobal moderate(TBrowseGlobal::Moderation, uint8_t{1});
  TModerateCaller caller(std::string(QUILLARAN_BINARY_DIR) + "/app/Leafguard.dll");
  testsupport::TScopedGlobal setCaller(ModerateCaller(), &caller);
  mine->Load();
  mine->Info.MIdent = "M-1";
  const std::string inbox = Post.Inbox.FolderPath.ToString(), outbox = Post.Outbox.FolderPath.ToString();
  const auto request = [&](const std::string& name) {
    Compose(inbox + name, "L-lead",
            {{"FROM_USER_EMAIL", "lead@x"}, {"COMMAND", "REGISTRATE_MODEL"},
             {"MODEL_NICK", "Ecology"}, {"MIDENT", "M-1"}, {"MODEL_AUTHOR_LIDENT", "L-lead"}, {"PRIVATE_REQ", "0"}});
  };
  const auto answer = [&](const std::string& shortCode) {
    const std::vector<std::string> out = ListFiles(outbox);
    EXPECT_EQ(out.size(), 1u);
    if (out.size() != 1) return std::string();
    EXPECT_NE(out[0].find("-Ecology-051219-" + shortCode + "-"), std::string::npos) << out[0];
    return ReadFile(outbox + out[0]);
  };

  // The library registers the model and answers from the moderator, sealed in the Outbox.
  request("rm");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Reports.empty()) << (Reports.empty() ? "" : Reports[0]);
  const std::string registered = answer("MR");
  const size_t at = registered.find("DIDENT=");
  ASSERT_NE(at, std::string::npos);
  const std::string dident = registered.substr(at + 7, registered.find("\r\n", at) - at - 7);
  // "D", the library's own date and time, "_", 16 hexadecimal digits.
  EXPECT_TRUE(dident.size() == 32 && dident[0] == 'D' && dident[15] == '_') << dident;
  TCommandMessageHeader header;
  TBufReader reader(registered);
  ASSERT_TRUE(header.Read(reader));
  std::string fields;
  for (size_t i = 0; i < header.FieldCount(); ++i)
    fields += header.Field(i).Name.ToString() + "=" + header.Field(i).Plain.ToString() + ";";
  const std::string agident0 = header.GetFieldValue("AGIDENT0"), agident1 = header.GetFieldValue("AGIDENT1");
  EXPECT_EQ(fields, "SENDER_LIDENT=L-lead;FROM_USER_EMAIL=lead@x;TO_USERS_EMAILS_CRYPTED=lead@x;"
                    "COMMAND=MODEL_REGISTRATION;COMPOSE_DATETIME=12/19/2005 14:05:09;MODEL_NICK=Ecology;MIDENT=M-1;"
                    "RESULT=1;RESULT_COMMENT=;DIDENT=" + dident + ";AGIDENT0=" + agident0 + ";AGIDENT1=" + agident1 + ";");
  EXPECT_FALSE(agident0.empty());
  EXPECT_NE(agident0, agident1);
  EXPECT_TRUE(Showed("MODEL_REGISTRATION", "composed and signed"));

  // Asked again, the moderator gives the same identifiers.
  for (const std::string& name : ListFiles(outbox)) DeleteFileA((outbox + name).c_str());
  request("rm-again");
  Perform();
  const std::string again = answer("MR");
  EXPECT_NE(again.find("\r\nDIDENT=" + dident + "\r\nAGIDENT0=" + agident0 + "\r\nAGIDENT1=" + agident1 + "\r\n"),
            std::string::npos);

  // Back at the leader, the discussion is moderated by the leader's own login: no
  // correspondent's copy of it is made, and no model goes out to itself.
  Deliver();
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Showed("MODEL_REGISTRATION", "\nModel: Ecology\nRegistration result: SUCCESSFUL"));
  EXPECT_EQ(mine->Info.DIdent.ToString(), dident);
  EXPECT_EQ(mine->Info.ModeratorLoginIdent, 0);
  EXPECT_TRUE(mine->IsModerator());
  EXPECT_EQ(logins.Count(), 1);
  EXPECT_EQ(mine->Authors.Author(mine->Authors.FindAuthorByADIdent(0)).AGIdent.ToString(), agident0);
  EXPECT_TRUE(ListFiles(outbox).empty());

  // Readers of the moderated discussion ask for identifiers. The copy had authors numbered
  // before the model was registered (L-me 3, L-old 2): a new reader gets the next number
  // that no author of the copy holds, a known one keeps its own; the reader's record takes
  // them, and the answer goes to the reader.
  ASSERT_GE(mine->Authors.CreateAuthor(*mine, TStr("L-old"), 2, 1), 0);
  std::string asked;
  const auto ask = [&](const std::string& lident, const std::string& email, const std::string& data) {
    TAuthor asking;
    asking.LIdent = lident;
    asking.AutomaticEMail = email;
    asking.LastName = "Reader";
    Compose(inbox + "gai-" + lident, lident,
            {{"FROM_USER_EMAIL", email}, {"COMMAND", "GENERATE_AUTHOR_IDENTS"}, {"PRIVATE_REQ", "0"},
             {"DIDENT", dident}, {"AUTHOR_DATA", data.empty() ? asking.EncodeAuthorDataStr().ToString() : data},
             {"MODEL_NICK", "Ecology"}});
    asked = ReadFile(inbox + "gai-" + lident);
    Boxes.clear();
    Perform();
  };
  for (const auto& [lident, number] : {std::pair<std::string, int>{"L-next", 4}, {"L-me", 3}, {"L-next", 4}}) {
    ask(lident, lident.substr(2) + "@x", "");
    EXPECT_TRUE(InboxNames().empty());
    const std::string given = answer("AIG");
    EXPECT_NE(given.find("\r\nCOMMAND=AUTHOR_IDENTS_GENERATED\r\n"), std::string::npos) << given;
    EXPECT_NE(given.find("\r\nRESULT=1\r\nAUTHOR_LIDENT=" + lident + "\r\nDIDENT=" + dident + "\r\nYOUR_AGIDENT=G"),
              std::string::npos)
        << given;
    EXPECT_NE(given.find("\r\nYOUR_ADIDENT=" + std::to_string(number) + "\r\n"), std::string::npos) << given;
    const TAuthor& stored = mine->Authors.Author(mine->Authors.FindAuthorByLIdent(TStr(lident)));
    EXPECT_EQ(stored.ADIdent, number);
    EXPECT_NE(given.find("YOUR_AGIDENT=" + stored.AGIdent.ToString() + "\r\n"), std::string::npos);
    EXPECT_EQ(stored.IdentsGiven, 1);
    for (const std::string& name : ListFiles(outbox)) DeleteFileA((outbox + name).c_str());
  }
  EXPECT_EQ(mine->Authors.Author(mine->Authors.FindAuthorByLIdent(TStr("L-old"))).ADIdent, 2);
  // The last request delivered again is refused as applied: set aside, not answered twice.
  WriteFile(inbox + "gai-again", asked);
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", "was applied here before: a copy of it came again."));
  EXPECT_TRUE(IsFileExists(inbox + "Set aside/gai-again"));
  EXPECT_TRUE(ListFiles(outbox).empty());
  TError::Instance().Reset();
  Reports.clear();
  // Identifiers that cannot be stored are not answered: the request is set aside.
  ask("L-bad", "bad@x", "not an author");
  EXPECT_TRUE(Showed("HANDLING POST FILE", "Error calling moderation function."));
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(IsFileExists(inbox + "Set aside/gai-L-bad"));
  EXPECT_TRUE(ListFiles(outbox).empty());
  EXPECT_EQ(mine->Authors.FindAuthorByLIdent(TStr("L-bad")), -1);
  DeleteFileA((inbox + "gai-L-bad").c_str());
  TError::Instance().Reset();
  Reports.clear();

  // A request the library cannot answer is no registration.
  Compose(inbox + "rm-bad", "L-x", {{"COMMAND", "REGISTRATE_MODEL"}, {"MIDENT", "M-2"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", "Error calling moderation function."));
  EXPECT_EQ(InboxNames(), std::vector<std::string>{"rm-bad"});
  EXPECT_TRUE(ListFiles(outbox).empty());
}

TEST_F(Handlers, RequestsForBlocksAndBlockNamesAreServedToWhomTheDiscussionIsOpen) {
  AsLeader();
  mine->Load();
  const TDiscBlockIndex root = mine->Storages.GetRootBlockIndex();
  AddBlock(*mine, StorageType_Model, root, TextType_Premise, "Forests burn");
  AddBlock(*mine, StorageType_Model, root, TextType_Premise, "Rivers dry");
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  const auto ask = [&](const std::string& name, const std::string& lident, const std::string& from,
                       const std::string& command) {
    Compose(inbox + name, lident, {{"FROM_USER_EMAIL", from}, {"COMMAND", command}, {"DIDENT", "D-1"},
                                   {"BLOCK_NAMES", "1;2;7"}});
  };
  ask("gb", "L-me", "me@x", "GIVE_BLOCKS");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Showed("GIVE_BLOCKS", "1 requested blocks are not found.\nSend 2 requested blocks?"));
  std::vector<std::string> out = ListFiles(Post.Outbox.FolderPath.ToString());
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NE(out[0].find("-RB-"), std::string::npos);
  EXPECT_NE(ReadFile(Post.Outbox.FolderPath.ToString() + out[0]).find("\r\nBLOCKSCOUNT=2\r\n"), std::string::npos);
  DeleteFileA((Post.Outbox.FolderPath.ToString() + out[0]).c_str());

  // Declined: the request waits for a later run.
  ask("gb-later", "L-me", "me@x", "GIVE_BLOCKS");
  Answer = 1;
  Perform();
  EXPECT_EQ(InboxNames(), std::vector<std::string>{"gb-later"});
  DeleteFileA((inbox + "gb-later").c_str());

  // Names: both requesters wait; the run asks once about the discussion.
  ask("gebl-1", "L-me", "me@x", "GIVE_EXISTING_BLOCKS_LIST");
  ask("gebl-2", "L-stranger", "other@x", "GIVE_EXISTING_BLOCKS_LIST");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_EQ(mine->Info.BlockNamesRequesters, "me@x; other@x");
  EXPECT_TRUE(Showed("Existing blocks list", "There are 2 new (2 total) EXISTING_BLOCKS_LIST requests."));
  // "Yes": the list goes to the waiting requesters, and the emptied list is saved.
  ask("gebl-3", "L-me", "me@x", "GIVE_EXISTING_BLOCKS_LIST");
  Answer = 0;
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("Existing blocks list", "There are 1 new (2 total) EXISTING_BLOCKS_LIST requests."));
  const std::vector<std::string> lists = ListFiles(Post.Outbox.FolderPath.ToString());
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_NE(lists[0].find("-EBL-"), std::string::npos);
  const std::string list = ReadFile(Post.Outbox.FolderPath.ToString() + lists[0]);
  EXPECT_NE(list.find("\r\nCOMMAND=EXISTING_BLOCKS_LIST\r\n"), std::string::npos);
  DeleteFileA((Post.Outbox.FolderPath.ToString() + lists[0]).c_str());
  EXPECT_TRUE(mine->Info.BlockNamesRequesters.IsEmpty());
  EXPECT_TRUE(Saved()->Info.BlockNamesRequesters.IsEmpty());
  Answer = 1;

  // A secret discussion takes no request that its sender's key did not seal.
  mine->Info.Secret = 1;
  ASSERT_TRUE(mine->Save());
  ask("gb-stranger", "L-stranger", "other@x", "GIVE_BLOCKS");
  ask("gebl-stranger", "L-stranger", "third@x", "GIVE_EXISTING_BLOCKS_LIST");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_EQ(ListFiles(Post.Inbox.FolderPath.ToString() + "Set aside/"),
            (std::vector<std::string>{"gb-stranger", "gebl-stranger"}));
  EXPECT_TRUE(Showed("HANDLING POST FILE", "gebl-stranger from third@x is about the secret discussion"));
  EXPECT_TRUE(ListFiles(Post.Outbox.FolderPath.ToString()).empty());
  EXPECT_TRUE(mine->Info.BlockNamesRequesters.IsEmpty());

  // An author's request so sealed, with no key of theirs known here, is refused as well; the
  // author is told at the address known for them, readable without the leader's Key, and
  // the leader what to do.
  ModelHooks().PrivateMessageKey = [] { return TStr("lead key 1"); };
  ask("gb-author", "L-me", "elsewhere@x", "GIVE_BLOCKS");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE",
                     "The GIVE_BLOCKS message gb-author from elsewhere@x is about the secret discussion Ecology, but "
                     "is sealed as for a public discussion, and no key is known here yet for its sender: nobody can "
                     "tell who wrote it. It is set aside, and the author of that name is told at the address known "
                     "for them, me@x (YOUR_COMMAND_IGNORED). If elsewhere@x takes part, ask them for their Key "
                     "(\"My data\") and give them yours; then they send it again."));
  const std::string outbox = Post.Outbox.FolderPath.ToString();
  std::vector<std::string> told = ListFiles(outbox);
  ASSERT_EQ(told.size(), 1u);
  TCommandMessageHeader answer;
  ASSERT_TRUE(ReadMessageHeader(outbox + told[0], answer));
  EXPECT_EQ(answer.GetFieldValue("COMMAND"), "YOUR_COMMAND_IGNORED");
  EXPECT_EQ(answer.GetFieldValue("IGNORED_COMMAND"), "GIVE_BLOCKS");
  EXPECT_EQ(answer.GetFieldValue("PRIVATE_REQ"), "0");
  EXPECT_EQ(answer.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "me@x");
  EXPECT_NE(answer.GetFieldValue("RESULT_COMMENT").find("Discussion Ecology is private now."), std::string::npos);
  {
    HANDLE file = CreateFileA((outbox + told[0]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_TRUE(VerifyFileSign(file, false, ""));
    CloseHandle(file);
  }
  DeleteFileA((outbox + told[0]).c_str());

  // More forged requests in that name, after a restart too, mail the author no more; the
  // box says they were told before.
  TAppliedMessages::Reset();
  ask("gb-author-2", "L-me", "elsewhere@x", "GIVE_BLOCKS");
  ask("gebl-author-3", "L-me", "third@x", "GIVE_EXISTING_BLOCKS_LIST");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(ListFiles(outbox).empty());
  EXPECT_TRUE(Showed("HANDLING POST FILE",
                     "gb-author-2 from elsewhere@x is about the secret discussion Ecology, but is sealed as for a "
                     "public discussion, and no key is known here yet for its sender: nobody can tell who wrote it. "
                     "It is set aside; the author of that name was told at the address known for them, me@x, of an "
                     "earlier one, and is told again only after a message of theirs is taken."));
  EXPECT_TRUE(Showed("HANDLING POST FILE", "gebl-author-3 from third@x"));

  // Requests for the model in that name are not theirs either: one the leader declines, one
  // taken at once for the author's address, each in a run of its own; the forged request
  // after them mails the author no more.
  ask("gm-author-5", "L-me", "stranger@x", "GIVE_MODEL");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("GIVE_MODEL", "Non-advised person stranger@x requests the Discussion. Post it to him/her?"));
  for (const std::string& name : ListFiles(outbox)) DeleteFileA((outbox + name).c_str());
  ask("gm-author-6", "L-me", "me@x", "GIVE_MODEL");
  Perform();
  EXPECT_EQ(mine->Info.ModelRequesters, "me@x");
  // A forged request in that name once the author was told: set aside, mailing nobody.
  const auto toldBefore = [&](const std::string& name) {
    ask(name, "L-me", "elsewhere@x", "GIVE_BLOCKS");
    Boxes.clear();
    Perform();
    EXPECT_TRUE(ListFiles(outbox).empty());
    EXPECT_TRUE(Showed("HANDLING POST FILE",
                       name + " from elsewhere@x is about the secret discussion Ecology, but is sealed as for a "
                              "public discussion, and no key is known here yet for its sender: nobody can tell who "
                              "wrote it. It is set aside; the author of that name was told"))
        << name;
  };
  toldBefore("gb-author-7");

  // A message in their name taken here, sealed with their Key, proves nothing of who wrote
  // it (everybody who holds the Key can seal with it): the next forged one mails them no more.
  ModelHooks().KeyOfLogin = [](const TStr& lident, const TStr&) {
    return lident == "L-me" ? TStr("me key 1") : TStr();
  };
  const auto theirs = [&](const std::string& name) {
    Compose(inbox + name, "L-me",
            {{"FROM_USER_EMAIL", "me@x"},
             {"COMMAND", "GIVE_EXISTING_BLOCKS_LIST"},
             {"DIDENT", "D-1"},
             {"PRIVATE_REQ", "1"}},
            "me key 1");
  };
  theirs("gebl-me");
  TMessageSigner signer;
  {
    HANDLE file = CreateFileA((inbox + "gebl-me").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_TRUE(VerifyFileSignature(file, signer));
    CloseHandle(file);
  }
  Perform();
  EXPECT_EQ(mine->Info.BlockNamesRequesters, "me@x");
  toldBefore("gb-author-8");
  // One signed with the key pinned for them is theirs: the next forged one tells them again.
  TLoginsStorage pinned;
  pinned.Pins.AddItem(TPinnedKey{TStr("L-me"), TStr("me@x"), signer.PublicKey});
  TLoginsStorage* const logins = std::exchange(ModelHooks().Logins, &pinned);
  theirs("gebl-me-2");
  Perform();
  ModelHooks().Logins = logins;
  ask("gb-author-4", "L-me", "elsewhere@x", "GIVE_BLOCKS");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", "gb-author-4 from elsewhere@x is about the secret discussion Ecology"));
  told = ListFiles(outbox);
  ASSERT_EQ(told.size(), 1u);
  TCommandMessageHeader again;
  ASSERT_TRUE(ReadMessageHeader(outbox + told[0], again));
  EXPECT_EQ(again.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "me@x");
}

TEST_F(Handlers, IdentifiersGivenByTheLeaderAreStoredInTheReadersRecord) {
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  const auto answer = [&](const std::string& name, const std::string& lident, const TFields& more) {
    TFields fields{{"FROM_USER_EMAIL", "lead@x"}, {"COMMAND", "AUTHOR_IDENTS_GENERATED"}, {"DIDENT", "D-1"},
                   {"AUTHOR_LIDENT", "L-new"}};
    fields.insert(fields.end(), more.begin(), more.end());
    Compose(inbox + name, lident, fields);
  };
  answer("aig-evil", "L-evil", {{"RESULT", "1"}, {"YOUR_ADIDENT", "8"}, {"YOUR_AGIDENT", "AG-8"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", ", who is not "));
  DeleteFileA((inbox + "aig-evil").c_str());
  answer("aig-bad", "L-lead", {{"RESULT", "1"}, {"YOUR_ADIDENT", "8x"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("AUTHOR_IDENTS_GENERATED", "Integer error (8x)"));
  DeleteFileA((inbox + "aig-bad").c_str());
  // Another author's identifier is never taken.
  answer("aig-taken", "L-lead", {{"RESULT", "1"}, {"YOUR_ADIDENT", "3"}, {"YOUR_AGIDENT", "AG-3"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(Showed("HANDLING POST FILE", "aig-taken: "));
  EXPECT_EQ(mine->Authors.FindAuthorByLIdent(TStr("L-new")), -1);
  DeleteFileA((inbox + "aig-taken").c_str());

  answer("aig-refused", "L-lead", {{"RESULT", "0"}, {"RESULT_COMMENT", "Sorry. The Discussion is private."}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_EQ(mine->Info.Subscribed, 1);
  const int author = mine->Authors.FindAuthorByLIdent(TStr("L-new"));
  ASSERT_GE(author, 0);
  // The record has no name yet: the identity it is for names it.
  ASSERT_TRUE(mine->Authors.Author(author).GetShortName().IsEmpty());
  const std::string name = "L-new";
  EXPECT_TRUE(Showed("Author identifier",
                     "Registration of " + name + " is refused.\nComments: Sorry. The Discussion is private."));
  EXPECT_EQ(mine->Authors.Author(author).ADIdent, 0xFFFF);

  answer("aig", "L-lead", {{"RESULT", "1"}, {"YOUR_ADIDENT", "8"}, {"YOUR_AGIDENT", "000001_NEW_X_AGP"}});
  Boxes.clear();
  Perform();
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Showed("Author identifier", "Identifier of " + name + " is received."));
  EXPECT_EQ(mine->Authors.Author(author).ADIdent, 8);
  EXPECT_EQ(mine->Authors.Author(author).AGIdent, "000001_NEW_X_AGP");
}

TEST_F(Handlers, ASecretDiscussionTakesOnlyMessagesSealedWithTheSendersKey) {
  ASSERT_TRUE(mine->Load());
  mine->Info.Secret = 1;
  ASSERT_TRUE(mine->Save());
  mine->Unload();
  // Blocks "from the leader" sealed as every copy of the program can seal them.
  const TDiscBlockIndex root = leader.Storages.GetRootBlockIndex();
  AddBlock(leader, StorageType_Model, root, TextType_Premise, "Forged");
  SendBlocks("1");
  ASSERT_EQ(Deliver().size(), 1u);
  const std::string before = SavedFiles();
  Boxes.clear();
  EXPECT_EQ(Perform(), 0);
  EXPECT_TRUE(Showed("HANDLING POST FILE",
                     "but is sealed as for a public discussion, and no key is known here yet for its sender"));
  EXPECT_EQ(SavedFiles(), before);
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_EQ(ListFiles(Post.Inbox.FolderPath.ToString() + "Set aside/").size(), 1u);

  // What this program writes about a secret discussion is sealed with the sender's key,
  // whatever the message.
  leader.Info.Secret = 1;
  ModelHooks().PrivateMessageKey = [] { return TStr("lead key 1"); };
  AsLeader();
  TCommandMessageHeader header;
  ASSERT_TRUE(StartCommandHeader(header, MakeRecipientsList("me@x")[0], "YOU_SUBSCRIBED"));
  ASSERT_TRUE(header.AddField("DIDENT", "D-1"));
  const std::vector<std::string> old = ListFiles(Post.Outbox.FolderPath.ToString());
  ASSERT_TRUE(WriteCommandMessage(leader, header, "YS", "test", 0));
  AsParticipant();
  std::vector<std::string> now = ListFiles(Post.Outbox.FolderPath.ToString());
  ASSERT_EQ(now.size(), old.size() + 1);
  std::string written;
  for (const std::string& name : now)
    if (std::find(old.begin(), old.end(), name) == old.end()) written = Post.Outbox.FolderPath.ToString() + name;
  EXPECT_NE(ReadFile(written).find("\r\nPRIVATE_REQ=1\r\nDATA\r\n"), std::string::npos);
  HANDLE file = CreateFileA(written.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_TRUE(VerifyFileSign(file, true, "lead key 1"));
  EXPECT_FALSE(VerifyFileSign(file, false, ""));
  CloseHandle(file);
}

// The current login of an installation's logins, with a signing pair and a Key of its own
// and its key password entered at the login.
static TLogin& LogIn(TLoginsStorage& logins, const char* lident, const char* email) {
  logins.Current = logins.AddLogin(TStr(lident), TStr(email));
  TLogin& l = logins.GetLogin(logins.Current);
  l.LIdent = lident;
  EXPECT_TRUE(l.SetKeyPassword(std::string(lident) + " key 1"));
  l.KeyPasswordVerified = 1;
  return l;
}

// The answers of the key-password prompts, each prompt recorded; none left cancels.
std::deque<std::string> gKeyAnswers;
std::vector<std::string> gKeyPrompts;

TEST_F(Handlers, APrivateMessageIsReadWithTheSendersKeyAskedOnceAndKept) {
  TGuiHooks gui = GuiHooks();
  gui.InputString = [](const std::string& caption, const std::string& prompt, const std::string&, std::string& result,
                       bool hidden) {
    gKeyPrompts.push_back(caption + "|" + prompt + (hidden ? "|hidden" : ""));
    if (gKeyAnswers.empty()) return false;
    result = gKeyAnswers.front();
    gKeyAnswers.pop_front();
    return true;
  };
  SetGuiHooks(gui);
  gKeyAnswers.clear();
  gKeyPrompts.clear();
  // Two installations, each with logins of its own: the leader's, whose Key seals what it
  // sends, and the participant's, which knows the leader only by address.
  TLoginsStorage leaders, participants;
  // Files of their own, where the keys they learn are kept.
  leaders.Load(Root + "leaders.cbs");
  participants.Load(Root + "participants.cbs");
  LogIn(leaders, "L-lead", "lead@x");
  LogIn(participants, "L-me", "me@x");
  struct TUnregister {
    ~TUnregister() { UnregisterLoginHooks(); }
  } unregister;

  leader.Info.Secret = 1;
  AddBlock(leader, StorageType_Comments, leader.Storages.GetRootBlockIndex(), TextType_Premise, "Секретный текст");
  const auto send = [&] {
    RegisterLoginHooks(leaders);
    EXPECT_TRUE(leader.SendCommand_NewBlocks_AllComments(MakeRecipientsList("me@x")));
    const std::vector<std::string> names = Deliver();
    EXPECT_EQ(names.size(), 1u);
    RegisterLoginHooks(participants);
    return names.empty() ? std::string() : Post.Inbox.FolderPath.ToString() + names[0];
  };
  const std::string path = send();
  EXPECT_EQ(ReadFile(path).find("Секретный текст"), std::string::npos);  // packed on the way
  // Listed by its header though the key is not known yet, so that the run hands it to its
  // handler, which asks for the key.
  Post.Inbox.Files.Clear();
  Post.Inbox.Refresh(Post);
  ASSERT_EQ(Post.Inbox.Files.Count(), 1u);
  EXPECT_EQ(Post.Inbox.Files[0].Command, "NEW_BLOCKS");
  EXPECT_EQ(Post.Inbox.Files[0].DIdent, "D-1");
  EXPECT_TRUE(gKeyPrompts.empty());

  // A wrong key: the seal does not verify, nothing is applied, and the key is not kept; the
  // message is refused for good with what the user needs to read it later. The leader's
  // key password is never asked: it seals nothing.
  const std::string leaderKey = leaders.GetLogin(leaders.Current).Key.ToString();
  const std::string before = SavedFiles();
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  const std::string name = path.substr(inbox.size());
  const std::string back =
      " move the file from " + inbox + "Set aside back into " + inbox + ": the next handling asks for the Key.";
  const std::string refusal = "The NEW_BLOCKS message " + name +
                              " from lead@x is sealed with a Key that no Key given here opens: nothing of it can be "
                              "read, and nothing proves who wrote it. It is set aside and not asked about again. To "
                              "read it, get the Key of whoever sealed it (the Key of lead@x if it is theirs; they find "
                              "it in \"My data\"), then" +
                              back;
  TPostFilesHandler run(Post);
  gKeyAnswers = {"L-lead key 1"};
  Boxes.clear();
  EXPECT_FALSE(HandleCommand_NewBlocks(run, path));
  EXPECT_EQ(gKeyPrompts,
            std::vector<std::string>{"KEY|Key of lead@x, for the NEW_BLOCKS message of discussion Ecology:|hidden"});
  EXPECT_EQ(TakeReceivedMessageRefusal(), refusal);
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(SavedFiles(), before);
  EXPECT_EQ(participants.GetKeyOf(TStr("L-lead")), "");
  // Cancelled in a run: it waits for the next run, as the question says, told in one box.
  Boxes.clear();
  EXPECT_EQ(Perform(), 0);
  ASSERT_EQ(gKeyPrompts.size(), 2u);
  EXPECT_EQ(gKeyPrompts[1],
            "KEY|Key of lead@x, for the NEW_BLOCKS message of discussion Ecology. OK with no Key sets "
            "the message aside; Cancel leaves it for the next run:|hidden");
  EXPECT_TRUE(Showed("HANDLING POST FILE", "1 message waits in " + inbox +
                                               " for the next run, which asks for the Key of its sender again:\n" +
                                               name + ": you cancelled its Key question"));
  EXPECT_EQ(InboxNames(), std::vector<std::string>{name});
  // OK with no Key: set aside on purpose with that text, and the next run does not ask.
  gKeyAnswers = {""};
  Boxes.clear();
  EXPECT_EQ(Perform(), 0);
  EXPECT_EQ(gKeyPrompts.size(), 3u);
  EXPECT_TRUE(Showed("HANDLING POST FILE", name + ": The NEW_BLOCKS message " + name +
                                               " from lead@x is sealed with a Key, and you set it aside at its Key "
                                               "question: nothing of it was read or applied. To read it," +
                                               back));
  EXPECT_TRUE(InboxNames().empty());
  Perform();
  EXPECT_EQ(gKeyPrompts.size(), 3u);
  EXPECT_EQ(SavedFiles(), before);
  // Moved back as the box says, it is asked about again.
  ASSERT_TRUE(MoveFileA((inbox + "Set aside/" + name).c_str(), path.c_str()));

  // The right one: the texts arrive, and the leader's Key is kept with the participant's
  // own secrets.
  gKeyAnswers = {leaderKey};
  TError::Instance().Reset();
  EXPECT_EQ(Perform(), 1);
  EXPECT_EQ(gKeyPrompts.size(), 4u);
  EXPECT_TRUE(InboxNames().empty());
  {
    auto saved = Saved();
    ASSERT_EQ(saved->Storages.Comments.Count(), 1);
    EXPECT_EQ(saved->Storages.Comments.Texts(0).Str.Text, "Секретный текст");
  }
  EXPECT_EQ(participants.GetKeyOf(TStr("L-lead")).ToString(), leaderKey);
  EXPECT_EQ(participants.Count(), 1);

  // The next message from the leader is read without asking; the leader's own
  // installation reads what it sent without asking either.
  const std::string next = send();
  THandlerFrame frame("Test");
  EXPECT_TRUE(frame.Open(next, {"NEW_BLOCKS"}));
  RegisterLoginHooks(leaders);
  EXPECT_TRUE(frame.Open(next, {"NEW_BLOCKS"}));
  EXPECT_EQ(gKeyPrompts.size(), 4u);
}

// The Keys the user gives, by the sender the question shows ("Key of x@x:"; "" gives none,
// setting the message aside); a sender not named here is cancelled. At the question
// gAskNoMoreAt the user asks for no more Keys in the run. Each question is recorded by the
// sender it shows.
std::map<std::string, std::string> gKeysGiven;
std::string gAskNoMoreAt;

TInputAnswer AnswerKeyQuestion(const std::string&, const std::string& fullPrompt, const std::string&,
                               std::string& result, bool, const std::string&) {
  const std::string prompt = fullPrompt.substr(0, fullPrompt.find(", for ")) + ":";
  gKeyPrompts.push_back(prompt);
  if (prompt == gAskNoMoreAt) return TInputAnswer::Button;
  const auto given = gKeysGiven.find(prompt);
  if (given == gKeysGiven.end()) return TInputAnswer::Cancelled;
  result = given->second;
  return TInputAnswer::Ok;
}

// The logins of three installations, each in a file of its own: the leader's, a stranger's
// and the participant's, whose hooks hold while the test runs; the Key questions are
// answered by gKeysGiven and gAskNoMoreAt.
struct TKeyLogins {
  explicit TKeyLogins(const std::string& root) {
    TGuiHooks gui = GuiHooks();
    gui.InputStringOrButton = &AnswerKeyQuestion;
    SetGuiHooks(gui);
    gKeyPrompts.clear();
    gAskNoMoreAt.clear();
    Leaders.Load(root + "leaders.cbs");
    Strangers.Load(root + "strangers.cbs");
    Participants.Load(root + "participants.cbs");
    LeaderKey = LogIn(Leaders, "L-lead", "lead@x").Key.ToString();
    LogIn(Strangers, "L-x", "x@x");
    LogIn(Participants, "L-me", "me@x");
  }
  ~TKeyLogins() { UnregisterLoginHooks(); }
  TLoginsStorage Leaders, Strangers, Participants;
  std::string LeaderKey;
};

// Private messages sealed with Keys this installation was never given: a flood of one
// stranger asks for the stranger's Key once a run, the user's setting it aside answering its
// other messages of the same key, and the leader's message of the same run is still asked
// about and read; a flood under many names asks until the user chooses to ask no more, and
// what was not asked waits in the Inbox, told in one box with why, for the next run. With
// the leader's Key kept, strangers' messages in the leader's name that fail it ask their own
// questions, and once set aside are told in a true box: the Key stays kept, and the leader's
// messages of that run and the next open with it unasked. When the leader changes their
// Key, the kept one fails their message, which asks; the new Key given opens it and is kept
// in place of the old.
TEST_F(Handlers, ASendersKeyIsAskedOnceARunHoweverManyTheirMessages) {
  TKeyLogins logins(Root);
  TLoginsStorage &leaders = logins.Leaders, &strangers = logins.Strangers, &participants = logins.Participants;
  const std::string leaderKey = logins.LeaderKey;
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  // A stranger's private message; `when` before the leader's, composed at the run's "now".
  const auto forge = [&](const std::string& name, const std::string& lident, const std::string& from,
                         const std::string& key, const std::string& when = "") {
    RegisterLoginHooks(strangers);
    TFields fields = {{"FROM_USER_EMAIL", from}, {"COMMAND", "NEW_BLOCKS"}, {"DIDENT", "D-1"}, {"PRIVATE_REQ", "1"}};
    if (!when.empty()) fields.push_back({"COMPOSE_DATETIME", when});
    Compose(inbox + name, lident, fields, key);
    RegisterLoginHooks(participants);
  };
  leader.Info.Secret = 1;
  AddBlock(leader, StorageType_Comments, leader.Storages.GetRootBlockIndex(), TextType_Premise, "Текст ведущего");
  const auto lead = [&] {
    RegisterLoginHooks(leaders);
    EXPECT_TRUE(leader.SendCommand_NewBlocks_AllComments(MakeRecipientsList("me@x")));
    EXPECT_EQ(Deliver().size(), 1u);
    RegisterLoginHooks(participants);
  };
  const auto comments = [&] { return Saved()->Storages.Comments.Count(); };
  const auto asked = [](const std::string& prompt) {
    return std::count(gKeyPrompts.begin(), gKeyPrompts.end(), prompt);
  };

  for (int i = 0; i < 50; ++i) forge("x-" + std::to_string(i), "L-x", "x@x", "x's key 4242");
  lead();
  gKeysGiven = {{"Key of lead@x:", leaderKey}, {"Key of x@x:", ""}};
  Boxes.clear();
  Perform();
  EXPECT_EQ(asked("Key of x@x:"), 1);
  EXPECT_EQ(asked("Key of lead@x:"), 1);
  EXPECT_EQ(gKeyPrompts.size(), 2u);
  EXPECT_EQ(comments(), 1);
  EXPECT_TRUE(Showed("HANDLING POST FILE", "50 files set aside:\nx-"));
  EXPECT_TRUE(InboxNames().empty());

  // Five more strangers in one run: the user sets two aside, cancels the third and at the
  // fourth asks for no more Keys; the last three wait, each told why, and the next run asks
  // for their Keys.
  gKeyPrompts.clear();
  for (const char* who : {"y1", "y2", "y3", "y4", "y5"})
    forge(std::string(who) + "-1", std::string("L-") + who, std::string(who) + "@x", "their key 4242");
  gKeysGiven = {{"Key of y1@x:", ""}, {"Key of y2@x:", ""}};
  gAskNoMoreAt = "Key of y4@x:";
  Boxes.clear();
  Perform();
  EXPECT_EQ(gKeyPrompts, (std::vector<std::string>{"Key of y1@x:", "Key of y2@x:", "Key of y3@x:", "Key of y4@x:"}));
  EXPECT_TRUE(Showed("HANDLING POST FILE", "2 files set aside:\ny1-1: "));
  EXPECT_TRUE(Showed("HANDLING POST FILE", "3 messages wait in " + inbox +
                                               " for the next run, which asks for the Key of their senders again:\n"
                                               "y3-1: you cancelled its Key question\n"
                                               "y4-1: you chose \"Ask no more\" at its Key question\n"
                                               "y5-1: not asked, you chose \"Ask no more\" at a Key question"));
  EXPECT_EQ(InboxNames(), (std::vector<std::string>{"y3-1", "y4-1", "y5-1"}));
  gKeyPrompts.clear();
  gAskNoMoreAt.clear();
  gKeysGiven = {{"Key of y3@x:", ""}, {"Key of y4@x:", ""}, {"Key of y5@x:", ""}};
  Boxes.clear();
  Perform();
  EXPECT_EQ(gKeyPrompts, (std::vector<std::string>{"Key of y3@x:", "Key of y4@x:", "Key of y5@x:"}));
  EXPECT_TRUE(InboxNames().empty());

  // A message moved back is asked about in the next run: nothing of a run stays.
  gKeyPrompts.clear();
  gKeysGiven = {{"Key of x@x:", ""}};
  ASSERT_TRUE(MoveFileA((inbox + "Set aside/x-7").c_str(), (inbox + "x-7").c_str()));
  Perform();
  EXPECT_EQ(gKeyPrompts, std::vector<std::string>{"Key of x@x:"});

  // The leader's Key is kept now. Strangers' messages in the leader's name, at the leader's
  // address and at another, sealed with another Key and composed before the leader's next
  // one, fail it: each asks its own question, the user sets both aside, and the box says
  // only what is known of them. The leader's message of the same run is read with the kept
  // Key, unasked, and the Key stays kept.
  gKeyPrompts.clear();
  gKeysGiven = {{"Key of lead@x:", ""}, {"Key of nobody@spam:", ""}};
  leader.Storages.Comments.Texts(0).Str.Text = "Второй текст ведущего";
  forge("lead-forged", "L-lead", "lead@x", "not the leader's", "12/19/2005 09:00:00");
  forge("lead-elsewhere", "L-lead", "nobody@spam", "not the leader's", "12/19/2005 09:00:01");
  lead();
  Boxes.clear();
  Perform();
  EXPECT_EQ(gKeyPrompts, (std::vector<std::string>{"Key of lead@x:", "Key of nobody@spam:"}));
  EXPECT_EQ(Saved()->Storages.Comments.Texts(0).Str.Text, "Второй текст ведущего");
  const auto noKey = [&](const std::string& name, const std::string& from) {
    return name + ": The NEW_BLOCKS message " + name + " from " + from +
           " is sealed with a Key, and you set it aside at its Key question: nothing of it was read or applied. To "
           "read it, move the file from " +
           inbox + "Set aside back into " + inbox + ": the next handling asks for the Key.";
  };
  EXPECT_TRUE(Showed("HANDLING POST FILE", "2 files set aside:\n"));
  EXPECT_TRUE(Showed("HANDLING POST FILE", noKey("lead-forged", "lead@x")));
  EXPECT_TRUE(Showed("HANDLING POST FILE", noKey("lead-elsewhere", "nobody@spam")));
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_EQ(participants.GetKeyOf(TStr("L-lead"), TStr("lead@x")).ToString(), leaderKey);

  // The next run reads the leader's next message with the Key still kept, unasked.
  gKeyPrompts.clear();
  leader.Storages.Comments.Texts(0).Str.Text = "Третий текст ведущего";
  lead();
  Boxes.clear();
  Perform();
  EXPECT_TRUE(gKeyPrompts.empty());
  EXPECT_EQ(Saved()->Storages.Comments.Texts(0).Str.Text, "Третий текст ведущего");
  EXPECT_FALSE(Showed("HANDLING POST FILE", ""));

  // The leader changed their Key: the kept one fails their next message, which asks; the
  // user gives the new Key, the message is applied, and the new Key is kept in its place.
  const std::string changedKey = "leader's new key 9090";
  leaders.GetLogin(leaders.Current).Key = TStr(changedKey);
  leader.Storages.Comments.Texts(0).Str.Text = "Четвёртый текст ведущего";
  lead();
  gKeysGiven = {{"Key of lead@x:", changedKey}};
  Boxes.clear();
  Perform();
  EXPECT_EQ(gKeyPrompts, std::vector<std::string>{"Key of lead@x:"});
  EXPECT_EQ(Saved()->Storages.Comments.Texts(0).Str.Text, "Четвёртый текст ведущего");
  EXPECT_EQ(participants.GetKeyOf(TStr("L-lead")).ToString(), changedKey);
  EXPECT_FALSE(Showed("HANDLING POST FILE", ""));
  EXPECT_TRUE(InboxNames().empty());
}

// The discussion's own people are asked for their Keys before strangers, whatever the
// order their messages came in: three strangers' messages and one in the leader's name from
// another address, all composed before the leader's sealed switch back to public, wait
// until the leader was asked. The one in the leader's name fails the leader's Key, kept
// now, and asks its own question. The user sets the strangers' messages aside, one after
// the other, and the run goes on asking: the leader's Key stays kept.
TEST_F(Handlers, TheDiscussionsOwnPeopleAreAskedForTheirKeysBeforeStrangers) {
  TKeyLogins logins(Root);
  TLoginsStorage &leaders = logins.Leaders, &strangers = logins.Strangers, &participants = logins.Participants;
  const std::string leaderKey = logins.LeaderKey;
  MakeMineSecret();
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  const auto compose = [&](TLoginsStorage& as, const std::string& name, const std::string& lident,
                           const std::string& from, const std::string& command, const std::string& key,
                           const std::string& when) {
    RegisterLoginHooks(as);
    Compose(inbox + name, lident,
            {{"FROM_USER_EMAIL", from},
             {"COMMAND", command},
             {"DIDENT", "D-1"},
             {"PRIVATE_REQ", "1"},
             {"COMPOSE_DATETIME", when}},
            key);
    RegisterLoginHooks(participants);
  };
  compose(strangers, "lead-elsewhere", "L-lead", "nobody@spam", "NEW_BLOCKS", "spam key 4242", "12/19/2005 09:00:00");
  for (const char* who : {"z1", "z2", "z3"})
    compose(strangers, who, std::string("L-") + who, std::string(who) + "@x", "NEW_BLOCKS", "spam key 4242",
            std::string("12/19/2005 09:0") + who[1] + ":00");
  compose(leaders, "mdpu", "L-lead", "lead@x", "MAKE_DISCUSSION_PUBLIC", leaderKey, "12/19/2005 10:00:00");
  gKeysGiven = {{"Key of lead@x:", leaderKey},
                {"Key of nobody@spam:", ""},
                {"Key of z1@x:", ""},
                {"Key of z2@x:", ""},
                {"Key of z3@x:", ""}};
  Boxes.clear();
  Perform();
  EXPECT_EQ(gKeyPrompts, (std::vector<std::string>{
                             "Key of lead@x:", "Key of nobody@spam:", "Key of z1@x:", "Key of z2@x:", "Key of z3@x:"}));
  EXPECT_TRUE(Showed("MAKE_DISCUSSION_PUBLIC", "Discussion Ecology is public now!"));
  EXPECT_EQ(Saved()->Info.Secret, 0);
  EXPECT_TRUE(Showed("HANDLING POST FILE", "4 files set aside:\nlead-elsewhere: "));
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_EQ(participants.GetKeyOf(TStr("L-lead")).ToString(), leaderKey);
}

// A stranger's twenty private messages under one claim, each signed with a key pair of its
// own, ask one question a run. Cancelled, all twenty wait for the next run, told in one box
// with why; set aside there, the one asked about goes aside and the others, signed with other
// keys, wait, each told why.
TEST_F(Handlers, FreshKeysUnderOneClaimAskOneQuestionARun) {
  TKeyLogins logins(Root);
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  for (int i = 0; i < 20; ++i) {
    TLoginsStorage fresh;
    fresh.Load(Root + "fresh" + std::to_string(i) + ".cbs");
    LogIn(fresh, "L-m", "mallory@evil.test");
    RegisterLoginHooks(fresh);
    Compose(
        inbox + (i < 10 ? "m-0" : "m-") + std::to_string(i), "L-m",
        {{"FROM_USER_EMAIL", "mallory@evil.test"}, {"COMMAND", "NEW_BLOCKS"}, {"DIDENT", "D-1"}, {"PRIVATE_REQ", "1"}},
        "mallory key 4242");
  }
  RegisterLoginHooks(logins.Participants);
  const std::string waiting = " for the next run, which asks for the Key of their senders again:\n";
  Boxes.clear();
  Perform();
  EXPECT_EQ(gKeyPrompts, std::vector<std::string>{"Key of mallory@evil.test:"});
  EXPECT_EQ(InboxNames().size(), 20u);
  EXPECT_TRUE(Showed("HANDLING POST FILE", "20 messages wait in " + inbox + waiting +
                                               "m-00: you cancelled its Key question\nm-01: you cancelled its Key "
                                               "question\n"));
  gKeyPrompts.clear();
  gKeysGiven = {{"Key of mallory@evil.test:", ""}};
  Boxes.clear();
  Perform();
  EXPECT_EQ(gKeyPrompts, std::vector<std::string>{"Key of mallory@evil.test:"});
  EXPECT_TRUE(Showed("HANDLING POST FILE", "set aside:\nm-00: "));
  EXPECT_TRUE(Showed("HANDLING POST FILE", "19 messages wait in " + inbox + waiting +
                                               "m-01: the Key question of its sender was answered for a message "
                                               "signed with another key (one question a run for each sender)\n"));
  EXPECT_EQ(InboxNames().size(), 19u);
}

// The leader, whose key is not pinned here and whose Key is kept, writes from a new address:
// a sealed switch back to public, then a comment sealed as for a public discussion. The
// switch's sender is not known at that address, so its question would come after the
// others; the comment, signed with the same key, goes along with it, and both apply in the
// order they were composed. A stranger's message in the leader's name, signed with another
// key, takes neither along.
TEST_F(Handlers, OneSendersMessagesAreHandledInTheOrderTheyWereComposed) {
  TKeyLogins logins(Root);
  TLoginsStorage &leaders = logins.Leaders, &strangers = logins.Strangers, &participants = logins.Participants;
  const std::string leaderKey = logins.LeaderKey;
  ASSERT_TRUE(participants.KeepKeyOf(TStr("L-lead"), TStr("lead@x"), TStr(leaderKey)));
  MakeMineSecret();
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  RegisterLoginHooks(strangers);
  Compose(inbox + "forged", "L-lead",
          {{"FROM_USER_EMAIL", "lead@x"},
           {"COMMAND", "NEW_BLOCKS"},
           {"DIDENT", "D-1"},
           {"PRIVATE_REQ", "1"},
           {"COMPOSE_DATETIME", "12/19/2005 09:00:00"}},
          "spam key 4242");
  RegisterLoginHooks(leaders);
  Compose(inbox + "mdpu", "L-lead",
          {{"FROM_USER_EMAIL", "new@x"},
           {"COMMAND", "MAKE_DISCUSSION_PUBLIC"},
           {"DIDENT", "D-1"},
           {"PRIVATE_REQ", "1"},
           {"COMPOSE_DATETIME", "12/19/2005 10:00:00"}},
          leaderKey);
  AsLeader();
  Login() = {1, TStr("L-lead"), TStr("new@x")};
  AddBlock(leader, StorageType_Comments, leader.Storages.GetRootBlockIndex(), TextType_Premise, "Снова открыто");
  ASSERT_TRUE(leader.SendCommand_NewBlocks_AllComments(MakeRecipientsList("me@x")));
  AsParticipant();
  RegisterLoginHooks(participants);
  ASSERT_EQ(Deliver().size(), 1u);
  gKeysGiven = {{"Key of lead@x:", ""}};
  Boxes.clear();
  Perform();
  EXPECT_EQ(gKeyPrompts, std::vector<std::string>{"Key of lead@x:"});
  EXPECT_TRUE(Showed("MAKE_DISCUSSION_PUBLIC", "Discussion Ecology is public now!"));
  auto saved = Saved();
  EXPECT_EQ(saved->Info.Secret, 0);
  ASSERT_EQ(saved->Storages.Comments.Count(), 1);
  EXPECT_EQ(saved->Storages.Comments.Texts(0).Str.Text, "Снова открыто");
  EXPECT_TRUE(Showed("HANDLING POST FILE", "1 file set aside:\nforged: "));
  EXPECT_TRUE(InboxNames().empty());
}

// A correspondent whose Key the participant holds writes from his own address in the
// leader's identifier, sealed with his own Key, while no key is pinned for the leader. The
// question names his address and the user gives his Key: it opens the message, which proves
// only that it is sealed with that Key. The message is not taken as the leader's, the Key is
// kept for his identifier and address together and never replaces the leader's, and the
// leader's next message opens with the leader's Key, unasked. His next one opens with his
// Key, unasked, and is refused the same way.
TEST_F(Handlers, AKeyGivenForACorrespondentsAddressNeverMakesAMessageTheLeaders) {
  TKeyLogins logins(Root);
  TLoginsStorage &leaders = logins.Leaders, &strangers = logins.Strangers, &participants = logins.Participants;
  const std::string leaderKey = logins.LeaderKey, xKey = strangers.GetLogin(strangers.Current).Key.ToString();
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  leader.Info.Secret = 1;
  AddBlock(leader, StorageType_Comments, leader.Storages.GetRootBlockIndex(), TextType_Premise, "Текст ведущего");
  const auto lead = [&](const char* text) {
    leader.Storages.Comments.Texts(0).Str.Text = text;
    RegisterLoginHooks(leaders);
    EXPECT_TRUE(leader.SendCommand_NewBlocks_AllComments(MakeRecipientsList("me@x")));
    EXPECT_EQ(Deliver().size(), 1u);
    RegisterLoginHooks(participants);
  };
  const auto correspondent = [&](const std::string& name) {
    RegisterLoginHooks(strangers);
    Compose(inbox + name, "L-lead",
            {{"FROM_USER_EMAIL", "x@x"}, {"COMMAND", "NEW_BLOCKS"}, {"DIDENT", "D-1"}, {"PRIVATE_REQ", "1"}}, xKey);
    RegisterLoginHooks(participants);
  };
  lead("Текст ведущего");
  gKeysGiven = {{"Key of lead@x:", leaderKey}, {"Key of x@x:", xKey}};
  Perform();
  ASSERT_EQ(participants.GetKeyOf(TStr("L-lead"), TStr("lead@x")).ToString(), leaderKey);

  const std::string refusal =
      "x-1: The NEW_BLOCKS message x-1 from x@x claims an identifier that discussion Ecology knows here (L-lead), but "
      "nothing proves it theirs: it is not signed with a key known here for them, and the Key that opens it is none "
      "kept for them at an address the discussion knows: a Key proves only that a message is sealed with it. It is "
      "not taken as coming from its leader; nothing of it was applied.";
  correspondent("x-1");
  gKeyPrompts.clear();
  Boxes.clear();
  Perform();
  EXPECT_EQ(gKeyPrompts, std::vector<std::string>{"Key of x@x:"});
  EXPECT_TRUE(Showed("HANDLING POST FILE", refusal)) << Boxes.size();
  EXPECT_EQ(Saved()->Storages.Comments.Texts(0).Str.Text, "Текст ведущего");
  EXPECT_EQ(participants.GetKeyOf(TStr("L-lead"), TStr("lead@x")).ToString(), leaderKey);
  EXPECT_EQ(participants.GetKeyOf(TStr("L-lead"), TStr("X@x")).ToString(), xKey);
  TPublicKey pinned{};
  EXPECT_FALSE(participants.KnownKeyOf(TStr("L-lead"), pinned));

  gKeyPrompts.clear();
  lead("Второй текст ведущего");
  correspondent("x-2");
  Boxes.clear();
  Perform();
  EXPECT_TRUE(gKeyPrompts.empty());
  EXPECT_EQ(Saved()->Storages.Comments.Texts(0).Str.Text, "Второй текст ведущего");
  EXPECT_TRUE(Showed("HANDLING POST FILE", "x-2: The NEW_BLOCKS message x-2 from x@x claims an identifier"));
  EXPECT_TRUE(InboxNames().empty());
}

// Refusals in the leader's name: the leader's own, signed with the key pinned for it, is
// shown; one signed with another key, one in a stranger's identifier with the leader's
// address, and one with the leader's address signed by another key about a request that
// went to the leader are set aside, each with why.
TEST_F(Handlers, ARefusalIsShownInTheLeadersNameOnlyWhenItProvesIt) {
  TLoginsStorage leaders, strangers, participants;
  leaders.Load(Root + "leaders.cbs");
  strangers.Load(Root + "strangers.cbs");
  participants.Load(Root + "participants.cbs");
  const TPublicKey leaderKey = LogIn(leaders, "L-lead", "lead@x").PublicKey;
  LogIn(strangers, "L-x", "x@x");
  LogIn(participants, "L-me", "me@x");
  ASSERT_TRUE(participants.PinSignerKey(TStr("L-lead"), TStr("lead@x"), leaderKey));
  struct TUnregister {
    ~TUnregister() { UnregisterLoginHooks(); }
  } unregister;
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  const std::string sent = Root + "sent-gm";
  WriteMessage(sent, {{"FROM_USER_EMAIL", "me@x"},
                      {"TO_USERS_EMAILS_CRYPTED*", "lead@x"},
                      {"COMMAND", "GIVE_MODEL"},
                      {"DIDENT", "D-asked"}});
  TAppliedMessages::Instance().AwaitAnswer(sent, Now());
  const auto forge = [&](const std::string& name, const std::string& lident, const std::string& dident) {
    RegisterLoginHooks(strangers);
    Compose(inbox + name, lident,
            {{"FROM_USER_EMAIL", "lead@x"},
             {"COMMAND", "YOUR_COMMAND_IGNORED"},
             {"DIDENT", dident},
             {"IGNORED_COMMAND", "GIVE_MODEL"},
             {"RESULT_COMMENT", "The discussion moved. Send your Key to x@x"},
             {"MODEL_NAME", "Ecology"}});
    RegisterLoginHooks(participants);
  };
  forge("yci-other-key", "L-lead", "D-1");
  forge("yci-stranger", "L-x", "D-1");
  forge("yci-asked", "L-x", "D-asked");
  Boxes.clear();
  EXPECT_EQ(Perform(), 0);
  EXPECT_FALSE(Showed("YOUR_COMMAND_IGNORED", ""));
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Showed("HANDLING POST FILE", "3 files set aside:"));
  EXPECT_TRUE(Showed("HANDLING POST FILE",
                     "The message yci-other-key claims to come from lead@x, but is signed "
                     "with another key than the one known for them."));
  EXPECT_TRUE(Showed("HANDLING POST FILE",
                     "yci-stranger: The YOUR_COMMAND_IGNORED message yci-stranger claims to "
                     "come from lead@x (L-x), who is not its leader of discussion Ecology "
                     "here. Nothing of it was applied."));
  EXPECT_TRUE(Showed("HANDLING POST FILE",
                     "yci-asked: The YOUR_COMMAND_IGNORED message yci-asked from lead@x is "
                     "not signed with the key known here for lead@x: someone else wrote it. "
                     "It is not shown; nothing of it was applied."));

  // The leader's own, about the discussion held here or the one asked for, is shown.
  RegisterLoginHooks(leaders);
  AsLeader();
  ASSERT_TRUE(
      leader.SendCommand_YourCommandIgnored(MakeRecipientsList("me@x"), TStr("GIVE_BLOCKS"), TStr(), TStr("Not now")));
  leader.Info.DIdent = "D-asked";
  ASSERT_TRUE(leader.SendCommand_YourCommandIgnored(MakeRecipientsList("me@x"), TStr("GIVE_MODEL"), TStr(), TStr()));
  AsParticipant();
  RegisterLoginHooks(participants);
  Deliver();
  Boxes.clear();
  EXPECT_EQ(Perform(), 2);
  EXPECT_TRUE(Showed("YOUR_COMMAND_IGNORED",
                     "lead@x: Your command GIVE_BLOCKS in Discussion Ecology has been ignored\nComment: Not now"));
  EXPECT_TRUE(Showed("YOUR_COMMAND_IGNORED", "lead@x: Your command GIVE_MODEL in Discussion Ecology has been ignored"));
  EXPECT_FALSE(Showed("HANDLING POST FILE", "set aside"));
}

// The participant's comment goes out to the leader, whose key is not pinned here (none of
// the leader's messages was asked for). Nothing proves a refusal of it the leader's: the
// leader's own and twenty a stranger writes in the leader's identifier and address, once it
// guessed that a comment went out, are told in one box that says so, none in the words it
// carries. Refusals in the leader's name of what never went from here, a command of another
// name or the same command about another discussion, are still set aside, each with why.
TEST_F(Handlers, RefusalsOfACommentThatNoKeyProvesAreToldInOneBoxWithoutTheirWords) {
  TLoginsStorage leaders, strangers, participants;
  leaders.Load(Root + "leaders.cbs");
  strangers.Load(Root + "strangers.cbs");
  participants.Load(Root + "participants.cbs");
  LogIn(leaders, "L-lead", "lead@x");
  LogIn(strangers, "L-lead", "lead@x");
  LogIn(participants, "L-me", "me@x");
  struct TUnregister {
    ~TUnregister() { UnregisterLoginHooks(); }
  } unregister;
  RegisterLoginHooks(participants);
  ASSERT_TRUE(mine->Load());
  AddBlock(*mine, StorageType_Comments, mine->Storages.GetRootBlockIndex(), TextType_Premise, "Мой комментарий");
  ASSERT_TRUE(mine->SendCommand_NewBlocks_AllComments(MakeRecipientsList("lead@x")));
  Post.Outbox.Refresh(Post);
  ASSERT_EQ(Post.Outbox.Files.Count(), 1u);
  TArray<int32_t> outgoing;
  outgoing.AddItem(0);
  TPostFilesHandler packer(Post);
  ASSERT_TRUE(packer.HandlePostFiles(Post.Outbox, outgoing, false, nullptr, "Auto-handling"));
  ASSERT_EQ(Post.OutboxPost.Files.Count(), 1u);

  AsLeader();
  const std::string why =
      "Discussion Ecology is private now. If you sent it, pass your Key (\"My data\") to the leader, then send it "
      "again.";
  const auto refuse = [&](TLoginsStorage& from, const char* command, const char* comment) {
    RegisterLoginHooks(from);
    ASSERT_TRUE(
        leader.SendCommand_YourCommandIgnored(MakeRecipientsList("me@x"), TStr(command), TStr(), TStr(comment)));
  };
  refuse(leaders, "NEW_BLOCKS", why.c_str());
  refuse(strangers, "AUTHORS_UPDATE", "Send your Key to x@x");
  for (int i = 0; i < 20; ++i)
    refuse(strangers, "NEW_BLOCKS",
           ("Discussion Ecology is private now. Send your Key to x" + std::to_string(i) + "@x").c_str());
  leader.Info.DIdent = "D-2";
  refuse(strangers, "NEW_BLOCKS", "Send your Key to x@x");
  AsParticipant();
  RegisterLoginHooks(participants);
  const std::vector<std::string> names = Deliver();
  ASSERT_EQ(names.size(), 23u);
  Boxes.clear();
  EXPECT_EQ(Perform(), 21);
  const auto refusalBoxes = std::count_if(Boxes.begin(), Boxes.end(),
                                          [](const TShownBox& box) { return box.Caption == "YOUR_COMMAND_IGNORED"; });
  EXPECT_EQ(refusalBoxes, 1);
  EXPECT_TRUE(Showed("YOUR_COMMAND_IGNORED",
                     "21 refusals of commands sent from here came, and nothing proves who wrote them: no key known "
                     "here for the discussion's leader signed them, and anyone who knows that a command went out can "
                     "write such a refusal. Their words are not shown, and nothing of them was applied. To know "
                     "whether a command was refused, ask its receiver by other means:\n21 in the name of lead@x, of "
                     "NEW_BLOCKS in discussion Ecology"));
  EXPECT_FALSE(Showed("YOUR_COMMAND_IGNORED", "x@x"));
  EXPECT_FALSE(Showed("YOUR_COMMAND_IGNORED", "has been ignored"));
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_TRUE(Showed("HANDLING POST FILE", "2 files set aside:"));
  for (const auto& [name, command] : {std::pair{names[1], "AUTHORS_UPDATE"}, std::pair{names[22], "NEW_BLOCKS"}})
    EXPECT_TRUE(Showed("HANDLING POST FILE",
                       name + ": The YOUR_COMMAND_IGNORED message " + name + " from lead@x says that your command " +
                           command +
                           " in discussion Ecology was ignored, but no such command went from here to lead@x about "
                           "that discussion, and it is not signed with the key of the discussion's leader here: it is "
                           "not shown. Nothing of it was applied."))
        << name;
}

// A stranger with a key pair of its own writes first in the leader's name, about the
// participant's secret copy but under the seal every copy can make: the screening sets it
// aside, and nothing of it stays, not even its key for the name it claims. The leader's
// genuine message that follows applies; unasked for, it pins no key either, and the
// stranger's next try, without the leader's Key, is still refused.
TEST_F(Handlers, AStrangersRefusedMessageLeavesNoKeyPinnedForTheNameItClaims) {
  TLoginsStorage leaders, strangers, participants;
  leaders.Load(Root + "leaders.cbs");
  strangers.Load(Root + "strangers.cbs");
  participants.Load(Root + "participants.cbs");
  const TLogin& lead = LogIn(leaders, "L-lead", "lead@x");
  LogIn(strangers, "L-lead", "lead@x");
  // The participant was told the leader's Key, but has seen no message of the leader yet.
  LogIn(participants, "L-me", "me@x").CorrespondentKeys.AddItem(TCorrespondentKey{TStr("L-lead"), lead.Key, TStr()});
  struct TUnregister {
    ~TUnregister() { UnregisterLoginHooks(); }
  } unregister;
  ASSERT_TRUE(mine->Load());
  mine->Info.Secret = 1;
  ASSERT_TRUE(mine->Save());
  mine->Unload();
  AddBlock(leader, StorageType_Comments, leader.Storages.GetRootBlockIndex(), TextType_Premise, "Подменённый текст");
  const auto send = [&](TLoginsStorage& from, bool secret) {
    RegisterLoginHooks(from);
    leader.Info.Secret = secret ? 1 : 0;
    EXPECT_TRUE(leader.SendCommand_NewBlocks_AllComments(MakeRecipientsList("me@x")));
    EXPECT_EQ(Deliver().size(), 1u);
    RegisterLoginHooks(participants);
    Boxes.clear();
    return Perform();
  };
  const auto comment = [&] {
    auto saved = Saved();
    return saved->Storages.Comments.Count() == 1 ? saved->Storages.Comments.Texts(0).Str.Text.ToString() : "<none>";
  };
  const auto pins = [&] {
    TLoginsStorage saved;
    saved.Load(Root + "participants.cbs");
    return std::to_string(participants.Pins.Count()) + " " + std::to_string(saved.Pins.Count());
  };

  EXPECT_EQ(send(strangers, false), 0);
  EXPECT_TRUE(Showed("HANDLING POST FILE",
                     "but is sealed as for a public discussion, and no key is known here yet for its sender"));
  EXPECT_EQ(pins(), "0 0");

  leader.Storages.Comments.Texts(0).Str.Text = "Настоящий текст";
  EXPECT_EQ(send(leaders, true), 1);
  EXPECT_EQ(comment(), "Настоящий текст");
  EXPECT_EQ(pins(), "0 0");

  leader.Storages.Comments.Texts(0).Str.Text = "Подменённый текст";
  EXPECT_EQ(send(strangers, true), 0);
  EXPECT_EQ(comment(), "Настоящий текст");
  EXPECT_EQ(pins(), "0 0");
}

// A stranger writes first in a reader's name asking to subscribe, and the leader declines:
// the request is not asked again when delivered again, and it vouches for no key. The
// genuine reader's own request then subscribes the reader and pins the reader's key.
TEST_F(Handlers, ADeclinedRequestPinsNoKeyForTheNameItClaims) {
  TLoginsStorage leaders, strangers, readers;
  leaders.Load(Root + "leaders.cbs");
  strangers.Load(Root + "strangers.cbs");
  readers.Load(Root + "readers.cbs");
  LogIn(leaders, "L-lead", "lead@x");
  LogIn(strangers, "L-x", "x@x");
  const TPublicKey genuine = LogIn(readers, "L-x", "x@x").PublicKey;
  struct TUnregister {
    ~TUnregister() { UnregisterLoginHooks(); }
  } unregister;
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  const auto request = [&](TLoginsStorage& from, const std::string& path) {
    RegisterLoginHooks(from);
    Compose(path, "L-x", {{"FROM_USER_EMAIL", "x@x"}, {"COMMAND", "SUBSCRIBE_ME"}, {"DIDENT", "D-1"}});
    RegisterLoginHooks(leaders);
  };
  const auto pins = [&] {
    TLoginsStorage saved;
    saved.Load(Root + "leaders.cbs");
    return std::to_string(leaders.Pins.Count()) + " " + std::to_string(saved.Pins.Count());
  };
  const std::string asked = "x@x requests subscribing for\nEcology discussion;\nsatisfy it?";

  request(strangers, inbox + "sm-stranger");
  const std::string forged = ReadFile(inbox + "sm-stranger");
  Answer = 1;  // No
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  Answer = -1;
  EXPECT_TRUE(Showed("SUBSCRIBE_ME", asked));
  EXPECT_TRUE(InboxNames().empty());
  EXPECT_EQ(Saved()->Authors.FindAuthorByLIdent(TStr("L-x")), -1);
  EXPECT_EQ(pins(), "0 0");

  WriteFile(inbox + "sm-stranger", forged);
  Boxes.clear();
  EXPECT_EQ(Perform(), 0);
  EXPECT_FALSE(Showed("SUBSCRIBE_ME", asked));
  EXPECT_EQ(pins(), "0 0");
  DeleteFileA((inbox + "sm-stranger").c_str());
  TError::Instance().Reset();

  request(readers, inbox + "sm-genuine");
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  EXPECT_TRUE(Showed("SUBSCRIBE_ME", asked));
  EXPECT_GE(Saved()->Authors.FindAuthorByLIdent(TStr("L-x")), 0);
  EXPECT_EQ(pins(), "1 1");
  TPublicKey known;
  ASSERT_TRUE(leaders.KnownKeyOf(TStr("L-x"), known));
  EXPECT_EQ(known, genuine);
}

// The post state cannot be kept after a run subscribed a reader (the disk failed, or the
// process died before it): the request stays, and handled again after the restart it
// lists the reader's address though the reader is subscribed already.
TEST_F(Handlers, ASubscriberLostFromTheAdvisedListIsListedWhenTheRequestComesAgain) {
  AsLeader();
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  Compose(inbox + "sm", "L-new", {{"FROM_USER_EMAIL", "new@x"}, {"COMMAND", "SUBSCRIBE_ME"}, {"DIDENT", "D-1"}});
  ASSERT_TRUE(Post.Save());
  const TStr kept = Post.CBSFileName;
  Post.SetCBSFileName(Root + "gone/Post.cbs");
  Perform();
  Post.SetCBSFileName(kept);
  ASSERT_TRUE(Post.Load());
  EXPECT_EQ(Post.AdvertisingList.ToString(), "");
  EXPECT_EQ(InboxNames(), std::vector<std::string>{"sm"});
  EXPECT_GE(Saved()->Authors.FindAuthorByLIdent(TStr("L-new")), 0);

  TError::Instance().Reset();
  Boxes.clear();
  EXPECT_EQ(Perform(), 1);
  EXPECT_TRUE(Showed("SUBSCRIBE_ME", "new@x already subscribed for\nEcology discussion!"));
  EXPECT_TRUE(InboxNames().empty());
  ASSERT_TRUE(Post.Load());
  EXPECT_EQ(Post.AdvertisingList.ToString(), "new@x\r\n");
}

// The Outbox messages whose names carry the short code, read as a handler reads them.
static std::vector<TCommandMessageHeader> OutboxMessages(TPost& post, const std::string& command, const std::string& code) {
  std::vector<TCommandMessageHeader> found;
  const std::string folder = post.Outbox.FolderPath.ToString();
  for (const std::string& name : ListFiles(folder)) {
    if (name.find("-" + code + "-") == std::string::npos) continue;
    THandlerFrame frame("Test");
    EXPECT_TRUE(frame.Open(folder + name, {command})) << name;
    found.push_back(frame.Header);
  }
  return found;
}

TEST_F(Handlers, AnAnnouncementAskedForWritesAModelRequestAndPacksIt) {
  platform::HeadlessScreen screen{800, 600};
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  TLoginsStorage logins;
  logins.Current = logins.AddLogin(TStr("Boss"), TStr("boss@x"));
  testsupport::TScopedGlobal setLogins(ModelHooks().Logins, &logins);
  TAuthor author;
  author.LastName = "Lead";
  author.PrivateEMail = "lead@home";
  author.AutomaticEMail = "lead@x";
  const auto announce = [&](const std::string& name, const std::string& dident) {
    Compose(Post.Inbox.FolderPath.ToString() + name, "L-lead",
            {{"FROM_USER_EMAIL", "lead@x"}, {"COMMAND", "NEW_ANNOTATION"}, {"COMPOSE_DATETIME", "12/19/2005 14:05:09"},
             {"DIDENT", dident}, {"MODEL_NAME", "Forests"}, {"MODEL_NICK", "Forest"}, {"PRIVATE_REQ", "0"},
             {"MODERATED", "0"}, {"AUTHOR_DATA", author.EncodeAuthorDataStr().ToString()},
             {"ANNOTATION", "About <a href=x>forests</a>"}});
  };
  // Ignored: handled, nothing written.
  announce("na-1", "D-8");
  script.Press("NEW ANNOTATION", "Button3");
  EXPECT_EQ(Perform(), 1);
  EXPECT_TRUE(OutboxMessages(Post, "GIVE_MODEL", "GM").empty());

  announce("na-2", "D-9");
  std::string shown, kind, authorInfo;
  script.Answer("NEW ANNOTATION", [&](TCustomForm& form) {
    auto& window = dynamic_cast<TFormNewAnnotation&>(form);
    shown = window.MemoAnnotation->Text();
    kind = window.LabelPublicPrivate->Caption();
    authorInfo = window.MemoAuthorInfo->Text();
    platform::PressControl(form, "Button1");
  });
  EXPECT_EQ(Perform(), 1);
  EXPECT_EQ(shown, "About <a href=x>forests</a>");
  EXPECT_EQ(kind, "public");
  EXPECT_NE(authorInfo.find("private lead@home\r\n"), std::string::npos);
  EXPECT_NE(authorInfo.find("automatic lead@x"), std::string::npos);
  // Packed at once: the parts, received, unpack into the Inbox again.
  const std::string outboxPost = Post.OutboxPost.FolderPath.ToString(), inboxPost = Post.InboxPost.FolderPath.ToString();
  const std::vector<std::string> parts = ListFiles(outboxPost);
  ASSERT_FALSE(parts.empty());
  for (const std::string& part : parts) ASSERT_TRUE(CopyFileA((outboxPost + part).c_str(), (inboxPost + part).c_str(), TRUE));
  Post.InboxPost.Refresh(Post);
  TArray<int32_t> received;
  for (uint32_t i = 0; i < Post.InboxPost.Files.Count(); ++i) received.AddItem(int32_t(i));
  TPostFilesHandler join(Post);
  join.HandlePostFiles(Post.InboxPost, received, false, nullptr, "Join");
  std::vector<TCommandMessageHeader> requests;
  for (const std::string& name : InboxNames()) {
    if (name.find("-GM-") == std::string::npos) continue;
    THandlerFrame frame("Test");
    ASSERT_TRUE(frame.Open(Post.Inbox.FolderPath.ToString() + name, {"GIVE_MODEL"}));
    requests.push_back(frame.Header);
  }
  ASSERT_EQ(requests.size(), 1u);
  std::vector<std::string> names;
  for (size_t i = 0; i < requests[0].FieldCount(); ++i) names.push_back(requests[0].Field(i).Name.ToString());
  EXPECT_EQ(names, (std::vector<std::string>{"SENDER_LIDENT", "FROM_USER_EMAIL", "TO_USERS_EMAILS_CRYPTED", "COMMAND",
                                             "PRIVATE_REQ", "COMPOSE_DATETIME", "DIDENT"}));
  EXPECT_EQ(requests[0].GetFieldValue("FROM_USER_EMAIL"), "boss@x");
  EXPECT_EQ(requests[0].GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "lead@x");
  EXPECT_EQ(requests[0].GetFieldValue("DIDENT"), "D-9");
}

TEST_F(Handlers, TheLeaderGivesIdentifiersInItsWindowAndTheReaderStoresThem) {
  platform::HeadlessScreen screen{800, 600};
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  // The leader's installation: a data folder and discussions of its own.
  TDiscussionsManager leaderSide;
  ASSERT_TRUE(leaderSide.Init(Root + "LeaderSide"));
  const int index = leaderSide.CreateNewDiscussion(leaderSide.DiscussedRoot, TStr("Ecology"), true, 0);
  ASSERT_GE(index, 0);
  TDiscussion& led = leaderSide.GetDiscussion(index);
  Describe(led);
  ASSERT_TRUE(led.Save());
  DiscussionsManager() = &leaderSide;
  AsLeader();
  TAuthor reader;
  reader.LIdent = "L-new";
  reader.LastName = "Newman";
  reader.AutomaticEMail = "new@x";
  const auto request = [&](const std::string& name, const std::string& lident, const std::string& from) {
    Compose(Post.Inbox.FolderPath.ToString() + name, lident,
            {{"FROM_USER_EMAIL", from}, {"COMMAND", "GENERATE_AUTHOR_IDENTS"}, {"PRIVATE_REQ", "0"},
             {"DIDENT", "D-1"}, {"AUTHOR_DATA", reader.EncodeAuthorDataStr().ToString()}, {"MODEL_NICK", "Ecology"}});
  };
  request("gai", "L-new", "new@x");
  script.Answer("Expert identifier request", [&](TCustomForm& form) {
    platform::SetControlValue(form, "MemoResultComment", "Welcome");
    platform::PressControl(form, "ButtonGenerate");
  });
  Perform();
  const int given = led.Authors.FindAuthorByLIdent(TStr("L-new"));
  ASSERT_GE(given, 0);
  const TAuthor& record = led.Authors.Author(given);
  EXPECT_EQ(record.ADIdent, 4);  // one above the largest
  EXPECT_EQ(record.LastName, "Newman");
  EXPECT_EQ(record.IdentsGiven, 1);
  EXPECT_EQ(record.Subscriber, 1);
  ASSERT_GE(record.AGIdent.ToString().size(), 10u);
  EXPECT_EQ(record.AGIdent.ToString().substr(record.AGIdent.ToString().size() - 4), "_AGP");
  const TStr agident = record.AGIdent;

  // The answer reaches the reader's installation.
  ASSERT_EQ(Deliver().size(), 1u);
  DiscussionsManager() = &manager;
  AsParticipant();
  Boxes.clear();
  Perform();
  const int stored = mine->Authors.FindAuthorByLIdent(TStr("L-new"));
  ASSERT_GE(stored, 0);
  EXPECT_EQ(mine->Authors.Author(stored).ADIdent, 4);
  EXPECT_EQ(mine->Authors.Author(stored).AGIdent, agident);
  EXPECT_TRUE(Showed("Author identifier", " is received.\nComments: Welcome"));

  // A stranger to a discussion for subscribers only is refused without the window.
  DiscussionsManager() = &leaderSide;
  AsLeader();
  led.Info.SubscribersOnly = 1;
  request("gai-2", "L-far", "far@x");
  Answer = 1;  // No
  Perform();
  EXPECT_EQ(led.Authors.FindAuthorByLIdent(TStr("L-far")), -1);
  const auto answers = OutboxMessages(Post, "AUTHOR_IDENTS_GENERATED", "AIG");
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].GetFieldValue("RESULT"), "0");
  EXPECT_EQ(answers[0].GetFieldValue("RESULT_COMMENT"), "Sorry. The Discussion is private.");
  EXPECT_FALSE(answers[0].HasField("YOUR_ADIDENT"));
  EXPECT_EQ(answers[0].GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "far@x");
  DiscussionsManager() = &manager;
}
