#include "commands/Postingcommands.h"

#include "browse/Tbrowse.h"
#include "commands/Listcommands.h"
#include "commands/Tbrowsecommands.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "model/Blockrecord.h"
#include "model/Heldsending.h"
#include "model/Includetopostlist.h"
#include "model/Messagecomposer.h"
#include "model/Messagereceivers.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "postoffice/Tformcommandmessageheader.h"
#include "platform/rtl/Tdatetime.h"

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr const char* SendingPost = "SENDING POST";

const char* PrivateReq(const TDiscussion& discussion) { return discussion.Info.Secret ? "1" : "0"; }

// The block records written after the header, then the closing byte.
TMessageDataWriter RecordsWriter(const std::vector<TDiscBlockRecord>& records) {
  return [&records](TBufWriter& writer, std::string_view key) {
    for (const TDiscBlockRecord& record : records)
      if (!DiscBlockToBufWriter(writer, record, key)) return false;
    EndBlockRecords(writer);
    return true;
  };
}

// One NEW_BLOCKS message per receivers row, all or none of them; `didentFirst` puts
// DIDENT before PRIVATE_REQ.
bool WriteNewBlocksMessages(TDiscussion& discussion, const TArray<TRecipientsList>& receivers,
                            const std::vector<TDiscBlockRecord>& records, bool didentFirst, const std::string& who) {
  TComposedMessages journal;
  for (const TRecipientsList& row : receivers) {
    TCommandMessageHeader header;
    const std::string dident = discussion.Info.DIdent.ToString();
    if (!StartCommandHeader(header, row, MessageCommand::NewBlocks.Name) ||
        !(didentFirst ? header.AddField("DIDENT", dident) && header.AddField("PRIVATE_REQ", PrivateReq(discussion))
                      : header.AddField("PRIVATE_REQ", PrivateReq(discussion)) && header.AddField("DIDENT", dident)) ||
        !header.AddField("COMPOSE_DATETIME", ComposeDateTimeText()) ||
        !header.AddField("BLOCKSCOUNT", std::to_string(records.size())) ||
        !WriteCommandMessage(discussion, header, MessageCommand::NewBlocks.ShortCode, who, 1, RecordsWriter(records)))
      return false;
  }
  journal.Keep();
  return true;
}

// Takes back what a command recorded from the undo action `before` on.
void TakeBack(TDiscussion& discussion, int before) { discussion.Undo.UndoSince(discussion, before); }

bool IsNote(const TDiscussion& discussion, TDiscBlockIndex block) {
  return !block.IsEmpty() && discussion.Storages.IsValidIndex(block) && block.StorageType == StorageType_Notes;
}

// Why a block of a post list may not be sent; empty when it may.
std::string PostListRefusal(TDiscussion& discussion, const TDiscBlock& block) {
  const std::string name = block.GetBlockName(discussion).ToString();
  if (IsNote(discussion, block.Upper)) return "Block <" + name + "> has parent remark block;\ndeleted from postlist.";
  if (block.TextType == TextType_Formula && IsNote(discussion, block.Conclusion))
    return "Formula block <" + name + "> has conclusion remark block;\ndeleted from postlist.";
  if (block.UnlinkedIndex != NoUnlinkedBlockInfo) return "Block <" + name + "> unlinked;\ndeleted from postlist.";
  if (block.StorageType == StorageType_Notes && block.Posted != 0)
    return "Note <" + name + "> was sent already and has not changed since;\ndeleted from postlist.";
  return {};
}

}  // namespace

TDiscussion* CommandDiscussion(TCommand& command) {
  TDiscussion* discussion = command.Discussion;
  TDiscussionsManager* manager = DiscussionsManager();
  if (command.Item && command.Item->Ident.Kind == BrowseItem_Folder && manager) {
    const int index = manager->FindDiscussionByFolder(command.Item->Ident.Folder);
    if (index >= 0) discussion = &manager->GetDiscussion(index);
  }
  if (discussion && !discussion->Loaded && !discussion->Load()) return nullptr;
  return discussion;
}

