// The browse engine: its reset state, the rows of the lower list and their geometry, the
// Back history, and the notifications it takes.

#include "Browsetest.h"

#include "browse/Tbrowse.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"

namespace browsetest {
namespace {

using BrowseEngine = BrowseTest;

TBrowseItemIndex Path(std::initializer_list<uint16_t> steps) {
  TBrowseItemIndex index;
  for (uint16_t step : steps) index.Append(step);
  return index;
}

// Rows of the given types, each 10 pixels high, showing child i of the current item (the
// root block of the window's discussion, so that a window can paint them).
void FillRows(TBrowse& browse, const std::string& types) {
  TBrowseItem child;
  if (TDiscussion* discussion = browse.GetDiscussion())
    child.Ident.SetDiscBlock(*discussion, discussion->Storages.GetRootBlockIndex());
  browse.CurrentBrowseState.CurrentItem.Children.assign(types.size(), child);
  for (size_t i = 0; i < types.size(); ++i)
    browse.InsertLowerListRow(int(i), uint8_t(types[i] - '0'), Path({uint16_t(i)}), 10);
}

std::string Types(const TBrowse& browse) {
  std::string types;
  for (const TLowerListRow& row : browse.CurrentBrowseState.Rows) types += char('0' + row.RowType);
  return types;
}

TEST_F(BrowseEngine, AFreshStateShowsNothing) {
  TBrowseState state;
  EXPECT_EQ(state.CurrentItem.Kind(), BrowseItem_None);
  EXPECT_EQ(state.SelectedRow, 0);
  EXPECT_EQ(state.UpperPanelHeight, 100);
  EXPECT_EQ(state.DiscussionIndex, -1);
  EXPECT_EQ(state.DisplayMode, DisplayMode_Brief);
  EXPECT_EQ(state.RetrievalData, -1);
  EXPECT_TRUE(state.Rows.IsEmpty());

  TBrowse browse;
  EXPECT_EQ(browse.Form, nullptr);
  EXPECT_EQ(browse.Hover.Row, -1);
  EXPECT_EQ(browse.LowerList.ServiceRowHeight(), 10);
  EXPECT_FALSE(browse.Drag.Armed());
  EXPECT_FALSE(browse.Drag.Dragging());
  EXPECT_TRUE(browse.HitAreas.Recording());
  EXPECT_EQ(browse.Closing, 0);
  EXPECT_EQ(browse.GetDiscussion(), nullptr);
  browse.Done();
  EXPECT_EQ(browse.Closing, 1);
}

TEST_F(BrowseEngine, RowsKeepTheSelectionWhereTheUserLeftIt) {
  TFormBrowse* form = OpenOn(ecology);
  TBrowse& browse = form->Browse;
  FillRows(browse, "12121");
  browse.SelectLowerListRow(2, false);
  EXPECT_FALSE(browse.LowerList.ScrollRequested());

  // A row inserted at or before the selected one keeps the same row selected.
  browse.InsertLowerListRow(2, LowerListRow_FullText, Path({1}), 10);
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, 3);
  browse.InsertLowerListRow(5, LowerListRow_FullText, Path({2}), 10);
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, 3);
  EXPECT_EQ(Types(browse), "1231231");

  // Removing the selected row selects the nearest service row above it.
  browse.SelectLowerListRow(4, true);
  EXPECT_TRUE(browse.LowerList.ScrollRequested());
  browse.RemoveLowerListRow(4);
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, 3);
  browse.SelectLowerListRow(1, false);
  browse.RemoveLowerListRow(0);
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, 0);  // no service row above: row 0
  EXPECT_EQ(Types(browse), "23131");

  // A row outside the list changes nothing but the hover stamp.
  browse.Hover.Since = 5;
  browse.SelectLowerListRow(40, true);
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, 0);
  EXPECT_EQ(browse.Hover.Since, -1);
  EXPECT_TRUE(browse.LowerList.LayoutRequested());
  browse.RunDeferredPaintRequests();
  EXPECT_FALSE(browse.LowerList.LayoutRequested());
  EXPECT_FALSE(browse.LowerList.ScrollRequested());
}

TEST_F(BrowseEngine, TheRowsOfAnItemGoWithTheRowsOfItsChildren) {
  TFormBrowse* form = OpenOn(ecology);
  TBrowse& browse = form->Browse;
  TBrowseItem& current = browse.CurrentBrowseState.CurrentItem;
  current.Children.resize(2);
  current.Children[0].Children.resize(1);
  browse.InsertLowerListRow(0, LowerListRow_Service, Path({0}), 10);
  browse.InsertLowerListRow(1, LowerListRow_Text, Path({0}), 10);
  browse.InsertLowerListRow(2, LowerListRow_Service, Path({0, 0}), 10);
  browse.InsertLowerListRow(3, LowerListRow_Service, Path({1}), 10);
  browse.InsertLowerListRow(4, LowerListRow_Text, Path({1}), 10);
  browse.SelectLowerListRow(4, false);
  browse.LowerList.SetAnchorRow(3);

  // Only the text rows of the second item.
  browse.RemoveRowsOfBrowseItem(LowerListRow_Text, Path({1}));
  EXPECT_EQ(Types(browse), "1211");
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, 3);

  // Every row of the first item and of its child.
  browse.RemoveRowsOfBrowseItem(0, Path({0}));
  EXPECT_EQ(Types(browse), "1");
  EXPECT_EQ(browse.CurrentBrowseState.Rows[0].ItemIndex, Path({1}));
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, 0);
  EXPECT_EQ(browse.LowerList.AnchorRow(), 0);
}

