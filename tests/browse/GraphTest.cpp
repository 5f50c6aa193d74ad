// The graph of a discussion: the tree built from real discussions, the index, the layout
// on the grid worked out by hand, and the tree kept current while blocks come and go.

#include "browse/Graphbuild.h"
#include "browse/Tgraph.h"
#include "dialogs/Tformprogress.h"
#include "foundation/Guihooks.h"
#include "foundation/Tlisteners.h"
#include "model/Tdiscussion.h"
#include "platform/display/Headlessscreen.h"
#include "platform/forms/Tscreen.h"
#include "tests/model/Modeltesthelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using modeltest::AddBlock;
using modeltest::MakeRoot;
using modeltest::Reports;

constexpr TDiscBlockIndex RootBlock{StorageType_Model, 0};

// Questions asked by the build, the status the progress window showed meanwhile, and the
// answer given (0 Yes, 1 No).
struct TQuestions {
  static inline std::vector<std::string> Asked;
  static inline std::vector<std::string> Status;
  static inline int Answer = 0;
  // A graph painted while the question is up builds again from within.
  static inline TGraph* Repaint = nullptr;
  static inline std::vector<bool> Repainted;
  static int Ask(const std::string& caption, const std::string& message, const std::string&,
                 const std::string& buttons, int) {
    Asked.push_back(caption + "|" + message + "|" + buttons);
    if (Repaint) Repainted = {bool(Repaint->IsBuilding()), Repaint->Build()};
    for (int i = 0; i < Screen->FormCount(); ++i)
      if (auto* progress = dynamic_cast<TFormProgress*>(Screen->Forms(i))) Status.push_back(progress->Status());
    return Answer;
  }
};

class Graph : public modeltest::ModelTest {
protected:
  platform::HeadlessScreen screen{800, 600};
  TDiscussion d;

  void SetUp() override {
    ModelTest::SetUp();
    TQuestions::Asked.clear();
    TQuestions::Status.clear();
    TQuestions::Answer = 0;
    TQuestions::Repaint = nullptr;
    TGuiHooks hooks = GuiHooks();
    hooks.ShowMessageBox = &TQuestions::Ask;
    SetGuiHooks(hooks);
    MakeRoot(d, Folder());
  }
  void TearDown() override {
    TListeners::Instance().ClearQueue();
    ModelTest::TearDown();
  }

  TDiscBlockIndex Model(TDiscBlockIndex upper, uint8_t textType = TextType_Premise) {
    return AddBlock(d, StorageType_Model, upper, textType, "text");
  }
  TDiscBlockIndex Comment(TDiscBlockIndex upper) {
    // Notifications of added blocks wait for an idle time that never comes here.
    if (d.Storages.Comments.Count() % 256 == 0) TListeners::Instance().ClearQueue();
    return AddBlock(d, StorageType_Comments, upper, TextType_Premise, "c", 5);
  }

  // The blocks of a node's children, in order.
  std::vector<TDiscBlockIndex> Children(const TGraph& graph, TDiscBlockIndex block) {
    std::vector<TDiscBlockIndex> blocks;
    const int32_t node = graph.FindNodeId(block);
    if (node < 0) return blocks;
    for (const int32_t child : graph.Children(node)) blocks.push_back(graph.Node(child).Block);
    return blocks;
  }
  int Column(const TGraph& graph, TDiscBlockIndex block) { return graph.FindNode(block)->Column; }
  int Depth(const TGraph& graph, TDiscBlockIndex block) { return graph.FindNode(block)->Depth; }
};

using Blocks = std::vector<TDiscBlockIndex>;

