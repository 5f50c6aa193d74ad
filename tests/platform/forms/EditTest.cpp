// Editing in edits and memos: typing, selection, words, the clipboard, undo, limits.

#include "Formstest.h"
#include "platform/forms/Tmaskedit.h"

namespace {

class Editing : public formstest::Screen {
 protected:
  template <class T>
  T* Make() {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 400, 300);
    auto* e = new T(form);
    e->SetParent(form);
    e->SetBounds(10, 10, 300, 200);
    form->Show();
    person.Pump();
    e->SetFocus();
    person.Pump();
    return e;
  }
  std::string Clipboard() {
    OpenClipboard(nullptr);
    std::string s = platform::GetClipboardText();
    CloseClipboard();
    return s;
  }
  TForm* form = nullptr;
};

TEST_F(Editing, TypingSelectionAndClipboard) {
  auto* edit = Make<TEdit>();
  {
    TEdit sized(nullptr);
    TBitmap measure;
    measure.SetSize(1, 1);
    measure.Canvas()->Font()->Assign(sized.Font());
    EXPECT_EQ(sized.Height(), measure.Canvas()->TextHeight("W") + 8) << "the height its font needs";
    sized.Font()->SetHeight(-20);
    EXPECT_EQ(sized.Height(), 20 + 20 / 4 + 8);
  }
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  person.Type("abc def");
  person.Pump();
  EXPECT_EQ(edit->Text(), "abc def");
  EXPECT_EQ(changes, 7);
  EXPECT_EQ(edit->SelStart(), 7);
  person.PressKey(VK_HOME);
  person.PressKey(VK_RIGHT, true, true);  // Shift+Ctrl+Right: the first word and its space
  person.Pump();
  EXPECT_EQ(edit->SelText(), "abc ");
  person.PressKey('X', false, true);
  person.Pump();
  EXPECT_EQ(edit->Text(), "def");
  EXPECT_EQ(Clipboard(), "abc ");
  person.PressKey(VK_END);
  person.PressKey('V', false, true);
  person.Pump();
  EXPECT_EQ(edit->Text(), "defabc ");
  person.PressKey(VK_BACK);
  person.PressKey(VK_LEFT);
  person.PressKey(VK_DELETE);
  person.Pump();
  EXPECT_EQ(edit->Text(), "defab");
  person.PressKey('Z', false, true);
  person.Pump();
  EXPECT_EQ(edit->Text(), "defabc") << "one step of undo";
  edit->SelectAll();
  person.PressKey('C', false, true);
  person.Pump();
  EXPECT_EQ(Clipboard(), "defabc");
  EXPECT_TRUE(edit->Modified());
  delete form;
}

TEST_F(Editing, LimitsCaseReadOnlyAndPasswords) {
  auto* edit = Make<TEdit>();
  edit->SetMaxLength(5);
  person.Type("123456789");
  person.Pump();
  EXPECT_EQ(edit->Text(), "12345");
  edit->SetText("");
  edit->SetCharCase(ecUpperCase);
  person.Type("ab");
  person.Pump();
  EXPECT_EQ(edit->Text(), "AB");
  edit->SetReadOnly(true);
  person.Type("c");
  person.PressKey(VK_BACK);
  person.Pump();
  EXPECT_EQ(edit->Text(), "AB");
  edit->SetReadOnly(false);
  edit->SetPasswordChar('*');
  edit->SelectAll();
  person.PressKey('C', false, true);
  person.Pump();
  EXPECT_NE(Clipboard(), "AB") << "passwords are not copied";
  // A pasted text with line breaks stops at the first one in a one-line edit.
  OpenClipboard(nullptr);
  EmptyClipboard();
  platform::SetClipboardText("first\r\nsecond");
  CloseClipboard();
  edit->SetPasswordChar(0);
  edit->SetMaxLength(0);
  edit->SetCharCase(ecNormal);
  edit->SetText("");
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "first");
  delete form;
}

TEST_F(Editing, MemoLinesReturnsAndCaret) {
  auto* memo = Make<TMemo>();
  person.Type("one");
  person.PressKey(VK_RETURN);
  person.Type("two");
  person.Pump();
  EXPECT_EQ(memo->Text(), "one\r\ntwo");
  ASSERT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(1), "two");
  EXPECT_EQ(memo->CaretPos().y, 1);
  EXPECT_EQ(memo->CaretPos().x, 3);
  person.PressKey(VK_UP);
  person.PressKey(VK_HOME);
  person.PressKey(VK_DOWN, true);
  person.Pump();
  EXPECT_EQ(memo->SelText(), "one\r\n");
  memo->Lines()->Add("three");
  EXPECT_EQ(memo->Text(), "one\r\ntwo\r\nthree");
  memo->Lines()->Delete(0);
  EXPECT_EQ(memo->Lines()->Text(), "two\r\nthree\r\n");
  memo->Lines()->SetText("a\r\nb\r\n");
  EXPECT_EQ(memo->Text(), "a\r\nb");
  memo->SetText("");
  memo->SetWantReturns(false);
  person.Type("x");
  person.PressKey(VK_BACK);
  person.PressKey(VK_BACK);
  person.Pump();
  EXPECT_EQ(memo->Text(), "");
  delete form;
}

