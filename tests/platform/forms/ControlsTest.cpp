// Painting and behaviour of the standard controls, read back from the headless screen.

#include "Formstest.h"
#include "platform/forms/Tclipboard.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscrollbar.h"
#include "platform/forms/Tscrollbox.h"
#include "platform/forms/Ttimer.h"

namespace {

class Controls : public formstest::Screen {
 protected:
  TForm* Plain(int w = 300, int h = 200) {
    auto* f = new TForm(nullptr);
    f->SetBorderStyle(bsNone);
    f->SetBounds(0, 0, w, h);
    return f;
  }
};

TEST_F(Controls, PixelsOfAPaintedForm) {
  auto* form = Plain();
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetLeft(10);
  label->SetTop(10);
  label->SetCaption("Hello");
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(100, 100, 80, 40);
  auto* box = new TPaintBox(form);
  box->SetParent(form);
  box->SetBounds(200, 10, 50, 50);
  box->OnPaint = [box](TObject*) {
    box->Canvas()->Brush()->SetColor(clRed);
    box->Canvas()->FillRect(RECT{5, 5, 20, 20});
    box->Canvas()->Pen()->SetColor(clBlue);
    box->Canvas()->MoveTo(0, 30);
    box->Canvas()->LineTo(50, 30);
  };
  auto* disabled = new TLabel(form);
  disabled->SetParent(form);
  disabled->SetBounds(10, 60, 80, 20);
  disabled->SetCaption("Off");
  disabled->SetEnabled(false);
  form->Show();
  person.Pump();

  EXPECT_GT(label->Width(), 0) << "sized to its text";
  EXPECT_EQ(Pixel(label, 2, label->Height() / 2), RGB(0, 0, 0)) << "ink of the first letter";
  EXPECT_EQ(Pixel(form, 290, 190), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(Pixel(panel, 0, 0), GetSysColor(COLOR_BTNHIGHLIGHT)) << "raised bevel: light on top";
  EXPECT_EQ(Pixel(panel, 79, 39), GetSysColor(COLOR_BTNSHADOW)) << "and shadow below";
  EXPECT_EQ(Pixel(box, 10, 10), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(box, 40, 30), RGB(0, 0, 255));
  EXPECT_EQ(Pixel(disabled, 2, 6), GetSysColor(COLOR_BTNSHADOW)) << "disabled text is grey";

  // Invalidate repaints only what changed; a hidden control leaves its place painted over.
  label->Hide();
  person.Pump();
  EXPECT_EQ(Pixel(form, 12, 10 + label->Height() / 2), GetSysColor(COLOR_BTNFACE));
  delete form;
}

TEST_F(Controls, BitmapsDrawnTransparently) {
  TBitmap source;
  source.SetSize(10, 10);
  source.Canvas()->Brush()->SetColor(clRed);
  source.Canvas()->FillRect(RECT{0, 0, 10, 10});
  source.Canvas()->Brush()->SetColor(clBlue);
  source.Canvas()->FillRect(RECT{3, 3, 7, 7});
  EXPECT_EQ(source.TransparentColor(), clRed) << "the bottom-left pixel";
  TBitmap target;
  target.SetSize(20, 20);
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clWhite) << "a new bitmap is white";
  source.SetTransparent(true);
  target.Canvas()->Draw(5, 5, &source);
  EXPECT_EQ(target.Canvas()->Pixels(5, 5), clWhite);
  EXPECT_EQ(target.Canvas()->Pixels(9, 9), clBlue);
  source.SetTransparent(false);
  target.Canvas()->StretchDraw(RECT{0, 0, 20, 20}, &source);
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(target.Canvas()->Pixels(10, 10), clBlue);

  TBitmap mono;
  mono.SetMonochrome(true);
  mono.SetSize(8, 8);
  mono.Canvas()->Brush()->SetColor(clWhite);
  mono.Canvas()->FillRect(RECT{0, 0, 8, 8});
  mono.Canvas()->SetPixels(1, 1, clBlack);
  EXPECT_EQ(mono.Canvas()->Pixels(1, 1), clBlack);
  EXPECT_EQ(mono.Canvas()->Pixels(2, 2), clWhite);
  // Text measures with the test font: fixed advance, bold wider.
  int plain = target.Canvas()->TextWidth("abcd");
  target.Canvas()->Font()->SetStyle({fsBold});
  EXPECT_GT(target.Canvas()->TextWidth("abcd"), plain);
  EXPECT_EQ(target.Canvas()->TextWidth("ab") * 2, target.Canvas()->TextWidth("abcd"));
}

TEST_F(Controls, OwnerDrawnListAndMultipleSelection) {
  auto* form = Plain();
  auto* list = new TListBox(form);
  list->SetParent(form);
  list->SetBounds(10, 10, 150, 150);
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(20);
  list->SetMultiSelect(true);
  for (const char* s : {"red", "green", "blue"}) list->Items()->Add(s);
  std::vector<int> drawn;
  list->OnDrawItem = [&](TWinControl*, int index, RECT r, TOwnerDrawState state) {
    drawn.push_back(index);
    static const TColor colours[] = {clRed, clLime, clBlue};
    list->Canvas()->Brush()->SetColor(state.Contains(odSelected) ? clBlack : colours[index]);
    list->Canvas()->FillRect(r);
  };
  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  person.Pump();
  EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Pixel(list, 50, 30), RGB(0, 255, 0));
  EXPECT_EQ(Pixel(list, 50, 50), RGB(0, 0, 255));
  ClickAt(list, 50, 30);
  POINT p = At(list, 50, 50);
  person.KeyDown(VK_CONTROL);
  person.Click(p.x, p.y);
  person.KeyUp(VK_CONTROL);
  person.Pump();
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_TRUE(list->Selected(1));
  EXPECT_TRUE(list->Selected(2));
  EXPECT_EQ(Pixel(list, 50, 30), RGB(0, 0, 0));
  person.PressKey(VK_UP, true);
  person.Pump();
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(list->ItemAtPos(POINT{5, 65}, true), -1);
  delete form;
}

