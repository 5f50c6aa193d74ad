// Window, drawing and system utilities of the controls.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "controls/Ctlutils.h"
#include "platform/rtl/Tickcount.h"
#include "tests/platform/forms/Formstest.h"

namespace {

class Ctlutils : public formstest::Screen {
 protected:
  TForm* MakeForm(int w = 300, int h = 200) {
    auto* form = new TForm(nullptr);
    form->SetBounds(10, 10, w, h);
    form->Show();
    person.Pump();
    return form;
  }
};

COLORREF PixelOf(TBitmap& b, int x, int y) { return ColorToRGB(b.Canvas()->Pixels(x, y)); }

TEST_F(Ctlutils, DelayHandlesPendingMessagesAndWaits) {
  TForm* form = MakeForm();
  int seen = 0;
  auto inherited = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_USER + 5) ++seen;
    inherited(m);
  };
  PostMessage(form->Handle(), WM_USER + 5, 0, 0);
  Delay(0);
  EXPECT_EQ(seen, 1) << "pending messages are handled once even without a wait";
  uint32_t start = GetTickCount();
  Delay(30);
  EXPECT_GE(GetTickCount() - start, 30u);
  delete form;
}

TEST_F(Ctlutils, CentringWindowsAndControls) {
  TForm* form = MakeForm(200, 100);
  CenterWindow(form->Handle());
  RECT r;
  GetWindowRect(form->Handle(), &r);
  EXPECT_EQ(r.left, (800 - 200) / 2);
  EXPECT_EQ(r.top, (600 - 100) / 2);
  EXPECT_EQ(r.right - r.left, 200) << "no resize";
  TForm* huge = MakeForm(1000, 700);
  CenterWindow(huge->Handle());
  GetWindowRect(huge->Handle(), &r);
  EXPECT_EQ(r.left, 0) << "never off the left of the screen";
  EXPECT_EQ(r.top, 0);

  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 40, 20);
  CenterControl(panel);
  EXPECT_EQ(panel->Left(), (form->ClientWidth() - 40) / 2);
  EXPECT_EQ(panel->Top(), (form->ClientHeight() - 20) / 2);
  panel->SetBounds(0, 0, 500, 500);
  CenterControl(panel);
  EXPECT_EQ(panel->Left(), 0);
  EXPECT_EQ(panel->Top(), 0);
  CenterControl(form);
  EXPECT_EQ(form->Left(), 300);
  delete huge;
  delete form;
}

TEST_F(Ctlutils, InstancesForegroundAndClassNames) {
  TForm* form = MakeForm();
  form->SetCaption("Ctlutils instance");
  person.Pump();
  std::string cls = WindowClassName(form->Handle());
  EXPECT_FALSE(cls.empty());
  EXPECT_EQ(FindPrevInstance(cls, "Ctlutils instance"), form->Handle());
  EXPECT_EQ(FindPrevInstance("", "Ctlutils instance"), form->Handle());
  EXPECT_EQ(FindPrevInstance("", ""), nullptr);
  EXPECT_EQ(FindPrevInstance("", "no such title"), nullptr);
  EXPECT_FALSE(ActivatePrevInstance("", "no such title"));
  ShowWindow(form->Handle(), SW_MINIMIZE);
  person.Pump();
  EXPECT_TRUE(ActivatePrevInstance("", "Ctlutils instance"));
  person.Pump();
  EXPECT_FALSE(IsIconic(form->Handle())) << "a minimized instance is restored";
  ActivateWindow(form->Handle());
  person.Pump();
  EXPECT_TRUE(IsForegroundTask());
  delete form;
}

