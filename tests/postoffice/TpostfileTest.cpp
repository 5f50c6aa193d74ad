// Post folders: the scan with message data, history moves and broadcast copies, the names
// of new post files and the spammers text.

#include "Posttesthelpers.h"

#include "foundation/Fileroutines.h"
#include "foundation/Terror.h"
#include "foundation/Postfilename.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Tdatetime.h"
#include "postoffice/Postarchives.h"
#include "postoffice/Postdates.h"
#include "postoffice/Tpostadaptor.h"
#include "tests/support/Testsupport.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace posttest;
using testsupport::ReadFile;
using testsupport::RunPeer;
using testsupport::WriteFile;

namespace {

class PostFolders : public PostTest {};

TFields MessageFields(const std::string& command, const std::string& receivers = "b@y; c@z") {
  return {{"FROM_USER_EMAIL", "a@x"},
          {"TO_USERS_EMAILS_CRYPTED*", receivers},
          {"TO_ROBOTS_EMAILS_CRYPTED*", "robot@r"},
          {"COMMAND", command},
          {"DIDENT", "D-77"},
          {"COMPOSE_DATETIME", "12/19/2005 14:05:09"},
          {"ATTACHED_FILENAME", "Leafguard.dll"}};
}

TEST_F(PostFolders, ARefreshListsNewFilesWithTheirMessageData) {
  const std::string outbox = Post.Outbox.FolderPath.ToString(), outboxPost = Post.OutboxPost.FolderPath.ToString();
  WriteMessage(outbox + "M-1", MessageFields("NEW_BLOCKS"), "data");
  WriteMessage(outbox + "Unsealed", MessageFields("NEW_BLOCKS"), "data", false);
  WriteMessage(outbox + "Dollar", MessageFields("SUBSCRIBE_ME", "$robot"), "", false);
  WriteFile(outbox + "Garbage", "not a command message at all\r\n");
  WriteFile(outboxPost + "M-1.cab", "cab");
  WriteFile(outboxPost + "M-1.1_2", "p1");
  WriteFile(outboxPost + "M-1.cab1", "leftover");
  WriteFile(outboxPost + "Other.1_1", "p");

  Post.Outbox.Refresh(Post);
  Post.OutboxPost.Refresh(Post);
  EXPECT_FALSE(IsErrorReported());  // a message that does not read is no error of ours
  EXPECT_TRUE(Reports.empty());

  ASSERT_EQ(Post.Outbox.Files.Count(), 4u);
  const TPostFile& m = Post.Outbox.Files[uint32_t(Post.Outbox.FindPostFile("M-1"))];
  EXPECT_EQ(m.Sender, "a@x");
  EXPECT_EQ(m.Receivers, "b@y; c@z");
  EXPECT_EQ(m.Robots, "robot@r");
  EXPECT_EQ(m.Command, "NEW_BLOCKS");
  EXPECT_EQ(m.DIdent, "D-77");
  EXPECT_EQ(m.AttachedFileName, "Leafguard.dll");
  EXPECT_DOUBLE_EQ(m.ComposeTime, EncodeDate(2005, 12, 19) + EncodeTime(14, 5, 9, 0));
  EXPECT_EQ(m.Size, ReadFile(outbox + "M-1").size());
  EXPECT_EQ(m.Processed, 0);
  // Without a seal only a receivers text beginning with "$" lets the fields be taken.
  const TPostFile& unsealed = Post.Outbox.Files[uint32_t(Post.Outbox.FindPostFile("Unsealed"))];
  EXPECT_TRUE(unsealed.Command.IsEmpty());
  EXPECT_TRUE(unsealed.Receivers.IsEmpty());
  EXPECT_EQ(Post.Outbox.Files[uint32_t(Post.Outbox.FindPostFile("Dollar"))].Command, "SUBSCRIBE_ME");
  EXPECT_TRUE(Post.Outbox.Files[uint32_t(Post.Outbox.FindPostFile("Garbage"))].Command.IsEmpty());

  // Parts take the data of their message; the cabinet writer's leftover is deleted.
  EXPECT_EQ(Post.OutboxPost.FindPostFile("M-1.cab1"), -1);
  EXPECT_FALSE(IsFileExists(outboxPost + "M-1.cab1"));
  EXPECT_EQ(Post.OutboxPost.Files[uint32_t(Post.OutboxPost.FindPostFile("M-1.cab"))].Command, "NEW_BLOCKS");
  EXPECT_EQ(Post.OutboxPost.Files[uint32_t(Post.OutboxPost.FindPostFile("M-1.1_2"))].DIdent, "D-77");
  EXPECT_TRUE(Post.OutboxPost.Files[uint32_t(Post.OutboxPost.FindPostFile("Other.1_1"))].Command.IsEmpty());
  EXPECT_GE(Post.IssuedNames.IndexOf(TStr("M-1.1_2")), 0);

  // A second refresh keeps the records; files that went away leave the list.
  Post.OutboxPost.Files[0].Processed = 1;
  DeleteFileA((outboxPost + "Other.1_1").c_str());
  Post.OutboxPost.Refresh(Post);
  EXPECT_EQ(Post.OutboxPost.Files.Count(), 2u);
  EXPECT_EQ(Post.OutboxPost.Files[0].Processed, 1);
  EXPECT_TRUE(Post.OutboxPost.HasUnhandledPostFile("D-77", "NEW_BLOCKS"));
  EXPECT_FALSE(Post.OutboxPost.HasUnhandledPostFile("D-77", "GIVE_MODEL"));

  TArray<TPostsListItem> unprocessed, byCommand;
  Post.OutboxPost.ListUnprocessed(unprocessed);
  ASSERT_EQ(unprocessed.Count(), 1u);
  EXPECT_EQ(unprocessed[0].Index, 1);
  Post.Outbox.ListByCommand(byCommand, "SUBSCRIBE_ME");
  ASSERT_EQ(byCommand.Count(), 1u);

  // A received message lends its data to the parts already listed in InboxPost.
  const std::string inboxPost = Post.InboxPost.FolderPath.ToString();
  WriteFile(inboxPost + "R-5.1_1", "p");
  WriteFile(inboxPost + "R-55.1_1", "p");
  Post.InboxPost.Refresh(Post);
  WriteMessage(Post.Inbox.FolderPath.ToString() + "R-5", MessageFields("GIVE_MODEL"));
  Post.Inbox.Refresh(Post);
  EXPECT_EQ(Post.InboxPost.Files[uint32_t(Post.InboxPost.FindPostFile("R-5.1_1"))].Command, "GIVE_MODEL");
  EXPECT_TRUE(Post.InboxPost.Files[uint32_t(Post.InboxPost.FindPostFile("R-55.1_1"))].Command.IsEmpty());

  // A missing folder is reported.
  TPostFilesStorage gone;
  gone.FolderPath = Root + "Nowhere/";
  gone.Refresh(Post);
  ASSERT_FALSE(Reports.empty());
  EXPECT_EQ(Reports.back(), "Post catalog not found: " + Root + "Nowhere/");
}

TEST_F(PostFolders, ProcessedFilesAreDeletedOrMovedToHistoryUnderUniqueNames) {
  const std::string inbox = Post.Inbox.FolderPath.ToString(), inboxPost = Post.InboxPost.FolderPath.ToString();
  WriteFile(inbox + "A", "a");
  WriteFile(inbox + "B", "b");
  Post.Inbox.Refresh(Post);
  Post.Inbox.Files[uint32_t(Post.Inbox.FindPostFile("A"))].Processed = 1;
  Post.Inbox.DeleteProcessedFiles();
  EXPECT_FALSE(IsFileExists(inbox + "A"));
  ASSERT_EQ(Post.Inbox.Files.Count(), 1u);
  EXPECT_EQ(Post.Inbox.Files[0].Name, "B");

  const std::string history = Root + "InboxPostHistory/";
  ASSERT_TRUE(CreateFolder(history));
  WriteFile(history + "N-001", "old");
  WriteFile(history + "X.1_2", "old");
  WriteFile(inboxPost + "N-001", "new");
  WriteFile(inboxPost + "X.1_2", "new part");
  WriteFile(inboxPost + "Y.1_1", "unprocessed");
  Post.InboxPost.Refresh(Post);
  for (TPostFile& f : Post.InboxPost.Files) f.Processed = f.Name == "Y.1_1" ? 0 : 1;
  Post.InboxPost.MoveProcessedToHistory(Post);
  EXPECT_EQ(ReadFile(history + "N-001#2"), "new");
  EXPECT_EQ(ReadFile(history + "X#2.1_2"), "new part");
  EXPECT_EQ(ReadFile(history + "N-001"), "old");
  ASSERT_EQ(Post.InboxPost.Files.Count(), 1u);
  EXPECT_EQ(Post.InboxPost.Files[0].Name, "Y.1_1");
  // One box a move tells of both taken names.
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Caption, "MOVING MESSAGE FILE TO HISTORY FOLDER");
  EXPECT_EQ(Boxes[0].Text.rfind("The message files\n", 0), 0u) << Boxes[0].Text;
  EXPECT_NE(Boxes[0].Text.find("\n" + history + "X.1_2\n"), std::string::npos) << Boxes[0].Text;
  EXPECT_NE(Boxes[0].Text.find("\n" + history + "N-001\n"), std::string::npos) << Boxes[0].Text;
  EXPECT_NE(Boxes[0].Text.find("\nalready exist.\nThe handled messages will be placed to the same folders with suffix "
                               "#N appended to their names."),
            std::string::npos);

