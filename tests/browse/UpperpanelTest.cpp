// The upper panel of a browse window painted with the test font: the current item's text,
// the panel as high as the text (worked out by hand), the crossed block, the author's name,
// and the pointer: hover and clicks of references and links, and presses beside them.
//
// Test font metrics (96 dpi): size 12 bold (the first pair): 20 high; size 11 (the second
// pair): 19 high, 8 wide. A text of the upper panel keeps an empty line under it, and the
// panel is the text's height + 1.5 x the top margin (6).

#include "Browsetest.h"

#include "browse/Browsecommand.h"
#include "browse/Tformbrowse.h"
#include "foundation/Terror.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tmenu.h"
#include "platform/gui/Gui.h"
#include "tests/model/Modeltesthelpers.h"

namespace browsetest {
namespace {

class UpperPanel : public BrowseTest {
 protected:
  void SetUp() override {
    BrowseTest::SetUp();
    form = OpenOn(ecology);
    ASSERT_NE(form, nullptr);
    d = &Discussion(ecology);
    root = d->Storages.GetRootBlockIndex();
    BrowseCommandHandler() = [this](TBrowse&, const TBrowseItemIndex*, const TBrowseItem* item, const std::string&,
                                    uint8_t code, TShiftState, int32_t data1, int32_t data2) {
      commands.push_back(code);
      EXPECT_TRUE(item != nullptr);
      EXPECT_EQ(data1, -1);
      EXPECT_EQ(data2, -1);
    };
  }

  TDiscBlockIndex Add(uint8_t textType, const std::string& text) {
    return modeltest::AddBlock(*d, StorageType_Model, root, textType, text);
  }
  void Show(TDiscBlockIndex block) {
    form->Browse.GoToDiscBlock(block);
    Pump();
  }
  int PanelHeight() const { return form->PanelUpperBlockPaintBox->Height(); }
  POINT At(int x, int y) const { return form->PaintBoxUpperBlock->ClientToScreen(POINT{x, y}); }
  void ClickAt(int x, int y, platform::MouseButton button = platform::MouseButton::Left) {
    const POINT p = At(x, y);
    person.Click(p.x, p.y, button);
    Pump();
  }
  COLORREF Pixel(int x, int y) const {
    return screen->WindowPixel(form->PanelUpperBlockPaintBox->Handle(), x, y);
  }

  TFormBrowse* form = nullptr;
  TDiscussion* d = nullptr;
  TDiscBlockIndex root;
  std::vector<uint8_t> commands;
};

TEST_F(UpperPanel, TheItemIsDrawnAndThePanelTakesTheHeightOfItsText) {
  // The root block shows the discussion's title in the first pair: 6 + 20 + 20 (the empty
  // line) = 46, so the text took 40 and the panel is 40 + 9.
  EXPECT_EQ(PanelHeight(), 49);
  EXPECT_EQ(Pixel(2, 2), COLORREF(pars.UpperPanelColor));
  EXPECT_EQ(Pixel(pars.UpperIndent + 1, 6 + 10), COLORREF(pars.UpperHeadingTextFont.Color)) << "the title's ink";

  // Three lines in the second pair: 3 x 19 + 19 = 76, and the panel 85.
  const TDiscBlockIndex premise = Add(TextType_Premise, "one\r\ntwo\nthree");
  Show(premise);
  EXPECT_EQ(PanelHeight(), 76 + 9);
  // A formula's first line names its conclusion: "<" + the link text + "> = " + formula.
  const TDiscBlockIndex conclusion = Add(TextType_Conclusion, "the conclusion");
  const TDiscBlockIndex formula = Add(TextType_Formula, "why");
  d->Storages.GetDiscBlock(formula)->Conclusion = conclusion;
  d->Storages.GetStrHashItem(formula)->Str.FormulaText = "1";
  Show(formula);
  EXPECT_EQ(PanelHeight(), 2 * 19 + 19 + 9);
  const std::string name = d->Storages.GetDiscBlock(conclusion)->Name.ToString();
  ASSERT_EQ(form->Browse.HitAreas.Items.Count(), 1u);
  const THyperRefInfoItem& area = form->Browse.HitAreas.Items[0];
  EXPECT_EQ(area.Owner, HyperRefOwner_Upper);
  EXPECT_EQ(area.Text.ToString(), name);
  EXPECT_EQ(area.X, pars.UpperIndent);
  EXPECT_EQ(area.Y, pars.UpperTopMargin);
  EXPECT_EQ(area.Width, int(name.size() + 2) * 8);

  // A block marked for deletion is crossed over the whole panel in the marked colour (the
  // upper panel made tall enough to show it whole).
  form->PanelUpperBlock->SetHeight(200);
  d->Storages.GetDiscBlock(premise)->DeleteFlag = DeleteFlag_Crossed;
  Show(premise);
  const int width = form->PaintBoxUpperBlock->Width(), height = form->PaintBoxUpperBlock->Height();
  EXPECT_EQ(Pixel(0, 0), COLORREF(pars.MarkedColor));
  EXPECT_EQ(Pixel(0, height - 1), COLORREF(pars.MarkedColor));
  EXPECT_EQ(Pixel(width - 2, 0), COLORREF(pars.MarkedColor));
  EXPECT_EQ(Pixel(width / 2, 1), COLORREF(pars.UpperPanelColor));

  // An author: the full name in the first pair, one line.
  d->Authors.CreateAuthor(*d, TStr("LI"), 7, 0);
  const int author = d->Authors.FindAuthorByADIdent(7);
  ASSERT_GE(author, 0);
  d->Authors.Author(author).LastName = "Smith";
  TBrowseItem item;
  item.Ident.Kind = BrowseItem_Author;
  item.Ident.ADIdent = 7;
  form->Browse.CurrentBrowseState.CurrentItem = item;
  form->PaintBoxUpperBlock->Invalidate();
  Pump();
  EXPECT_EQ(PanelHeight(), 49);
}

TEST_F(UpperPanel, ReferencesAreHoveredAndClicked) {
  const TDiscBlockIndex target = Add(TextType_Premise, "where the reference leads");
  const std::string name = d->Storages.GetDiscBlock(target)->Name.ToString();
  // "see " is 4 letters of 8: the reference starts at the indent + 32.
  const TDiscBlockIndex source = Add(TextType_Premise, "see <" + name + "> or <9.9>");
  Show(source);
  TBrowse& browse = form->Browse;
  ASSERT_EQ(browse.HitAreas.Items.Count(), 2u);
  const int x = pars.UpperIndent + 32 + 3, y = pars.UpperTopMargin + 5;
  EXPECT_EQ(browse.HitAreas.Items[0].X, pars.UpperIndent + 32);

  const POINT over = At(x, y);
  person.MoveTo(over.x, over.y);
  Pump();
  EXPECT_EQ(browse.HitAreas.Hovered, 0);
  EXPECT_EQ(Screen->Cursor(), crHandPoint);
  EXPECT_EQ(Pixel(x, y + 4), COLORREF(pars.HoverFontColor & 0xFFFFFF)) << "drawn in the hover colour";

  // A right click offers the reference's popup.
  int popups = 0;
  form->PopupMenuRightClick->OnPopup = [&](TObject*) { ++popups; };
  platform::SetMenuLoopIdleHook([&] { person.PressKey(VK_ESCAPE); });
  ClickAt(x, y, platform::MouseButton::Right);
  platform::SetMenuLoopIdleHook(nullptr);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(browse.HitAreas.Hovered, -1) << "the click drops the hover";
  EXPECT_TRUE(commands.empty());

  // A left click goes to the named block, which the panel then shows.
  ClickAt(x, y);
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.GetDiscBlockIndex(), target);
  EXPECT_EQ(browse.History.Count(), 3u);  // the window's empty first state, the root, the source
  EXPECT_TRUE(commands.empty());

