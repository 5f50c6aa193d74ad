#pragma once
// The graph of a discussion: a tree with a node for every live block, hung under the node
// of its upper block, and a layout of that tree on a grid of cells, one row per depth.
//
// A discussion owns one graph (DiscussionGraph). It is built on demand; while built, the
// block storages tell it of every block appended or removed. The layout is computed once
// (EnsurePlaced) and thrown away whenever the tree changes and on the notifications of a
// block added or gone; the next paint computes it again.
//
// Nodes live in one pool and name each other by their position in it, so that finding the
// node of a block is a lookup in a table per storage, whatever the shape of the tree. The
// children of all nodes live in one array too, each node's in a run with room to grow, so
// that a walk over a large tree reads a few compact arrays rather than a vector per node
// scattered over the heap.

#include "browse/Tgraphrow.h"
#include "foundation/Tlisteners.h"
#include "model/Modelhooks.h"
#include "model/Tdiscblockindex.h"
#include "platform/forms/Controlmessages.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

class TBrowse;
class TDiscussion;
struct TDiscBlock;

struct TGraphNode {
  int32_t Column = -1;  // cell of the node in its row; -1 = not placed
  TDiscBlockIndex Block;  // empty for the root of the tree
  int32_t Depth = -1;   // the row: the root 0, its children 1, ...
  int32_t Parent = -1;  // node id, -1 for the root
  // The node's children, in the order they were added: a run of the graph's child array.
  int32_t ChildAt = 0;
  int32_t ChildCount = 0;
  int32_t ChildRoom = 0;
};

class TGraph : public TDiscussionGraph {
public:
  static constexpr int32_t RootNode = 0;

  explicit TGraph(TDiscussion& discussion);
  ~TGraph() override;
  TGraph(const TGraph&) = delete;
  TGraph& operator=(const TGraph&) = delete;

  // Back to the defaults: no nodes but the root, no rows, neither built nor placed.
  void Init();
  // Frees the tree, the rows and the index; both flags 0.
  void Clear();

  // Builds the tree once, under a progress window. Blocks whose upper block has no node
  // are left out; when there are such, the user is asked whether to see the graph without
  // them. True when the graph is built. False when the user declined, leaving the graph
  // empty so that the next build starts afresh (the caller then hides the graph), and
  // when a build is already running further up the stack (a paint while the question is
  // up; the caller draws nothing then).
  bool Build();
  uint8_t IsBuilding() const { return Building; }

  // Hangs a node for the block under the node of its upper block; false when that node
  // does not exist. A block that has a node already is moved with its subtree. A change
  // of the tree throws the layout away.
  bool AddDiscBlock(TDiscBlockIndex index, const TDiscBlock& block);
  // Removes the block's node with its subtree; nothing for a block without a node.
  void DeleteDiscBlock(TDiscBlockIndex index);

  // The block storages' calls, heeded only while the graph is built.
  void AddDiscBlock(TDiscussion& discussion, TDiscBlockIndex block) override;
  void DeleteDiscBlock(TDiscussion& discussion, TDiscBlockIndex block) override;

  // The node of a block (the root for the empty reference); null when it has none. Valid
  // until the next node is added.
  const TGraphNode* FindNode(TDiscBlockIndex index) const;
  int32_t FindNodeId(TDiscBlockIndex index) const;

  // Computes the layout when it is not computed.
  void EnsurePlaced();
  // Throws the layout away: every column -1, no rows.
  void ResetPlacement();

  uint8_t IsBuilt() const { return Built; }
  uint8_t IsPlaced() const { return Placed; }
  const TGraphNode& Root() const { return Nodes[RootNode]; }
  const TGraphNode& Node(int32_t id) const { return Nodes[size_t(id)]; }
  // A node's children, in the order they were added. Valid until the tree next changes.
  std::span<const int32_t> Children(int32_t id) const {
    const TGraphNode& node = Nodes[size_t(id)];
    return {ChildIds.data() + node.ChildAt, size_t(node.ChildCount)};
  }
  // Nodes of blocks in the tree (the root not counted).
  int32_t NodeCount() const { return int32_t(Nodes.size() - FreeNodes.size()) - 1; }
  int32_t RowCount() const { return int32_t(Rows.size()); }
  const TGraphRow& Row(int32_t depth) const { return Rows[size_t(depth)]; }
  // The largest first free column over all rows: the width of the laid-out graph.
  int32_t GetWidth() const;