TEST_F(Controls, ComboBoxDropsDownAndChooses) {
  auto* form = Plain();
  auto* combo = new TComboBox(form);
  combo->SetParent(form);
  combo->SetBounds(10, 10, 120, 21);
  combo->SetStyle(csDropDownList);
  for (const char* s : {"one", "two", "three"}) combo->Items()->Add(s);
  std::string changes;
  combo->OnChange = [&](TObject*) { changes += combo->Text() + " "; };
  form->Show();
  person.Pump();
  combo->SetFocus();
  person.PressKey(VK_DOWN);
  person.Pump();
  EXPECT_EQ(combo->Text(), "one");
  // Alt+Down opens the list; the person moves down twice and presses Enter.
  person.PressKey(VK_DOWN, false, false, true);
  person.PressKey(VK_DOWN);
  person.PressKey(VK_DOWN);
  person.PressKey(VK_RETURN);
  person.Pump();
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(changes, "one three ");
  EXPECT_FALSE(combo->DroppedDown());
  // An owner-drawn box draws its dropped list too.
  combo->SetStyle(csOwnerDrawFixed);
  std::vector<int> drawn;
  combo->OnDrawItem = [&](TWinControl*, int index, RECT r, TOwnerDrawState) {
    drawn.push_back(index);
    combo->Canvas()->FillRect(r);
  };
  platform::SetMenuLoopIdleHook(nullptr);
  combo->OnDropDown = [&](TObject*) { person.PressKey(VK_ESCAPE); };
  combo->SetDroppedDown(true);
  person.Pump();
  EXPECT_GE(drawn.size(), 3u);
  combo->OnDropDown = nullptr;
  combo->OnDrawItem = nullptr;
  // An editable box takes typed text.
  combo->SetStyle(csDropDown);
  combo->SetText("");
  combo->SetFocus();
  person.Type("tw");
  person.Pump();
  EXPECT_EQ(combo->Text(), "tw");
  EXPECT_EQ(combo->ItemIndex(), -1);
  delete form;
}

TEST_F(Controls, TimersRunOnTheVirtualClock) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(100);
  timer.OnTimer = [&](TObject*) { ++ticks; };
  person.Advance(350);
  EXPECT_EQ(ticks, 3);
  timer.SetEnabled(false);
  person.Advance(300);
  EXPECT_EQ(ticks, 3);
  timer.SetEnabled(true);
  timer.OnTimer = [&](TObject*) {
    ++ticks;
    timer.SetEnabled(false);
  };
  person.Advance(250);
  EXPECT_EQ(ticks, 4);
  // An event that switches its timer off and on, or changes its interval, keeps it going.
  timer.OnTimer = [&](TObject*) {
    ++ticks;
    timer.SetInterval(50);
  };
  timer.SetEnabled(true);
  person.Advance(200);
  EXPECT_EQ(ticks, 7) << "at 100, then every 50";
  timer.OnTimer = [&](TObject*) {
    ++ticks;
    timer.SetEnabled(false);
    timer.SetEnabled(true);
  };
  person.Advance(100);
  EXPECT_EQ(ticks, 9);
}

