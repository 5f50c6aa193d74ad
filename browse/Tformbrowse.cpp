#include "browse/Tformbrowse.h"

#include "browse/Tformbrowsemanager.h"
#include "controls/Newcontrol.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "foundation/Tshellregistry.h"
#include "foundation/Tstartimagecaller.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tcommondialog.h"
#include "platform/forms/Tmenu.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscreen.h"
#include "platform/forms/Tscrollbar.h"
#include "platform/forms/Tscrollbox.h"
#include "platform/forms/Ttoolbar.h"
#include "platform/gui/Gui.h"

#include <algorithm>

namespace {

// Screens this narrow show every browse window maximised.
constexpr int kNarrowScreen = 800;

}  // namespace

TFormBrowse::TFormBrowse(TComponent* owner) : TForm(owner) {
  BuildComponents();
  ConnectEvents();
  OnCreate = [this](TObject*) {
    fClosed = 0;
    fInScrollPaint = 0;
  };
  OnShow = [this](TObject*) { fShown = 1; };
  OnActivate = [this](TObject*) { FormActivate(); };
  OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
  OnClose = [this](TObject*, TCloseAction& action) { FormClose(action); };
  OnKeyDown = [this](TObject*, WORD& key, TShiftState shift) { FormKeyDown(key, shift); };
  OnResize = [this](TObject*) { FormResize(); };
}

TFormBrowse::~TFormBrowse() {
  if (TFormBrowseManager* manager = FormBrowseManager()) manager->Forget(this);
  Browse.Done();
  DisconnectEvents();
}

void TFormBrowse::DisconnectEvents() {
  // The controls outlive this part of the form while they are destroyed; their events
  // must not reach it then.
  OnCreate = OnShow = OnActivate = OnResize = nullptr;
  OnCloseQuery = nullptr;
  OnClose = nullptr;
  OnKeyDown = nullptr;
  for (int i = 0; i < ComponentCount(); ++i) {
    if (auto* control = dynamic_cast<TControl*>(Components(i))) {
      control->OnResize = nullptr;
      control->OnMouseDown = control->OnMouseUp = nullptr;
      control->OnMouseMove = nullptr;
      control->OnMouseLeave = nullptr;
    }
    if (auto* box = dynamic_cast<TPaintBox*>(Components(i))) box->OnPaint = nullptr;
    if (auto* bar = dynamic_cast<TScrollBar*>(Components(i))) {
      bar->OnChange = nullptr;
      bar->OnScroll = nullptr;
    }
  }
}

