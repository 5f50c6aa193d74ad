// The graph drawn in a browse window's graph panel: node boxes and links probed pixel by
// pixel, the places recorded for the pointer, scrolling by columns and depths that leaves
// the same pixels as a full repaint, centring on the current block, hints and clicks.

#include "Browsetest.h"

#include "browse/Graphdrawing.h"
#include "browse/Tgraph.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"
#include "tests/model/Modeltesthelpers.h"

#include <algorithm>
#include <vector>

namespace browsetest {
namespace {

using modeltest::AddBlock;

constexpr TColor kBackground = 0x102030, kPlain = 0xE0E0E0, kFrame = 0x000080, kLink = 0x008000,
                 kUnread = 0x00C0FF, kSignificant = 0xC000C0;

class GraphPanel : public BrowseTest {
 protected:
  void SetUp() override {
    BrowseTest::SetUp();
    pars.GraphBackgroundColor = kBackground;
    pars.GraphPlainNodeColor = kPlain;
    pars.GraphNodeFrameColor = kFrame;
    pars.GraphLinkColor = kLink;
    pars.GraphLinkWidth = 1;
    pars.MarkUnreadColor = kUnread;
    pars.MarkSignificantColor = kSignificant;
  }

  // The window on the root block "*" of a discussion with "1" and "2" under it and "1.1"
  // under "1". Laid out: "*" in column 4, "1" and "1.1" in column 3, "2" in column 6.
  TFormBrowse* OpenSmallGraph() {
    TFormBrowse* form = OpenOn(ecology);
    TDiscussion& d = Discussion(ecology);
    root = d.Storages.GetRootBlockIndex();
    one = AddBlock(d, StorageType_Model, root, TextType_Premise, "first");
    two = AddBlock(d, StorageType_Model, root, TextType_Premise, "second");
    oneOne = AddBlock(d, StorageType_Model, one, TextType_Premise, "below the first");
    Pump();
    return form;
  }

  void ShowGraph(TFormBrowse* form) {
    form->PanelGraph->Show();
    Pump();
  }

  // A pixel of the graph paint box.
  COLORREF At(TFormBrowse* form, int x, int y) {
    TPaintBox* box = form->PaintBoxGraph;
    return screen->WindowPixel(form->PanelGraph->Handle(), box->Left() + x, box->Top() + y);
  }
  std::vector<COLORREF> AllPixels(TFormBrowse* form) {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < form->PaintBoxGraph->Height(); ++y)
      for (int x = 0; x < form->PaintBoxGraph->Width(); ++x) pixels.push_back(At(form, x, y));
    return pixels;
  }
  void Click(TFormBrowse* form, int x, int y) {
    const POINT p = form->PaintBoxGraph->ClientToScreen(POINT{x, y});
    person.MoveTo(p.x, p.y);
    person.Press();
    person.Release();
    Pump();
  }
  void Hover(TFormBrowse* form, int x, int y) {
    const POINT p = form->PaintBoxGraph->ClientToScreen(POINT{x, y});
    person.MoveTo(p.x, p.y);
    Pump();
  }

  // Every node whose box reaches into the view has been drawn, and no other.
  void ExpectEveryVisibleNodeDrawn(TFormBrowse* form, TGraph& graph, TDiscBlockIndex current) {
    TDiscussion& d = Discussion(ecology);
    const int h = form->ScrollBarGraphHorz->Position(), v = form->ScrollBarGraphVert->Position();
    const int width = form->PaintBoxGraph->Width(), height = form->PaintBoxGraph->Height();
    uint32_t visible = 0;
    for (uint16_t i = 0; i < d.Storages.Model.Count(); ++i) {
      const TDiscBlockIndex block{StorageType_Model, i};
      const TGraphNode* drawn = graph.FindNode(block);
      ASSERT_NE(drawn, nullptr);
      const POINT centre = TGraph::NodeToPixel(drawn->Column, drawn->Depth, h, v);
      const int half = block == current ? 10 : 5;
      if (centre.x < -half || centre.y < -half || centre.x > width + half || centre.y > height + half) continue;
      ++visible;
      bool placed = false;
      for (const TGraphNodePlace& place : form->Browse.GraphPlaces) placed = placed || place.Block == block;
      EXPECT_TRUE(placed) << "block " << i << " at " << centre.x << ", " << centre.y;
    }
    EXPECT_EQ(form->Browse.GraphPlaces.Count(), visible);
    EXPECT_GT(visible, 10u);
  }

