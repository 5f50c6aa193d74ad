// What a user sees after a command: every window on the discussion shows the change at
// once, keeps its own list, and stays on its own block.

#include "Commandstest.h"

#include "browse/Commandcodes.h"
#include "commands/Tformblocktext.h"
#include "model/Tclip.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tmenu.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscreen.h"
#include "platform/rtl/Tdatetime.h"
#include "platform/gui/Gui.h"
#include "tests/model/Modeltesthelpers.h"

#include <vector>

namespace commandstest {
namespace {

using Blocks = std::vector<TDiscBlockIndex>;

class ShownChanges : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  }
  // The first discussion in creating mode with its tree, one window on the root.
  TFormBrowse* OpenCreating() {
    d = &Discussion(ecology);
    if (!d->Load()) return nullptr;
    d->Info.Creating = 1;
    TFormBrowse* form = OpenTree();
    d->Undo.Clear();
    return form;
  }
  // The position of a block among the children of a window's item.
  static uint16_t Position(TBrowse& browse, TDiscBlockIndex block) {
    const std::vector<TBrowseItem>& children = browse.CurrentBrowseState.CurrentItem.Children;
    for (size_t i = 0; i < children.size(); ++i)
      if (children[i].Kind() == BrowseItem_Block && children[i].Ident.Index == block) return uint16_t(i);
    ADD_FAILURE() << "not listed";
    return 0;
  }
  // The service row of a block, -1 when none.
  static int RowOf(TBrowse& browse, TDiscBlockIndex block) {
    TBrowseState& state = browse.CurrentBrowseState;
    for (uint32_t row = 0; row < state.Rows.Count(); ++row) {
      const TBrowseItem* item = state.Rows[row].GetBrowseItem(state.CurrentItem);
      if (state.Rows[row].RowType == LowerListRow_Service && item && item->Kind() == BrowseItem_Block &&
          item->GetDiscBlockIndex() == block)
        return int(row);
    }
    return -1;
  }
  // What the program's idle handler does: the deferred requests run, then the paints.
  void Idle() {
    Pump();
    TListeners::Send(Notify_Idle, false);
    TListeners::Instance().DeliverQueued();
    Pump();
  }
  // Whether a block's text rows are painted crossed out in a window's list.
  bool PaintedCrossed(TFormBrowse& form, TDiscBlockIndex block) {
    Idle();
    TBrowseState& state = form.Browse.CurrentBrowseState;
    const HWND panel = form.PanelLowerListPaintBox->Handle();
    const int left = form.PaintBoxLowerList->Left(), top = form.PaintBoxLowerList->Top();
    for (uint32_t row = 0; row < state.Rows.Count(); ++row) {
      const TBrowseItem* item = state.Rows[row].GetBrowseItem(state.CurrentItem);
      if (state.Rows[row].RowType != LowerListRow_Text || !item || item->Kind() != BrowseItem_Block ||
          !(item->GetDiscBlockIndex() == block))
        continue;
      const RECT rect = form.Browse.GetLowerListRowRect(int(row));
      int crossed = 0;
      for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
          if (screen->WindowPixel(panel, x + left, y + top) == COLORREF(pars.DeletionCrossColor)) ++crossed;
      return crossed > (rect.bottom - rect.top);  // two lines corner to corner
    }
    return false;
  }

  // The pixels of a window's upper panel.
  std::vector<COLORREF> UpperPanel(TFormBrowse& form) {
    Idle();
    std::vector<COLORREF> pixels;
    const HWND panel = form.PanelUpperBlockPaintBox->Handle();
    const int left = form.PaintBoxUpperBlock->Left(), top = form.PaintBoxUpperBlock->Top();
    for (int y = 0; y < form.PaintBoxUpperBlock->Height(); ++y)
      for (int x = 0; x < form.PaintBoxUpperBlock->Width(); ++x)
        pixels.push_back(screen->WindowPixel(panel, x + left, y + top));
    return pixels;
  }
  std::string Text(TDiscBlockIndex block) { return d->Storages.GetStrHashItem(block)->Str.Text.ToString(); }

  platform::DialogScript script;
};