TDiscBlockIndex MakeCommentFrom(TDiscussion& discussion, TDiscBlockIndex source, int author) {
  TBlocksStorage& comments = discussion.Storages.Comments;
  const TDiscBlock original = *discussion.Storages.GetDiscBlock(source);
  TAuthor& writer = discussion.Authors.Author(author);
  const uint16_t oldCounter = writer.CommentCounter;
  const int number = writer.TakeNewCommentNumber();
  if (number < 0) return {};
  discussion.Undo.AddAuthorFieldChange(author, AuthorField_CommentCounter, oldCounter);
  const int index = comments.AppendBlock(discussion, original.Upper);
  if (index < 0) return {};
  const TDiscBlockIndex own{StorageType_Comments, uint16_t(index)};
  TDiscBlock& block = comments.Block(index);
  block.ADIdent = writer.ADIdent;
  block.Num = uint16_t(number);
  block.TextType = original.TextType;
  block.SetComposedBlockName(discussion, own);
  discussion.Undo.AddDiscBlockCreation(discussion, own);
  if (!comments.Block(index).CopyContentsFrom(discussion, own, discussion, original, source)) return {};
  comments.NewBlockAdded(discussion, index, 0);
  return own;
}

void PostCommand(TCommand& command) {
  TDiscussion* d = command.Discussion;
  TArray<TDiscBlockIndex> blocks;
  if (!d || !GetCommandBlocks(command, blocks)) return;
  bool told = false;
  for (uint32_t i = 0; i < blocks.Count(); ++i) {
    const TDiscBlock* block = d->Storages.GetDiscBlock(blocks[i]);
    // A posted note is what went out: listed again it would go out twice.
    if (!block || (blocks[i].StorageType == StorageType_Notes && block->Posted != 0)) continue;
    if (IsNote(*d, block->Upper)) {
      if (!told) ShowMessageBox("PARENT NOTE", "Notes attached to notes can't be published and will be skipped.");
      told = true;
      continue;
    }
    IncludeToPostList(d->Storages, *d, 1, command.Data1, blocks[i]);
  }
  command.Browse.RebuildKeepingSelection();
}

void CancelPostingCommand(TCommand& command) {
  TDiscussion* d = command.Discussion;
  TArray<TDiscBlockIndex> blocks;
  if (!d || !command.Block || !GetCommandBlocks(command, blocks)) return;
  const int list = command.Data1;
  if (list < 0 || list >= int(d->User.PostLists.Items.Count())) return;
  const TArray<TDiscBlockCode> listed = d->User.PostLists.Items[uint32_t(list)].Blocks;
  for (uint32_t i = 0; i < blocks.Count(); ++i) IncludeToPostList(d->Storages, *d, 0, list, blocks[i]);
  // The window keeps its list; the blocks taken out of the post list leave it, with the
  // comments they brought.
  for (uint32_t i = 0; i < blocks.Count(); ++i) command.Browse.RemoveRowsOfDiscBlock(blocks[i]);
  for (const TDiscBlockCode& code : listed)
    if (d->User.PostLists.Items[uint32_t(list)].FindBlock(code) < 0)
      if (const TDiscBlockIndex gone = d->Storages.FindDiscBlockIndex(code); !gone.IsEmpty())
        command.Browse.RemoveRowsOfDiscBlock(gone);
  command.Browse.CurrentBrowseItemChanged();
}

