// The month calendar and its popup: days of months in the grid, the first day of the
// week, moving by months, years and keys, read-only and empty cells, the popup's
// title, buttons and accepting click.

#include <gtest/gtest.h>

#include "Screenfixture.h"
#include "controls/Tpopupcalendar.h"
#include "platform/rtl/Rtl.h"

namespace {

class Calendar : public controlstest::Screen {
 protected:
  void SetUp() override {
    controlstest::Screen::SetUp();
    platform::ResetFormatSettings();
    form = Plain(400, 300);
    cal = new TExCalendar(form);
    cal->SetParent(form);
    cal->SetBounds(10, 10, 210, 140);
    form->Show();
    person.Pump();
  }
  // The seven texts of a week row.
  std::string Week(int Row) {
    std::string s;
    for (int c = 0; c < 7; ++c) s += (c ? "|" : "") + cal->CellText(c, Row);
    return s;
  }
  TForm* form = nullptr;
  TExCalendar* cal = nullptr;
};

TEST_F(Calendar, DaysOfMonthsAndFirstDayOfWeek) {
  EXPECT_TRUE(cal->UseCurrentDate());
  EXPECT_EQ(cal->CalendarDate(), Date());
  EXPECT_EQ(cal->StartOfWeek(), Mon);
  cal->SetCalendarDate(EncodeDate(2024, 2, 10));  // 1 February 2024 is a Thursday
  EXPECT_EQ(Week(0), "Mon|Tue|Wed|Thu|Fri|Sat|Sun");
  EXPECT_EQ(Week(1), "|||1|2|3|4");
  EXPECT_EQ(Week(5), "26|27|28|29|||") << "a leap February";
  EXPECT_EQ(Week(6), "||||||");
  EXPECT_EQ(cal->DaysThisMonth(), 29);
  EXPECT_EQ(cal->Col(), 5);
  EXPECT_EQ(cal->Row(), 2);
  cal->SetCalendarDate(EncodeDate(2023, 2, 1));
  EXPECT_EQ(cal->DaysThisMonth(), 28);
  EXPECT_EQ(Week(5), "27|28|||||");
  cal->SetCalendarDate(EncodeDate(1900, 2, 1));
  EXPECT_EQ(cal->DaysThisMonth(), 28) << "1900 is no leap year";
  cal->SetCalendarDate(EncodeDate(2000, 2, 1));
  EXPECT_EQ(cal->DaysThisMonth(), 29) << "2000 is one";
  // 1 January 2024 is a Monday: column 0 of row 1.
  cal->SetCalendarDate(EncodeDate(2024, 1, 1));
  EXPECT_EQ(Week(1), "1|2|3|4|5|6|7");
  EXPECT_EQ(cal->Col(), 0);
  EXPECT_EQ(cal->Row(), 1);
  // 1 September 2024 is a Sunday, a day before the week starts: column 6 of row 1.
  cal->SetCalendarDate(EncodeDate(2024, 9, 1));
  EXPECT_EQ(Week(1), "||||||1");
  EXPECT_EQ(Week(6), "30||||||") << "a sixth week row";
  EXPECT_EQ(cal->MonthOffset(), -5);
  EXPECT_EQ(cal->Col(), 6);
  cal->SetStartOfWeek(Sun);
  EXPECT_EQ(Week(0), "Sun|Mon|Tue|Wed|Thu|Fri|Sat");
  EXPECT_EQ(Week(1), "1|2|3|4|5|6|7");
  EXPECT_EQ(cal->Col(), 0);
  EXPECT_TRUE(cal->IsWeekend(0, 3));
  EXPECT_FALSE(cal->IsWeekend(6, 3));
  cal->SetWeekends({Sat, Sun});
  EXPECT_TRUE(cal->IsWeekend(6, 3));
  EXPECT_FALSE(cal->UseCurrentDate()) << "an explicit date ends the current date";
}

TEST_F(Calendar, MonthsYearsAndDays) {
  int changes = 0;
  cal->OnChange = [&](TObject*) { ++changes; };
  cal->SetCalendarDate(EncodeDate(2023, 1, 31));
  cal->NextMonth();
  EXPECT_EQ(cal->CalendarDate(), EncodeDate(2023, 2, 28));
  cal->SetCalendarDate(EncodeDate(2024, 1, 31));
  cal->NextMonth();
  EXPECT_EQ(cal->CalendarDate(), EncodeDate(2024, 2, 29));
  cal->NextYear();
  EXPECT_EQ(cal->CalendarDate(), EncodeDate(2025, 2, 28)) << "29 February becomes 28";
  cal->SetCalendarDate(EncodeDate(2024, 3, 31));
  cal->PrevMonth();
  EXPECT_EQ(cal->CalendarDate(), EncodeDate(2024, 2, 29));
  cal->SetCalendarDate(EncodeDate(2024, 1, 15));
  cal->PrevMonth();
  EXPECT_EQ(cal->CalendarDate(), EncodeDate(2023, 12, 15));
  cal->PrevYear();
  EXPECT_EQ(cal->Year(), 2022);
  int before = changes;
  cal->SetDay(32);
  cal->SetDay(0);
  cal->SetMonth(13);
  cal->SetDay(15);
  EXPECT_EQ(changes, before) << "out of range and unchanged values do nothing";
  cal->SetMonth(2);
  EXPECT_EQ(cal->CalendarDate(), EncodeDate(2022, 2, 15));
  EXPECT_FALSE(cal->UseCurrentDate());
  cal->SetCalendarDate(EncodeDate(2024, 3, 31));
  cal->SetMonth(4);
  EXPECT_EQ(cal->Day(), 30) << "the day is cut to the new month";
  // Keys.
  cal->SetFocus();
  cal->SetCalendarDate(EncodeDate(2024, 1, 31));
  person.PressKey(VK_RIGHT);
  person.Pump();
  EXPECT_EQ(cal->CalendarDate(), EncodeDate(2024, 2, 1)) << "over the month's end";
  person.PressKey(VK_LEFT);
  person.PressKey(VK_LEFT);
  person.Pump();
  EXPECT_EQ(cal->CalendarDate(), EncodeDate(2024, 1, 30));
  person.PressKey(VK_ADD);
  person.Pump();
  EXPECT_EQ(cal->Day(), 31);
  person.PressKey(VK_DOWN);
  person.Pump();
  EXPECT_EQ(cal->CalendarDate(), EncodeDate(2024, 1, 31)) << "no day below the last one";
  person.PressKey(VK_UP);
  person.Pump();
  EXPECT_EQ(cal->Day(), 24);
  person.Type("t");
  person.Pump();
  EXPECT_EQ(cal->CalendarDate(), Date());
  cal->SetUseCurrentDate(true);
  EXPECT_EQ(cal->CalendarDate(), Date());
}

TEST_F(Calendar, ClicksReadOnlyAndEmptyCells) {
  cal->SetCalendarDate(EncodeDate(2024, 2, 10));
  RECT r = cal->CellRect(6, 3);  // 18 February
  ClickAt(cal, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  person.Pump();
  EXPECT_EQ(cal->CalendarDate(), EncodeDate(2024, 2, 18));
  r = cal->CellRect(0, 1);  // empty
  ClickAt(cal, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  person.Pump();
  EXPECT_EQ(cal->Day(), 18) << "empty cells are not selected";
  cal->SetReadOnly(true);
  r = cal->CellRect(3, 2);
  ClickAt(cal, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  person.Pump();
  EXPECT_EQ(cal->Day(), 18) << "read-only keeps the selection";
  EXPECT_EQ(cal->Col(), 6);
  EXPECT_EQ(cal->DefaultColWidth(), (cal->ClientWidth() - 6) / 7) << "cells fill the grid";
  // Weekend days are drawn in their colour.
  cal->SetWeekendColor(clBlue);
  person.Pump();
  r = cal->CellRect(5, 2);  // Saturday 10 February is not a weekend
  int blue = 0, red = 0;
  for (int x = r.left; x < r.right; ++x)
    for (int y = r.top; y < r.bottom; ++y) {
      COLORREF p = Pixel(cal, x, y);
      blue += p == ColorToRGB(clBlue);
    }
  r = cal->CellRect(6, 2);  // Sunday 11 February
  for (int x = r.left; x < r.right; ++x)
    for (int y = r.top; y < r.bottom; ++y) red += Pixel(cal, x, y) == ColorToRGB(clBlue);
  EXPECT_EQ(blue, 0);
  EXPECT_GT(red, 0);
}

class PopupCalendar : public controlstest::Screen {};

TEST_F(PopupCalendar, TitleButtonsAndAcceptingClick) {
  TForm* form = Plain(400, 300);
  auto* edit = new TComboEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 10, 150, 21);
  form->Show();
  person.Pump();
  auto* popup = dynamic_cast<TPopupCalendar*>(CreatePopupCalendar(edit));
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->Width(), 187);
  EXPECT_EQ(popup->Height(), 124);
  bool accepted = false, closed = false;
  popup->OnCloseUp = [&](TObject*, bool Accept) {
    closed = true;
    accepted = Accept;
  };
  popup->SetValue(Variant(static_cast<double>(EncodeDate(2024, 2, 29))));
  EXPECT_EQ(popup->TitleLabel()->Caption(), "February, 2024");
  EXPECT_EQ(popup->GetValue().AsDouble(), EncodeDate(2024, 2, 29));
  popup->SetValue(Variant::Null());
  EXPECT_EQ(popup->GetValue().AsDouble(), Date()) << "no value shows today";
  popup->SetValue(Variant("  /  /    "));
  EXPECT_EQ(popup->GetValue().AsDouble(), Date());
  popup->SetValue(Variant("nonsense"));
  EXPECT_EQ(popup->GetValue().AsDouble(), Date());
  popup->SetValue(Variant(static_cast<double>(EncodeDate(2024, 2, 29))));
  auto strings = std::make_unique<TStringList>();
  strings->Add("");
  strings->Add("Back a year");
  strings->Add("Back a month");
  SetupPopupCalendar(popup, Sun, {Sat}, clGreen, strings.get(), true);
  EXPECT_EQ(popup->Calendar()->StartOfWeek(), Sun);
  EXPECT_EQ(popup->Calendar()->WeekendColor(), clGreen);
  EXPECT_TRUE(popup->FourDigitYear());
  EXPECT_EQ(popup->NavButton(0)->Hint(), "Back a year");
  EXPECT_EQ(popup->NavButton(1)->Hint(), "Back a month");
  EXPECT_EQ(popup->NavButton(2)->Hint(), "Следующий месяц|");
  popup->Show(POINT{10, 40});
  person.Pump();
  popup->NavButton(3)->Click();
  EXPECT_EQ(popup->TitleLabel()->Caption(), "February, 2025");
  popup->NavButton(1)->Click();
  EXPECT_EQ(popup->GetValue().AsDouble(), EncodeDate(2025, 1, 28));
  WORD key = VK_NEXT;
  popup->Perform(WM_KEYDOWN, key, 0);
  EXPECT_EQ(popup->GetValue().AsDouble(), EncodeDate(2025, 2, 28));
  popup->Perform(WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(popup->GetValue().AsDouble(), EncodeDate(2025, 3, 1));
  // A click in the header row does not close; one on a day accepts it.
  TLocCalendar* cal = popup->Calendar();
  EXPECT_FALSE(cal->CanFocus());
  RECT r = cal->CellRect(3, 0);
  ClickAt(cal, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  person.Pump();
  EXPECT_FALSE(closed);
  r = cal->CellRect(3, 3);
  std::string day = cal->CellText(3, 3);
  ClickAt(cal, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  person.Pump();
  EXPECT_TRUE(closed);
  EXPECT_TRUE(accepted);
  EXPECT_EQ(std::to_string(cal->Day()), day);
  delete popup;
}

}  // namespace
