// Writing into a discussion from a browse window: adding, inserting and editing blocks
// through the header dialog, cutting and pasting, deleting, restoring and crossing, and
// undoing all of it step by step back to what the discussion saved at the start.

#include "Commandstest.h"

#include "browse/Commandcodes.h"
#include "commands/Tformblocktext.h"
#include "commands/Tformdiscblockheader.h"
#include "model/Discussionfileset.h"
#include "model/Blocklinks.h"
#include "model/Tclip.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tscreen.h"
#include "tests/model/Modeltesthelpers.h"

#include <memory>

namespace commandstest {
namespace {

class Editing : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
    clip = std::make_unique<TClip>();
    BlockClipboard() = clip.get();
  }
  void TearDown() override {
    BlockClipboard() = nullptr;
    CommandsTest::TearDown();
  }
  // What the discussion would save, file by file.
  std::vector<std::string> Saved() {
    std::vector<std::string> files;
    for (int file = 0; file < TDiscussionFileSet::Count; ++file) files.push_back(d->ComposeFile(file));
    return files;
  }
  // The header dialog gets a text and OK.
  void WriteHeader(const std::string& text) {
    script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", text}});
  }
  std::string Names(TBrowse& browse) {
    std::string names;
    for (const TLowerListRow& row : browse.CurrentBrowseState.Rows) {
      if (row.RowType != LowerListRow_Service) continue;
      const TBrowseItem* item = row.GetBrowseItem(browse.CurrentBrowseState.CurrentItem);
      names += (names.empty() ? "" : " ") + (item ? Name(item->GetDiscBlockIndex()) : std::string("?"));
    }
    return names;
  }
  // A window on the first discussion's root in creating mode, with nothing to undo yet;
  // null when it does not open.
  TBrowse* OpenCreating() {
    d = &Discussion(ecology);
    if (!d->Load()) return nullptr;
    d->Info.Creating = 1;
    TFormBrowse* form = OpenTree();
    d->Undo.Clear();
    return form ? &form->Browse : nullptr;
  }
  // The discussion saves what it saved at the start; the user's file keeps what was read
  // and visited, which no undo takes back.
  void ExpectSavedAsAtTheStart(const std::vector<std::string>& start) {
    const std::vector<std::string> end = Saved();
    for (size_t file = 0; file < start.size(); ++file) {
      if (std::string(TDiscussionFileSet::Names[file]) == "UserInfo.cbs") continue;
      EXPECT_EQ(end[file], start[file]) << TDiscussionFileSet::Names[file];
    }
  }
  TDiscBlockIndex Find(const std::string& name) { return d->Storages.FindDiscBlockIndexByName(name); }
  std::string Text(TDiscBlockIndex block) { return d->Storages.GetStrHashItem(block)->Str.Text.ToString(); }

  platform::DialogScript script;
  std::unique_ptr<TClip> clip;
};