namespace {

// The author the user posts as; -1 when there is none, the user told when the author has
// no identifier yet.
int PostingAuthor(TDiscussion& d) {
  const TModelLogin login = CurrentModelLogin();
  const int author = d.Authors.FindAuthorByLIdent(d, login.LIdent, true);
  if (author < 0) return -1;
  // A comment goes out under its author's identifier; without one it would be nobody's
  // (named "65535-n" by every reader), so posting waits until the identifier arrives.
  if (d.Authors.Author(author).ADIdent == NoADIdent) {
    ShowMessageBox("CAN'T SEND POST",
                   TBrowseGlobal::Moderation
                       ? "Current user has no author identifier in this discussion yet\nand can't send posts.\n"
                         "To get one, choose \"Service\", \"Form post command\", \"Give my identifier\"\n"
                         "and send it from the post office: the leader grants it."
                       : "Current user is neither a registered author\nnor a Moderator and can't send posts.");
    return -1;
  }
  return author;
}

// Drops the entries of a post list that cannot go, from the last to the first, telling
// why; the notes among the entries that stay.
std::vector<TDiscBlockIndex> DropUnsendableEntries(TDiscussion& d, int list) {
  TBlocksPostList& lists = d.User.PostLists;
  std::vector<TDiscBlockIndex> notes;
  for (int i = int(lists.Items[list].Blocks.Count()) - 1; i >= 0; --i) {
    const TDiscBlockCode code = lists.Items[list].Blocks[uint32_t(i)];
    const TDiscBlockIndex index = d.Storages.FindDiscBlockIndex(code);
    const TDiscBlock* block = index.IsEmpty() ? nullptr : d.Storages.GetDiscBlock(index);
    if (block && block->DeleteFlag != DeleteFlag_Erased && block->DeleteFlag != DeleteFlag_Recycled) {
      const std::string refusal = PostListRefusal(d, *block);
      if (refusal.empty()) {
        if (index.StorageType == StorageType_Notes) notes.push_back(index);
        continue;
      }
      ShowMessageBox(SendingPost, refusal);
    }
    lists.DeleteBlockFromItem(d, list, code);
  }
  return notes;
}

// Whether the leader agrees that the notes of the post list become comments.
bool AgreesToMakeComments(size_t notes) {
  return ShowMessageBox(
             SendingPost,
             std::to_string(notes) +
                 " notes are included into post and will be converted to comments.\nForm comments from them?",
             "", "Yes|No", 0) == 0;
}

// The leader's notes in a post list become comments; the list then names the comments.
// False when a comment cannot be made.
bool MakeCommentsOfNotes(TDiscussion& d, int list, int author) {
  TBlocksPostListItem& item = d.User.PostLists.Items[list];
  for (uint32_t i = 0; i < item.Blocks.Count(); ++i) {
    const TDiscBlockIndex index = d.Storages.FindDiscBlockIndex(item.Blocks[i]);
    if (index.StorageType != StorageType_Notes) continue;
    const TDiscBlockIndex comment = MakeCommentFrom(d, index, author);
    if (comment.IsEmpty()) return false;
    TDiscBlock* made = d.Storages.GetDiscBlock(comment);
    made->SetDate(Date());
    d.Undo.AddPostsListItemCodeReplaced(list, int(i), item.Blocks[i]);
    item.Blocks[i] = made->GetDiscBlockCode();
  }
  return true;
}

// The records of a post list's blocks. A note that goes as it is gets one comment name of
// the user's own, taken once. False when the comment numbers are used up.
bool PostRecords(TDiscussion& d, int list, int author, std::vector<TDiscBlockRecord>& records) {
  const TBlocksPostListItem& item = d.User.PostLists.Items[list];
  for (uint32_t i = 0; i < item.Blocks.Count(); ++i) {
    const TDiscBlockIndex index = d.Storages.FindDiscBlockIndex(item.Blocks[i]);
    TDiscBlockRecord record = MakeDiscBlockRecord(d, index);
    if (index.StorageType == StorageType_Notes) {
      TAuthor& me = d.Authors.Author(author);
      const uint16_t oldCounter = me.CommentCounter;
      const int number = me.TakeNewCommentNumber();
      if (number < 0) return false;
      d.Undo.AddAuthorFieldChange(author, AuthorField_CommentCounter, oldCounter);
      record.StorageType = StorageType_Comments;
      record.Num = uint16_t(number);
      record.Name = TStr(me.GetIdentText().ToString() + "-" + std::to_string(number));
      record.ADIdent = me.ADIdent;
      record.CheckValue = ComposeCheckValue(record);
    }
    records.push_back(std::move(record));
  }
  return true;
}

// The list is sent: it is emptied and a new one begun; the notes that went as they are
// are marked posted.
void CloseSentList(TDiscussion& d, int list, const std::vector<TDiscBlockIndex>& notes) {
  TBlocksPostList& lists = d.User.PostLists;
  TBlocksPostListItem& sent = lists.Items[list];
  d.Undo.AddPostsListItemFieldChange(list, PostListField_SentDate, 0, sent.SentDate, TStr());
  sent.SentDate = Date();
  while (sent.Blocks.Count() > 0) lists.DeleteBlockFromItem(d, list, sent.Blocks[sent.Blocks.Count() - 1]);
  d.Undo.AddPostsListItemFieldChange(list, PostListField_Name, 0, 0, sent.Name);
  sent.Name = TStr();
  lists.AddNewItem(d);
  for (auto it = notes.rbegin(); it != notes.rend(); ++it) {
    TDiscBlock* note = d.Storages.GetDiscBlock(*it);
    d.Undo.AddDiscBlockFieldChange(d, *it, BlockField_Posted, note->Posted);
    note->Posted = 1;
    SendBlockNotification(Notify_BlockChanged, d, *it, false);
  }
}

enum class TSendingStage { Writing, Recording, Saving, Moving };

// What a sending tells the user when it fails: its caption, what stays as it was, the
// command to repeat; and whether its take-back changes the moderated comments.
struct TSendingRoad {
  const char* Caption;
  std::string Kept;  // "the post list and its notes are"
  std::string Step;  // "send the post"
  bool Moderated = false;
};

std::string Capitalized(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = char(text[0] - 'a' + 'A');
  return text;
}

// A system's reason inside a sentence: without its own full stop.
std::string ReasonInSentence(std::string reason) {
  while (!reason.empty() && (reason.back() == '.' || reason.back() == ' ')) reason.pop_back();
  return reason;
}

// What the user is told of a sending that failed at a stage: which file, why, what stayed as
// it was and what to do. `saved` is false when the take-back could not be saved, so that
// the discussion's saved files still say the post went.
std::string SendingFailure(TSendingStage stage, const TComposedMessages& journal, const TSendingRoad& road,
                           bool saved) {
  const std::string& path = journal.FailedPath();
  const std::string why = path.empty() ? std::string() : " (" + ReasonInSentence(journal.FailureReason()) + ")";
  std::string what;
  switch (stage) {
    case TSendingStage::Writing:
      what = path.empty() ? "The post's message could not be written (errors.log tells why)."
                          : "The message " + path + " could not be written" + why + ".";
      break;
    case TSendingStage::Recording:
      what = "The post's messages could not be recorded as waiting for the save (errors.log tells why).";
      break;
    case TSendingStage::Saving:
      what = "The discussion could not be saved with the post's numbers (errors.log tells why).";
      break;
    case TSendingStage::Moving: what = "The message " + path + " could not be moved into the Outbox" + why + "."; break;
  }
  if (saved)
    return what + "\nNothing was sent: " + road.Kept + " as they were.\n" + Capitalized(road.Step) +
           " again once the cause is mended.";
  return what + "\nNothing was sent, and here " + road.Kept +
         " as they were; but the discussion could not be saved so (errors.log tells why): its saved files still say "
         "the post went, and its messages wait for its next save.\nSave the discussion (\"Save\") once the cause is "
         "mended, then " +
         road.Step +
         " again. Should the program end before that save, the post goes out at its next "
         "start, as the saved files say.";
}

// A sending changes the discussion only when every message goes into the Outbox. `compose`
// writes the messages (held by the journal) and changes the discussion; the messages are
// recorded as waiting for the discussion's save, the discussion is saved, since the numbers
// the messages carry are the discussion's once it is saved, and only then do the messages go
// to the Outbox, so that no later post can take them again. Whatever stops the program, the
// saved files decide at the next start whether the messages go. When a step fails, what was
// recorded from the undo action `before` on is taken back (and saved when the saved files
// say the post went), and a box says what failed and what to do. True when the messages
// are in the Outbox.
bool RunSending(TDiscussion& d, int before, const std::function<bool()>& compose, const TSendingRoad& road) {
  TComposedMessages journal;
  journal.Hold();
  THeldSending held;
  TSendingStage stage = TSendingStage::Writing;
  bool sent = false, caught = false;
  {
    TErrorCapture capture(TErrorCapture::OwnWork);
    sent = compose() && !capture.Caught();
    if (sent) {
      stage = TSendingStage::Recording;
      sent = held.Record(d, journal.Paths()) && !capture.Caught();
    }
    if (sent) {
      stage = TSendingStage::Saving;
      sent = d.Save() && !capture.Caught();
    }
    if (sent) {
      stage = TSendingStage::Moving;
      sent = journal.Release();
    }
    caught = capture.Caught();
  }
  if (sent) {
    held.Finish();
    return true;
  }
  TakeBack(d, before);
  if (road.Moderated) d.UpdateModeratedCommentsCount();
  bool saved = true;
  if (held.SavedAsSent()) {
    TErrorCapture capture(TErrorCapture::OwnWork);
    saved = d.Save() && !capture.Caught();
  }
  if (saved) {
    held.Finish();  // the messages are withdrawn with the journal
  } else {
    journal.Keep();
    held.Leave();
  }
  if (caught || !saved) ShowMessageBox(road.Caption, SendingFailure(stage, journal, road, saved));
  return false;
}

}  // namespace

