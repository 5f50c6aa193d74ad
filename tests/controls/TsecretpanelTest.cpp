// The scrolling text panel: where the text and glyph go, how far it scrolls, the
// pixels of a step, stopping and cycling, and ticks from the timer's own thread.

#include <chrono>

#include "Screenfixture.h"
#include "controls/Tsecretpanel.h"

namespace {

class TStepPanel : public TSecretPanel {
 public:
  using TSecretPanel::TSecretPanel;
  void Step(int Count = 1) {
    for (int i = 0; i < Count; ++i) TimerExpired();
  }
};

class SecretPanel : public controlstest::Screen {
 protected:
  TStepPanel* Make(TForm* form, int w = 200, int h = 100) {
    auto* p = new TStepPanel(form);
    p->SetParent(form);
    p->SetBounds(0, 0, w, h);
    p->SetInterval(1000000);  // the test takes the steps
    return p;
  }
  // Pixels of a row of the panel in its font's colour.
  int Ink(TControl* c, int y) {
    int n = 0;
    for (int x = 0; x < c->Width(); ++x)
      if (Pixel(c, x, y) == ColorToRGB(c->Font()->Color())) ++n;
    return n;
  }
  int LineHeight(TControl* c) {
    return CalcTextRect(c->Font(), "W", DT_SINGLELINE).bottom;
  }
};

TEST_F(SecretPanel, ScrollsUpAndStopsWhenThrough) {
  auto* form = Plain();
  auto* panel = Make(form);
  auto* child = new TButton(form);
  child->SetParent(panel);
  child->SetBounds(10, 10, 50, 20);
  panel->Lines()->SetText("\r\n  \r\nHello\r\nthere\r\n");
  int starts = 0, stops = 0;
  panel->OnStartPlay = [&](TObject*) { ++starts; };
  panel->OnStopPlay = [&](TObject*) { ++stops; };
  form->Show();
  person.Pump();
  panel->Play();
  person.Pump();
  EXPECT_TRUE(panel->Active());
  EXPECT_EQ(starts, 1);
  EXPECT_FALSE(child->Visible()) << "children hide while it plays";
  // Lowered bevel of 1: text 4 pixels in from every side.
  RECT t = panel->TextRect();
  EXPECT_EQ(t.left, 4);
  EXPECT_EQ(t.top, 4);
  EXPECT_EQ(t.right, 196);
  EXPECT_EQ(t.bottom, 96);
  int lh = LineHeight(panel);
  EXPECT_EQ(panel->MaxScroll(), 92 + 2 * lh) << "leading blank lines skipped";
  for (int y = 0; y < 100; ++y) EXPECT_EQ(Ink(panel, y), 0) << y;

  // After lh steps the first line stands just above the bottom of the text rectangle.
  panel->Step(lh);
  person.Pump();
  EXPECT_EQ(panel->ScrollCount(), lh);
  EXPECT_GT(Ink(panel, 96 - lh / 2), 0);
  EXPECT_EQ(Ink(panel, 96 - lh - 2), 0);
  panel->Step(lh);
  EXPECT_GT(Ink(panel, 96 - lh - lh / 2), 0) << "moved up by a line";
  EXPECT_EQ(Ink(panel, 2), 0) << "the bevel area stays";

  panel->Step(panel->MaxScroll() - 2 * lh);
  EXPECT_TRUE(panel->Active());
  for (int y = 4; y < 96; ++y) EXPECT_EQ(Ink(panel, y), 0) << "all through: " << y;
  panel->Step();
  person.Pump();
  EXPECT_FALSE(panel->Active());
  EXPECT_EQ(stops, 1);
  EXPECT_TRUE(child->Visible()) << "children come back";
  delete form;
}

TEST_F(SecretPanel, CyclesRestartsAndSmallPanels) {
  auto* form = Plain();
  auto* panel = Make(form);
  panel->SetCycled(true);
  panel->Lines()->SetText("one\r\ntwo\r\n");
  form->Show();
  panel->Play();
  person.Pump();
  int max = panel->MaxScroll();
  panel->Step(max);
  EXPECT_EQ(panel->ScrollCount(), max);
  panel->Step();
  EXPECT_TRUE(panel->Active());
  EXPECT_EQ(panel->ScrollCount(), 0) << "starts again from an empty panel";
  panel->Step(5);
  panel->Lines()->Add("three");
  EXPECT_EQ(panel->ScrollCount(), 0) << "new lines start from the beginning";
  EXPECT_EQ(panel->MaxScroll(), max + LineHeight(panel));

  // A glyph on the left takes its width, 3 pixels and the inset from the text.
  TBitmap glyph;
  glyph.SetSize(20, 10);
  panel->SetGlyph(&glyph);
  EXPECT_EQ(panel->GlyphOrigin().x, 4 + 3);
  EXPECT_EQ(panel->TextRect().left, 4 + 3 + 20 + 4);
  EXPECT_EQ(panel->GlyphOrigin().y, (4 + 96 - 10) / 2);
  // The glyph is drawn with its bottom-left colour left out.
  glyph.Canvas()->Brush()->SetColor(clRed);
  glyph.Canvas()->FillRect(RECT{0, 0, 20, 10});
  glyph.Canvas()->Brush()->SetColor(clLime);
  glyph.Canvas()->FillRect(RECT{0, 5, 10, 10});
  panel->SetGlyph(&glyph);
  panel->Repaint();
  person.Pump();
  POINT g = panel->GlyphOrigin();
  EXPECT_EQ(Pixel(panel, g.x + 15, g.y + 2), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(panel, g.x + 2, g.y + 8), ColorToRGB(panel->Color())) << "transparent";

  // Horizontal: the widest line and the width; the block of lines is centred.
  panel->SetGlyph(nullptr);
  panel->SetScrollDirection(sdHorizontal);
  int lh = LineHeight(panel);
  EXPECT_EQ(panel->MaxScroll(), panel->Canvas()->TextWidth("three") + 192);
  RECT t = panel->TextRect();
  EXPECT_EQ(t.bottom - t.top, 3 * lh + (92 - 3 * lh) % 2);
  panel->Stop();

  // Too small for the insets: no text rectangle, and steps draw nothing.
  panel->SetBounds(0, 0, 8, 8);
  panel->Play();
  RECT none = panel->TextRect();
  EXPECT_EQ(none.right - none.left, 0);
  panel->Step(3);
  person.Pump();
  EXPECT_TRUE(panel->Active());
  delete form;
}

TEST_F(SecretPanel, TicksOfTheTimersThreadPlayItThrough) {
  auto* form = Plain();
  auto* panel = new TSecretPanel(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 60, 30);
  panel->Lines()->Add("x");
  panel->SetInterval(1);
  EXPECT_TRUE(panel->AsyncDrawing());
  int stops = 0;
  panel->OnStopPlay = [&](TObject*) { ++stops; };
  form->Show();
  person.Pump();
  panel->Play();
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (panel->Active() && std::chrono::steady_clock::now() < end) {
    person.Pump();
    CheckSynchronize(2);
  }
  EXPECT_FALSE(panel->Active());
  EXPECT_EQ(stops, 1);
  // And again, this time with the ticks on the main thread, destroyed while playing.
  panel->SetAsyncDrawing(false);
  panel->SetCycled(true);
  panel->Play();
  for (int i = 0; i < 20; ++i) CheckSynchronize(2);
  delete form;
}

}  // namespace
