// Block texts laid out with the deterministic test font: a 9-point face advances 6 pixels
// a character on lines 15 high; the 12-point reference face advances 8 on lines 20 high.

#include "browse/Tblocktextpainter.h"
#include "platform/display/Headlessscreen.h"
#include "platform/forms/Tbitmap.h"
#include "platform/forms/Tcanvas.h"
#include "platform/forms/Tgraphicsobject.h"
#include "platform/forms/Tscreen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr TColor kText = clBlack, kReference = clNavy, kHover = clRed, kBehind = clYellow;

class BlockText : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Screen) cursorFound = Screen->Cursor();
    textFont.SetName("Arial");
    textFont.SetSize(9);
    textFont.SetColor(kText);
    referenceFont.SetName("Arial");
    referenceFont.SetSize(12);
    referenceFont.SetColor(kReference);
    bitmap.SetSize(400, 200);
    canvas = bitmap.Canvas();
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(RECT{0, 0, 400, 200});
    canvas->SetFont(&textFont);
    painter.Areas = &areas;
    painter.HoverColor = kHover;
    painter.ReferenceColor = [this](const std::string& name) {
      named.push_back(name);
      return kBehind;
    };
  }

  // Hovering sets the screen's cursor, which outlives the test.
  void TearDown() override {
    if (Screen) Screen->SetCursor(cursorFound);
  }
  TCursor cursorFound = crDefault;

  // Every line of a text cut to a width.
  std::vector<std::string> Lines(const std::string& text, int width, bool compact = false) {
    std::vector<std::string> lines;
    std::string work = text + " ";
    while (!work.empty() && lines.size() < 100) lines.push_back(CutBlockTextLine(*canvas, work, width, compact));
    return lines;
  }

  int Draw(int owner, const std::string& text, const std::string& link = "", int mode = BlockText_AllLines,
           bool compact = false, RECT rect = RECT{0, 0, 200, 200}, int indent = 10) {
    return painter.Draw(owner, *canvas, &textFont, &referenceFont, rect, text, link, indent, 0, mode, compact);
  }

  static void ExpectArea(const THyperRefInfoItem& a, int owner, int x, int y, int w, int h, const std::string& text,
                         int kind) {
    EXPECT_EQ(a.Owner, owner);
    EXPECT_EQ(a.X, x);
    EXPECT_EQ(a.Y, y);
    EXPECT_EQ(a.Width, w);
    EXPECT_EQ(a.Height, h);
    EXPECT_EQ(a.Text.ToString(), text);
    EXPECT_EQ(a.Kind, kind);
  }

  platform::HeadlessScreen screen{640, 480};
  TFont textFont, referenceFont;
  TBitmap bitmap;
  TCanvas* canvas = nullptr;
  THyperRefInfo areas;
  TBlockTextPainter painter;
  std::vector<std::string> named;
};

using Strings = std::vector<std::string>;

TEST_F(BlockText, LinesBreakAtBlanksAndBeforeOperatorsAtExactWidths) {
  // "alpha beta" is 60 pixels: it fits 60, not 59.
  EXPECT_EQ(Lines("alpha beta gamma", 60), (Strings{"alpha beta", "gamma"}));
  EXPECT_EQ(Lines("alpha beta gamma", 59), (Strings{"alpha", "beta", "gamma"}));
  EXPECT_EQ(Lines("alpha beta gamma", 96), (Strings{"alpha beta gamma"}));
  // The operator starts the next line; the blank at a break is dropped.
  EXPECT_EQ(Lines("alphabeta+gamma", 60), (Strings{"alphabeta", "+gamma"}));
  EXPECT_EQ(Lines("a-b*c/d e", 24), (Strings{"a-b", "*c/d", "e"}));
  EXPECT_EQ(Lines("a-b*c/d e", 18), (Strings{"a-b", "*c", "/d", "e"}));
  // Each kind of line end ends exactly one line; an empty paragraph is an empty line.
  EXPECT_EQ(Lines("one\r\ntwo\rthree\nfour", 300), (Strings{"one", "two", "three", "four"}));
  EXPECT_EQ(Lines("one\r\n\r\ntwo", 300), (Strings{"one", "", "two"}));
  EXPECT_EQ(Lines("", 300), (Strings{""}));
  EXPECT_EQ(Lines("two  blanks", 300), (Strings{"two  blanks"}));
}

