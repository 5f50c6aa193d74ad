#include "platform/forms/Tedit.h"

#include <algorithm>

#include "platform/gui/Gui.h"

namespace {

constexpr int kMargin = 2;

bool IsWordChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return std::isalnum(u) || u >= 0xC0 || u == 0xA8 || u == 0xB8 || c == '_';
}

char ToUpper(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
  if (u >= 0xE0) return static_cast<char>(u - 32);
  if (u == 0xB8) return static_cast<char>(0xA8);
  return c;
}

char ToLower(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if (u >= 0xC0 && u <= 0xDF) return static_cast<char>(u + 32);
  if (u == 0xA8) return static_cast<char>(0xB8);
  return c;
}

}  // namespace

TCustomEdit::TCustomEdit(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetColor(clWindow);
  SetCursor(crIBeam);
  controlStyle_ -= TControlStyle{csSetCaption};
  SetBounds(0, 0, 121, 21);
  Relayout();
  AdjustHeight();
}

TCustomEdit::~TCustomEdit() {
  if (measureDc_) {
    SelectObject(measureDc_, measureOld_);
    DeleteDC(measureDc_);
  }
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (borderStyle_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) Params.Style |= WS_VSCROLL;
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) Params.Style |= WS_HSCROLL;
}

// ---- text and layout

const std::string& TCustomEdit::Shown() const {
  if (!passwordChar_ || multiLine_) return text_;
  masked_.assign(text_.size(), passwordChar_);
  return masked_;
}

int TCustomEdit::TextWidthOf(const std::string& Text, int From, int Count) {
  if (!measureDc_) {
    measureDc_ = CreateCompatibleDC(nullptr);
    measureOld_ = SelectObject(measureDc_, Font()->Handle());
  }
  SelectObject(measureDc_, Font()->Handle());
  if (Count <= 0) return 0;
  // Tabs advance to the next stop of eight average characters.
  std::string piece = Text.substr(From, Count);
  if (piece.find('\t') == std::string::npos) {
    SIZE s{};
    GetTextExtentPoint32(measureDc_, piece.data(), static_cast<int>(piece.size()), &s);
    return s.cx;
  }
  SIZE avg{};
  GetTextExtentPoint32(measureDc_, "x", 1, &avg);
  int tab = std::max<int>(1, avg.cx * 8), x = 0;
  size_t begin = 0;
  for (size_t i = 0; i <= piece.size(); ++i) {
    if (i == piece.size() || piece[i] == '\t') {
      SIZE s{};
      GetTextExtentPoint32(measureDc_, piece.data() + begin, static_cast<int>(i - begin), &s);
      x += s.cx;
      if (i < piece.size()) x = (x / tab + 1) * tab;
      begin = i + 1;
    }
  }
  return x;
}

int TCustomEdit::RowHeight() {
  TextWidthOf("", 0, 0);
  TEXTMETRIC tm{};
  GetTextMetrics(measureDc_, &tm);
  return std::max<int>(1, tm.tmHeight);
}

RECT TCustomEdit::TextArea() {
  RECT r = ClientRect();
  if (hasFormatRect_) IntersectRect(&r, &r, &formatRect_);
  InflateRect(&r, -kMargin, multiLine_ ? 0 : 0);
  if (r.right < r.left) r.right = r.left;
  return r;
}

void TCustomEdit::Relayout() {
  rows_.clear();
  LayoutFrom(0);
}

