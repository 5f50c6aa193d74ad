// Speed buttons and their glyphs: state images, layout, groups, repeat, menus, painting.

#include <gtest/gtest.h>

#include <memory>

#include "controls/Texspeedbutton.h"
#include "tests/platform/forms/Formstest.h"

namespace {

// A strip of Count 16 x 16 images on fuchsia: image i has a 4 x 4 square of Colors[i]
// at (6, 6) and a black pixel at (1, 1).
std::unique_ptr<TBitmap> Strip(std::vector<TColor> Colors, int Size = 16) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(Size * static_cast<int>(Colors.size()), Size);
  b->Canvas()->Brush()->SetColor(clFuchsia);
  b->Canvas()->FillRect(RECT{0, 0, b->Width(), Size});
  for (size_t i = 0; i < Colors.size(); ++i) {
    int x = static_cast<int>(i) * Size;
    b->Canvas()->Brush()->SetColor(Colors[i]);
    b->Canvas()->FillRect(RECT{x + 6, 6, x + 10, 10});
    b->Canvas()->SetPixels(x + 1, 1, clBlack);
  }
  return b;
}

COLORREF PixelOf(TBitmap& b, int x, int y) { return ColorToRGB(b.Canvas()->Pixels(x, y)); }

COLORREF Grey(COLORREF c) {
  int g = (77 * GetRValue(c) + 150 * GetGValue(c) + 29 * GetBValue(c)) >> 8;
  return RGB(g, g, g);
}

TEST(Texbuttonglyph, CountsOfGlyphsFromTheBitmapShape) {
  TExButtonGlyph glyph;
  auto four = Strip({clRed, clBlue, clLime, clYellow});
  glyph.SetGlyph(four.get());
  EXPECT_EQ(glyph.NumGlyphs(), 4);
  EXPECT_EQ(ColorToRGB(glyph.TransparentColor()), RGB(255, 0, 255)) << "the bitmap's own transparent colour";
  TBitmap seven;
  seven.SetSize(112, 16);
  glyph.SetGlyph(&seven);
  EXPECT_EQ(glyph.NumGlyphs(), 1) << "more than five squares";
  glyph.SetNumGlyphs(3);
  TBitmap odd;
  odd.SetSize(40, 16);
  glyph.SetGlyph(&odd);
  EXPECT_EQ(glyph.NumGlyphs(), 3) << "a width that is not a multiple keeps the count";
  glyph.SetNumGlyphs(0);
  EXPECT_EQ(glyph.NumGlyphs(), 3);
  glyph.SetNumGlyphs(9);
  EXPECT_EQ(glyph.NumGlyphs(), 5);
}