TEST_F(ShownChanges, CrossUncrossAndRestoreKeepTheRowsOfEveryWindow) {
  TFormBrowse* first = OpenCreating();
  ASSERT_NE(first, nullptr);
  const TDiscBlockIndex note = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "My note");
  first->Browse.CurrentBrowseItemChanged(true);
  TFormBrowse* second = OpenOn(ecology);
  ASSERT_NE(second, nullptr);
  second->Browse.GoToDiscBlock(a);
  Pump();
  const uint32_t secondHistory = second->Browse.History.Count();
  const auto expectUnmoved = [&](const Blocks& firstRows) {
    EXPECT_EQ(Shown(first->Browse), root);
    EXPECT_EQ(ListedBlocks(first->Browse), firstRows);
    EXPECT_EQ(Shown(second->Browse), a) << "the other window stays on its block";
    EXPECT_EQ(ListedBlocks(second->Browse), (Blocks{a1, a2}));
    EXPECT_EQ(second->Browse.History.Count(), secondHistory);
  };

  ASSERT_TRUE(ChooseInPopup(first->Browse, {Position(first->Browse, b)}, {"Cross"}));
  expectUnmoved({note, a, b, c});
  EXPECT_TRUE(PaintedCrossed(*first, b)) << "a crossed block is drawn crossed out";
  EXPECT_FALSE(PaintedCrossed(*first, c));

  // Crossing the block another window shows leaves that window where it is.
  ASSERT_TRUE(ChooseInPopup(first->Browse, {Position(first->Browse, a)}, {"Cross"}));
  expectUnmoved({note, a, b, c});
  ASSERT_TRUE(ChooseInPopup(first->Browse, {Position(first->Browse, a)}, {"Uncross"}));
  expectUnmoved({note, a, b, c});
  EXPECT_FALSE(PaintedCrossed(*first, a));
  EXPECT_TRUE(PaintedCrossed(*first, b));

  // The note to the recycle bin and back: only its own rows come and go.
  Answer(0);
  ASSERT_TRUE(ChooseInPopup(first->Browse, {Position(first->Browse, note)}, {"Delete"}));
  expectUnmoved({a, b, c});
  ASSERT_TRUE(Choose(first->Browse, {"Retrieval", "Deleted"}));
  TFormBrowse* deleted = Newest();
  ASSERT_EQ(ListedBlocks(deleted->Browse), Blocks{note});
  ASSERT_TRUE(ChooseInPopup(deleted->Browse, {0}, {"Restore"}));
  EXPECT_EQ(ListedBlocks(deleted->Browse), Blocks{});
  expectUnmoved({a, b, c});
  EXPECT_TRUE(Reports().empty());
}

// The header dialog as a user meets it: the text box has the focus, typing replaces the
// proposed text, Enter is OK; also on the root, where the text is the discussion's name.
TEST_F(ShownChanges, WhatIsTypedIntoTheHeaderDialogIsWrittenAndShownEverywhere) {
  TFormBrowse* first = OpenCreating();
  ASSERT_NE(first, nullptr);
  TFormBrowse* second = OpenOn(ecology);
  ASSERT_NE(second, nullptr);
  const auto typeAndEnter = [&](const std::string& text) {
    script.Answer("TFormDiscBlockHeader", [&, text](TCustomForm&) {
      person.PressKey('A', false, true);
      person.Type(text);
      person.PressKey(VK_RETURN);
    });
  };
  script.Answer("TFormDiscBlockHeader", [&](TCustomForm&) {
    person.Type("Hello");
    person.PressKey(VK_RETURN, false, true);  // Ctrl+Enter: a new line
    person.Type("World");
    person.PressKey(VK_RETURN);
  });
  ASSERT_TRUE(Choose(first->Browse, {"Add block"}));
  const TDiscBlockIndex added = d->Storages.FindDiscBlockIndexByName("4");
  ASSERT_FALSE(added.IsEmpty()) << "Enter is OK: the new block stays";
  EXPECT_EQ(Text(added), "Hello\r\nWorld");
  EXPECT_EQ(ListedBlocks(first->Browse), (Blocks{a, b, c, added}));
  Idle();
  EXPECT_EQ(ListedBlocks(second->Browse), (Blocks{a, b, c, added}));

  const std::vector<COLORREF> firstPanel = UpperPanel(*first), secondPanel = UpperPanel(*second);
  typeAndEnter("Rivers of the north");
  ASSERT_TRUE(ChooseInPopup(first->Browse, {}, {"Edit"}));
  EXPECT_EQ(d->GetName().ToString(), "Rivers of the north");
  EXPECT_TRUE(UpperPanel(*first) != firstPanel) << "the new name is drawn at once";
  EXPECT_TRUE(UpperPanel(*second) != secondPanel) << "also in the other window on the root";
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_TRUE(Reports().empty());
}