TEST_F(Editing, MemoScrollsBothWays) {
  auto* memo = Make<TMemo>();
  memo->SetWordWrap(false);
  memo->SetScrollBars(ssBoth);
  std::string text;
  for (int i = 0; i < 40; ++i) text += std::string(i == 5 ? 200 : 3, 'x') + "\r\n";
  memo->SetText(text);
  person.Pump();
  SCROLLINFO v{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0}, h = v;
  ASSERT_TRUE(GetScrollInfo(memo->Handle(), SB_VERT, &v));
  ASSERT_TRUE(GetScrollInfo(memo->Handle(), SB_HORZ, &h));
  EXPECT_EQ(v.nMax, 40) << "41 rows, the last one empty";
  EXPECT_GT(h.nMax, static_cast<int>(h.nPage)) << "the long line is wider than the memo";
  POINT before = memo->PointOfChar(0);
  SendMessage(memo->Handle(), WM_HSCROLL, SB_PAGERIGHT, 0);
  POINT after = memo->PointOfChar(0);
  EXPECT_LT(after.x, before.x);
  SendMessage(memo->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_GT(GetScrollPos(memo->Handle(), SB_VERT), 0);
  person.PressKey(VK_HOME, false, true);
  person.Pump();
  EXPECT_EQ(GetScrollPos(memo->Handle(), SB_VERT), 0) << "back to the caret at the start";
  delete form;
}

TEST_F(Editing, MouseSelectsAndWordWrapBreaksLines) {
  auto* memo = Make<TMemo>();
  memo->SetText("alpha beta gamma");
  // 300 px of width hold the line; a narrow memo wraps it.
  memo->SetWidth(60);
  person.Pump();
  POINT start = memo->PointOfChar(6);
  EXPECT_GT(start.y, 0) << "beta starts the second row";
  POINT p0 = memo->PointOfChar(0);
  POINT p1 = memo->PointOfChar(5);
  POINT s0 = memo->ClientToScreen(p0);
  POINT s1 = memo->ClientToScreen(POINT{p1.x, p1.y + 2});
  person.Drag(s0.x, s0.y + 2, s1.x, s1.y);
  person.Pump();
  EXPECT_EQ(memo->SelText(), "alpha");
  POINT word = memo->ClientToScreen(POINT{start.x + 2, start.y + 2});
  person.DoubleClick(word.x, word.y);
  person.Pump();
  EXPECT_EQ(memo->SelText(), "beta");
  delete form;
}

TEST_F(Editing, MaskedEditTakesWhatFitsTheMask) {
  auto* edit = Make<TMaskEdit>();
  edit->SetEditMask("000-00;1;_");
  EXPECT_EQ(edit->EditText(), "___-__");
  int beeps = screen.Beeps();
  person.Type("12a345");
  person.Pump();
  EXPECT_EQ(screen.Beeps(), beeps + 1) << "the letter is refused";
  EXPECT_EQ(edit->EditText(), "123-45");
  EXPECT_EQ(edit->Text(), "123-45");
  person.PressKey(VK_BACK);
  person.Pump();
  EXPECT_EQ(edit->EditText(), "123-4_");
  EXPECT_EQ(edit->Text(), "123-4");
  EXPECT_THROW(edit->ValidateEdit(), EDBEditError);
  edit->SetEditMask(">LL<ll;0; ");
  person.Type("AbCd");
  person.Pump();
  EXPECT_EQ(edit->Text(), "ABcd");
  edit->SetText("xy");
  EXPECT_EQ(edit->EditText(), "XY  ");
  // Leaving with a required position empty is an error shown to the user.
  edit->SetEditMask("00;1;_");
  person.Type("1");
  person.Pump();
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->SetBounds(10, 250, 50, 21);
  std::string error;
  Application->OnException = [&](TObject*, Exception& e) { error = e.Message(); };
  other->SetFocus();
  person.Pump();
  Application->OnException = nullptr;
  EXPECT_EQ(error, "Invalid input value.  Use escape key to abandon changes");
  delete form;
}

}  // namespace