TEST_F(BlockText, ALineWhoseFirstWordIsWiderThanTheRoomIsNeverSplit) {
  // Nothing fits: the line runs on to the end of its paragraph.
  EXPECT_EQ(Lines("abcdefghijklmnop qr st", 30), (Strings{"abcdefghijklmnop qr st"}));
  EXPECT_EQ(Lines("abcdefgh+ijklmnop qr\nst", 30), (Strings{"abcdefgh+ijklmnop qr", "st"}));
  EXPECT_EQ(Lines("-abcdef gh", 12), (Strings{"-abcdef gh"}));
  EXPECT_EQ(Lines("+ - * /", 0), (Strings{"+ - * /"}));
  EXPECT_EQ(Lines("word", -5), (Strings{"word"}));
  // A word that comes after a line that fits starts the next line, which it fills alone.
  EXPECT_EQ(Lines("ab abcdefghijklmnop qr", 30), (Strings{"ab", "abcdefghijklmnop qr"}));
}

TEST_F(BlockText, CompactLinesCutBeforeTheirEndShowDots) {
  EXPECT_EQ(Lines("alpha beta gamma", 60, true), (Strings{"alpha beta...", "gamma"}));
  EXPECT_EQ(Lines("alpha\nbeta", 60, true), (Strings{"alpha", "beta"}));
  // Drawn compact, the width is two thirds of the rectangle's: 134, less 10 + 5 of indent.
  EXPECT_EQ(Draw(0, "aaaaaaaaaaaaaaaaaaa bbbb", "", BlockText_AllLines, true), 30);  // 19 letters fit 119
  EXPECT_EQ(Draw(0, "aaaaaaaaaaaaaaaaaaa bbbb", "", BlockText_AllLines, false), 15);
}

TEST_F(BlockText, ReferencesAreDrawnInTheirFontAndTheirAreasRecorded) {
  // "See " 24 wide from the indent 10; "<1>" 3 x 8 = 24; " and " 30; "<2.3>" 40.
  const int height = Draw(HyperRefOwner_Upper, "See <1> and <2.3> now");
  EXPECT_EQ(height, 30) << "a line of the text font and the empty line beneath the upper text";
  ASSERT_EQ(areas.Items.Count(), 2u);
  ExpectArea(areas.Items[0], -1, 34, 0, 24, 20, "1", HyperRef_Reference);
  ExpectArea(areas.Items[1], -1, 88, 0, 40, 20, "2.3", HyperRef_Reference);
  // Glyph cells are solid from the leading down to the baseline, one column of air on
  // the right: text ink at (10..15, 3..), reference ink at (34..40, 4..16).
  EXPECT_EQ(canvas->Pixels(11, 8), kText);
  EXPECT_EQ(canvas->Pixels(35, 10), kReference);
  EXPECT_EQ(canvas->Pixels(41, 10), clWhite) << "references are drawn on a clear brush";
  EXPECT_EQ(canvas->Pixels(89, 10), kReference);
  EXPECT_EQ(canvas->Pixels(135, 8), kText) << "\" now\" follows the second reference";
  EXPECT_TRUE(named.empty()) << "nothing hovered, no reference colour asked";

  // Drawn again, the owner's areas are replaced, not added; other owners keep theirs.
  areas.Add(HyperRef_Reference, 4, 1, 2, 3, 4, TStr("9"));
  Draw(HyperRefOwner_Upper, "<4> only");
  ASSERT_EQ(areas.Items.Count(), 2u);
  EXPECT_EQ(areas.Items[0].Owner, 4);
  ExpectArea(areas.Items[1], -1, 10, 0, 24, 20, "4", HyperRef_Reference);
}