// Undoing a rename of the discussion (the text of its root) draws the old name again at
// once in every window on the root, the one that undid it and the other.
TEST_F(ShownChanges, UndoOfARootRenameIsDrawnInEveryWindowAtOnce) {
  TFormBrowse* first = OpenCreating();
  ASSERT_NE(first, nullptr);
  TFormBrowse* second = OpenOn(ecology);
  ASSERT_NE(second, nullptr);
  const std::string name = d->GetName().ToString();
  const std::vector<COLORREF> firstNamed = UpperPanel(*first), secondNamed = UpperPanel(*second);
  script.Answer("TFormDiscBlockHeader", [&](TCustomForm&) {
    person.PressKey('A', false, true);
    person.Type("Rivers of the north");
    person.PressKey(VK_RETURN);
  });
  ASSERT_TRUE(ChooseInPopup(first->Browse, {}, {"Edit"}));
  const std::vector<COLORREF> firstRenamed = UpperPanel(*first), secondRenamed = UpperPanel(*second);
  ASSERT_TRUE(firstRenamed != firstNamed);
  ASSERT_TRUE(secondRenamed != secondNamed);
  ASSERT_TRUE(Choose(first->Browse, {"Undo"}));
  EXPECT_EQ(d->GetName().ToString(), name);
  EXPECT_TRUE(UpperPanel(*first) == firstNamed) << "the old name is drawn again in the window that undid";
  EXPECT_TRUE(UpperPanel(*second) == secondNamed) << "and in the other window on the root";
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_TRUE(Reports().empty());
}

// Commands that refresh the window that ran them (Discussion info, Post) leave its
// selection on the row the user chose.
TEST_F(ShownChanges, DiscussionInfoAndPostKeepTheSelectedRow) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  if (d->User.PostLists.Items.Count() == 0) {
    ASSERT_TRUE(d->User.PostLists.AddNewItem(*d));
  }
  const TDiscBlockIndex note = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "My note");
  TBrowse& browse = form->Browse;
  browse.CurrentBrowseItemChanged(true);
  Idle();
  const int row = RowOf(browse, c);
  ASSERT_GT(row, 0);
  for (int presses = 0; browse.CurrentBrowseState.SelectedRow != row && presses < 20; ++presses) {
    person.PressKey(VK_DOWN);
    Idle();
  }
  ASSERT_EQ(browse.CurrentBrowseState.SelectedRow, row);

  script.Press("TFormAnnotation", "ButtonOk", {{"MemoAnnotation", "About rivers"}});
  ASSERT_TRUE(Choose(browse, {"Discussion info"}));
  Idle();
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, row) << "Discussion info";
  ASSERT_TRUE(ChooseInPopup(browse, {Position(browse, note)}, {"Post"}));
  Idle();
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, row) << "Post";
  // "Post" from the popup a right click opens on a row, which selects the row. The menu
  // closes with the pointer over another block's row, where it rests: the selection stays
  // on the posted row.
  const TDiscBlockIndex second = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "My second note");
  browse.CurrentBrowseItemChanged(true);
  Idle();
  const int posted = RowOf(browse, second), other = RowOf(browse, c);
  ASSERT_GT(posted, 0);
  ASSERT_GT(other, 0);
  const auto pointAt = [&](int at, int dx) {
    const RECT r = browse.GetLowerListRowRect(at);
    return form->PaintBoxLowerList->ClientToScreen(POINT{(r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2});
  };
  // The browse windows' clock, moved by the test; the tick selects a row the pointer rests on.
  static double clock = 40000.0;
  platform::SetNowSource([] { return TDateTime(clock); });
  browse.LastTick = clock;
  const auto restFor = [&](double seconds) {
    clock += seconds / 86400.0;
    TListeners::Send(Notify_Tick, false);
    Idle();
  };
  int step = 0;
  platform::SetMenuLoopIdleHook([&] {
    if (step++ > 0) return;
    const POINT below = pointAt(other, 0);
    person.MoveTo(below.x, below.y);                    // down to the entry, which lies over that row
    EXPECT_TRUE(ChooseIn(browse.PopupMenu, {"Post"}));  // the entry's command, as the open menu offers it
    person.PressKey(VK_ESCAPE);
  });
  const POINT on = pointAt(posted, 0);
  person.MoveTo(on.x, on.y);
  Idle();
  person.Press(platform::MouseButton::Right);  // the press opens the menu
  Idle();
  platform::SetMenuLoopIdleHook(nullptr);
  person.Release(platform::MouseButton::Right);
  Idle();
  const POINT rest = pointAt(other, 3);
  person.MoveTo(rest.x, rest.y);
  Idle();
  restFor(1.5);
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, posted) << "Post of the row chosen by the right click";
  EXPECT_EQ(SelectedBlock(browse), second);
  // A row the pointer is moved onto afterwards is selected after the pause, as ever.
  const POINT moved = pointAt(RowOf(browse, b), 0);
  person.MoveTo(moved.x, moved.y);
  Idle();
  restFor(1.5);
  EXPECT_EQ(SelectedBlock(browse), b);
  platform::SetNowSource(nullptr);
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_TRUE(Reports().empty());
}