TEST_F(BrowseEngine, RowRectanglesAndHitsFollowTheScrolledList) {
  TFormBrowse* form = OpenOn(ecology);
  TBrowse& browse = form->Browse;
  FillRows(browse, "1212");
  browse.CurrentBrowseState.Rows[1].Height = 30;
  const int width = form->PaintBoxLowerList->Width();
  ASSERT_GT(width, 0);
  RECT r = browse.GetLowerListRowRect(2);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.bottom, 50);
  EXPECT_EQ(r.right, width);
  r = browse.GetLowerListRowRect(4);
  EXPECT_EQ(r.bottom - r.top, 0);

  browse.LowerList.SetOffset(15);
  EXPECT_EQ(browse.GetFirstVisibleRow(), 1);
  EXPECT_EQ(browse.GetLastVisibleRow(), 3);
  int row = -1;
  POINT inRow{};
  ASSERT_TRUE(browse.LowerListHitTest(5, 20, row, inRow));
  EXPECT_EQ(row, 1);
  EXPECT_EQ(inRow.y, 25);
  EXPECT_FALSE(browse.LowerListHitTest(width, 20, row, inRow));
  EXPECT_FALSE(browse.LowerListHitTest(-1, 20, row, inRow));
  EXPECT_FALSE(browse.LowerListHitTest(5, 60, row, inRow));  // below the last row
}

TEST_F(BrowseEngine, TheBackHistoryKeepsTheLastStates) {
  TFormBrowse* form = OpenOn(ecology);
  TBrowse& browse = form->Browse;
  // The first item of a window has only the window's empty first state behind it.
  ASSERT_EQ(browse.History.Count(), 1u);
  EXPECT_EQ(browse.History[0].CurrentItem.Kind(), BrowseItem_None);
  TBrowseItem place;
  place.Ident.Kind = BrowseItem_Folder;
  for (int16_t i = 0; i < 30; ++i) {
    place.Ident.Folder = i;
    browse.OpenBrowseItem(place);
  }
  ASSERT_EQ(int(browse.History.Count()), TBrowseHistory::Limit);
  EXPECT_EQ(browse.History[TBrowseHistory::Limit - 1].CurrentItem.Ident.Folder, 28);
  EXPECT_EQ(browse.History[0].CurrentItem.Ident.Folder, 8);
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.Ident.Folder, 29);
}

TEST_F(BrowseEngine, AClosingWindowHearsNothingAndOthersDropTheirHover) {
  TFormBrowse* form = OpenOn(ecology);
  TBrowse& browse = form->Browse;
  FillRows(browse, "11");
  browse.Hover.Row = 1;
  browse.LowerList.RequestLayout();
  browse.Closing = 1;
  TListeners::Send(Notify_MousePressed, false);
  TListeners::Send(Notify_Idle, false);
  EXPECT_EQ(browse.Hover.Row, 1);
  EXPECT_TRUE(browse.LowerList.LayoutRequested());
  browse.Closing = 0;
  TListeners::Send(Notify_MousePressed, false);
  EXPECT_EQ(browse.Hover.Row, -1);
  TListeners::Send(Notify_Idle, false);
  EXPECT_FALSE(browse.LowerList.LayoutRequested());

  // An inactive window rebuilds its menu when it is activated again.
  TFormBrowse* other = OpenOn(economy);
  EXPECT_TRUE(other->Active());
  EXPECT_EQ(browse.MenuRebuildOnActivation, 1);  // told of the new window while inactive
  const int builds = browse.Menu.Builds();
  form->SetFocus();
  Pump();
  EXPECT_TRUE(form->Active());
  EXPECT_EQ(browse.MenuRebuildOnActivation, 0);
  EXPECT_EQ(browse.Menu.Builds(), builds + 1);

  // A window whose graph became invalid hides its graph panel.
  form->PanelGraph->Show();
  EXPECT_EQ(browse.GetFormBrowseCaption(), "Graph");
  TListeners::SendPtr(Notify_GraphInvalid, other->Browse.GetDiscussion(), false);
  EXPECT_TRUE(form->PanelGraph->Visible());
  TListeners::SendPtr(Notify_GraphInvalid, browse.GetDiscussion(), false);
  EXPECT_FALSE(form->PanelGraph->Visible());
}

}  // namespace
}  // namespace browsetest
