#include "platform/gui/Drawtext.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gui/Raster.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Text.h"

using namespace platform;

namespace {

// One character of the laid-out text, at its pixel offset within its line.
struct Cell {
  char ch;
  int x;
  bool underline;
};

struct Line {
  std::vector<Cell> cells;
  int width = 0;
};

class Layout {
 public:
  Layout(const FontFace& face, UINT format, int width) : face_(face), format_(format), width_(width) {
    int chars = (format & DT_TABSTOP) ? static_cast<int>((format >> 8) & 0xFF) : 8;
    tab_ = std::max(1, chars) * std::max(1, static_cast<int>(face.Metrics().tmAveCharWidth));
  }

  std::vector<Line> Run(std::string_view text) {
    std::vector<Line> lines(1);
    bool single = format_ & DT_SINGLELINE;
    bool wrap = (format_ & DT_WORDBREAK) && !single;
    bool prefix = !(format_ & DT_NOPREFIX);
    bool underlineNext = false;
    for (size_t i = 0; i < text.size(); ++i) {
      char c = text[i];
      if (!single && (c == '\r' || c == '\n')) {
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        lines.emplace_back();
        continue;
      }
      if (prefix && c == '&') {
        if (i + 1 < text.size() && text[i + 1] == '&') ++i;
        else { underlineNext = true; continue; }
      }
      Append(lines.back(), c, underlineNext && !(format_ & DT_HIDEPREFIX));
      underlineNext = false;
      if (wrap && lines.back().width > width_) Wrap(lines);
    }
    return lines;
  }

  void Ellipsize(Line& line) {
    if (line.width <= width_) return;
    int dots = 3 * face_.Advance('.');
    while (!line.cells.empty() && line.width + dots > width_) {
      line.cells.pop_back();
      line.width = line.cells.empty() ? 0 : line.cells.back().x + face_.Advance(static_cast<unsigned char>(line.cells.back().ch));
    }
    for (int k = 0; k < 3; ++k) Append(line, '.', false);
  }

 private:
  void Append(Line& line, char c, bool underline) {
    if (c == '\t' && (format_ & DT_EXPANDTABS)) {
      line.width = (line.width / tab_ + 1) * tab_;
      return;
    }
    line.cells.push_back(Cell{c, line.width, underline});
    line.width += face_.Advance(static_cast<unsigned char>(c));
  }

  // Moves the last word of the last line to a new line when a space before it allows.
  void Wrap(std::vector<Line>& lines) {
    Line& line = lines.back();
    int space = -1;
    for (int k = static_cast<int>(line.cells.size()) - 1; k >= 0; --k)
      if (line.cells[k].ch == ' ') { space = k; break; }
    if (space < 0) {
      // A single word longer than the line breaks only in edit-control mode.
      if (!(format_ & DT_EDITCONTROL) || line.cells.size() < 2) return;
      Cell last = line.cells.back();
      line.cells.pop_back();
      line.width = last.x;
      Line next;
      Append(next, last.ch, last.underline);
      lines.push_back(next);
      return;
    }
    std::vector<Cell> rest(line.cells.begin() + space + 1, line.cells.end());
    int end = space;
    while (end > 0 && line.cells[end - 1].ch == ' ') --end;
    line.cells.resize(end);
    line.width = end == 0 ? 0 : line.cells.back().x + face_.Advance(static_cast<unsigned char>(line.cells.back().ch));
    Line next;
    for (const Cell& c : rest) Append(next, c.ch, c.underline);
    lines.push_back(next);
  }

  const FontFace& face_;
  UINT format_;
  int width_;
  int tab_;
};

void DrawLine(DeviceContext& dc, const Line& line, int x, int y, int lineHeight, const RECT* clip) {
  const FontFace& face = *dc.Font().face;
  RECT surfaceClip = clip ? dc.ToSurface(*clip) : RECT{};
  Raster raster(dc, clip ? &surfaceClip : nullptr);
  if (dc.state.bkMode == OPAQUE && line.width > 0)
    raster.FillColor(dc.ToSurface(RECT{x, y, x + line.width, y + lineHeight}), PixelFromColor(dc.state.bk), R2_COPYPEN);
  std::string run;
  int runX = 0;
  auto flush = [&] {
    if (!run.empty()) DrawTextRun(dc, x + runX, y, run, clip);
    run.clear();
  };
  for (size_t i = 0; i < line.cells.size(); ++i) {
    const Cell& c = line.cells[i];
    if (run.empty()) runX = c.x;
    else if (c.x != runX + TextWidth(face, run)) { flush(); runX = c.x; }
    run.push_back(c.ch);
  }
  flush();
  std::uint32_t ink = PixelFromColor(dc.state.text);
  for (const Cell& c : line.cells) {
    if (!c.underline) continue;
    POINT p = dc.ToSurface(x + c.x, y + face.UnderlineRow());
    raster.FillColor(RECT{p.x, p.y, p.x + face.Advance(static_cast<unsigned char>(c.ch)), p.y + face.LineThickness()},
                     ink, R2_COPYPEN);
  }
}

}  // namespace

int DrawText(HDC h, const char* text, int length, RECT* r, UINT format) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc || !r) return 0;
  if (!text) length = 0;
  else if (length < 0) length = static_cast<int>(std::strlen(text));
  const FontFace& face = *dc->Font().face;
  const TEXTMETRIC& tm = face.Metrics();
  int lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  int width = std::max(0, static_cast<int>(r->right - r->left));

  Layout layout(face, format, width);
  // An empty text has no line at all.
  std::vector<Line> lines;
  if (length > 0) lines = layout.Run(std::string_view(text, length));
  if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS))
    for (Line& line : lines) layout.Ellipsize(line);
  int height = lineHeight * static_cast<int>(lines.size());

  if (format & DT_CALCRECT) {
    int widest = 0;
    for (const Line& line : lines) widest = std::max(widest, line.width);
    r->right = r->left + widest;
    r->bottom = r->top + height;
    return height;
  }

  int y = r->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) y = r->top + (r->bottom - r->top - lineHeight) / 2;
    else if (format & DT_BOTTOM) y = r->bottom - lineHeight;
  }
  const RECT* clip = (format & DT_NOCLIP) ? nullptr : r;
  for (const Line& line : lines) {
    int x = r->left;
    if (format & DT_CENTER) x = r->left + (width - line.width) / 2;
    else if (format & DT_RIGHT) x = r->right - line.width;
    DrawLine(*dc, line, x, y, lineHeight, clip);
    y += lineHeight;
  }
  if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM))) return y - r->top;
  return height;
}
