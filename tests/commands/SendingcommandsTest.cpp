// The header editor and the commands that write what the user wrote into the Outbox.

#include "Sendingtest.h"

#include "browse/Commandcodes.h"
#include "browse/Tsmartmenu.h"
#include "foundation/Guihooks.h"
#include "model/Blockretrieval.h"
#include "model/Includetopostlist.h"
#include "model/Messagecomposer.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tgrid.h"
#include "postoffice/Tformcommandmessageheader.h"
#include "postoffice/Tpost.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "browse/Tformbrowse.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"
#include "tests/model/Modeltesthelpers.h"
#include "tests/support/Testsupport.h"

#include <algorithm>
#include <filesystem>

namespace commandstest {
namespace {

using SendingCommands = SendingTest;

// The discussion's post lists, a first one begun when there is none.
TBlocksPostList& BegunPostLists(TDiscussion& d) {
  if (d.User.PostLists.Items.Count() == 0) {
    EXPECT_TRUE(d.User.PostLists.AddNewItem(d));
  }
  return d.User.PostLists;
}

// The place of a block among the listed ones (the popup's path to its item).
uint16_t PlaceOf(const std::vector<TDiscBlockIndex>& listed, TDiscBlockIndex block) {
  return uint16_t(std::find(listed.begin(), listed.end(), block) - listed.begin());
}

TEST_F(SendingCommands, TheSubscribersListAddsChecksAndRemovesSubscribers) {
  UseSystemFonts();
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Bee", "b@x.org", 2);
  const int ant = AddSubscriber("Ant", "a@x.org", 1);
  const int robot = AddSubscriber("MailService", "r@x.org", 0xFFFF);
  d->Authors.Author(robot).Robot = 1;
  d->Authors.Author(AddSubscriber("Gone", "g@x.org", 0xFFFF)).Deleted = 1;
  d->Authors.Author(AddSubscriber("Left", "l@x.org", 3)).Unsubscribed = 1;
  AddSubscriber("", "nameless@x.org", 4);  // published no data: named by the address

  std::vector<std::string> shown;
  bool cancelShown = true, broadcastShown = true, namelessNamed = false;
  script.Answer("TFormCommandMessageHeader", [&](TCustomForm& f) {
    auto& editor = dynamic_cast<TFormCommandMessageHeader&>(f);
    EXPECT_EQ(editor.Caption(), "Edit subscribers list");
    Pump();  // painted: the cells have grown to their texts
    for (int row = 1; row < editor.DrawGridReceivers->RowCount(); ++row)
      namelessNamed |= ShowsText(editor.DrawGridReceivers->Handle(), editor.DrawGridReceivers->CellRect(1, row),
                                 "nameless@x.org", form->Browse.Settings->RowFont);
    cancelShown = editor.ButtonCancel->Visible();
    broadcastShown = editor.CheckBoxBroadcastMessage->Visible();
    platform::PressControl(f, "ButtonNewRecipient");  // refused: two addresses
    platform::PressControl(f, "ButtonNewRecipient");
    editor.DrawGridReceivers->SetRow(2);  // a@x.org
    EXPECT_TRUE(editor.ButtonDeleteRecipient->Visible());
    EXPECT_FALSE(editor.ButtonEditRecipient->Visible());  // it has an identifier
    platform::PressControl(f, "ButtonDeleteRecipient");
    platform::PressControl(f, "ButtonOk");
  });
  script.Press("TFormRecipient", "Button1", {{"EditFamily", "Cyr"}, {"EditEMail", "c@x.org,d@x.org"}});
  script.Press("TFormRecipient", "Button1", {{"EditFamily", "Cyr"}, {"EditEMail", "c@x.org"}});
  Answer(0);  // the refusal
  Answer(0);  // Yes, delete
  const int authors = d->Authors.Count();
  TBrowse& browse = form->Browse;
  browse.Menu.Build(TBrowseItemIndex(), browse.CurrentBrowseState.CurrentItem, 1);
  ASSERT_TRUE(Choose(browse, {"Commands", "Service", "Edit subscribers list"}));

  EXPECT_FALSE(cancelShown);
  EXPECT_FALSE(broadcastShown);
  EXPECT_TRUE(namelessNamed);
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].Caption, "NEW SUBSCRIBER");
  EXPECT_EQ(Boxes()[0].Message, "\"c@x.org,d@x.org\" is not one e-mail address.");
  EXPECT_EQ(Boxes()[1].Message, "Do you really want to delete subscriber?");
  ASSERT_EQ(d->Authors.Count(), authors + 1);
  const TAuthor& added = d->Authors.Author(authors);
  EXPECT_EQ(added.AutomaticEMail, "c@x.org");
  EXPECT_EQ(added.LastName, "Cyr");
  EXPECT_EQ(added.Subscriber, 1);
  EXPECT_EQ(d->Authors.Author(ant).Unsubscribed, 1);  // known by an identifier: unsubscribed
  EXPECT_EQ(d->Authors.Author(ant).Deleted, 0);
  EXPECT_EQ(PostState()->AdvertisingList, "c@x.org\r\n");
}

TEST_F(SendingCommands, ClicksInThePlusColumnChooseTheReceivers) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Ant", "a@x.org", 1);
  AddSubscriber("Bee", "b@x.org", 2);
  d->Info.ShowRecipients = 1;
  script.Answer("TFormCommandMessageHeader", [&](TCustomForm& f) {
    auto& editor = dynamic_cast<TFormCommandMessageHeader&>(f);
    const auto click = [&](int row) {
      Pump();  // painted: the cells have grown to their texts
      const RECT cell = editor.DrawGridReceivers->CellRect(0, row);
      const POINT at = editor.DrawGridReceivers->ClientToScreen(POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
      person.Click(at.x, at.y);
      Pump();
    };
    click(0);  // the header: every row the opposite of the first
    click(2);  // b@x.org again
    platform::PressControl(f, "ButtonOk");
  });
  Answer(0);  // the announcement
  Run(form->Browse, Command_ExistingBlocksList);
  const std::vector<std::string> files = Outbox();
  ASSERT_EQ(files.size(), 1u);
  TCommandMessageHeader header;
  ASSERT_TRUE(ReadMessage(files[0], "EXISTING_BLOCKS_LIST", header));
  EXPECT_EQ(header.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "b@x.org");
}

// A post list of a model block, a note, a block under the note, an erased block and a
// code that names nothing, sent by the leader to a subscriber and a mail-service robot.
struct PostListCase {
  TDiscBlockIndex note, underNote;
};

