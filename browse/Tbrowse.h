#pragma once
// The engine of one browse window: what the window shows now (its current browse state),
// where it came from (the Back history), the rows of the lower list and their geometry,
// the hit areas of its texts, its two menus and its listener. The form only forwards its
// events here.
//
// A row of the lower list is numbered by an int everywhere in the window: a row, a count
// of rows, the selected, hovered, dragged and anchor rows and the owner of a row's hit
// areas; -1 (or another negative number) stands for none. TBrowseState's RowCount, HasRow
// and Row speak that type, so only they meet the unsigned indexes of the rows' array.

#include "browse/Tblockdrag.h"
#include "browse/Tbrowsehistory.h"
#include "browse/Tbrowselistener.h"
#include "browse/Tbrowsestate.h"
#include "browse/Thorzmenupopup.h"
#include "browse/Thyperrefinfo.h"
#include "browse/Tlowerlistview.h"
#include "browse/Trowhover.h"
#include "browse/Tsmartmenu.h"
#include "browse/Tupperpanelheight.h"
#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "model/Modelhooks.h"
#include "model/Tdiscblockindex.h"
#include "platform/forms/Controlmessages.h"
#include "platform/gui/Wintypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TBrowsePars;
class TClip;
class TCanvas;
class TControl;
class TDiscussion;
class TFont;
class TFormBrowse;
class TFormProgress;
struct TDiscBlock;
class TPopupMenu;
struct TStrHashItem;

// The box drawn for one node of the graph at the last paint.
struct TGraphNodePlace {
  TDiscBlockIndex Block;
  int16_t Left = -1, Top = -1, Width = -1, Height = -1;
};

// The deferred requests of TBrowse::SetPaintRequest.
enum : uint8_t { PaintRequest_Scroll = 1, PaintRequest_Layout = 2 };

// The help file of browse windows, in the program's folder.
inline constexpr const char* HelpFileName = "Quillaran.hlp";

class TBrowse : public TRowMeasurer {
 public:
  TBrowse();
  ~TBrowse() override;
  TBrowse(const TBrowse&) = delete;
  TBrowse& operator=(const TBrowse&) = delete;

  TFormBrowse* Form = nullptr;
  TBrowsePars* Settings = nullptr;
  TBrowseState CurrentBrowseState;
  TBrowseHistory History;
  TArray<TGraphNodePlace> GraphPlaces;
  TArray<THorzMenuPopup> Popups;
  TRowHover Hover;  // the service row under the pointer
  THyperRefInfo HitAreas;  // of the texts of the upper panel and of the lower list's rows
  TLowerListView LowerList;
  TUpperPanelHeight UpperPanelHeight;
  uint8_t ModerationMode = 0;
  uint8_t ShowAll = 0;
  uint8_t WindowState = 0;
  TStr RetrievalText;
  TSmartMenu Menu;        // the window menu with the tool bar
  TSmartMenu PopupMenu;
  uint8_t MenuRebuildOnActivation = 0;
  TBrowseListener Listener;
  uint8_t Closing = 0;  // from Done on, and during the close query: notifications are ignored
  TBlockDrag Drag;
  double LastTick = 0;

  // Every field to its reset value.
  void Init();
  // Binds the engine to its form and the window menu to the form's tool bar.
  void SetFormBrowse(TFormBrowse* form);
  // The window closes: the history, the state, the menus and the hit areas go, and
  // notifications no longer reach the engine.
  void Done();

  // The window's discussion (the discussions manager's entry), or null.
  TDiscussion* GetDiscussion() const;
  // Makes the discussion the window's, loading it when needed; -1 for none. False when it
  // could not be loaded (reported); the window then keeps what it had.
  bool SetDiscussionIndex(int index);
  // Moves to another item (Browsemoves.cpp). A folder that holds a discussion opens the
  // discussion on the block the login stood on last, else on its root block; any other
  // item is shown as it is. The Back history gets the present state (a new window's
  // first entry shows nothing); with refresh the lower list is built anew.
  void OpenBrowseItem(const TBrowseItem& item, bool refresh = true);
  // Opens a folder entry of the discussions manager.
  void OpenMonoGroup(int16_t folder);
  // Remembers the item of the selected row for the item shown, under the list kind.
  void SaveUserPosition();
  // Shows a whole state as it is.
  void SetCurrentBrowseState(const TBrowseState& state);
  // Keeps the present state in the Back history (the oldest goes beyond its limit), with
  // the upper panel's height.
  void PushHistory();
  // The central refresh for the current item: with rebuild the lower list, then the
  // caption, the help context and the menus.
  void CurrentBrowseItemChanged(bool rebuild = false);
  // The same with the lower list rebuilt for a change in what its rows show: the selected
  // row stays on the item it showed (or at its place, when that item is gone).
  void RebuildKeepingSelection();
  // The caption of the current state.
  std::string GetFormBrowseCaption() const;
  // The form's help file and context for what the window shows.
  void SetHelpContext();
  // One line naming a block, its fields in columns like those of its service row.
  std::string GetDiscBlockSummary(TDiscBlockIndex block) const;
  // The window's entry in the lists of windows.
  std::string GetStringForWindowsMenu() const;