  std::string third = history + "N-001";
  Boxes.clear();
  MakeHistoryPathUnique(third);
  EXPECT_EQ(third, history + "N-001#3");
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, "The message file " + history +
                               "N-001 already exists.\nThe handled message will be "
                               "placed to " +
                               Root + "InboxPostHistory folder with suffix #N appended to its name.");

  // Thirty taken names and thirty moves that fail in one run: one box of each, ten named.
  Boxes.clear();
  {
    TRetireBoxes run;
    for (int i = 0; i < 30; ++i) {
      const std::string name = "J-" + std::to_string(10 + i) + ".1_1";
      WriteFile(history + name, "old");
      WriteFile(inboxPost + name, "again");
      EXPECT_TRUE(RetirePostFile(inboxPost + name, name, "", history));
      EXPECT_FALSE(RetirePostFile(inboxPost + "gone-" + name, "gone-" + name, "", history));
    }
    EXPECT_TRUE(Boxes.empty());
  }
  ASSERT_EQ(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[0].Text.rfind("The message files\n" + history + "J-10.1_1\n", 0), 0u) << Boxes[0].Text;
  EXPECT_NE(Boxes[0].Text.find("\n" + history + "J-19.1_1\nand 20 more\nalready exist.\n"), std::string::npos)
      << Boxes[0].Text;
  EXPECT_EQ(Boxes[1].Text.rfind("Error moving 30 files to history:\ngone-J-10.1_1: ", 0), 0u) << Boxes[1].Text;
  EXPECT_NE(Boxes[1].Text.find("\nand 20 more\nThey will be moving next time."), std::string::npos) << Boxes[1].Text;
  EXPECT_EQ(ReadFile(history + "J-39#2.1_1"), "again");
}