void TCustomEdit::LayoutFrom(size_t Start) {
  const std::string& shown = Shown();
  int width = wordWrap_ && multiLine_ ? std::max<LONG>(1, TextArea().right - TextArea().left) : 0;
  size_t start = Start;
  while (true) {
    size_t end = multiLine_ ? shown.find('\n', start) : std::string::npos;
    size_t lineEnd = end == std::string::npos ? shown.size() : end;
    size_t visibleEnd = lineEnd;
    if (visibleEnd > start && multiLine_ && shown[visibleEnd - 1] == '\r') --visibleEnd;
    if (width > 0) {
      size_t s = start;
      while (true) {
        // The longest piece that fits, broken after a space when there is one.
        size_t fit = s;
        while (fit < visibleEnd && TextWidthOf(shown, static_cast<int>(s), static_cast<int>(fit - s + 1)) <= width) ++fit;
        if (fit >= visibleEnd) {
          rows_.push_back(Row{static_cast<int>(s), static_cast<int>(visibleEnd - s)});
          break;
        }
        size_t brk = fit;
        while (brk > s && shown[brk - 1] != ' ') --brk;
        if (brk == s) brk = std::max(fit, s + 1);
        rows_.push_back(Row{static_cast<int>(s), static_cast<int>(brk - s)});
        s = brk;
      }
    } else {
      rows_.push_back(Row{static_cast<int>(start), static_cast<int>(visibleEnd - start)});
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  UpdateScrollBars();
}

void TCustomEdit::AppendLine(const std::string& Line) {
  const bool separate = !text_.empty() && text_.back() != '\n';
  if (separate) text_ += "\r\n";
  const size_t start = text_.size();
  text_ += Line;
  while (!rows_.empty() && rows_.back().start >= static_cast<int>(start)) rows_.pop_back();
  LayoutFrom(start);
  // The control's own copy of the text grows by the same piece.
  AppendTextValue(separate ? "\r\n" + Line : Line);
  Invalidate();
  Change();
}

int TCustomEdit::RowOf(int Offset) const {
  // The last row that starts at or before the offset; rows are in text order.
  auto after = std::upper_bound(rows_.begin(), rows_.end(), Offset, [](int o, const Row& r) { return o < r.start; });
  return after == rows_.begin() ? 0 : static_cast<int>(after - rows_.begin()) - 1;
}

int TCustomEdit::CharAtPoint(POINT P) {
  RECT area = TextArea();
  int h = RowHeight();
  int row = multiLine_ ? topRow_ + std::max(0, static_cast<int>((P.y - area.top) / h)) : 0;
  row = std::clamp(row, 0, static_cast<int>(rows_.size()) - 1);
  const Row& r = rows_[row];
  const std::string& shown = Shown();
  int x = P.x - area.left + scrollX_ - AlignShift();
  int best = r.start;
  for (int i = 0; i <= r.length; ++i) {
    int w = TextWidthOf(shown, r.start, i);
    int next = i < r.length ? TextWidthOf(shown, r.start, i + 1) : w;
    best = r.start + i;
    if (x < (w + next) / 2 || i == r.length) break;
  }
  return best;
}

int TCustomEdit::AlignShift() {
  if (multiLine_ || textAlignment_ == taLeftJustify || rows_.empty()) return 0;
  RECT area = TextArea();
  int room = (area.right - area.left) - TextWidthOf(Shown(), rows_[0].start, rows_[0].length);
  if (room <= 0) return 0;
  return textAlignment_ == taRightJustify ? room - 1 : room / 2;
}

void TCustomEdit::SetTextAlignment(TAlignment Value) {
  if (Value == textAlignment_) return;
  textAlignment_ = Value;
  UpdateCaret();
  Invalidate();
}

POINT TCustomEdit::PointOfChar(int Offset) {
  RECT area = TextArea();
  int row = RowOf(Offset);
  const Row& r = rows_[row];
  int x = area.left + TextWidthOf(Shown(), r.start, std::min(Offset, r.start + r.length) - r.start) - scrollX_ +
          AlignShift();
  int y = multiLine_ ? area.top + (row - topRow_) * RowHeight()
                     : std::max<LONG>(0, (area.bottom - area.top - RowHeight()) / 2);
  return POINT{x, y};
}

// ---- selection

int TCustomEdit::SelStart() const { return std::min(anchor_, caret_); }
int TCustomEdit::SelLength() const { return std::abs(caret_ - anchor_); }
std::string TCustomEdit::SelText() const { return text_.substr(SelStart(), SelLength()); }

void TCustomEdit::SetSelStart(int Value) {
  Value = std::clamp(Value, 0, static_cast<int>(text_.size()));
  anchor_ = caret_ = Value;
  ScrollToCaret();
  Invalidate();
}

void TCustomEdit::SetSelLength(int Value) {
  int start = SelStart();
  anchor_ = start;
  caret_ = std::clamp(start + Value, 0, static_cast<int>(text_.size()));
  ScrollToCaret();
  Invalidate();
}

void TCustomEdit::SelectAll() {
  anchor_ = 0;
  caret_ = static_cast<int>(text_.size());
  ScrollToCaret();
  Invalidate();
}

void TCustomEdit::SetSelText(const std::string& Value) { Replace(SelStart(), SelStart() + SelLength(), Value, true); }

void TCustomEdit::Replace(int From, int To, const std::string& With, bool Undoable) {
  std::string insert = With;
  if (!multiLine_) {
    // One line: a pasted text stops at its first line break.
    size_t br = insert.find_first_of("\r\n");
    if (br != std::string::npos) insert.resize(br);
  }
  if (charCase_ == ecUpperCase) std::transform(insert.begin(), insert.end(), insert.begin(), ToUpper);
  if (charCase_ == ecLowerCase) std::transform(insert.begin(), insert.end(), insert.begin(), ToLower);
  if (maxLength_ > 0) {
    int room = maxLength_ - (static_cast<int>(text_.size()) - (To - From));
    if (room < static_cast<int>(insert.size())) insert.resize(std::max(0, room));
  }
  if (From == To && insert.empty()) return;
  if (Undoable) {
    undoText_ = text_;
    undoCaret_ = caret_;
    canUndo_ = true;
  }
  text_.replace(From, To - From, insert);
  ++generation_;
  anchor_ = caret_ = From + static_cast<int>(insert.size());
  modified_ = true;
  Relayout();
  ScrollToCaret();
  Invalidate();
  TControl::SetTextValue(text_);
  Change();
}

void TCustomEdit::SetEditText(const std::string& Value, int Caret) {
  undoText_ = text_;
  undoCaret_ = caret_;
  canUndo_ = true;
  text_ = Value;
  ++generation_;
  TControl::SetTextValue(text_);
  anchor_ = caret_ = std::clamp(Caret, 0, static_cast<int>(text_.size()));
  modified_ = true;
  Relayout();
  ScrollToCaret();
  Invalidate();
  Change();
}

void TCustomEdit::SetTextValue(const std::string& Value) {
  std::string v = Value;
  if (charCase_ == ecUpperCase) std::transform(v.begin(), v.end(), v.begin(), ToUpper);
  if (charCase_ == ecLowerCase) std::transform(v.begin(), v.end(), v.begin(), ToLower);
  text_ = v;
  ++generation_;
  TControl::SetTextValue(v);
  anchor_ = caret_ = 0;
  topRow_ = 0;
  scrollX_ = 0;
  canUndo_ = false;
  modified_ = false;
  Relayout();
  UpdateCaret();
  Invalidate();
  Change();
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
  charCase_ = Value;
  if (Value != ecNormal) SetTextValue(text_);
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::Undo() {
  if (!canUndo_ || readOnly_) return;
  std::string previous = undoText_;
  int caret = undoCaret_;
  undoText_ = text_;
  undoCaret_ = caret_;
  text_ = previous;
  ++generation_;
  TControl::SetTextValue(text_);
  anchor_ = caret_ = std::min(caret, static_cast<int>(text_.size()));
  modified_ = true;
  Relayout();
  ScrollToCaret();
  Invalidate();
  Change();
}

void TCustomEdit::CopyToClipboard() {
  if (passwordChar_ || SelLength() == 0) return;
  if (!OpenClipboard(HandleAllocated() ? Handle() : nullptr)) return;
  EmptyClipboard();
  platform::SetClipboardText(SelText());
  CloseClipboard();
}

void TCustomEdit::CutToClipboard() {
  if (readOnly_) return;
  CopyToClipboard();
  if (!passwordChar_) ClearSelection();
}

void TCustomEdit::PasteFromClipboard() {
  if (readOnly_) return;
  if (!OpenClipboard(HandleAllocated() ? Handle() : nullptr)) return;
  std::string text = platform::GetClipboardText();
  CloseClipboard();
  SetSelText(text);
}

int TCustomEdit::WordStart(int Offset) const {
  while (Offset > 0 && !IsWordChar(text_[Offset - 1])) --Offset;
  while (Offset > 0 && IsWordChar(text_[Offset - 1])) --Offset;
  return Offset;
}

int TCustomEdit::WordEnd(int Offset) const {
  int n = static_cast<int>(text_.size());
  while (Offset < n && IsWordChar(text_[Offset])) ++Offset;
  while (Offset < n && !IsWordChar(text_[Offset]) && text_[Offset] != '\r' && text_[Offset] != '\n') ++Offset;
  return Offset;
}

void TCustomEdit::MoveCaret(int Offset, bool Extend) {
  Offset = std::clamp(Offset, 0, static_cast<int>(text_.size()));
  // Never stop between CR and LF.
  if (Offset > 0 && Offset < static_cast<int>(text_.size()) && text_[Offset - 1] == '\r' && text_[Offset] == '\n')
    Offset += Offset > caret_ ? 1 : -1;
  caret_ = Offset;
  if (!Extend) anchor_ = Offset;
  ScrollToCaret();
  Invalidate();
}

void TCustomEdit::ScrollToCaret() {
  if (rows_.empty()) return;
  RECT area = TextArea();
  if (multiLine_) {
    int h = RowHeight();
    int visible = std::max(1, static_cast<int>((area.bottom - area.top) / h));
    int row = RowOf(caret_);
    if (row < topRow_) topRow_ = row;
    if (row >= topRow_ + visible) topRow_ = row - visible + 1;
  }
  if (!wordWrap_) {
    const Row& r = rows_[RowOf(caret_)];
    int x = TextWidthOf(Shown(), r.start, caret_ - r.start);
    int width = area.right - area.left;
    if (x < scrollX_) scrollX_ = std::max(0, x - width / 4);
    if (x > scrollX_ + width - 1) scrollX_ = x - width + width / 4;
  } else {
    scrollX_ = 0;
  }
  UpdateScrollBars();
  UpdateCaret();
}

void TCustomEdit::UpdateCaret() {
  if (!Focused() || rows_.empty()) return;
  POINT p = PointOfChar(caret_);
  SetCaretPos(p.x, p.y);
}

void TCustomEdit::UpdateScrollBars() {
  if (!HandleAllocated() || !multiLine_ || scrollBars_ == ssNone) return;
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
    RECT area = TextArea();
    si.nMax = static_cast<int>(rows_.size()) - 1;
    si.nPage = static_cast<UINT>(std::max<LONG>(1, (area.bottom - area.top) / RowHeight()));
    si.nPos = topRow_;
    SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
  }
  if ((scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && !wordWrap_) {
    RECT area = TextArea();
    const std::string& shown = Shown();
    int widest = 0;
    for (const Row& r : rows_) widest = std::max(widest, TextWidthOf(shown, r.start, r.length));
    SCROLLINFO h{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0,
                 std::max(0, widest + 1), static_cast<UINT>(std::max<LONG>(1, area.right - area.left)), scrollX_, 0};
    SetScrollInfo(Handle(), SB_HORZ, &h, TRUE);
  }
}

void TCustomEdit::Scroll(int Bar, int Code) {
  if (Bar == SB_HORZ) {
    RECT area = TextArea();
    int page = std::max<LONG>(1, area.right - area.left);
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_TRACKPOS, 0, 0, 0, 0, 0};
    GetScrollInfo(Handle(), SB_HORZ, &si);
    switch (Code) {
      case SB_LINELEFT: scrollX_ -= 8; break;
      case SB_LINERIGHT: scrollX_ += 8; break;
      case SB_PAGELEFT: scrollX_ -= page; break;
      case SB_PAGERIGHT: scrollX_ += page; break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION: scrollX_ = si.nTrackPos; break;
      case SB_LEFT: scrollX_ = 0; break;
      default: return;
    }
    scrollX_ = std::clamp(scrollX_, 0, std::max(0, si.nMax - page + 1));
    UpdateScrollBars();
    UpdateCaret();
    Invalidate();
    return;
  }
  if (Bar != SB_VERT) return;
  RECT area = TextArea();
  int page = std::max<LONG>(1, (area.bottom - area.top) / RowHeight());
  int last = std::max(0, static_cast<int>(rows_.size()) - page);
  switch (Code) {
    case SB_LINEUP: --topRow_; break;
    case SB_LINEDOWN: ++topRow_; break;
    case SB_PAGEUP: topRow_ -= page; break;
    case SB_PAGEDOWN: topRow_ += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO si{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
      GetScrollInfo(Handle(), SB_VERT, &si);
      topRow_ = si.nTrackPos;
      break;
    }
    case SB_TOP: topRow_ = 0; break;
    case SB_BOTTOM: topRow_ = last; break;
    default: return;
  }
  topRow_ = std::clamp(topRow_, 0, last);
  UpdateScrollBars();
  UpdateCaret();
  Invalidate();
}

// ---- painting

void TCustomEdit::Paint() {
  TCanvas* c = Canvas();
  RECT client = ClientRect();
  c->Brush()->SetColor(Enabled() || readOnly_ ? Color() : clBtnFace);
  c->FillRect(client);
  HDC dc = c->Handle();
  SelectObject(dc, Font()->Handle());
  RECT area = TextArea();
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  const std::string& shown = Shown();
  int h = RowHeight();
  bool showSel = SelLength() > 0 && (Focused() || !hideSelection_);
  int selA = SelStart(), selB = SelStart() + SelLength();
  SetBkMode(dc, TRANSPARENT);
  for (int i = multiLine_ ? topRow_ : 0; i < static_cast<int>(rows_.size()); ++i) {
    const Row& r = rows_[i];
    POINT p = PointOfChar(r.start);
    if (p.y > area.bottom) break;
    int x = area.left - scrollX_ + AlignShift();
    SetTextColor(dc, Enabled() ? ColorToRGB(Font()->Color()) : GetSysColor(COLOR_GRAYTEXT));
    std::string line = shown.substr(r.start, r.length);
    RECT lineRect{x, p.y, area.right, p.y + h};
    DrawText(dc, line.c_str(), static_cast<int>(line.size()), &lineRect, DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS | DT_NOCLIP);
    if (showSel) {
      int a = std::max(selA, r.start), b = std::min(selB, r.start + r.length);
      bool breakSelected = multiLine_ && selB > r.start + r.length && selA <= r.start + r.length;
      if (a < b || breakSelected) {
        int xa = x + TextWidthOf(shown, r.start, a - r.start);
        int xb = x + TextWidthOf(shown, r.start, b - r.start) + (breakSelected && b == r.start + r.length ? 4 : 0);
        RECT sel{xa, p.y, xb, p.y + h};
        FillRect(dc, &sel, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        std::string piece = shown.substr(a, std::max(0, b - a));
        RECT pr{xa, p.y, xb, p.y + h};
        DrawText(dc, piece.c_str(), static_cast<int>(piece.size()), &pr, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
      }
    }
  }
  c->Refresh();
}

// ---- messages

bool TCustomEdit::WantsKey(WORD Key) const {
  if (Key == VK_LEFT || Key == VK_RIGHT || Key == VK_UP || Key == VK_DOWN) return true;
  if (Key == VK_RETURN) return multiLine_ && wantReturns_;
  if (Key == VK_TAB) return multiLine_ && wantTabs_;
  return false;
}

void TCustomEdit::DoEnter() {
  if (autoSelect_ && !multiLine_ && !(GetKeyState(VK_LBUTTON) < 0)) SelectAll();
  TCustomControl::DoEnter();
}

void TCustomEdit::SetAutoSize(bool Value) {
  autoSize_ = Value;
  AdjustHeight();
}

void TCustomEdit::AdjustHeight() {
  if (!autoSize_ || multiLine_) return;
  SetHeight(RowHeight() + (borderStyle_ == bsSingle ? 8 : 2));
}

void TCustomEdit::FontChanged() {
  if (measureDc_) SelectObject(measureDc_, Font()->Handle());
  AdjustHeight();
  Relayout();
  TCustomControl::FontChanged();
}

void TCustomEdit::BoundsChanged(const RECT& Old) {
  TCustomControl::BoundsChanged(Old);
  if (wordWrap_) Relayout();
}

void TCustomEdit::HandleKey(WORD Key) {
  bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  int row = RowOf(caret_);
  auto vertical = [&](int rows) {
    if (!multiLine_) return;
    POINT p = PointOfChar(caret_);
    if (preferredX_ < 0) preferredX_ = p.x;
    int target = std::clamp(row + rows, 0, static_cast<int>(rows_.size()) - 1);
    int y = TextArea().top + (target - topRow_) * RowHeight();
    int keep = preferredX_;
    int offset = CharAtPoint(POINT{keep, y + 1});
    if (target < topRow_ || target >= topRow_ + 1000) offset = rows_[target].start;
    MoveCaret(offset, shift);
    preferredX_ = keep;
  };
  if (Key != VK_UP && Key != VK_DOWN && Key != VK_PRIOR && Key != VK_NEXT) preferredX_ = -1;
  RECT area = TextArea();
  int page = std::max<LONG>(1, (area.bottom - area.top) / RowHeight());
  switch (Key) {
    case VK_LEFT: MoveCaret(ctrl ? WordStart(caret_) : (!shift && SelLength() ? SelStart() : caret_ - 1), shift); break;
    case VK_RIGHT:
      MoveCaret(ctrl ? WordEnd(caret_) : (!shift && SelLength() ? SelStart() + SelLength() : caret_ + 1), shift);
      break;
    case VK_UP: vertical(-1); break;
    case VK_DOWN: vertical(1); break;
    case VK_PRIOR: vertical(-page); break;
    case VK_NEXT: vertical(page); break;
    case VK_HOME: MoveCaret(ctrl || !multiLine_ ? 0 : rows_[row].start, shift); break;
    case VK_END:
      MoveCaret(ctrl || !multiLine_ ? static_cast<int>(text_.size()) : rows_[row].start + rows_[row].length, shift);
      break;
    case VK_DELETE:
      if (readOnly_) break;
      if (shift) Perform(WM_CUT, 0, 0);
      else if (SelLength()) ClearSelection();
      else if (caret_ < static_cast<int>(text_.size()))
        Replace(caret_, caret_ + (text_.compare(caret_, 2, "\r\n") == 0 ? 2 : 1), "", true);
      break;
    case VK_RETURN:
      // Where Enter belongs to the dialog, Ctrl+Enter still starts a new line.
      if (ctrl && multiLine_ && !wantReturns_ && !readOnly_) SetSelText("\r\n");
      break;
    case VK_INSERT:
      if (ctrl) CopyToClipboard();
      else if (shift) Perform(WM_PASTE, 0, 0);
      break;
    default:
      if (ctrl && Key == 'C') CopyToClipboard();
      // Through the messages, so that a control can take them over.
      else if (ctrl && Key == 'X') Perform(WM_CUT, 0, 0);
      else if (ctrl && Key == 'V') Perform(WM_PASTE, 0, 0);
      else if (ctrl && Key == 'Z') Undo();
      else if (ctrl && Key == 'A') SelectAll();
      break;
  }
}

void TCustomEdit::HandleChar(char Ch) {
  unsigned char u = static_cast<unsigned char>(Ch);
  if (readOnly_) {
    if (u >= 0x20 || Ch == '\b') MessageBeep(0);
    return;
  }
  if (Ch == '\b') {
    if (SelLength()) ClearSelection();
    else if (caret_ > 0)
      Replace(caret_ - (caret_ >= 2 && text_.compare(caret_ - 2, 2, "\r\n") == 0 ? 2 : 1), caret_, "", true);
    return;
  }
  if (Ch == '\r') {
    if (multiLine_ && wantReturns_) SetSelText("\r\n");
    return;
  }
  if (Ch == '\t') {
    if (multiLine_ && wantTabs_) SetSelText("\t");
    return;
  }
  if (u < 0x20 || u == 0x7F) return;
  SetSelText(std::string(1, Ch));
}

void TCustomEdit::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_KEYDOWN:
      HandleKey(static_cast<WORD>(Message.WParam));
      return;
    case WM_CHAR:
      HandleChar(static_cast<char>(Message.WParam));
      return;
    case WM_CUT: CutToClipboard(); return;
    case WM_COPY: CopyToClipboard(); return;
    case WM_PASTE: PasteFromClipboard(); return;
    case WM_CLEAR: if (!readOnly_) ClearSelection(); return;
    case WM_UNDO: Undo(); return;
    case EM_GETRECT:
      if (Message.LParam) *reinterpret_cast<RECT*>(Message.LParam) = TextArea();
      return;
    case EM_SETRECT:
    case EM_SETRECTNP:
      hasFormatRect_ = Message.LParam != 0;
      if (hasFormatRect_) formatRect_ = *reinterpret_cast<const RECT*>(Message.LParam);
      Relayout();
      if (Message.Msg == EM_SETRECT) Invalidate();
      return;
    case WM_LBUTTONDOWN: {
      POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      MoveCaret(CharAtPoint(p), (Message.WParam & MK_SHIFT) != 0);
      selecting_ = true;
      return;
    }
    case WM_LBUTTONDBLCLK: {
      POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      int at = CharAtPoint(p);
      int a = at, b = at;
      while (a > 0 && IsWordChar(text_[a - 1])) --a;
      while (b < static_cast<int>(text_.size()) && IsWordChar(text_[b])) ++b;
      anchor_ = a;
      caret_ = b;
      ScrollToCaret();
      Invalidate();
      return;
    }
    case WM_MOUSEMOVE:
      if (selecting_ && (Message.WParam & MK_LBUTTON)) {
        POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
        MoveCaret(CharAtPoint(p), true);
      }
      return;
    case WM_LBUTTONUP:
      selecting_ = false;
      return;
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
      if (multiLine_) {
        Scroll(SB_VERT, GET_WHEEL_DELTA_WPARAM(Message.WParam) > 0 ? SB_LINEUP : SB_LINEDOWN);
        Message.Result = 1;
        return;
      }
      break;
    case WM_GETDLGCODE:
      return;
    default:
      break;
  }
  TCustomControl::DefaultHandler(Message);
}

void TCustomEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS:
      TCustomControl::WndProc(Message);
      if (HandleAllocated() && Focused()) {
        CreateCaret(Handle(), nullptr, 1, RowHeight());
        UpdateCaret();
        ShowCaret(Handle());
      }
      return;
    case WM_KILLFOCUS:
      DestroyCaret();
      selecting_ = false;
      break;
    case WM_SIZE:
      TCustomControl::WndProc(Message);
      Relayout();
      return;
    case WM_CREATE:
      TCustomControl::WndProc(Message);
      UpdateScrollBars();
      return;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}

TEdit::TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

// ---- memo

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner), lines_(new TMemoStrings(this)) {
  multiLine_ = true;
  wordWrap_ = true;
  wantReturns_ = true;
  SetAutoSelect(false);
  SetBounds(0, 0, 185, 89);
  Relayout();
}

