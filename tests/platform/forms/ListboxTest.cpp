// The list box of the class library over the window system's list box.

#include "Formstest.h"

namespace {

class ListBox : public formstest::Screen {};

TEST_F(ListBox, ItemsAndSelectionOutliveTheWindow) {
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 300, 200);
  auto* list = new TListBox(form);
  list->SetParent(form);
  list->SetBounds(10, 10, 150, 150);
  // Before there is a window the items are kept aside.
  TObject marker;
  list->Items()->AddObject("gamma", &marker);
  list->Items()->Add("alpha");
  list->Items()->Insert(1, "beta");
  list->SetItemIndex(2);
  EXPECT_FALSE(list->HandleAllocated());
  EXPECT_EQ(list->ItemIndex(), 2);
  list->Items()->Delete(0);
  EXPECT_EQ(list->ItemIndex(), 1) << "the selection follows its item";
  list->Items()->InsertObject(0, "gamma", &marker);
  int clicks = 0, doubles = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  list->OnDblClick = [&](TObject*) { ++doubles; };
  form->Show();
  person.Pump();
  ASSERT_TRUE(list->HandleAllocated());
  EXPECT_EQ(SendMessage(list->Handle(), LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(list->Items()->Text(), "gamma\r\nbeta\r\nalpha\r\n");
  EXPECT_EQ(list->Items()->Objects(0), &marker);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_THROW(list->Items()->Strings(3), EStringListError);

  // The user's choice is a click; a double click too.
  RECT r = list->ItemRect(1);
  ClickAt(list, 5, r.top + 2);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
  person.Advance(1000);
  POINT p = At(list, 5, r.top + 2);
  person.DoubleClick(p.x, p.y);
  person.Pump();
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(clicks, 1) << "no change of selection";

  // A new window (a style that the window system fixes at creation) keeps everything.
  list->SetMultiSelect(true);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Items()->Objects(0), &marker);
  EXPECT_TRUE(list->Selected(1));
  list->SetSelected(2, true);
  EXPECT_EQ(list->SelCount(), 2);
  list->SetSorted(true);
  EXPECT_EQ(list->Items()->Text(), "alpha\r\nbeta\r\ngamma\r\n");
  // Sorting moves each item's selection and data word with it.
  EXPECT_TRUE(list->Selected(0));
  EXPECT_TRUE(list->Selected(1));
  EXPECT_FALSE(list->Selected(2));
  EXPECT_EQ(list->Items()->Objects(2), &marker);
  EXPECT_THROW(list->Selected(3), EListError);
  list->Items()->Add("aardvark");
  EXPECT_EQ(list->Items()->Strings(0), "aardvark");

  // The list's colours are the control's.
  list->SetStyle(lbStandard);
  list->SetColor(clYellow);
  list->ClearSelection();
  list->SetItemIndex(-1);
  list->Repaint();
  person.Pump();
  RECT last = list->ItemRect(list->Count());
  EXPECT_EQ(last.top, list->ItemRect(3).bottom) << "the place after the last item";
  EXPECT_EQ(Pixel(list, 140, last.bottom + 4), RGB(255, 255, 0));
  EXPECT_EQ(list->ItemAtPos(POINT{5, last.top + 1}, true), -1);
  EXPECT_EQ(list->ItemAtPos(POINT{5, last.top + 1}, false), 4);
  delete form;
}

}  // namespace