  TDiscBlockIndex root, one, two, oneOne;
};

TEST(GraphClipping, SegmentsAreCutToTheRectangle) {
  const RECT r{0, 0, 100, 50};
  POINT a, b;
  ASSERT_TRUE(ClipSegment(r, 10, 10, 90, 40, a, b));
  EXPECT_EQ((std::vector<LONG>{a.x, a.y, b.x, b.y}), (std::vector<LONG>{10, 10, 90, 40})) << "inside as it is";
  ASSERT_TRUE(ClipSegment(r, 50, -50, 50, 150, a, b));
  EXPECT_EQ((std::vector<LONG>{a.x, a.y, b.x, b.y}), (std::vector<LONG>{50, 0, 50, 50})) << "top, then bottom";
  ASSERT_TRUE(ClipSegment(r, 20, 25, 220, 25, a, b));
  EXPECT_EQ((std::vector<LONG>{a.x, a.y, b.x, b.y}), (std::vector<LONG>{20, 25, 100, 25})) << "the end inside first";
  ASSERT_TRUE(ClipSegment(r, -10, 60, 10, -40, a, b));
  // Crossing y = 0 at x = -10 + 20 x 60 / 100 = 2; y = 50 at -10 + 20 x 10 / 100 = -8.
  EXPECT_EQ((std::vector<LONG>{a.x, a.y, b.x, b.y}), (std::vector<LONG>{2, 0, -8, 50}));
  EXPECT_FALSE(ClipSegment(r, -5, -5, -1, 60, a, b)) << "both ends left";
  EXPECT_FALSE(ClipSegment(r, 0, 60, 100, 70, a, b)) << "both ends below";
  EXPECT_FALSE(ClipSegment(r, 100, 50, 200, 120, a, b)) << "one corner only is one point";
  // Far away points do not overflow.
  ASSERT_TRUE(ClipSegment(r, 50, 25, 3000000000LL, 25, a, b));
  EXPECT_EQ((std::vector<LONG>{a.x, a.y, b.x, b.y}), (std::vector<LONG>{50, 25, 100, 25}));
  EXPECT_EQ(TGraph::NodeToPixel(0, 1, 0, 0).x, 6) << "the first column 6 pixels from the left";
  EXPECT_EQ(TGraph::NodeToPixel(0, 1, 0, 0).y, 80) << "the first depth 80 pixels down";
  EXPECT_EQ(TGraph::NodeToPixel(10, 3, 2, 1).x, 54);
  EXPECT_EQ(TGraph::NodeToPixel(10, 3, 2, 1).y, 160);
}

TEST_F(GraphPanel, NodesAndLinksAreDrawnAndTheirPlacesRecorded) {
  TFormBrowse* form = OpenSmallGraph();
  TDiscussion& d = Discussion(ecology);
  // "1.1" is significant and unread: both halves in the same colour, no middle line.
  pars.MarkSignificantColor = kUnread;
  d.Storages.GetDiscBlock(oneOne)->Importance = 1;
  ShowGraph(form);
  TGraph& graph = DiscussionGraph(d);
  ASSERT_TRUE(graph.IsBuilt());
  ASSERT_TRUE(graph.IsPlaced());
  EXPECT_EQ(graph.FindNode(root)->Column, 4);
  EXPECT_EQ(graph.FindNode(two)->Column, 6);
  EXPECT_EQ(form->ScrollBarGraphHorz->Max(), 7);
  EXPECT_EQ(form->ScrollBarGraphVert->Max(), 4);

  // Places in drawing order: "*" (the current block, twice as large), "1", "1.1", "2".
  TBrowse& browse = form->Browse;
  ASSERT_EQ(browse.GraphPlaces.Count(), 4u);
  const TGraphNodePlace& star = browse.GraphPlaces[0];
  EXPECT_TRUE(star.Block == root);
  EXPECT_EQ((std::vector<int>{star.Left, star.Top, star.Width, star.Height}), (std::vector<int>{20, 70, 20, 20}));
  const TGraphNodePlace& second = browse.GraphPlaces[3];
  EXPECT_TRUE(second.Block == two);
  EXPECT_EQ((std::vector<int>{second.Left, second.Top, second.Width, second.Height}),
            (std::vector<int>{37, 155, 10, 10}));
  EXPECT_TRUE(browse.GraphPlaces[2].Block == oneOne);

  // "2" centred at (42, 160): a frame from 37 to 47 and 155 to 164, the left half plain,
  // the right half unread, a line between.
  EXPECT_EQ(At(form, 39, 160), COLORREF(kPlain));
  EXPECT_EQ(At(form, 45, 160), COLORREF(kUnread));
  EXPECT_EQ(At(form, 42, 160), COLORREF(kFrame));
  EXPECT_EQ(At(form, 37, 158), COLORREF(kFrame));
  EXPECT_EQ(At(form, 47, 158), COLORREF(kFrame));
  EXPECT_EQ(At(form, 45, 155), COLORREF(kFrame));
  EXPECT_EQ(At(form, 45, 164), COLORREF(kFrame));
  EXPECT_EQ(At(form, 45, 165), COLORREF(kBackground));
  EXPECT_EQ(At(form, 48, 158), COLORREF(kBackground));
  // "*" at (30, 80), 20 by 20 and one more pixel to the right.
  EXPECT_EQ(At(form, 22, 75), COLORREF(kPlain));
  EXPECT_EQ(At(form, 38, 75), COLORREF(kUnread));
  EXPECT_EQ(At(form, 40, 75), COLORREF(kFrame));
  EXPECT_EQ(At(form, 20, 85), COLORREF(kFrame));
  EXPECT_EQ(At(form, 41, 75), COLORREF(kBackground));
  // "1.1" at (24, 240) without a middle line.
  EXPECT_EQ(At(form, 24, 240), COLORREF(kUnread));
  EXPECT_EQ(At(form, 21, 240), COLORREF(kUnread));
  // Links from centre to centre: "1" to "1.1" straight down, "*" to "1" slanting.
  EXPECT_EQ(At(form, 24, 200), COLORREF(kLink));
  EXPECT_EQ(At(form, 27, 120), COLORREF(kLink));
  EXPECT_EQ(At(form, 26, 200), COLORREF(kBackground));
  EXPECT_EQ(At(form, 300, 40), COLORREF(kBackground));
}

TEST_F(GraphPanel, ScrollingMovesByColumnsAndDepthsAndLeavesWhatARepaintWould) {
  TFormBrowse* form = OpenSmallGraph();
  ShowGraph(form);
  form->ScrollBarGraphHorz->SetPosition(2);
  Pump();
  // "2" moved 12 pixels left.
  EXPECT_EQ(At(form, 45 - 12, 160), COLORREF(kUnread));
  EXPECT_EQ(At(form, 39 - 12, 160), COLORREF(kPlain));
  const std::vector<COLORREF> scrolled = AllPixels(form);
  const TArray<TGraphNodePlace> places = form->Browse.GraphPlaces;
  form->PaintBoxGraph->Invalidate();
  Pump();
  EXPECT_TRUE(scrolled == AllPixels(form)) << "scrolled pixels differ from a full repaint";
  ASSERT_EQ(places.Count(), form->Browse.GraphPlaces.Count());
  EXPECT_EQ(places[3].Left, 25);

  form->ScrollBarGraphVert->SetPosition(1);
  Pump();
  // The top-level row leaves the view upwards; "1" comes to the top edge.
  EXPECT_EQ(At(form, 27 - 12, 80), COLORREF(kUnread));
  const std::vector<COLORREF> down = AllPixels(form);
  form->PaintBoxGraph->Invalidate();
  Pump();
  EXPECT_TRUE(down == AllPixels(form)) << "scrolled pixels differ from a full repaint";
  ASSERT_EQ(form->Browse.GraphPlaces.Count(), 4u) << "half of \"*\" is still in view";
  EXPECT_EQ(form->Browse.GraphPlaces[0].Top, -10);
  form->ScrollBarGraphVert->SetPosition(2);
  Pump();
  ASSERT_EQ(form->Browse.GraphPlaces.Count(), 3u) << "\"*\" lies wholly above the view";
  for (const TGraphNodePlace& place : form->Browse.GraphPlaces) EXPECT_FALSE(place.Block == root);

  // The wheel over the graph moves it a depth a notch, with Shift a column; over its scroll
  // bar, that bar a line.
  const POINT graph = form->PaintBoxGraph->ClientToScreen(POINT{60, 60});
  person.MoveTo(graph.x, graph.y);
  person.Wheel(WHEEL_DELTA);
  Pump();
  EXPECT_EQ(form->ScrollBarGraphVert->Position(), 1);
  EXPECT_EQ(form->Browse.GraphPlaces[0].Top, -10) << "the graph is drawn where the bar says";
  person.KeyDown(VK_SHIFT);
  person.Wheel(WHEEL_DELTA);
  person.KeyUp(VK_SHIFT);
  Pump();
  EXPECT_EQ(form->ScrollBarGraphHorz->Position(), std::max(0, 2 - form->ScrollBarGraphHorz->SmallChange()));
  TControl& bar = *form->ScrollBarGraphVert;
  const POINT onBar = bar.ClientToScreen(POINT{bar.ClientWidth() / 2, bar.ClientHeight() / 2});
  person.MoveTo(onBar.x, onBar.y);
  person.Wheel(-WHEEL_DELTA);
  Pump();
  EXPECT_EQ(form->ScrollBarGraphVert->Position(), 2);
}

TEST_F(GraphPanel, TheCurrentBlockIsBroughtToTheMiddle) {
  TFormBrowse* form = OpenOn(ecology);
  TDiscussion& d = Discussion(ecology);
  TDiscBlockIndex upper = d.Storages.GetRootBlockIndex();
  for (int i = 0; i < 80; ++i) AddBlock(d, StorageType_Model, upper, TextType_Premise, "wide");
  for (int i = 0; i < 9; ++i) upper = AddBlock(d, StorageType_Model, upper, TextType_Premise, "deep");
  Pump();
  form->Browse.GoToDiscBlock(upper);
  Pump();
  TGraph& graph = DiscussionGraph(d);
  ASSERT_TRUE(graph.Build());
  graph.ScrollToCurrentBlock(form->Browse);
  ShowGraph(form);
  const TGraphNode& node = *graph.FindNode(upper);
  EXPECT_EQ(node.Depth, 10);
  const int h = node.Column - (form->PanelGraph->Width() / 6 - 2) / 2;
  const int v = node.Depth - (form->PanelGraph->Height() / 80) / 2;
  EXPECT_GT(h, 0);
  EXPECT_EQ(form->ScrollBarGraphHorz->Position(), h);
  EXPECT_EQ(form->ScrollBarGraphVert->Position(), v);
  // The node is drawn large near the middle of the panel.
  int found = 0;
  for (const TGraphNodePlace& place : form->Browse.GraphPlaces)
    if (place.Block == upper) {
      ++found;
      EXPECT_EQ(place.Width, 20);
      EXPECT_NEAR(place.Left + 10, form->PanelGraph->Width() / 2, 12);
      EXPECT_NEAR(place.Top + 10, form->PanelGraph->Height() / 2, 80);
    }
  EXPECT_EQ(found, 1);
  // Near the start the view stays at 0; the row of 80 is wider than the view.
  form->Browse.GoToDiscBlock(d.Storages.GetRootBlockIndex());
  EXPECT_GE(form->Browse.CurrentBrowseState.Rows.Count(), 81u) << "the opened block's list is built";
  graph.ScrollToCurrentBlock(form->Browse);
  ShowGraph(form);
  EXPECT_EQ(form->ScrollBarGraphVert->Position(), 0);
  EXPECT_GT(form->ScrollBarGraphHorz->Position(), 0);
  ExpectEveryVisibleNodeDrawn(form, graph, d.Storages.GetRootBlockIndex());
}

TEST_F(GraphPanel, HoveringANodeTellsWhatItIsAndAClickOpensIt) {
  TFormBrowse* form = OpenSmallGraph();
  TDiscussion& d = Discussion(ecology);
  d.Storages.GetStrHashItem(two)->Str.URL = "http://example.org";
  ShowGraph(form);
  TBrowse& browse = form->Browse;
  Hover(form, 42, 160);
  EXPECT_TRUE(form->PaintBoxGraph->ShowHint());
  // The block's summary: its fields in the columns of its service row.
  EXPECT_EQ(form->PaintBoxGraph->Hint(), "2" + std::string(38, ' ') + "A100%\r\nhttp://example.org\r\nsecond");
  // The hint window shows it after the pause, while the pointer rests on the node.
  person.Advance(unsigned(Application->HintPause()) + 10);
  ASSERT_NE(platform::hints::Window(), nullptr);
  EXPECT_EQ(platform::hints::ShownText(), form->PaintBoxGraph->Hint());
  Hover(form, 30, 80);
  EXPECT_EQ(form->PaintBoxGraph->Hint(), "Ecology") << "the root block tells the discussion's name";
  EXPECT_EQ(platform::hints::Window(), nullptr) << "another node: the old hint goes";
  person.Advance(unsigned(Application->HintPause()) + 10);
  EXPECT_EQ(platform::hints::ShownText(), "Ecology");
  Hover(form, 200, 200);
  EXPECT_FALSE(form->PaintBoxGraph->ShowHint());
  EXPECT_EQ(form->PaintBoxGraph->Hint(), "");

  TRecorder recorder;
  Click(form, 120, 160);
  EXPECT_TRUE(form->PanelGraph->Visible()) << "a click beside the nodes opens nothing";
  EXPECT_EQ(recorder.Count(Notify_MousePressed), 1);
  const uint32_t history = browse.History.Count();
  Click(form, 47, 165);  // the box's corner counts
  EXPECT_FALSE(form->PanelGraph->Visible());
  EXPECT_TRUE(browse.CurrentBrowseState.CurrentItem.Ident.Index == two);
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.DisplayMode, DisplayMode_Full);
  EXPECT_EQ(browse.History.Count(), history + 1);
  EXPECT_TRUE(browse.History[history].CurrentItem.Ident.Index == d.Storages.GetRootBlockIndex());
}