TEST_F(Controls, ScrollBarAndScrollBox) {
  auto* form = Plain(400, 300);
  auto* bar = new TScrollBar(form);
  bar->SetParent(form);
  bar->SetBounds(10, 10, 200, 17);
  bar->SetParams(0, 0, 50);
  bar->SetLargeChange(10);
  int changes = 0;
  bar->OnChange = [&](TObject*) { ++changes; };
  auto* box = new TScrollBox(form);
  box->SetParent(form);
  box->SetBounds(10, 50, 200, 150);
  auto* far = new TButton(form);
  far->SetParent(box);
  far->SetBounds(10, 500, 75, 25);
  form->Show();
  person.Pump();
  ClickAt(bar, 5, 8);  // the left arrow: nothing below 0
  EXPECT_EQ(bar->Position(), 0);
  ClickAt(bar, 195, 8);
  EXPECT_EQ(bar->Position(), 1);
  ClickAt(bar, 150, 8);  // the track after the thumb: a page
  EXPECT_EQ(bar->Position(), 11);
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(bar->Focused()) << "a click focuses the bar";
  person.PressKey(VK_END);
  person.Pump();
  EXPECT_EQ(bar->Position(), 50);

  EXPECT_TRUE(box->VertScrollBar()->IsScrollBarVisible());
  EXPECT_FALSE(box->HorzScrollBar()->IsScrollBarVisible());
  box->VertScrollBar()->SetPosition(100);
  EXPECT_EQ(far->Top(), 400);
  box->ScrollInView(far);
  EXPECT_EQ(far->Top() + far->Height(), box->ClientHeight());
  box->VertScrollBar()->SetPosition(100000);
  EXPECT_EQ(box->VertScrollBar()->Position(), 525 - box->ClientHeight()) << "never past the end";
  delete form;
}

TEST_F(Controls, ClipboardText) {
  Clipboard()->SetAsText("Привет");
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard()->AsText(), "Привет");
  Clipboard()->Clear();
  EXPECT_EQ(Clipboard()->AsText(), "");
}

TEST_F(Controls, GroupBoxPanelClientAreasAndBevels) {
  auto* form = Plain();
  auto* group = new TGroupBox(form);
  group->SetParent(form);
  group->SetBounds(10, 10, 150, 100);
  group->SetCaption("Group");
  auto* inside = new TEdit(form);
  inside->SetParent(group);
  inside->SetAlign(alClient);
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(170, 10, 100, 100);
  panel->SetBevelInner(bvLowered);
  panel->SetBorderWidth(2);
  auto* filler = new TButton(form);
  filler->SetParent(panel);
  filler->SetAlign(alClient);
  auto* bevel = new TBevel(form);
  bevel->SetParent(form);
  bevel->SetBounds(10, 150, 100, 10);
  bevel->SetShape(bsTopLine);
  form->Show();
  person.Pump();
  EXPECT_GT(inside->Top(), 10) << "below the caption";
  EXPECT_EQ(filler->Left(), 4);
  EXPECT_EQ(filler->Width(), 92);
  EXPECT_EQ(Pixel(bevel, 5, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(Pixel(bevel, 5, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
  delete form;
}

TEST_F(Controls, HintsHelpAndTheScreenCursor) {
  auto* form = Plain();
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 10, 80, 20);
  label->SetAutoSize(false);
  label->SetHint("Подсказка|Длинная подсказка");
  label->SetShowHint(true);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 100, 80, 21);
  edit->SetHelpContext(42);
  form->Show();
  person.Pump();
  person.MoveTo(20, 15);
  person.Pump();
  EXPECT_EQ(Application->Hint(), "Длинная подсказка");
  EXPECT_EQ(platform::hints::Window(), nullptr) << "not before the pause";
  person.Advance(Application->HintPause() + 10);
  ASSERT_NE(platform::hints::Window(), nullptr);
  EXPECT_EQ(platform::hints::ShownText(), "Подсказка");
  RECT r{};
  GetWindowRect(platform::hints::Window(), &r);
  EXPECT_EQ(r.top, 35) << "below the mouse";
  EXPECT_EQ(screen.WindowPixel(platform::hints::Window(), 1, 1), GetSysColor(COLOR_INFOBK));
  person.MoveTo(200, 150);
  person.Pump();
  EXPECT_EQ(platform::hints::Window(), nullptr);

  edit->SetFocus();
  person.PressKey(VK_F1);
  person.Pump();
  EXPECT_EQ(Application->LastHelpContext(), 42);

  ::Screen->SetCursor(crHourGlass);
  person.MoveTo(20, 110);
  person.Pump();
  EXPECT_EQ(platform::ShownCursorShape(), platform::CursorShape::Wait);
  ::Screen->SetCursor(crDefault);
  person.MoveTo(21, 110);
  person.Pump();
  EXPECT_EQ(platform::ShownCursorShape(), platform::CursorShape::IBeam) << "the edit's own cursor";
  delete form;
}

}  // namespace
