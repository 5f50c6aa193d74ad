// The browse window: its panels, their layout after resizing, the split drag, the stored
// window size, closing by key.

#include "Browsetest.h"

#include "foundation/Tshellregistry.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"

namespace browsetest {
namespace {

using BrowseWindow = BrowseTest;

POINT ScreenPoint(TControl* control, int x, int y) { return control->ClientToScreen(POINT{x, y}); }

TEST_F(BrowseWindow, SetUpPutsThePanelsInPlace) {
  TFormBrowse form(nullptr);
  EXPECT_EQ(form.Caption(), "Browse");
  EXPECT_EQ(form.ClientWidth(), 632);
  EXPECT_EQ(form.ClientHeight(), 369);
  EXPECT_TRUE(form.KeyPreview());
  EXPECT_EQ(form.PanelGraph->Parent(), form.ScrollBoxUpperBlock);
  form.SetUp();
  EXPECT_EQ(form.ScrollBarLowerListSBarHider->Parent(), &form);
  EXPECT_FALSE(form.ScrollBarLowerListSBarHider->Visible());
  EXPECT_FALSE(form.ScrollBarLowerListSBarHider->Enabled());
  EXPECT_EQ(form.PanelGraph->Parent(), &form);
  EXPECT_FALSE(form.PanelGraph->Visible());
  EXPECT_GT(form.ScrollBarWidth(), 0);
  EXPECT_EQ(form.ScrollBarWidth(), form.ScrollBarLowerListSBarHider->Width());
  EXPECT_EQ(form.ScrollBoxLowerList2->Width(), form.ScrollBarWidth() + 2);
  EXPECT_EQ(form.PanelUpperBlock->Height(), int(form.Height() * 0.15));
  EXPECT_EQ(form.Browse.Form, &form);
  EXPECT_EQ(form.Browse.Menu.ToolBar, form.ToolBarHorzMenu);
  EXPECT_EQ(form.Browse.PopupMenu.ToolBar, nullptr);
  EXPECT_EQ(form.Browse.UpperPanelHeight.Get(), form.PanelUpperBlock->Height());
  EXPECT_EQ(form.OpenDialogCreateModel->Filter(), "Command-message files (*.cbc)|*.cbc");
  EXPECT_EQ(form.SaveDialogPrint->FileName(), "filename.txt");
  EXPECT_FALSE(form.SizeRestored());
}

TEST_F(BrowseWindow, ThePanelsFollowTheWindowSize) {
  pars.TextWidthPercent = 50;  // texts stop at 1024 * 50% + 8 = 520 pixels
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->SizeRestored());
  for (const auto& [width, height] : {std::pair{900, 600}, std::pair{500, 400}, std::pair{1000, 700}}) {
    form->SetBounds(10, 10, width, height);
    Pump();
    SCOPED_TRACE(width);
    EXPECT_EQ(form->Width(), width);
    EXPECT_EQ(form->PanelGraph->Width(), form->ClientWidth());
    EXPECT_EQ(form->PanelGraph->Height(), form->ClientHeight());
    EXPECT_EQ(form->PanelWidthLimit->Visible(), width > 520);
    if (width > 520) {
      EXPECT_EQ(form->PanelWidthLimit->Width(), width - 520);
    }
    TPanel* menu = form->PanelMenu;
    EXPECT_EQ(form->PanelDragMenu->Left(), menu->Width() - 17);
    EXPECT_EQ(form->PanelDragMenu->Height(), menu->Height());
    EXPECT_EQ(form->ToolBarHorzMenu->Width(), menu->Width() - 17);
    EXPECT_EQ(form->ScrollBoxLowerList2->Width(), form->ScrollBarWidth() + 2);
    // The narrow scroll box at the right edge (inside the panel's bevel), the list beside it.
    EXPECT_EQ(form->ScrollBoxLowerList2->Left() + form->ScrollBoxLowerList2->Width(),
              form->PanelLowerListWithScroller->ClientWidth() - form->PanelLowerListWithScroller->BevelWidth());
    EXPECT_EQ(form->PanelLowerListPaintBox->Left() + form->PanelLowerListPaintBox->Width(),
              form->ScrollBoxLowerList2->Left());
    EXPECT_EQ(form->PaintBoxLowerList->Width(), form->PanelLowerListPaintBox->ClientWidth());
    EXPECT_EQ(form->PanelUpperBlockPaintBox->Width(), form->ScrollBoxUpperBlock->Width() - form->ScrollBarWidth());
    // Each size is kept for the next window.
    EXPECT_EQ(TShellRegistry::ReadInteger(LastBrowserWindowWidth), width);
    EXPECT_EQ(TShellRegistry::ReadInteger(LastBrowserWindowHeight), height);
  }
}

TEST_F(BrowseWindow, TheSplitIsDraggedInStepsAndNeverClosesTheUpperPanel) {
  pars.SplitDragStep = 5;  // 50 ms between steps
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  const int start = form->PanelUpperBlock->Height();
  const POINT grip = ScreenPoint(form->PanelDragMenu, 8, 4);
  person.MoveTo(grip.x, grip.y);
  Pump();
  person.Press();
  Pump();
  EXPECT_TRUE(form->SplitDragging());
  EXPECT_EQ(Screen->Cursor(), crVSplit);
  person.MoveTo(grip.x, grip.y + 10);
  Pump();  // too soon after the press
  EXPECT_EQ(form->PanelUpperBlock->Height(), start);
  person.Advance(60);
  person.MoveTo(grip.x, grip.y + 30);
  Pump();
  EXPECT_EQ(form->PanelUpperBlock->Height(), start + 30);
  person.Advance(60);
  person.MoveTo(grip.x, grip.y - 500);
  Pump();
  EXPECT_EQ(form->PanelUpperBlock->Height(), 1);
  person.Release();
  Pump();
  EXPECT_FALSE(form->SplitDragging());
  EXPECT_EQ(Screen->Cursor(), crDefault);

  // A press on the empty part of the tool bar drags the split as well.
  const POINT bar = ScreenPoint(form->ToolBarHorzMenu, form->ToolBarHorzMenu->Width() - 20, 4);
  person.MoveTo(bar.x, bar.y);
  Pump();
  person.Press();
  Pump();
  person.Advance(60);
  person.MoveTo(bar.x, bar.y + 40);
  Pump();
  person.Release();
  Pump();
  EXPECT_EQ(form->PanelUpperBlock->Height(), 41);

  // An upper panel of height 0 hides the grip and is not dragged open.
  form->PanelUpperBlock->SetHeight(0);
  Pump();
  EXPECT_EQ(form->PanelDragMenu->Width(), 0);
  EXPECT_EQ(form->PanelMenu->Cursor(), crDefault);
  person.MoveTo(bar.x, form->PanelMenu->ClientToScreen(POINT{0, 4}).y);
  Pump();
  person.Press();
  Pump();
  EXPECT_FALSE(form->SplitDragging());
  person.Release();
  Pump();
  form->PanelUpperBlock->SetHeight(50);
  Pump();
  EXPECT_EQ(form->PanelDragMenu->Width(), 17);
  EXPECT_EQ(form->PanelMenu->Cursor(), crVSplit);
}

TEST_F(BrowseWindow, TheStoredSizeIsTakenByTheNextWindow) {
  ASSERT_TRUE(TShellRegistry::WriteInteger(LastBrowserWindowWidth, 700));
  ASSERT_TRUE(TShellRegistry::WriteInteger(LastBrowserWindowHeight, 500));
  TFormBrowse* first = OpenOn(ecology);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Width(), 700);
  EXPECT_EQ(first->Height(), 500);
  first->SetBounds(first->Left(), first->Top(), 750, 520);
  Pump();
  TFormBrowse* second = OpenOn(economy);
  EXPECT_EQ(second->Width(), 750);
  EXPECT_EQ(second->Height(), 520);
  EXPECT_EQ(second->WindowState(), wsNormal);

