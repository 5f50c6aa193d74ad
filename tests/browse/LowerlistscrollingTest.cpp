// The lower list of a browse window scrolled and driven from the keyboard: the selected
// row scrolled into view by the deferred request, paging, the selection moving cyclically
// with Up and Down (Shift marking), Enter opening, Ctrl+S saving.
//
// Every listed block here is a premise in brief display: a service row of 16 and a header
// row of 2 + 17 = 19, so item i starts at 35 x i and its service row is row 2 x i.

#include "Browsetest.h"

#include "browse/Browsecommand.h"
#include "browse/Tformbrowse.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tmenu.h"
#include "platform/gui/Gui.h"
#include "tests/model/Modeltesthelpers.h"

namespace browsetest {
namespace {

class ListScrolling : public BrowseTest {
 protected:
  void SetUp() override {
    BrowseTest::SetUp();
    form = OpenOn(ecology);
    ASSERT_NE(form, nullptr);
    TDiscussion& d = Discussion(ecology);
    for (int i = 0; i < 30; ++i)
      modeltest::AddBlock(d, StorageType_Model, d.Storages.GetRootBlockIndex(), TextType_Premise, "a text");
    form->Browse.CurrentBrowseState.DisplayMode = DisplayMode_Brief;
    form->Browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
    Idle();
    ASSERT_EQ(form->Browse.CurrentBrowseState.Rows.Count(), 60u);
    ASSERT_EQ(form->Browse.GetLowerListRowRect(2).top, 35);
    height = form->PaintBoxLowerList->Height();
    ASSERT_GT(height, 100);
    ASSERT_LT(height, 30 * 35);
    BrowseCommandHandler() = [this](TBrowse&, const TBrowseItemIndex*, const TBrowseItem*, const std::string&,
                                    uint8_t code, TShiftState, int32_t, int32_t) { commands.push_back(code); };
  }
  void TearDown() override {
    BrowseCommandHandler() = nullptr;
    BrowseTest::TearDown();
  }
  // What the program's idle handler does: the deferred requests run, then the paints.
  void Idle() {
    Pump();
    TListeners::Send(Notify_Idle, false);
    Pump();
  }
  void Key(int vk, bool shift = false, bool ctrl = false, bool alt = false) {
    person.PressKey(vk, shift, ctrl, alt);
    Idle();
  }
  TBrowse& Browse() { return form->Browse; }
  int Selected() { return Browse().CurrentBrowseState.SelectedRow; }