// Undoing a delete brings the block back into every list it left.
TEST_F(ShownChanges, UndoOfADeleteListsTheBlockAgainInEveryWindow) {
  TFormBrowse* first = OpenCreating();
  ASSERT_NE(first, nullptr);
  TFormBrowse* second = OpenOn(ecology);
  ASSERT_NE(second, nullptr);
  Answer(0);
  ASSERT_TRUE(ChooseInPopup(first->Browse, {Position(first->Browse, b)}, {"Delete"}));
  Idle();
  EXPECT_EQ(ListedBlocks(first->Browse), (Blocks{a, c}));
  EXPECT_EQ(ListedBlocks(second->Browse), (Blocks{a, c}));
  ASSERT_TRUE(Choose(first->Browse, {"Undo"}));
  Idle();
  EXPECT_EQ(ListedBlocks(first->Browse), (Blocks{a, b, c}));
  EXPECT_EQ(ListedBlocks(second->Browse), (Blocks{a, b, c}));
  EXPECT_TRUE(Reports().empty());
}

// A search window keeps its hits through a command that refreshes it, and the block text
// opened from it shows the searched words found.
TEST_F(ShownChanges, ASearchWindowKeepsItsHitsThroughARefresh) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  d->Storages.GetStrHashItem(a1)->Str.Text = "the rain in the forest";
  d->Storages.GetStrHashItem(b)->Str.Text = "the rain falls";
  d->Storages.GetStrHashItem(c)->Str.URL = "http://example.org/RAINBOW";
  script.Press("Search string", "ButtonOk", {{"EditText", "rain"}, {"CheckBoxCaseSensitive", "1"}});
  ASSERT_TRUE(Choose(form->Browse, {"Search"}));
  TFormBrowse* found = Newest();
  ASSERT_NE(found, form);
  ASSERT_EQ(ListedBlocks(found->Browse), (Blocks{a1, b}));
  const std::string caption = found->Caption();

  script.Press("TFormAnnotation", "ButtonOk", {{"MemoAnnotation", "About rivers and rain"}});
  ASSERT_TRUE(Choose(found->Browse, {"Discussion info"}));
  EXPECT_EQ(ListedBlocks(found->Browse), (Blocks{a1, b})) << "the search is still what the window lists";
  EXPECT_EQ(found->Caption(), caption);

  ASSERT_TRUE(ChooseInPopup(found->Browse, {1}, {"Block text"}));
  TFormBlockText* viewer = nullptr;
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* shown = dynamic_cast<TFormBlockText*>(Screen->Forms(i))) viewer = shown;
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->MemoBlockText->SelText(), "rain") << "the searched words are found on show";
  viewer->Close();
  Pump();
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_TRUE(Reports().empty());
}