TMemo::~TMemo() { delete lines_; }

void TMemo::SetScrollBars(TScrollStyle Value) {
  scrollBars_ = Value;
  RecreateWnd();
  Relayout();
}

POINT TMemo::CaretPos() {
  std::string text = Text();
  int caret = SelStart() + SelLength();
  int line = 0, start = 0;
  for (int i = 0; i < caret && i < static_cast<int>(text.size()); ++i)
    if (text[i] == '\n') {
      ++line;
      start = i + 1;
    }
  return POINT{caret - start, line};
}

std::vector<std::string> TMemoStrings::Split() const {
  std::vector<std::string> lines;
  std::string text = memo_->Text();
  if (text.empty()) return lines;
  size_t start = 0;
  while (true) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
    if (start == text.size()) break;
  }
  return lines;
}

void TMemoStrings::Join(const std::vector<std::string>& Lines) {
  std::string text;
  for (size_t i = 0; i < Lines.size(); ++i) {
    if (i) text += "\r\n";
    text += Lines[i];
  }
  memo_->SetText(text);
}

std::string TMemoStrings::Get(int Index) const {
  auto lines = Split();
  if (Index < 0 || Index >= static_cast<int>(lines.size())) Error("List index out of bounds (%d)", Index);
  return lines[Index];
}

