#include "browse/Tbrowse.h"

#include "browse/Graphdrawing.h"
#include "browse/Paintsettings.h"
#include "browse/Tblocktextpainter.h"
#include "browse/Tformbrowse.h"
#include "browse/Tgraph.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tmenu.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Tdatetime.h"

#include <algorithm>
#include <filesystem>

TBrowse::TBrowse() : Listener(this) { Init(); }

TBrowse::~TBrowse() { Done(); }

void TBrowse::Init() {
  HitAreas.Clear();
  HitAreas.Browse = this;
  Listener.Browse = this;
  RetrievalText.Clear();
  Form = nullptr;
  Settings = nullptr;
  CurrentBrowseState.Init();
  History.Clear();
  GraphPlaces.Clear();
  Popups.Clear();
  Hover = TRowHover();
  LowerList = TLowerListView();
  UpperPanelHeight = TUpperPanelHeight();
  ModerationMode = 0;
  ShowAll = 0;
  WindowState = 0;
  Menu.Reset();
  PopupMenu.Reset();
  MenuRebuildOnActivation = 0;
  Closing = 0;
  Drag = TBlockDrag();
  LastTick = Now();
}

void TBrowse::SetFormBrowse(TFormBrowse* form) {
  Form = form;
  Menu.Bind(this, form->ToolBarHorzMenu);
  PopupMenu.Bind(this, nullptr);
  WindowState = uint8_t(form->WindowState());
  UpperPanelHeight.RememberFirst(form->PanelUpperBlock->Height());
  SetHelpContext();
}

void TBrowse::Done() {
  Closing = 1;
  History.Clear();
  CurrentBrowseState.Clear();
  Menu.Reset();
  PopupMenu.Reset();
  HitAreas.Clear();
  RetrievalText.Clear();
  GraphPlaces.Clear();
  Popups.Clear();
}

TDiscussion* TBrowse::GetDiscussion() const {
  const int index = CurrentBrowseState.DiscussionIndex;
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager || index < 0 || index >= manager->GetDiscussionsCount()) return nullptr;
  return &manager->GetDiscussion(index);
}

bool TBrowse::SetDiscussionIndex(int index) {
  if (index < 0) {
    CurrentBrowseState.DiscussionIndex = -1;
    CurrentBrowseState.Creating = 0;
    return true;
  }
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager || index >= manager->GetDiscussionsCount()) {
    TError::Report("TBrowse::SetDiscussionIndex - нет обсуждения " + std::to_string(index));
    return false;
  }
  TDiscussion& discussion = manager->GetDiscussion(index);
  if (!discussion.Load()) return false;
  CurrentBrowseState.DiscussionIndex = int16_t(index);
  CurrentBrowseState.Creating = discussion.IsCreating();
  return true;
}

void TBrowse::SetCurrentBrowseState(const TBrowseState& state) {
  if (&state == &CurrentBrowseState) return;
  CurrentBrowseState = state;
  LowerList.SetOffset(0);
  LowerListChangedFrom(0);
  if (Form) Form->PanelUpperBlock->SetHeight(state.UpperPanelHeight);
}

void TBrowse::CurrentBrowseItemChanged(bool rebuild) {
  if (IsErrorReported()) return;
  Hover.Drop();
  HitAreas.Clear();
  TDiscussion* discussion = GetDiscussion();
  const TBrowseItem& item = CurrentBrowseState.CurrentItem;
  const TDiscBlock* block = discussion && item.Kind() == BrowseItem_Block && !item.Ident.Index.IsEmpty()
                                ? discussion->Storages.GetDiscBlock(item.Ident.Index)
                                : nullptr;
  // The login remembers where it stands, so that the next start opens it there.
  if (block)
    if (TLoginsStorage* logins = LoginsStorage())
      if (TLogin* login = logins->GetCurrentLogin()) {
        if (!ModerationMode) login->SetDiscussionPosition(discussion->Info.MIdent, block->StorageType, block->BlockNum);
        login->LastDiscussion = discussion->Info.DIdent;
      }
  if (Form && Form->WindowState() == wsMinimized) {
    // The rest follows when the window is restored (the tick sees its state change).
    Form->SetCaption(GetStringForWindowsMenu());
    SetHelpContext();
    return;
  }
  if (rebuild) RebuildLowerList();
  if (IsErrorReported()) return;
  // Opening a block reads it.
  if (block && !discussion->IsCreating() && block->StorageType != StorageType_Notes &&
      block->TextType != TextType_Heading)
    MarkRead(*discussion, CurrentBrowseState.CurrentItem.Ident.Index);
  if (!Form) return;
  Form->SetCaption(GetFormBrowseCaption());
  TListeners::Send(Notify_TitlesChanged, false);
  Menu.Build(TBrowseItemIndex(), CurrentBrowseState.CurrentItem, 1);
  SetHelpContext();
  Form->PaintBoxUpperBlock->Invalidate();
  InvalidateLowerList();
  LowerListChangedFrom(0);
}