void SendPostCommand(TCommand& command) {
  TDiscussion* d = command.Discussion;
  if (!d) return;
  const int list = command.Data1;
  if (list < 0 || list >= int(d->User.PostLists.Items.Count())) return;
  const int author = PostingAuthor(*d);
  if (author < 0) return;
  const bool leader = d->IsLeader();
  TArray<TRecipientsList> receivers;
  if (!ChooseCommandMessageReceivers(*d, command.Browse.Settings, "", leader ? Receivers_Ordinary : Receivers_Moderator,
                                     receivers, false) ||
      !ReceiversOrSay(receivers, MessageCommand::NewBlocks.Name))
    return;
  const std::vector<TDiscBlockIndex> notes = DropUnsendableEntries(*d, list);
  if (leader && !notes.empty() && !AgreesToMakeComments(notes.size())) return;
  // From here on the sending changes the discussion only when every message goes into the
  // Outbox: a failure takes back all but the cleaning told above, and says what failed.
  const int before = d->Undo.Count();
  const auto compose = [&] {
    std::vector<TDiscBlockRecord> records;
    if (!(!leader || notes.empty() || MakeCommentsOfNotes(*d, list, author)) ||
        !PostRecords(*d, list, author, records) ||
        !WriteNewBlocksMessages(*d, receivers, records, false, "Sending post"))
      return false;
    CloseSentList(*d, list, notes);
    if (leader) d->Reply(receivers, -2, 1);
    return true;
  };
  const int32_t number = int32_t(d->User.PostLists.Items[uint32_t(list)].Number);
  if (!RunSending(*d, before, compose, {SendingPost, "the post list and its notes are", "send the post"})) return;
  command.Browse.Menu.Build(TBrowseItemIndex(), command.Browse.CurrentBrowseState.CurrentItem, 1);
  // What went is nothing to act on any more: the windows of the sent list close.
  ClosePostListWindows(nullptr, d, number);
}

