// Date edits: the mask of the locale's date, typed dates read and validated, bad
// dates refused, keys, the popup calendar and the date dialog.

#include <gtest/gtest.h>

#include "Screenfixture.h"
#include "controls/Strutils.h"
#include "controls/Tcustomdateedit.h"
#include "controls/Tpopupcalendar.h"
#include "controls/Tselectdatedlg.h"
#include "platform/forms/Dialogscript.h"
#include "platform/rtl/Rtl.h"

namespace {

class DateEdits : public controlstest::Screen {
 protected:
  void SetUp() override {
    controlstest::Screen::SetUp();
    platform::ResetFormatSettings();
    ShortDateFormat = "dd.mm.yyyy";
    DateSeparator = '.';
    form = Plain(400, 300);
    edit = new TDateEdit(form);
    edit->SetParent(form);
    edit->SetBounds(20, 20, 150, 21);
    other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(20, 100, 150, 21);
    form->Show();
    person.Pump();
  }
  void TearDown() override {
    platform::ResetFormatSettings();
    controlstest::Screen::TearDown();
  }
  void Focus(TWinControl* c) {
    c->SetFocus();
    person.Pump();
  }
  TForm* form = nullptr;
  TDateEdit* edit = nullptr;
  TEdit* other = nullptr;
};

TEST_F(DateEdits, MaskTypingAndValidation) {
  EXPECT_EQ(edit->DateFormat(), "DD/MM/YYYY");
  EXPECT_EQ(edit->EditMask(), edit->GetDateMask());
  EXPECT_EQ(edit->DialogTitle(), "Выбор даты");
  EXPECT_EQ(edit->CalendarStyle(), csPopup);
  EXPECT_EQ(edit->Date(), NullDate) << "empty reads as no date";
  Focus(edit);
  person.Type("29022024");
  person.Pump();
  EXPECT_EQ(edit->Text(), "29.02.2024");
  EXPECT_EQ(edit->Date(), EncodeDate(2024, 2, 29));
  edit->SetDate(NullDate);
  EXPECT_EQ(edit->Date(), NullDate);
  EXPECT_EQ(Trim(DelChars(edit->Text(), '.')), "") << "no date empties the text";
  edit->SetDate(EncodeDate(2023, 12, 31));
  EXPECT_EQ(edit->Text(), "31.12.2023");
  // A bad date reads as the default, and is refused when the focus leaves.
  edit->SetText("31.02.2023");
  EXPECT_EQ(edit->Date(), NullDate);
  edit->SetDefaultToday(true);
  EXPECT_EQ(edit->Date(), Date());
  edit->SetDefaultToday(false);
  edit->SetCheckOnExit(true);
  EXPECT_THROW(edit->CheckValidDate(), EConvertError);
  EXPECT_TRUE(edit->Focused()) << "the edit keeps the focus";
  edit->SetText("01.03.2023");
  EXPECT_NO_THROW(edit->CheckValidDate());
  Focus(other);
  EXPECT_EQ(edit->Date(), EncodeDate(2023, 3, 1));
  edit->SetBlanksChar(5);
  EXPECT_EQ(edit->BlanksChar(), ' ') << "never below a blank";
  edit->SetBlanksChar('_');
  EXPECT_EQ(edit->EditMask(), edit->GetDateMask());
  EXPECT_EQ(edit->Date(), EncodeDate(2023, 3, 1)) << "re-masking keeps the date";
  edit->SetYearDigits(dyTwo);
  EXPECT_EQ(edit->DateFormat(), "DD/MM/YY");
  EXPECT_EQ(edit->Text(), "01.03.23");
  EXPECT_EQ(edit->Date(), EncodeDate(2023, 3, 1));
  edit->SetYearDigits(dyDefault);
  // The locale's format changes while the edit is shown.
  ShortDateFormat = "yyyy-mm-dd";
  DateSeparator = '-';
  DateFormatChanged();
  EXPECT_EQ(edit->DateFormat(), "YYYY/MM/DD");
  EXPECT_EQ(edit->Text(), "2023-03-01");
}

TEST_F(DateEdits, KeysOfTheEdit) {
  Focus(edit);
  person.PressKey(VK_ADD);
  person.Pump();
  EXPECT_EQ(edit->Date(), Date() + 1) << "plus on an empty edit gives tomorrow";
  person.PressKey(VK_SUBTRACT);
  person.PressKey(VK_SUBTRACT);
  person.Pump();
  EXPECT_EQ(edit->Date(), Date() - 1);
  edit->SetDate(EncodeDate(2020, 1, 1));
  person.Type("t");
  person.Pump();
  EXPECT_EQ(edit->Date(), Date());
}

TEST_F(DateEdits, PopupCalendar) {
  edit->SetStartOfWeek(Sun);
  edit->SetWeekendColor(clBlue);
  auto hints = std::make_unique<TStringList>();
  for (const char* h : {"a", "b", "c", "d", "e"}) hints->Add(h);
  edit->SetCalendarHints(hints.get());
  EXPECT_EQ(edit->CalendarHints()->Count(), 4) << "at most four hints";
  auto* popup = dynamic_cast<TPopupCalendar*>(edit->Popup());
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->Calendar()->StartOfWeek(), Sun);
  EXPECT_EQ(popup->NavButton(3)->Hint(), "d");
  edit->SetDate(EncodeDate(2024, 2, 10));
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  Focus(edit);
  edit->DoClick();
  person.Pump();
  ASSERT_TRUE(edit->PopupVisible());
  EXPECT_EQ(popup->Calendar()->CalendarDate(), EncodeDate(2024, 2, 10));
  person.PressKey(VK_RIGHT);
  person.PressKey(VK_NEXT);
  person.Pump();
  EXPECT_EQ(popup->Calendar()->CalendarDate(), EncodeDate(2024, 3, 11));
  person.PressKey(VK_RETURN);
  person.Pump();
  EXPECT_FALSE(edit->PopupVisible());
  EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 11));
  EXPECT_GT(changes, 0);
  // The accept event may refuse.
  edit->OnAcceptDate = [](TObject*, TDateTime&, bool& Action) { Action = false; };
  edit->DoClick();
  person.Pump();
  person.PressKey(VK_RIGHT);
  person.PressKey(VK_RETURN);
  person.Pump();
  EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 11));
  edit->OnAcceptDate = nullptr;
  // Dialog style and back: the popup comes back with the week settings.
  edit->SetCalendarStyle(csDialog);
  EXPECT_EQ(edit->Popup(), nullptr);
  platform::DialogScript script;
  script.Answer("Выбор даты", [](TCustomForm& f) {
    auto& dlg = dynamic_cast<TSelectDateDlg&>(f);
    EXPECT_EQ(dlg.Calendar()->StartOfWeek(), Sun);
    EXPECT_EQ(dlg.TitleLabel()->Caption(), "March, 2024");
    dlg.NavButton(2)->Click();
    dlg.SetModalResult(mrOk);
  });
  edit->DoClick();
  person.Pump();
  EXPECT_EQ(edit->Date(), EncodeDate(2024, 4, 11));
  script.Press("Выбор даты", "CancelBtn");
  edit->DoClick();
  person.Pump();
  EXPECT_EQ(edit->Date(), EncodeDate(2024, 4, 11)) << "Cancel leaves the date";
  edit->SetCalendarStyle(csPopup);
  ASSERT_NE(edit->Popup(), nullptr);
  EXPECT_EQ(dynamic_cast<TPopupCalendar*>(edit->Popup())->Calendar()->StartOfWeek(), Sun);
  EXPECT_EQ(dynamic_cast<TPopupCalendar*>(edit->Popup())->Calendar()->WeekendColor(), clBlue);
}

