// Rows dragged with the mouse from one browse window into the list of another, and two
// windows on one discussion kept in step by the change notifications.

#include "Commandstest.h"

#include "browse/Commandcodes.h"
#include "browse/Tformbrowsemanager.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/gui/Gui.h"
#include "tests/model/Modeltesthelpers.h"

namespace commandstest {
namespace {

class DragDrop : public CommandsTest {
 protected:
  // Two windows side by side in a discussion being created: the first on the root, the
  // second on B or on A1.
  void OpenTwo(bool onA1) {
    d = &Discussion(ecology);
    ASSERT_TRUE(d->Load());
    d->Info.Creating = 1;
    left = OpenTree();
    ASSERT_NE(left, nullptr);
    TBrowse* opened = manager->NewFormBrowseOnBlock(ecology, onA1 ? a1 : b, left, 0, false);
    ASSERT_NE(opened, nullptr);
    right = opened->Form;
    left->SetBounds(0, 0, 500, 700);
    right->SetBounds(520, 0, 500, 700);
    Settle();
  }
  void Settle() {
    Pump();
    TListeners::Instance().DeliverQueued();
    TListeners::Send(2, false);
    Pump();
  }
  // The screen point inside a row of a window's list.
  POINT RowPoint(TFormBrowse* form, int row) {
    const RECT r = form->Browse.GetLowerListRowRect(row);
    return form->PaintBoxLowerList->ClientToScreen(POINT{100, r.top + 4});
  }
  // Presses on a row, moves quickly and lets go over a point.
  void Drag(TFormBrowse* from, int row, POINT to) {
    const POINT p = RowPoint(from, row);
    person.MoveTo(p.x, p.y);
    person.Press();
    person.MoveTo(p.x + 1, p.y);
    person.MoveTo(p.x + 30, p.y + 1);
    person.MoveTo(to.x, to.y);
    person.Release();
    Settle();
  }
  int RowOf(TFormBrowse* form, TDiscBlockIndex block) {
    const TBrowseState& state = form->Browse.CurrentBrowseState;
    for (int i = 0; i < int(state.Rows.Count()); ++i) {
      const TBrowseItem* item = state.Rows[uint32_t(i)].ItemIndex.GetBrowseItem(state.CurrentItem);
      if (state.Rows[uint32_t(i)].RowType == LowerListRow_Service && item && item->Ident.Index == block) return i;
    }
    return -1;
  }

  TFormBrowse* left = nullptr;
  TFormBrowse* right = nullptr;
};

TEST_F(DragDrop, ARowDraggedIntoAnotherWindowMovesTheBlockThereAndBothWindowsFollow) {
  OpenTwo(false);
  ASSERT_EQ(RowOf(left, c), 4);
  const int blocks = d->Storages.Model.Count();
  // C dropped onto B's (empty) list: a copy under B, C erased, gone from the left window.
  Drag(left, RowOf(left, c), right->PaintBoxLowerList->ClientToScreen(POINT{100, 100}));
  EXPECT_EQ(d->Storages.Model.Count(), blocks + 1);
  EXPECT_EQ(d->Storages.GetDiscBlock(c)->DeleteFlag, DeleteFlag_Erased);
  const TDiscBlockIndex copy{StorageType_Model, uint16_t(blocks)};
  EXPECT_EQ(d->Storages.GetDiscBlock(copy)->Upper, b);
  EXPECT_EQ(RowOf(right, copy), 0);
  EXPECT_EQ(RowOf(left, c), -1);
  EXPECT_FALSE(left->Browse.Drag.Dragging());

  // A block added in one window shows in the other that lists the same block's children.
  TBrowse* third = manager->NewFormBrowseOnBlock(ecology, root, left, 0, false);
  ASSERT_NE(third, nullptr);
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "Fourth"}});
  Run(left->Browse, Command_AddBlock);
  Settle();
  const TDiscBlockIndex added{StorageType_Model, uint16_t(blocks + 1)};
  EXPECT_GE(RowOf(third->Form, added), 0);
  // Its undo takes it out of both.
  Run(left->Browse, Command_Undo);
  Settle();
  EXPECT_EQ(RowOf(third->Form, added), -1);
  EXPECT_EQ(RowOf(left, added), -1);
}

TEST_F(DragDrop, ARefusedDropLosesNoBlock) {
  OpenTwo(true);
  // A dropped under its own lower block: refused, A stays alive with its subtree.
  const int blocks = d->Storages.Model.Count();
  Answer(0);
  Drag(left, RowOf(left, a), right->PaintBoxLowerList->ClientToScreen(POINT{100, 100}));
  ASSERT_FALSE(Boxes().empty());
  EXPECT_EQ(Boxes().back().Caption, "Recourse paste");
  EXPECT_EQ(d->Storages.Model.Count(), blocks);
  EXPECT_EQ(d->Storages.GetDiscBlock(a)->DeleteFlag, DeleteFlag_Alive);
  EXPECT_GE(RowOf(left, a), 0);
  // A drop that no list takes beeps in the source window.
  const int beeps = Beeps();
  Drag(left, RowOf(left, b), POINT{1010, 760});
  EXPECT_EQ(Beeps(), beeps + 1);
  EXPECT_EQ(d->Storages.GetDiscBlock(b)->DeleteFlag, DeleteFlag_Alive);
}

TEST_F(DragDrop, AListStopsScrollingOnceTheDragAtItsEdgeIsDropped) {
  OpenTwo(false);
  right->SetBounds(520, 0, 500, 300);
  for (int i = 0; i < 12; ++i) modeltest::AddBlock(*d, StorageType_Model, root, TextType_Premise, "more");
  // A short window on the root below it: its list is longer than its view.
  TBrowse* low = manager->NewFormBrowseOnBlock(ecology, root, left, 0, false);
  ASSERT_NE(low, nullptr);
  low->Form->SetBounds(520, 320, 500, 170);
  Settle();
  const int rows = int(low->CurrentBrowseState.Rows.Count());
  ASSERT_LT(low->GetLastVisibleRow(), rows - 1);
  // B copied (Shift) to the bottom edge of the short list, where a drag scrolls it.
  TPaintBox* list = low->Form->PaintBoxLowerList;
  const POINT edge = list->ClientToScreen(POINT{100, list->Height() - 2});
  const POINT p = RowPoint(left, RowOf(left, b));
  person.MoveTo(p.x, p.y);
  person.Press();
  person.MoveTo(p.x + 1, p.y);
  person.MoveTo(p.x + 30, p.y + 1);
  person.MoveTo(edge.x, edge.y);
  person.KeyDown(VK_SHIFT);
  person.Release();
  person.KeyUp(VK_SHIFT);
  Settle();
  ASSERT_EQ(int(low->CurrentBrowseState.Rows.Count()), rows + 2) << "the copy is listed";
  low->ScrollRowToTop(0);
  for (int tick = 0; tick < 3; ++tick) {
    TListeners::Send(Notify_Tick, false);
    Pump();
  }
  EXPECT_EQ(low->GetFirstVisibleRow(), 0) << "the drag is over: nothing scrolls the list";
}

}  // namespace
}  // namespace commandstest