  // Runs a command of the window on an item (the path in the root item) or on a block
  // name (text), with the two data words of the menu entry.
  void ProcessCommand(const TBrowseItemIndex* path, const TBrowseItem* root, const std::string& text, uint8_t code,
                      TShiftState shift, int32_t data1, int32_t data2);
  // The right-click popups at the pointer: of an item of the window, of a block name.
  void ShowItemPopup(const TBrowseItemIndex& index, const TBrowseItem& root);
  void ShowReferencePopup(const std::string& name);

  // Lower-list rows, all on the current state.
  RECT GetLowerListRowRect(int row) const;
  // The first and last rows at least partly in view; -1 when none.
  int GetFirstVisibleRow() const;
  int GetLastVisibleRow() const;
  // The visible row holding a point of the list paint box and the point within the row.
  bool LowerListHitTest(int x, int y, int& row, POINT& inRow) const;
  void InvalidateLowerList();
  void InvalidateLowerListRow(int row);
  void SelectLowerListRow(int row, bool scroll);
  void InsertLowerListRow(int at, uint8_t rowType, const TBrowseItemIndex& itemIndex, int height);
  void RemoveLowerListRow(int row);
  // Removes the rows showing an item and its children (rows of one type, or all for 0).
  void RemoveRowsOfBrowseItem(uint8_t rowType, const TBrowseItemIndex& item);
  void LowerListChangedFrom(int row);
  // Draws again everything from a row's top to the bottom of the list (row = count: the
  // area below the last row), as one rectangle; rows below the list are never measured.
  void InvalidateLowerListFrom(int row);
  // Scrolling, selection and keys (Lowerlistscrolling.cpp).
  // Carries out the deferred requests: the rows laid out, the selected row scrolled into
  // view (about a third of the list below the top, a whole item at the top).
  void RunDeferredPaintRequests();
  // Asks the next paint of the scroll pattern for a scroll or a layout.
  void SetPaintRequest(uint8_t request);
  // The first row whose top and the last row whose bottom lie in the list; -1 when none.
  int GetFirstFullyVisibleRow() const;
  int GetLastFullyVisibleRow() const;
  // The position of the list's scroll bar; setting it moves the list at once.
  int GetLowerListScrollPos() const;
  void SetLowerListScrollPos(int position);
  // The row's top comes to the top of the list.
  void ScrollRowToTop(int row);
  // Selects the first service row whose item has that identifier; false when none has.
  bool SelectRowByItemIdent(const TBrowseItemIdent& ident, bool scroll);

  // Lower-list builders (Lowerlistbuilders.cpp, Retrievallists.cpp). Each fills the
  // children of the listed item and the rows, and records the list kind.
  // The children of the block at a path below the current item; with an insertion row
  // they are inserted there (a heading unfolded in place), else they make the whole list.
  void BuildLowerList_JustLowerList(TBrowseItemIndex parent, int insertRow);
  void BuildLowerList_MonoGroupChilds(int16_t folder);
  // False when the author has no blocks (the user is told).
  bool BuildLowerList_BlocksOfAuthor(uint8_t moderation);
  // The model block (or the empty reference) where the chain up from the block ends.
  TDiscBlockIndex BuildLowerList_ChainToMonography();
  void BuildLowerList_FormulasForTextTo();
  void BuildLowerList_History();
  void BuildLowerList_ThesisDisputants();
  void BuildLowerList_Experts(int discussion, uint8_t trust, uint8_t ofModeratedComments);
  void BuildLowerList_Retrieval(uint8_t kind, int32_t data, const std::string& text, bool caseSensitive,
                                TFormProgress* progress);
  // Measures a block's header (mode 1) or text row (mode 2) for the row-height caches.
  int MeasureDiscBlockRow(TDiscussion& discussion, TDiscBlockIndex block, int level, int mode) override;