TEST(GraphBuildOrder, NamesAreLevelledWithoutTheirParenthesesAndHeadingMarks) {
  EXPECT_EQ(StripParenthesized("3.2(12-7)"), "3.2");
  EXPECT_EQ(StripParenthesized("1(2(3)4)5"), "15");
  EXPECT_EQ(StripParenthesized("a)b(c"), "a)b(c");  // no "(" before the first ")"
  EXPECT_EQ(StripParenthesized("(1.2"), "(1.2");
  EXPECT_EQ(GraphBuildLevel("*"), 0);
  EXPECT_EQ(GraphBuildLevel("3"), 0);
  EXPECT_EQ(GraphBuildLevel("3.1"), 1);
  EXPECT_EQ(GraphBuildLevel("3.1.*"), 1);
  EXPECT_EQ(GraphBuildLevel(".*"), 1);  // too short to lose its heading mark
  EXPECT_EQ(GraphBuildLevel("3.1.01"), 2);
  EXPECT_EQ(GraphBuildLevel("3.2(1.2.3.4)"), 1);
  EXPECT_EQ(GraphBuildLevel("3."), 0);  // the last character is not counted
  EXPECT_EQ(GraphBuildLevel("12-7M"), 0);
  EXPECT_EQ(GraphBuildLevel(""), 0);
  EXPECT_TRUE((TGraphBuildKey{0, 9} < TGraphBuildKey{1, 1}));
  EXPECT_TRUE((TGraphBuildKey{1, 1} < TGraphBuildKey{1, 2}));
  EXPECT_FALSE((TGraphBuildKey{1, 2} < TGraphBuildKey{1, 2}));
}

TEST_F(Graph, ATreeOfEveryStorageLeavesOutErasedAndRecycledBlocks) {
  const TDiscBlockIndex one = Model(RootBlock), two = Model(RootBlock);
  const TDiscBlockIndex oneOne = Model(one), oneTwo = Model(one, TextType_Heading);
  const TDiscBlockIndex deep = Model(oneOne);
  const TDiscBlockIndex comment = Comment(oneOne), answer = Comment(comment);
  const TDiscBlockIndex moderated = AddBlock(d, StorageType_ModeratedComments, one, TextType_Premise, "m", 5);
  const TDiscBlockIndex note = AddBlock(d, StorageType_Notes, two, TextType_Premise, "n");
  const TDiscBlockIndex erased = Model(two), underErased = Model(erased);
  const TDiscBlockIndex recycled = Comment(two);
  const TDiscBlockIndex crossed = Comment(two);
  d.Storages.GetDiscBlock(erased)->SetDeleteFlag(d, erased, DeleteFlag_Erased, 0);
  d.Storages.GetDiscBlock(recycled)->SetDeleteFlag(d, recycled, DeleteFlag_Recycled, 0);
  d.Storages.GetDiscBlock(crossed)->SetDeleteFlag(d, crossed, DeleteFlag_Crossed, 0);

  TGraph& graph = DiscussionGraph(d);
  EXPECT_EQ(&graph, &DiscussionGraph(d));
  EXPECT_FALSE(graph.IsBuilt());
  ASSERT_TRUE(graph.Build());
  EXPECT_TRUE(graph.IsBuilt());
  EXPECT_FALSE(graph.IsPlaced());
  EXPECT_EQ(graph.NodeCount(), 11);

  EXPECT_EQ(Children(graph, {}), Blocks{RootBlock});
  EXPECT_EQ(Children(graph, RootBlock), (Blocks{one, two}));
  EXPECT_EQ(Children(graph, one), (Blocks{oneOne, oneTwo, moderated}));
  EXPECT_EQ(Children(graph, oneOne), (Blocks{deep, comment}));
  EXPECT_EQ(Children(graph, comment), Blocks{answer});
  // Comments are gathered before notes; the crossed comment is alive.
  EXPECT_EQ(Children(graph, two), (Blocks{crossed, note}));
  EXPECT_EQ(graph.Root().Depth, 0);
  EXPECT_EQ(Depth(graph, RootBlock), 1);
  EXPECT_EQ(Depth(graph, oneTwo), 3);
  EXPECT_EQ(Depth(graph, answer), 5);
  EXPECT_EQ(graph.FindNode(erased), nullptr);
  EXPECT_EQ(graph.FindNode(recycled), nullptr);
  EXPECT_EQ(graph.FindNode(underErased), nullptr);

  // The live block under the erased one is the one the question counts; the progress
  // window is still up, telling how many blocks were gathered.
  ASSERT_EQ(TQuestions::Asked.size(), 1u);
  EXPECT_EQ(TQuestions::Asked[0],
            "GRAPH|1 blocks can not be added to Graph;\nGraph builded uncompletely. Do you want to see uncompleted "
            "Graph?|Yes|No");
  EXPECT_EQ(TQuestions::Status, std::vector<std::string>{"Building graph - adding 12 blocks..."});
  for (int i = 0; i < Screen->FormCount(); ++i) EXPECT_EQ(dynamic_cast<TFormProgress*>(Screen->Forms(i)), nullptr);

  // Built once: a second build asks nothing.
  EXPECT_TRUE(graph.Build());
  EXPECT_EQ(TQuestions::Asked.size(), 1u);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Graph, IndexFindsTheNodeOfEveryBlockAndNothingForOthers) {
  std::vector<TDiscBlockIndex> blocks{RootBlock};
  for (int i = 0; i < 40; ++i) blocks.push_back(i % 3 == 0 ? Comment(blocks[size_t(i / 2)]) : Model(blocks[size_t(i / 4)]));
  TGraph& graph = DiscussionGraph(d);
  ASSERT_TRUE(graph.Build());
  EXPECT_TRUE(TQuestions::Asked.empty());
  for (const TDiscBlockIndex block : blocks) {
    const TGraphNode* node = graph.FindNode(block);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->Block, block);
    EXPECT_EQ(graph.Node(node->Parent).Block, d.Storages.GetDiscBlock(block)->Upper);
    EXPECT_EQ(node->Depth, graph.Node(node->Parent).Depth + 1);
  }
  EXPECT_EQ(graph.FindNode({}), &graph.Root());
  EXPECT_EQ(graph.FindNode({StorageType_Comments, 999}), nullptr);
  EXPECT_EQ(graph.FindNode({StorageType_Notes, 0}), nullptr);
  EXPECT_EQ(graph.FindNode({7, 0}), nullptr);
}