void TFormBrowse::BuildComponents() {
  SetCaption("Browse");
  SetClientWidth(632);
  SetClientHeight(369);
  SetKeyPreview(true);

  const auto flat = [](TPanel& panel) { panel.SetBevelOuter(bvNone); };
  const auto scrolledDown = [](TScrollBox& box) {
    box.SetBorderStyle(bsNone);
    box.HorzScrollBar()->SetVisible(false);
    box.VertScrollBar()->SetTracking(true);
  };
  const auto bar = [](TScrollBarKind kind) {
    return [kind](TScrollBar& scrollBar) {
      scrollBar.SetKind(kind);
      scrollBar.SetTabStop(false);
    };
  };
  const auto hider = [](TScrollBar& scrollBar) {
    scrollBar.SetKind(sbVertical);
    scrollBar.SetEnabled(false);
    scrollBar.SetVisible(false);
  };
  const auto hidden = [](TPanel& panel) { panel.SetVisible(false); };
  const auto scrollPattern = [this](TPaintBox& box) {
    // Placed at the top across the box by hand rather than aligned, so that its height
    // counts in the box's scroll range.
    box.SetBounds(0, 0, ScrollBoxLowerList2->ClientWidth(), 1);
    box.SetAnchors({akLeft, akTop, akRight});
  };
  // The upper panel (the shown item's text, or the graph) above the lower list, whose menu
  // strip (drag handle, tool bar) lies above the list and its scroll pattern.
  // clang-format off
  BuildControls(*this, {
      {Into(Panel1, flat), "Panel1", "", {}, alClient, ""},
      {Into(PanelUpperBlock, [](TPanel& p) { p.SetColor(clGrayText); }), "PanelUpperBlock", "Panel1",
       {Keep, Keep, Keep, 189}, alTop, ""},
      {Into(ScrollBoxUpperBlock, scrolledDown), "ScrollBoxUpperBlock", "PanelUpperBlock", {}, alClient},
      {Into(ScrollBarLowerListSBarHider, hider), "ScrollBarLowerListSBarHider", "ScrollBoxUpperBlock",
       {0, 0, GetSystemMetrics(SM_CXVSCROLL), 50}},
      // A pixel high until the item is first drawn and the panel takes the height of its text.
      {Into(PanelUpperBlockPaintBox, flat), "PanelUpperBlockPaintBox", "ScrollBoxUpperBlock", {0, 0, 600, 1},
       alNone, ""},
      {Into(PaintBoxUpperBlock), "PaintBoxUpperBlock", "PanelUpperBlockPaintBox", {}, alClient},
      {Into(PanelGraph, hidden), "PanelGraph", "ScrollBoxUpperBlock", {}, alNone, ""},
      {Into(ScrollBarGraphHorz, bar(sbHorizontal)), "ScrollBarGraphHorz", "PanelGraph", {}, alBottom},
      {Into(ScrollBarGraphVert, bar(sbVertical)), "ScrollBarGraphVert", "PanelGraph", {}, alRight},
      {Into(PaintBoxGraph), "PaintBoxGraph", "PanelGraph", {}, alClient},
      {Into(PanelLowerList), "PanelLowerList", "Panel1", {}, alClient, ""},
      {Into(PanelMenu, [](TPanel& p) { p.SetCursor(crVSplit); p.SetColor(clSilver); }), "PanelMenu", "PanelLowerList",
       {Keep, Keep, Keep, 73}, alTop, ""},
      {Into(PanelDragAndDrop), "PanelDragAndDrop", "PanelMenu", {Keep, Keep, 10, Keep}, alLeft, ""},
      {Into(ToolBarHorzMenu, [](TToolBar& t) {
         t.SetFlat(true);
         t.SetList(true);
         t.SetShowCaptions(true);
         t.SetButtonHeight(13);
         t.SetButtonWidth(37);
         t.SetColor(clGreen);
       }), "ToolBarHorzMenu", "PanelMenu", {}, alLeft},
      {Into(PanelDragMenu, [](TPanel& p) { p.SetCursor(crVSplit); }), "PanelDragMenu", "PanelMenu", {0, 0, 17, 16},
       alNone, "="},
      {Into(PanelLowerListWithScroller), "PanelLowerListWithScroller", "PanelLowerList", {}, alClient, ""},
      {Into(ScrollBoxLowerList2, scrolledDown), "ScrollBoxLowerList2", "PanelLowerListWithScroller", {}, alRight},
      {Into(PaintBoxLowerListScrollPattern2, scrollPattern), "PaintBoxLowerListScrollPattern2", "ScrollBoxLowerList2"},
      {Into(PanelLowerListPaintBox, flat), "PanelLowerListPaintBox", "PanelLowerListWithScroller", {}, alClient, ""},
      {Into(PaintBoxLowerList), "PaintBoxLowerList", "PanelLowerListPaintBox", {}, alClient},
      {Into(PanelWidthLimit, [](TPanel& p) { p.SetColor(clLime); p.SetVisible(false); }), "PanelWidthLimit", "",
       {}, alRight, ""},
  });
  // clang-format on

  PopupMenuRightClick = NewComponent<TPopupMenu>(this, "PopupMenuRightClick");
  OpenDialogCreateModel = NewComponent<TOpenDialog>(this, "OpenDialogCreateModel");
  OpenDialogCreateModel->SetDefaultExt("cbc");
  OpenDialogCreateModel->SetTitle("Select model source marked out file");
  OpenDialogCreateModel->SetFilter("Command-message files (*.cbc)|*.cbc");
  _SaveDialogCreateModel = NewComponent<TSaveDialog>(this, "_SaveDialogCreateModel");
  _SaveDialogCreateModel->SetTitle("Select model destination directory");
  SaveDialogPrint = NewComponent<TSaveDialog>(this, "SaveDialogPrint");
  SaveDialogPrint->SetDefaultExt("txt");
  SaveDialogPrint->SetFileName("filename.txt");
  SaveDialogPrint->SetTitle("Select excerpt file");
}

