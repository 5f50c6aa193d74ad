// Numeric edits: values and their texts, typing filters, ranges, locales, focus,
// paste, painting.

#include <gtest/gtest.h>

#include "controls/Tcustomnumedit.h"
#include "platform/rtl/Rtl.h"
#include "tests/platform/forms/Formstest.h"

namespace {

TEST(Numtexts, ValueTextsAndGrouping) {
  platform::ResetFormatSettings();
  EXPECT_EQ(TextToValText(""), "0");
  EXPECT_EQ(TextToValText("-"), "-0");
  EXPECT_EQ(TextToValText("1,234.5  "), "1234.5");
  EXPECT_EQ(TextToValText("  7 "), "7");
  long double v = 0;
  EXPECT_TRUE(IsValidFloat("-1.5E3", v));
  EXPECT_EQ(v, -1500.0L);
  EXPECT_FALSE(IsValidFloat("1.5x", v));
  EXPECT_FALSE(IsValidFloat("1,5", v));
  EXPECT_FALSE(IsValidFloat("--1", v));
  EXPECT_FALSE(IsValidFloat(std::string(70, '1') + "x", v));
  EXPECT_TRUE(IsValidFloat(std::string(300, '1'), v)) << "long texts are cut, not overrun";
  EXPECT_EQ(FormatFloatStr("1234567", true), "1,234,567");
  EXPECT_EQ(FormatFloatStr("-123456.789", true), "-123,456.789");
  EXPECT_EQ(FormatFloatStr("1234E5", true), "1,234E5");
  EXPECT_EQ(FormatFloatStr("123", true), "123");
  EXPECT_EQ(FormatFloatStr("1234567", false), "1234567");
  EXPECT_EQ(FormatFloatStr("", true), "");
  EXPECT_EQ(FormatFloatStr("-", true), "-");
}

class Numedits : public formstest::Screen {
 protected:
  template <class T = TCurrencyEdit>
  T* Make(int x = 20, int y = 20, int w = 150) {
    return Place<T>(x, y, w, 21);
  }
  void Focus(TWinControl* c) {
    c->SetFocus();
    person.Pump();
  }
  void TearDown() override {
    platform::ResetFormatSettings();
    formstest::Screen::TearDown();
  }
};

TEST_F(Numedits, CurrencyDefaults) {
  auto* e = Make();
  EXPECT_EQ(e->ButtonWidth(), 0);
  EXPECT_FALSE(e->ButtonHolder()->Visible()) << "a currency edit has no button";
  EXPECT_EQ(e->DisplayFormat(), "\"$\",0.00;-\"$\",0.00");
  EXPECT_FALSE(e->IsFormatStored());
  EXPECT_EQ(e->DecimalPlaces(), 2);
  EXPECT_EQ(e->Alignment(), taRightJustify);
  EXPECT_TRUE(e->ZeroEmpty());
  EXPECT_TRUE(e->BeepOnError());
  EXPECT_FALSE(e->CheckOnExit());
  e->SetValue(-1234.5L);
  EXPECT_EQ(e->Value(), -1234.5L) << "no range: stored unchanged";
  EXPECT_EQ(e->Text(), "-1234.5");
  EXPECT_EQ(e->DisplayText(), "-$1,234.50");
  e->SetValue(0);
  EXPECT_EQ(e->Text(), "") << "zero shows empty";
  EXPECT_EQ(e->DisplayText(), "$0.00");
  EXPECT_EQ(e->Value(), 0);
  e->SetValue(7.9L);
  EXPECT_EQ(e->AsInteger(), 7);
  e->SetAsInteger(-3);
  EXPECT_EQ(e->Value(), -3);
  e->SetText("12.25");
  EXPECT_EQ(e->Value(), 12.25L);
  EXPECT_THROW(e->SetText("twelve"), EConvertError);
  e->Clear();
  EXPECT_EQ(e->Value(), 0);

  CurrencyString = "р.";
  CurrencyFormat = 3;
  CurrencyDecimals = 0;
  TCurrencyEdit rub(nullptr);
  EXPECT_EQ(rub.DisplayFormat(), ",0 \"р.\";-,0 \"р.\"");
  rub.SetValue(1234567);
  EXPECT_EQ(rub.DisplayText(), "1,234,567 р.");

  auto* buttoned = Make<TCustomNumEdit>(20, 60);
  EXPECT_EQ(buttoned->ButtonWidth(), 20);
  EXPECT_EQ(buttoned->NumGlyphs(), 2);
  EXPECT_EQ(buttoned->GlyphKind(), gkDefault);
  EXPECT_EQ(buttoned->DisplayFormat(), ",0.##");
}

TEST_F(Numedits, TypingIsFiltered) {
  auto* e = Make();
  int changes = 0;
  e->OnChange = [&](TObject*) { ++changes; };
  Focus(e);
  int beeps = platform::BeepCount();
  person.Type("-12x.345");
  person.Pump();
  EXPECT_EQ(e->Text(), "-12.34") << "no letter, no third decimal";
  EXPECT_EQ(platform::BeepCount() - beeps, 2);
  EXPECT_EQ(changes, 6);
  EXPECT_DOUBLE_EQ(static_cast<double>(e->Value()), -12.34);
  e->SetBeepOnError(false);
  person.Type("9");
  person.Pump();
  EXPECT_EQ(platform::BeepCount() - beeps, 2) << "quiet when asked";

  e->SetValue(0);
  e->SetText("");
  person.Type("-");
  person.Pump();
  EXPECT_EQ(e->Text(), "-");
  EXPECT_EQ(e->Value(), 0) << "a lone minus reads as zero";

  e->SetDecimalPlaces(0);
  e->SetDisplayFormat("0");
  e->SetText("");
  person.Type("5.3");
  person.Pump();
  EXPECT_EQ(e->Text(), "5.") << "no digit after the decimal separator";
  e->SetText("");
  person.Type("5,3");
  person.Pump();
  EXPECT_EQ(e->Text(), "5,3") << "a comma is the thousand separator here";
  EXPECT_EQ(e->Value(), 53);
  e->SetDecimalPlaces(4);
  e->SetDisplayFormat("0.####");
  e->SetValue(13);
  EXPECT_EQ(e->Text(), "13");
  EXPECT_EQ(e->DisplayText(), "13");
  e->SetText("");
  person.Type("1.123456");
  person.Pump();
  EXPECT_EQ(e->Text(), "1.1234");
  e->SetText("1.5E3");
  EXPECT_EQ(e->Value(), 1500);

  // Escape puts back the text of the stored value, selected.
  e->SetValue(42);
  person.PressKey(VK_END);
  person.Type("7");
  person.Pump();
  EXPECT_EQ(e->Text(), "427");
  person.PressKey(VK_ESCAPE);
  person.Pump();
  EXPECT_EQ(e->Text(), "42");
  EXPECT_EQ(e->SelLength(), 2);
}

TEST_F(Numedits, RangesClampAndCheckOnExit) {
  auto* e = Make();
  auto* other = Make<TEdit>(20, 100);
  e->SetMinValue(0);
  e->SetMaxValue(10);
  e->SetValue(15);
  EXPECT_EQ(e->Value(), 10) << "clamped without an error";
  e->SetValue(-3);
  EXPECT_EQ(e->Value(), 0);
  Focus(e);
  e->SetText("");
  int beeps = platform::BeepCount();
  person.Type("-");
  person.Pump();
  EXPECT_EQ(e->Text(), "") << "no minus when the range has no negative numbers";
  EXPECT_EQ(platform::BeepCount() - beeps, 1);
  person.Type("15");
  person.Pump();
  EXPECT_EQ(e->Text(), "15");
  Focus(other);
  EXPECT_EQ(e->Value(), 10) << "leaving clamps silently";

  e->SetCheckOnExit(true);
  Focus(e);
  e->SelectAll();
  person.Type("15");
  person.Pump();
  std::string shown;
  platform::DialogScript script;
  script.Answer("TMessageForm", [&](TCustomForm& f) {
    shown = dynamic_cast<TMessageForm&>(f).Message();
    f.SetModalResult(mrOk);
  });
  other->SetFocus();
  person.Pump();
  EXPECT_EQ(shown, "Value must be between 0.00 and 10.00.");
  EXPECT_TRUE(e->Focused()) << "the focus stays";
  EXPECT_EQ(e->Text(), "15") << "the text is kept";
  EXPECT_EQ(e->SelLength(), 2);
  try {
    e->CheckRange();
    ADD_FAILURE() << "no range error";
  } catch (ERangeError& error) {
    EXPECT_EQ(error.Message(), "Value must be between 0.00 and 10.00");
  }
  person.PressKey(VK_BACK);
  person.Type("7");
  person.Pump();
  Focus(other);
  EXPECT_TRUE(other->Focused());
  EXPECT_EQ(e->Value(), 7);

  // One-sided and empty ranges.
  TCurrencyEdit n(nullptr);
  n.SetMinValue(5);
  n.SetValue(1);
  EXPECT_EQ(n.Value(), 5) << "max 0 below min 5: a lower bound only";
  n.SetValue(1000);
  EXPECT_EQ(n.Value(), 1000);
  TCurrencyEdit m(nullptr);
  m.SetMaxValue(-5);
  m.SetValue(3);
  EXPECT_EQ(m.Value(), -5) << "min 0 above max -5: an upper bound only";
  m.SetValue(-100);
  EXPECT_EQ(m.Value(), -100);
  TCurrencyEdit k(nullptr);
  k.SetMinValue(5);
  k.SetMaxValue(3);
  k.SetValue(100);
  EXPECT_EQ(k.Value(), 100) << "max below min, neither 0: nothing clamped";
  k.SetValue(-100);
  EXPECT_EQ(k.Value(), -100);
}

TEST_F(Numedits, OtherLocaleSeparators) {
  DecimalSeparator = ',';
  ThousandSeparator = '.';
  auto* e = Make();
  Focus(e);
  person.Type("1.5,25");
  person.Pump();
  EXPECT_EQ(e->Text(), "1.5,25") << "the thousand separator is not turned into the decimal one";
  EXPECT_EQ(e->Value(), 15.25L);
  e->SetText("1.234,5");
  EXPECT_EQ(e->Value(), 1234.5L);
  EXPECT_EQ(e->Text(), "1234,5");
  EXPECT_EQ(TextToValText("1.234,5"), "1234,5");
}

TEST_F(Numedits, UnreadableTextsAndPaste) {
  auto* e = Make();
  e->SetMinValue(-1);
  e->SetMaxValue(100);
  Focus(e);
  e->SetValue(5);
  OpenClipboard(nullptr);
  platform::SetClipboardText("12abc");
  CloseClipboard();
  int beeps = platform::BeepCount();
  e->SelectAll();
  person.PressKey('V', false, true);
  person.Pump();
  EXPECT_EQ(e->Text(), "5") << "a paste that is no number is taken back";
  EXPECT_EQ(platform::BeepCount() - beeps, 1);
  OpenClipboard(nullptr);
  platform::SetClipboardText("250");
  CloseClipboard();
  e->SelectAll();
  person.PressKey('V', false, true);
  person.Pump();
  EXPECT_EQ(e->Text(), "250");
  EXPECT_EQ(e->Value(), 100);
  // Text put in place by the program that is no number: the value becomes the minimum.
  static_cast<TControl*>(e)->SetText("x1");
  EXPECT_EQ(e->Value(), -1);
}

TEST_F(Numedits, FocusedAndUnfocusedLooks) {
  auto* e = Make();
  auto* other = Make<TEdit>(20, 100);
  e->SetValue(1234.5L);
  Focus(other);
  // Unfocused: the display text painted right-aligned.
  auto inked = [&](int from, int to) {
    int n = 0;
    for (int x = from; x < to; ++x)
      for (int y = 2; y < e->ClientHeight() - 2; ++y) n += Pixel(e, x, y) != ColorToRGB(e->Color());
    return n;
  };
  int w = e->ClientWidth();
  EXPECT_EQ(inked(0, w / 3), 0) << "nothing on the left";
  EXPECT_GT(inked(w - w / 3, w), 0);
  Focus(e);
  EXPECT_EQ(e->Text(), "1234.5");
  EXPECT_GT(inked(0, w / 3), 0) << "focused: the plain text from the left";
  e->SetAlignment(taLeftJustify);
  Focus(other);
  EXPECT_GT(inked(0, w / 3), 0);
  EXPECT_EQ(inked(w - w / 3, w), 0);
  e->SetEnabled(false);
  person.Pump();
  bool grey = false;
  for (int x = 0; x < w && !grey; ++x)
    for (int y = 0; y < e->ClientHeight() && !grey; ++y) grey = Pixel(e, x, y) == ColorToRGB(clGrayText);
  EXPECT_TRUE(grey) << "disabled text is grey";
}

TEST_F(Numedits, ReadOnlyBorderlessYear) {
  // As the author dialog shows a year of birth.
  auto* e = Make();
  auto* other = Make<TEdit>(20, 100);
  e->SetReadOnly(true);
  e->SetBorderStyle(bsNone);
  e->SetDecimalPlaces(0);
  e->SetDisplayFormat("0");
  e->SetValue(1975);
  EXPECT_EQ(e->DisplayText(), "1975");
  Focus(e);
  person.Type("2");
  person.PressKey(VK_BACK);
  person.Pump();
  EXPECT_EQ(e->Text(), "1975");
  Focus(other);
  EXPECT_EQ(e->Value(), 1975);
  EXPECT_EQ(e->AsInteger(), 1975);
  // The pointer engine's tuning values: four decimals shown without trailing zeros.
  auto* tuning = Make(20, 150);
  tuning->SetDecimalPlaces(4);
  tuning->SetDisplayFormat("0.####");
  tuning->SetValue(0.125L);
  EXPECT_EQ(tuning->DisplayText(), "0.125");
  EXPECT_EQ(tuning->Text(), "0.125");
  tuning->SetValue(2);
  EXPECT_EQ(tuning->DisplayText(), "2");
}

TEST_F(Numedits, FormatOnEditing) {
  auto* e = Make();
  e->SetFormatOnEditing(true);
  Focus(e);
  e->SetText("");
  person.Type("1234567");
  person.Pump();
  EXPECT_EQ(e->Text(), "1,234,567");
  EXPECT_EQ(e->SelStart(), 9) << "the caret stays after the last digit";
  EXPECT_EQ(e->Value(), 1234567);
  person.Type(".5");
  person.Pump();
  EXPECT_EQ(e->Text(), "1,234,567.5");
  EXPECT_EQ(e->TCustomComboEdit::Alignment(), taRightJustify) << "the typed number stands right";
  int w = e->ClientWidth(), ink = 0;
  for (int x = 0; x < w / 4; ++x)
    for (int y = 2; y < e->ClientHeight() - 2; ++y) ink += Pixel(e, x, y) != ColorToRGB(e->Color());
  EXPECT_EQ(ink, 0);
  e->SetFormatOnEditing(false);
  EXPECT_EQ(e->Text(), "1234567.5");
}

}  // namespace