TEST_F(Editing, ASessionOfEditsUndoesStepByStepToTheSavedDiscussion) {
  TBrowse* opened = OpenCreating();
  ASSERT_NE(opened, nullptr);
  TBrowse& browse = *opened;
  const std::vector<std::string> start = Saved();
  const uint16_t notes = d->User.NoteCounter;
  ASSERT_EQ(Names(browse), "1 2 3");

  // A model block added at the end: OK refuses each fault of a formula first.
  script.Answer("TFormDiscBlockHeader", [&](TCustomForm& dialog) {
    // The text's memo leaves the buttons below it in sight.
    const auto& header = dynamic_cast<TFormDiscBlockHeader&>(dialog);
    EXPECT_LE(header.MemoText->Top() + header.MemoText->Height(), header.PanelFormula->Top());
    // It lies over the window it was opened from, within the work area.
    const RECT area = Screen->WorkAreaRect();
    const int middle = browse.Form->Left() + browse.Form->Width() / 2;
    EXPECT_LE(dialog.Left(), middle);
    EXPECT_GE(dialog.Left() + dialog.Width(), middle);
    EXPECT_GE(dialog.Left(), area.left);
    EXPECT_LE(dialog.Left() + dialog.Width(), area.right);
    platform::SetControlValue(dialog, "MemoText", "Water is scarce");
    platform::SetControlValue(dialog, "RadioButton_Formula", "1");
    const std::vector<std::pair<std::string, std::string>> faults = {
        {"", ""}, {"", "<1> * 0,5"}, {"", "<1> * 0.5"}, {"<9>", "<1> * 0.5"}, {"<2>", "<1> * 0.5"}};
    for (const auto& [conclusion, formula] : faults) {
      platform::SetControlValue(dialog, "EditFormulaTextTo", conclusion);
      platform::SetControlValue(dialog, "EditFormulaOrURLText", formula);
      Answer(0);
      platform::PressControl(dialog, "Button1");
    }
    platform::SetControlValue(dialog, "RadioButton_Premise", "1");
    platform::SetControlValue(dialog, "EditPossibility", "7x5");
    EXPECT_EQ(dynamic_cast<TEdit*>(platform::FindNamed(dialog, "EditPossibility"))->Text(), "75");
    platform::PressControl(dialog, "Button1");
  });
  Run(browse, Command_AddBlock);
  ASSERT_EQ(Boxes().size(), 5u);
  EXPECT_EQ(Boxes()[0].Message, "Empty formula text!");
  EXPECT_EQ(Boxes()[1].Message, "Formula text contain ','; decimal separator - '.'.\nPlease correct formula text!");
  EXPECT_EQ(Boxes()[2].Message, "Conclusion block for formula block not entered!");
  EXPECT_EQ(Boxes()[3].Message, "Please correct conclusion block name");
  EXPECT_EQ(Boxes()[4].Message, "Block in the conclusion field is no conclusion");
  EXPECT_EQ(Names(browse), "1 2 3 4");
  const TDiscBlockIndex added = Find("4");
  ASSERT_FALSE(added.IsEmpty());
  EXPECT_EQ(Text(added), "Water is scarce");
  EXPECT_EQ(d->Storages.GetDiscBlock(added)->Possibility, 75);

  // A note whose header is cancelled is gone again, its number with it.
  script.Press("TFormDiscBlockHeader", "Button2");
  Run(browse, Command_AddNote);
  TListeners::Instance().DeliverQueued();  // what the idle handler does next
  EXPECT_EQ(Names(browse), "1 2 3 4");
  EXPECT_EQ(d->User.NoteCounter, notes);
  EXPECT_EQ(d->Storages.Notes.Count(), 0);

  // Inserted before the second row: the later siblings move up a number.
  WriteHeader("Inserted");
  Run(browse, Command_InsertBlock, {1});
  EXPECT_EQ(d->Storages.GetDiscBlock(b)->Num, 3);
  EXPECT_EQ(d->Storages.GetDiscBlock(c)->Num, 4);
  const TDiscBlockIndex inserted = d->Storages.Model.Count() > 0 ? TDiscBlockIndex{1, uint16_t(d->Storages.Model.Count() - 1)}
                                                                    : TDiscBlockIndex{};
  EXPECT_EQ(d->Storages.GetDiscBlock(inserted)->Num, 2);
  EXPECT_EQ(Text(inserted), "Inserted");

  // A premise made a heading takes ".*".
  script.Press("TFormDiscBlockHeader", "Button1", {{"RadioButton_Heading", "1"}});
  Run(browse, Command_Edit, {0}, "", 1, 0);
  EXPECT_EQ(Name(a), "1.*");

  // The subtree of A cut and pasted before C: A's copy with its lower blocks, A erased.
  Run(browse, Command_Cut, {0});
  EXPECT_EQ(clip->Count(), 1);
  EXPECT_EQ(d->Storages.GetDiscBlock(a)->DeleteFlag, DeleteFlag_Recycled);
  const int before = d->Storages.Model.Count();
  Run(browse, Command_Paste, {2});
  EXPECT_TRUE(clip->IsEmpty());
  EXPECT_EQ(d->Storages.Model.Count(), before + 4);
  EXPECT_EQ(d->Storages.GetDiscBlock(a)->DeleteFlag, DeleteFlag_Erased);

  // A note added, deleted to the recycle bin, restored, crossed.
  WriteHeader("My note");
  Run(browse, Command_AddNote);
  ASSERT_EQ(d->Storages.Notes.Count(), 1);
  const TDiscBlockIndex note{StorageType_Notes, 0};
  Answer(0);
  Run(browse, Command_Delete, {uint16_t(browse.CurrentBrowseState.CurrentItem.Children.size() - 1)});
  EXPECT_EQ(Boxes().back().Caption, "MOVING TO RECYCLE BIN");
  EXPECT_EQ(d->Storages.GetDiscBlock(note)->DeleteFlag, DeleteFlag_Recycled);
  // The root is never deleted.
  Answer(0);
  Run(browse, Command_Delete);
  EXPECT_EQ(Boxes().back().Caption, "DELETING");
  browse.GoToDiscBlock(note);
  Run(browse, Command_Restore);
  EXPECT_EQ(d->Storages.GetDiscBlock(note)->DeleteFlag, DeleteFlag_Alive);
  EXPECT_EQ(d->Storages.GetDiscBlock(note)->Upper, root);
  Run(browse, Command_CrossUncross, {}, "", 1);
  EXPECT_EQ(d->Storages.GetDiscBlock(note)->DeleteFlag, DeleteFlag_Crossed);
  EXPECT_EQ(script.Pending(), 0u);

  // The texts of a block in a window of their own, searched from the pattern.
  Run(browse, Command_BlockText);
  TFormBlockText* viewer = nullptr;
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* found = dynamic_cast<TFormBlockText*>(Screen->Forms(i))) viewer = found;
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->Caption(), "Block text <" + Name(note) + ">");
  EXPECT_EQ(viewer->MemoBlockText->Text(), "My note");
  viewer->EditModel->SetText("NOTE");
  platform::PressControl(*viewer, "ButtonFindNext");
  EXPECT_EQ(viewer->MemoBlockText->SelStart(), 3);
  EXPECT_EQ(viewer->MemoBlockText->SelLength(), 4);
  platform::PressControl(*viewer, "ButtonClose");
  Pump();

  // Undo, step by step, back to the start.
  for (int step = 0; step < 50 && d->Undo.CanUndo(); ++step) Run(browse, Command_Undo);
  EXPECT_FALSE(d->Undo.CanUndo());
  EXPECT_EQ(d->User.NoteCounter, notes);
  ExpectSavedAsAtTheStart(start);
  EXPECT_TRUE(Reports().empty());
}

