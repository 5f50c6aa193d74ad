#include "browse/Tblocktextpainter.h"

#include "model/Blocknames.h"
#include "platform/forms/Tcanvas.h"

#include <algorithm>
#include <vector>

namespace {

bool EndsLineAt(const std::string& work, size_t i) {
  return i + 1 == work.size() || work[i] == '\r' || work[i] == '\n';
}

bool IsBreakAt(const std::string& work, size_t i) {
  switch (work[i]) {
    case ' ': case '+': case '-': case '*': case '/': return true;
    default: return EndsLineAt(work, i);
  }
}

// Where a valid block name in angle brackets starts at or after `from`, and its length.
size_t FindBlockName(const std::string& line, size_t from, int& length) {
  for (size_t at = line.find('<', from); at != std::string::npos; at = line.find('<', at + 1)) {
    length = GetBlockNameLength(line.c_str() + at);
    if (length > 0) return at;
  }
  return std::string::npos;
}

}  // namespace

std::string CutBlockTextLine(TCanvas& canvas, std::string& work, int width, bool compact) {
  // Prefixes only grow wider, so the scan stops at the first piece that does not fit. When
  // not even the first piece fits, the line runs to its end: a word is never split.
  size_t taken = std::string::npos;
  bool takenEndsLine = false;
  bool overlong = false;
  for (size_t i = 0; i < work.size(); ++i) {
    if (!IsBreakAt(work, i)) continue;
    const bool endsLine = EndsLineAt(work, i);
    // Nothing before a break character is no line: it would never move on.
    if (i == 0 && !endsLine) continue;
    if (!overlong && canvas.TextWidth(work.substr(0, i)) > width) {
      if (taken != std::string::npos) break;
      overlong = true;
    }
    taken = i;
    takenEndsLine = endsLine;
    if (endsLine) break;
  }
  if (taken == std::string::npos) taken = work.size();  // not reached: a work text ends in a blank
  std::string line = work.substr(0, taken);
  if (compact && !takenEndsLine) line += "...";
  work.erase(0, taken);
  if (!work.empty() && work[0] == ' ') {
    work.erase(0, 1);
  } else {
    if (!work.empty() && work[0] == '\r') work.erase(0, 1);
    if (!work.empty() && work[0] == '\n') work.erase(0, 1);
  }
  return line;
}

int TBlockTextPainter::Draw(int owner, TCanvas& canvas, TFont* textFont, TFont* referenceFont, const RECT& rect,
                            const std::string& text, const std::string& linkText, int indent, int top, int mode,
                            bool compact) {
  if (Recording(owner)) Areas->RemoveOwner(owner);
  int width = rect.right - rect.left;
  if (compact) width = int(width * 0.67);
  const int usable = width - indent - indent / 2;
  int y = top;
  if (!(text.empty() && !linkText.empty())) {
    canvas.SetFont(textFont);
    std::string work = text + " ";
    while (!work.empty()) {
      const std::string line = CutBlockTextLine(canvas, work, usable, compact);
      if (mode == BlockText_SkipFirstLine) {
        mode = BlockText_AllLines;
        continue;
      }
      DrawLine(owner, canvas, textFont, referenceFont, rect, line, indent, y);
      y += canvas.TextHeight(line);
      if (mode == BlockText_FirstLine) break;
    }
  }
  if (!linkText.empty()) y += DrawLink(owner, canvas, referenceFont, rect, linkText, indent, y, compact);
  if (owner == HyperRefOwner_Upper) {
    canvas.SetFont(textFont);
    y += canvas.TextHeight(" ");
  }
  return y - top == 0 ? 1 : y - top;
}

void TBlockTextPainter::DrawLine(int owner, TCanvas& canvas, TFont* textFont, TFont* referenceFont, const RECT& rect,
                                 std::string line, int indent, int y) {
  line += " ";
  int x = rect.left + indent;
  const int lineTop = rect.top + y;
  size_t from = 0;
  for (;;) {
    int length = 0;
    const size_t at = FindBlockName(line, from, length);
    if (at == std::string::npos) break;
    const std::string before = line.substr(from, at - from);
    canvas.TextOut(x, lineTop, before);
    x += canvas.TextWidth(before);

    const std::string name = line.substr(at, size_t(length));
    canvas.SetFont(referenceFont);
    const SIZE size = canvas.TextExtent(name);
    if (Areas && owner != HyperRefOwner_None) {
      if (Areas->IsHovered(owner, x - rect.left, lineTop - rect.top, size.cx, size.cy)) {
        canvas.Font()->SetColor(HoverColor);
        const TColor brush = canvas.Brush()->Color();
        canvas.Brush()->SetColor(ReferenceColor ? ReferenceColor(name.substr(1, name.size() - 2)) : clWhite);
        canvas.FillRect(RECT{x, lineTop, x + size.cx, lineTop + size.cy});
        canvas.Brush()->SetColor(brush);
      }
      if (Recording(owner))
        Areas->Add(HyperRef_Reference, owner, x - rect.left, lineTop - rect.top, size.cx, size.cy,
                   TStr(name.substr(1, name.size() - 2)));
    }
    canvas.Brush()->SetStyle(bsClear);
    canvas.TextOut(x, lineTop, name);
    canvas.Brush()->SetStyle(bsSolid);
    x += size.cx;
    from = at + size_t(length);
    canvas.SetFont(textFont);
  }
  canvas.TextOut(x, lineTop, line.substr(from));
}

int TBlockTextPainter::DrawLink(int owner, TCanvas& canvas, TFont* referenceFont, const RECT& rect,
                                const std::string& link, int indent, int y, bool compact) {
  const int maxWidth = int((rect.right - rect.left) * (compact ? 0.7 : 1.0));
  canvas.SetFont(referenceFont);
  std::vector<std::string> pieces;
  std::string rest = link;
  for (int width = canvas.TextWidth(rest); width > maxWidth && !rest.empty(); width = canvas.TextWidth(rest)) {
    // At least one character a piece, so that a width narrower than a character ends.
    const size_t count = std::max<size_t>(1, size_t(int64_t(rest.size()) * std::max(0, maxWidth) / width));
    pieces.push_back(rest.substr(0, count) + (compact ? "..." : ""));
    rest.erase(0, count);
    // The compact form shows the first piece only.
    if (compact) rest.clear();
  }
  if (!rest.empty()) pieces.push_back(rest);
  int widest = 0, height = 0;
  for (const std::string& piece : pieces) {
    const SIZE size = canvas.TextExtent(piece);
    widest = std::max<int>(widest, size.cx);
    height += size.cy;
  }
  if (Areas && owner != HyperRefOwner_None) {
    if (Areas->IsHovered(owner, indent, y, widest, height)) canvas.Font()->SetColor(HoverColor);
    if (Recording(owner)) Areas->Add(HyperRef_Link, owner, indent, y, widest, height, TStr(link));
  }
  int pieceTop = rect.top + y;
  for (const std::string& piece : pieces) {
    canvas.TextOut(rect.left + indent, pieceTop, piece);
    pieceTop += canvas.TextHeight(piece);
  }
  return height;
}
