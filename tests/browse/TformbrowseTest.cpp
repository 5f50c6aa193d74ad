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
  EXPECT_EQ(form.Browse.LastUpperPanelHeight, form.PanelUpperBlock->Height());
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
  const auto token = form->AliveToken();
  person.PressKey(VK_F4, false, false, true);
  Pump();
  EXPECT_FALSE(Alive(token));
  EXPECT_EQ(manager->Count(), 0);
}

}  // namespace
}  // namespace browsetest
