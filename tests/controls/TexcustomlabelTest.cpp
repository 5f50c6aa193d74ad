// The label with shadow text: the drawing routine, sizing, pixels, the focus control
// and mouse tracking.

#include "Screenfixture.h"
#include "controls/Texcustomlabel.h"

namespace {

class ExLabel : public controlstest::Screen {
 protected:
  int CountColour(TControl* c, COLORREF colour) {
    int n = 0;
    for (int y = 0; y < c->Height(); ++y)
      for (int x = 0; x < c->Width(); ++x)
        if (Pixel(c, x, y) == colour) ++n;
    return n;
  }
};

TEST_F(ExLabel, ShadowTextMeasuresAndDrawsTwice) {
  HDC screenDc = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screenDc);
  HBITMAP bitmap = CreateCompatibleBitmap(screenDc, 120, 40);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, 120, 40};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT plain{0, 0, 100, 20};
  int height = DrawText(dc, "Wy", 2, &plain, DT_CALCRECT);
  RECT r{0, 0, 100, 20};
  EXPECT_EQ(DrawShadowText(dc, "Wy", 2, r, 0, 2, RGB(255, 0, 0), spRightBottom), height + 2);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 102);
  EXPECT_EQ(r.bottom, 22);
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0)) << "the text colour is given back";
  int red = 0, black = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      COLORREF c = GetPixel(dc, x, y);
      red += c == RGB(255, 0, 0);
      black += c == RGB(0, 0, 0);
    }
  EXPECT_GT(red, 0);
  EXPECT_GT(black, 0);
  // Measuring: both rectangles measured, united.
  RECT m{10, 10, 10, 10};
  DrawShadowText(dc, "Wy", 2, m, DT_CALCRECT, 3, RGB(255, 0, 0), spLeftTop);
  EXPECT_EQ(m.left, 7);
  EXPECT_EQ(m.top, 7);
  EXPECT_EQ(m.right, 10 + plain.right);
  EXPECT_EQ(m.bottom, 10 + plain.bottom);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screenDc);
}

TEST_F(ExLabel, SizesItselfToItsText) {
  auto* form = Plain();
  auto* label = new TExLabel(form);
  label->SetParent(form);
  label->SetBounds(100, 10, 10, 10);
  RECT text = CalcTextRect(label->Font(), "Hello", DT_SINGLELINE);
  label->SetCaption("Hello");
  EXPECT_EQ(label->Width(), text.right + 1 + 2) << "text, shadow and a pixel each side";
  EXPECT_EQ(label->Height(), text.bottom + 1 + 2);
  label->SetShadowSize(0);
  EXPECT_EQ(label->Width(), text.right + 2);
  label->SetLeftMargin(5);
  label->SetRightMargin(-3);
  EXPECT_EQ(label->RightMargin(), 0);
  EXPECT_EQ(label->Width(), text.right + 2 + 5);
  // A lone "&" is measured with a blank after it, so the label keeps a width.
  label->SetLeftMargin(0);
  label->SetCaption("&");
  EXPECT_GT(label->Width(), 2);
  // A right-aligned label keeps its right edge.
  label->SetAlignment(taRightJustify);
  label->SetCaption("Hi");
  int right = label->Left() + label->Width();
  label->SetCaption("Hello there");
  EXPECT_EQ(label->Left() + label->Width(), right);
  delete form;
}

TEST_F(ExLabel, PaintsTextAndShadowAndTheDisabledLook) {
  auto* form = Plain();
  form->SetColor(clWhite);
  auto* label = new TExLabel(form);
  label->SetParent(form);
  label->SetLeft(10);
  label->SetTop(10);
  label->SetColor(clWhite);
  label->Font()->SetColor(clBlack);
  label->SetShadowColor(clRed);
  label->SetShadowSize(2);
  label->SetShadowPos(spRightBottom);
  label->SetCaption("Shadow");
  form->Show();
  person.Pump();
  EXPECT_GT(CountColour(label, RGB(0, 0, 0)), 0);
  EXPECT_GT(CountColour(label, RGB(255, 0, 0)), 0);
  // Disabled: grey text over a highlight shadow.
  label->SetEnabled(false);
  label->Repaint();
  person.Pump();
  EXPECT_EQ(CountColour(label, RGB(0, 0, 0)), 0);
  EXPECT_EQ(CountColour(label, RGB(255, 0, 0)), 0);
  EXPECT_GT(CountColour(label, GetSysColor(COLOR_GRAYTEXT)), 0);
  // Without a shadow of its own, a disabled label still gets an embossed one.
  label->SetShadowSize(0);
  label->SetColor(clBlack);
  label->Repaint();
  person.Pump();
  EXPECT_GT(CountColour(label, GetSysColor(COLOR_BTNHIGHLIGHT)), 0);
  // Transparent: the form's colour shows.
  label->SetTransparent(true);
  label->Repaint();
  person.Pump();
  EXPECT_EQ(CountColour(label, RGB(0, 0, 0)), 0);
  delete form;
}

TEST_F(ExLabel, AcceleratorFocusAndMouseTracking) {
  auto* form = Plain();
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 100, 100, 24);
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->SetBounds(10, 140, 100, 24);
  auto* label = new TExLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 10, 10, 10);
  label->SetCaption("&Name");
  label->SetFocusControl(edit);
  label->SetShowFocus(true);
  int enters = 0, leaves = 0;
  label->OnMouseEnter = [&](TObject*) { ++enters; };
  label->OnMouseLeave = [&](TObject*) { ++leaves; };
  form->Show();
  other->SetFocus();
  person.Pump();
  person.PressKey('N', false, false, true);
  person.Pump();
  EXPECT_TRUE(edit->Focused()) << "the accelerator focuses the focus control";

  POINT in = At(label, 3, 3), out = At(label, 200, 150);
  person.MoveTo(in.x, in.y);
  person.Pump();
  EXPECT_EQ(enters, 1);
  EXPECT_TRUE(label->MouseInControl());
  person.MoveTo(out.x, out.y);
  person.Pump();
  EXPECT_EQ(leaves, 1);
  // Pressed on the label, it stays in until the button comes up.
  person.MoveTo(in.x, in.y);
  person.Press();
  person.MoveTo(out.x, out.y);
  person.Pump();
  EXPECT_EQ(leaves, 1);
  person.Release();
  person.Pump();
  EXPECT_EQ(leaves, 2);
  EXPECT_FALSE(label->MouseInControl());
  // The focus control going away leaves no reference behind.
  delete edit;
  EXPECT_EQ(label->FocusControl(), nullptr);
  delete form;
}

}  // namespace
