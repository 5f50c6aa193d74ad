// Scroll emulation: holding a scroll key over a window with a bar and moving the mouse
// moves the bar's position.

#include <gtest/gtest.h>

#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"
#include "pointer/Tformmain.h"
#include "pointer/Tformstartcursorwright.h"

namespace {

class Scrolling : public ::testing::Test {
 protected:
  void SetUp() override {
    SetHookLibraryOverride(std::string(QUILLARAN_BINARY_DIR) + "/app/Leafsnare.dll");
    form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(100, 100, 300, 200);
    list = new TListBox(form);
    list->SetParent(form);
    list->SetBounds(0, 0, 300, 200);
    for (int i = 0; i < 300; ++i) list->Items()->Add("line " + std::to_string(i));
    form->Show();
    person.Pump();
    StartStopCursorwright(true);
    engine = _FormStart_Cursorwright->Engine();
  }
  void TearDown() override {
    StartStopCursorwright(false);
    delete form;
    person.Pump();
    EXPECT_EQ(platform::WindowCount(), 0u);
    SetHookLibraryOverride("");
  }
  int Position() { return GetScrollPos(list->Handle(), SB_VERT); }

  platform::HeadlessScreen screen{800, 600};
  platform::ScreenDriver person;
  TForm* form = nullptr;
  TListBox* list = nullptr;
  TFormMain* engine = nullptr;
};

TEST_F(Scrolling, FastMovementDragsTheListsOwnBar) {
  person.MoveTo(200, 150);
  person.KeyDown(VK_CONTROL);
  person.Advance(25);
  ASSERT_TRUE(engine->Scrolling());
  const TScrollerInfo& v = engine->Vertical();
  EXPECT_EQ(v.kind, 2);
  EXPECT_TRUE(v.isOwnBar);
  EXPECT_EQ(engine->Horizontal().kind, 0);
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 200) << "no horizontal bar: x stays";
  EXPECT_EQ(p.y, v.thumbRect.y + v.thumbRect.height / 2) << "the cursor jumps onto the thumb";
  EXPECT_EQ(Position(), 0);

  // Fast (6 pixels every 20 ms): once the speed is sampled the thumb follows the cursor.
  for (int i = 1; i <= 25; ++i) {
    GetCursorPos(&p);
    person.MoveTo(200, p.y + 6);
    person.Advance(20);
  }
  const int moved = Position();
  EXPECT_GT(moved, static_cast<int>(100 / v.pixelsPerUnit));
  EXPECT_LT(moved, static_cast<int>(151 / v.pixelsPerUnit));
  EXPECT_EQ(list->TopIndex(), moved);
  GetCursorPos(&p);
  EXPECT_NEAR(p.y, v.thumbRect.y + v.thumbRect.height / 2, 8) << "the cursor stays beside the thumb";

  // Slow (1 pixel every 20 ms) over a list of many pages: a fraction as far.
  person.Advance(200);
  const int before = Position();
  for (int i = 1; i <= 25; ++i) {
    GetCursorPos(&p);
    person.MoveTo(200, p.y - 1);
    person.Advance(20);
  }
  EXPECT_LT(Position(), before);
  EXPECT_LT(before - Position(), static_cast<int>(25 / v.pixelsPerUnit / 4));
  person.KeyUp(VK_CONTROL);
  person.Advance(25);
  EXPECT_FALSE(engine->Scrolling());
  const int after = Position();
  person.MoveTo(200, 300);
  person.Advance(100);
  EXPECT_EQ(Position(), after);
  bool logged = false;
  for (int i = 0; i < engine->MemoKeys()->Lines()->Count(); ++i)
    logged |= engine->MemoKeys()->Lines()->Strings(i).rfind("found standart normal vert scroll bar (", 0) == 0;
  EXPECT_TRUE(logged);
}

TEST_F(Scrolling, TheFoundThumbIsMarkedForThreeSecondsWithoutTakingTheMouse) {
  engine->CheckBoxIndicateThumb()->SetChecked(true);
  HWND active = GetForegroundWindow();
  person.MoveTo(200, 150);
  person.KeyDown(VK_CONTROL);
  person.Advance(25);
  ASSERT_TRUE(engine->Scrolling());
  const TRectXYWH thumb = engine->Vertical().thumbRect;
  const int cx = thumb.x + thumb.width / 2, cy = thumb.y + thumb.height / 2;
  EXPECT_EQ(screen.Pixel(cx, cy), RGB(255, 255, 0));
  EXPECT_NE(screen.Pixel(thumb.x - 1, cy), RGB(255, 255, 0)) << "the patch covers the thumb alone";
  EXPECT_EQ(WindowFromPoint(POINT{cx, cy}), list->Handle()) << "the mouse passes through the patch";
  EXPECT_EQ(GetForegroundWindow(), active) << "the scrolled window keeps the keyboard";
  person.KeyUp(VK_CONTROL);
  person.Advance(2900);
  EXPECT_EQ(screen.Pixel(cx, cy), RGB(255, 255, 0));
  person.Advance(200);
  EXPECT_NE(screen.Pixel(cx, cy), RGB(255, 255, 0));
  int indicators = 0;
  for (int i = 0; i < ::Screen->FormCount(); ++i) indicators += ::Screen->Forms(i)->Name() == "FormIndicator";
  EXPECT_EQ(indicators, 0) << "it freed itself";
}