void TBrowse::RebuildKeepingSelection() {
  TBrowseState& state = CurrentBrowseState;
  const int row = state.SelectedRow;
  const bool had = state.HasRow(row);
  const TBrowseItemIndex shown = had ? state.Row(row).ItemIndex : TBrowseItemIndex();
  const uint8_t type = had ? state.Row(row).RowType : 0;
  CurrentBrowseItemChanged(true);
  if (!had || IsErrorReported() || state.RowCount() == 0) return;
  int found = std::min(row, state.RowCount() - 1);
  for (int i = 0; i < state.RowCount(); ++i)
    if (state.Row(i).RowType == type && state.Row(i).ItemIndex == shown) {
      found = i;
      break;
    }
  SelectLowerListRow(found, false);
}

void TBrowse::SetHelpContext() {
  if (!Form) return;
  Form->SetHelpFile(std::filesystem::absolute(HelpFileName).string());
  Form->SetHelpContext(ModerationMode ? 12 : 1);
  if (ModerationMode) return;
  TDiscussionsManager* manager = DiscussionsManager();
  const TBrowseItem& item = CurrentBrowseState.CurrentItem;
  if (TDiscussion* discussion = GetDiscussion()) {
    if (discussion->IsCreating()) Form->SetHelpContext(11);
  } else if (manager && item.Kind() == BrowseItem_Folder && item.Ident.Folder >= 0 &&
             manager->GetParentFolder(item.Ident.Folder) == manager->CreatedRoot) {
    Form->SetHelpContext(11);
  }
}

// ---- rows of the lower list

RECT TBrowse::GetLowerListRowRect(int row) const {
  const TBrowseState& state = CurrentBrowseState;
  if (!state.HasRow(row) || !Form) return RECT{0, 0, 0, 0};
  int top = -LowerList.Offset();
  for (int i = 0; i < row; ++i) top += state.Row(i).Height;
  return RECT{0, top, Form->PaintBoxLowerList->Width(), top + state.Row(row).Height};
}

int TBrowse::GetFirstVisibleRow() const {
  const TBrowseState& state = CurrentBrowseState;
  int top = -LowerList.Offset();
  for (int i = 0; i < state.RowCount(); ++i) {
    const int height = std::max(0, state.Row(i).Height);
    if (top + height > 0) return i;
    top += height;
  }
  return -1;
}

int TBrowse::GetLastVisibleRow() const {
  const int first = GetFirstVisibleRow();
  if (first < 0 || !Form) return -1;
  const TBrowseState& state = CurrentBrowseState;
  const int bottom = Form->PaintBoxLowerList->Height();
  int top = GetLowerListRowRect(first).top;
  int last = first;
  for (int i = first; i < state.RowCount() && top < bottom; ++i) {
    last = i;
    top += std::max(0, state.Row(i).Height);
  }
  return last;
}

bool TBrowse::LowerListHitTest(int x, int y, int& row, POINT& inRow) const {
  if (!Form || x < 0 || x >= Form->PaintBoxLowerList->Width()) return false;
  const int first = GetFirstVisibleRow();
  const int last = GetLastVisibleRow();
  if (first < 0) return false;
  int top = GetLowerListRowRect(first).top;
  for (int i = first; i <= last; ++i) {
    const int bottom = top + CurrentBrowseState.Row(i).Height;
    if (y >= top && y < bottom) {
      row = i;
      inRow = POINT{x, y - top};
      return true;
    }
    top = bottom;
  }
  return false;
}

void TBrowse::InvalidateLowerList() {
  if (!Form) return;
  Form->PaintBoxLowerList->Invalidate();
  LowerList.WholeInvalidated();
}