TEST_F(GraphPanel, ARightClickOnANodeOpensThePopupOfItsName) {
  TFormBrowse* form = OpenSmallGraph();
  ShowGraph(form);
  int opened = 0;
  platform::SetMenuLoopIdleHook([&] {
    if (opened++ == 0) person.PressKey(VK_ESCAPE);
  });
  const POINT p = form->PaintBoxGraph->ClientToScreen(POINT{24, 240});
  person.MoveTo(p.x, p.y);
  person.Press(platform::MouseButton::Right);
  person.Release(platform::MouseButton::Right);
  Pump();
  platform::SetMenuLoopIdleHook(nullptr);
  EXPECT_GT(opened, 0);
  EXPECT_EQ(form->Browse.PopupMenu.Text.ToString(), "1.1");
  EXPECT_TRUE(form->PanelGraph->Visible()) << "the popup opens nothing by itself";
}

TEST_F(GraphPanel, AnAddedBlockIsDrawnAtTheNextPaint) {
  TFormBrowse* form = OpenSmallGraph();
  ShowGraph(form);
  ASSERT_EQ(form->Browse.GraphPlaces.Count(), 4u);
  TDiscussion& d = Discussion(ecology);
  const TDiscBlockIndex three = AddBlock(d, StorageType_Model, two, TextType_Premise, "third");
  d.Undo.AddDiscBlockCreation(d, three);
  TListeners::Instance().DeliverQueued();  // as on idle
  EXPECT_EQ(form->Browse.GraphPlaces.Count(), 0u) << "the boxes drawn went with the layout";
  Pump();
  ASSERT_EQ(form->Browse.GraphPlaces.Count(), 5u);
  EXPECT_TRUE(form->Browse.GraphPlaces[4].Block == three);
  // Undoing the creation takes it away again.
  d.Undo.UndoStep(d);
  Pump();
  EXPECT_EQ(form->Browse.GraphPlaces.Count(), 4u);
}

