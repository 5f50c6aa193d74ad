// The lower list of a browse window painted with the test font: row heights measured while
// painting (worked out by hand below), the rows below a changed row moved in the same
// paint, the scroll pattern as high as the rows + 20, and pixels of service rows, mark
// boxes, level bands, the selection frame, texts and the deletion cross.
//
// Test font metrics used here (96 dpi): size 8: 6 pixels a character, 14 high (bold 7
// wide); size 10: 7 wide, 17 high. Ink of a character fills its cell from the leading
// (3 rows at size 8, 4 at size 10) down to the baseline, all but the last column.

#include "Browsetest.h"

#include "browse/Tformbrowse.h"
#include "foundation/Terror.h"
#include "foundation/Textroutines.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"
#include "tests/model/Modeltesthelpers.h"

#include <algorithm>
#include <vector>

namespace browsetest {
namespace {

class ListPainting : public BrowseTest {
 protected:
  void SetUp() override {
    BrowseTest::SetUp();
    pars.TextWidthPercent = 100;
    form = OpenOn(ecology);
    ASSERT_NE(form, nullptr);
    d = &Discussion(ecology);
    root = d->Storages.GetRootBlockIndex();
    panel = form->PanelLowerListPaintBox->Handle();
  }

  TDiscBlockIndex Add(uint8_t textType, const std::string& text, TDiscBlockIndex upper = {}) {
    return modeltest::AddBlock(*d, StorageType_Model, upper.IsEmpty() ? root : upper, textType, text);
  }
  // The root's children listed again and painted, one level in (as children of a child),
  // so that the level marks show.
  void Relist(uint8_t displayMode = DisplayMode_Brief) {
    TBrowse& browse = form->Browse;
    browse.CurrentBrowseState.CurrentItem.Level = 0;
    browse.CurrentBrowseState.DisplayMode = displayMode;
    browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
    browse.InvalidateLowerList();
    Idle();
  }
  // What the program's idle handler does: the deferred requests run, then the paints.
  void Idle() {
    Pump();
    TListeners::Send(Notify_Idle, false);
    Pump();
  }
  int Height(int row) const { return form->Browse.CurrentBrowseState.Rows[uint32_t(row)].Height; }
  COLORREF Pixel(int x, int y) const {
    return screen->WindowPixel(panel, x + form->PaintBoxLowerList->Left(), y + form->PaintBoxLowerList->Top());
  }
  int Top(int row) const { return form->Browse.GetLowerListRowRect(row).top; }

