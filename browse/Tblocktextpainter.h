#pragma once
// Lays out and draws the text of a block: wrapped to a width at blanks and before "+",
// "-", "*" and "/", references to other blocks (a block name in angle brackets) in a font
// of their own, an optional link text beneath, and the areas where references and the
// link were drawn recorded so that the pointer can find them again.

#include "browse/Thyperrefinfo.h"
#include "platform/forms/Colors.h"
#include "platform/gui/Wintypes.h"

#include <cstdint>
#include <functional>
#include <string>

class TCanvas;
class TFont;

// What of the text is drawn.
enum : int {
  BlockText_AllLines = 0,
  BlockText_FirstLine = 1,      // the first line only
  BlockText_SkipFirstLine = 2,  // the first line is passed over, taking no room
};

// Cuts the next line off the front of a work text (a text that ends in a blank) and
// returns it. A line is the longest piece up to a break that fits the width in the
// canvas's font; a word wider than the width stands alone on its line. The break
// character stays in the text unless it is a blank or a line end (CR, LF or CR LF). In
// compact form a line cut before its end gets "...".
std::string CutBlockTextLine(TCanvas& canvas, std::string& work, int width, bool compact);

class TBlockTextPainter {
 public:
  // Where the drawn references are recorded; null records and highlights nothing.
  THyperRefInfo* Areas = nullptr;
  // Off while a hovered area alone is repainted: the recorded areas stay as they are.
  bool Record = true;
  TColor HoverColor = clBlue;
  // The colour behind a hovered reference (the colour of the block it names).
  std::function<TColor(const std::string& name)> ReferenceColor;

  // Draws a text in the rectangle from `top` down and returns the height it took (at
  // least 1). Areas get the owner given (HyperRefOwner_None: none) and places relative to
  // the rectangle. The compact form is narrower and marks cut lines with "...". The upper
  // panel's text (HyperRefOwner_Upper) keeps an empty line beneath it.
  int Draw(int owner, TCanvas& canvas, TFont* textFont, TFont* referenceFont, const RECT& rect, const std::string& text,
           const std::string& linkText, int indent, int top, int mode, bool compact);

 private:
  bool Recording(int owner) const { return Areas && Record && owner != HyperRefOwner_None; }
  void DrawLine(int owner, TCanvas& canvas, TFont* textFont, TFont* referenceFont, const RECT& rect, std::string line,
                int indent, int y);
  int DrawLink(int owner, TCanvas& canvas, TFont* referenceFont, const RECT& rect, const std::string& link, int indent,
               int y, bool compact);
};