// A paste refused halfway leaves the clipboard as it was, so the user can paste it
// elsewhere; a paste that stands empties it.
TEST_F(ShownChanges, APasteRefusedHalfwayLeavesTheClipboardAsItWas) {
  TClip clip;
  BlockClipboard() = &clip;
  TFormBrowse* form = OpenCreating();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  const TDiscBlockIndex note = modeltest::AddBlock(*d, StorageType_Notes, root, TextType_Premise, "My note");
  const TDiscBlockIndex other = modeltest::AddBlock(*d, StorageType_Notes, c, TextType_Premise, "Other note");
  browse.CurrentBrowseItemChanged(true);
  Idle();
  // Ctrl and a click on each row mark the note and A; Copy takes both.
  for (const TDiscBlockIndex block : {note, a}) {
    const RECT row = browse.GetLowerListRowRect(RowOf(browse, block));
    const POINT at = form->PaintBoxLowerList->ClientToScreen(POINT{row.left + 40, row.top + 4});
    person.KeyDown(VK_CONTROL);
    person.Click(at.x, at.y);
    person.KeyUp(VK_CONTROL);
    Pump();
  }
  ASSERT_TRUE(ChooseInPopup(browse, {Position(browse, a)}, {"Copy"}));
  ASSERT_EQ(clip.Count(), 2);

  // Under another note, the note is pasted and the model block refused.
  browse.GoToDiscBlock(other);
  Pump();
  Answer(0);
  ASSERT_TRUE(Choose(browse, {"Paste"}));
  ASSERT_FALSE(Boxes().empty());
  EXPECT_EQ(Boxes().back().Message, "Model blocks can only be pasted as child of another model block");
  EXPECT_EQ(ListedBlocks(browse).size(), 1u) << "the note pasted before the refusal stays";
  EXPECT_EQ(clip.Count(), 2) << "the clipboard is as it was";

  browse.GoToDiscBlock(b);
  Pump();
  ASSERT_TRUE(Choose(browse, {"Paste"}));
  EXPECT_EQ(ListedBlocks(browse).size(), 2u);
  EXPECT_TRUE(clip.IsEmpty());
  BlockClipboard() = nullptr;
  EXPECT_TRUE(Reports().empty());
}

// Making a block a heading renames it "1.*": before that, the user is told which blocks'
// references to "1" will find it no more, and may step back.
TEST_F(ShownChanges, MakingABlockAHeadingNamesTheReferencesItBreaks) {
  TFormBrowse* form = OpenCreating();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  const std::string first = Name(a), second = Name(b);
  script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "as <" + first + "> says"}});
  ASSERT_TRUE(ChooseInPopup(browse, {Position(browse, b)}, {"Edit"}));
  ASSERT_EQ(Text(b), "as <" + first + "> says");

  script.Answer("TFormDiscBlockHeader", [&](TCustomForm& dialog) {
    platform::SetControlValue(dialog, "RadioButton_Heading", "1");
    Answer(1);  // No: the dialog stays
    platform::PressControl(dialog, "Button1");
    ASSERT_FALSE(Boxes().empty());
    EXPECT_EQ(Boxes().back().Caption, "RENAMING");
    EXPECT_EQ(Boxes().back().Message, "Block <" + first + "> will be named <" + first + ".*>: the references to <" +
                                          first + "> in <" + second + "> will find it no more.\nGo on?");
    EXPECT_EQ(dialog.ModalResult(), mrNone);
    Answer(0);
    platform::PressControl(dialog, "Button1");
  });
  ASSERT_TRUE(ChooseInPopup(browse, {Position(browse, a)}, {"Edit"}));
  EXPECT_EQ(Name(a), first + ".*");
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_TRUE(Reports().empty());
}

}  // namespace
}  // namespace commandstest