  // A stored value that no window could have is not taken.
  ASSERT_TRUE(TShellRegistry::WriteInteger(LastBrowserWindowWidth, -5));
  TFormBrowse* third = OpenOn(economy);
  EXPECT_GT(third->Width(), 0);
  EXPECT_NE(third->Width(), -5);

  // A size kept on a larger screen fits this one.
  ASSERT_TRUE(TShellRegistry::WriteInteger(LastBrowserWindowWidth, 5000));
  ASSERT_TRUE(TShellRegistry::WriteInteger(LastBrowserWindowHeight, 4000));
  TFormBrowse* fourth = OpenOn(economy);
  EXPECT_EQ(fourth->Width(), 1024);
  EXPECT_EQ(fourth->Height(), 768);
}

TEST_F(BrowseWindow, OnANarrowScreenEveryWindowIsMaximisedWithoutReadingTheStoredSize) {
  UseScreen(800, 600);
  ASSERT_TRUE(TShellRegistry::WriteInteger(LastBrowserWindowWidth, 300));
  ASSERT_TRUE(TShellRegistry::WriteInteger(LastBrowserWindowHeight, 200));
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_GT(form->Width(), 300);
  EXPECT_EQ(form->LastWindowState(), wsMaximized);
}

TEST_F(BrowseWindow, AltF4ClosesTheWindow) {
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(form->Active());
  const TControlGuard guard(form);
  person.PressKey(VK_F4, false, false, true);
  Pump();
  EXPECT_TRUE(guard.Gone());
  EXPECT_EQ(manager->Count(), 0);
}

}  // namespace
}  // namespace browsetest