  // The column after the last busy cell of a row; 0 for an empty or missing row.
  int32_t GetFirstFree(int32_t depth) const;

  // In a browse window's graph panel (Graphdrawing.cpp). Paints the whole paint box,
  // building and placing the graph first, and records where each node was drawn.
  void Paint(TBrowse& window);
  // The centre of a node in the paint box with the view scrolled h columns and v depths.
  static POINT NodeToPixel(int64_t column, int64_t depth, int h, int v);
  // Moves the pixels of the panel by whole columns and depths.
  static void Scroll(TBrowse& window, int dx, int dy);
  // Scrolls so that the window's current block comes to the middle.
  void ScrollToCurrentBlock(TBrowse& window);
  // Repaints the boxes drawn for a block, or for every node with the empty reference.
  void InvalidateNode(TBrowse& window, TDiscBlockIndex block) const;
  // A click on a node opens its block (left button) or its popup (right button).
  void MouseDown(TBrowse& window, TMouseButton button, TShiftState shift, int x, int y);
  // The node under the pointer tells what it is in the paint box's hint.
  void MouseMove(TBrowse& window, TShiftState shift, int x, int y);

private:
  class TListenerOfGraph : public TListener {
  public:
    explicit TListenerOfGraph(TGraph& graph) : Graph(graph) {}
    void Listen(const TListenMessage& message) override;
    TGraph& Graph;
  };

  TDiscussion& Discussion;
  uint8_t Built = 0;
  uint8_t Placed = 0;
  uint8_t Building = 0;
  uint32_t Placements = 0;  // layouts computed so far
  std::vector<TGraphRow> Rows;
  std::vector<TGraphNode> Nodes;  // the pool; node 0 is the root
  std::vector<int32_t> FreeNodes;
  std::vector<int32_t> ChildIds;  // the runs of children; some runs left behind when they moved
  size_t UnusedChildRoom = 0;     // room in ChildIds no node owns
  int32_t DeepestEver = 0;        // no node is deeper; exact after each layout
  std::array<std::vector<int32_t>, 5> NodeOfBlock;  // per storage type, per block position
  TListenerOfGraph Listener{*this};

  int32_t& NodeSlot(TDiscBlockIndex index);
  int32_t NewNode(int32_t parent, TDiscBlockIndex block);
  void AppendChild(int32_t parent, int32_t child);
  void RemoveChild(int32_t parent, int32_t child);
  void ReleaseChildRoom(TGraphNode& node);
  // Packs the runs together once more room lies unused than is used.
  void CompactChildIds();
  // Packs the runs together in the order of the nodes.
  void PackChildIds();
  // Numbers the nodes anew in the order a walk of the tree meets them, each before its
  // children, and packs the runs of children in that order. The node ids change.
  void ArrangeInTreeOrder();
  void RemoveSubtree(int32_t id);
  bool IsInSubtree(int32_t id, int32_t top) const;
  void PlaceTree();
  void SetScrollRanges(TBrowse& window) const;
  // Draws a node's links and box, then its subtree's.
  void DrawNode(TBrowse& window, int32_t node, int h, int v);
  // The leftmost and rightmost column of each node's subtree, for the layout in force.
  void EnsureSubtreeColumns();
  std::vector<std::pair<int32_t, int32_t>> SubtreeColumns;
  uint32_t SubtreeColumnsPlacement = 0;
};

// The graph of a discussion, made when first asked for.
TGraph& DiscussionGraph(TDiscussion& discussion);
