#include "platform/forms/Tgrid.h"

#include <algorithm>

#include "platform/gui/Gui.h"

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 320, 120);
  colWidths_.assign(5, defaultColWidth_);
  rowHeights_.assign(5, defaultRowHeight_);
}

void TCustomGrid::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ExStyle |= WS_EX_CLIENTEDGE;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) Params.Style |= WS_VSCROLL;
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) Params.Style |= WS_HSCROLL;
}

void TCustomGrid::Changed() {
  col_ = std::clamp(col_, fixedCols_, std::max(fixedCols_, ColCount() - 1));
  row_ = std::clamp(row_, fixedRows_, std::max(fixedRows_, RowCount() - 1));
  topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, RowCount() - 1));
  leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, ColCount() - 1));
  UpdateScrollBars();
  Invalidate();
}

void TCustomGrid::SetColCount(int Value) {
  colWidths_.resize(std::max(1, Value), defaultColWidth_);
  if (fixedCols_ >= ColCount()) fixedCols_ = ColCount() - 1;
  Changed();
}

void TCustomGrid::SetRowCount(int Value) {
  rowHeights_.resize(std::max(1, Value), defaultRowHeight_);
  if (fixedRows_ >= RowCount()) fixedRows_ = RowCount() - 1;
  Changed();
}

// The scrolled part begins right after the fixed cells; the current cell stays out of them.
void TCustomGrid::SetFixedCols(int Value) {
  fixedCols_ = std::clamp(Value, 0, ColCount() - 1);
  leftCol_ = fixedCols_;
  col_ = std::max(col_, fixedCols_);
  anchorCol_ = std::max(anchorCol_, fixedCols_);
  Changed();
}

void TCustomGrid::SetFixedRows(int Value) {
  fixedRows_ = std::clamp(Value, 0, RowCount() - 1);
  topRow_ = fixedRows_;
  row_ = std::max(row_, fixedRows_);
  anchorRow_ = std::max(anchorRow_, fixedRows_);
  Changed();
}

void TCustomGrid::SetDefaultColWidth(int Value) {
  defaultColWidth_ = Value;
  std::fill(colWidths_.begin(), colWidths_.end(), Value);
  Changed();
}

void TCustomGrid::SetDefaultRowHeight(int Value) {
  defaultRowHeight_ = Value;
  std::fill(rowHeights_.begin(), rowHeights_.end(), Value);
  Changed();
}

void TCustomGrid::SetColWidths(int Index, int Value) {
  colWidths_.at(Index) = std::max(0, Value);
  Changed();
}

void TCustomGrid::SetRowHeights(int Index, int Value) {
  rowHeights_.at(Index) = std::max(0, Value);
  Changed();
}

TGridRect TCustomGrid::Selection() const {
  if (options_.Contains(goRowSelect)) return TGridRect{fixedCols_, std::min(anchorRow_, row_), ColCount() - 1, std::max(anchorRow_, row_)};
  return TGridRect{std::min(anchorCol_, col_), std::min(anchorRow_, row_), std::max(anchorCol_, col_), std::max(anchorRow_, row_)};
}

RECT TCustomGrid::CellRect(int ACol, int ARow) {
  auto position = [this](const std::vector<int>& sizes, int fixed, int first, int index, int& at) {
    at = 0;
    if (index < fixed) {
      for (int i = 0; i < index; ++i) at += sizes[i] + gridLineWidth_;
      return true;
    }
    if (index < first) return false;
    for (int i = 0; i < fixed; ++i) at += sizes[i] + gridLineWidth_;
    for (int i = first; i < index; ++i) at += sizes[i] + gridLineWidth_;
    return true;
  };
  int x = 0, y = 0;
  if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return RECT{0, 0, 0, 0};
  if (!position(colWidths_, fixedCols_, leftCol_, ACol, x) || !position(rowHeights_, fixedRows_, topRow_, ARow, y))
    return RECT{0, 0, 0, 0};
  return RECT{x, y, x + colWidths_[ACol], y + rowHeights_[ARow]};
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) {
  auto find = [this](const std::vector<int>& sizes, int fixed, int first, int at) {
    int pos = 0;
    for (int i = 0; i < fixed; ++i) {
      if (at < pos + sizes[i] + gridLineWidth_) return i;
      pos += sizes[i] + gridLineWidth_;
    }
    for (int i = first; i < static_cast<int>(sizes.size()); ++i) {
      if (at < pos + sizes[i] + gridLineWidth_) return i;
      pos += sizes[i] + gridLineWidth_;
    }
    return -1;
  };
  ACol = X < 0 ? -1 : find(colWidths_, fixedCols_, leftCol_, X);
  ARow = Y < 0 ? -1 : find(rowHeights_, fixedRows_, topRow_, Y);
}