  TFormBrowse* form = nullptr;
  TDiscussion* d = nullptr;
  TDiscBlockIndex root;
  HWND panel = nullptr;
};

std::string Words(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += (i ? " " : "") + std::string("word");
  return text;
}

TEST_F(ListPainting, RowsAreMeasuredWhilePaintedAndTheScrollPatternFollows) {
  TBrowse& browse = form->Browse;
  const int width = form->PaintBoxLowerList->Width();
  ASSERT_GT(width, 300);
  // Usable width of a level-1 text: width - indent - indent / 2 with indent 12 + 8 = 20.
  const int usable = width - 20 - 10;
  const int perLine = (usable + 7) / (5 * 7);  // "word " is 35 pixels; the last word needs no blank
  const TDiscBlockIndex premise = Add(TextType_Premise, Words(perLine * 2 + 1));  // three lines
  Add(TextType_Premise, "short");
  Relist(DisplayMode_Full);
  ASSERT_EQ(browse.CurrentBrowseState.Rows.Count(), 6u);
  // Service row: the settings' 16. Header row: margin 2 + one line of 17. Text row: margin
  // 2 + the two further lines.
  EXPECT_EQ(Height(0), 16);
  EXPECT_EQ(Height(1), 2 + 17);
  EXPECT_EQ(Height(2), 2 + 2 * 17);
  EXPECT_EQ(Height(3), 16);
  EXPECT_EQ(Height(4), 2 + 17);
  EXPECT_EQ(Height(5), 2 + 1) << "a text row with nothing more to show: the margin and 1";
  EXPECT_EQ(d->Storages.GetDiscBlock(premise)->HeightMode1, 19);
  EXPECT_EQ(d->Storages.GetDiscBlock(premise)->HeightMode2, 36);
  const int sum = 16 + 19 + 36 + 16 + 19 + 3;
  EXPECT_EQ(form->PaintBoxLowerListScrollPattern2->Height(), sum + 20);
  EXPECT_EQ(form->ScrollBoxLowerList2->VertScrollBar()->ScrollRange(), sum + 20);
  EXPECT_FALSE(browse.LowerList.LayoutRequested());

  // The text grows by a line: the rows below move down, their pixels with them.
  d->Storages.GetStrHashItem(premise)->Str.Text = Words(perLine * 3 + 1);
  browse.InvalidateLowerList();
  Pump();
  EXPECT_EQ(Height(2), 2 + 3 * 17);
  EXPECT_EQ(Top(3), 16 + 19 + 53);
  EXPECT_EQ(form->PaintBoxLowerListScrollPattern2->Height(), sum + 17 + 20);
  const uint32_t serviceColor = pars.ServiceRowColor;
  EXPECT_EQ(Pixel(width - 3, Top(3) + 8), COLORREF(serviceColor)) << "the second block's service row moved down";
  EXPECT_EQ(Pixel(width - 3, Top(4) + 1), COLORREF(pars.StorageTypeColors[0]));
  EXPECT_EQ(Pixel(width - 3, Top(5) + 5), COLORREF(0xFFFFFF)) << "below the rows the list is white";

  // In brief display a premise has no text row, and its header shows one line.
  Relist(DisplayMode_Brief);
  ASSERT_EQ(browse.CurrentBrowseState.Rows.Count(), 4u);
  EXPECT_EQ(Height(1), 19);
  EXPECT_EQ(form->PaintBoxLowerListScrollPattern2->Height(), 16 + 19 + 16 + 19 + 20);
}

TEST_F(ListPainting, ServiceRowsShowMarksAlwaysAndTextsOnlyWhenSelected) {
  TBrowse& browse = form->Browse;
  const TDiscBlockIndex first = Add(TextType_Conclusion, "first");
  const TDiscBlockIndex second = Add(TextType_Premise, "second");
  d->Storages.GetDiscBlock(second)->Importance = 1;
  Relist();
  ASSERT_EQ(browse.CurrentBrowseState.Rows.Count(), 4u);
  ASSERT_EQ(browse.CurrentBrowseState.SelectedRow, 0);
  (void)first;
  // Level 1: one gradient band 12 wide; texts from 12 + 4 = 16, two below the row's top.
  const COLORREF band = COLORREF(MixColors(int32_t(pars.GradientColor1), int32_t(pars.GradientColor2), 0.1));
  const int row2 = Top(2);
  EXPECT_EQ(Pixel(5, row2 + 8), band);
  EXPECT_EQ(Pixel(11, row2 + 8), band);
  // The name (bold, 7 wide) fills 6 * 6 = 36 pixels and a gap of 6: the first mark box (12
  // wide, 14 high) starts at 58, the importance box at 58 + 16 + 72 + 78 = 224.
  EXPECT_EQ(Pixel(58 + 5, Top(0) + 2 + 7), COLORREF(pars.MarkConclusionColor)) << "a conclusion's box";
  EXPECT_EQ(Pixel(58 + 5, row2 + 2 + 7), COLORREF(pars.ServiceRowColor)) << "a premise has none";
  EXPECT_EQ(Pixel(224 + 5, row2 + 2 + 7), COLORREF(pars.MarkSignificantColor));
  EXPECT_EQ(Pixel(224 + 5, Top(0) + 2 + 7), COLORREF(pars.ServiceRowColor));
  // The unselected row's name is drawn in the background colour; the selected one's shows.
  EXPECT_EQ(Pixel(17, row2 + 2 + 6), COLORREF(pars.ServiceRowColor));
  EXPECT_EQ(Pixel(17, Top(0) + 2 + 6), COLORREF(pars.ServiceLineFont.Color));
  // The selection frame: a dotted line along the selected row's edges.
  EXPECT_EQ(Pixel(0, Top(0)), COLORREF(pars.SelectionFrameColor));
  EXPECT_EQ(Pixel(0, row2), band) << "no frame on the other row";

  browse.SelectLowerListRow(2, false);
  Pump();
  EXPECT_EQ(Pixel(17, row2 + 2 + 6), COLORREF(pars.ServiceLineFont.Color));
  EXPECT_EQ(Pixel(17, Top(0) + 2 + 6), COLORREF(pars.ServiceRowColor));
  EXPECT_EQ(Pixel(0, row2), COLORREF(pars.SelectionFrameColor));

  // A marked item takes the marked colour (this discussion is not being created).
  browse.CurrentBrowseState.CurrentItem.Children[0].Marked = 1;
  browse.InvalidateLowerList();
  Pump();
  EXPECT_EQ(Pixel(300, Top(0) + 8), COLORREF(pars.ServiceRowMarkedColor));
}

// The default fields hold what they show: "conclusion" and "A100%" are drawn whole.
TEST_F(ListPainting, TheDefaultFieldsHoldTheirTexts) {
  TBrowse& browse = form->Browse;
  Add(TextType_Conclusion, "x");
  Relist();
  ASSERT_EQ(browse.CurrentBrowseState.SelectedRow, 0);
  // On the texts' middle line each character is a 5-pixel block of ink with a 1-pixel gap;
  // the words of the selected row, by their widths.
  std::vector<int> words;
  const int y = Top(0) + 2 + 6;
  int start = -1, last = -10;
  for (int x = 0; x < form->PaintBoxLowerList->Width(); ++x) {
    if (Pixel(x, y) != COLORREF(pars.ServiceLineFont.Color)) continue;
    if (x - last > 2) {
      if (start >= 0) words.push_back(last - start + 1);
      start = x;
    }
    last = x;
  }
  if (start >= 0) words.push_back(last - start + 1);
  EXPECT_NE(std::find(words.begin(), words.end(), 10 * 6 - 1), words.end()) << "conclusion";
  EXPECT_NE(std::find(words.begin(), words.end(), 5 * 6 - 1), words.end()) << "A100%";
}

TEST_F(ListPainting, ALongNameWidensItsFieldInWholeSteps) {
  TBrowse& browse = form->Browse;
  const TDiscBlockIndex block = Add(TextType_Conclusion, "x");
  d->Storages.GetDiscBlock(block)->Name = "abcdefghij";  // 10 bold letters: 70 pixels
  Relist();
  ASSERT_EQ(browse.CurrentBrowseState.Rows.Count(), 2u);
  // 36 grows by 12 to 72: the box starts at 16 + 72 + 6 = 94.
  EXPECT_EQ(Pixel(94 + 2, Top(0) + 2 + 7), COLORREF(pars.MarkConclusionColor));
  EXPECT_EQ(Pixel(94 - 2, Top(0) + 2 + 7), COLORREF(pars.ServiceRowColor));
}

TEST_F(ListPainting, ACrossedBlockIsCrossedOutFromItsIndent) {
  TBrowse& browse = form->Browse;
  const TDiscBlockIndex block = Add(TextType_Premise, "crossed out");
  d->Storages.GetDiscBlock(block)->DeleteFlag = DeleteFlag_Crossed;
  Relist();
  ASSERT_EQ(browse.CurrentBrowseState.Rows.Count(), 2u);
  const int top = Top(1);
  const int bottom = top + Height(1);
  EXPECT_EQ(Pixel(12, top), COLORREF(pars.DeletionCrossColor)) << "the cross starts at the indent";
  EXPECT_EQ(Pixel(12, bottom - 1), COLORREF(pars.DeletionCrossColor));
  const int right = form->PaintBoxLowerList->Width();
  EXPECT_EQ(Pixel(right - 2, bottom - 1), COLORREF(pars.DeletionCrossColor));
  EXPECT_EQ(Pixel(right - 2, top), COLORREF(pars.DeletionCrossColor));
  EXPECT_NE(Pixel(11, top), COLORREF(pars.DeletionCrossColor)) << "the level band is left alone";
}

TEST_F(ListPainting, ARowOfAnItemThatCannotBePaintedIsReported) {
  TBrowse& browse = form->Browse;
  browse.CurrentBrowseState.CurrentItem.Children.resize(1);  // an empty item
  TBrowseItemIndex first;
  first.Append(0);
  browse.InsertLowerListRow(0, LowerListRow_Service, first, 16);
  Pump();
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports().front(), "TBrowse::ServeLinePaint - тип элемента просмотра не отрисовывается");
  Reports().clear();
  TError::Instance().Reset();
  browse.CurrentBrowseState.Rows.Clear();
}

}  // namespace
}  // namespace browsetest