void TBrowse::InvalidateLowerListRow(int row) {
  if (LowerList.WholeRepaintPending() || !Form) return;
  TPaintBox* box = Form->PaintBoxLowerList;
  const int count = CurrentBrowseState.RowCount();
  RECT r;
  if (row >= 0 && row < count) {
    if (CurrentBrowseState.Row(row).Height < 0) return;
    r = GetLowerListRowRect(row);
  } else if (row == count) {
    const int top = count ? GetLowerListRowRect(count - 1).bottom : 0;
    r = RECT{0, std::max(0, top), box->Width(), box->Height()};
  } else {
    return;
  }
  // The paint box has no window of its own: its rectangle lies in the panel's.
  if (!box->Parent() || !box->Parent()->HandleAllocated()) return;
  OffsetRect(&r, box->Left(), box->Top());
  InvalidateRect(box->Parent()->Handle(), &r, TRUE);
}

void TBrowse::SelectLowerListRow(int row, bool scroll) {
  Hover.CancelAutoSelect();
  TBrowseState& state = CurrentBrowseState;
  if (!state.HasRow(row)) return;
  if (row != state.SelectedRow) {
    InvalidateLowerListRow(state.SelectedRow);
    InvalidateLowerListRow(row);
    state.SelectedRow = row;
  }
  if (scroll) LowerList.RequestScroll();
}

void TBrowse::InsertLowerListRow(int at, uint8_t rowType, const TBrowseItemIndex& itemIndex, int height) {
  TBrowseState& state = CurrentBrowseState;
  if (!state.InsertRow(at)) return;
  TLowerListRow& row = state.Row(at);
  row.RowType = rowType;
  row.ItemIndex = itemIndex;
  row.Height = height;
  if (state.SelectedRow >= at && state.SelectedRow + 1 < state.RowCount())
    SelectLowerListRow(state.SelectedRow + 1, false);
  LowerListChangedFrom(at);
}

namespace {

// The nearest service row at or above a row, else row 0.
int NearestServiceRowAtOrAbove(const TBrowseState& state, int row) {
  for (int i = std::min(row, state.RowCount() - 1); i >= 0; --i)
    if (state.Row(i).RowType == LowerListRow_Service) return i;
  return 0;
}

}  // namespace

void TBrowse::RemoveLowerListRow(int row) {
  TBrowseState& state = CurrentBrowseState;
  if (!state.DeleteRow(row)) return;
  state.SelectedRow = NearestServiceRowAtOrAbove(state, state.SelectedRow);
  LowerListChangedFrom(row);
}

bool TBrowse::ResolvesToOrBelow(const TBrowseItemIndex& rowIndex, const TBrowseItemIndex& item) const {
  if (rowIndex.Length() < item.Length()) return false;
  for (int i = 0; i < item.Length(); ++i)
    if (rowIndex.Path[uint32_t(i)] != item.Path[uint32_t(i)]) return false;
  return true;
}

void TBrowse::RemoveRowsOfBrowseItem(uint8_t rowType, const TBrowseItemIndex& item) {
  TBrowseState& state = CurrentBrowseState;
  int lowest = -1;
  for (int i = state.RowCount() - 1; i >= 0; --i) {
    const TLowerListRow& row = state.Row(i);
    if (!ResolvesToOrBelow(row.ItemIndex, item)) continue;
    // The item's own rows only of the given type; its children's rows of every type.
    if (row.ItemIndex.Length() == item.Length() && rowType != 0 && row.RowType != rowType) continue;
    state.DeleteRow(i);
    if (state.SelectedRow >= i && state.SelectedRow > 0) --state.SelectedRow;
    LowerList.RowRemoved(i);
    lowest = i;
  }
  if (lowest < 0) return;
  state.SelectedRow = NearestServiceRowAtOrAbove(state, state.SelectedRow);
  if (LowerList.AnchorRow() >= 0) LowerList.SetAnchorRow(NearestServiceRowAtOrAbove(state, LowerList.AnchorRow()));
  LowerListChangedFrom(lowest);
}

void TBrowse::InvalidateLowerListFrom(int row) {
  if (LowerList.WholeRepaintPending() || !Form) return;
  TPaintBox* box = Form->PaintBoxLowerList;
  const TBrowseState& state = CurrentBrowseState;
  const int bottom = box->Height();
  int top = -LowerList.Offset();
  for (int i = 0; i < std::min(row, state.RowCount()) && top < bottom; ++i) top += state.Row(i).Height;
  if (top >= bottom) return;
  if (!box->Parent() || !box->Parent()->HandleAllocated()) return;
  RECT r{0, std::max(0, top), box->Width(), bottom};
  OffsetRect(&r, box->Left(), box->Top());
  InvalidateRect(box->Parent()->Handle(), &r, TRUE);
}