  // The pointer over the lower list and the upper text (Blockdrag.cpp): the hovered
  // service row (selected by the tick after a pause), the cursor, and a quick move of a
  // pressed block row that starts dragging it.
  void LowerListHover(int row, POINT inRow);
  // A menu over the list has closed and left the pointer over some row, where the user did
  // not come to rest: that row is hovered but not selected by the tick.
  void HoverAfterMenu();
  // A drag moves over a control: at the top or bottom edge of this window's list the tick
  // scrolls it.
  void DragMovesOver(TControl* control);
  // A drag from a window (perhaps this one) ends over this window's list.
  void TakeDrop(TBrowse& source);
  // The dragged blocks of the source window are pasted before the target row (or under the
  // current block for -1); moved blocks are erased in the source once copied.
  void DropBlocks(TBrowse& source, int targetRow);
  // The timed work of the tick (Browsetick.cpp).
  void Tick();
  // Reading time of the blocks in view; those in view long enough are marked read.
  void CountReadingTime(int elapsedMs);
  // The reader has read the block (an undo record, notification 3).
  static void MarkRead(TDiscussion& discussion, TDiscBlockIndex block);
  void UpperTextHover(POINT point);
  // The hover ends: the hovered row and the hovered reference are dropped.
  void DropHover();
  void LowerListMouseDown(int row, TMouseButton button, TShiftState shift, POINT inRow);
  // Marked rows (Markedrows.cpp). A left press on a service row: with Alt its item alone
  // is marked, with Ctrl its mark toggles, with Shift the items from the anchor row to it
  // are marked (a beep without an anchor); the row becomes the anchor. A marking press
  // starts no drag.
  void MarkRowsByPress(int row, TShiftState shift);
  // What a command on the item at `path` in `root` works on: when that is the window's
  // current item, its block; otherwise the blocks of the marked service rows, or, when
  // none is marked, of the rows showing the item's block. False when a marked item (or the
  // current item) is not a block.
  bool GetMarkedDiscBlocks(const TBrowseItemIndex& path, const TBrowseItem& root, TArray<TDiscBlockIndex>& blocks);
  // The same collection as identifiers, each once.
  bool GetMarkedBrowseItemIdents(const TBrowseItemIndex& path, const TBrowseItem& root,
                                 TArray<TBrowseItemIdent>& idents);
  void LowerListMouseUp(int row, TMouseButton button, TShiftState shift, POINT inRow);
  void UpperPanelMouseDown(TMouseButton button, TShiftState shift, POINT point);
  // A key of the window (the form takes Alt+F4 before): Backspace goes up, Enter opens
  // the selected item, Space, Page Down and Page Up page, Up and Down (with Shift
  // marking) move the selection, Ctrl+S saves.
  void KeyDown(WORD key, TShiftState shift);

  // Lays out and draws a block's text with its references (see TBlockTextPainter), the
  // areas recorded for the owner while the hit areas record; the height it took.
  int DrawBlockText(TDiscBlockIndex block, int owner, TCanvas& canvas, TFont* textFont, TFont* referenceFont,
                    const RECT& rect, const std::string& text, const std::string& linkText, int indent, int top,
                    int mode, bool compact);
  // The colour of the block that a name in a block's text names; white when none.
  uint32_t GetReferenceColor(TDiscBlockIndex block, const std::string& name);

  // Painting of the upper item (Upperpanel.cpp): the panel takes the height of the text.
  void DrawUpperBrowseItem();

