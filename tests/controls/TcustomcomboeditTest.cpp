// Combo edits: the button inside the edit, its glyphs and keys, read-only handling,
// the popup's placement, opening and closing.

#include <gtest/gtest.h>

#include "controls/Tcustomcomboedit.h"
#include "tests/platform/forms/Formstest.h"

namespace {

class TListPopup : public TPopupWindow {
 public:
  explicit TListPopup(TCustomComboEdit* AOwner) : TPopupWindow(AOwner) { SetBounds(0, 0, 120, 80); }
  Variant GetValue() override { return Variant(value); }
  void SetValue(const Variant& Value) override {
    value = VarToStr(Value);
    received = Value;
  }
  std::string value;
  Variant received;
};

class TPopupEdit : public TCustomComboEdit {
 public:
  explicit TPopupEdit(TComponent* AOwner) : TCustomComboEdit(AOwner) {
    list = new TListPopup(this);
    popup_ = list;
    list->OnCloseUp = [this](TObject* Sender, bool Accept) { PopupCloseUp(Sender, Accept); };
  }
  ~TPopupEdit() override {
    list->OnCloseUp = nullptr;
    popup_ = nullptr;
  }
  using TCustomComboEdit::PopupDropDown;
  void PopupChange() override { ++popupChanges; }
  TListPopup* list;
  int popupChanges = 0;
};

class Comboedits : public formstest::Screen {
 protected:
  template <class T>
  T* Make(int x = 20, int y = 20, int w = 150) {
    return Place<T>(x, y, w, 21);
  }
  void ClickButton(TCustomComboEdit* e) {
    TControl* b = e->Button();
    POINT p = b->ClientToScreen(POINT{b->Width() / 2, b->Height() / 2});
    person.Click(p.x, p.y);
    person.Pump();
  }
};

TEST_F(Comboedits, ButtonWidthAndGlyphKinds) {
  auto* e = Make<TComboEdit>();
  EXPECT_EQ(e->ButtonWidth(), 21);
  EXPECT_FALSE(e->BtnWidthStored());
  EXPECT_TRUE(e->ButtonHolder()->Visible());
  EXPECT_EQ(e->ButtonHolder()->Left() + e->ButtonHolder()->Width(), e->ClientWidth()) << "inside the right edge";
  RECT text{};
  e->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  EXPECT_LE(text.right, e->ClientWidth() - 21 - 2) << "the text stays clear of the button";
  e->SetButtonWidth(1);
  EXPECT_FALSE(e->ButtonHolder()->Visible());
  e->SetButtonWidth(0);
  EXPECT_FALSE(e->ButtonHolder()->Visible());
  e->SetButtonWidth(30);
  EXPECT_TRUE(e->ButtonHolder()->Visible());
  EXPECT_EQ(e->ButtonHolder()->Width(), 30);
  e->SetButtonWidth(e->ClientWidth());
  EXPECT_EQ(e->ButtonWidth(), 30) << "a width not below the client width is ignored";

  EXPECT_TRUE(e->BtnWidthStored());
  e->SetGlyphKind(gkDropDown);
  EXPECT_EQ(e->ButtonWidth(), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_FALSE(e->BtnWidthStored());
  EXPECT_EQ(e->NumGlyphs(), 1);
  EXPECT_EQ(e->Glyph()->Height(), 4);
  e->SetGlyphKind(gkEllipsis);
  e->SetButtonWidth(20);
  EXPECT_EQ(e->Glyph()->Width(), 14);
  EXPECT_EQ(e->Glyph()->Height(), 4);
  // Gap 3 at width 14: dots at 1, 6 and 11, on rows 1 and 2.
  TCanvas* g = e->Glyph()->Canvas();
  for (int x : {1, 2, 6, 7, 11, 12}) EXPECT_EQ(ColorToRGB(g->Pixels(x, 1)), RGB(0, 0, 0)) << x;
  EXPECT_EQ(ColorToRGB(g->Pixels(3, 1)), RGB(255, 255, 255));
  EXPECT_EQ(ColorToRGB(g->Pixels(1, 0)), RGB(255, 255, 255));
  person.Pump();
  // The dots show on the button.
  TControl* b = e->Button();
  int dark = 0;
  for (int y = 2; y < b->Height() - 2; ++y)
    for (int x = 2; x < b->Width() - 2; ++x) dark += Pixel(b, x, y) == RGB(0, 0, 0);
  EXPECT_EQ(dark, 12) << "inside the frame";
  EXPECT_EQ(Pixel(b, 0, 5), ColorToRGB(clBtnFace)) << "the button's left edge blends with the edit";
  EXPECT_EQ(Pixel(b, 1, 5), ColorToRGB(clBtnHighlight));
  auto* custom = new TBitmap;
  custom->SetSize(10, 10);
  e->SetGlyph(custom);
  delete custom;
  EXPECT_EQ(e->GlyphKind(), gkCustom);
}

TEST_F(Comboedits, ButtonClicksKeysAndReadOnly) {
  auto* e = Make<TComboEdit>();
  int clicks = 0;
  e->OnButtonClick = [&](TObject*) { ++clicks; };
  ClickButton(e);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(e->Focused()) << "the button focuses its edit";
  person.PressKey(VK_DOWN, false, false, true);
  person.Pump();
  EXPECT_EQ(clicks, 2) << "Alt+Down";
  person.PressKey(VK_DOWN);
  person.Pump();
  EXPECT_EQ(clicks, 2);

  person.Type("abc");
  person.Pump();
  EXPECT_EQ(e->Text(), "abc");
  e->SetReadOnly(true);
  ClickButton(e);
  person.PressKey(VK_DOWN, false, false, true);
  person.Type("x");
  person.Pump();
  EXPECT_EQ(clicks, 2) << "read-only: no button, no Alt+Down";
  EXPECT_EQ(e->Text(), "abc");
  OpenClipboard(nullptr);
  platform::SetClipboardText("zz");
  CloseClipboard();
  e->SelectAll();
  person.PressKey('V', false, true);
  person.PressKey('X', false, true);
  person.Pump();
  EXPECT_EQ(e->Text(), "abc") << "no paste or cut";
  e->SetAlwaysEnable(true);
  ClickButton(e);
  EXPECT_EQ(clicks, 3) << "unless the button is always enabled";
  e->SetReadOnly(false);
  e->SetDirectInput(false);
  person.Type("q");
  person.Pump();
  EXPECT_EQ(e->Text(), "abc") << "no typing without direct input";
  e->SetDirectInput(true);
  e->SelectAll();
  person.PressKey('V', false, true);
  person.Pump();
  EXPECT_EQ(e->Text(), "zz");
  e->SetClickKey(scCtrl | VK_RETURN);
  person.PressKey(VK_RETURN, false, true);
  person.Pump();
  EXPECT_EQ(clicks, 4);
  e->SetEnabled(false);
  EXPECT_FALSE(e->Button()->Enabled()) << "the button follows the edit";
}

TEST_F(Comboedits, AlignedText) {
  auto* e = Make<TComboEdit>();
  e->SetText("12");
  e->SetAlignment(taRightJustify);
  person.Pump();
  RECT area{};
  e->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
  auto inked = [&](int from, int to) {
    int n = 0;
    for (int x = from; x < to; ++x)
      for (int y = 2; y < e->ClientHeight() - 2; ++y) n += Pixel(e, x, y) != ColorToRGB(e->Color());
    return n;
  };
  EXPECT_EQ(inked(0, area.right / 2), 0);
  EXPECT_GT(inked(area.right / 2, area.right), 0) << "right-aligned beside the button";
  EXPECT_LE(e->PointOfChar(2).x, area.right);
  EXPECT_EQ(e->CharAtPoint(POINT{area.left + 1, 5}), 0) << "left of the text: before it";
  EXPECT_EQ(e->CharAtPoint(POINT{area.right - 1, 5}), 2);
  e->SetFocus();
  person.Pump();
  person.PressKey(VK_END);
  person.Type("3");
  person.Pump();
  EXPECT_EQ(e->Text(), "123");
  e->SetAlignment(taCenter);
  person.Pump();
  EXPECT_GT(inked(area.right / 3, 2 * area.right / 3), 0);
  EXPECT_EQ(inked(0, area.right / 4), 0);
}

TEST_F(Comboedits, EnterStillReachesTheDefaultButton) {
  auto* e = Make<TComboEdit>();
  auto* ok = new TButton(PlaceForm());
  ok->SetParent(PlaceForm());
  ok->SetBounds(20, 100, 75, 25);
  ok->SetDefault(true);
  int pressed = 0;
  ok->OnClick = [&](TObject*) { ++pressed; };
  e->SetFocus();
  person.Pump();
  person.PressKey(VK_RETURN);
  person.Pump();
  EXPECT_EQ(pressed, 1);
}

TEST_F(Comboedits, PopupOpensBelowAndClosesByKeysAndClicks) {
  auto* e = Make<TPopupEdit>(200, 20, 150);
  TListPopup* popup = e->list;
  ClickButton(e);
  ASSERT_TRUE(e->PopupVisible());
  EXPECT_TRUE(popup->Visible());
  RECT er{}, pr{};
  GetWindowRect(e->Handle(), &er);
  GetWindowRect(popup->Handle(), &pr);
  EXPECT_EQ(pr.top, er.bottom) << "below the edit";
  EXPECT_EQ(pr.right, er.right) << "right edges aligned";
  EXPECT_TRUE(popup->received.IsNull()) << "an empty text gives the popup Null";
  EXPECT_TRUE(e->Focused());
  EXPECT_EQ(GetForegroundWindow(), PlaceForm()->Handle()) << "the popup takes no activation";

  // Escape closes without taking the value; Enter takes it.
  popup->value = "chosen";
  person.PressKey(VK_ESCAPE);
  person.Pump();
  EXPECT_FALSE(e->PopupVisible());
  EXPECT_FALSE(popup->Visible());
  EXPECT_EQ(e->Text(), "");
  int changes = 0;
  e->OnChange = [&](TObject*) { ++changes; };
  person.PressKey(VK_DOWN, false, false, true);
  person.Pump();
  ASSERT_TRUE(e->PopupVisible());
  popup->value = "chosen";
  person.Type("typed");
  person.Pump();
  EXPECT_EQ(e->Text(), "") << "the edit takes no typing while its popup is down";
  person.PressKey(VK_RETURN);
  person.Pump();
  EXPECT_FALSE(e->PopupVisible());
  EXPECT_EQ(e->Text(), "chosen");
  EXPECT_TRUE(e->Modified());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(e->SelLength(), 6) << "the accepted text is selected";

  // The button closes an open popup (accepting) and does not open it again.
  ClickButton(e);
  ASSERT_TRUE(e->PopupVisible());
  EXPECT_EQ(VarToStr(popup->received), "chosen");
  popup->value = "again";
  ClickButton(e);
  EXPECT_FALSE(e->PopupVisible());
  EXPECT_EQ(e->Text(), "again");

  // A click inside the popup accepts; a click in the edit cancels.
  ClickButton(e);
  popup->value = "clicked";
  POINT inside = popup->ClientToScreen(POINT{10, 10});
  person.Click(inside.x, inside.y);
  person.Pump();
  EXPECT_FALSE(e->PopupVisible());
  EXPECT_EQ(e->Text(), "clicked");
  ClickButton(e);
  popup->value = "dropped";
  POINT edit = e->ClientToScreen(POINT{5, 5});
  person.Click(edit.x, edit.y);
  person.Pump();
  EXPECT_FALSE(e->PopupVisible());
  EXPECT_EQ(e->Text(), "clicked");

  // A press on another control of the form cancels, even one that takes no focus.
  auto* label = new TPaintBox(PlaceForm());
  label->SetParent(PlaceForm());
  label->SetBounds(10, 150, 50, 20);
  ClickButton(e);
  ASSERT_TRUE(e->PopupVisible());
  popup->value = "ignored";
  ClickAt(label, 5, 5);
  EXPECT_FALSE(e->PopupVisible());
  EXPECT_EQ(e->Text(), "clicked");

  // Leaving the edit cancels and the focus goes where it was sent.
  auto* other = Make<TComboEdit>(20, 200);
  ClickButton(e);
  ASSERT_TRUE(e->PopupVisible());
  other->SetFocus();
  person.Pump();
  EXPECT_FALSE(e->PopupVisible());
  EXPECT_TRUE(other->Focused());
  EXPECT_EQ(e->Text(), "clicked");

  // Read-only: no drop-down.
  e->SetReadOnly(true);
  e->PopupDropDown(true);
  EXPECT_FALSE(e->PopupVisible());
}

TEST_F(Comboedits, PopupPlacementAtTheScreenEdges) {
  auto* low = Make<TPopupEdit>(20, 230, 150);
  PlaceForm()->SetBounds(0, 500, 400, 300);
  person.Pump();
  low->list->SetBounds(0, 0, 120, 200);
  low->PopupDropDown(false);
  RECT er{}, pr{};
  GetWindowRect(low->Handle(), &er);
  GetWindowRect(low->list->Handle(), &pr);
  EXPECT_EQ(pr.bottom, er.top) << "no room below: above the edit";
  EXPECT_EQ(pr.right, er.right) << "right edges aligned";
  low->PopupCloseUp(low->list, false);
  low->list->SetBounds(0, 0, 900, 50);
  low->PopupDropDown(false);
  GetWindowRect(low->list->Handle(), &pr);
  EXPECT_EQ(pr.left, 0) << "wider than the screen: pinned to the left";
  low->PopupCloseUp(low->list, false);
  low->SetPopupAlign(epaLeft);
  low->list->SetBounds(0, 0, 100, 50);
  PlaceForm()->SetBounds(700, 100, 100, 100);
  person.Pump();
  low->SetBounds(0, 0, 60, 21);
  low->PopupDropDown(false);
  GetWindowRect(low->Handle(), &er);
  GetWindowRect(low->list->Handle(), &pr);
  EXPECT_EQ(pr.right, er.right) << "a left-aligned popup without room aligns its right edge";
  low->PopupCloseUp(low->list, false);
}

}  // namespace