void TBrowse::LowerListChangedFrom(int row) {
  InvalidateLowerListFrom(row);
  LowerList.RequestLayout();
}


// ---- pointer, keys and painting

void TBrowse::UpperTextHover(POINT point) { HitAreas.HitTest(HyperRefOwner_Upper, point.x, point.y); }

void TBrowse::DropHover() {
  if (Hover.Row >= 0) {
    InvalidateLowerListRow(Hover.Row);
    Hover.Drop();
    if (Form) Form->PaintBoxLowerList->SetCursor(crDefault);
  }
  HitAreas.DropHover();
}

void TBrowse::LowerListMouseDown(int row, TMouseButton button, TShiftState shift, POINT inRow) {
  if (!CurrentBrowseState.HasRow(row)) return;
  // A press on a reference or a link in the row's text is theirs alone.
  if (HitAreas.Click(button, row, inRow.x, inRow.y)) return;
  const TLowerListRow& pressed = CurrentBrowseState.Row(row);
  if (button == mbRight) {
    // The rows of an item offer the item's commands; its first row is selected, so that
    // the user sees which item the menu is for.
    const TBrowseItemIndex index = pressed.ItemIndex;
    for (int first = row; first >= 0 && CurrentBrowseState.Row(first).ItemIndex == index; --first)
      if (CurrentBrowseState.Row(first).RowType == LowerListRow_Service) {
        SelectLowerListRow(first, false);
        break;
      }
    ShowItemPopup(index, CurrentBrowseState.CurrentItem);
    HoverAfterMenu();
    return;
  }
  if (button != mbLeft) return;
  switch (pressed.RowType) {
    case LowerListRow_Service:
      SelectLowerListRow(row, false);
      Drag.Arm();
      MarkRowsByPress(row, shift);
      break;
    case LowerListRow_Text:
    case LowerListRow_FullText: ToggleRowFolding(row); break;
    default: TError::Report("TBrowse::LowerListMouseDown - неизвестный тип кликнутой строки");
  }
}

int TBrowse::DrawBlockText(TDiscBlockIndex block, int owner, TCanvas& canvas, TFont* textFont, TFont* referenceFont,
                           const RECT& rect, const std::string& text, const std::string& linkText, int indent, int top,
                           int mode, bool compact) {
  TBlockTextPainter painter;
  painter.Areas = &HitAreas;
  painter.Record = HitAreas.Recording();
  if (Settings) painter.HoverColor = TColor(Settings->HoverFontColor & 0xFFFFFF);
  painter.ReferenceColor = [this, block](const std::string& name) { return TColor(GetReferenceColor(block, name)); };
  return painter.Draw(owner, canvas, textFont, referenceFont, rect, text, linkText, indent, top, mode, compact);
}

uint32_t TBrowse::GetReferenceColor(TDiscBlockIndex block, const std::string& name) {
  TDiscussion* discussion = GetDiscussion();
  if (!discussion || !Settings) return 0xFFFFFF;
  const TDiscBlockIndex referenced = discussion->HyperRefBlocks.FindReferencedBlock(*discussion, block, name);
  const TDiscBlock* target = referenced.IsEmpty() ? nullptr : discussion->Storages.GetDiscBlock(referenced);
  if (!target) return 0xFFFFFF;
  return target->GetRetrievalColor(*discussion, referenced, RetrievalColorsOf(*Settings)) & 0xFFFFFF;
}


// ---- the graph panel

void TBrowse::GraphPaint() {
  if (TDiscussion* discussion = GetDiscussion()) DiscussionGraph(*discussion).Paint(*this);
  else FillGraphBackground(*this);
}

void TBrowse::GraphMouseMove(TShiftState shift, POINT point) {
  if (TDiscussion* discussion = GetDiscussion()) DiscussionGraph(*discussion).MouseMove(*this, shift, point.x, point.y);
}

void TBrowse::GraphMouseDown(TMouseButton button, TShiftState shift, POINT point) {
  TListeners::Send(Notify_MousePressed, false);
  if (TDiscussion* discussion = GetDiscussion())
    DiscussionGraph(*discussion).MouseDown(*this, button, shift, point.x, point.y);
}

void TBrowse::GraphScroll(int dx, int dy) { TGraph::Scroll(*this, dx, dy); }
