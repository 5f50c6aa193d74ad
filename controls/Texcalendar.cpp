#include "controls/Texcalendar.h"

#include "platform/gui/Gui.h"
#include "platform/rtl/Rtl.h"

TExCalendar::TExCalendar(TComponent* AOwner) : TCustomGrid(AOwner) {
  SetFixedCols(0);
  SetFixedRows(1);
  SetColCount(7);
  SetRowCount(7);
  SetScrollBars(ssNone);
  auto options = Options();
  options.Exclude(goRangeSelect);
  options.Include(goDrawFocusSelected);
  SetOptions(options);
  controlStyle_.Include(csFramed);
  date_ = Date();
  UpdateCalendar();
}

void TExCalendar::CreateParams(TCreateParams& Params) {
  TCustomGrid::CreateParams(Params);
  Params.Style |= WS_BORDER;
  Params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

int TExCalendar::Year() const { return ExtractYear(date_); }
int TExCalendar::Month() const { return ExtractMonth(date_); }
int TExCalendar::Day() const { return ExtractDay(date_); }

int TExCalendar::DaysThisMonth() const { return DaysPerMonth(Year(), Month()); }

std::string TExCalendar::CellText(int ACol, int ARow) {
  if (ARow == 0) return ShortDayNames[(startOfWeek_ + ACol) % 7];
  int day = monthOffset_ + ACol + (ARow - 1) * 7;
  if (day < 1 || day > DaysThisMonth()) return std::string();
  return std::to_string(day);
}

bool TExCalendar::IsWeekend(int ACol, int /*ARow*/) const {
  return weekends_.Contains(static_cast<TDayOfWeekName>((startOfWeek_ + ACol) % 7));
}

void TExCalendar::ChangeElement(int Element, int Value) {
  if (Value < 1) return;
  int year = Year(), month = Month(), day = Day();
  switch (Element) {
    case 0:
      if (Value == year || Value > 9999) return;
      year = Value;
      day = std::min(day, DaysPerMonth(year, month));  // 29 February of a year with none
      break;
    case 1:
      if (Value > 12 || Value == month) return;
      month = Value;
      day = std::min(day, DaysPerMonth(year, month));
      break;
    default:
      if (Value > DaysThisMonth() || Value == day) return;
      day = Value;
      break;
  }
  date_ = EncodeDate(year, month, day);
  useCurrentDate_ = false;
  CalendarUpdate(Element == 2);
  Change();
}

void TExCalendar::SetCalendarDate(TDateTime Value) {
  if (Value == date_) return;
  date_ = Value;
  useCurrentDate_ = false;  // an explicit date, kept and stored as such
  UpdateCalendar();
  Change();
}

void TExCalendar::SetStartOfWeek(TDayOfWeekName Value) {
  if (Value == startOfWeek_) return;
  startOfWeek_ = Value;
  UpdateCalendar();
}

void TExCalendar::SetWeekends(TDaysOfWeek Value) {
  if (Value == weekends_) return;
  weekends_ = Value;
  UpdateCalendar();
}

void TExCalendar::SetWeekendColor(TColor Value) {
  if (Value == weekendColor_) return;
  weekendColor_ = Value;
  Invalidate();
}

void TExCalendar::SetUseCurrentDate(bool Value) {
  if (Value == useCurrentDate_) return;
  useCurrentDate_ = Value;
  if (Value) {
    date_ = Date();
    UpdateCalendar();
  }
}

void TExCalendar::Change() {
  if (OnChange) OnChange(this);
}

void TExCalendar::CalendarUpdate(bool DayOnly) {
  updating_ = true;
  int first = DayOfWeek(EncodeDate(Year(), Month(), 1));
  monthOffset_ = 2 - ((first - startOfWeek_ + 7) % 7);
  if (monthOffset_ == 2) monthOffset_ = -5;
  int at = Day() - monthOffset_;
  SetCol(at % 7);
  SetRow(at / 7 + 1);
  updating_ = false;
  if (DayOnly && HandleAllocated()) UpdateWindow(Handle());
  else Invalidate();
}

void TExCalendar::ChangeMonth(int Delta) {
  int day = Day();
  uint16_t y = 0, m = 0, d = 0;
  DecodeDate(date_, y, m, d);
  TDateTime edge = Delta > 0 ? EncodeDate(y, m, DaysPerMonth(y, m)) : EncodeDate(y, m, 1);
  TDateTime moved = edge + Delta;
  DecodeDate(moved, y, m, d);
  SetCalendarDate(EncodeDate(y, m, std::min(day, DaysPerMonth(y, m))));
}

void TExCalendar::ChangeYear(int Delta) {
  int year = Year() + Delta;
  if (year < 1 || year > 9999) return;
  // 29 February becomes 28 first.
  SetCalendarDate(EncodeDate(year, Month(), std::min(Day(), DaysPerMonth(year, Month()))));
}

bool TExCalendar::SelectCell(int ACol, int ARow) {
  // The calendar moves its own selection onto days only; cells passed on the way count not.
  if (updating_) return TCustomGrid::SelectCell(ACol, ARow);
  if (readOnly_ || CellText(ACol, ARow).empty()) return false;
  return TCustomGrid::SelectCell(ACol, ARow);
}

void TExCalendar::Click() {
  TCustomGrid::Click();
  if (updating_) return;
  std::string text = CellText(Col(), Row());
  if (!text.empty()) SetDay(std::stoi(text));
}

void TExCalendar::KeyDown(WORD& Key, TShiftState Shift) {
  if (Shift.Empty()) {
    int step = (Key == VK_LEFT || Key == VK_SUBTRACT) ? -1 : (Key == VK_RIGHT || Key == VK_ADD) ? 1 : 0;
    if (step != 0) {
      int day = Day() + step;
      if (day >= 1 && day <= DaysThisMonth()) SetDay(day);
      else SetCalendarDate(date_ + step);
      Key = 0;
      return;
    }
  }
  TCustomGrid::KeyDown(Key, Shift);
}

void TExCalendar::KeyPress(char& Key) {
  if (Key == 'T' || Key == 't') {
    SetCalendarDate(Date());
    Key = 0;
    return;
  }
  TCustomGrid::KeyPress(Key);
}

void TExCalendar::DrawCell(int ACol, int ARow, RECT Rect, TGridDrawState State) {
  TCanvas* c = Canvas();
  std::string text = CellText(ACol, ARow);
  if (ARow > 0 && IsWeekend(ACol, ARow) && !State.Contains(gdSelected)) c->Font()->SetColor(weekendColor_);
  int x = (Rect.left + Rect.right - c->TextWidth(text)) / 2;
  int y = (Rect.top + Rect.bottom - c->TextHeight(text)) / 2;
  c->TextRect(Rect, x, y, text);
}

void TExCalendar::WndProc(TMessage& Message) {
  TCustomGrid::WndProc(Message);
  if (Message.Msg == WM_SIZE) {
    int lines = Options().Contains(goVertLine) ? 6 * GridLineWidth() : 0;
    SetDefaultColWidth(std::max(0, (ClientWidth() - lines) / 7));
    SetDefaultRowHeight(std::max(0, (ClientHeight() - 6 * GridLineWidth()) / 7));
  }
}

// ---- the popup's calendar

TLocCalendar::TLocCalendar(TComponent* AOwner) : TExCalendar(AOwner) {
  SetControlStyle({csCaptureMouse, csClickEvents, csDoubleClicks, csReplicatable});
  SetTabStop(false);
  SetParentColor(true);
  SetCalendarDate(Date());
  SetUseCurrentDate(false);
  SetOptions({goFixedHorzLine});
}

void TLocCalendar::CreateParams(TCreateParams& Params) {
  TExCalendar::CreateParams(Params);
  Params.Style &= ~(WS_BORDER | WS_TABSTOP | WS_DISABLED);
}

void TLocCalendar::WndProc(TMessage& Message) {
  TExCalendar::WndProc(Message);
  // The header row follows the calendar's colour.
  if (Message.Msg == CM_COLORCHANGED || Message.Msg == CM_PARENTCOLORCHANGED) SetFixedColor(Color());
}

void TLocCalendar::DrawCell(int ACol, int ARow, RECT Rect, TGridDrawState State) {
  TExCalendar::DrawCell(ACol, ARow, Rect, State);
  std::string text = CellText(ACol, ARow);
  if (ARow == 0 || text.empty()) return;
  uint16_t y = 0, m = 0, d = 0;
  DecodeDate(Date(), y, m, d);
  if (Year() == y && Month() == m && std::stoi(text) == d) {
    RECT r = Rect;
    Frame3D(Canvas(), r, clBtnShadow, clBtnHighlight, 1);
  }
}