PostListCase FillPostList(TDiscussion& d, TDiscBlockIndex b, TDiscBlockIndex c) {
  PostListCase made;
  made.note = modeltest::AddBlock(d, StorageType_Notes, b, TextType_Premise, "my note");
  made.underNote = modeltest::AddBlock(d, StorageType_Notes, made.note, TextType_Premise, "note on note");
  d.Storages.GetDiscBlock(c)->DeleteFlag = DeleteFlag_Erased;
  TBlocksPostList& lists = d.User.PostLists;
  for (TDiscBlockIndex block : {made.note, made.underNote, c})
    lists.Items[0].Blocks.AddItem(d.Storages.GetDiscBlock(block)->GetDiscBlockCode());
  lists.Items[0].Blocks.AddItem(TDiscBlockCode{StorageType_Comments, 999});
  return made;
}

TEST_F(SendingCommands, SendPostWritesOneSealedMessageAReceiversRowWithTheNotesMadeComments) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Ant", "a@x.org", 1);
  d->Authors.Author(AddSubscriber("MailService", "r@x.org", 0xFFFF)).Robot = 1;
  TBlocksPostList& lists = BegunPostLists(*d);
  // "Post" on the first row of the window puts its block into the list.
  Run(form->Browse, Command_Post, {0}, "", 0);
  ASSERT_EQ(lists.Items[0].Blocks.Count(), 1u);
  EXPECT_EQ(lists.Items[0].Blocks[0], d->Storages.GetDiscBlock(a)->GetDiscBlockCode());
  const PostListCase blocks = FillPostList(*d, b, c);
  const std::string underNoteName = Name(blocks.underNote);
  Answer(0);  // the block under a note is dropped
  Answer(0);  // Yes, the note becomes a comment
  Answer(0);  // each message is announced
  Answer(0);
  Run(form->Browse, Command_SendPost, {}, "", 0);

  ASSERT_EQ(Boxes().size(), 4u);
  EXPECT_EQ(Boxes()[0].Caption, "SENDING POST");
  EXPECT_EQ(Boxes()[0].Message, "Block <" + underNoteName + "> has parent remark block;\ndeleted from postlist.");
  EXPECT_EQ(Boxes()[1].Message, "1 notes are included into post and will be converted to comments.\nForm comments from them?");
  ASSERT_EQ(d->Storages.Comments.Count(), 1);
  const TDiscBlock& comment = d->Storages.Comments.Block(0);
  EXPECT_EQ(comment.Upper, b);
  EXPECT_EQ(comment.ADIdent, ModelAuthorADIdent);
  EXPECT_EQ(d->Storages.GetDiscBlock(blocks.note)->Posted, 1);
  EXPECT_EQ(d->Storages.GetDiscBlock(blocks.note)->StorageType, StorageType_Notes);

  const std::vector<std::string> files = Outbox();
  ASSERT_EQ(files.size(), 2u);
  std::vector<std::string> users, robots;
  for (const std::string& file : files) {
    EXPECT_NE(file.find("-NB-"), std::string::npos) << file;
    TCommandMessageHeader header;
    std::vector<std::string> names;
    ASSERT_TRUE(ReadMessage(file, "NEW_BLOCKS", header, &names)) << file;
    const bool robotRow = header.HasField("TO_ROBOTS_EMAILS_CRYPTED");
    std::vector<std::string> order{"SENDER_LIDENT", "FROM_USER_EMAIL", "TO_USERS_EMAILS_CRYPTED"};
    if (robotRow) order.push_back("TO_ROBOTS_EMAILS_CRYPTED");
    for (const char* name : {"COMMAND", "PRIVATE_REQ", "DIDENT", "COMPOSE_DATETIME", "BLOCKSCOUNT"}) order.push_back(name);
    EXPECT_EQ(FieldNames(header), order);
    EXPECT_EQ(header.GetFieldValue("FROM_USER_EMAIL"), "lead@x.org");
    EXPECT_EQ(header.GetFieldValue("PRIVATE_REQ"), "0");
    EXPECT_EQ(header.GetFieldValue("DIDENT"), "D-ECOLOGY-1");
    EXPECT_EQ(header.GetFieldValue("BLOCKSCOUNT"), "2");
    EXPECT_EQ(names, (std::vector<std::string>{Name(a), comment.Name.ToString()}));
    users.push_back(header.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"));
    if (robotRow) robots.push_back(header.GetCryptedFieldValue("TO_ROBOTS_EMAILS_CRYPTED"));
  }
  std::sort(users.begin(), users.end());
  EXPECT_EQ(users, (std::vector<std::string>{"*", "a@x.org"}));
  EXPECT_EQ(robots, (std::vector<std::string>{"r@x.org"}));

  // The list was sent and a new one begun.
  ASSERT_EQ(lists.Items.Count(), 2u);
  EXPECT_EQ(lists.Items[0].Blocks.Count(), 0u);
  EXPECT_NE(lists.Items[0].SentDate, 0);
  EXPECT_EQ(lists.Items[1].Name, "Postlist");
}

// A note sent with "Send post" reads "posted" in its row at once: the row shows what the
// window rebuilt afresh shows. Until sent it reads "note", also while it is on the list.
TEST_F(SendingCommands, ASentNoteReadsPostedInItsRowAtOnce) {
  // A participant with an author identifier: the note goes as a comment and stays a note.
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  d->Info.DIdent = TStr("D-ECOLOGY-1");
  d->Authors.Author(AddSubscriber("Me", "me@x.org", 5)).LIdent = logins.GetCurrentLogin()->LIdent;
  d->Authors.Author(d->Authors.FindAuthorByADIdent(*d, ModelAuthorADIdent, true)).AutomaticEMail = TStr("lead@y.org");
  BegunPostLists(*d);
  const TDiscBlockIndex note = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "my note");
  TBrowse& browse = form->Browse;
  browse.CurrentBrowseItemChanged(true);
  // The pixels of the note's service row, selected (its texts show only then).
  const auto rowPixels = [&] {
    Idle();
    TBrowseState& state = browse.CurrentBrowseState;
    for (uint32_t row = 0; row < state.Rows.Count(); ++row) {
      const TBrowseItem* item = state.Rows[row].GetBrowseItem(state.CurrentItem);
      if (state.Rows[row].RowType != LowerListRow_Service || !item || item->Kind() != BrowseItem_Block ||
          !(item->GetDiscBlockIndex() == note))
        continue;
      browse.SelectLowerListRow(int(row), false);
      Idle();
      const RECT rect = browse.GetLowerListRowRect(int(row));
      std::vector<COLORREF> pixels;
      const HWND panel = form->PanelLowerListPaintBox->Handle();
      for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
          pixels.push_back(
              screen->WindowPixel(panel, x + form->PaintBoxLowerList->Left(), y + form->PaintBoxLowerList->Top()));
      return pixels;
    }
    ADD_FAILURE() << "the note has no row";
    return std::vector<COLORREF>();
  };
  const std::vector<COLORREF> unsent = rowPixels();
  const std::vector<TDiscBlockIndex> listed = ListedBlocks(browse);
  const uint16_t position = PlaceOf(listed, note);
  ASSERT_TRUE(ChooseInPopup(browse, {position}, {"Post"}));
  EXPECT_EQ(rowPixels(), unsent) << "on the list, not sent";

  Answer(0);  // the message is announced
  Run(browse, Command_SendPost, {}, "", 0);
  ASSERT_EQ(d->Storages.GetDiscBlock(note)->Posted, 1);
  const std::vector<COLORREF> atOnce = rowPixels();
  EXPECT_NE(atOnce, unsent);
  browse.CurrentBrowseItemChanged(true);
  EXPECT_EQ(rowPixels(), atOnce) << "the row shows what the window rebuilt shows";

  // The comment comes back with the leader's answer: it stands in the note's place.
  const TDiscBlockIndex comment = modeltest::AddBlock(*d, StorageType_Comments, root, TextType_Premise, "my note", 5);
  Idle();
  const std::vector<TDiscBlockIndex> rows = ListedBlocks(browse);
  EXPECT_NE(std::find(rows.begin(), rows.end(), comment), rows.end());
  EXPECT_EQ(std::find(rows.begin(), rows.end(), note), rows.end()) << "the same text is shown once";
}