void TFormBrowse::ConnectEvents() {
  PanelUpperBlock->OnResize = [this](TObject*) { UpperBlockResized(); };
  ScrollBoxUpperBlock->OnResize = [this](TObject*) {
    PanelUpperBlockPaintBox->SetWidth(std::max(0, ScrollBoxUpperBlock->Width() - fScrollBarWidth));
  };
  ScrollBoxUpperBlock->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    UpperTextMouseDown(button, shift, x, y);
  };
  PanelUpperBlockPaintBox->OnMouseMove = [this](TObject*, TShiftState, int x, int y) {
    UpperTextMouseMove(x, y);
  };
  PanelUpperBlockPaintBox->OnMouseLeave = [this](TObject*) { Browse.HitAreas.DropHover(); };
  PanelUpperBlockPaintBox->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    UpperTextMouseDown(button, shift, x, y);
  };
  PaintBoxUpperBlock->OnPaint = [this](TObject*) { PaintUpperBlock(); };
  PaintBoxUpperBlock->OnMouseMove = [this](TObject*, TShiftState, int x, int y) {
    UpperTextMouseMove(x, y);
  };
  PaintBoxUpperBlock->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    UpperTextMouseDown(button, shift, x, y);
  };
  // The rows lie beside their scroll bar, not in it: the wheel over them scrolls it.
  PanelLowerListPaintBox->OnMouseWheel = [this](TObject*, TShiftState, int delta, POINT, bool& handled) {
    ScrollBoxLowerList2->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<unsigned>(delta)), 0);
    handled = true;
  };
  PanelGraph->OnResize = [this](TObject*) { GraphPanelResized(); };
  ScrollBarGraphHorz->OnChange = [this](TObject*) { GraphScrolled(ScrollBarGraphHorz, fGraphHorzPosition, true); };
  ScrollBarGraphVert->OnChange = [this](TObject*) { GraphScrolled(ScrollBarGraphVert, fGraphVertPosition, false); };
  for (TScrollBar* bar : {ScrollBarGraphHorz, ScrollBarGraphVert})
    bar->OnScroll = [this](TObject*, TScrollCode, int&) {
      TListeners::Send(Notify_MousePressed, false);
      PaintBoxGraph->Update();
    };
  PaintBoxGraph->OnPaint = [this](TObject*) {
    if (!IsErrorReported()) Browse.GraphPaint();
  };
  PaintBoxGraph->OnMouseMove = [this](TObject*, TShiftState shift, int x, int y) {
    Browse.GraphMouseMove(shift, POINT{x, y});
  };
  // The wheel over the graph moves it a depth a notch; with Shift, a column.
  PanelGraph->OnMouseWheel = [this](TObject*, TShiftState shift, int delta, POINT, bool& handled) {
    TScrollBar* bar = shift.Contains(ssShift) ? ScrollBarGraphHorz : ScrollBarGraphVert;
    bar->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<unsigned>(delta)), 0);
    handled = true;
  };
  PaintBoxGraph->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    Browse.GraphMouseDown(button, shift, POINT{x, y});
  };
  PanelMenu->OnResize = [this](TObject*) {
    PlaceDragPanel();
    if (fShown) Browse.Menu.Build(TBrowseItemIndex(), Browse.CurrentBrowseState.CurrentItem, 1);
  };
  PanelMenu->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int y) {
    SplitMouseDown(PanelMenu, false, y);
  };
  PanelMenu->OnMouseMove = [this](TObject*, TShiftState, int, int y) { SplitMouseMove(y); };
  PanelMenu->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { SplitMouseUp(); };
  PanelDragAndDrop->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
    Screen->SetCursor(crDefault);
    ReleaseCapture();
    Browse.Drag.End();
    // Every window's list stops scrolling for the drag.
    TListeners::SendPair(Notify_DragMoves, 0, 0, false);
  };
  PanelDragAndDrop->OnMouseMove = [this](TObject*, TShiftState, int x, int y) { DragPanelMouseMove(x, y); };
  PanelDragAndDrop->OnMouseUp = [this](TObject*, TMouseButton, TShiftState shift, int x, int y) {
    DragPanelMouseUp(shift, x, y);
  };
  ToolBarHorzMenu->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int x, int y) {
    // The grip takes the drag over: the point in its own terms.
    const POINT point = PanelDragMenu->ScreenToClient(ToolBarHorzMenu->ClientToScreen(POINT{x, y}));
    SplitMouseDown(PanelDragMenu, true, point.y);
  };
  PanelDragMenu->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int y) {
    SplitMouseDown(PanelDragMenu, true, y);
  };
  PanelDragMenu->OnMouseMove = [this](TObject*, TShiftState, int, int y) { SplitMouseMove(y); };
  PanelDragMenu->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { SplitMouseUp(); };
  PanelLowerListWithScroller->OnMouseMove = [this](TObject*, TShiftState, int, int) { LeaveLowerList(); };
  PaintBoxLowerListScrollPattern2->OnPaint = [this](TObject*) { ScrollPatternPaint(); };
  PanelLowerListPaintBox->OnMouseMove = [this](TObject*, TShiftState, int x, int y) { LowerListMouseMove(x, y); };
  PanelLowerListPaintBox->OnMouseLeave = [this](TObject*) { LeaveLowerList(); };
  PanelLowerListPaintBox->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    LowerListMouseDown(button, shift, x, y);
  };
  PanelLowerListPaintBox->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    LowerListMouseUp(button, shift, x, y);
  };
  PaintBoxLowerList->OnPaint = [this](TObject*) { PaintLowerList(); };
  // The paint box fills the panel: its points are the panel's.
  PaintBoxLowerList->OnMouseMove = PanelLowerListPaintBox->OnMouseMove;
  PaintBoxLowerList->OnMouseDown = PanelLowerListPaintBox->OnMouseDown;
  PaintBoxLowerList->OnMouseUp = PanelLowerListPaintBox->OnMouseUp;
}

