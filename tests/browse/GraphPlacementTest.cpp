// The layout of the graph against the rules applied one cell at a time: a recursive
// placement that moves whole subtrees cell by cell, on trees of many shapes.

#include "browse/Tgraph.h"
#include "foundation/Tlisteners.h"
#include "model/Tdiscussion.h"
#include "platform/display/Headlessscreen.h"
#include "tests/model/Modeltesthelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The rules as they read: rows of "B" and "F" cells, a subtree moved node by node.
class TReferenceLayout {
public:
  explicit TReferenceLayout(const TGraph& graph) : Graph(graph) {
    Place(TGraph::RootNode, true);
  }
  const TGraph& Graph;
  std::vector<int> Columns;  // by node id
  std::vector<std::string> Rows;

private:

  std::string& Row(int depth) {
    if (depth >= int(Rows.size())) Rows.resize(size_t(depth) + 1);
    return Rows[size_t(depth)];
  }
  int FirstFree(int depth) {
    const size_t last = Row(depth).rfind('B');
    return last == std::string::npos ? 0 : int(last) + 1;
  }
  void Busy(int depth, int x) {
    while (x >= int(Row(depth).size())) Row(depth).append(1000, 'F');
    ASSERT_EQ(Row(depth)[size_t(x)], 'F');
    Row(depth)[size_t(x)] = 'B';
  }
  void Shift(int id, int dx) {
    const TGraphNode& node = Graph.Node(id);
    const std::span<const int32_t> children = Graph.Children(id);
    for (auto it = children.rbegin(); it != children.rend(); ++it) Shift(*it, dx);
    Row(node.Depth)[size_t(Columns[size_t(id)])] = 'F';
    Columns[size_t(id)] += dx;
    Busy(node.Depth, Columns[size_t(id)]);
  }
  void Place(int id, bool first) {
    const TGraphNode& node = Graph.Node(id);
    const std::span<const int32_t> children = Graph.Children(id);
    if (size_t(id) >= Columns.size()) Columns.resize(size_t(id) + 1, -1);
    Row(node.Depth);
    int column = 0;
    if (!children.empty()) {
      long sum = 0;
      for (size_t i = 0; i < children.size(); ++i) {
        Place(children[i], i == 0);
        sum += Columns[size_t(children[i])];
      }
      column = int(sum / long(children.size()));
    }
    const int least = FirstFree(node.Depth) + (first ? 3 : 2);
    if (!children.empty() && column < least)
      for (auto it = children.rbegin(); it != children.rend(); ++it) Shift(*it, least - column);
    column = std::max(column, least);
    Columns[size_t(id)] = column;
    Busy(node.Depth, column);
  }
};

class GraphPlacement : public modeltest::ModelTest {
protected:
  platform::HeadlessScreen screen{800, 600};
  TDiscussion d;
  std::vector<TDiscBlockIndex> blocks;

  void SetUp() override {
    ModelTest::SetUp();
    d.Loaded = 1;
    blocks.push_back(Append(StorageType_Model, {}));
  }
  void TearDown() override {
    TListeners::Instance().ClearQueue();
    ModelTest::TearDown();
  }

  // A block appended straight to its storage; the build reads nothing else.
  TDiscBlockIndex Append(uint8_t type, TDiscBlockIndex upper) {
    TBlocksStorage& storage = *d.Storages.GetStorage(type);
    const int index = storage.AddEmptyItem();
    const TDiscBlockIndex own{type, uint16_t(index)};
    TDiscBlock& block = storage.Block(index);
    block.BlockNum = uint16_t(storage.TakeNewBlockNum());
    block.Num = block.BlockNum;
    block.ADIdent = type == StorageType_Comments ? 5 : NoADIdent;
    block.Upper = upper;
    block.SetComposedBlockName(d, own);
    return own;
  }
  TDiscBlockIndex Comment(TDiscBlockIndex upper) {
    blocks.push_back(Append(StorageType_Comments, upper));
    return blocks.back();
  }

  void ExpectTheReferenceLayout() {
    TGraph& graph = DiscussionGraph(d);
    graph.Clear();
    ASSERT_TRUE(graph.Build());
    ExpectTheReferenceLayoutOf(graph);
  }
  // The layout of the graph as it stands; blocks without a node are passed over.
  void ExpectTheReferenceLayoutOf(TGraph& graph) {
    graph.EnsurePlaced();
    const TReferenceLayout reference(graph);
    ASSERT_EQ(graph.RowCount(), int(reference.Rows.size()));
    for (int depth = 0; depth < graph.RowCount(); ++depth) {
      std::string row;
      for (int x = 0; x < graph.Row(depth).CellCount(); ++x) row += graph.Row(depth).Cell(x);
      ASSERT_EQ(row, reference.Rows[size_t(depth)]) << "row " << depth;
    }
    EXPECT_EQ(graph.Root().Column, reference.Columns[TGraph::RootNode]);
    int32_t nodes = 0;
    for (const TDiscBlockIndex block : blocks) {
      const int32_t id = graph.FindNodeId(block);
      if (id < 0) continue;
      ++nodes;
      ASSERT_EQ(graph.Node(id).Column, reference.Columns[size_t(id)]);
    }
    ASSERT_EQ(nodes, graph.NodeCount());
    EXPECT_TRUE(modeltest::Reports().empty());
  }
};