// The leader's posted note becomes a comment at "Send post (to all)": under its block the
// comment stands in its place, as the help says, and the note is listed under "Retrieval",
// "Notes composed on". Another posted note whose text differs from every comment stays.
TEST_F(SendingCommands, TheLeadersPostedNoteGivesWayToTheCommentItBecame) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Ant", "a@x.org", 1);
  BegunPostLists(*d);
  const TDiscBlockIndex note = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "my answer");
  const TDiscBlockIndex other = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "sent before");
  d->Storages.GetDiscBlock(other)->Posted = 1;
  for (TDiscBlockIndex block : {note, other}) d->Storages.GetDiscBlock(block)->SetDate(Date());
  TBrowse& browse = form->Browse;
  browse.CurrentBrowseItemChanged(true);
  const std::vector<TDiscBlockIndex> listed = ListedBlocks(browse);
  const uint16_t position = PlaceOf(listed, note);
  ASSERT_TRUE(ChooseInPopup(browse, {position}, {"Post"}));
  Answer(0);  // Yes, the note becomes a comment
  Answer(0);  // the message is announced
  browse.Menu.Build(TBrowseItemIndex(), browse.CurrentBrowseState.CurrentItem, 1);
  ASSERT_TRUE(Choose(browse, {"Service", "Form post command", "Send post (to all)"}));
  ASSERT_EQ(d->Storages.Comments.Count(), 1);
  const TDiscBlockIndex comment{StorageType_Comments, 0};
  EXPECT_EQ(d->Storages.GetDiscBlock(note)->Posted, 1);
  Idle();
  const std::vector<TDiscBlockIndex> rows = ListedBlocks(browse);
  EXPECT_NE(std::find(rows.begin(), rows.end(), comment), rows.end());
  EXPECT_EQ(std::find(rows.begin(), rows.end(), note), rows.end()) << "the same text is shown once";
  EXPECT_NE(std::find(rows.begin(), rows.end(), other), rows.end());

  ASSERT_TRUE(Choose(browse, {"Retrieval", "Notes composed on", FormatDateTime("mm'/'dd'/'yy", Date())}));
  std::vector<TDiscBlockIndex> notes = ListedBlocks(Newest()->Browse);
  std::sort(notes.begin(), notes.end(), [](TDiscBlockIndex x, TDiscBlockIndex y) { return x.Index < y.Index; });
  EXPECT_EQ(notes, (std::vector<TDiscBlockIndex>{note, other}));
  EXPECT_TRUE(Reports().empty());
}

// The queued news of a change waits for the idle time of the application, which the modal
// loop of a box also gives: these boxes deliver it, as the program's do.
int (*answerBox)(const std::string&, const std::string&, const std::string&, const std::string&, int) = nullptr;
int BoxInIdleTime(const std::string& caption, const std::string& message, const std::string& third,
                  const std::string& buttons, int defaultButton) {
  const int answer = answerBox(caption, message, third, buttons, defaultButton);
  TListeners::Instance().DeliverQueued();
  return answer;
}

// The leader's published text is amended where it is seen. The window open during "Send
// post" shows the comment in the note's place at once, even though the news of the comment
// came while a box of the sending waited. "Next" from the note, opened from "Notes composed
// on", goes on from the comment's place. The comment's row offers "Edit", as the note's row
// did, beside what a comment's row offers: it amends the note, whose row comes back with
// the amended text reading "note", and "Post" and "Send post" carry the amended text.
TEST_F(SendingCommands, ALeadersPublishedTextIsAmendedFromItsRow) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Ant", "a@x.org", 1);
  BegunPostLists(*d);
  const TDiscBlockIndex note = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "my answer");
  d->Storages.GetDiscBlock(note)->SetDate(Date());
  TBrowse& browse = form->Browse;
  browse.CurrentBrowseItemChanged(true);
  ASSERT_TRUE(ChooseInPopup(browse, {PlaceOf(ListedBlocks(browse), note)}, {"Post"}));
  const TGuiHooks kept = GuiHooks();
  TGuiHooks idle = kept;
  answerBox = kept.ShowMessageBox;
  idle.ShowMessageBox = BoxInIdleTime;
  SetGuiHooks(idle);
  Answer(0);  // Yes, the note becomes a comment
  Answer(0);  // the message is announced
  Run(browse, Command_SendPost, {}, "", 0);
  SetGuiHooks(kept);
  ASSERT_EQ(d->Storages.Comments.Count(), 1);
  const TDiscBlockIndex comment{StorageType_Comments, 0};
  EXPECT_EQ(ListedBlocks(browse), (std::vector<TDiscBlockIndex>{a, b, c, comment}));

  ASSERT_TRUE(Choose(browse, {"Retrieval", "Notes composed on", FormatDateTime("mm'/'dd'/'yy", Date())}));
  TBrowse& notes = Newest()->Browse;
  ASSERT_TRUE(ChooseInPopup(notes, {PlaceOf(ListedBlocks(notes), note)}, {"Open block in", "New window"}));
  TBrowse& opened = Newest()->Browse;
  ASSERT_EQ(Shown(opened), note);
  const int beeps = Beeps();
  ASSERT_TRUE(Choose(opened, {"Next"}));
  EXPECT_EQ(Shown(opened), a) << "after the comment, the last row, comes the first";
  opened.GoToDiscBlock(note);
  ASSERT_TRUE(Choose(opened, {"Previous"}));
  EXPECT_EQ(Shown(opened), c);
  // "Up" from the note selects the row that stands for it.
  opened.GoToDiscBlock(note);
  Run(opened, Command_Up);
  EXPECT_EQ(Shown(opened), root);
  EXPECT_EQ(SelectedBlock(opened), comment);
  EXPECT_EQ(Beeps(), beeps);

  const uint16_t row = PlaceOf(ListedBlocks(browse), comment);
  for (const char* offered : {"Edit", "Author", "Block text", "Post", "Delete"}) {
    TBrowseItemIndex path;
    path.Append(row);
    browse.PopupMenu.Build(path, browse.CurrentBrowseState.CurrentItem, 0);
    const TSmartMenuItem* entry = browse.PopupMenu.Root.Find(offered);
    // The note has not changed since it went, and the published comment stays.
    const bool expected = std::string(offered) != "Post" && std::string(offered) != "Delete";
    EXPECT_EQ(entry && entry->Enabled, expected) << offered;
  }
  script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "my better answer"}});
  ASSERT_TRUE(ChooseInPopup(browse, {row}, {"Edit"}));
  EXPECT_EQ(d->Storages.GetStrHashItem(note)->Str.Text, "my better answer");
  EXPECT_EQ(d->Storages.GetStrHashItem(comment)->Str.Text, "my answer");
  EXPECT_EQ(d->Storages.GetDiscBlock(note)->Posted, 0);
  const std::vector<TDiscBlockIndex> rows = ListedBlocks(browse);
  EXPECT_EQ(rows, (std::vector<TDiscBlockIndex>{note, a, b, c, comment}));

  ASSERT_TRUE(ChooseInPopup(browse, {PlaceOf(rows, note)}, {"Post"}));
  Answer(0);  // Yes, the note becomes a comment
  Answer(0);  // the message is announced
  const std::vector<std::string> before = Outbox();
  ASSERT_TRUE(Choose(browse, {"Service", "Form post command", "Send post (to all)"}));
  ASSERT_EQ(d->Storages.Comments.Count(), 2);
  const TDiscBlockIndex amended{StorageType_Comments, 1};
  EXPECT_EQ(d->Storages.GetStrHashItem(amended)->Str.Text, "my better answer");
  std::vector<std::string> sent;
  for (const std::string& file : Outbox())
    if (std::find(before.begin(), before.end(), file) == before.end()) sent.push_back(file);
  ASSERT_EQ(sent.size(), 1u);
  TCommandMessageHeader header;
  std::vector<std::string> names;
  ASSERT_TRUE(ReadMessage(sent[0], "NEW_BLOCKS", header, &names));
  EXPECT_EQ(names, (std::vector<std::string>{Name(amended)}));
  EXPECT_EQ(ListedBlocks(browse), (std::vector<TDiscBlockIndex>{a, b, c, comment, amended}));
  EXPECT_TRUE(Reports().empty());
}