  TFormBrowse* form = nullptr;
  int height = 0;
  std::vector<uint8_t> commands;
};

TEST_F(ListScrolling, TheSelectedRowIsScrolledIntoViewAThirdBelowTheTop) {
  TBrowse& browse = Browse();
  EXPECT_EQ(form->PaintBoxLowerListScrollPattern2->Height(), 30 * 35 + 20);
  browse.SelectLowerListRow(40, true);
  EXPECT_TRUE(browse.LowerList.ScrollRequested());
  Idle();
  EXPECT_FALSE(browse.LowerList.ScrollRequested());
  // Row 40 spans 700..716: the point a third of the list above its middle, moved down to
  // the next service row, comes to the top.
  const int y = 708 - height / 3;
  int row = 2 * (y / 35) + (y % 35 >= 16 ? 1 : 0);
  row += row % 2;
  EXPECT_EQ(browse.GetLowerListScrollPos(), row / 2 * 35);
  EXPECT_EQ(browse.LowerList.Offset(), row / 2 * 35) << "the list follows its scroll bar";
  EXPECT_EQ(browse.GetFirstFullyVisibleRow(), row);
  EXPECT_LE(40, browse.GetLastFullyVisibleRow());

  // A selected row already in full view does not scroll.
  browse.SelectLowerListRow(row + 2, true);
  Idle();
  EXPECT_EQ(browse.LowerList.Offset(), row / 2 * 35);
  // A row above the view comes to the top.
  browse.SelectLowerListRow(4, true);
  Idle();
  EXPECT_EQ(browse.LowerList.Offset(), 70);
  EXPECT_EQ(browse.GetFirstFullyVisibleRow(), 4);
}

TEST_F(ListScrolling, UpAndDownMoveTheSelectionCyclicallyAndShiftMarks) {
  TBrowse& browse = Browse();
  ASSERT_EQ(Selected(), 0);
  Key(VK_DOWN);
  EXPECT_EQ(Selected(), 2);
  // Up from the first service row: the last one, scrolled into view at the next paint.
  Key(VK_UP);
  Key(VK_UP);
  EXPECT_EQ(Selected(), 58);
  EXPECT_GE(browse.GetLastFullyVisibleRow(), 58);
  EXPECT_GT(browse.LowerList.Offset(), 0);
  // Down from the last: the first, above the view, and Down does not scroll to it.
  const int offset = browse.LowerList.Offset();
  Key(VK_DOWN);
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(browse.LowerList.Offset(), offset);
  EXPECT_FALSE(browse.LowerList.ScrollRequested());

  // Shift+Down marks the item left and the item reached, which becomes the anchor.
  Key(VK_DOWN, true);
  const auto& children = browse.CurrentBrowseState.CurrentItem.Children;
  EXPECT_EQ(children[0].Marked, 1);
  EXPECT_EQ(children[1].Marked, 1);
  EXPECT_EQ(children[2].Marked, 0);
  EXPECT_EQ(browse.LowerList.AnchorRow(), 2);
}

TEST_F(ListScrolling, DownBelowTheViewScrollsTheNewItemAndTheRowAfterItIn) {
  TBrowse& browse = Browse();
  const int last = browse.GetLastFullyVisibleRow();
  // Walk down to the last service row in full view, then one more.
  int service = last - (last % 2 == 0 ? 0 : 1);
  browse.SelectLowerListRow(service, false);
  Key(VK_DOWN);
  EXPECT_EQ(Selected(), service + 2);
  int grow = 0;
  for (int i = last + 1; i <= service + 3; ++i) grow += browse.CurrentBrowseState.Rows[uint32_t(i)].Height;
  EXPECT_EQ(browse.LowerList.Offset(), grow);
  EXPECT_GE(browse.GetLastFullyVisibleRow(), service + 3);
}

TEST_F(ListScrolling, PageDownAndPageUpBringAServiceRowToTheTop) {
  TBrowse& browse = Browse();
  const int last = browse.GetLastFullyVisibleRow();
  const int target = last % 2 == 0 ? last : last - 1;  // a header row goes up to its service row
  Key(VK_NEXT);
  EXPECT_EQ(Selected(), target);
  EXPECT_EQ(browse.LowerList.Offset(), target / 2 * 35);
  EXPECT_EQ(browse.GetFirstFullyVisibleRow(), target);
  Key(VK_SPACE);
  EXPECT_GT(Selected(), target);
  // Page Up: the row a list height above the first whole row.
  const int first = browse.GetFirstFullyVisibleRow();
  const int y = first / 2 * 35 - height;
  int row = y < 0 ? 0 : 2 * (y / 35) + (y % 35 >= 16 ? 1 : 0);
  row += row % 2;
  Key(VK_PRIOR);
  EXPECT_EQ(Selected(), row);
  EXPECT_EQ(browse.LowerList.Offset(), row / 2 * 35);
}

TEST_F(ListScrolling, EnterOpensTheSelectedItemAndCtrlSSaves) {
  TBrowse& browse = Browse();
  Key('S', false, true);
  EXPECT_EQ(commands, std::vector<uint8_t>{7});
  Key('S', true, true);
  Key('S', false, true, true);
  EXPECT_EQ(commands, std::vector<uint8_t>{7}) << "Ctrl+Shift+S and Ctrl+Alt+S do nothing";

  browse.SelectLowerListRow(6, false);
  const TDiscBlockIndex third = browse.CurrentBrowseState.CurrentItem.Children[3].GetDiscBlockIndex();
  const uint32_t history = browse.History.Count();
  Key(VK_RETURN);
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.GetDiscBlockIndex(), third);
  EXPECT_EQ(browse.History.Count(), history + 1);
  // The opened block's children are the first level of its list, however deep it lies.
  TDiscussion& d = Discussion(ecology);
  modeltest::AddBlock(d, StorageType_Model, third, TextType_Premise, "below");
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  ASSERT_EQ(browse.CurrentBrowseState.CurrentItem.Children.size(), 1u);
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.Children[0].Level, 0);