TEST(Texbuttonglyph, StateImagesAndTheirSharedLists) {
  auto two = Strip({clRed, clBlue});
  {
    TExButtonGlyph glyph;
    glyph.SetGlyph(two.get());
    ASSERT_EQ(glyph.NumGlyphs(), 2);
    TBitmap target;
    target.SetSize(16, 16);
    target.Canvas()->Brush()->SetColor(clWhite);
    target.Canvas()->FillRect(RECT{0, 0, 16, 16});
    EXPECT_EQ(glyph.DrawButtonGlyph(target.Canvas(), 0, 0, rbsDown).cx, 16);
    EXPECT_EQ(PixelOf(target, 7, 7), RGB(255, 0, 0)) << "down with two glyphs is the up image";
    EXPECT_EQ(PixelOf(target, 0, 0), RGB(255, 255, 255)) << "transparent";
    glyph.DrawButtonGlyph(target.Canvas(), 0, 0, rbsDisabled);
    EXPECT_EQ(PixelOf(target, 7, 7), RGB(0, 0, 255)) << "the second image is the disabled one";
    EXPECT_EQ(glyph.CreateButtonGlyph(rbsUp), glyph.CreateButtonGlyph(rbsDown)) << "one image for both";

    TExButtonGlyph single;
    auto one = Strip({RGB(200, 40, 40)});
    single.SetGlyph(one.get());
    single.DrawButtonGlyph(target.Canvas(), 0, 0, rbsInactive);
    EXPECT_EQ(PixelOf(target, 7, 7), Grey(RGB(200, 40, 40))) << "the grey copy";
    target.Canvas()->FillRect(RECT{0, 0, 16, 16});
    single.DrawButtonGlyph(target.Canvas(), 0, 0, rbsDisabled);
    EXPECT_EQ(PixelOf(target, 1, 1), ColorToRGB(clBtnShadow)) << "the black outline embossed";
    EXPECT_EQ(PixelOf(target, 2, 2), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(PixelOf(target, 7, 7), RGB(255, 255, 255)) << "colours vanish when disabled";
    EXPECT_EQ(single.MapColor(clBtnFace), clBtnFace);
    EXPECT_EQ(single.MapColor(single.TransparentColor()), single.TransparentColor());

    // Both glyphs use the one list of 16 x 16 images; slots are reused.
    ASSERT_NE(GlyphCache(), nullptr);
    TGlyphList* list = GlyphCache()->GetList(16, 16);
    int used = list->UsedCount();
    int slots = list->Count();
    glyph.Invalidate();
    EXPECT_EQ(list->UsedCount(), used - 2);
    glyph.CreateButtonGlyph(rbsUp);
    EXPECT_EQ(list->Count(), slots) << "a freed slot is used again before the list grows";
  }
  EXPECT_EQ(GlyphCache(), nullptr) << "the cache goes with the last glyph";
}

TEST(Texbuttonglyph, GlyphListSlots) {
  TGlyphList list(8, 8);
  TBitmap image;
  image.SetSize(8, 8);
  EXPECT_EQ(list.AddMasked(&image, clFuchsia), 0);
  EXPECT_EQ(list.AddMasked(&image, clFuchsia), 1);
  EXPECT_EQ(list.AddMasked(&image, clFuchsia), 2);
  list.Delete(1);
  list.Delete(1);
  EXPECT_EQ(list.UsedCount(), 2) << "a free slot is freed once";
  EXPECT_EQ(list.AllocateIndex(), 1);
  EXPECT_EQ(list.AllocateIndex(), 3);
  EXPECT_EQ(list.Count(), 4);
  list.Delete(-1);
  list.Delete(99);
  EXPECT_EQ(list.UsedCount(), 2);
}

class Speedbuttons : public formstest::Screen {
 protected:
  TExSpeedButton* MakeButton(int x = 10, int y = 10, int w = 75, int h = 25) {
    if (!form) {
      form = new TForm(nullptr);
      form->SetBounds(0, 0, 400, 300);
      form->SetColor(clBtnFace);
      form->Show();
      person.Pump();
    }
    auto* b = new TExSpeedButton(form);
    b->SetParent(form);
    b->SetBounds(x, y, w, h);
    person.Pump();
    return b;
  }
  void TearDown() override {
    delete form;
    form = nullptr;
    formstest::Screen::TearDown();
  }
  TForm* form = nullptr;
};

TEST_F(Speedbuttons, DefaultsAndLayout) {
  TExSpeedButton* b = MakeButton();
  TExSpeedButton fresh(nullptr);
  EXPECT_EQ(fresh.Width(), 25);
  EXPECT_EQ(fresh.Height(), 25);
  EXPECT_EQ(fresh.Layout(), blGlyphTop);
  EXPECT_EQ(fresh.Margin(), -1);
  EXPECT_EQ(fresh.Spacing(), 1);
  EXPECT_EQ(fresh.InitPause(), 500);
  EXPECT_EQ(fresh.RepeatInterval(), 100);
  EXPECT_TRUE(fresh.MarkDropDown());
  EXPECT_TRUE(fresh.GrayedInactive());
  EXPECT_TRUE(fresh.ShowHint());
  EXPECT_FALSE(fresh.ParentShowHint());
  EXPECT_TRUE(fresh.ParentFont());
  fresh.SetMargin(-5);
  EXPECT_EQ(fresh.Margin(), -1) << "below -1 is refused";

  auto glyph = Strip({clRed});
  TExButtonGlyph* g = b->ButtonGlyph();
  g->SetGlyph(glyph.get());
  TCanvas* canvas = b->Canvas();
  canvas->Font()->Assign(b->Font());
  // A caption 20 pixels wide beside a 16-pixel glyph on a 75-pixel button.
  int charWidth = CalcTextRect(b->Font(), "WWWW", DT_SINGLELINE, 0).right / 4;
  std::string caption(20 / charWidth, 'W');
  int textWidth = CalcTextRect(b->Font(), caption, DT_SINGLELINE, 0).right;
  POINT glyphPos{};
  RECT text{};
  std::string shown = caption;
  g->CalcButtonLayout(canvas, RECT{0, 0, 75, 25}, shown, blGlyphLeft, -1, -1, false, glyphPos, text, DT_CENTER,
                      nullptr, -1);
  int expected = (75 - 16 - textWidth) / 3;
  if (textWidth == 20) {
    EXPECT_EQ(expected, 13);
  }
  EXPECT_EQ(glyphPos.x, expected);
  EXPECT_EQ(text.left, expected + 16 + expected);
  EXPECT_EQ(glyphPos.y, 25 / 2 - 8);
  EXPECT_EQ(shown, caption);

  // Too wide: shortened with "..." unless words wrap.
  shown = std::string(40, 'W');
  g->CalcButtonLayout(canvas, RECT{0, 0, 75, 25}, shown, blGlyphTop, -1, -1, false, glyphPos, text, DT_CENTER,
                      nullptr, -1);
  EXPECT_EQ(shown.substr(shown.size() - 3), "...");
  EXPECT_LE(CalcTextRect(b->Font(), shown, DT_SINGLELINE, 0).right, 75);
  g->SetWordWrap(true);
  shown = std::string(40, 'W');
  g->CalcButtonLayout(canvas, RECT{0, 0, 75, 25}, shown, blGlyphTop, -1, -1, false, glyphPos, text, DT_CENTER,
                      nullptr, -1);
  EXPECT_EQ(shown, std::string(40, 'W'));
  g->SetWordWrap(false);

  // Given margin and spacing on the right; the mark widens a glyph not on the left.
  shown = "";
  g->CalcButtonLayout(canvas, RECT{5, 5, 80, 30}, shown, blGlyphRight, 4, 2, true, glyphPos, text, DT_CENTER,
                      nullptr, -1);
  EXPECT_EQ(glyphPos.x, 5 + 75 - 4 - (16 + 6));
  EXPECT_EQ(glyphPos.y, 5 + 25 / 2 - 8);
}

TEST_F(Speedbuttons, PaintsFrameGlyphAndStates) {
  TExSpeedButton* b = MakeButton(10, 10, 40, 40);
  auto glyph = Strip({clRed, clBlue, clLime});
  b->SetGlyph(glyph.get());
  EXPECT_EQ(b->NumGlyphs(), 3);
  b->SetMargin(4);
  person.Pump();
  // Up: the new-style raised frame, the glyph centred across and 4 down from the frame.
  EXPECT_EQ(Pixel(b, 0, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(Pixel(b, 39, 39), ColorToRGB(clWindowFrame));
  EXPECT_EQ(Pixel(b, 38, 38), ColorToRGB(clBtnShadow));
  int gx = 2 + (36 / 2 - 8), gy = 2 + 4;
  EXPECT_EQ(Pixel(b, gx + 7, gy + 7), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(b, gx, gy), ColorToRGB(clBtnFace)) << "transparent on the face";

  person.MoveTo(At(b, 20, 20).x, At(b, 20, 20).y);
  person.Press();
  person.Pump();
  EXPECT_EQ(b->State(), rbsDown);
  EXPECT_EQ(Pixel(b, 0, 0), ColorToRGB(clWindowFrame)) << "the sunken frame";
  EXPECT_EQ(Pixel(b, gx + 8, gy + 8), RGB(0, 255, 0)) << "the third image, one pixel down and right";
  person.Release();
  person.Pump();
  EXPECT_EQ(b->State(), rbsUp);

  b->SetEnabled(false);
  person.Pump();
  EXPECT_EQ(Pixel(b, gx + 7, gy + 7), RGB(0, 0, 255)) << "the disabled image";

  // Flat: no frame and the grey image away from the mouse; frame and colour under it.
  b->SetEnabled(true);
  b->SetFlat(true);
  person.MoveTo(300, 250);
  person.Pump();
  EXPECT_FALSE(b->MouseInControl());
  EXPECT_EQ(Pixel(b, 0, 0), ColorToRGB(clBtnFace));
  EXPECT_EQ(Pixel(b, gx + 7, gy + 7), Grey(RGB(255, 0, 0)));
  person.MoveTo(At(b, 20, 20).x, At(b, 20, 20).y);
  person.Pump();
  EXPECT_TRUE(b->MouseInControl());
  EXPECT_EQ(Pixel(b, 0, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(Pixel(b, gx + 7, gy + 7), RGB(255, 0, 0));
  b->SetGrayedInactive(false);
  person.MoveTo(300, 250);
  person.Pump();
  EXPECT_EQ(Pixel(b, gx + 7, gy + 7), RGB(255, 0, 0)) << "colour kept without grayed-inactive";
}

TEST_F(Speedbuttons, TransparentButtonShowsItsParent) {
  form = new TForm(nullptr);
  form->SetBounds(0, 0, 200, 100);
  form->SetColor(clYellow);
  form->Show();
  TExSpeedButton* b = MakeButton(10, 10, 30, 30);
  b->SetFlat(true);
  b->SetTransparent(true);
  person.MoveTo(190, 90);
  person.Pump();
  EXPECT_EQ(Pixel(b, 1, 1), RGB(255, 255, 0));
}

TEST_F(Speedbuttons, ClicksEventsAndModalResult) {
  TExSpeedButton* b = MakeButton();
  int clicks = 0, enters = 0, leaves = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  b->OnMouseEnter = [&](TObject*) { ++enters; };
  b->OnMouseLeave = [&](TObject*) { ++leaves; };
  b->SetModalResult(mrOk);
  ClickAt(b, 10, 10);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form->ModalResult(), mrOk);
  EXPECT_EQ(enters, 1);
  person.MoveTo(300, 250);
  person.Pump();
  EXPECT_EQ(leaves, 1);
  // Pressed inside, released outside: no click.
  person.MoveTo(At(b, 5, 5).x, At(b, 5, 5).y);
  person.Press();
  person.MoveTo(300, 250);
  person.Pump();
  EXPECT_EQ(b->State(), rbsUp);
  EXPECT_EQ(leaves, 1) << "no leave while the button is held";
  person.Release();
  person.Pump();
  EXPECT_EQ(clicks, 1);
  // While held, the bottom edge counts as inside, the right edge does not.
  person.MoveTo(At(b, 5, 5).x, At(b, 5, 5).y);
  person.Press();
  person.MoveTo(At(b, 5, b->Height()).x, At(b, 5, b->Height()).y);
  person.Pump();
  EXPECT_EQ(b->State(), rbsDown);
  person.MoveTo(At(b, b->Width(), 5).x, At(b, b->Width(), 5).y);
  person.Pump();
  EXPECT_EQ(b->State(), rbsUp);
  person.MoveTo(At(b, 5, b->Height()).x, At(b, 5, b->Height()).y);
  person.Release();
  person.Pump();
  EXPECT_EQ(clicks, 2) << "released on the bottom edge: a click";
  // Right button: no click.
  ClickAt(b, 10, 10, platform::MouseButton::Right);
  EXPECT_EQ(clicks, 2);
  // A programmatic press and an accelerator.
  b->ButtonClick();
  EXPECT_EQ(clicks, 3);
  b->SetCaption("&Go");
  EXPECT_EQ(b->Perform(CM_DIALOGCHAR, 'g', 0), 1);
  EXPECT_EQ(b->Perform(CM_DIALOGCHAR, 'o', 0), 0);
  EXPECT_EQ(clicks, 4);
  b->SetEnabled(false);
  b->ButtonClick();
  ClickAt(b, 10, 10);
  EXPECT_EQ(clicks, 4) << "a disabled button does nothing";
}

TEST_F(Speedbuttons, GroupsLatchAndRelease) {
  TExSpeedButton* a = MakeButton(10, 10);
  TExSpeedButton* c = MakeButton(100, 10);
  a->SetGroupIndex(1);
  c->SetGroupIndex(1);
  TExSpeedButton* other = MakeButton(200, 10);
  other->SetDown(true);
  EXPECT_FALSE(other->Down()) << "no group, no down";
  ClickAt(a, 10, 10);
  EXPECT_TRUE(a->Down());
  EXPECT_EQ(a->State(), rbsExclusive);
  ClickAt(a, 10, 10);
  EXPECT_TRUE(a->Down()) << "stays down without AllowAllUp";
  ClickAt(c, 10, 10);
  EXPECT_TRUE(c->Down());
  EXPECT_FALSE(a->Down()) << "pressing another member releases it";
  EXPECT_EQ(a->State(), rbsUp);
  a->SetAllowAllUp(true);
  EXPECT_TRUE(c->AllowAllUp()) << "the group shares AllowAllUp";
  ClickAt(c, 10, 10);
  EXPECT_FALSE(c->Down());
  c->SetDown(true);
  a->SetDown(true);
  EXPECT_FALSE(c->Down());
  int dbl = 0;
  a->OnDblClick = [&](TObject*) { ++dbl; };
  POINT p = At(a, 10, 10);
  person.DoubleClick(p.x, p.y);
  person.Pump();
  EXPECT_EQ(dbl, 0) << "released by the first click: the double click does not count";
}

TEST_F(Speedbuttons, AutoRepeatWhileHeldOverTheButton) {
  TExSpeedButton* b = MakeButton();
  b->SetAllowTimer(true);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  POINT p = At(b, 10, 10);
  person.MoveTo(p.x, p.y);
  person.Press();
  person.Pump();
  person.Advance(499);
  EXPECT_EQ(clicks, 0);
  person.Advance(1);
  EXPECT_EQ(clicks, 1) << "first after the initial pause";
  person.Advance(300);
  EXPECT_EQ(clicks, 4) << "then every 100 ms";
  person.MoveTo(300, 250);
  person.Pump();
  person.Advance(300);
  EXPECT_EQ(clicks, 4) << "not while the pointer is away";
  person.MoveTo(p.x, p.y);
  person.Pump();
  person.Advance(100);
  EXPECT_EQ(clicks, 5);
  person.Release();
  person.Pump();
  EXPECT_EQ(clicks, 6) << "and the release inside";
  person.Advance(500);
  EXPECT_EQ(clicks, 6);
  b->SetAllowTimer(false);
  EXPECT_EQ(b->RepeatTimer(), nullptr);
}

TEST_F(Speedbuttons, DropDownMenu) {
  TExSpeedButton* b = MakeButton(20, 20, 60, 25);
  auto* menu = new TPopupMenu(form);
  auto* item = new TMenuItem(menu);
  item->SetCaption("Item");
  menu->Items()->Add(item);
  int clicks = 0, popups = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  menu->OnPopup = [&](TObject*) { ++popups; };
  b->SetDropDownMenu(menu);
  EXPECT_EQ(b->GetDropDownMenuPos().x, -1);
  EXPECT_EQ(b->GetDropDownMenuPos().y, 25);
  menu->SetAlignment(paRight);
  EXPECT_EQ(b->GetDropDownMenuPos().x, 61);
  b->SetMenuPosition(dmpRight);
  menu->SetAlignment(paLeft);
  EXPECT_EQ(b->GetDropDownMenuPos().x, 60);
  EXPECT_EQ(b->GetDropDownMenuPos().y, -1);
  b->SetMenuPosition(dmpBottom);

  int step = 0;
  RECT menuRect{};
  platform::SetMenuLoopIdleHook([&] {
    if (step++ > 0) return;
    GetWindowRect(platform::OpenMenuWindows().at(0), &menuRect);
    person.Release();
    person.PressKey(VK_ESCAPE);
  });
  POINT p = At(b, 10, 10);
  person.MoveTo(p.x, p.y);
  person.Press();
  person.Pump();
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(menu->PopupComponent(), b);
  EXPECT_EQ(menuRect.left, At(b, -1, 25).x);
  EXPECT_EQ(menuRect.top, At(b, -1, 25).y);
  EXPECT_EQ(clicks, 0) << "the press that opened the menu is no click";
  EXPECT_EQ(b->State(), rbsUp);
  // ButtonClick does nothing while the menu pops up by itself.
  b->ButtonClick();
  EXPECT_EQ(clicks, 0);
  platform::SetMenuLoopIdleHook(nullptr);
  delete menu;
  EXPECT_EQ(b->DropDownMenu(), nullptr) << "a freed menu is forgotten";
}

TEST_F(Speedbuttons, ButtonFramesAndPopupMark) {
  TBitmap b;
  b.SetSize(20, 20);
  TCanvas* c = b.Canvas();
  RECT inner = DrawButtonFrame(c, RECT{0, 0, 20, 20}, false, false, bsNew);
  EXPECT_EQ(inner.left, 3);
  EXPECT_EQ(inner.right, 17);
  EXPECT_EQ(PixelOf(b, 0, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelOf(b, 19, 19), ColorToRGB(clWindowFrame));
  EXPECT_EQ(PixelOf(b, 18, 18), ColorToRGB(clBtnShadow));
  inner = DrawButtonFrame(c, RECT{0, 0, 20, 20}, true, true, bsNew);
  EXPECT_EQ(inner.left, 2);
  EXPECT_EQ(PixelOf(b, 0, 0), ColorToRGB(clWindowFrame));
  EXPECT_EQ(PixelOf(b, 19, 19), ColorToRGB(clBtnHighlight));
  c->Brush()->SetColor(clWhite);
  c->FillRect(RECT{0, 0, 20, 20});
  DrawButtonFrame(c, RECT{0, 0, 20, 20}, true, false, bsWin31);
  EXPECT_EQ(PixelOf(b, 19, 19), ColorToRGB(clWindowFrame));
  EXPECT_EQ(PixelOf(b, 1, 1), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelOf(b, 18, 18), RGB(255, 255, 255));

  c->FillRect(RECT{0, 0, 20, 20});
  TExButtonGlyph g;
  g.DrawPopupMark(c, 5, 5, rbsUp);
  int marked = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) marked += PixelOf(b, x, y) == ColorToRGB(clBtnText);
  EXPECT_EQ(marked, 16);
  EXPECT_EQ(PixelOf(b, 5, 4), ColorToRGB(clBtnText));
  EXPECT_EQ(PixelOf(b, 11, 4), ColorToRGB(clBtnText));
  EXPECT_EQ(PixelOf(b, 8, 7), ColorToRGB(clBtnText));
  EXPECT_EQ(PixelOf(b, 5, 5), RGB(255, 255, 255));

  TButtonImage image;
  image.SetCaption("");
  auto glyph = Strip({clRed});
  image.SetGlyph(glyph.get());
  c->FillRect(RECT{0, 0, 20, 20});
  image.SetButtonSize(SIZE{20, 20});
  image.Draw(c, 0, 0, -1, -1, blGlyphTop, nullptr, DT_CENTER);
  EXPECT_EQ(PixelOf(b, 0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelOf(b, 1, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelOf(b, 19, 19), ColorToRGB(clWindowFrame));
  EXPECT_EQ(PixelOf(b, 2 + 7, 2 + 7), RGB(255, 0, 0));
  EXPECT_EQ(ColorToRGB(c->Brush()->Color()), RGB(255, 255, 255)) << "the canvas is left as it was";
}

}  // namespace