// Notes posted from their popups are listed in a window of the post list; "Cancel posting"
// takes one out, and the window goes on showing the rest of the list.
TEST_F(SendingCommands, CancelPostingLeavesThePostListWindowWithTheRestOfTheList) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  TBlocksPostList& lists = BegunPostLists(*d);
  const TDiscBlockIndex first = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "first note");
  const TDiscBlockIndex second = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "second note");
  form->Browse.CurrentBrowseItemChanged(true);
  const std::vector<TDiscBlockIndex> listed = ListedBlocks(form->Browse);
  const auto position = [&](TDiscBlockIndex block) { return PlaceOf(listed, block); };
  ASSERT_TRUE(ChooseInPopup(form->Browse, {position(first)}, {"Post"}));
  ASSERT_TRUE(ChooseInPopup(form->Browse, {position(second)}, {"Post"}));
  EXPECT_EQ(ListedBlocks(form->Browse), listed) << "posting keeps the window's list";
  ASSERT_TRUE(Choose(form->Browse, {"Retrieval", lists.Items[0].Name.ToString()}));
  TFormBrowse* posts = Newest();
  ASSERT_NE(posts, form);
  ASSERT_EQ(ListedBlocks(posts->Browse), (std::vector<TDiscBlockIndex>{first, second}));
  const std::string caption = posts->Caption();

  ASSERT_TRUE(ChooseInPopup(posts->Browse, {0}, {"Cancel posting"}));
  EXPECT_EQ(ListedBlocks(posts->Browse), (std::vector<TDiscBlockIndex>{second}));
  EXPECT_EQ(posts->Caption(), caption);
  EXPECT_EQ(lists.Items[0].FindBlock(d->Storages.GetDiscBlock(first)->GetDiscBlockCode()), -1);
  EXPECT_EQ(lists.Items[0].Blocks.Count(), 1u);
  EXPECT_TRUE(Reports().empty());
}