void PublishEmbeddedCommentsCommand(TCommand& command) {
  TDiscussion* d = CommandDiscussion(command);
  if (!d) return;
  TBlocksStorage& moderated = d->Storages.ModeratedComments;
  std::vector<TDiscBlockIndex> chosen;
  for (int i = 0; i < moderated.Count(); ++i) {
    const TDiscBlock& block = moderated.Block(i);
    if (block.DeleteFlag == DeleteFlag_Erased || block.DeleteFlag == DeleteFlag_Recycled ||
        block.UnlinkedIndex != NoUnlinkedBlockInfo)
      continue;
    int trust = 0;
    if (AuthorModerateType(*d, block.ADIdent, trust) != ModerationCall_Done) continue;
    if (trust == command.Data1 || (command.Data2 != 0 && trust == command.Data2))
      chosen.push_back({StorageType_ModeratedComments, uint16_t(i)});
  }
  if (chosen.empty()) {
    ShowMessageBox("PUBLISHING", "There are no moderated comments for sending!");
    return;
  }
  if (ShowMessageBox("PUBLISHING",
                     "There are " + std::to_string(chosen.size()) + " embedded comments.\nDo you want to publish them?",
                     "", "Yes|No", 0) != 0)
    return;
  TArray<TRecipientsList> receivers;
  if (!ChooseCommandMessageReceivers(*d, command.Browse.Settings, "Check subscribers of 'NEW_BLOCKS' command message",
                                     Receivers_Ordinary, receivers, false) ||
      !ReceiversOrSay(receivers, MessageCommand::NewBlocks.Name))
    return;

  // The comments are made and sent first; only when every message is written do the
  // moderated comments give way to them.
  d->Undo.StartStep();
  const int before = d->Undo.Count();
  const auto compose = [&] {
    std::vector<TDiscBlockIndex> made;
    for (TDiscBlockIndex source : chosen) {
      const uint16_t adident = d->Storages.GetDiscBlock(source)->ADIdent;
      const int author = d->Authors.FindAuthorByADIdent(*d, adident, true);
      const TDiscBlockIndex comment = author < 0 ? TDiscBlockIndex() : MakeCommentFrom(*d, source, author);
      if (comment.IsEmpty()) return false;
      made.push_back(comment);
    }
    std::vector<TDiscBlockRecord> records;
    for (TDiscBlockIndex comment : made) records.push_back(MakeDiscBlockRecord(*d, comment));
    if (!WriteNewBlocksMessages(*d, receivers, records, true, "Publishing")) return false;
    for (size_t i = 0; i < chosen.size(); ++i) {
      d->Storages.RelinkBlocks(*d, chosen[i], made[i]);
      d->Storages.GetDiscBlock(chosen[i])->SetDeleteFlag(*d, chosen[i], DeleteFlag_Erased, 0);
    }
    d->UpdateModeratedCommentsCount();
    d->Reply(receivers, -2, 1);
    return true;
  };
  RunSending(*d, before, compose,
             {"PUBLISHING", "the moderated comments are", "choose \"Publish embedded comments\"", true});
}