TEST_F(GraphPlacement, RandomTreesAreLaidOutByTheRules) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    d.Storages.Comments.Clear();
    blocks.resize(1);
    uint32_t state = seed;
    const auto below = [&](uint32_t n) {
      state = state * 1664525u + 1013904223u;
      return (state >> 8) % n;
    };
    // Threads (the latest block), bushes (a recent one) and new branches anywhere.
    const uint32_t threads = 1 + seed % 4, bushes = 1 + seed % 3;
    for (int i = 0; i < 400; ++i) {
      const uint32_t kind = below(threads + bushes + 2);
      const size_t n = blocks.size();
      const size_t upper = kind < threads ? n - 1 : kind < threads + bushes ? n - 1 - below(uint32_t(std::min<size_t>(n, 8))) : below(uint32_t(n));
      Comment(blocks[upper]);
    }
    ExpectTheReferenceLayout();
  }
}

// A built graph changed block by block (blocks added, subtrees moved and removed, a deep
// thread gone) is laid out as a graph built afresh would be.
TEST_F(GraphPlacement, ChangedTreesAreLaidOutByTheRules) {
  uint32_t state = 7;
  const auto below = [&](uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  for (int i = 0; i < 300; ++i) Comment(blocks[below(uint32_t(blocks.size()))]);
  TDiscBlockIndex thread = blocks[1];
  for (int i = 0; i < 80; ++i) thread = Comment(thread);
  TGraph& graph = DiscussionGraph(d);
  graph.Clear();
  ASSERT_TRUE(graph.Build());
  ExpectTheReferenceLayoutOf(graph);
  const int32_t rowsWithTheThread = graph.RowCount();
  const auto inGraph = [&](TDiscBlockIndex block) { return graph.FindNodeId(block) >= 0; };

  graph.DeleteDiscBlock(blocks[301]);  // the top of the thread
  ExpectTheReferenceLayoutOf(graph);
  EXPECT_LT(graph.RowCount(), rowsWithTheThread);

  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE(round);
    for (int i = 0; i < 60; ++i) {
      const TDiscBlockIndex some = blocks[1 + below(uint32_t(blocks.size() - 1))];
      const TDiscBlockIndex other = blocks[below(uint32_t(blocks.size()))];
      switch (below(4)) {
        case 0:
        case 1:  // a block added under one in the graph
          if (!inGraph(other)) break;
          Comment(other);
          ASSERT_TRUE(graph.AddDiscBlock(blocks.back(), *d.Storages.GetDiscBlock(blocks.back())));
          break;
        case 2:  // a subtree moved, unless under itself
          if (!inGraph(some) || !inGraph(other)) break;
          d.Storages.GetDiscBlock(some)->Upper = other;
          graph.AddDiscBlock(some, *d.Storages.GetDiscBlock(some));
          break;
        default:  // a subtree removed
          graph.DeleteDiscBlock(some);
      }
    }
    ExpectTheReferenceLayoutOf(graph);
    graph.ResetPlacement();
  }
}

// A comb (a spine whose every block also holds a leaf, so that its rows are filled
// further the higher they are) and a thread beside it, pushed right at every level.
TEST_F(GraphPlacement, AThreadBesideACombIsPushedRightAtEveryLevel) {
  const auto build = [&](int length) {
    d.Storages.Comments.Clear();
    blocks.resize(1);
    TDiscBlockIndex spine = blocks[0];
    for (int i = 0; i < length; ++i) {
      spine = Comment(spine);
      Comment(spine);
    }
    TDiscBlockIndex thread = blocks[0];
    for (int i = 0; i < length; ++i) thread = Comment(thread);
  };
  build(60);
  ExpectTheReferenceLayout();

  // Long enough that moving the thread cell by cell at every level would take a while.
  constexpr int Length = 15000;
  build(Length);
  TGraph& graph = DiscussionGraph(d);
  graph.Clear();
  ASSERT_TRUE(graph.Build());
  graph.EnsurePlaced();
  ASSERT_EQ(graph.NodeCount(), 3 * Length + 1);
  // Every node on a busy cell of its own.
  std::vector<std::vector<int>> columns(size_t(graph.RowCount()));
  for (const TDiscBlockIndex block : blocks) {
    const TGraphNode& node = *graph.FindNode(block);
    ASSERT_EQ(graph.Row(node.Depth).Cell(node.Column), 'B');
    columns[size_t(node.Depth)].push_back(node.Column);
  }
  for (std::vector<int>& row : columns) {
    std::sort(row.begin(), row.end());
    EXPECT_EQ(std::adjacent_find(row.begin(), row.end()), row.end());
  }
  // The thread's last block, beside the comb's last leaf and spine block.
  EXPECT_EQ(graph.FindNode(blocks.back())->Column, graph.Row(Length + 1).GetFirstFree() - 1);
  EXPECT_TRUE(modeltest::Reports().empty());
}

}  // namespace