  // Backspace: a press on the upper panel beside its texts, so Up.
  Key(VK_BACK);
  EXPECT_EQ(commands, (std::vector<uint8_t>{7, 1}));
}

TEST_F(ListScrolling, AClickOnARowThatHoverShowsAsALinkOpensItsItem) {
  TBrowse& browse = Browse();
  const TDiscBlockIndex third = browse.CurrentBrowseState.CurrentItem.Children[3].GetDiscBlockIndex();
  const POINT row6 = form->PaintBoxLowerList->ClientToScreen(POINT{30, 3 * 35 + 8});
  person.MoveTo(row6.x, row6.y);
  Idle();
  ASSERT_EQ(browse.Hover.Row, 6);
  EXPECT_EQ(Screen->Cursor(), crHandPoint);
  person.Click(row6.x, row6.y);
  Idle();
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.GetDiscBlockIndex(), third);
}

TEST_F(ListScrolling, TheWheelOverTheRowsOrTheirScrollBarScrollsTheListByLines) {
  TBrowse& browse = Browse();
  ASSERT_EQ(browse.LowerList.Offset(), 0);
  // The keyboard stays where it was: the wheel goes by the pointer.
  const POINT rows = form->PaintBoxLowerList->ClientToScreen(POINT{30, 40});
  person.MoveTo(rows.x, rows.y);
  person.Wheel(-WHEEL_DELTA);
  Idle();
  const int line = browse.LowerList.Offset();
  EXPECT_GT(line, 0) << "a notch down scrolls the rows up";
  EXPECT_LT(line, 35) << "by a line, not by an item or a page";
  person.Wheel(-WHEEL_DELTA);
  person.Wheel(-WHEEL_DELTA);
  Idle();
  EXPECT_EQ(browse.LowerList.Offset(), 3 * line);
  EXPECT_EQ(browse.GetLowerListScrollPos(), 3 * line) << "the scroll bar shows where the list is";
  TControl& bar = *form->ScrollBoxLowerList2;
  const POINT onBar = bar.ClientToScreen(POINT{bar.ClientWidth() / 2, 40});
  person.MoveTo(onBar.x, onBar.y);
  person.Wheel(WHEEL_DELTA);
  Idle();
  EXPECT_EQ(browse.LowerList.Offset(), 2 * line);
  for (int i = 0; i < 40; ++i) person.Wheel(-WHEEL_DELTA);
  Idle();
  EXPECT_GT(browse.GetFirstFullyVisibleRow(), 8) << "the rows shown moved with the wheel";
  EXPECT_EQ(Selected(), 0) << "the wheel scrolls; it does not select";
}

TEST_F(ListScrolling, ARightClickSelectsTheItemItsMenuIsFor) {
  ASSERT_EQ(Selected(), 0);
  int selectedWhileOpen = -1;
  bool opened = false;
  platform::SetMenuLoopIdleHook([&] {
    if (opened) return;
    opened = true;
    selectedWhileOpen = Selected();
    person.PressKey(VK_ESCAPE);
  });
  // On the text row of the fourth item: its service row, 6, is the one selected.
  const POINT text = form->PaintBoxLowerList->ClientToScreen(POINT{30, 3 * 35 + 16 + 8});
  person.Click(text.x, text.y, platform::MouseButton::Right);
  Idle();
  platform::SetMenuLoopIdleHook(nullptr);
  EXPECT_TRUE(opened) << "the item's menu opened";
  EXPECT_EQ(selectedWhileOpen, 6);
  EXPECT_TRUE(commands.empty()) << "Escape chose nothing";
}

}  // namespace
}  // namespace browsetest