// The leader's answer takes into the post list the participant's comments it hangs under;
// "Cancel posting" of the answer takes back those no other block of the list hangs under,
// in the list and in its window. A formula computing a moderated comment not published yet
// is refused as an answer under one is; one computing a published comment brings it.
TEST_F(SendingCommands, CancelPostingOfAnAnswerTakesBackTheCommentsItBrought) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Ant", "a@x.org", 1);
  TBlocksPostList& lists = BegunPostLists(*d);
  const auto add = [&](uint8_t storage, TDiscBlockIndex upper, uint8_t kind, const std::string& text) {
    return modeltest::AddBlock(*d, storage, upper, kind, text, storage == StorageType_Notes ? NoADIdent : 1);
  };
  const TDiscBlockIndex comment = add(StorageType_Comments, b, TextType_Premise, "Ant's comment");
  const TDiscBlockIndex further = add(StorageType_Comments, comment, TextType_Premise, "Ant again");
  const TDiscBlockIndex mine = add(StorageType_Notes, root, TextType_Premise, "a note of my own");
  const TDiscBlockIndex first = add(StorageType_Notes, comment, TextType_Premise, "answer to the comment");
  const TDiscBlockIndex answer = add(StorageType_Notes, further, TextType_Premise, "answer to the second");
  const auto codes = [&] {
    std::vector<TDiscBlockIndex> blocks;
    for (const TDiscBlockCode& code : lists.Items[0].Blocks) blocks.push_back(d->Storages.FindDiscBlockIndex(code));
    return blocks;
  };
  const auto sorted = [](std::vector<TDiscBlockIndex> blocks) {
    const auto key = [](TDiscBlockIndex block) { return block.StorageType * 0x10000 + block.Index; };
    std::sort(blocks.begin(), blocks.end(), [&](TDiscBlockIndex x, TDiscBlockIndex y) { return key(x) < key(y); });
    return blocks;
  };
  ASSERT_TRUE(IncludeToPostList(d->Storages, *d, 1, 0, mine));
  ASSERT_TRUE(IncludeToPostList(d->Storages, *d, 1, 0, first));
  const std::vector<TDiscBlockIndex> beforeAnswer = codes();
  ASSERT_EQ(beforeAnswer, (std::vector<TDiscBlockIndex>{mine, comment, first}));
  ASSERT_TRUE(IncludeToPostList(d->Storages, *d, 1, 0, answer));
  ASSERT_EQ(codes(), (std::vector<TDiscBlockIndex>{mine, comment, first, further, answer}));

  form->Browse.CurrentBrowseItemChanged(true);
  ASSERT_TRUE(Choose(form->Browse, {"Retrieval", lists.Items[0].Name.ToString()}));
  TFormBrowse* posts = Newest();
  ASSERT_NE(posts, form);
  ASSERT_EQ(sorted(ListedBlocks(posts->Browse)), sorted(codes()));
  // The popup's path: the item's place among the window's items.
  const auto row = [&](TDiscBlockIndex block) {
    const auto& items = posts->Browse.CurrentBrowseState.CurrentItem.Children;
    return uint16_t(std::find_if(items.begin(), items.end(),
                                 [&](const TBrowseItem& item) { return item.GetDiscBlockIndex() == block; }) -
                    items.begin());
  };
  // The second answer withdrawn: the list as before it; the first comment stays, the first
  // answer hangs under it.
  ASSERT_TRUE(ChooseInPopup(posts->Browse, {row(answer)}, {"Cancel posting"}));
  EXPECT_EQ(codes(), beforeAnswer);
  EXPECT_EQ(sorted(ListedBlocks(posts->Browse)), sorted(beforeAnswer));
  ASSERT_TRUE(ChooseInPopup(posts->Browse, {row(first)}, {"Cancel posting"}));
  EXPECT_EQ(codes(), (std::vector<TDiscBlockIndex>{mine}));
  EXPECT_EQ(ListedBlocks(posts->Browse), (std::vector<TDiscBlockIndex>{mine}));

  // A formula computing the published comment brings it, and takes it back.
  const TDiscBlockIndex counts = add(StorageType_Notes, root, TextType_Formula, "2");
  d->Storages.GetDiscBlock(counts)->Conclusion = further;
  ASSERT_TRUE(IncludeToPostList(d->Storages, *d, 1, 0, counts));
  EXPECT_EQ(codes(), (std::vector<TDiscBlockIndex>{mine, comment, further, counts}));
  ASSERT_TRUE(IncludeToPostList(d->Storages, *d, 0, 0, counts));
  EXPECT_EQ(codes(), (std::vector<TDiscBlockIndex>{mine}));

  // A formula computing a moderated comment that waits for its publishing: refused.
  const TDiscBlockIndex waiting = add(StorageType_ModeratedComments, b, TextType_Premise, "waits");
  const TDiscBlockIndex computes = add(StorageType_Notes, root, TextType_Formula, "1");
  d->Storages.GetDiscBlock(computes)->Conclusion = waiting;
  form->Browse.CurrentBrowseItemChanged(true);
  const std::vector<TDiscBlockIndex> listed = ListedBlocks(form->Browse);
  const uint16_t position = PlaceOf(listed, computes);
  Answer(0);
  ASSERT_TRUE(ChooseInPopup(form->Browse, {position}, {"Post"}));
  ASSERT_FALSE(Boxes().empty());
  EXPECT_EQ(Boxes().back().Caption, "NOT PUBLISHED");
  EXPECT_EQ(Boxes().back().Message, "Formula block <" + Name(computes) + "> computes moderated comment <" +
                                        Name(waiting) +
                                        ">, which is not published yet;\nit can't be posted. Publish the comment "
                                        "first (\"Publish embedded comments\"),\nthen post again.");
  EXPECT_EQ(codes(), (std::vector<TDiscBlockIndex>{mine}));
  EXPECT_TRUE(Reports().empty());
}

// A comment the leader listed on its own stays listed whatever is withdrawn under it: here
// his comment in a list an earlier build left. "Cancel posting" of an answer under a
// participant's comment below it takes back the participant's comment the answer brought,
// "Cancel posting" of that lower comment takes back nothing more; the next "Send post"
// carries the leader's comment.
TEST_F(SendingCommands, CancelPostingKeepsACommentListedOnItsOwn) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Ant", "a@x.org", 1);
  TBlocksPostList& lists = BegunPostLists(*d);
  TBrowse& browse = form->Browse;
  const TDiscBlockIndex mine =
      modeltest::AddBlock(*d, StorageType_Comments, b, TextType_Premise, "my comment", ModelAuthorADIdent);
  ASSERT_TRUE(IncludeToPostList(d->Storages, *d, 1, 0, mine));
  ASSERT_EQ(lists.Items[0].Blocks.Count(), 1u);

  const TDiscBlockIndex theirs = modeltest::AddBlock(*d, StorageType_Comments, mine, TextType_Premise, "Ant's", 1);
  const TDiscBlockIndex answer = modeltest::AddBlock(*d, StorageType_Notes, theirs, TextType_Premise, "my reply");
  const auto codes = [&] {
    std::vector<TDiscBlockIndex> blocks;
    for (const TDiscBlockCode& code : lists.Items[0].Blocks) blocks.push_back(d->Storages.FindDiscBlockIndex(code));
    return blocks;
  };
  const auto postAnswer = [&] {
    browse.GoToDiscBlock(theirs);
    ASSERT_TRUE(ChooseInPopup(browse, {PlaceOf(ListedBlocks(browse), answer)}, {"Post"}));
    ASSERT_EQ(codes(), (std::vector<TDiscBlockIndex>{mine, theirs, answer}));
  };
  // "Cancel posting" from a window of the post list, on a block's row.
  const auto cancel = [&](TDiscBlockIndex block) {
    ASSERT_TRUE(Choose(browse, {"Retrieval", lists.Items[0].Name.ToString()}));
    TBrowse& posts = Newest()->Browse;
    ASSERT_NE(&posts, &browse);
    ASSERT_TRUE(ChooseInPopup(posts, {PlaceOf(ListedBlocks(posts), block)}, {"Cancel posting"}));
  };
  ASSERT_NO_FATAL_FAILURE(postAnswer());
  ASSERT_NO_FATAL_FAILURE(cancel(answer));
  EXPECT_EQ(codes(), (std::vector<TDiscBlockIndex>{mine}));
  // Undone, the list is as it was, and knows again what the answer brought.
  ASSERT_TRUE(Choose(browse, {"Undo"}));
  ASSERT_EQ(codes(), (std::vector<TDiscBlockIndex>{mine, theirs, answer}));
  ASSERT_NO_FATAL_FAILURE(cancel(answer));
  EXPECT_EQ(codes(), (std::vector<TDiscBlockIndex>{mine}));
  ASSERT_NO_FATAL_FAILURE(postAnswer());
  ASSERT_NO_FATAL_FAILURE(cancel(theirs));
  EXPECT_EQ(codes(), (std::vector<TDiscBlockIndex>{mine, answer}));
  ASSERT_NO_FATAL_FAILURE(cancel(answer));
  EXPECT_EQ(codes(), (std::vector<TDiscBlockIndex>{mine}));

  Answer(0);  // the message is announced
  Run(browse, Command_SendPost, {}, "", 0);
  const std::vector<std::string> files = Outbox();
  ASSERT_EQ(files.size(), 1u);
  TCommandMessageHeader header;
  std::vector<std::string> names;
  ASSERT_TRUE(ReadMessage(files[0], "NEW_BLOCKS", header, &names));
  EXPECT_EQ(names, (std::vector<std::string>{Name(mine)}));
  EXPECT_EQ(lists.Items[0].Blocks.Count(), 0u);  // sent
  EXPECT_TRUE(Reports().empty());
}