TEST_F(Scrolling, AScrollBarControlIsDraggedByItsThumb) {
  auto* panel = new TForm(nullptr);
  panel->SetBorderStyle(bsNone);
  panel->SetBounds(450, 100, 200, 300);
  auto* bar = new TScrollBar(panel);
  bar->SetParent(panel);
  bar->SetKind(sbVertical);
  bar->SetBounds(180, 0, 20, 300);
  bar->SetParams(0, 0, 100);
  panel->Show();
  person.Pump();
  person.MoveTo(500, 200);
  person.KeyDown(VK_CONTROL);
  person.Advance(25);
  const TScrollerInfo& v = engine->Vertical();
  EXPECT_EQ(v.kind, 2);
  EXPECT_FALSE(v.isOwnBar);
  EXPECT_EQ(v.KindText(), "alien normal");
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p.y, v.thumbRect.y + v.thumbRect.height / 2);
  // The mouse moves by relative steps, as a real one does (the engine moves the cursor too).
  for (int i = 1; i <= 20; ++i) {
    GetCursorPos(&p);
    person.MoveTo(p.x, p.y + 5);
    person.Advance(20);
  }
  EXPECT_GT(bar->Position(), 20) << "the thumb was dragged with the hidden cursor";
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 500) << "the cursor came back from the thumb";
  EXPECT_EQ(platform::ShownCursorShape(), platform::CursorShape::Arrow) << "the arrow is back after the drags";
  person.KeyUp(VK_CONTROL);
  person.Advance(25);
  delete panel;
}

// A window with its own bar that ignores the scroll messages.
class TDeafWindow : public TForm {
 public:
  TDeafWindow() : TForm(nullptr) {
    SetBorderStyle(bsNone);
    SetBounds(450, 100, 200, 300);
    Show();
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 0, 0};
    SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
  }
  int messages = 0;

 protected:
  void CreateParams(TCreateParams& Params) override {
    TForm::CreateParams(Params);
    Params.Style |= WS_VSCROLL;
  }
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_VSCROLL) {
      ++messages;
      return;
    }
    TForm::WndProc(Message);
  }
};

TEST_F(Scrolling, AWindowThatIgnoresThePositionIsDraggedInstead) {
  auto* deaf = new TDeafWindow;
  person.Pump();
  person.MoveTo(500, 200);
  person.KeyDown(VK_CONTROL);
  person.Advance(25);
  ASSERT_TRUE(engine->Vertical().isOwnBar);
  POINT p{};
  // Against the way the position can go (up from the top) nothing is applied.
  GetCursorPos(&p);
  person.MoveTo(p.x, p.y - 5);
  person.Advance(20);
  EXPECT_EQ(deaf->messages, 0);
  for (int i = 1; i <= 20; ++i) {
    GetCursorPos(&p);
    person.MoveTo(p.x, p.y + 5);
    person.Advance(20);
  }
  EXPECT_GT(deaf->messages, 0);
  EXPECT_TRUE(engine->DragEmulationOnly());
  int switched = 0;
  for (int i = 0; i < engine->MemoKeys()->Lines()->Count(); ++i)
    switched += engine->MemoKeys()->Lines()->Strings(i) == "переключаемся в режим <только эмуляция перетаскивания>";
  EXPECT_EQ(switched, 1);
  person.KeyUp(VK_CONTROL);
  person.Advance(25);
  delete deaf;
}

TEST_F(Scrolling, NoBarUpToTheTopWindowScrollsNothing) {
  auto* bare = new TForm(nullptr);
  bare->SetBorderStyle(bsNone);
  bare->SetBounds(500, 300, 100, 100);
  bare->Show();
  person.MoveTo(550, 350);
  person.KeyDown(VK_CONTROL);
  person.Advance(25);
  EXPECT_EQ(engine->Vertical().kind, 0);
  EXPECT_EQ(engine->Horizontal().kind, 0);
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 550);
  EXPECT_EQ(p.y, 350);
  person.KeyUp(VK_CONTROL);
  person.Advance(25);
  delete bare;
}

}  // namespace