TEST_F(Ctlutils, KillMessageRemovesOnePendingMessage) {
  TForm* form = MakeForm();
  HWND h = form->Handle();
  person.Pump();
  PostMessage(h, WM_USER + 7, 1, 0);
  PostMessage(h, WM_USER + 7, 2, 0);
  KillMessage(h, WM_USER + 7);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, h, WM_USER + 7, WM_USER + 7, PM_REMOVE));
  EXPECT_EQ(m.wParam, 2u);
  EXPECT_FALSE(PeekMessage(&m, h, WM_USER + 7, WM_USER + 7, PM_REMOVE));
  PostQuitMessage(3);
  KillMessage(nullptr, WM_QUIT);
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "a quit is never lost";
  EXPECT_EQ(m.wParam, 3u);
  delete form;
}

TEST_F(Ctlutils, WaitCursorNests) {
  ::Screen->SetCursor(crCross);
  StartWait();
  StartWait();
  EXPECT_EQ(::Screen->Cursor(), crHourGlass);
  StopWait();
  EXPECT_EQ(::Screen->Cursor(), crHourGlass) << "still waiting";
  StopWait();
  EXPECT_EQ(::Screen->Cursor(), crCross);
  StopWait();
  EXPECT_EQ(::Screen->Cursor(), crCross) << "an extra StopWait does nothing";
  StartWait();
  StopWait();
  EXPECT_EQ(::Screen->Cursor(), crCross);
  ::Screen->SetCursor(crDefault);
}