// A free name fits the folder's file system and its search ends. A taken name of 255 bytes
// on the disk, or of 127 Cyrillic letters, gets its mark by a cut of its base at a
// character, a part keeps its postfix after the mark; a name whose every counted name is
// taken gets a chosen mark, and a folder that may not be searched gives none. A name too
// long to be there is not there.
TEST_F(PostFolders, AFreeNameFitsTheDiskAndItsSearchEnds) {
  const std::string folder = Root + "names/";
  ASSERT_TRUE(CreateFolder(folder));
  const std::string latin(255, 'q'), cyrillic(127, '\xE6'), part = std::string(251, 'p') + ".1_3";
  for (const std::string& name : {latin, cyrillic, part}) WriteFile(platform::SystemPath(folder + name), "taken");
  EXPECT_EQ(FreeFileName(folder, latin), std::string(253, 'q') + "#2");
  EXPECT_EQ(FreeFileName(folder, cyrillic), std::string(126, '\xE6') + "#2");
  EXPECT_EQ(FreeFileName(folder, part, true), std::string(249, 'p') + "#2.1_3");
  EXPECT_EQ(FreeFileName(folder, "free.1_3", true), "free.1_3");
  EXPECT_FALSE(IsFileExists(folder + latin + "q"));
  EXPECT_EQ(PathState(folder + latin + "q"), TPathState::Unknown);

  // Others' files that hold every counted name leave a chosen one: twelve random digits.
  RunPeer("cd " + folder + " && : > M.1_1 && for i in $(seq 2 " + std::to_string(MaxCountedNames) +
          "); do : > \"M#$i.1_1\"; done");
  const std::string chosen = FreeFileName(folder, "M.1_1", true), again = FreeFileName(folder, "M.1_1", true);
  ASSERT_EQ(chosen.size(), std::string("M#000000000000.1_1").size()) << chosen;
  EXPECT_EQ(chosen.find_first_not_of("0123456789", 2), 14u) << chosen;
  EXPECT_EQ(chosen.substr(0, 2) + chosen.substr(14), "M#.1_1");
  EXPECT_NE(chosen, again);

  if (geteuid() != 0) {
    chmod(folder.c_str(), 0);
    EXPECT_EQ(FreeFileName(folder, "new"), "");
    EXPECT_FALSE(IsFileExists(folder + latin));
    chmod(folder.c_str(), 0755);
  }
}

