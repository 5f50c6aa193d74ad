// The splitter: which control a drag resizes and how, limits, cancelling, cursors and
// the inverted line.

#include "Screenfixture.h"
#include "controls/Texsplitter.h"

namespace {

class ExSplitter : public controlstest::Screen {
 protected:
  void Build(TAlign firstAlign, TAlign splitterAlign, int firstSize = 100) {
    form = Plain(400, 300);
    first = new TPanel(form);
    first->SetParent(form);
    if (firstAlign == alTop || firstAlign == alBottom) first->SetHeight(firstSize);
    else first->SetWidth(firstSize);
    first->SetAlign(firstAlign);
    splitter = new TExSplitter(form);
    splitter->SetParent(form);
    if (splitterAlign == alLeft) splitter->SetLeft(firstSize + 1);
    if (splitterAlign == alRight) splitter->SetBounds(400 - firstSize - 5, 0, 3, 10);
    if (splitterAlign == alTop) splitter->SetTop(firstSize + 1);
    splitter->SetAlign(splitterAlign);
    second = new TPanel(form);
    second->SetParent(form);
    second->SetAlign(alClient);
    splitter->SetControlSecond(second);
    edit = new TEdit(second);
    edit->SetParent(second);
    edit->SetBounds(5, 5, 50, 20);
    splitter->OnPosChanged = [this](TObject*) { ++changed; };
    form->Show();
    edit->SetFocus();
    person.Pump();
  }
  // Drags from the splitter's middle by (dx, dy) screen pixels, in steps.
  void Drag(int dx, int dy, bool escape = false) {
    POINT p = At(splitter, splitter->Width() / 2, splitter->Height() / 2);
    person.MoveTo(p.x, p.y);
    person.Press();
    for (int i = 1; i <= 3; ++i) person.MoveTo(p.x + dx * i / 3, p.y + dy * i / 3);
    person.Pump();
    if (escape) {
      person.PressKey(VK_ESCAPE);
      person.Pump();
    }
    person.Release();
    person.Pump();
  }

  TForm* form = nullptr;
  TPanel* first = nullptr;
  TPanel* second = nullptr;
  TExSplitter* splitter = nullptr;
  TEdit* edit = nullptr;
  int changed = 0;
};

TEST_F(ExSplitter, DraggingWidensTheFirstControl) {
  Build(alLeft, alLeft);
  EXPECT_EQ(splitter->Width(), 3) << "a new align makes a thin bar";
  EXPECT_EQ(splitter->ControlFirst(), first) << "found next to it";
  EXPECT_EQ(splitter->GetStyle(), spVerticalFirst);
  EXPECT_EQ(splitter->Cursor(), crHSplit);
  int moves = 0;
  splitter->OnPosChanging = [&](TObject*, int, int, bool& allow) {
    ++moves;
    allow = true;
  };
  Drag(30, 0);
  EXPECT_EQ(first->Width(), 130);
  EXPECT_EQ(splitter->Left(), 130) << "the layout follows";
  EXPECT_EQ(changed, 1);
  EXPECT_GT(moves, 0);
  EXPECT_FALSE(splitter->Sizing());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ExSplitter, TheLineIsDrawnInvertedWhileDragging) {
  Build(alLeft, alLeft);
  COLORREF before = screen.WindowPixel(form->Handle(), 160, 2);
  POINT p = At(splitter, 1, 1);
  person.MoveTo(p.x, p.y);
  person.Press();
  person.MoveTo(p.x + 30, p.y);
  person.Pump();
  COLORREF during = screen.WindowPixel(form->Handle(), 131, 2);
  EXPECT_EQ(during, RGB(255, 255, 255) ^ screen.WindowPixel(form->Handle(), 160, 2)) << "inverted at the new place";
  EXPECT_EQ(screen.WindowPixel(form->Handle(), 131, 250), during) << "across the whole height";
  person.Release();
  person.Pump();
  EXPECT_EQ(screen.WindowPixel(form->Handle(), 160, 2), before);
}

TEST_F(ExSplitter, ARightAlignedControlGrowsLeftwards) {
  Build(alRight, alRight);
  EXPECT_EQ(splitter->ControlFirst(), first) << splitter->Left() << " " << first->Left();
  EXPECT_EQ(splitter->GetStyle(), spVerticalFirst);
  Drag(-30, 0);
  EXPECT_EQ(first->Width(), 130);
  EXPECT_EQ(changed, 1);
}

TEST_F(ExSplitter, LimitsStopTheLineAndEscapeCancels) {
  Build(alLeft, alLeft);
  POINT p = At(splitter, 1, 1);
  person.MoveTo(p.x, p.y);
  person.Press();
  person.MoveTo(p.x + 350, p.y);
  person.Pump();
  EXPECT_EQ(platform::ShapeOf(GetCursor()), platform::CursorShape::NoDrop) << "beyond the limit";
  person.Release();
  person.Pump();
  EXPECT_EQ(first->Width(), 400 - 20 - 3) << "the bar stops at the limit from the edge";

  // Escape: nothing changes and nobody is told.
  changed = 0;
  int width = first->Width();
  Drag(-100, 0, true);
  EXPECT_EQ(first->Width(), width);
  EXPECT_EQ(changed, 0);
  EXPECT_FALSE(splitter->Sizing());
  // The edit has its own keys again.
  int keys = 0;
  edit->OnKeyDown = [&](TObject*, WORD&, TShiftState) { ++keys; };
  person.PressKey(VK_ESCAPE);
  person.Pump();
  EXPECT_EQ(keys, 1);
}

TEST_F(ExSplitter, HeightsAndMismatchedAligns) {
  Build(alTop, alTop, 50);
  EXPECT_EQ(splitter->Height(), 3);
  EXPECT_EQ(splitter->GetStyle(), spHorizontalFirst);
  EXPECT_EQ(splitter->Cursor(), crVSplit);
  Drag(0, 20);
  EXPECT_EQ(first->Height(), 70);
  // A splitter aligned otherwise than its control cannot be dragged.
  splitter->SetAlign(alLeft);
  EXPECT_EQ(splitter->GetStyle(), spUnknown);
  EXPECT_EQ(splitter->Cursor(), crDefault);
  changed = 0;
  Drag(20, 0);
  EXPECT_EQ(first->Height(), 70);
  EXPECT_EQ(changed, 0);
  delete second;
  EXPECT_EQ(splitter->ControlSecond(), nullptr);
  splitter->SetLimitOffset(5);
  EXPECT_EQ(splitter->TopLeftLimit(), 5);
  EXPECT_EQ(splitter->BottomRightLimit(), 5);
}

}  // namespace