// A new user's road: every editing command is found in the window menu (the tool bar) or
// in the popup of a row, and the menu's Undo takes the whole session back.
TEST_F(Editing, EveryEditingCommandIsOfferedByTheMenus) {
  TBrowse* opened = OpenCreating();
  ASSERT_NE(opened, nullptr);
  TBrowse& browse = *opened;
  const std::vector<std::string> start = Saved();
  const int models = d->Storages.Model.Count();
  const auto state = [&](TDiscBlockIndex block) { return d->Storages.GetDiscBlock(block)->DeleteFlag; };

  WriteHeader("Added");
  ASSERT_TRUE(Choose(browse, {"Add block"}));
  EXPECT_EQ(d->Storages.Model.Count(), models + 1);
  WriteHeader("Inserted");
  ASSERT_TRUE(ChooseInPopup(browse, {1}, {"Insert block"}));
  EXPECT_EQ(d->Storages.GetDiscBlock(b)->Num, 3);
  script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "Edited"}});
  ASSERT_TRUE(ChooseInPopup(browse, {0}, {"Edit"}));
  EXPECT_EQ(Text(a), "Edited");
  ASSERT_TRUE(ChooseInPopup(browse, {0}, {"Copy"}));
  ASSERT_TRUE(Choose(browse, {"Paste"}));
  EXPECT_EQ(d->Storages.Model.Count(), models + 6);  // A with its three lower blocks
  const auto position = [](TBrowse& in, TDiscBlockIndex block) {
    const std::vector<TBrowseItem>& children = in.CurrentBrowseState.CurrentItem.Children;
    for (size_t i = 0; i < children.size(); ++i)
      if (children[i].Kind() == BrowseItem_Block && children[i].Ident.Index == block) return uint16_t(i);
    ADD_FAILURE() << "not listed";
    return uint16_t(0);
  };
  ASSERT_TRUE(ChooseInPopup(browse, {position(browse, c)}, {"Cut"}));
  ASSERT_TRUE(ChooseInPopup(browse, {position(browse, b)}, {"Paste"}));
  EXPECT_EQ(state(c), DeleteFlag_Erased);
  ASSERT_TRUE(ChooseInPopup(browse, {position(browse, a)}, {"Cross"}));
  EXPECT_EQ(state(a), DeleteFlag_Crossed);
  ASSERT_TRUE(ChooseInPopup(browse, {position(browse, a)}, {"Uncross"}));
  EXPECT_EQ(state(a), DeleteFlag_Alive);

  // A note to the recycle bin, and back from the list of deleted blocks.
  WriteHeader("My note");
  ASSERT_TRUE(Choose(browse, {"Add note"}));
  ASSERT_EQ(d->Storages.Notes.Count(), 1);
  const TDiscBlockIndex note{StorageType_Notes, 0};
  Answer(0);
  ASSERT_TRUE(ChooseInPopup(browse, {uint16_t(browse.CurrentBrowseState.CurrentItem.Children.size() - 1)}, {"Delete"}));
  EXPECT_EQ(state(note), DeleteFlag_Recycled);
  ASSERT_TRUE(Choose(browse, {"Retrieval", "Deleted"}));
  TFormBrowse* deleted = Newest();
  ASSERT_NE(deleted, browse.Form);
  ASSERT_EQ(ListedBlocks(deleted->Browse), std::vector<TDiscBlockIndex>{note});
  ASSERT_TRUE(ChooseInPopup(deleted->Browse, {0}, {"Restore"}));
  EXPECT_EQ(state(note), DeleteFlag_Alive);
  deleted->Close();
  Pump();

  ASSERT_TRUE(Choose(browse, {"Service", "Renumerate"}));
  Answer(0);
  ASSERT_TRUE(Choose(browse, {"Service", "Discussion statistics"}));
  EXPECT_EQ(Boxes().back().Caption, "DISCUSSION STATISTICS");
  for (int step = 0; step < 50 && d->Undo.CanUndo(); ++step) ASSERT_TRUE(Choose(browse, {"Undo"}));
  ExpectSavedAsAtTheStart(start);

  // A reader (not creating) opens a block's texts from its popup.
  d->Info.Creating = 0;
  TFormBrowse* reader = OpenOn(ecology);
  ASSERT_NE(reader, nullptr);
  ASSERT_TRUE(ChooseInPopup(reader->Browse, {0}, {"Block text"}));
  TFormBlockText* viewer = nullptr;
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* found = dynamic_cast<TFormBlockText*>(Screen->Forms(i))) viewer = found;
  ASSERT_NE(viewer, nullptr);
  platform::PressControl(*viewer, "ButtonClose");
  Pump();

  // A block in trouble is fixed from its popup: its troubles are shown, Delete erases it.
  ASSERT_TRUE(ChangeUnlinkedBlockInfo(*d, c, [](TUnlinkedBlockInfo& info) { info.LostHyperRefs = 1; }));
  reader->Browse.CurrentBrowseItemChanged();
  script.Answer("TFormFixingTrouble", [&](TCustomForm& dialog) {
    EXPECT_EQ(dialog.Caption(), "Fix trouble: block " + Name(c));
    EXPECT_EQ(dynamic_cast<TLabel*>(platform::FindNamed(dialog, "LabelUnlinked1"))->Caption(), "lost hyperrefs");
    EXPECT_TRUE(dynamic_cast<TControl*>(platform::FindNamed(dialog, "ButtonRequest"))->Visible());
    platform::PressControl(dialog, "Button2");
  });
  ASSERT_TRUE(ChooseInPopup(reader->Browse, {position(reader->Browse, c)}, {"Fix trouble"}));
  EXPECT_EQ(state(c), DeleteFlag_Erased);
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Editing, BackNeverLandsOnABlockThatUndoTookAway) {
  TBrowse* opened = OpenCreating();
  ASSERT_NE(opened, nullptr);
  TBrowse& browse = *opened;
  const int models = d->Storages.Model.Count();
  WriteHeader("Short-lived");
  Run(browse, Command_AddBlock);
  const TDiscBlockIndex added = Find("4");
  ASSERT_FALSE(added.IsEmpty());
  // Opened, then left for another block: the history holds root, the new block.
  browse.GoToDiscBlock(added);
  browse.GoToDiscBlock(a);
  Pump();
  for (int step = 0; step < 10 && d->Storages.Model.Count() > models; ++step) Run(browse, Command_Undo);
  ASSERT_EQ(d->Storages.Model.Count(), models);
  Run(browse, Command_Back);
  EXPECT_EQ(Shown(browse), root);
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.Kind(), BrowseItem_Block);
  EXPECT_EQ(Names(browse), "1 2 3");
  EXPECT_TRUE(Reports().empty());
}

}  // namespace
}  // namespace commandstest

namespace commandstest {
namespace {

TEST_F(Editing, BlocksAddedUnderTheRootKeepItsCodeWhileTheirStorageGrows) {
  d = &Discussion(ecology);
  ASSERT_TRUE(d->Load());
  d->Info.Creating = 1;
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  const TDiscBlockCode rootCode = d->Storages.GetDiscBlock(root)->GetDiscBlockCode();
  // Enough blocks that the storage moves its records more than once.
  for (int i = 0; i < 20; ++i) {
    WriteHeader("River " + std::to_string(i));
    Run(form->Browse, Command_AddBlock);
  }
  const TBlocksStorage& model = d->Storages.Model;
  ASSERT_EQ(model.Count(), 27);
  for (int i = 7; i < model.Count(); ++i) {
    EXPECT_EQ(model.Block(i).UpperCode, rootCode) << i;
    EXPECT_EQ(model.Block(i).Upper, root) << i;
  }
  EXPECT_EQ(Text(Find("23")), "River 19");
}

}  // namespace
}  // namespace commandstest