TEST_F(PostFolders, BroadcastFilesAreCopiedOnceAndStayWhenTheirMoveFails) {
  const std::string outboxPost = Post.OutboxPost.FolderPath.ToString();
  WriteMessage(Post.Outbox.FolderPath.ToString() + "B-1", {{"TO_USERS_EMAILS_CRYPTED*", "*"}, {"COMMAND", "NEW_BLOCKS"}});
  Post.Outbox.Refresh(Post);
  WriteFile(outboxPost + "B-1.1_1", "broadcast");
  Post.OutboxPost.Refresh(Post);
  ASSERT_TRUE(Post.OutboxPost.Files[0].IsBroadcast());

  // The history folder cannot be made: a file stands in its place.
  const std::string history = Root + "OutboxPostHistory";
  WriteFile(history, "in the way");
  Post.OutboxPost.MoveProcessedToHistory(Post);
  EXPECT_EQ(ReadFile(Root + "OutboxPostBroadcast/B-1.1_1"), "broadcast");
  ASSERT_EQ(Post.OutboxPost.Files.Count(), 1u);
  EXPECT_TRUE(Showed("MOVING MESSAGE FILE TO HISTORY FOLDER", "Error moving file B-1.1_1 to history.\nError: "));
  EXPECT_TRUE(Showed("MOVING MESSAGE FILE TO HISTORY FOLDER", "\nIt will be moving next time."));

  // The next attempt leaves the existing copy alone and moves the file.
  WriteFile(Root + "OutboxPostBroadcast/B-1.1_1", "first copy");
  DeleteFileA(history.c_str());
  Boxes.clear();
  Post.OutboxPost.MoveProcessedToHistory(Post);
  EXPECT_EQ(ReadFile(Root + "OutboxPostBroadcast/B-1.1_1"), "first copy");
  EXPECT_EQ(ReadFile(history + "/B-1.1_1"), "broadcast");
  EXPECT_EQ(Post.OutboxPost.Files.Count(), 0u);
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(PostFolders, TheAdaptorRetiresBroadcastsAndDropsThoseOfUnknownDiscussions) {
  TDiscussionsManager manager;
  DiscussionsManager() = &manager;
  std::string root = Root;
  root.pop_back();
  ASSERT_TRUE(manager.Init(root));
  const std::string outboxPost = Post.OutboxPost.FolderPath.ToString();
  WriteMessage(Post.Outbox.FolderPath.ToString() + "U-1",
               {{"TO_USERS_EMAILS_CRYPTED*", "*"}, {"DIDENT", "unknown"}, {"COMMAND", "NEW_BLOCKS"}});
  WriteMessage(Post.Outbox.FolderPath.ToString() + "P-1", {{"TO_USERS_EMAILS_CRYPTED*", "*"}, {"COMMAND", "NEW_BLOCKS"}});
  WriteMessage(Post.Outbox.FolderPath.ToString() + "S-1", {{"TO_USERS_EMAILS_CRYPTED*", "a@x"}, {"COMMAND", "NEW_BLOCKS"}});
  Post.Outbox.Refresh(Post);
  WriteFile(outboxPost + "U-1.1_1", "u");
  WriteFile(outboxPost + "P-1.1_1", "p");
  WriteFile(outboxPost + "S-1.1_1", "s");
  Post.OutboxPost.Refresh(Post);
  Adaptor.PostFileHandled(Post.OutboxPost);
  DiscussionsManager() = nullptr;

  ASSERT_EQ(Post.OutboxPost.Files.Count(), 1u);
  EXPECT_EQ(Post.OutboxPost.Files[0].Name, "S-1.1_1");  // mailed, not broadcast
  EXPECT_EQ(ReadFile(outboxPost + "U-1.1_1"), "u");       // left for a later refresh
  EXPECT_EQ(ReadFile(Root + "OutboxPostBroadcast/P-1.1_1"), "p");
  EXPECT_EQ(ReadFile(Root + "OutboxPostHistory/P-1.1_1"), "p");
  EXPECT_FALSE(IsFileExists(outboxPost + "P-1.1_1"));
}

TEST_F(PostFolders, NewPostFilesAreNamedOncePerDay) {
  platform::SetNowSource([] { return EncodeDate(2005, 12, 19) + 0.5; });
  SetManagerEMailSource([](std::string& email) {
    email = "ab";
    return true;
  });
  RegisterPostFileNaming(Post);
  const std::string outbox = Post.Outbox.FolderPath.ToString();
  const std::string first = ModelHooks().PostFileName(outbox, "Ecology", "NB");
  const std::string second = Adaptor.MakePostFileName(Post, outbox, "Ecology", "NB");
  // s = (123 + 97) % 25 = 20 -> 'U'; (20 + 98) % 25 = 18 -> 'S'; the last letter first.
  EXPECT_EQ(first, outbox + "SU-Ecology-051219-NB-001");
  EXPECT_EQ(second, outbox + "SU-Ecology-051219-NB-002");  // the first was never written
  WriteFile(outbox + "SU-Ecology-051219-GM-001", "");
  EXPECT_EQ(Adaptor.MakePostFileName(Post, outbox, "Ecology", "GM"), outbox + "SU-Ecology-051219-GM-002");
  for (int i = 3; i < 99; ++i) Adaptor.MakePostFileName(Post, outbox, "Ecology", "NB");
  EXPECT_EQ(Adaptor.MakePostFileName(Post, outbox, "Ecology", "NB"), outbox + "SU-Ecology-051219-NB-099");
  EXPECT_EQ(Adaptor.MakePostFileName(Post, outbox, "Ecology", "NB"), outbox + "SU-Ecology-051219-NB-100");

  // The names survive a save and are dropped by the load of a later day.
  ASSERT_TRUE(Post.Load());
  Post.IssuedNames.AddItem(TStr("SU-Ecology-051219-NB-101"));
  ASSERT_TRUE(Post.Save());
  testsupport::RunPeer("touch -d '2005-12-19 12:00' '" + Post.CBSFileName.ToString() + "'");
  platform::SetNowSource([] { return EncodeDate(2005, 12, 20) + 0.1; });
  TPost nextDay;
  nextDay.Init(TStr(), &Adaptor);
  nextDay.SetCBSFileName(Post.CBSFileName);
  ASSERT_TRUE(nextDay.Load());
  EXPECT_EQ(Adaptor.MakePostFileName(nextDay, outbox, "Ecology", "NB"), outbox + "SU-Ecology-051220-NB-001");
  SetManagerEMailSource(nullptr);
  ModelHooks().PostFileName = nullptr;
}

TEST(PostTexts, SpammersTextsAndComposeDates) {
  TArray<TEMailComment> list;
  list.AddItem(TEMailComment{"old", "row"});
  ParseEMailComments("spam@x.org  a known sender\r\n\r\n  other@y.org\r\n", list);
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list[0].Address, "spam@x.org");
  EXPECT_EQ(list[0].Comment, "a known sender");
  EXPECT_EQ(list[1].Address, "other@y.org");
  EXPECT_TRUE(list[1].Comment.IsEmpty());
  ParseEMailComments("", list);
  EXPECT_EQ(list.Count(), 0u);

  EXPECT_DOUBLE_EQ(ParseComposeDateTime("01/02/2006 03:04:05"), EncodeDate(2006, 1, 2) + EncodeTime(3, 4, 5, 0));
  EXPECT_DOUBLE_EQ(ParseComposeDateTime("01/02/2006"), EncodeDate(2006, 1, 2));
  EXPECT_EQ(ParseComposeDateTime("13/02/2006 03:04:05"), 0);
  EXPECT_EQ(ParseComposeDateTime("01/02/2006 03:04:05 junk"), 0);
  EXPECT_EQ(ParseComposeDateTime(""), 0);
}

}  // namespace