// A comment leaves only under its author's identifier: a reader, or a moderator, whose
// identifier has not come yet is told so, and nothing is written.
TEST_F(SendingCommands, NoPostLeavesBeforeTheAuthorsIdentifierCame) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  d->Authors.Author(d->Authors.FindAuthorByADIdent(*d, ModelAuthorADIdent, true)).AutomaticEMail = TStr("lead@y.org");
  TBlocksPostList& lists = BegunPostLists(*d);
  const TDiscBlockIndex note = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "a note");
  lists.Items[0].Blocks.AddItem(d->Storages.GetDiscBlock(note)->GetDiscBlockCode());
  const int comments = d->Storages.Comments.Count();
  testsupport::TScopedGlobal moderate(TBrowseGlobal::Moderation, uint8_t{0});
  for (const uint8_t moderator : {0, 1}) {
    TBrowseGlobal::Moderation = moderator;
    form->Browse.CurrentBrowseItemChanged();
    Answer(0);
    ASSERT_TRUE(Choose(form->Browse, {"Form post command", "Send post"}));
    ASSERT_FALSE(Boxes().empty());
    EXPECT_EQ(Boxes().back().Caption, "CAN'T SEND POST");
  }
  // The moderator is told how to get an identifier, and the menu offers that road.
  EXPECT_EQ(Boxes().back().Message,
            "Current user has no author identifier in this discussion yet\nand can't send posts.\n"
            "To get one, choose \"Service\", \"Form post command\", \"Give my identifier\"\n"
            "and send it from the post office: the leader grants it.");
  EXPECT_TRUE(Outbox().empty());
  EXPECT_EQ(d->Storages.Comments.Count(), comments);
  EXPECT_EQ(lists.Items[0].Blocks.Count(), 1u);
  form->Browse.CurrentBrowseItemChanged();
  Answer(0);
  EXPECT_TRUE(Choose(form->Browse, {"Service", "Form post command", "Give my identifier"}));
  TBrowseGlobal::Moderation = 0;
  EXPECT_FALSE(Outbox().empty()) << "the request for an identifier waits in the Outbox";
}

TEST_F(SendingCommands, AFailureAtTheSecondReceiversRowLeavesTheOutboxAsItWas) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Ant", "a@x.org", 1);
  d->Authors.Author(AddSubscriber("MailService", "r@x.org", 0xFFFF)).Robot = 1;
  ASSERT_TRUE(d->User.PostLists.AddNewItem(*d));
  d->User.PostLists.Items[0].Blocks.AddItem(d->Storages.GetDiscBlock(a)->GetDiscBlockCode());
  FillPostList(*d, b, c);
  Answer(0);
  Answer(0);
  Answer(0);  // both messages are sealed (and announced) before the second fails
  Answer(0);
  FailMessageWrite(2);
  Run(form->Browse, Command_SendPost, {}, "", 0);
  FailMessageWrite(0);
  EXPECT_TRUE(Outbox().empty());
  // Nothing was sent: the list keeps its blocks.
  EXPECT_EQ(d->User.PostLists.Items.Count(), 1u);
  EXPECT_EQ(d->User.PostLists.Items[0].Blocks.Count(), 2u);
}

// The save that makes the sent comment's numbers the discussion's fails: the message is
// withdrawn and the sending taken back, so that nothing goes out under numbers the
// discussion did not keep.
TEST_F(SendingCommands, ASaveThatFailsWithdrawsTheMessageAndTakesTheSendingBack) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Ant", "a@x.org", 1);
  TBlocksPostList& lists = BegunPostLists(*d);
  const TDiscBlockIndex note = modeltest::AddBlock(*d, StorageType_Notes, b, TextType_Premise, "my note");
  const TDiscBlockCode noted = d->Storages.GetDiscBlock(note)->GetDiscBlockCode();
  lists.Items[0].Blocks.AddItem(noted);
  const std::vector<TDiscBlockCode> listed(lists.Items[0].Blocks.begin(), lists.Items[0].Blocks.end());
  const int comments = d->Storages.Comments.Count();
  const auto counters = [this] {
    std::vector<uint16_t> all;
    for (int i = 0; i < d->Authors.Count(); ++i) all.push_back(d->Authors.Author(i).CommentCounter);
    return all;
  };
  const std::vector<uint16_t> before = counters();
  Answer(0);  // Yes, the note becomes a comment
  Answer(0);  // the message is announced
  TDiscussion::CrashBeforeSaveStep = 1;
  Run(form->Browse, Command_SendPost, {}, "", 0);
  TDiscussion::CrashBeforeSaveStep = 0;
  EXPECT_TRUE(Outbox().empty());
  ASSERT_EQ(lists.Items.Count(), 1u);
  EXPECT_EQ(std::vector<TDiscBlockCode>(lists.Items[0].Blocks.begin(), lists.Items[0].Blocks.end()), listed);
  EXPECT_EQ(counters(), before);  // the comment number is free again
  for (int i = comments; i < d->Storages.Comments.Count(); ++i) EXPECT_FALSE(d->Storages.Comments.Block(i).IsAlive());
  EXPECT_EQ(d->Storages.GetDiscBlock(note)->Posted, 0);
}