TEST_F(Graph, BlocksComeInThePassOfTheirUpperBlock) {
  // Under a note: a comment gathered before it (added in the second pass) and a note
  // gathered after it (the first pass), so the note stands first.
  const TDiscBlockIndex one = Model(RootBlock);
  const TDiscBlockIndex early = Comment(one);
  const TDiscBlockIndex note = AddBlock(d, StorageType_Notes, one, TextType_Premise, "n");
  const TDiscBlockIndex inner = AddBlock(d, StorageType_Notes, note, TextType_Premise, "n2");
  TDiscBlock& comment = *d.Storages.GetDiscBlock(early);
  comment.Upper = note;
  comment.UpperCode = d.Storages.GetDiscBlock(note)->GetDiscBlockCode();
  TGraph& graph = DiscussionGraph(d);
  ASSERT_TRUE(graph.Build());
  EXPECT_EQ(Children(graph, one), Blocks{note});
  EXPECT_EQ(Children(graph, note), (Blocks{inner, early}));
  // The root and the first block under it share level and number: the root still leads.
  EXPECT_EQ(Children(graph, {}), Blocks{RootBlock});
  EXPECT_TRUE(TQuestions::Asked.empty());
}

TEST_F(Graph, OnlyTheRootBlockStandsOverTheRootOfTheTree) {
  TGraph& graph = DiscussionGraph(d);
  ASSERT_TRUE(graph.Build());
  graph.EnsurePlaced();
  EXPECT_TRUE(graph.IsPlaced());
  EXPECT_EQ(graph.NodeCount(), 1);
  EXPECT_EQ(Depth(graph, RootBlock), 1);
  EXPECT_EQ(Column(graph, RootBlock), 3);
  EXPECT_EQ(graph.Root().Column, 3);
  ASSERT_EQ(graph.RowCount(), 2);
  EXPECT_EQ(graph.Row(0).Cell(3), 'B');
  EXPECT_EQ(graph.Row(1).Cell(3), 'B');
  EXPECT_EQ(graph.Row(1).CellCount(), 1000);
  EXPECT_EQ(graph.GetWidth(), 4);
}