int TMemoStrings::GetCount() const { return static_cast<int>(Split().size()); }

void TMemoStrings::Put(int Index, const std::string& S) {
  auto lines = Split();
  if (Index < 0 || Index >= static_cast<int>(lines.size())) Error("List index out of bounds (%d)", Index);
  lines[Index] = S;
  Join(lines);
}

int TMemoStrings::Add(const std::string& S) {
  const std::string& text = memo_->TextRef();
  if (countedGeneration_ != memo_->TextGeneration() || countedSize_ > text.size()) {
    countedGeneration_ = memo_->TextGeneration();
    countedSize_ = 0;
    countedBreaks_ = 0;
  }
  // Only what was appended since the last count is read.
  countedBreaks_ += static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(countedSize_), text.end(), '\n'));
  countedSize_ = text.size();
  const int index = countedBreaks_ + (!text.empty() && text.back() != '\n' ? 1 : 0);
  memo_->AppendLine(S);
  return index;
}

void TMemoStrings::Clear() { memo_->SetText(""); }

void TMemoStrings::Delete(int Index) {
  auto lines = Split();
  if (Index < 0 || Index >= static_cast<int>(lines.size())) Error("List index out of bounds (%d)", Index);
  lines.erase(lines.begin() + Index);
  Join(lines);
}

void TMemoStrings::Insert(int Index, const std::string& S) {
  auto lines = Split();
  if (Index < 0 || Index > static_cast<int>(lines.size())) Error("List index out of bounds (%d)", Index);
  lines.insert(lines.begin() + Index, S);
  Join(lines);
}

std::string TMemoStrings::Text() const {
  std::string t = memo_->Text();
  if (!t.empty() && (t.size() < 2 || t.compare(t.size() - 2, 2, "\r\n") != 0)) t += "\r\n";
  return t;
}

void TMemoStrings::SetText(const std::string& Value) {
  std::string v = Value;
  if (v.size() >= 2 && v.compare(v.size() - 2, 2, "\r\n") == 0) v.resize(v.size() - 2);
  else if (!v.empty() && v.back() == '\n') v.pop_back();
  memo_->SetText(v);
}
