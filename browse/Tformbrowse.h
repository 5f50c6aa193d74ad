#pragma once
// A browse window: the upper panel with the current item (or the graph in its place),
// beneath it the horizontal menu and the lower list with its narrow scroll box, and a
// band on the right that marks where texts stop being widened. The form is thin: it owns
// its engine and forwards its events to it; of its own it has the dragging of the split
// between the upper panel and the lower list, and the stored window size. Browse windows
// are made, registered and freed by the browse-window manager.

#include "browse/Tbrowse.h"
#include "platform/forms/Tform.h"

class TOpenDialog;
class TPaintBox;
class TPanel;
class TPopupMenu;
class TSaveDialog;
class TScrollBar;
class TScrollBox;
class TToolBar;

// Registry values of the last browse window size.
inline constexpr const char* LastBrowserWindowWidth = "LastBrowserWindowWidth";
inline constexpr const char* LastBrowserWindowHeight = "LastBrowserWindowHeight";

class TFormBrowse : public TForm {
 public:
  explicit TFormBrowse(TComponent* owner);
  ~TFormBrowse() override;

  TPanel* Panel1 = nullptr;  // the whole window but the width limit: upper panel over lower list
  TPanel* PanelUpperBlock = nullptr;
  TScrollBox* ScrollBoxUpperBlock = nullptr;
  TScrollBar* ScrollBarLowerListSBarHider = nullptr;  // hidden; measures the width of a vertical scroll bar
  TPanel* PanelUpperBlockPaintBox = nullptr;
  TPaintBox* PaintBoxUpperBlock = nullptr;
  TPanel* PanelGraph = nullptr;
  TPaintBox* PaintBoxGraph = nullptr;
  TScrollBar* ScrollBarGraphHorz = nullptr;
  TScrollBar* ScrollBarGraphVert = nullptr;
  TPanel* PanelLowerList = nullptr;
  TPanel* PanelMenu = nullptr;
  TPanel* PanelDragAndDrop = nullptr;
  TToolBar* ToolBarHorzMenu = nullptr;
  TPanel* PanelDragMenu = nullptr;
  TPanel* PanelLowerListWithScroller = nullptr;
  TScrollBox* ScrollBoxLowerList2 = nullptr;             // the lower list's scroll bar, right of the list
  TPaintBox* PaintBoxLowerListScrollPattern2 = nullptr;  // as high as the whole list: sets the scroll range
  TPanel* PanelLowerListPaintBox = nullptr;
  TPaintBox* PaintBoxLowerList = nullptr;
  TPanel* PanelWidthLimit = nullptr;
  TPopupMenu* PopupMenuRightClick = nullptr;
  TOpenDialog* OpenDialogCreateModel = nullptr;
  TSaveDialog* _SaveDialogCreateModel = nullptr;  // made with the window; no command opens it
  TSaveDialog* SaveDialogPrint = nullptr;

  TBrowse Browse;

  // Once, after construction: the engine's reset, the panels put in place, the engine
  // bound to the form.
  void SetUp();
  // The settings the window follows; its layout is made again for them.
  void SetBrowsePars(TBrowsePars* settings);

  // The menus: an entry chosen on the tool bar or in a popup runs its command; a tool
  // button lets the mouse go when the pointer leaves it.
  void SmartMenuItemClick(TObject* sender);
  void ToolButtonMouseMove(TObject* sender, TShiftState shift, int x, int y);

  bool SplitDragging() const { return fSplitDragging; }
  bool SizeRestored() const { return fSizeRestored; }
  bool Closed() const { return fClosed; }
  int ScrollBarWidth() const { return fScrollBarWidth; }
  TWindowState LastWindowState() const { return fLastWindowState; }

 private:
  void BuildComponents();
  void ConnectEvents();
  void DisconnectEvents();
  void FormResize();
  void FormCloseQuery(bool& canClose);
  void FormClose(TCloseAction& action);
  void FormActivate();
  void FormKeyDown(WORD& key, TShiftState shift);
  void ScrollPatternPaint();
  void RestoreStoredSize();
  void PlaceDragPanel();
  void PaintLowerList();
  void PaintUpperBlock();
  void UpperBlockResized();
  void GraphPanelResized();
  void GraphScrolled(TScrollBar* bar, int& lastPosition, bool horizontal);

  // The pointer: hover, presses and releases over the lower list and the upper text.
  void LowerListMouseMove(int x, int y);
  void LowerListMouseDown(TMouseButton button, TShiftState shift, int x, int y);
  void LowerListMouseUp(TMouseButton button, TShiftState shift, int x, int y);
  void LeaveLowerList();
  void UpperTextMouseMove(int x, int y);
  void UpperTextMouseDown(TMouseButton button, TShiftState shift, int x, int y);
  // Whether the pointer lies on the visible part of an area of the active window.
  bool PointerOver(TControl* area, int x, int y);

  // The split between the upper panel and the lower list.
  void SplitMouseDown(TControl* pressed, bool withCursor, int y);
  void SplitMouseMove(int y);
  void SplitMouseUp();

  // Dragging blocks out of the window over the drag panel.
  void DragPanelMouseMove(int x, int y);
  void DragPanelMouseUp(TShiftState shift, int x, int y);
  TControl* ControlUnderPointer() const;

  uint8_t fSplitDragging = 0;
  int fDragStartY = 0;
  uint32_t fLastSplitStep = 0;  // message time of the last height change while dragging
  int fScrollBarWidth = 0;
  int fGraphHorzPosition = 0;
  int fGraphVertPosition = 0;
  uint8_t fShown = 0;
  TWindowState fLastWindowState = wsNormal;
  uint8_t fSizeRestored = 0;
  TCursor fSavedCursor = crDefault;
  bool fCursorSaved = false;
  uint8_t fClosed = 0;
  uint8_t fInScrollPaint = 0;
};
