// Owner-drawn list boxes: the horizontal extent, item places, gray selection, owner
// measuring and drawing, notifications, and items kept across a new window.

#include <string>
#include <vector>

#include "Screenfixture.h"
#include "controls/Texcustomlistbox.h"
#include "controls/Ttextlistbox.h"
#include "platform/rtl/Exception.h"

namespace {

class ExListBox : public controlstest::Screen {
 protected:
  TExCustomListBox* Make(TForm* form, int x = 10, int y = 10, int w = 100, int h = 120) {
    auto* list = new TExCustomListBox(form);
    list->SetParent(form);
    list->SetBounds(x, y, w, h);
    return list;
  }
  static int Extent(TWinControl* list) {
    return static_cast<int>(SendMessage(list->Handle(), LB_GETHORIZONTALEXTENT, 0, 0));
  }
};

TEST_F(ExListBox, HorizontalExtentFollowsTheWidestItem) {
  auto* form = Plain();
  auto* list = Make(form);
  list->SetAutoScroll(true);
  list->Items()->Add("ab");
  list->Items()->Add("abcdefghijklmnopqrstuvwxyz");
  list->Items()->Add("abcd");
  int x = list->Canvas()->TextWidth("x");
  ASSERT_GT(x, 0);
  EXPECT_EQ(Extent(list), 27 * x) << "the widest text and one character";
  form->Show();
  person.Pump();
  EXPECT_TRUE(GetWindowLong(list->Handle(), GWL_STYLE) & WS_HSCROLL);
  SendMessage(list->Handle(), WM_HSCROLL, SB_PAGERIGHT, 0);
  EXPECT_GT(GetScrollPos(list->Handle(), SB_HORZ), 0);
  // Deleting the widest shrinks the extent to the next one and scrolls to the left end.
  list->Items()->Delete(1);
  EXPECT_EQ(Extent(list), 5 * x);
  EXPECT_EQ(GetScrollPos(list->Handle(), SB_HORZ), 0);
  list->Items()->Delete(0);
  EXPECT_EQ(Extent(list), 5 * x) << "a narrower item leaves the extent";
  list->Items()->Clear();
  EXPECT_EQ(Extent(list), 0);

  // Tabs stop at a quarter of the width of "0" times the tab width.
  list->SetTabWidth(-5);
  EXPECT_EQ(list->TabWidth(), 0);
  list->SetTabWidth(16);
  list->Items()->Add("a\tb");
  EXPECT_EQ(Extent(list), 4 * x + 2 * x) << "the stop, then \"bx\"";

  // Switching auto-scroll off drops the extent; owner drawing may measure by itself.
  list->SetAutoScroll(false);
  EXPECT_EQ(Extent(list), 0);
  list->SetStyle(lbOwnerDrawFixed);
  list->SetAutoScroll(true);
  list->SetOnGetItemWidth([](TWinControl*, int index, int& width) { width = 300 + index; });
  EXPECT_EQ(Extent(list), 300);
  // With columns no extent is kept, whatever auto-scroll says.
  list->SetColumns(2);
  list->SetAutoScroll(false);
  list->SetAutoScroll(true);
  EXPECT_EQ(Extent(list), 0);
}

TEST_F(ExListBox, PlacesOfItemsAndSelection) {
  auto* form = Plain();
  auto* list = Make(form);
  for (const char* s : {"one", "two", "three"}) list->Items()->Add(s);
  form->Show();
  person.Pump();
  int h = list->ItemHeight();
  ASSERT_GT(h, 0);
  RECT below = list->ItemRect(3);
  EXPECT_EQ(below.top, 3 * h);
  EXPECT_EQ(below.bottom, 4 * h);
  EXPECT_EQ(list->ItemRect(7).bottom, 0) << "no such place";
  EXPECT_EQ(list->ItemAtPos(POINT{5, h + 1}, true), 1);
  EXPECT_EQ(list->ItemAtPos(POINT{5, 3 * h + 1}, true), -1);
  EXPECT_EQ(list->ItemAtPos(POINT{5, 3 * h + 1}, false), 3);
  EXPECT_EQ(list->ItemAtPos(POINT{-1, 1}, false), -1) << "outside the client area";
  EXPECT_THROW(list->Selected(5), EListError);
  // With integral height the box shortens itself to whole items.
  list->SetBounds(10, 10, 100, 3 * h + h / 2);
  list->SetIntegralHeight(true);
  EXPECT_EQ(list->ClientHeight() % h, 0) << "also after the font came";
  EXPECT_EQ(list->ItemIndex(), -1);
  EXPECT_EQ(list->Items()->Count(), 3) << "a new window keeps the items";
  list->SetIntegralHeight(false);
  EXPECT_THROW(list->Items()->Strings(5), EStringListError);

  int clicks = 0, doubles = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  list->OnDblClick = [&](TObject*) { ++doubles; };
  ClickAt(list, 5, h + 2);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_TRUE(list->Selected(1));
  EXPECT_EQ(clicks, 1);
  POINT p = At(list, 5, h + 2);
  person.DoubleClick(p.x, p.y);
  person.Pump();
  EXPECT_EQ(doubles, 1);
  list->SetItemIndex(2);
  EXPECT_EQ(clicks, 1) << "code's choices are not clicks";
  list->SetSelected(2, false);
  EXPECT_EQ(list->ItemIndex(), -1);

  // Gray selection: the selection of an unfocused owner-drawn box is drawn in button colours.
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(h);
  auto* other = new TButton(form);
  other->SetParent(form);
  other->SetBounds(150, 10, 60, 20);
  list->SetItemIndex(0);
  list->Repaint();
  person.Pump();
  EXPECT_EQ(Pixel(list, 60, 2), GetSysColor(COLOR_HIGHLIGHT));
  list->SetGraySelection(true);
  other->SetFocus();
  person.Pump();
  list->Repaint();
  person.Pump();
  EXPECT_EQ(Pixel(list, 60, 2), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(Pixel(list, 60, h + 2), GetSysColor(COLOR_WINDOW));
  delete form;
}

TEST_F(ExListBox, OwnerMeasuringDrawingAndANewWindow) {
  auto* form = Plain();
  auto* list = Make(form);
  list->SetStyle(lbOwnerDrawVariable);
  list->OnMeasureItem = [](TWinControl*, int index, int& height) { height = 10 + 10 * index; };
  std::vector<int> drawn;
  list->SetOnDrawItem([&](TWinControl*, int index, RECT r, TOwnerDrawState state) {
    drawn.push_back(index);
    list->Canvas()->Brush()->SetColor(state.Contains(odSelected) ? clBlue : clRed);
    list->Canvas()->FillRect(r);
  });
  TObject a, b;
  list->Items()->AddObject("a", &a);
  list->Items()->AddObject("b", &b);
  list->SetItemIndex(1);
  form->Show();
  person.Pump();
  EXPECT_EQ(list->ItemRect(1).top, 10);
  EXPECT_EQ(list->ItemRect(1).bottom, 30);
  EXPECT_EQ(Pixel(list, 50, 5), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(list, 50, 25), RGB(0, 0, 255));
  EXPECT_FALSE(drawn.empty());

  // Drawn onto a context of the caller's, as when printing.
  HDC screenDc = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screenDc);
  HBITMAP bitmap = CreateCompatibleBitmap(screenDc, 100, 100);
  HGDIOBJ old = SelectObject(dc, bitmap);
  list->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(GetPixel(dc, 50, 5), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 50, 25), RGB(0, 0, 255));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screenDc);

  // A style the window takes at creation makes a new window with the same items.
  list->SetSorted(true);
  ASSERT_EQ(list->Items()->Count(), 2);
  EXPECT_EQ(list->Items()->Objects(0), &a);
  EXPECT_EQ(list->Items()->Objects(1), &b);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(list->GetItemData(1), reinterpret_cast<LONG_PTR>(&b));
  delete form;
}

TEST_F(ExListBox, TextListBoxCoversItsWidestItem) {
  auto* form = Plain();
  auto* list = new TTextListBox(form);
  list->SetParent(form);
  list->SetBounds(10, 10, 80, 100);
  list->Items()->Add("short");
  list->Items()->Add("a rather longer line of text");
  form->Show();
  person.Pump();
  int x = list->Canvas()->TextWidth("x");
  EXPECT_EQ(list->MaxItemWidth(), 29 * x);
  EXPECT_EQ(Extent(list), 29 * x);
  EXPECT_TRUE(GetWindowLong(list->Handle(), GWL_STYLE) & WS_HSCROLL);
  list->Items()->Delete(1);
  EXPECT_EQ(Extent(list), 6 * x);
  EXPECT_FALSE(GetWindowLong(list->Handle(), GWL_STYLE) & WS_HSCROLL) << "it fits";
}

}  // namespace