int TCustomGrid::VisibleRowCount() {
  RECT r = ClientRect();
  int y = 0;
  for (int i = 0; i < fixedRows_; ++i) y += rowHeights_[i] + gridLineWidth_;
  int n = 0;
  for (int i = topRow_; i < RowCount(); ++i) {
    y += rowHeights_[i] + gridLineWidth_;
    if (y > r.bottom) break;
    ++n;
  }
  return std::max(1, n);
}

int TCustomGrid::VisibleColCount() {
  RECT r = ClientRect();
  int x = 0;
  for (int i = 0; i < fixedCols_; ++i) x += colWidths_[i] + gridLineWidth_;
  int n = 0;
  for (int i = leftCol_; i < ColCount(); ++i) {
    x += colWidths_[i] + gridLineWidth_;
    if (x > r.right) break;
    ++n;
  }
  return std::max(1, n);
}

void TCustomGrid::SetTopRow(int Value) {
  Value = std::clamp(Value, fixedRows_, std::max(fixedRows_, RowCount() - 1));
  if (Value == topRow_) return;
  topRow_ = Value;
  UpdateScrollBars();
  Invalidate();
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TCustomGrid::SetLeftCol(int Value) {
  Value = std::clamp(Value, fixedCols_, std::max(fixedCols_, ColCount() - 1));
  if (Value == leftCol_) return;
  leftCol_ = Value;
  UpdateScrollBars();
  Invalidate();
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

bool TCustomGrid::SelectCell(int ACol, int ARow) {
  bool can = true;
  if (OnSelectCell) OnSelectCell(this, ACol, ARow, can);
  return can;
}

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool Show) {
  ACol = std::clamp(ACol, fixedCols_, std::max(fixedCols_, ColCount() - 1));
  ARow = std::clamp(ARow, fixedRows_, std::max(fixedRows_, RowCount() - 1));
  if (ACol == col_ && ARow == row_) {
    anchorCol_ = col_;
    anchorRow_ = row_;
    return;
  }
  const TControlGuard guard(this);
  if (!SelectCell(ACol, ARow) || guard.Gone()) return;
  col_ = ACol;
  row_ = ARow;
  bool extend = options_.Contains(goRangeSelect) && GetKeyState(VK_SHIFT) < 0;
  if (!extend) {
    anchorCol_ = col_;
    anchorRow_ = row_;
  }
  if (Show) ShowCurrent();
  Invalidate();
  Click();
}

void TCustomGrid::ShowCurrent() {
  if (row_ < topRow_) SetTopRow(row_);
  else if (row_ >= topRow_ + VisibleRowCount()) SetTopRow(row_ - VisibleRowCount() + 1);
  if (!options_.Contains(goRowSelect)) {
    if (col_ < leftCol_) SetLeftCol(col_);
    else if (col_ >= leftCol_ + VisibleColCount()) SetLeftCol(col_ - VisibleColCount() + 1);
  }
}

void TCustomGrid::UpdateScrollBars() {
  if (!HandleAllocated()) return;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, fixedRows_, RowCount() - 1, static_cast<UINT>(VisibleRowCount()), topRow_, 0};
    SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
  }
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) {
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, fixedCols_, ColCount() - 1, static_cast<UINT>(VisibleColCount()), leftCol_, 0};
    SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
  }
}

void TCustomGrid::Scroll(int Bar, int Code) {
  bool vertical = Bar == SB_VERT;
  int pos = vertical ? topRow_ : leftCol_;
  int page = vertical ? VisibleRowCount() : VisibleColCount();
  switch (Code) {
    case SB_LINEUP: --pos; break;
    case SB_LINEDOWN: ++pos; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      if (Code == SB_THUMBTRACK && !options_.Contains(goThumbTracking)) return;
      SCROLLINFO si{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
      GetScrollInfo(Handle(), Bar, &si);
      pos = si.nTrackPos;
      break;
    }
    default: return;
  }
  int last = (vertical ? RowCount() : ColCount()) - page;
  pos = std::clamp(pos, vertical ? fixedRows_ : fixedCols_, std::max(vertical ? fixedRows_ : fixedCols_, last));
  if (vertical) SetTopRow(pos);
  else SetLeftCol(pos);
}

