#pragma once
// Paints the rows of a browse window's lower list: the service row of an item (a block
// with its fields and mark boxes, a folder or discussion, an author) and the header and
// text rows of a block. Each paint returns the height the row took, so that the list can
// lay its rows out again while it paints.

#include "platform/forms/Tgraphicsobject.h"
#include "platform/gui/Wintypes.h"

#include <cstdint>
#include <string>

class TBrowse;
class TCanvas;
class TDiscussion;
struct TBrowseFont;
struct TBrowseItem;
struct TBrowsePars;
struct TDiscBlock;

class TLowerListPainter {
 public:
  TLowerListPainter(TBrowse& browse, TCanvas& canvas);

  // The discussion whose blocks are painted: the window's unless set otherwise.
  TDiscussion* Discussion = nullptr;

  // The service row of an item; 0 stands for the window's service-row height.
  int ServiceRow(const TBrowseItem& item, const RECT& rect, int row);
  // The header row (mode 1) or the text row (mode 2) of a block; -1 when nothing was
  // drawn. Row -2 measures (nothing is recorded or highlighted).
  int BlockLines(int row, const TBrowseItem& item, const RECT& rect, int mode);

  // The text clipped to its field (the field's width, one text height + 1 high); x moves
  // past the field and the gap after it.
  void DrawField(int& x, int y, const std::string& text, int width, int gap);

 private:
  int BlockServiceRow(const TBrowseItem& item, const RECT& rect, int row);
  int FolderServiceRow(const TBrowseItem& item, const RECT& rect, int row);
  int AuthorServiceRow(const TBrowseItem& item, const RECT& rect, int row);
  // Bands of the gradient (or the number) showing the item's level at the row's left.
  void DrawLevel(int level, const RECT& rect, bool withNumber);
  // A box two blanks wide and high, in its colour when its condition holds.
  void DrawMarkBox(int& x, int y, bool holds, uint32_t color, uint32_t background);
  void UseFont(const TBrowseFont& font);
  void UseFont(const TBrowseFont& font, TColor color);

  TBrowse& fBrowse;
  TCanvas& fCanvas;
  const TBrowsePars& fPars;
  TFont fFont;
};

// The settings in force, or the defaults while a window has none.
const TBrowsePars& BrowseParsOrDefaults(const TBrowsePars* settings);