  // A reference to no block says so and the window stays.
  Show(source);
  const int unknown = browse.HitAreas.Items[1].X + 2;
  Answer(0);
  ClickAt(unknown, y);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "Reference error");
  EXPECT_EQ(Boxes()[0].Message, "Reference <9.9> not found!");
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.GetDiscBlockIndex(), source);
}

TEST_F(UpperPanel, ALinkOpensTheBrowserAndPressesBesideTheTextGoUpOrBack) {
  const TDiscBlockIndex heading = Add(TextType_Heading, "a heading");
  d->Storages.GetStrHashItem(heading)->Str.URL = "http://example.org/";
  Show(heading);
  TBrowse& browse = form->Browse;
  ASSERT_EQ(browse.HitAreas.Items.Count(), 1u);
  const THyperRefInfoItem link = browse.HitAreas.Items[0];
  EXPECT_EQ(link.Kind, HyperRef_Link);
  EXPECT_EQ(link.Y, pars.UpperTopMargin + 20) << "under the heading's line";
  // No browser is set up: the user is told.
  Answer(0);
  ClickAt(link.X + 2, link.Y + 2);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "DOS COMMAND LINE ERROR");
  EXPECT_TRUE(commands.empty());

  // Beside the texts a left press goes up; on an author it goes back.
  ClickAt(300, 2);
  EXPECT_EQ(commands, std::vector<uint8_t>{1});
  browse.CurrentBrowseState.CurrentItem.Clear();
  browse.CurrentBrowseState.CurrentItem.Ident.Kind = BrowseItem_Author;
  browse.CurrentBrowseState.CurrentItem.Ident.ADIdent = 0;
  ClickAt(300, 2);
  EXPECT_EQ(commands, (std::vector<uint8_t>{1, 12}));
}

TEST_F(UpperPanel, AnItemOfAnUnknownKindIsReported) {
  form->Browse.CurrentBrowseState.CurrentItem.Ident.Kind = 9;
  form->PaintBoxUpperBlock->Invalidate();
  Pump();
  ASSERT_FALSE(Reports().empty());
  EXPECT_EQ(Reports().front(), "TBrowse::DrawUpperBrowseItem - неизвестный тип элемента просмотра");
  Reports().clear();
  TError::Instance().Reset();
  form->Browse.CurrentBrowseState.CurrentItem.Clear();
}

}  // namespace
}  // namespace browsetest