TEST_F(BlockText, SomethingThatIsNoBlockNameIsPlainText) {
  const std::string text = "a < b <x> <1 > <> <(2)> <3>";
  Draw(0, text);
  ASSERT_EQ(areas.Items.Count(), 1u);
  ExpectArea(areas.Items[0], 0, 10 + int(text.find("<3>")) * 6, 0, 24, 20, "3", HyperRef_Reference);
}

TEST_F(BlockText, ReferencesOnLaterLinesAndNestedNames) {
  // Usable width 200 - 10 - 5 = 185: 30 characters.
  Draw(2, "first line of the text is long <1.2(12-7)> x");
  ASSERT_EQ(areas.Items.Count(), 1u);
  ExpectArea(areas.Items[0], 2, 10, 15, 11 * 8, 20, "1.2(12-7)", HyperRef_Reference);
}

TEST_F(BlockText, AHoveredReferenceIsHighlightedWithoutRecording) {
  Draw(HyperRefOwner_Upper, "See <1> and <2.3> now");
  areas.Hovered = 1;
  painter.Record = false;
  areas.Items[0].Owner = 5;  // recording is off: nothing of the list may change
  Draw(HyperRefOwner_Upper, "See <1> and <2.3> now");
  EXPECT_EQ(areas.Items.Count(), 2u);
  EXPECT_EQ(areas.Items[0].Owner, 5);
  EXPECT_EQ(areas.Hovered, 1);
  EXPECT_EQ(named, Strings{"2.3"});
  EXPECT_EQ(canvas->Pixels(89, 10), kHover) << "hover colour on the ink";
  EXPECT_EQ(canvas->Pixels(95, 10), clYellow) << "the named block's colour behind it";
  EXPECT_EQ(canvas->Pixels(89, 1), clYellow) << "over the whole reference";
  EXPECT_EQ(canvas->Pixels(35, 10), kReference) << "the other reference stays plain";
  EXPECT_EQ(canvas->Pixels(135, 8), kText) << "the text after it in its own colour";

  // Drawn with recording, the owner's areas go and their hover with them.
  painter.Record = true;
  Draw(HyperRefOwner_Upper, "See <1> and <2.3> now");
  EXPECT_EQ(areas.Hovered, -1);
}

TEST_F(BlockText, TextsWithoutOwnerRecordAndHighlightNothing) {
  Draw(HyperRefOwner_Upper, "<1> <2>");
  areas.Hovered = 0;
  EXPECT_EQ(Draw(HyperRefOwner_None, "<1> <2>", "http://x"), 15 + 20);
  EXPECT_EQ(areas.Items.Count(), 2u);
  EXPECT_EQ(areas.Hovered, 0);
  EXPECT_TRUE(named.empty());
}

TEST_F(BlockText, ModesDrawTheFirstLineOnlyOrSkipIt) {
  // 27 characters a line: the usable width 185 takes 30.
  const std::string text = "one two three four five six seven eight nine ten eleven";
  EXPECT_EQ(Draw(0, text), 30);
  EXPECT_EQ(Draw(0, text, "", BlockText_FirstLine), 15);
  canvas->FillRect(RECT{0, 0, 400, 200});
  EXPECT_EQ(Draw(0, text, "", BlockText_SkipFirstLine), 15);
  // The second line ("seven ...") is drawn where the first would be.
  EXPECT_EQ(canvas->Pixels(11, 8), kText);
  EXPECT_EQ(canvas->Pixels(10 + 5 * 6 + 1, 8), clWhite);
  // Nothing left to draw: the result is never 0.
  EXPECT_EQ(Draw(0, "one", "", BlockText_SkipFirstLine), 1);
  EXPECT_EQ(Draw(0, ""), 15) << "an empty text is one empty line";
  EXPECT_EQ(Draw(HyperRefOwner_Upper, ""), 30);
}