void TCustomGrid::DrawCell(int ACol, int ARow, RECT Rect, TGridDrawState State) {
  if (OnDrawCell) OnDrawCell(this, ACol, ARow, Rect, State);
}

void TCustomGrid::Paint() {
  TCanvas* c = Canvas();
  RECT client = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(client);
  TGridRect sel = Selection();
  auto paintCell = [&](int col, int row) -> bool {
    RECT r = CellRect(col, row);
    if (platform::Empty(r)) return true;
    if (r.left >= client.right || r.top >= client.bottom) return true;
    TGridDrawState state;
    bool fixed = col < fixedCols_ || row < fixedRows_;
    if (fixed) state.Include(gdFixed);
    bool selected = !fixed && col >= sel.Left && col <= sel.Right && row >= sel.Top && row <= sel.Bottom;
    bool focused = col == col_ && row == row_ && Focused();
    if (focused) state.Include(gdFocused);
    if (selected && (!focused || options_.Contains(goDrawFocusSelected) || options_.Contains(goRowSelect)))
      state.Include(gdSelected);
    if (defaultDrawing_) {
      c->Brush()->SetColor(fixed ? fixedColor_ : state.Contains(gdSelected) ? clHighlight : Color());
      c->FillRect(r);
      c->Font()->Assign(Font());
      if (state.Contains(gdSelected)) c->Font()->SetColor(clHighlightText);
    }
    const TControlGuard guard(this);
    DrawCell(col, row, r, state);
    if (guard.Gone()) return false;
    if (defaultDrawing_ && fixed) {
      RECT e = r;
      DrawEdge(c->Handle(), &e, BDR_RAISEDINNER, BF_RECT);
    }
    if (defaultDrawing_ && focused && !options_.Contains(goRowSelect)) c->DrawFocusRect(r);
    return true;
  };
  for (int row = 0; row < RowCount(); ++row) {
    if (row >= fixedRows_ && row < topRow_) continue;
    for (int col = 0; col < ColCount(); ++col) {
      if (col >= fixedCols_ && col < leftCol_) continue;
      if (!paintCell(col, row)) return;
    }
  }
  // Grid lines in the gaps between cells.
  if (gridLineWidth_ > 0) {
    c->Brush()->SetColor(clBtnShadow);
    for (int row = 0; row < RowCount(); ++row) {
      RECT r = CellRect(0, row);
      if (platform::Empty(r) && row >= fixedRows_ && row < topRow_) continue;
      if (platform::Empty(r)) continue;
      bool fixed = row < fixedRows_;
      if (fixed ? options_.Contains(goFixedHorzLine) : options_.Contains(goHorzLine))
        c->FillRect(RECT{0, r.bottom, client.right, r.bottom + gridLineWidth_});
    }
    for (int col = 0; col < ColCount(); ++col) {
      RECT r = CellRect(col, 0);
      if (platform::Empty(r)) continue;
      bool fixed = col < fixedCols_;
      if (fixed ? options_.Contains(goFixedVertLine) : options_.Contains(goVertLine))
        c->FillRect(RECT{r.right, 0, r.right + gridLineWidth_, client.bottom});
    }
  }
  if (options_.Contains(goRowSelect) && Focused()) {
    RECT a = CellRect(fixedCols_, row_);
    RECT b = CellRect(ColCount() - 1, row_);
    if (!platform::Empty(a)) c->DrawFocusRect(RECT{a.left, a.top, platform::Empty(b) ? client.right : b.right, a.bottom});
  }
}

bool TCustomGrid::WantsKey(WORD Key) const {
  if (Key == VK_TAB) return options_.Contains(goTabs);
  return Key == VK_LEFT || Key == VK_RIGHT || Key == VK_UP || Key == VK_DOWN;
}

bool TCustomGrid::KeyMove(WORD Key) {
  bool ctrl = GetKeyState(VK_CONTROL) < 0;
  int page = VisibleRowCount();
  int c = col_, r = row_;
  switch (Key) {
    case VK_UP: --r; break;
    case VK_DOWN: ++r; break;
    case VK_LEFT:
      if (options_.Contains(goRowSelect)) SetLeftCol(leftCol_ - 1);
      else --c;
      break;
    case VK_RIGHT:
      if (options_.Contains(goRowSelect)) SetLeftCol(leftCol_ + 1);
      else ++c;
      break;
    case VK_PRIOR: r -= page; break;
    case VK_NEXT: r += page; break;
    case VK_HOME: if (ctrl) r = fixedRows_; c = fixedCols_; break;
    case VK_END: if (ctrl) r = RowCount() - 1; c = ColCount() - 1; break;
    case VK_TAB:
      if (!options_.Contains(goTabs)) return false;
      c += GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
      break;
    default: return false;
  }
  MoveCurrent(c, r, true);
  return true;
}

