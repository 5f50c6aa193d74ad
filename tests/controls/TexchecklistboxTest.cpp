// The check list box: radio buttons, grayed states, toggling by mouse and keys, states
// kept across a new window and through moves, and states stored in an ini file.

#include "Screenfixture.h"
#include "controls/Texchecklistbox.h"
#include "platform/rtl/Tinifile.h"
#include "tests/support/Testsupport.h"

namespace {

class ExCheckListBox : public controlstest::Screen {
 protected:
  TExCheckListBox* Make(std::initializer_list<const char*> texts) {
    form = Plain();
    form->SetName("Settings");
    auto* box = new TExCheckListBox(form);
    box->SetName("Options");
    box->SetParent(form);
    box->SetBounds(10, 10, 150, 150);
    for (const char* t : texts) box->Items()->Add(t);
    return box;
  }
  TForm* form = nullptr;
};

TEST_F(ExCheckListBox, RadioButtonsKeepOneChecked) {
  auto* box = Make({});
  box->SetCheckKind(ckRadioButtons);
  EXPECT_EQ(box->CheckedIndex(), -1) << "an empty box";
  for (const char* t : {"a", "b", "c"}) box->Items()->Add(t);
  std::vector<int> changes;
  box->OnStateChange = [&](TObject*, int index) { changes.push_back(index); };
  box->SetCheckedIndex(-3);
  EXPECT_EQ(box->CheckedIndex(), 0);
  box->SetChecked(2, true);
  EXPECT_FALSE(box->Checked(0));
  EXPECT_EQ(box->CheckedIndex(), 2);
  box->SetChecked(2, false);
  EXPECT_TRUE(box->Checked(2)) << "unchecking the checked button has no effect";
  box->SetAllowGrayed(true);
  EXPECT_FALSE(box->AllowGrayed());
  box->SetState(1, cbGrayed);
  EXPECT_EQ(box->State(1), cbUnchecked) << "radio buttons are never grayed";
  EXPECT_EQ(changes, (std::vector<int>{0, 2, 1}));
  box->ApplyState(cbChecked, false);
  EXPECT_EQ(box->CheckedIndex(), 2) << "not for radio buttons";
}

TEST_F(ExCheckListBox, TogglesByMouseAndKeys) {
  auto* box = Make({"one", "two", "three"});
  box->SetAllowGrayed(true);
  int clicks = 0;
  box->OnClickCheck = [&](TObject*) { ++clicks; };
  form->Show();
  person.Pump();
  int h = box->ItemRect(1).top;
  ASSERT_GT(h, 0);
  // A click on the check steps its state; on the text it only selects.
  ClickAt(box, 5, h + 3);
  EXPECT_EQ(box->State(1), cbGrayed);
  person.Advance(1000);
  ClickAt(box, 5, h + 3);
  EXPECT_EQ(box->State(1), cbChecked);
  person.Advance(1000);
  ClickAt(box, 60, 3);
  EXPECT_EQ(box->ItemIndex(), 0);
  EXPECT_EQ(box->State(0), cbUnchecked);
  EXPECT_EQ(clicks, 2);
  // Space toggles the current item; + and - set every enabled one.
  person.PressKey(VK_SPACE);
  person.Pump();
  EXPECT_EQ(box->State(0), cbGrayed);
  box->SetItemEnabled(2, false);
  person.PressKey(VK_ADD);
  person.Pump();
  box->Perform(WM_CHAR, '+', 0);
  EXPECT_EQ(box->State(0), cbChecked);
  EXPECT_EQ(box->State(2), cbUnchecked) << "a disabled item keeps its state";
  box->ToggleClickCheck(2);
  EXPECT_EQ(box->State(2), cbUnchecked);
  box->Perform(WM_CHAR, '-', 0);
  EXPECT_EQ(box->State(1), cbUnchecked);
  // The checked box is drawn with its tick, in the window text colour.
  box->SetChecked(1, true);
  box->Repaint();
  person.Pump();
  int ink = 0;
  for (int y = h; y < h + box->ItemHeight(); ++y)
    for (int x = 0; x < box->CheckWidth(); ++x) ink += Pixel(box, x, y) == GetSysColor(COLOR_WINDOWTEXT);
  EXPECT_GT(ink, 5);
}

TEST_F(ExCheckListBox, StatesSurviveANewWindowAndMoves) {
  auto* box = Make({"c", "a", "b"});
  TObject data;
  box->Items()->SetObjects(1, &data);
  box->SetState(0, cbGrayed);
  box->SetChecked(1, true);
  box->SetItemEnabled(2, false);
  form->Show();
  person.Pump();
  box->SetSorted(true);  // a new window
  ASSERT_EQ(box->Items()->Text(), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(box->State(0), cbChecked);
  EXPECT_EQ(box->Items()->Objects(0), &data);
  EXPECT_FALSE(box->ItemEnabled(1));
  EXPECT_EQ(box->State(2), cbGrayed);
  box->SetSorted(false);
  box->Items()->Exchange(0, 2);
  EXPECT_EQ(box->Items()->Strings(0), "c");
  EXPECT_EQ(box->State(0), cbGrayed);
  EXPECT_EQ(box->State(2), cbChecked);
  EXPECT_EQ(box->Items()->Objects(2), &data);
  box->Items()->Move(2, 0);
  EXPECT_EQ(box->State(0), cbChecked);
  EXPECT_EQ(box->Items()->Strings(0), "a");
  box->Items()->Delete(0);
  EXPECT_EQ(box->State(0), cbGrayed);
  box->Items()->Clear();
  EXPECT_EQ(box->Items()->Count(), 0);
}

TEST_F(ExCheckListBox, StatesStoredInAnIniFile) {
  auto* box = Make({"a", "b", "c", "d"});
  box->SetAllowGrayed(true);
  box->SetChecked(1, true);
  box->SetState(3, cbGrayed);
  std::string file = testsupport::ScratchFolder() + "/states.ini";
  {
    TIniFile ini(file);
    box->SaveStates(&ini);
  }
  std::string text = testsupport::ReadFile(file);
  EXPECT_NE(text.find("[TFormOptions]"), std::string::npos) << text;
  EXPECT_NE(text.find("Count=4"), std::string::npos);
  EXPECT_NE(text.find("Item1=1"), std::string::npos);
  EXPECT_NE(text.find("Item3=2"), std::string::npos);
  // More stored than there are items: only as many as the box has.
  testsupport::WriteFile(file, "[TFormOptions]\nCount=10\nItem0=1\nItem2=2\nItem3=7\nItem5=1\n");
  box->ApplyState(cbUnchecked, false);
  {
    TIniFile ini(file);
    box->RestoreStates(&ini);
  }
  EXPECT_EQ(box->State(0), cbChecked);
  EXPECT_EQ(box->State(1), cbUnchecked);
  EXPECT_EQ(box->State(2), cbGrayed);
  EXPECT_EQ(box->State(3), cbUnchecked) << "a stored value that is no state";
  // Radio buttons stop at the first checked item.
  box->SetCheckKind(ckRadioButtons);
  testsupport::WriteFile(file, "[TFormOptions]\nCount=4\nItem0=0\nItem1=1\nItem2=1\n");
  {
    TIniFile ini(file);
    box->RestoreStates(&ini);
  }
  EXPECT_EQ(box->CheckedIndex(), 1);
}

}  // namespace

namespace {

TEST_F(ExCheckListBox, StatesGoWithTheFormPlacement) {
  auto* box = Make({"a", "b"});
  auto* placement = new TFormPlacement(form);
  std::string file = testsupport::ScratchFolder() + "/placement.ini";
  placement->SetIniFileName(file);
  placement->SetIniSection("Layout");
  placement->SetActive(false);  // saves without a restore first
  box->SetIniStorage(placement);
  box->SetChecked(1, true);
  placement->SaveFormPlacement();
  std::string text = testsupport::ReadFile(file);
  EXPECT_NE(text.find("[Layout\\TFormOptions]"), std::string::npos) << text;
  box->SetChecked(1, false);
  placement->RestoreFormPlacement();
  EXPECT_TRUE(box->Checked(1));
  box->SetIniStorage(nullptr);
  delete form;
}

}  // namespace