void TFormBrowse::SetUp() {
  fSizeRestored = 0;
  fShown = 0;
  Browse.Init();
  fSplitDragging = 0;
  ScrollBarLowerListSBarHider->SetParent(this);
  PanelGraph->SetParent(this);
  PanelGraph->SetBounds(0, 0, PanelGraph->Width(), PanelGraph->Height());
  fScrollBarWidth = ScrollBarLowerListSBarHider->Width();
  fGraphHorzPosition = fGraphVertPosition = 0;
  ScrollBoxLowerList2->SetWidth(fScrollBarWidth + 2);
  PanelUpperBlock->SetHeight(int(Height() * 0.15));
  Browse.SetFormBrowse(this);
  PanelUpperBlockPaintBox->SetWidth(std::max(0, ScrollBoxUpperBlock->Width() - fScrollBarWidth));
  FormResize();
}

void TFormBrowse::SetBrowsePars(TBrowsePars* settings) {
  Browse.Settings = settings;
  if (settings) {
    Browse.LowerList.SetServiceRowHeight(settings->ServiceRowHeight);
    const TColor upper(settings->UpperPanelColor & 0xFFFFFF);
    ScrollBoxUpperBlock->SetColor(upper);
    PanelUpperBlockPaintBox->SetColor(upper);
    PanelWidthLimit->SetColor(upper);
    PaintBoxUpperBlock->Invalidate();
    const TColor lower(settings->LowerListColor & 0xFFFFFF);
    for (TControl* control : std::initializer_list<TControl*>{PaintBoxLowerListScrollPattern2, ScrollBoxLowerList2,
                                                                PaintBoxLowerList, PanelLowerListPaintBox,
                                                                PanelLowerListWithScroller, PanelLowerList})
      control->SetColor(lower);
    PanelGraph->SetColor(TColor(settings->GraphPanelColor & 0xFFFFFF));
    // Rows keep their heights until they are painted again.
    Browse.RelayoutLowerListFrom(0, false);
  }
  FormResize();
}

// ---- form events

void TFormBrowse::FormActivate() {
  TStartImageCaller::CloseFormStartImage();
  if (Browse.MenuRebuildOnActivation) {
    Browse.Menu.Build(TBrowseItemIndex(), Browse.CurrentBrowseState.CurrentItem, 1);
    Browse.MenuRebuildOnActivation = 0;
  }
}

void TFormBrowse::FormCloseQuery(bool& canClose) {
  TListeners::Send(Notify_MousePressed, false);
  TBrowseGlobal::CloseRefused = 0;
  Browse.Closing = 1;
  if (TFormBrowseManager* manager = FormBrowseManager()) manager->FormBrowseClosing(this);
  Browse.Closing = 0;
  canClose = TBrowseGlobal::CloseRefused == 0;
}

void TFormBrowse::FormClose(TCloseAction& action) {
  if (fClosed) return;
  fClosed = 1;
  action = caFree;
  Browse.Done();
  if (TFormBrowseManager* manager = FormBrowseManager()) manager->FormBrowseClosed(this);
}

void TFormBrowse::FormKeyDown(WORD& key, TShiftState shift) {
  if (key == VK_F4 && shift.Contains(ssAlt)) {
    key = 0;
    Close();
    return;
  }
  Browse.KeyDown(key, shift);
}