TEST_F(DateEdits, DialogRoutines) {
  platform::DialogScript script;
  script.Answer("Pick", [](TCustomForm& f) {
    auto& dlg = dynamic_cast<TSelectDateDlg&>(f);
    WORD key = VK_NEXT;
    dlg.Perform(WM_KEYDOWN, key, 0);
    EXPECT_EQ(dlg.Date(), EncodeDate(2024, 3, 29));
    dlg.Perform(WM_KEYDOWN, VK_RETURN, 0);
  });
  TDateTime d = EncodeDate(2024, 2, 29);
  EXPECT_TRUE(SelectDate(d, "Pick", Mon, {Sun}, clRed, nullptr));
  EXPECT_EQ(d, EncodeDate(2024, 3, 29));
  script.Press("Pick", "CancelBtn");
  EXPECT_FALSE(SelectDate(d, "Pick", Mon, {Sun}, clRed, nullptr));
  EXPECT_EQ(d, EncodeDate(2024, 3, 29));
  std::string s = "05.06.2022";
  script.Press("Pick", "OkBtn");
  EXPECT_TRUE(SelectDateStr(s, "Pick", Mon, {Sun}, clRed, nullptr));
  EXPECT_EQ(s, "05.06.2022");
  edit->SetLeft(250);
  script.Answer("Выбор даты", [&](TCustomForm& f) {
    EXPECT_EQ(f.Left() + f.Width(), edit->ClientOrigin().x + edit->Width()) << "right edges aligned";
    EXPECT_EQ(f.Top(), edit->ClientOrigin().y + edit->Height() - 1);
    f.SetModalResult(mrOk);
  });
  TDateTime none = NullDate;
  EXPECT_TRUE(PopupDate(none, edit));
  EXPECT_EQ(none, Date()) << "no date shows today";
}

}  // namespace