TEST_F(Graph, ParentsStandOverTheMiddleOfTheirChildren) {
  const TDiscBlockIndex one = Model(RootBlock), two = Model(RootBlock);
  const TDiscBlockIndex oneOne = Model(one), oneTwo = Model(one);
  TGraph& graph = DiscussionGraph(d);
  ASSERT_TRUE(graph.Build());
  graph.EnsurePlaced();
  // Row 3: a first child 3 cells on, its sibling 2 cells after the last busy one.
  EXPECT_EQ(Column(graph, oneOne), 3);
  EXPECT_EQ(Column(graph, oneTwo), 6);
  EXPECT_EQ(Column(graph, one), 4);  // (3 + 6) / 2
  EXPECT_EQ(Column(graph, two), 7);  // a leaf after "1" in row 2
  EXPECT_EQ(Column(graph, RootBlock), 5);
  EXPECT_EQ(graph.Root().Column, 5);
  EXPECT_EQ(graph.RowCount(), 4);
  EXPECT_EQ(graph.GetWidth(), 8);
  std::string row2;
  for (int x = 0; x < 9; ++x) row2 += graph.Row(2).Cell(x);
  EXPECT_EQ(row2, "FFFFBFFBF");
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Graph, AParentPushedRightByItsRowTakesItsWholeSubtreeAlong) {
  const TDiscBlockIndex one = Model(RootBlock), two = Model(RootBlock);
  const TDiscBlockIndex twoOne = Model(two), twoOneOne = Model(twoOne);
  TGraph& graph = DiscussionGraph(d);
  ASSERT_TRUE(graph.Build());
  graph.EnsurePlaced();
  // "2" would stand over its child at 3, but "1" holds row 2 at 3: it goes to 3 + 1 + 2
  // and moves its subtree 3 cells with it.
  EXPECT_EQ(Column(graph, one), 3);
  EXPECT_EQ(Column(graph, two), 6);
  EXPECT_EQ(Column(graph, twoOne), 6);
  EXPECT_EQ(Column(graph, twoOneOne), 6);
  EXPECT_EQ(graph.Row(3).Cell(3), 'F');
  EXPECT_EQ(graph.Row(3).Cell(6), 'B');
  EXPECT_EQ(graph.Row(4).Cell(3), 'F');
  EXPECT_EQ(graph.Row(4).Cell(6), 'B');
  EXPECT_EQ(Column(graph, RootBlock), 4);  // (3 + 6) / 2, truncated
  EXPECT_EQ(graph.GetWidth(), 7);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Graph, RowCellsGrowByAThousandAndRefuseWrongChanges) {
  TGraphRow row;
  EXPECT_EQ(row.GetFirstFree(), 0);
  row.BusyCell(1000);
  EXPECT_EQ(row.CellCount(), 2000);
  EXPECT_EQ(row.GetFirstFree(), 1001);
  row.BusyCell(5);
  EXPECT_EQ(row.GetFirstFree(), 1001);
  row.FreeCell(1000);
  EXPECT_EQ(row.GetFirstFree(), 6);
  EXPECT_TRUE(Reports().empty());
  row.FreeCell(7);
  row.FreeCell(-1);
  row.FreeCell(5000);
  EXPECT_EQ(Reports(), std::vector<std::string>(3, "TGraphRow::FreeCell - ошибка освобождения ячейки графа"));
  Reports().clear();
  row.BusyCell(5);  // busy already: reported, stays busy
  row.BusyCell(-3);
  EXPECT_EQ(Reports(), std::vector<std::string>(2, "TGraphRow::BusyCell - ошибка занятия ячейки графа"));
  EXPECT_EQ(row.Cell(5), 'B');
  EXPECT_EQ(row.Cell(-3), 0);
  EXPECT_EQ(row.CellCount(), 2000);
}

