// References in the upper text of a browse window: hovered by the pointer they are drawn
// at once in the hover colour on the colour of the block they name, with the hand cursor;
// the pointer leaving them draws them plain again.

#include "Browsetest.h"

#include "browse/Tblocktextpainter.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"

namespace browsetest {
namespace {

using UpperText = BrowseTest;

TEST_F(UpperText, HoveringAReferenceHighlightsItInTheWindow) {
  pars.HoverFontColor = 0x0000FF;
  pars.MarkSignificantColor = 0x00FFFF;
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  TDiscussion& discussion = Discussion(ecology);
  const TDiscBlockIndex root = discussion.Storages.GetRootBlockIndex();
  discussion.Storages.GetDiscBlock(root)->Importance = 1;  // significant: the colour behind it

  TFont textFont, referenceFont;
  textFont.SetName("Arial");
  textFont.SetSize(9);
  referenceFont.SetName("Arial");
  referenceFont.SetSize(12);
  referenceFont.SetColor(clNavy);
  int paints = 0;
  form->PanelUpperBlockPaintBox->SetHeight(60);
  form->PaintBoxUpperBlock->OnPaint = [&](TObject*) {
    ++paints;
    TCanvas* canvas = form->PaintBoxUpperBlock->Canvas();
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(form->PaintBoxUpperBlock->ClientRect());
    browse.DrawBlockText(root, HyperRefOwner_Upper, *canvas, &textFont, &referenceFont,
                         RECT{0, 0, form->PaintBoxUpperBlock->Width(), 60}, "Up to <*> and <77>", "", 10, 5,
                         BlockText_AllLines, false);
  };
  form->PaintBoxUpperBlock->Invalidate();
  Pump();
  ASSERT_EQ(browse.HitAreas.Items.Count(), 2u);
  // "Up to " is 36 pixels from the indent 10: "<*>" is at 46, 24 wide and 20 high.
  const THyperRefInfoItem& star = browse.HitAreas.Items[0];
  EXPECT_EQ(star.X, 46);
  EXPECT_EQ(star.Y, 5);
  EXPECT_EQ(star.Text.ToString(), "*");
  HWND panel = form->PanelUpperBlockPaintBox->Handle();
  EXPECT_EQ(screen->WindowPixel(panel, 47, 5 + 10), COLORREF(clNavy));
  EXPECT_EQ(screen->WindowPixel(panel, 46 + 6, 5 + 10), COLORREF(clNavy));
  EXPECT_EQ(screen->WindowPixel(panel, 46 + 7, 5 + 10), COLORREF(clWhite));

  const POINT over = form->PaintBoxUpperBlock->ClientToScreen(POINT{50, 12});
  person.MoveTo(over.x, over.y);
  Pump();
  EXPECT_EQ(browse.HitAreas.Hovered, 0);
  EXPECT_EQ(Screen->Cursor(), crHandPoint);
  EXPECT_EQ(screen->WindowPixel(panel, 47, 5 + 10), COLORREF(0x0000FF)) << "the hover colour";
  EXPECT_EQ(screen->WindowPixel(panel, 46 + 7, 5 + 10), COLORREF(0x00FFFF)) << "the named block's colour";
  EXPECT_EQ(browse.HitAreas.Items.Count(), 2u) << "the highlight records nothing";
  const int paintsHovered = paints;
  person.MoveTo(over.x + 2, over.y);
  Pump();
  EXPECT_EQ(paints, paintsHovered) << "moving within the hovered reference repaints nothing";

  // A reference to no block is highlighted on white.
  const POINT unknown = form->PaintBoxUpperBlock->ClientToScreen(POINT{int(browse.HitAreas.Items[1].X) + 2, 12});
  person.MoveTo(unknown.x, unknown.y);
  Pump();
  EXPECT_EQ(browse.HitAreas.Hovered, 1);
  EXPECT_EQ(screen->WindowPixel(panel, 47, 5 + 10), COLORREF(clNavy)) << "the first one is plain again";
  EXPECT_EQ(screen->WindowPixel(panel, browse.HitAreas.Items[1].X + 7, 5 + 10), COLORREF(clWhite));

  const POINT away = form->PaintBoxUpperBlock->ClientToScreen(POINT{300, 40});
  person.MoveTo(away.x, away.y);
  Pump();
  EXPECT_EQ(browse.HitAreas.Hovered, -1);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(screen->WindowPixel(panel, browse.HitAreas.Items[1].X + 1, 5 + 10), COLORREF(clNavy));
  form->PaintBoxUpperBlock->OnPaint = nullptr;
}

}  // namespace
}  // namespace browsetest