void TFormBrowse::FormResize() {
  if (WindowState() != wsMinimized) fLastWindowState = WindowState();
  PanelGraph->SetBounds(PanelGraph->Left(), PanelGraph->Top(), ClientWidth(), ClientHeight());
  if (const TBrowsePars* settings = Browse.Settings) {
    const int limit = Screen->Width() * settings->TextWidthPercent / 100 + 8;
    if (limit < Width()) {
      PanelWidthLimit->SetWidth(Width() - limit);
      PanelWidthLimit->Show();
    } else {
      PanelWidthLimit->Hide();
    }
  }
  if (fSizeRestored) {
    TShellRegistry::WriteInteger(LastBrowserWindowWidth, Width());
    TShellRegistry::WriteInteger(LastBrowserWindowHeight, Height());
  }
}

void TFormBrowse::RestoreStoredSize() {
  if (Screen->Width() > kNarrowScreen) {
    if (TShellRegistry::ValueExists(LastBrowserWindowWidth) && TShellRegistry::ValueExists(LastBrowserWindowHeight)) {
      const int width = TShellRegistry::ReadInteger(LastBrowserWindowWidth);
      const int height = TShellRegistry::ReadInteger(LastBrowserWindowHeight);
      // A value that no window could have is not taken; a size kept from a larger screen
      // is cut to this one.
      if (width > 0 && height > 0) {
        SetBounds(Left(), Top(), std::min(width, Screen->Width()), std::min(height, Screen->Height()));
        KeepOnWorkArea();
      }
    }
  } else {
    SetWindowState(wsMaximized);
  }
  fSizeRestored = 1;
}

void TFormBrowse::ScrollPatternPaint() {
  if (fInScrollPaint) return;
  fInScrollPaint = 1;
  TListeners::Send(Notify_MousePressed, false);
  if (!fSizeRestored) RestoreStoredSize();
  PlaceDragPanel();
  Browse.RunDeferredPaintRequests();
  const int position = ScrollBoxLowerList2->VertScrollBar()->Position();
  if (Browse.LowerList.Offset() != position) {
    PaintBoxLowerList->Update();
    RECT client = PanelLowerListPaintBox->ClientRect();
    ScrollWindow(PanelLowerListPaintBox->Handle(), 0, Browse.LowerList.Offset() - position, &client, &client);
    Browse.LowerList.SetOffset(position);
    PaintBoxLowerList->Update();
  }
  fInScrollPaint = 0;
}

void TFormBrowse::PlaceDragPanel() {
  PanelDragMenu->SetBounds(PanelMenu->Width() - PanelDragMenu->Width(), 0, PanelDragMenu->Width(), PanelMenu->Height());
  PanelDragMenu->BringToFront();
  ToolBarHorzMenu->SetWidth(std::max(0, PanelMenu->Width() - PanelDragMenu->Width()));
}

void TFormBrowse::PaintUpperBlock() {
  if (IsErrorReported()) return;
  if (Browse.Settings && PaintBoxUpperBlock->Color() != TColor(Browse.Settings->UpperPanelColor))
    PaintBoxUpperBlock->SetColor(TColor(Browse.Settings->UpperPanelColor));
  Browse.DrawUpperBrowseItem();
}

void TFormBrowse::PaintLowerList() {
  if (IsErrorReported()) return;
  Browse.LowerList.Painted();
  TCanvas* canvas = PaintBoxLowerList->Canvas();
  const RECT clip = canvas->ClipRect();
  canvas->Brush()->SetColor(clWhite);
  canvas->FillRect(clip);
  const int first = Browse.GetFirstVisibleRow();
  if (first < 0) return;
  // A row measured anew moves the rows below it: the last visible row is found again.
  for (int row = first; row <= Browse.GetLastVisibleRow(); ++row) {
    const RECT rect = Browse.GetLowerListRowRect(row);
    RECT common;
    if (IntersectRect(&common, &rect, &clip)) Browse.DrawLowerListRow(*canvas, row, rect);
    if (IsErrorReported()) return;
  }
}

void TFormBrowse::UpperBlockResized() {
  if (PanelUpperBlock->Height() != 0) {
    PanelDragMenu->SetWidth(17);
    PanelMenu->SetCursor(crVSplit);
  } else {
    PanelDragMenu->SetWidth(0);
    PanelMenu->SetCursor(crDefault);
  }
  Browse.UpperPanelHeight.Remember(PanelUpperBlock->Height());
}

void TFormBrowse::GraphPanelResized() {
  const int large = (PanelGraph->Width() / 6) / 2 - 1;
  ScrollBarGraphHorz->SetLargeChange(large);
  ScrollBarGraphHorz->SetSmallChange(large / 3);
}