int TCustomGrid::ColumnEdgeAt(int X) {
  for (int col = 0; col < ColCount(); ++col) {
    RECT r = CellRect(col, 0);
    if (platform::Empty(r) && col >= fixedCols_) continue;
    if (X >= r.right - 2 && X <= r.right + gridLineWidth_ + 2) return col;
  }
  return -1;
}

void TCustomGrid::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN: {
      const TControlGuard guard(this);
      if (CanFocus() && !Focused()) SetFocus();
      if (guard.Gone()) return;
      int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
      int edge = options_.Contains(goColSizing) ? ColumnEdgeAt(x) : -1;
      int firstRowBottom = fixedRows_ > 0 ? CellRect(0, 0).bottom : 0;
      if (edge >= 0 && y < firstRowBottom) {
        sizingCol_ = edge;
        sizingStart_ = x;
        sizingWidth_ = colWidths_[edge];
        SetMouseCapture(true);
        return;
      }
      int col, row;
      MouseToCell(x, y, col, row);
      controlStyle_.Exclude(csClickEvents);
      if (col >= fixedCols_ && row >= fixedRows_) MoveCurrent(col, row, true);
      if (guard.Gone()) return;
      TCustomControl::WndProc(Message);
      if (guard.Alive()) controlStyle_.Include(csClickEvents);
      return;
    }
    case WM_MOUSEMOVE:
      if (sizingCol_ >= 0) {
        SetColWidths(sizingCol_, std::max(0, sizingWidth_ + GET_X_LPARAM(Message.LParam) - sizingStart_));
        return;
      }
      break;
    case WM_LBUTTONUP:
      if (sizingCol_ >= 0) {
        sizingCol_ = -1;
        SetMouseCapture(false);
        return;
      }
      break;
    case WM_VSCROLL:
      Scroll(SB_VERT, LOWORD(Message.WParam));
      return;
    case WM_HSCROLL:
      if (!Message.LParam) {
        Scroll(SB_HORZ, LOWORD(Message.WParam));
        return;
      }
      break;
    case WM_MOUSEWHEEL:
      TCustomControl::WndProc(Message);
      if (!Message.Result) {
        MoveCurrent(col_, row_ + (GET_WHEEL_DELTA_WPARAM(Message.WParam) > 0 ? -1 : 1), true);
        Message.Result = 1;
      }
      return;
    case WM_SIZE:
      TCustomControl::WndProc(Message);
      UpdateScrollBars();
      return;
    case WM_SETCURSOR:
      if (options_.Contains(goColSizing) && LOWORD(Message.LParam) == HTCLIENT) {
        POINT p{};
        GetCursorPos(&p);
        p = ScreenToClient(p);
        if (ColumnEdgeAt(p.x) >= 0 && fixedRows_ > 0 && p.y < CellRect(0, 0).bottom) {
          ::SetCursor(platform::StockCursor(platform::CursorShape::HSplit));
          Message.Result = 1;
          return;
        }
      }
      break;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}


void TCustomGrid::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_KEYDOWN && KeyMove(static_cast<WORD>(Message.WParam))) return;
  TCustomControl::DefaultHandler(Message);
}

std::string TStringGrid::Cells(int ACol, int ARow) const {
  auto it = cells_.find({ACol, ARow});
  return it == cells_.end() ? std::string() : it->second;
}

void TStringGrid::SetCells(int ACol, int ARow, const std::string& Value) {
  if (Value.empty()) cells_.erase({ACol, ARow});
  else cells_[{ACol, ARow}] = Value;
  RECT r = CellRect(ACol, ARow);
  if (HandleAllocated() && !platform::Empty(r)) InvalidateRect(Handle(), &r, FALSE);
}

TObject* TStringGrid::Objects(int ACol, int ARow) const {
  auto it = objects_.find({ACol, ARow});
  return it == objects_.end() ? nullptr : it->second;
}

void TStringGrid::SetObjects(int ACol, int ARow, TObject* Value) { objects_[{ACol, ARow}] = Value; }

void TStringGrid::DrawCell(int ACol, int ARow, RECT Rect, TGridDrawState State) {
  if (DefaultDrawing()) {
    RECT t = Rect;
    t.left += 2;
    DrawControlText(Canvas(), Cells(ACol, ARow), t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS, true);
  }
  TDrawGrid::DrawCell(ACol, ARow, Rect, State);
}
