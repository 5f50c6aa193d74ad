#pragma once
// Grids: TDrawGrid (cells the program draws in OnDrawCell; fixed rows and columns that
// stay in place, column widths and row heights of their own, a current cell or whole
// rows selected, keys and the mouse to move, scroll bars) and TStringGrid (texts in
// the cells, drawn by default).

#include <map>
#include <string>
#include <vector>

#include "platform/forms/Tcustomcontrol.h"
#include "platform/forms/Tedit.h"

enum TGridOption {
  goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected, goRowSizing,
  goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect, goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TSet<TGridOption>;
enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;
struct TGridRect {
  int Left, Top, Right, Bottom;
};
using TDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, RECT Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

class TCustomGrid : public TCustomControl {
 public:
  explicit TCustomGrid(TComponent* AOwner);
  int ColCount() const { return static_cast<int>(colWidths_.size()); }
  int RowCount() const { return static_cast<int>(rowHeights_.size()); }
  void SetColCount(int Value);
  void SetRowCount(int Value);
  int FixedCols() const { return fixedCols_; }
  int FixedRows() const { return fixedRows_; }
  void SetFixedCols(int Value);
  void SetFixedRows(int Value);
  int DefaultColWidth() const { return defaultColWidth_; }
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultColWidth(int Value);
  void SetDefaultRowHeight(int Value);
  int ColWidths(int Index) const { return colWidths_.at(Index); }
  void SetColWidths(int Index, int Value);
  int RowHeights(int Index) const { return rowHeights_.at(Index); }
  void SetRowHeights(int Index, int Value);
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int Value) { gridLineWidth_ = Value; Changed(); }
  TGridOptions Options() const { return options_; }
  void SetOptions(TGridOptions Value) { options_ = Value; Changed(); }
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool Value) { defaultDrawing_ = Value; Invalidate(); }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle Value) { scrollBars_ = Value; RecreateWnd(); }
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor Value) { fixedColor_ = Value; Invalidate(); }

  int Col() const { return col_; }
  int Row() const { return row_; }
  void SetCol(int Value) { MoveCurrent(Value, row_, true); }
  void SetRow(int Value) { MoveCurrent(col_, Value, true); }
  TGridRect Selection() const;
  int TopRow() const { return topRow_; }
  int LeftCol() const { return leftCol_; }
  void SetTopRow(int Value);
  void SetLeftCol(int Value);
  int VisibleRowCount();
  int VisibleColCount();
  RECT CellRect(int ACol, int ARow);
  void MouseToCell(int X, int Y, int& ACol, int& ARow);
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnTopLeftChanged;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  virtual void DrawCell(int ACol, int ARow, RECT Rect, TGridDrawState State);
  bool WantsKey(WORD Key) const override;
  void Changed();
  virtual bool SelectCell(int ACol, int ARow);

 private:
  void MoveCurrent(int ACol, int ARow, bool Show);
  void ShowCurrent();
  void UpdateScrollBars();
  void Scroll(int Bar, int Code);
  int ColumnEdgeAt(int X);
  bool KeyMove(WORD Key);

  std::vector<int> colWidths_;
  std::vector<int> rowHeights_;
  int fixedCols_ = 1, fixedRows_ = 1;
  int defaultColWidth_ = 64, defaultRowHeight_ = 24;
  int gridLineWidth_ = 1;
  TGridOptions options_ = {goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
  bool defaultDrawing_ = true;
  TScrollStyle scrollBars_ = ssBoth;
  TColor fixedColor_ = clBtnFace;
  int col_ = 1, row_ = 1;
  int anchorCol_ = 1, anchorRow_ = 1;
  int topRow_ = 1, leftCol_ = 1;
  int sizingCol_ = -1, sizingStart_ = 0, sizingWidth_ = 0;
};

class TDrawGrid : public TCustomGrid {
 public:
  explicit TDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}
};

class TStringGrid : public TDrawGrid {
 public:
  explicit TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) {}
  std::string Cells(int ACol, int ARow) const;
  void SetCells(int ACol, int ARow, const std::string& Value);
  TObject* Objects(int ACol, int ARow) const;
  void SetObjects(int ACol, int ARow, TObject* Value);

 protected:
  void DrawCell(int ACol, int ARow, RECT Rect, TGridDrawState State) override;

 private:
  std::map<std::pair<int, int>, std::string> cells_;
  std::map<std::pair<int, int>, TObject*> objects_;
};