// The rows of a leader's published text, as the user meets them. Under its block the row of
// the comment standing for the posted note offers "Edit" (it amends the note) but neither
// "Post" (the note has not changed since it went) nor "Delete" or "Cut" (a published
// comment stays). Among the notes ("Notes composed on") the posted note's own row offers no
// "Post" either; "Post" on another note with both rows marked lists the other note alone,
// and "Send post" makes no second comment of the sent text. A confirmed "Delete" there takes
// the note's row away. In the window of the post list, "Cancel posting" on the row of the
// published comment, listed because an answer under a participant's comment below it
// brought it, takes that comment off the list: its row goes, and "Send post" leaves it out.
TEST_F(SendingCommands, EveryEntryOnAPublishedTextsRowDoesWhatItSays) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Ant", "a@x.org", 1);
  TBlocksPostList& lists = BegunPostLists(*d);
  const TDiscBlockIndex note = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "my answer");
  d->Storages.GetDiscBlock(note)->SetDate(Date());
  TBrowse& browse = form->Browse;
  // Sends the last post list to all; the names of the blocks its message carries.
  const auto sendPost = [&](int answers) {
    for (int i = 0; i < answers; ++i) Answer(0);  // comments formed, the message announced
    const std::vector<std::string> before = Outbox();
    browse.Menu.Build(TBrowseItemIndex(), browse.CurrentBrowseState.CurrentItem, 1);
    EXPECT_TRUE(Choose(browse, {"Service", "Form post command", "Send post (to all)"}));
    Idle();
    std::vector<std::string> names;
    for (const std::string& file : Outbox()) {
      if (std::find(before.begin(), before.end(), file) != before.end()) continue;
      TCommandMessageHeader header;
      EXPECT_TRUE(ReadMessage(file, "NEW_BLOCKS", header, &names)) << file;
    }
    return names;
  };
  const auto offered = [](TBrowse& window, uint16_t row, const char* caption) {
    TBrowseItemIndex path;
    path.Append(row);
    window.PopupMenu.Build(path, window.CurrentBrowseState.CurrentItem, 0);
    const TSmartMenuItem* entry = window.PopupMenu.Root.Find(caption);
    return entry && entry->Enabled;
  };
  browse.CurrentBrowseItemChanged(true);
  ASSERT_TRUE(ChooseInPopup(browse, {PlaceOf(ListedBlocks(browse), note)}, {"Post"}));
  ASSERT_EQ(sendPost(2).size(), 1u);
  ASSERT_EQ(d->Storages.Comments.Count(), 1);
  const TDiscBlockIndex comment{StorageType_Comments, 0};
  ASSERT_EQ(ListedBlocks(browse), (std::vector<TDiscBlockIndex>{a, b, c, comment}));
  const uint16_t row = PlaceOf(ListedBlocks(browse), comment);
  EXPECT_TRUE(offered(browse, row, "Edit"));
  for (const char* caption : {"Post", "Delete", "Cut"}) EXPECT_FALSE(offered(browse, row, caption)) << caption;

  // Among the notes: the posted note and a new one, both marked, "Post" on the new one.
  const TDiscBlockIndex fresh = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "one more");
  d->Storages.GetDiscBlock(fresh)->SetDate(Date());
  ASSERT_TRUE(Choose(browse, {"Retrieval", "Notes composed on", FormatDateTime("mm'/'dd'/'yy", Date())}));
  TFormBrowse* notesForm = Newest();
  TBrowse& notes = notesForm->Browse;
  const auto place = [&](TDiscBlockIndex block) { return PlaceOf(ListedBlocks(notes), block); };
  ASSERT_EQ(ListedBlocks(notes).size(), 2u);
  EXPECT_FALSE(offered(notes, place(note), "Post"));
  TBrowseItem& shown = notes.CurrentBrowseState.CurrentItem;
  for (TBrowseItem& item : shown.Children) item.Marked = 1;
  ASSERT_TRUE(ChooseInPopup(notes, {place(fresh)}, {"Post"}));
  ASSERT_EQ(lists.Items.Count(), 2u);
  EXPECT_EQ(std::vector<TDiscBlockCode>(lists.Items[1].Blocks.begin(), lists.Items[1].Blocks.end()),
            (std::vector<TDiscBlockCode>{d->Storages.GetDiscBlock(fresh)->GetDiscBlockCode()}));
  for (TBrowseItem& item : shown.Children) item.Marked = 0;
  const std::vector<std::string> second = sendPost(2);
  ASSERT_EQ(d->Storages.Comments.Count(), 2);
  EXPECT_EQ(second, (std::vector<std::string>{Name({StorageType_Comments, 1})}));
  EXPECT_EQ(d->Storages.GetStrHashItem({StorageType_Comments, 1})->Str.Text, "one more");
  // The note deleted from the notes: its row goes; the published comment stays.
  Answer(0);
  ASSERT_TRUE(ChooseInPopup(notes, {place(note)}, {"Delete"}));
  EXPECT_EQ(Boxes().back().Caption, "MOVING TO RECYCLE BIN");
  EXPECT_EQ(ListedBlocks(notes), (std::vector<TDiscBlockIndex>{fresh}));
  Idle();
  EXPECT_EQ(ListedBlocks(browse), (std::vector<TDiscBlockIndex>{a, b, c, comment, {StorageType_Comments, 1}}));
  notesForm->Close();
  Pump();

  // A participant's comment under the published one, and the leader's answer under it.
  const TDiscBlockIndex theirs = modeltest::AddBlock(*d, StorageType_Comments, comment, TextType_Premise, "Ant's", 1);
  const TDiscBlockIndex answer = modeltest::AddBlock(*d, StorageType_Notes, theirs, TextType_Premise, "my reply");
  browse.GoToDiscBlock(theirs);
  ASSERT_TRUE(ChooseInPopup(browse, {PlaceOf(ListedBlocks(browse), answer)}, {"Post"}));
  ASSERT_TRUE(Choose(browse, {"Retrieval", lists.Items[2].Name.ToString()}));
  TBrowse& posts = Newest()->Browse;
  ASSERT_EQ(ListedBlocks(posts).size(), 3u);
  ASSERT_TRUE(ChooseInPopup(posts, {PlaceOf(ListedBlocks(posts), comment)}, {"Cancel posting"}));
  const std::vector<TDiscBlockIndex> left = ListedBlocks(posts);
  EXPECT_EQ(std::find(left.begin(), left.end(), comment), left.end());
  EXPECT_EQ(lists.Items[2].FindBlock(d->Storages.GetDiscBlock(comment)->GetDiscBlockCode()), -1);
  EXPECT_EQ(lists.Items[2].Blocks.Count(), 2u);
  const std::vector<std::string> sent = sendPost(2);
  ASSERT_EQ(d->Storages.Comments.Count(), 4);
  EXPECT_EQ(sent, (std::vector<std::string>{Name(theirs), Name({StorageType_Comments, 3})}));
  EXPECT_TRUE(Reports().empty());
}

// The window of a post list offers "Cancel posting" on its rows until the list is sent:
// "Send post" chosen in that very window sends the list and closes the window, so that
// nothing is left offering to act on what went.
TEST_F(SendingCommands, ThePostListsWindowClosesOnceItsListIsSent) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Ant", "a@x.org", 1);
  TBlocksPostList& lists = BegunPostLists(*d);
  const TDiscBlockIndex note = modeltest::AddBlock(*d, StorageType_Notes, b, TextType_Premise, "my note");
  TBrowse& browse = form->Browse;
  browse.GoToDiscBlock(b);
  ASSERT_TRUE(ChooseInPopup(browse, {PlaceOf(ListedBlocks(browse), note)}, {"Post"}));
  const int windows = manager->Count();
  ASSERT_TRUE(Choose(browse, {"Retrieval", lists.Items[0].Name.ToString()}));
  ASSERT_EQ(manager->Count(), windows + 1);
  TBrowse& posts = Newest()->Browse;
  ASSERT_EQ(ListedBlocks(posts), (std::vector<TDiscBlockIndex>{note}));
  TBrowseItemIndex firstRow;
  firstRow.Append(0);
  posts.PopupMenu.Build(firstRow, posts.CurrentBrowseState.CurrentItem, 0);
  const TSmartMenuItem* cancel = posts.PopupMenu.Root.Find("Cancel posting");
  EXPECT_TRUE(cancel && cancel->Enabled) << "offered while the list waits";

  Answer(0);  // Yes, the note becomes a comment
  Answer(0);  // the message is announced
  posts.Menu.Build(TBrowseItemIndex(), posts.CurrentBrowseState.CurrentItem, 1);
  ASSERT_TRUE(Choose(posts, {"Service", "Form post command", "Send post (to all)"}));
  Idle();
  EXPECT_EQ(manager->Count(), windows) << "the sent list's window is gone";
  for (int i = 0; i < manager->Count(); ++i) {
    const TBrowseState& state = manager->GetFormBrowse(i)->Browse.CurrentBrowseState;
    EXPECT_FALSE(state.SpecCaptionType == SpecCaption_Retrieval && state.RetrievalKind == Retrieval_PostList) << i;
  }
  EXPECT_EQ(Outbox().size(), 1u);
  EXPECT_NE(lists.Items[0].SentDate, 0);
  EXPECT_EQ(d->Storages.GetDiscBlock(note)->Posted, 1);
  EXPECT_TRUE(Reports().empty());
}