TEST_F(Graph, BlocksAddedAndRemovedWhileBuiltKeepTheTreeAndDropTheLayout) {
  const TDiscBlockIndex one = Model(RootBlock);
  TGraph& graph = DiscussionGraph(d);
  // Not built yet: the storages' calls are not heeded.
  const TDiscBlockIndex before = Model(one);
  EXPECT_EQ(graph.NodeCount(), 0);
  ASSERT_TRUE(graph.Build());
  graph.EnsurePlaced();
  ASSERT_EQ(graph.NodeCount(), 3);

  d.Undo.StartStep();
  const TDiscBlockIndex added = Model(before);
  d.Undo.AddDiscBlockCreation(d, added);
  EXPECT_FALSE(graph.IsPlaced());
  EXPECT_EQ(Column(graph, before), -1);
  EXPECT_EQ(graph.RowCount(), 0);
  EXPECT_EQ(Children(graph, before), Blocks{added});
  EXPECT_EQ(Depth(graph, added), 4);
  graph.EnsurePlaced();
  EXPECT_EQ(Column(graph, added), 3);

  // A comment received under the new block, then the block's creation undone: the block
  // goes with its subtree.
  const TDiscBlockIndex reply = Comment(added);
  EXPECT_EQ(Children(graph, added), Blocks{reply});
  graph.EnsurePlaced();
  d.Storages.Comments.DeleteLastItem(d);
  EXPECT_EQ(graph.FindNode(reply), nullptr);
  const TDiscBlockIndex again = Comment(added);
  graph.EnsurePlaced();
  ASSERT_TRUE(d.Undo.UndoStep(d));
  EXPECT_EQ(d.Storages.Model.Count(), 3);
  EXPECT_FALSE(graph.IsPlaced());
  EXPECT_EQ(graph.FindNode(added), nullptr);
  EXPECT_EQ(graph.FindNode(again), nullptr);
  EXPECT_EQ(Children(graph, before), Blocks{});
  EXPECT_EQ(graph.NodeCount(), 3);

  // A block under a block the graph left out is not added, and taking it back again is
  // no fault.
  const TDiscBlockIndex erased = Model(one);
  d.Storages.GetDiscBlock(erased)->SetDeleteFlag(d, erased, DeleteFlag_Erased, 0);
  graph.Clear();
  TQuestions::Answer = 0;
  ASSERT_TRUE(graph.Build());
  const TDiscBlockIndex orphan = Model(erased);
  EXPECT_EQ(graph.FindNode(orphan), nullptr);
  d.Storages.Model.DeleteLastItem(d);
  d.Storages.Model.DeleteLastItem(d);
  EXPECT_EQ(graph.NodeCount(), 3);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Graph, ABlockAnnouncedAgainMovesWithItsSubtree) {
  const TDiscBlockIndex one = Model(RootBlock), two = Model(RootBlock);
  const TDiscBlockIndex comment = Comment(one), answer = Comment(comment);
  TGraph& graph = DiscussionGraph(d);
  ASSERT_TRUE(graph.Build());
  TDiscBlock& block = *d.Storages.GetDiscBlock(comment);
  d.Storages.Comments.NewBlockAdded(d, comment.Index, 0);  // the same upper block: unchanged
  EXPECT_EQ(Children(graph, one), Blocks{comment});
  graph.EnsurePlaced();
  block.Upper = two;
  d.Storages.Comments.NewBlockAdded(d, comment.Index, 0);
  EXPECT_FALSE(graph.IsPlaced());
  EXPECT_EQ(Children(graph, one), Blocks{});
  EXPECT_EQ(Children(graph, two), Blocks{comment});
  EXPECT_EQ(Depth(graph, answer), 4);
  graph.EnsurePlaced();
  EXPECT_EQ(Column(graph, one), 3);
  EXPECT_EQ(Column(graph, two), 6);
  EXPECT_EQ(Column(graph, comment), 6);
  EXPECT_EQ(Column(graph, answer), 6);
  // An upper block inside its own subtree cannot be shown.
  block.Upper = answer;
  d.Storages.Comments.NewBlockAdded(d, comment.Index, 0);
  EXPECT_EQ(graph.FindNode(comment), nullptr);
  EXPECT_EQ(graph.FindNode(answer), nullptr);
  EXPECT_EQ(graph.NodeCount(), 3);
}