void TFormBrowse::GraphScrolled(TScrollBar* bar, int& lastPosition, bool horizontal) {
  const int delta = bar->Position() - lastPosition;
  if (horizontal) Browse.GraphScroll(delta, 0);
  else Browse.GraphScroll(0, delta);
  lastPosition = bar->Position();
}

// ---- the pointer over the texts

bool TFormBrowse::PointerOver(TControl* area, int x, int y) {
  // While the pointer is over the area the area holds the mouse capture, so that the move
  // that leaves it, wherever to, still arrives here and ends the hover.
  auto* windowed = static_cast<TWinControl*>(area);
  const bool inside = Active() && WindowFromPoint(area->ClientToScreen(POINT{x, y})) == windowed->Handle();
  if (inside != area->MouseCapture()) area->SetMouseCapture(inside);
  return inside;
}

void TFormBrowse::LowerListMouseMove(int x, int y) {
  if (!PointerOver(PanelLowerListPaintBox, x, y) || x >= PaintBoxLowerList->Width()) {
    LeaveLowerList();
    return;
  }
  int row = -1;
  POINT inRow{};
  if (Browse.LowerListHitTest(x, y, row, inRow)) Browse.LowerListHover(row, inRow);
  else LeaveLowerList();
}

void TFormBrowse::LeaveLowerList() {
  Screen->SetCursor(crDefault);
  Browse.DropHover();
}

void TFormBrowse::LowerListMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!Active()) {
    SetFocus();
    return;
  }
  TListeners::Send(Notify_MousePressed, false);
  int row = -1;
  POINT inRow{};
  if (Browse.LowerListHitTest(x, y, row, inRow)) Browse.LowerListMouseDown(row, button, shift, inRow);
}

void TFormBrowse::LowerListMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  int row = -1;
  POINT inRow{};
  if (Browse.LowerListHitTest(x, y, row, inRow)) Browse.LowerListMouseUp(row, button, shift, inRow);
}

void TFormBrowse::UpperTextMouseMove(int x, int y) {
  if (PointerOver(PanelUpperBlockPaintBox, x, y)) Browse.UpperTextHover(POINT{x, y});
  else Browse.HitAreas.DropHover();
}

void TFormBrowse::UpperTextMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!Active()) {
    SetFocus();
    return;
  }
  TListeners::Send(Notify_MousePressed, false);
  Browse.UpperPanelMouseDown(button, shift, POINT{x, y});
}

// ---- the split between the upper panel and the lower list

void TFormBrowse::SplitMouseDown(TControl* pressed, bool withCursor, int y) {
  if (PanelUpperBlock->Height() == 0) return;
  if (withCursor) {
    fSavedCursor = Screen->Cursor();
    fCursorSaved = true;
    Screen->SetCursor(crVSplit);
  }
  fSplitDragging = 1;
  fDragStartY = y;
  fLastSplitStep = GetMessageTime();
  pressed->SetMouseCapture(true);
}

void TFormBrowse::SplitMouseMove(int y) {
  if (!fSplitDragging) return;
  const int step = Browse.Settings ? Browse.Settings->SplitDragStep * 10 : 0;
  const uint32_t now = GetMessageTime();
  if (int64_t(now - fLastSplitStep) <= step) return;
  PanelUpperBlock->SetHeight(std::max(1, PanelUpperBlock->Height() + (y - fDragStartY)));
  fLastSplitStep = now;
}

void TFormBrowse::SplitMouseUp() {
  if (fCursorSaved) {
    Screen->SetCursor(fSavedCursor);
    fCursorSaved = false;
  }
  fSplitDragging = 0;
  ReleaseCapture();
}

// ---- dragging blocks to other windows

TControl* TFormBrowse::ControlUnderPointer() const {
  POINT screen{};
  GetCursorPos(&screen);
  return TWinControl::FindControl(WindowFromPoint(screen));
}

void TFormBrowse::DragPanelMouseMove(int, int) {
  TListeners::SendPair(Notify_DragMoves, 0, reinterpret_cast<intptr_t>(ControlUnderPointer()), false);
}

void TFormBrowse::DragPanelMouseUp(TShiftState shift, int, int) {
  Screen->SetCursor(crDefault);
  ReleaseCapture();
  Browse.Drag.Moves = shift.Contains(ssShift) ? 0 : 1;
  TListeners::SendPair(Notify_Drop, &Browse, ControlUnderPointer(), false);
  if (Browse.Drag.Dragging()) {
    MessageBeep(0);
    Browse.Drag.End();
  }
}