// The Outbox folder replaced by a file: "Send post" cannot write its message. A box says
// which file failed and why, not the window that only ends the program; the post list still
// names the note, which is not posted, its comment and its number are not taken, and so the
// saved files read too. With the folder back, the next "Send post" sends the note once, as
// the comment of the number the failed one would have taken.
TEST_F(SendingCommands, ASendPostThatCannotWriteItsMessageLosesNothing) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Ant", "a@x.org", 1);
  TBlocksPostList& lists = BegunPostLists(*d);
  const TDiscBlockIndex note = modeltest::AddBlock(*d, StorageType_Notes, b, TextType_Premise, "my note");
  const TDiscBlockCode noted = d->Storages.GetDiscBlock(note)->GetDiscBlockCode();
  TBrowse& browse = form->Browse;
  browse.GoToDiscBlock(b);
  ASSERT_TRUE(ChooseInPopup(browse, {PlaceOf(ListedBlocks(browse), note)}, {"Post"}));
  ASSERT_TRUE(d->Save());
  const int comments = d->Storages.Comments.Count();
  const int me = d->Authors.FindAuthorByADIdent(ModelAuthorADIdent);
  const uint16_t counter = d->Authors.Author(me).CommentCounter;
  const auto codes = [](const TBlocksPostList& posts) {
    std::vector<std::vector<TDiscBlockCode>> all;
    for (const TBlocksPostListItem& item : posts.Items) all.emplace_back(item.Blocks.begin(), item.Blocks.end());
    return all;
  };
  const std::vector<std::vector<TDiscBlockCode>> listed{{noted}};
  ASSERT_EQ(codes(lists), listed);
  const std::string outbox = TBrowseGlobal::Paths.Outbox;
  const std::string outboxFolder = outbox.substr(0, outbox.size() - 1);
  ASSERT_TRUE(Outbox().empty());
  std::filesystem::remove(outboxFolder);
  testsupport::WriteFile(outboxFolder, "not a folder");
  const auto sendPost = [&] {
    browse.Menu.Build(TBrowseItemIndex(), browse.CurrentBrowseState.CurrentItem, 1);
    return Choose(browse, {"Service", "Form post command", "Send post (to all)"});
  };

  Answer(0);  // Yes, the note becomes a comment
  Answer(0);  // the failure told
  ASSERT_TRUE(sendPost());
  ASSERT_FALSE(Boxes().empty());
  const browsetest::TShownBox told = Boxes().back();
  EXPECT_EQ(told.Caption, "SENDING POST");
  EXPECT_EQ(told.Message.rfind("The message " + outbox, 0), 0u) << told.Message;
  const std::string why = " could not be written (the folder " + outboxFolder +
                          " is a file).\nNothing was sent: the post list and its notes are as they were.\nSend the "
                          "post again once the cause is mended.";
  EXPECT_TRUE(told.Message.size() > why.size() && told.Message.ends_with(why)) << told.Message;
  EXPECT_TRUE(Reports().empty()) << "not the window that ends the program";
  const std::string log = testsupport::ReadFile(TError::LogPath());
  EXPECT_NE(log.find("ERROR MESSAGE: Sending post: "), std::string::npos) << log;
  EXPECT_EQ(log.find("REFUSED INPUT"), std::string::npos) << log;
  Idle();
  EXPECT_EQ(ListedBlocks(browse), (std::vector<TDiscBlockIndex>{note})) << "the note's row, reading \"note\"";
  EXPECT_EQ(codes(lists), listed);
  EXPECT_EQ(d->Storages.GetDiscBlock(note)->Posted, 0);
  EXPECT_EQ(d->Authors.Author(me).CommentCounter, counter);
  for (int i = comments; i < d->Storages.Comments.Count(); ++i) EXPECT_FALSE(d->Storages.Comments.Block(i).IsAlive());
  {
    TDiscussion saved;
    saved.Folder = d->Folder;
    ASSERT_TRUE(saved.Load());
    EXPECT_EQ(codes(saved.User.PostLists), listed);
    EXPECT_EQ(saved.Storages.GetDiscBlock(note)->Posted, 0);
    EXPECT_EQ(saved.Authors.Author(me).CommentCounter, counter);
  }

  std::filesystem::remove(outboxFolder);
  ASSERT_TRUE(std::filesystem::create_directory(outboxFolder));
  Answer(0);  // Yes, the note becomes a comment
  Answer(0);  // the message is announced
  ASSERT_TRUE(sendPost());
  const std::vector<std::string> files = Outbox();
  ASSERT_EQ(files.size(), 1u);
  TCommandMessageHeader header;
  std::vector<std::string> names;
  ASSERT_TRUE(ReadMessage(files[0], "NEW_BLOCKS", header, &names));
  const TDiscBlockIndex made = d->Storages.FindDiscBlockIndexByName(names.empty() ? "" : names[0]);
  ASSERT_EQ(names.size(), 1u);
  ASSERT_EQ(made.StorageType, StorageType_Comments);
  EXPECT_EQ(d->Storages.GetDiscBlock(made)->Num, counter + 1);
  EXPECT_EQ(d->Storages.GetStrHashItem(made)->Str.Text, "my note");
  EXPECT_EQ(d->Storages.GetDiscBlock(note)->Posted, 1);
  EXPECT_EQ(lists.Items[0].Blocks.Count(), 0u);
  Idle();
  EXPECT_EQ(ListedBlocks(browse), (std::vector<TDiscBlockIndex>{made}));
  TDiscussion saved;
  saved.Folder = d->Folder;
  ASSERT_TRUE(saved.Load());
  EXPECT_EQ(saved.Storages.GetDiscBlock(note)->Posted, 1);
  EXPECT_EQ(saved.User.PostLists.Items[0].Blocks.Count(), 0u);
  EXPECT_TRUE(Reports().empty());
}

}  // namespace
}  // namespace commandstest
