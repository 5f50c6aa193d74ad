// Painting of the lower list: each row is painted and measured at once; a height that
// differs from the row's moves the rows below it within the same paint, and the scroll
// pattern follows the rows' heights.

#include "browse/Lowerlistpainter.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "browse/Workcanvas.h"
#include "foundation/Terror.h"
#include "model/Tdiscblock.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tcanvas.h"
#include "platform/forms/Tpaintbox.h"

#include <algorithm>

void TBrowse::DrawLowerListRow(TCanvas& canvas, int row, const RECT& rect) {
  TBrowseState& state = CurrentBrowseState;
  if (!state.HasRow(row)) return;
  const TLowerListRow& listRow = state.Row(row);
  const TBrowseItem* item = listRow.ItemIndex.GetBrowseItem(state.CurrentItem);
  if (!item) return;
  TDiscussion* discussion = GetDiscussion();
  TDiscBlock* block = nullptr;
  if (discussion && item->Kind() == BrowseItem_Block) {
    block = discussion->Storages.GetDiscBlock(item->GetDiscBlockIndex());
    if (IsErrorReported()) return;
  }
  int height = 0;
  switch (listRow.RowType) {
    case LowerListRow_Service:
      height = ServeLinePaint(*item, canvas, rect, row);
      if (height == 0) height = LowerList.ServiceRowHeight();
      break;
    case LowerListRow_Text:
      height = FirstSecondLinesPaint(row, *item, canvas, rect, 1);
      if (IsErrorReported()) return;
      if (block) block->HeightMode1 = uint16_t(height < 0 ? UnmeasuredHeight : std::min<int>(height, UnmeasuredHeight - 1));
      if (height < 1 || !block) return;
      break;
    case LowerListRow_FullText:
      height = FirstSecondLinesPaint(row, *item, canvas, rect, 2);
      if (IsErrorReported()) return;
      if (height <= 0) height = 4;  // an empty text row still takes a little room
      if (block) block->HeightMode2 = uint16_t(std::min<int>(height, UnmeasuredHeight - 1));
      break;
    default:
      TError::Report("TBrowse::DrawLowerListRow - неизвестный тип отрисовываемой строки");
      return;
  }
  if (IsErrorReported()) return;
  TLowerListRow& changed = state.Row(row);
  if (height != changed.Height) {
    changed.Height = height;
    RelayoutLowerListFrom(row, false);
  }
}

int TBrowse::ServeLinePaint(const TBrowseItem& item, TCanvas& canvas, const RECT& rect, int row) {
  return TLowerListPainter(*this, canvas).ServiceRow(item, rect, row);
}

int TBrowse::FirstSecondLinesPaint(int row, const TBrowseItem& item, TCanvas& canvas, const RECT& rect, int mode) {
  return TLowerListPainter(*this, canvas).BlockLines(row, item, rect, mode);
}

void TBrowse::DrawServiceField(TCanvas& canvas, int& x, int y, const std::string& text, int width, int gap) {
  TLowerListPainter(*this, canvas).DrawField(x, y, text, width, gap);
}

const TStrHashItem* TBrowse::GetStrHashItem(const TBrowseItem& item, TDiscussion* discussion) {
  if (item.Kind() != BrowseItem_Block) {
    TError::Report("TBrowse::GetStrHashItem - неправильный тип элемента просмотра");
    return nullptr;
  }
  const TDiscBlockIndex index = item.GetDiscBlockIndex();
  if (!discussion) discussion = GetDiscussion();
  if (index.IsEmpty() || !discussion) {
    TError::Report("TBrowse::GetStrHashItem - тип хранилища не обрабатывается");
    return nullptr;
  }
  return discussion->Storages.GetStrHashItem(index);
}

void TBrowse::RelayoutLowerListFrom(int row, bool deferred) {
  InvalidateLowerListFrom(row >= 0 ? row : CurrentBrowseState.RowCount());
  if (deferred) LowerList.RequestLayout();
  else UpdateScrollPatternHeight();
}

void TBrowse::UpdateScrollPatternHeight() {
  LowerList.LayoutDone();
  if (!Form) return;
  int height = 20;
  const TBrowseState& state = CurrentBrowseState;
  for (int i = 0; i < state.RowCount(); ++i) height += state.Row(i).Height;
  TPaintBox* pattern = Form->PaintBoxLowerListScrollPattern2;
  if (pattern->Height() != height) pattern->SetHeight(height);
}

// Measures a block's row as the list paints it, on the work canvas, for the block's height
// caches: the header row as in brief display, the text row as in full display.
int TBrowse::MeasureDiscBlockRow(TDiscussion& discussion, TDiscBlockIndex block, int level, int mode) {
  TBrowseItem item;
  item.Ident.Kind = BrowseItem_Block;
  item.Ident.Index = block;
  item.Level = int16_t(level);
  item.DisplayMode = mode == 1 ? DisplayMode_Brief : DisplayMode_Full;
  const int width = Form ? Form->PaintBoxLowerList->Width() : 0;
  const RECT rect{0, 0, width > 0 ? width : 640, 1};
  TLowerListPainter painter(*this, WorkCanvas());
  painter.Discussion = &discussion;
  return painter.BlockLines(-2, item, rect, mode);
}