TEST_F(GraphPanel, AChangedBlockIsRepaintedInItsNewColours) {
  TFormBrowse* form = OpenSmallGraph();
  ShowGraph(form);
  EXPECT_EQ(At(form, 39, 160), COLORREF(kPlain));
  TDiscussion& d = Discussion(ecology);
  d.Storages.GetDiscBlock(two)->Importance = 1;
  SendBlockNotification(Notify_BlockChanged, Discussion(economy), two, false);
  Pump();
  EXPECT_EQ(At(form, 39, 160), COLORREF(kPlain)) << "a block of another discussion";
  SendBlockNotification(Notify_BlockChanged, d, two, false);
  Pump();
  EXPECT_EQ(At(form, 39, 160), COLORREF(kSignificant));
  d.Storages.GetDiscBlock(one)->Importance = 1;
  d.Storages.GetDiscBlock(oneOne)->Importance = 1;
  TListeners::SendPair(Notify_BlockChanged, reinterpret_cast<intptr_t>(&d), 0, false);  // any block
  Pump();
  EXPECT_EQ(At(form, 21, 160), COLORREF(kSignificant));
  EXPECT_EQ(At(form, 21, 240), COLORREF(kSignificant));
}

TEST_F(GraphPanel, DecliningAnIncompleteGraphHidesThePanel) {
  TFormBrowse* form = OpenSmallGraph();
  Discussion(ecology).Storages.GetDiscBlock(one)->DeleteFlag = DeleteFlag_Erased;  // "1.1" has no upper node
  Answer(1);  // No
  ShowGraph(form);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "GRAPH");
  EXPECT_FALSE(form->PanelGraph->Visible());
  EXPECT_EQ(form->Browse.GraphPlaces.Count(), 0u);
  // Shown again, the graph is asked for again; taken as it is, "1.1" is left out.
  Answer(0);
  ShowGraph(form);
  EXPECT_TRUE(form->PanelGraph->Visible());
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(form->Browse.GraphPlaces.Count(), 2u);
}

TEST_F(GraphPanel, AWindowWithoutDiscussionPaintsTheBackground) {
  TFormBrowse* form = OpenSmallGraph();
  ShowGraph(form);
  form->Browse.CurrentBrowseState.DiscussionIndex = -1;
  form->PaintBoxGraph->Invalidate();
  Pump();
  EXPECT_EQ(form->Browse.GraphPlaces.Count(), 0u);
  EXPECT_EQ(At(form, 42, 160), COLORREF(kBackground));
}

}  // namespace
}  // namespace browsetest