  // Painting of the lower list (Lowerlistpainting.cpp). A row is measured while it is
  // painted: a height that changed lays out the rows below it at once.
  void DrawLowerListRow(TCanvas& canvas, int row, const RECT& rect);
  // The service row of an item; 0 stands for the service-row height.
  int ServeLinePaint(const TBrowseItem& item, TCanvas& canvas, const RECT& rect, int row);
  // The header row (mode 1) or text row (mode 2) of a block; row -2 only measures. -1
  // when nothing was drawn.
  int FirstSecondLinesPaint(int row, const TBrowseItem& item, TCanvas& canvas, const RECT& rect, int mode);
  // The texts of a block item (text, link, formula) of the window's discussion or of the
  // one given; null when reported.
  const TStrHashItem* GetStrHashItem(const TBrowseItem& item, TDiscussion* discussion = nullptr);
  // A text clipped to its field; x moves past the field and the gap.
  void DrawServiceField(TCanvas& canvas, int& x, int y, const std::string& text, int width, int gap);
  // The visible rows from a row down and the area below the last row are drawn again;
  // the scroll pattern follows at once or at the next paint (deferred).
  void RelayoutLowerListFrom(int row, bool deferred);
  // The scroll pattern as high as the rows + 20.
  void UpdateScrollPatternHeight();
  // The graph panel: painting, the pointer and scrolling by a distance in columns and
  // depths (the graph of the window's discussion).
  void GraphPaint();
  void GraphMouseMove(TShiftState shift, POINT point);
  void GraphMouseDown(TMouseButton button, TShiftState shift, POINT point);
  void GraphScroll(int dx, int dy);

  // The user chooses a formula block to compute its conclusion (Formulaselection.cpp): a
  // beep when it has no conclusion it can compute; a faulty formula is told and changes
  // nothing.
  void EvaluateBlockFormula(TDiscBlockIndex formula);
  // Folding of the rows of an item in place (Rowfolding.cpp): a brief item unfolds (a
  // heading lists its children under it, another block shows its full text), a full one
  // folds back. The row is any row of the item.
  void ToggleRowFolding(int row);
  // Every child item showing the block in brief unfolds.
  void UnfoldRowsOfDiscBlock(TDiscBlockIndex block);

  // Blocks written into the discussion (Blockpaste.cpp).
  // The first service row showing the item at the path; the row count when none does.
  int ServiceRowOf(const TBrowseItemIndex& path) const;
  // A block new in the discussion becomes a child item of the current item, its rows
  // inserted at `at` (advanced past them) and its service row selected.
  void ShowNewBlock(TDiscBlockIndex block, uint8_t displayMode, int& at);
  // Pastes the clipboard's blocks under the current block: at the end, or before the
  // clicked row (a path of one step). Each pasted item leaves the clipboard, a cut's
  // source is erased once its copy stands. False after a refusal (told to the user).
  bool Paste(TClip& clip, const TBrowseItemIndex& clicked);

  // Shows a block of the window's discussion: the graph is hidden, the present state goes
  // to the Back history and the block is shown unfolded.
  void GoToDiscBlock(TDiscBlockIndex block);
  // The same for the block of that composed name; the user is told when there is none.
  void GoToReference(const std::string& name);
  // Moves to the next (+1) or previous (-1) sibling of the item's block in list order,
  // wrapping around; a beep when the block is not among its upper block's children.
  void GoToNeighbourBlock(const TBrowseItem& item, int step);
  // Selects the service row of a block; false when no row shows it.
  bool SelectRowByDiscBlock(TDiscBlockIndex block, bool scroll);
  // Removes the rows of blocks in that delete state (not from the list that shows them).
  void RemoveRowsOfBlocksInState(uint8_t deleteFlag);
  // Removes the rows of a block.
  void RemoveRowsOfDiscBlock(TDiscBlockIndex block);

 private:
  void RebuildLowerList();
  void RebuildBlockList();
  // The start of every builder: the rows and the children of the listed item go.
  TBrowseItem* BeginLowerList(uint8_t listKind, const TBrowseItemIndex& listed);
  // The same for a list of the current block; null after the refusal is reported when the
  // window shows no block of a discussion.
  TBrowseItem* BeginBlockList(uint8_t listKind, const char* refusal);
  // Appends (or inserts at `at`, advancing it) the rows of child `position` of an item.
  void AddRowsOfChild(TBrowseItem& parent, const TBrowseItemIndex& parentPath, int position, int* at);
  // Selects the row of the item the user chose last time in this list.
  void RestoreListSelection();
  // The children and rows of a list of blocks shown brief, then the selection.
  void FillBriefBlockList(TDiscussion& discussion, TBrowseItem& listed, const TArray<TDiscBlockIndex>& blocks);
  void RemoveRowsOfBlocksWhere(const std::function<bool(TDiscBlockIndex, const TDiscBlock&)>& doomed);
  bool ResolvesToOrBelow(const TBrowseItemIndex& rowIndex, const TBrowseItemIndex& item) const;
};