TEST_F(Graph, TheLayoutIsThrownAwayOnTheNotificationsOfItsDiscussion) {
  Model(Model(RootBlock));
  TGraph& graph = DiscussionGraph(d);
  ASSERT_TRUE(graph.Build());
  graph.EnsurePlaced();
  TDiscussion other;
  TListeners::SendPair(Notify_BlockAdded, reinterpret_cast<intptr_t>(&other), 0, false);
  TListeners::SendPair(Notify_BlockChanged, reinterpret_cast<intptr_t>(&d), 0, false);
  EXPECT_TRUE(graph.IsPlaced());
  TListeners::SendPair(Notify_BlockAdded, reinterpret_cast<intptr_t>(&d), 0, false);
  EXPECT_FALSE(graph.IsPlaced());
  EXPECT_EQ(graph.Root().Column, -1);
  EXPECT_EQ(graph.RowCount(), 0);
  graph.EnsurePlaced();
  EXPECT_EQ(Column(graph, RootBlock), 3);
  TListeners::SendPair(Notify_BlockGone, reinterpret_cast<intptr_t>(&d), 0, true);
  EXPECT_TRUE(graph.IsPlaced());
  TListeners::Instance().DeliverQueued();
  EXPECT_FALSE(graph.IsPlaced());
  TListeners::Instance().ClearQueue();
}

TEST_F(Graph, DecliningAnIncompleteGraphLeavesItEmptyAndAsksAgainNextTime) {
  const TDiscBlockIndex one = Model(RootBlock);
  const TDiscBlockIndex lost = Model(one);
  Model(lost);
  d.Storages.GetDiscBlock(lost)->SetDeleteFlag(d, lost, DeleteFlag_Recycled, 0);
  TQuestions::Answer = 1;
  TGraph& graph = DiscussionGraph(d);
  EXPECT_FALSE(graph.Build());
  EXPECT_FALSE(graph.IsBuilt());
  EXPECT_EQ(graph.NodeCount(), 0);
  EXPECT_EQ(graph.FindNode(one), nullptr);
  // Not built: new blocks are not heeded; the next build asks again and adds each once.
  Model(one);
  EXPECT_EQ(graph.NodeCount(), 0);
  TQuestions::Answer = 0;
  EXPECT_TRUE(graph.Build());
  EXPECT_EQ(TQuestions::Asked.size(), 2u);
  EXPECT_EQ(graph.NodeCount(), 3);
  EXPECT_EQ(Children(graph, one).size(), 1u);
}

TEST_F(Graph, ABuildRunningUnderItsQuestionIsNotStartedAgain) {
  const TDiscBlockIndex one = Model(RootBlock), lost = Model(one);
  Model(lost);
  Model(one);
  d.Storages.GetDiscBlock(lost)->SetDeleteFlag(d, lost, DeleteFlag_Erased, 0);
  TGraph& graph = DiscussionGraph(d);
  TQuestions::Repaint = &graph;
  ASSERT_TRUE(graph.Build());
  EXPECT_EQ(TQuestions::Asked.size(), 1u);
  EXPECT_EQ(TQuestions::Repainted, (std::vector<bool>{true, false}));
  EXPECT_FALSE(graph.IsBuilding());
  EXPECT_EQ(graph.NodeCount(), 3);
  EXPECT_EQ(Children(graph, one).size(), 1u);
}