TEST_F(BlockText, LinksAreSplitToTheWidthAndRecordedAsOneArea) {
  const std::string link = "http://example.org/a/very/long/path";  // 35 characters, 280 pixels
  // 100 wide: 35 x 100 / 280 = 12 characters, then 23 x 100 / 184 = 12, then 11 left.
  const int height = Draw(0, "", link, BlockText_AllLines, false, RECT{0, 0, 100, 200});
  EXPECT_EQ(height, 60);
  ASSERT_EQ(areas.Items.Count(), 1u);
  ExpectArea(areas.Items[0], 0, 10, 0, 96, 60, link, HyperRef_Link);
  EXPECT_EQ(canvas->Pixels(11, 45), kReference) << "the third piece";

  // Compact: 70 wide, 8 characters and the dots, one piece.
  EXPECT_EQ(Draw(0, "", link, BlockText_AllLines, true, RECT{0, 0, 100, 200}), 20);
  ExpectArea(areas.Items[0], 0, 10, 0, 88, 20, link, HyperRef_Link);

  // Under a text; hovered, the link takes the hover colour.
  EXPECT_EQ(Draw(0, "text", "http://x", BlockText_AllLines, false), 35);
  ExpectArea(areas.Items[0], 0, 10, 15, 64, 20, "http://x", HyperRef_Link);
  areas.Hovered = 0;
  painter.Record = false;
  Draw(0, "text", "http://x");
  EXPECT_EQ(canvas->Pixels(11, 15 + 10), kHover);

  // A width narrower than one character still ends, a character a piece.
  painter.Record = true;
  EXPECT_EQ(Draw(0, "", "abc", BlockText_AllLines, false, RECT{0, 0, 4, 200}), 60);
}

TEST_F(BlockText, HitTestsFindTheFirstAreaOfTheOwner) {
  areas.Add(HyperRef_Reference, 3, 10, 0, 24, 20, TStr("1"));
  areas.Add(HyperRef_Reference, -1, 10, 0, 24, 20, TStr("2"));
  areas.Add(HyperRef_Link, -1, 20, 10, 30, 20, TStr("http://x"));
  EXPECT_TRUE(areas.HitTest(-1, 10, 0));
  EXPECT_EQ(areas.Hovered, 1);
  ASSERT_NE(Screen, nullptr);
  EXPECT_EQ(Screen->Cursor(), crHandPoint);
  EXPECT_TRUE(areas.HitTest(-1, 33, 19)) << "the first area holding the point answers";
  EXPECT_EQ(areas.Hovered, 1);
  EXPECT_TRUE(areas.HitTest(-1, 34, 19));
  EXPECT_EQ(areas.Hovered, 2);
  EXPECT_TRUE(areas.IsHovered(-1, 20, 10, 30, 20));
  EXPECT_FALSE(areas.IsHovered(-1, 20, 10, 30, 21));
  EXPECT_FALSE(areas.HitTest(-1, 50, 29)) << "right and bottom edges are outside";
  EXPECT_EQ(areas.Hovered, -1);
  EXPECT_FALSE(areas.HitTest(4, 12, 5)) << "another owner's areas";
  EXPECT_EQ(areas.FindArea(3, 12, 5), 0);
  EXPECT_EQ(Screen->Cursor(), crDefault);

  // Removing an owner keeps the hover of another owner's area.
  areas.HitTest(-1, 25, 25);
  EXPECT_EQ(areas.Hovered, 2);
  areas.RemoveOwner(3);
  EXPECT_EQ(areas.Hovered, 1);
  EXPECT_EQ(areas.Items[1].Text.ToString(), "http://x");
  areas.RemoveOwner(-1);
  EXPECT_EQ(areas.Hovered, -1);
  EXPECT_EQ(areas.Items.Count(), 0u);
}

}  // namespace