TEST_F(Ctlutils, NotImplementedTellsAndAborts) {
  platform::DialogScript script;
  script.Answer("TMessageForm", [](TCustomForm& f) {
    auto& box = dynamic_cast<TMessageForm&>(f);
    EXPECT_EQ(box.Message(), "Функция не реализована");
    f.SetModalResult(mrOk);
  });
  ::Screen->SetCursor(crHourGlass);
  EXPECT_THROW(NotImplemented(), EAbort);
  EXPECT_EQ(::Screen->Cursor(), crDefault);
  EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(Ctlutils, GradientBands) {
  TBitmap b;
  b.SetSize(4, 10);
  GradientFillRect(b.Canvas(), RECT{0, 0, 4, 10}, clBlack, clWhite, fdTopToBottom, 2);
  EXPECT_EQ(PixelOf(b, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(PixelOf(b, 0, 4), RGB(0, 0, 0));
  EXPECT_EQ(PixelOf(b, 3, 5), RGB(255, 255, 255));
  EXPECT_EQ(PixelOf(b, 0, 9), RGB(255, 255, 255));
  GradientFillRect(b.Canvas(), RECT{0, 0, 4, 10}, clBlack, clWhite, fdTopToBottom, 255);
  for (int y = 0; y < 10; ++y) {
    int v = (y * 255 + 4) / 9;
    EXPECT_EQ(PixelOf(b, 1, y), RGB(v, v, v)) << "row " << y;
  }
  GradientFillRect(b.Canvas(), RECT{0, 0, 4, 10}, RGB(0, 0, 200), RGB(200, 0, 0), fdBottomToTop, 255);
  EXPECT_EQ(PixelOf(b, 0, 0), RGB(200, 0, 0)) << "the top band takes the end colour";
  EXPECT_EQ(PixelOf(b, 0, 9), RGB(0, 0, 200));
  // Three bands over 10 pixels: sizes 3, the remainder in the last colour.
  TBitmap wide;
  wide.SetSize(10, 2);
  GradientFillRect(wide.Canvas(), RECT{0, 0, 10, 2}, RGB(0, 0, 0), RGB(200, 200, 200), fdLeftToRight, 3);
  EXPECT_EQ(PixelOf(wide, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(PixelOf(wide, 3, 0), RGB(100, 100, 100));
  EXPECT_EQ(PixelOf(wide, 6, 0), RGB(200, 200, 200));
  EXPECT_EQ(PixelOf(wide, 9, 1), RGB(200, 200, 200));
  GradientFillRect(b.Canvas(), RECT{0, 0, 4, 10}, clRed, clBlue, fdLeftToRight, 1);
  EXPECT_EQ(PixelOf(b, 3, 9), RGB(255, 0, 0)) << "one colour fills";
  GradientFillRect(b.Canvas(), RECT{2, 2, 2, 8}, clLime, clBlue, fdLeftToRight, 10);
  EXPECT_EQ(PixelOf(b, 2, 2), RGB(255, 0, 0)) << "an empty rectangle draws nothing";
}

TEST_F(Ctlutils, TransparentAndDisabledBitmaps) {
  TBitmap glyph;
  glyph.SetSize(6, 6);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(RECT{0, 0, 6, 6});
  glyph.Canvas()->SetPixels(2, 2, clBlack);
  glyph.Canvas()->SetPixels(3, 2, clRed);

  TBitmap target;
  target.SetSize(10, 10);
  target.Canvas()->Brush()->SetColor(clAqua);
  target.Canvas()->FillRect(RECT{0, 0, 10, 10});
  DrawBitmapTransparent(target.Canvas(), 1, 1, &glyph, clFuchsia);
  EXPECT_EQ(PixelOf(target, 1, 1), RGB(0, 255, 255)) << "the transparent colour leaves the target";
  EXPECT_EQ(PixelOf(target, 3, 3), RGB(0, 0, 0));
  EXPECT_EQ(PixelOf(target, 4, 3), RGB(255, 0, 0));
  StretchBitmapRectTransparent(target.Canvas(), 0, 0, 10, 10, RECT{2, 2, 4, 3}, &glyph, clFuchsia);
  EXPECT_EQ(PixelOf(target, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(PixelOf(target, 9, 9), RGB(255, 0, 0)) << "stretched";

  std::unique_ptr<TBitmap> disabled(CreateDisabledBitmap(&glyph, clBlack));
  EXPECT_EQ(PixelOf(*disabled, 2, 2), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelOf(*disabled, 3, 3), ColorToRGB(clBtnHighlight)) << "the light one pixel down and right";
  EXPECT_EQ(PixelOf(*disabled, 3, 2), ColorToRGB(clBtnFace)) << "only the outline colour is drawn";
  EXPECT_EQ(PixelOf(*disabled, 0, 0), ColorToRGB(clBtnFace));
  std::unique_ptr<TBitmap> flat(CreateDisabledBitmapEx(&glyph, clRed, clWhite, clYellow, clGreen, false));
  EXPECT_EQ(PixelOf(*flat, 3, 2), ColorToRGB(clGreen));
  EXPECT_EQ(PixelOf(*flat, 4, 3), RGB(255, 255, 255)) << "no highlight asked";

  std::unique_ptr<TBitmap> changed(ChangeBitmapColor(&glyph, clRed, clBlue));
  EXPECT_EQ(PixelOf(*changed, 3, 2), RGB(0, 0, 255));
  EXPECT_EQ(PixelOf(*changed, 2, 2), RGB(0, 0, 0));
  EXPECT_EQ(PixelOf(glyph, 3, 2), RGB(255, 0, 0)) << "the original stays";

  std::unique_ptr<TBitmap> pattern(CreateTwoColorsBrushPattern(clWhite, clBlack));
  EXPECT_EQ(pattern->Width(), 8);
  EXPECT_EQ(PixelOf(*pattern, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(PixelOf(*pattern, 1, 0), RGB(0, 0, 0));
  EXPECT_EQ(PixelOf(*pattern, 1, 1), RGB(255, 255, 255));

  TImageList images(nullptr);
  images.SetWidth(6);
  images.SetHeight(6);
  images.AddMasked(&glyph, clFuchsia);
  target.Canvas()->Brush()->SetColor(clWhite);
  target.Canvas()->FillRect(RECT{0, 0, 10, 10});
  ImageListDrawDisabled(&images, target.Canvas(), 0, 0, 0, clYellow, clGray, true);
  EXPECT_EQ(PixelOf(target, 2, 2), ColorToRGB(clGray));
  EXPECT_EQ(PixelOf(target, 3, 2), ColorToRGB(clGray)) << "every picture pixel";
  EXPECT_EQ(PixelOf(target, 3, 3), ColorToRGB(clYellow));
  EXPECT_EQ(PixelOf(target, 0, 0), RGB(255, 255, 255));

  TBitmap strip, cell;
  strip.SetSize(6, 4);
  strip.Canvas()->Brush()->SetColor(clBlue);
  strip.Canvas()->FillRect(RECT{0, 0, 6, 4});
  strip.Canvas()->SetPixels(4, 2, clRed);
  strip.SetTransparentColor(clBlue);
  AssignBitmapCell(&strip, &cell, 3, 2, 5);
  EXPECT_EQ(cell.Width(), 2);
  EXPECT_EQ(cell.Height(), 2);
  EXPECT_EQ(PixelOf(cell, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(ColorToRGB(cell.TransparentColor()), RGB(0, 0, 255));
}

TEST_F(Ctlutils, ParentImageUnderAControl) {
  TForm* form = MakeForm();
  form->SetColor(clRed);
  auto* below = new TPaintBox(form);
  below->SetParent(form);
  below->SetBounds(20, 20, 10, 10);
  below->OnPaint = [below](TObject*) {
    below->Canvas()->Brush()->SetColor(clBlue);
    below->Canvas()->FillRect(RECT{0, 0, 10, 10});
  };
  auto* control = new TPaintBox(form);
  control->SetParent(form);
  control->SetBounds(15, 15, 20, 20);
  auto* above = new TPaintBox(form);
  above->SetParent(form);
  above->SetBounds(15, 15, 5, 5);
  above->OnPaint = [above](TObject*) {
    above->Canvas()->Brush()->SetColor(clLime);
    above->Canvas()->FillRect(RECT{0, 0, 5, 5});
  };
  TBitmap image;
  image.SetSize(20, 20);
  CopyParentImage(control, image.Canvas());
  EXPECT_EQ(PixelOf(image, 0, 0), RGB(255, 0, 0)) << "the form's colour; not what lies above";
  EXPECT_EQ(PixelOf(image, 7, 7), RGB(0, 0, 255)) << "the sibling below";
  EXPECT_EQ(PixelOf(image, 19, 19), RGB(255, 0, 0));
  delete form;
}

TEST_F(Ctlutils, TextShortenedAndInCells) {
  TBitmap b;
  b.SetSize(200, 40);
  TCanvas* c = b.Canvas();
  int w = c->TextWidth("abcdefghij");
  EXPECT_EQ(MinimizeText("abcdefghij", c, w), "abcdefghij") << "a text that fits stays";
  std::string shortened = MinimizeText("abcdefghij", c, w - 1);
  EXPECT_EQ(shortened.substr(shortened.size() - 3), "...");
  EXPECT_LE(c->TextWidth(shortened), w - 1);
  EXPECT_GT(c->TextWidth(MinimizeText("abcdefghij", c, w - 1) + "x"), w - 1) << "as long as fits";
  EXPECT_EQ(MinimizeText("abcdefghij", c, 0), "...");
  SIZE ave = GetAveCharSize(c);
  EXPECT_EQ(ave.cx, c->TextWidth(std::string(52, 'x')) / 52) << "the test font has one advance";
  EXPECT_EQ(ave.cy, c->TextHeight("W"));

  c->Brush()->SetColor(clWhite);
  c->Font()->SetColor(clBlack);
  c->FillRect(RECT{0, 0, 200, 40});
  WriteText(c, RECT{10, 10, 110, 30}, 2, 2, "X", taLeftJustify, false);
  int cw = c->TextWidth("X");
  EXPECT_EQ(PixelOf(b, 12 + cw / 2, 12 + c->TextHeight("X") / 2), RGB(0, 0, 0)) << "left text at dx";
  c->FillRect(RECT{0, 0, 200, 40});
  WriteText(c, RECT{10, 10, 110, 30}, 2, 2, "X", taRightJustify, true);
  EXPECT_EQ(PixelOf(b, 110 - 1 - cw / 2 - 1, 12 + c->TextHeight("X") / 2), RGB(0, 0, 0)) << "wrapped, right";
  EXPECT_EQ(PixelOf(b, 12, 12), RGB(255, 255, 255));
}

TEST_F(Ctlutils, ScreenCanvasTakesAndGivesBackTheScreen) {
  size_t before = platform::DeviceContextCount();
  {
    TScreenCanvas canvas;
    EXPECT_FALSE(canvas.HandleAllocated());
    canvas.SetOrigin(10, 20);
    EXPECT_TRUE(canvas.HandleAllocated());
    POINT org{};
    GetWindowOrgEx(canvas.Handle(), &org);
    EXPECT_EQ(org.x, -10);
    EXPECT_EQ(org.y, -20);
    EXPECT_EQ(platform::DeviceContextCount(), before + 1);
    canvas.FreeHandle();
    EXPECT_EQ(platform::DeviceContextCount(), before);
    canvas.Handle();
  }
  EXPECT_EQ(platform::DeviceContextCount(), before) << "the screen is given back with the canvas";
  TForm* form = MakeForm();
  RECT r;
  GetWindowRect(form->Handle(), &r);
  DrawInvertFrame(r, 2);
  DrawInvertFrame(r, 2);
  PaintInverseRect(POINT{r.right, r.bottom}, POINT{r.left, r.top});
  PaintInverseRect(POINT{r.left, r.top}, POINT{r.right, r.bottom});
  EXPECT_EQ(platform::DeviceContextCount(), before);
  delete form;
}

TEST_F(Ctlutils, Geometry) {
  RECT r{10, 20, 30, 60};
  EXPECT_EQ(WidthOf(r), 20);
  EXPECT_EQ(HeightOf(r), 40);
  EXPECT_TRUE(PointInRect(POINT{30, 60}, r)) << "edges are inside";
  EXPECT_TRUE(PointInRect(POINT{10, 20}, r));
  EXPECT_FALSE(PointInRect(POINT{31, 60}, r));
  std::vector<POINT> triangle{{0, 0}, {10, 0}, {0, 10}};
  EXPECT_TRUE(PointInPolyRgn(POINT{2, 2}, triangle));
  EXPECT_FALSE(PointInPolyRgn(POINT{8, 8}, triangle));
  EXPECT_FALSE(PointInPolyRgn(POINT{2, 2}, {}));
  int x = DialogUnitsToPixelsX(100), y = DialogUnitsToPixelsY(100);
  EXPECT_GT(x, 0);
  EXPECT_GT(y, 0);
  EXPECT_NEAR(PixelsToDialogUnitsX(x), 100, 4);
  EXPECT_NEAR(PixelsToDialogUnitsY(y), 100, 8);
  EXPECT_EQ(PaletteColor(RGB(1, 2, 3)), static_cast<TColor>(0x02030201));
  TFont font;
  font.SetStyle({fsBold});
  HFONT rotated = CreateRotatedFont(&font, 90);
  LOGFONT lf{};
  GetObject(rotated, sizeof lf, &lf);
  EXPECT_EQ(lf.lfEscapement, 900);
  EXPECT_EQ(lf.lfWeight, 700);
  DeleteObject(rotated);
}

TEST(Ctlsystem, ErrorsAndLibraries) {
  try {
    RaiseWin32Error(2);
    FAIL() << "no error raised";
  } catch (EWin32Error& e) {
    EXPECT_EQ(e.ErrorCode(), 2u);
    EXPECT_EQ(e.Message().rfind("Win32 Error.  Code: 2.\n", 0), 0u) << e.Message();
    EXPECT_GT(e.Message().size(), std::strlen("Win32 Error.  Code: 2.\n")) << "with the system's text";
  }
  EXPECT_NO_THROW(RaiseWin32Error(0));
  EXPECT_NO_THROW(CheckWin32(true));
  EXPECT_THROW(LoadDLL("Nosuchlibrary.dll"), EWin32Error);
  EXPECT_FALSE(RegisterServer("Nosuchlibrary.dll"));
  EXPECT_EQ(ResStr("text"), "text");
  setenv("QUILLARAN_CTL_VAR", "value", 1);
  EXPECT_EQ(GetEnvVar("QUILLARAN_CTL_VAR"), "value");
  EXPECT_EQ(GetEnvVar("QUILLARAN_NO_SUCH_VAR"), "");
}

TEST(Ctlsystem, MemoryBlocks) {
  EXPECT_EQ(AllocMemo(0), nullptr);
  EXPECT_EQ(AllocMemo(-3), nullptr);
  void* p = AllocMemo(10);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(GetMemoSize(p), 10);
  EXPECT_TRUE(CompareMem(p, std::string(10, '\0').data(), 10)) << "zero-filled";
  std::memcpy(p, "0123456789", 10);
  p = ReallocMemo(p, 20);
  EXPECT_EQ(GetMemoSize(p), 20);
  EXPECT_TRUE(CompareMem(p, "0123456789\0\0\0\0\0\0\0\0\0\0", 20));
  p = ReallocMemo(p, 4);
  EXPECT_TRUE(CompareMem(p, "0123", 4));
  FreeMemo(p);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(GetMemoSize(nullptr), 0);
  FreeMemo(p);

  int32_t items[6] = {1, 2, 3, 4, 5, 6};
  HugeMove(items, 1, 0, 4);
  EXPECT_EQ(std::vector<int32_t>(items, items + 6), (std::vector<int32_t>{1, 1, 2, 3, 4, 6})) << "overlapping";
  char text[] = "abcdef";
  EXPECT_EQ(HugeInc(text, 2), text + 2);
  EXPECT_EQ(HugeDec(text + 3, 1), text + 2);
  EXPECT_FALSE(CompareMem("abcdefgh1", "abcdefgh2", 9));
  EXPECT_TRUE(CompareMem("abcdefgh1", "abcdefgh2", 8));
  EXPECT_TRUE(CompareMem(nullptr, nullptr, 0));
}

TEST(Ctlsystem, TextHelpers) {
  EXPECT_EQ(DropT("T"), "T");
  EXPECT_EQ(DropT("TForm"), "Form");
  EXPECT_EQ(DropT("tform"), "form");
  EXPECT_EQ(DropT("Form"), "Form");
  EXPECT_EQ(DropT(""), "");
  EXPECT_EQ(AnsiUpperFirstChar("hELLO"), "Hello");
  EXPECT_EQ(AnsiUpperFirstChar("яБЛОКО"), "Яблоко");
  EXPECT_EQ(AnsiUpperFirstChar(""), "");
  EXPECT_STREQ(StrPAlloc("copy").get(), "copy");
  std::string s = "text";
  EXPECT_EQ(StringToPChar(s), s.c_str());

  std::string exe, params;
  SplitCommandLine("\"/opt/my programs/run.exe\" /a  b", exe, params);
  EXPECT_EQ(exe, "/opt/my programs/run.exe");
  EXPECT_EQ(params, "/a b");
  SplitCommandLine("run \"two words\" \"\" x", exe, params);
  EXPECT_EQ(exe, "run");
  EXPECT_EQ(params, "\"two words\" x") << "an empty pair of quotes is skipped";
  SplitCommandLine("   ", exe, params);
  EXPECT_EQ(exe, "");
  EXPECT_EQ(params, "");
  SplitCommandLine("run\t-x\"y z\"", exe, params);
  EXPECT_EQ(params, "\"-xy z\"");
}

}  // namespace