namespace browsetest {
namespace {

// Rows of 20 pixels showing children of the current item.
void TwentyPixelRows(TBrowse& browse, int count) {
  // Service rows of the root block, as high as the window's service rows.
  browse.LowerList.SetServiceRowHeight(20);
  TBrowseItem child;
  child.Ident.SetDiscBlock(*browse.GetDiscussion(), browse.GetDiscussion()->Storages.GetRootBlockIndex());
  browse.CurrentBrowseState.CurrentItem.Children.assign(size_t(count), child);
  for (int i = 0; i < count; ++i) {
    TBrowseItemIndex index;
    index.Append(uint16_t(i));
    browse.InsertLowerListRow(i, LowerListRow_Service, index, 20);
  }
}

TEST_F(BrowseWindow, ThePointerHoversAndSelectsRowsOfTheActiveWindowOnly) {
  TFormBrowse* form = OpenOn(ecology);
  TBrowse& browse = form->Browse;
  TwentyPixelRows(browse, 5);
  TRecorder recorder;
  const POINT row2 = ScreenPoint(form->PaintBoxLowerList, 30, 45);
  person.MoveTo(row2.x, row2.y);
  Pump();
  EXPECT_EQ(browse.Hover.Row, 2);
  EXPECT_NE(browse.Hover.Since, -1);
  person.Press();
  Pump();
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, 2);
  EXPECT_EQ(recorder.Count(Notify_MousePressed), 1);
  person.Release();
  Pump();
  // The release opened the row's item (the root, without children): the rows again.
  TwentyPixelRows(browse, 5);
  Pump();
  person.MoveTo(row2.x, row2.y + 20);
  Pump();
  EXPECT_EQ(browse.Hover.Row, 3);
  // Below the last row, and then out of the list: no row hovered.
  const POINT below = ScreenPoint(form->PaintBoxLowerList, 30, 150);
  person.MoveTo(below.x, below.y);
  Pump();
  EXPECT_EQ(browse.Hover.Row, -1);
  person.MoveTo(row2.x, row2.y);
  Pump();
  EXPECT_EQ(browse.Hover.Row, 2);
  const POINT outside = ScreenPoint(form, form->Width() + 40, 10);
  person.MoveTo(outside.x, outside.y);
  Pump();
  EXPECT_EQ(browse.Hover.Row, -1);