TEST_F(Graph, ResetAndRebuildOfAGraphGivesTheSameLayout) {
  std::vector<TDiscBlockIndex> blocks{RootBlock};
  for (int i = 0; i < 200; ++i) blocks.push_back(Model(blocks[size_t((i * 7) % (i + 1))]));
  TGraph& graph = DiscussionGraph(d);
  ASSERT_TRUE(graph.Build());
  graph.EnsurePlaced();
  std::vector<int> first;
  for (const TDiscBlockIndex block : blocks) first.push_back(Column(graph, block));
  graph.ResetPlacement();
  graph.EnsurePlaced();
  std::vector<int> second;
  for (const TDiscBlockIndex block : blocks) second.push_back(Column(graph, block));
  EXPECT_EQ(first, second);
  // No two nodes of a row share a cell; each cell of a node is busy.
  for (int depth = 0; depth < graph.RowCount(); ++depth) {
    std::vector<int> columns;
    for (const TDiscBlockIndex block : blocks)
      if (Depth(graph, block) == depth) columns.push_back(Column(graph, block));
    std::sort(columns.begin(), columns.end());
    EXPECT_EQ(std::adjacent_find(columns.begin(), columns.end()), columns.end());
    for (const int column : columns) EXPECT_EQ(graph.Row(depth).Cell(column), 'B');
  }
  graph.Clear();
  graph.Init();
  EXPECT_FALSE(graph.IsBuilt());
  EXPECT_EQ(graph.NodeCount(), 0);
  ASSERT_TRUE(graph.Build());
  graph.EnsurePlaced();
  std::vector<int> rebuilt;
  for (const TDiscBlockIndex block : blocks) rebuilt.push_back(Column(graph, block));
  EXPECT_EQ(first, rebuilt);
  EXPECT_TRUE(Reports().empty());
}

// A thread of comments, each the answer to the next one, so that every block comes before
// its upper block in the order of the build: as many passes as blocks, and as deep.
TEST_F(Graph, ALongThreadInReverseOrderIsBuiltAndPlacedAtOnce) {
  constexpr int Length = 20000;
  std::vector<TDiscBlockIndex> thread;
  for (int i = 0; i < Length; ++i) thread.push_back(Comment(RootBlock));
  for (int i = 0; i + 1 < Length; ++i) {
    TDiscBlock& block = *d.Storages.GetDiscBlock(thread[size_t(i)]);
    block.Upper = thread[size_t(i) + 1];
    block.UpperCode = d.Storages.GetDiscBlock(thread[size_t(i) + 1])->GetDiscBlockCode();
  }
  TGraph& graph = DiscussionGraph(d);
  ASSERT_TRUE(graph.Build());
  EXPECT_EQ(graph.NodeCount(), Length + 1);
  EXPECT_EQ(Depth(graph, thread[0]), Length + 1);
  graph.EnsurePlaced();
  EXPECT_EQ(Column(graph, thread[0]), 3);
  EXPECT_EQ(Column(graph, RootBlock), 3);
  EXPECT_EQ(graph.RowCount(), Length + 2);
  // A cycle in damaged data is left out and counted.
  TDiscBlock& last = *d.Storages.GetDiscBlock(thread.back());
  last.Upper = thread[0];
  graph.Clear();
  ASSERT_TRUE(graph.Build());
  EXPECT_EQ(graph.NodeCount(), 1);
  ASSERT_EQ(TQuestions::Asked.size(), 1u);
  EXPECT_EQ(TQuestions::Asked[0].substr(0, 31), "GRAPH|20000 blocks can not be a");
}

// Wider than 16-bit columns reach: every sibling keeps its place.
TEST_F(Graph, AWideRowKeepsColumnsBeyondSixteenBits) {
  constexpr int Width = 15000;
  std::vector<TDiscBlockIndex> leaves;
  for (int i = 0; i < Width; ++i) leaves.push_back(Comment(RootBlock));
  TGraph& graph = DiscussionGraph(d);
  ASSERT_TRUE(graph.Build());
  graph.EnsurePlaced();
  for (int i = 0; i < Width; i += 997) EXPECT_EQ(Column(graph, leaves[size_t(i)]), 3 + 3 * i);
  EXPECT_EQ(Column(graph, leaves.back()), 3 + 3 * (Width - 1));
  EXPECT_EQ(Column(graph, RootBlock), (Width * 3 + 3 * (Width - 1) * Width / 2) / Width);
  EXPECT_EQ(graph.GetWidth(), 3 + 3 * (Width - 1) + 1);
}

}  // namespace
