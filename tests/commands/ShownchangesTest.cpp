// What a user sees after a command: every window on the discussion shows the change at
// once, keeps its own list, and stays on its own block.

#include "Commandstest.h"

#include "commands/Commandcodes.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"
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
  // What the program's idle handler does: the deferred requests run, then the paints.
  void Idle() {
    Pump();
    TListeners::Send(Notify_Idle, false);
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

}  // namespace
}  // namespace commandstest