  // No hover in a window that is not active; a press activates it.
  TFormBrowse* other = OpenOn(economy);
  form->SetBounds(0, 0, 500, 400);
  other->SetBounds(520, 0, 400, 300);
  Pump();
  ASSERT_TRUE(other->Active());
  const POINT row4 = ScreenPoint(form->PaintBoxLowerList, 30, 85);
  ASSERT_EQ(WindowFromPoint(row4), form->PanelLowerListPaintBox->Handle());
  person.MoveTo(row4.x, row4.y);
  Pump();
  EXPECT_EQ(browse.Hover.Row, -1);  // no hover in an inactive window
  person.Press();
  person.Release();
  Pump();
  EXPECT_TRUE(form->Active());
}

TEST_F(BrowseWindow, TheListFollowsItsScrollBar) {
  TFormBrowse* form = OpenOn(ecology);
  TBrowse& browse = form->Browse;
  TwentyPixelRows(browse, 30);
  // The scroll pattern is as tall as the list, so that the narrow box scrolls it.
  form->PaintBoxLowerListScrollPattern2->SetHeight(600);
  Pump();
  form->ScrollBoxLowerList2->VertScrollBar()->SetPosition(50);
  Pump();
  EXPECT_EQ(browse.LowerList.Offset(), 50);
  EXPECT_EQ(browse.GetFirstVisibleRow(), 2);
  int row = -1;
  POINT inRow{};
  ASSERT_TRUE(browse.LowerListHitTest(5, 0, row, inRow));
  EXPECT_EQ(row, 2);
  EXPECT_EQ(inRow.y, 10);
}

TEST_F(BrowseWindow, ADropThatNoWindowTakesEndsInABeep) {
  TFormBrowse* form = OpenOn(ecology);
  TRecorder recorder;
  person.MoveTo(1020, 760);  // over no window's list
  form->Browse.Drag.Start(3);
  form->Browse.Drag.Moves = 0;
  const int beeps = screen->Beeps();
  form->PanelDragAndDrop->Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  ASSERT_EQ(recorder.Count(Notify_Drop), 1);
  EXPECT_EQ(recorder.Heard.back().Word1, reinterpret_cast<intptr_t>(&form->Browse));
  EXPECT_EQ(form->Browse.Drag.Moves, 1);  // without Shift the blocks move
  EXPECT_FALSE(form->Browse.Drag.Dragging());
  EXPECT_EQ(screen->Beeps(), beeps + 1);

  // A window that took the drop clears the row: no beep.
  struct TTaker : TListener {
    void Listen(const TListenMessage& m) override {
      if (m.Code == Notify_Drop) reinterpret_cast<TBrowse*>(m.Word1)->Drag.End();
    }
  } taker;
  form->Browse.Drag.Start(3);
  form->PanelDragAndDrop->Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(screen->Beeps(), beeps + 1);
}

TEST_F(BrowseWindow, TheGraphPanelCoversTheWindowAndStepsItsScrollBarByItsWidth) {
  TFormBrowse* form = OpenOn(ecology);
  form->SetBounds(0, 0, 800, 500);
  Pump();
  const int large = (form->PanelGraph->Width() / 6) / 2 - 1;
  EXPECT_EQ(form->ScrollBarGraphHorz->LargeChange(), large);
  EXPECT_EQ(form->ScrollBarGraphHorz->SmallChange(), large / 3);
  EXPECT_FALSE(form->PanelGraph->Visible());  // until the graph is shown
}

TEST_F(BrowseWindow, ANewWindowWithoutFocusLeavesItWithItsSource) {
  TFormBrowse* source = OpenOn(ecology);
  ASSERT_TRUE(source->Active());
  TBrowseItem item;
  TBrowse* made = manager->NewFormBrowse(ecology, item, source, 0, false);
  ASSERT_NE(made, nullptr);
  Pump();
  EXPECT_TRUE(made->Form->Visible());
  EXPECT_TRUE(source->Active());
  EXPECT_FALSE(made->Form->Active());
}

TEST_F(BrowseWindow, NewSettingsReachEveryOpenWindow) {
  TFormBrowse* first = OpenOn(ecology);
  TFormBrowse* second = OpenOn(economy);
  pars.LowerListColor = 0x123456;
  pars.UpperPanelColor = 0x0000AA;
  pars.GraphPanelColor = 0x00BB00;
  pars.ServiceRowHeight = 22;
  TListeners::SendPair(Notify_SettingsChanged, reinterpret_cast<intptr_t>(&pars), 0, false);
  Pump();
  for (TFormBrowse* form : {first, second}) {
    EXPECT_EQ(form->PanelLowerList->Color(), TColor(0x123456));
    EXPECT_EQ(form->PaintBoxLowerList->Color(), TColor(0x123456));
    EXPECT_EQ(form->ScrollBoxUpperBlock->Color(), TColor(0x0000AA));
    EXPECT_EQ(form->PanelGraph->Color(), TColor(0x00BB00));
    EXPECT_EQ(form->Browse.LowerList.ServiceRowHeight(), 22);
  }
}

}  // namespace
}  // namespace browsetest
