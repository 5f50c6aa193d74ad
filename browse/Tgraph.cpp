#include "browse/Tgraph.h"

#include "model/Tdiscussion.h"

#include <algorithm>
#include <climits>

TGraph::TGraph(TDiscussion& discussion) : Discussion(discussion) { Init(); }

TGraph::~TGraph() = default;

void TGraph::Init() {
  Built = 0;
  Placed = 0;
  Rows.clear();
  Nodes.assign(1, TGraphNode{});
  Nodes[RootNode].Depth = 0;
  FreeNodes.clear();
  ChildIds.clear();
  UnusedChildRoom = 0;
  DeepestEver = 0;
  for (std::vector<int32_t>& table : NodeOfBlock) table.clear();
}

void TGraph::Clear() {
  Init();
  // Give the memory of a large graph back rather than keep it for the next build.
  Rows.shrink_to_fit();
  Nodes.shrink_to_fit();
  FreeNodes.shrink_to_fit();
  ChildIds.shrink_to_fit();
  for (std::vector<int32_t>& table : NodeOfBlock) table.shrink_to_fit();
}

int32_t& TGraph::NodeSlot(TDiscBlockIndex index) {
  std::vector<int32_t>& table = NodeOfBlock[index.StorageType];
  if (index.Index >= table.size()) table.resize(size_t(index.Index) + 1, -1);
  return table[index.Index];
}

int32_t TGraph::FindNodeId(TDiscBlockIndex index) const {
  if (index.IsEmpty()) return RootNode;
  if (!IsValidStorageType(index.StorageType)) return -1;
  const std::vector<int32_t>& table = NodeOfBlock[index.StorageType];
  return index.Index < table.size() ? table[index.Index] : -1;
}

const TGraphNode* TGraph::FindNode(TDiscBlockIndex index) const {
  const int32_t id = FindNodeId(index);
  return id < 0 ? nullptr : &Nodes[size_t(id)];
}

int32_t TGraph::NewNode(int32_t parent, TDiscBlockIndex block) {
  int32_t id;
  if (!FreeNodes.empty()) {
    id = FreeNodes.back();
    FreeNodes.pop_back();
  } else {
    id = int32_t(Nodes.size());
    Nodes.emplace_back();
  }
  TGraphNode& node = Nodes[size_t(id)];
  node = TGraphNode{};
  node.Block = block;
  node.Parent = parent;
  node.Depth = Nodes[size_t(parent)].Depth + 1;
  DeepestEver = std::max(DeepestEver, node.Depth);
  AppendChild(parent, id);
  NodeSlot(block) = id;
  return id;
}

void TGraph::AppendChild(int32_t parent, int32_t child) {
  TGraphNode& node = Nodes[size_t(parent)];
  if (node.ChildCount == node.ChildRoom) {
    const int32_t room = std::max(1, node.ChildRoom * 2);
    if (node.ChildRoom > 0 && size_t(node.ChildAt) + size_t(node.ChildRoom) == ChildIds.size()) {
      // The last run grows where it is.
      ChildIds.resize(ChildIds.size() + size_t(room - node.ChildRoom));
    } else {
      const size_t at = ChildIds.size();
      ChildIds.resize(at + size_t(room));
      std::copy_n(ChildIds.begin() + node.ChildAt, node.ChildCount, ChildIds.begin() + ptrdiff_t(at));
      UnusedChildRoom += size_t(node.ChildRoom);
      node.ChildAt = int32_t(at);
    }
    node.ChildRoom = room;
  }
  ChildIds[size_t(node.ChildAt + node.ChildCount++)] = child;
}

void TGraph::RemoveChild(int32_t parent, int32_t child) {
  TGraphNode& node = Nodes[size_t(parent)];
  const auto begin = ChildIds.begin() + node.ChildAt, end = begin + node.ChildCount;
  const auto at = std::find(begin, end, child);
  if (at == end) return;
  std::copy(at + 1, end, at);
  --node.ChildCount;
}

void TGraph::ReleaseChildRoom(TGraphNode& node) {
  UnusedChildRoom += size_t(node.ChildRoom);
  node.ChildAt = node.ChildCount = node.ChildRoom = 0;
}

void TGraph::CompactChildIds() {
  if (UnusedChildRoom >= 64 && UnusedChildRoom * 2 >= ChildIds.size()) PackChildIds();
}

void TGraph::PackChildIds() {
  std::vector<int32_t> packed;
  packed.reserve(ChildIds.size() - UnusedChildRoom);
  // In the order of the pool, so that a pass over the nodes meets their children in order.
  for (TGraphNode& node : Nodes) {
    if (node.ChildRoom == 0) continue;
    const auto from = ChildIds.begin() + node.ChildAt;
    node.ChildAt = int32_t(packed.size());
    packed.insert(packed.end(), from, from + node.ChildRoom);
  }
  ChildIds = std::move(packed);
  UnusedChildRoom = 0;
}

void TGraph::ArrangeInTreeOrder() {
  std::vector<int32_t> order;  // old ids in their new order
  order.reserve(Nodes.size() - FreeNodes.size());
  std::vector<int32_t> stack{RootNode};
  while (!stack.empty()) {
    const int32_t id = stack.back();
    stack.pop_back();
    order.push_back(id);
    const std::span<const int32_t> children = Children(id);
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  std::vector<int32_t> newId(Nodes.size(), -1);
  for (size_t k = 0; k < order.size(); ++k) newId[size_t(order[k])] = int32_t(k);
  std::vector<TGraphNode> arranged(order.size());
  std::vector<int32_t> childIds;
  childIds.reserve(order.size());
  for (size_t k = 0; k < order.size(); ++k) {
    TGraphNode& node = arranged[k];
    node = Nodes[size_t(order[k])];
    if (node.Parent >= 0) node.Parent = newId[size_t(node.Parent)];
    const std::span<const int32_t> children = Children(order[k]);
    node.ChildAt = int32_t(childIds.size());
    node.ChildRoom = node.ChildCount;
    for (const int32_t child : children) childIds.push_back(newId[size_t(child)]);
    if (!node.Block.IsEmpty()) NodeSlot(node.Block) = int32_t(k);
  }
  Nodes = std::move(arranged);
  ChildIds = std::move(childIds);
  FreeNodes.clear();
  UnusedChildRoom = 0;
}

bool TGraph::IsInSubtree(int32_t id, int32_t top) const {
  for (; id >= 0; id = Nodes[size_t(id)].Parent)
    if (id == top) return true;
  return false;
}

bool TGraph::AddDiscBlock(TDiscBlockIndex index, const TDiscBlock& block) {
  if (index.IsEmpty() || !IsValidStorageType(index.StorageType)) return false;
  const int32_t parent = FindNodeId(block.Upper);
  if (parent < 0) return false;
  ResetPlacement();
  const int32_t existing = FindNodeId(index);
  if (existing < 0) {
    NewNode(parent, index);
    return true;
  }
  // A block announced again (replaced by a received one) stays where it is, or moves with
  // its subtree when its upper block changed. An upper block inside its own subtree would
  // make a cycle: such a block cannot be shown and loses its node.
  TGraphNode& node = Nodes[size_t(existing)];
  if (node.Parent == parent) return true;
  if (IsInSubtree(parent, existing)) {
    DeleteDiscBlock(index);
    return false;
  }
  RemoveChild(node.Parent, existing);
  AppendChild(parent, existing);
  node.Parent = parent;
  std::vector<int32_t> stack{existing};
  while (!stack.empty()) {
    const int32_t id = stack.back();
    stack.pop_back();
    TGraphNode& moved = Nodes[size_t(id)];
    moved.Depth = Nodes[size_t(moved.Parent)].Depth + 1;
    DeepestEver = std::max(DeepestEver, moved.Depth);
    const std::span<const int32_t> children = Children(id);
    stack.insert(stack.end(), children.begin(), children.end());
  }
  CompactChildIds();
  return true;
}

void TGraph::RemoveSubtree(int32_t id) {
  std::vector<int32_t> stack{id};
  while (!stack.empty()) {
    const int32_t top = stack.back();
    stack.pop_back();
    const std::span<const int32_t> children = Children(top);
    stack.insert(stack.end(), children.begin(), children.end());
    TGraphNode& node = Nodes[size_t(top)];
    NodeSlot(node.Block) = -1;
    ReleaseChildRoom(node);
    node = TGraphNode{};
    FreeNodes.push_back(top);
  }
}

void TGraph::DeleteDiscBlock(TDiscBlockIndex index) {
  if (index.IsEmpty()) return;
  const int32_t id = FindNodeId(index);
  // A block left out of the graph (erased, or its upper block missing) has nothing to lose.
  if (id < 0) return;
  ResetPlacement();
  RemoveChild(Nodes[size_t(id)].Parent, id);
  RemoveSubtree(id);
  CompactChildIds();
}

void TGraph::AddDiscBlock(TDiscussion& discussion, TDiscBlockIndex block) {
  if (!Built) return;
  const TDiscBlock* record = discussion.Storages.GetDiscBlock(block);
  if (record != nullptr) AddDiscBlock(block, *record);
}

void TGraph::DeleteDiscBlock(TDiscussion&, TDiscBlockIndex block) {
  if (Built) DeleteDiscBlock(block);
}

void TGraph::TListenerOfGraph::Listen(const TListenMessage& message) {
  if ((message.Code == Notify_BlockAdded || message.Code == Notify_BlockGone) &&
      message.Word1 == reinterpret_cast<intptr_t>(&Graph.Discussion))
    Graph.ResetPlacement();
}

TGraph& DiscussionGraph(TDiscussion& discussion) {
  auto* graph = dynamic_cast<TGraph*>(discussion.Graph.get());
  if (graph == nullptr) {
    discussion.Graph = std::make_unique<TGraph>(discussion);
    graph = static_cast<TGraph*>(discussion.Graph.get());
  }
  return *graph;
}

// Layout.

int32_t TGraph::GetFirstFree(int32_t depth) const {
  return depth >= 0 && depth < RowCount() ? Rows[size_t(depth)].GetFirstFree() : 0;
}

int32_t TGraph::GetWidth() const {
  int32_t width = 0;
  for (const TGraphRow& row : Rows) width = std::max(width, row.GetFirstFree());
  return width;
}

void TGraph::EnsurePlaced() {
  if (Placed) return;
  PlaceTree();
  Placed = 1;
  ++Placements;
}

void TGraph::ResetPlacement() {
  if (!Placed) return;
  for (TGraphNode& node : Nodes) node.Column = -1;
  Rows.clear();
  Placed = 0;
}

namespace {

// Numbers added to ranges of rows, read row by row (a Fenwick tree over the differences).
class TRowOffsets {
public:
  explicit TRowOffsets(size_t rows) : Tree(rows + 1, 0) {}
  void AddToRows(int32_t first, int32_t last, int32_t dx) {
    Add(first, dx);
    Add(last + 1, -dx);
  }
  int32_t OfRow(int32_t row) const {
    int32_t sum = 0;
    for (size_t i = size_t(row) + 1; i > 0; i -= i & (0 - i)) sum += Tree[i];
    return sum;
  }

private:
  void Add(int32_t row, int32_t dx) {
    for (size_t i = size_t(row) + 1; i < Tree.size(); i += i & (0 - i)) Tree[i] += dx;
  }
  std::vector<int32_t> Tree;
};

}  // namespace

// Places every node after its children: a leaf goes after the last busy cell of its row
// (three cells on for a first child, two for the others); a parent over the middle of its
// children, unless its row is filled beyond that, in which case its children's subtrees
// move right beneath it.
//
// Rows fill from left to right, so the nodes of a subtree just placed are the last ones of
// every row from its top to its deepest. Moving it right therefore moves the last busy
// cell of each of those rows, and its nodes: both are recorded as offsets (per range of
// rows; per parent for the nodes below it) and settled once at the end, so that a deep
// subtree pushed right at every level costs no more than a shallow one. Iterative, so
// that a deep thread cannot exhaust the stack.
//
// The walk reads each node's children from its run in the graph's one array of children and
// keeps what it computes in an array in the order the nodes are placed. A build numbers the
// nodes in the order of this walk, so that the walk and the pass that settles the offsets
// go through their arrays front to back, and the time of a large graph stays in proportion
// to its size.
void TGraph::PlaceTree() {
  // Room for every row: no node is deeper than the deepest ever made.
  const size_t rows = size_t(DeepestEver) + 1;
  constexpr int32_t NoneBusy = INT32_MIN;
  std::vector<int32_t> lastBusy(rows, NoneBusy);  // less the offsets of the row
  TRowOffsets offsets(rows);
  const auto firstFree = [&](int32_t depth) {
    return lastBusy[size_t(depth)] == NoneBusy ? 0 : lastBusy[size_t(depth)] + offsets.OfRow(depth) + 1;
  };

  // By place in the order of placing: the node, its row and its column before the offsets
  // of the subtrees it lies in. A subtree is the run of places ending at its top's own; an
  // offset owed by the nodes below a top is added to the run before it as a difference
  // (at its first place, and back at the top's), so that one pass of running sums settles
  // every node, with no test of which subtree it lies in.
  struct TPlaced {
    int32_t Id;
    int32_t Depth;
    int32_t Column;
  };
  std::vector<TPlaced> placed;
  placed.reserve(Nodes.size());
  std::vector<int32_t> owedFrom(Nodes.size() + 1, 0);
  std::vector<size_t> filled(rows, 0);  // nodes placed in each row
  int32_t deepest = 0;

  struct TFrame {
    int32_t Id;
    int32_t Depth;
    int32_t Begin;          // the node's children in ChildIds
    int32_t Next;
    int32_t End;
    int32_t SubtreeDepth;   // the deepest row of the subtree placed so far
    int32_t Size;           // nodes of the subtree placed so far, its own included
    bool First;
    int64_t Sum;            // columns of the children placed
  };
  const int32_t* const childIds = ChildIds.data();
  const auto frameOf = [&](int32_t id, int32_t depth, bool first) {
    const TGraphNode& node = Nodes[size_t(id)];
    return TFrame{id, depth, node.ChildAt, node.ChildAt, node.ChildAt + node.ChildCount, depth, 1, first, 0};
  };
  std::vector<TFrame> stack{frameOf(RootNode, 0, true)};
  while (!stack.empty()) {
    TFrame& frame = stack.back();
    if (frame.Next < frame.End) {
      const int32_t child = childIds[frame.Next];
      const bool first = frame.Next++ == frame.Begin;
      stack.push_back(frameOf(child, frame.Depth + 1, first));
      continue;
    }
    const int32_t children = frame.End - frame.Begin;
    const int32_t least = firstFree(frame.Depth) + (frame.First ? 3 : 2);
    int32_t column = least;
    int32_t below = 0;
    if (children > 0) {
      column = int32_t(frame.Sum / children);
      if (column < least) {
        below = least - column;
        offsets.AddToRows(frame.Depth + 1, frame.SubtreeDepth, below);
        column = least;
      }
    }
    lastBusy[size_t(frame.Depth)] = column - offsets.OfRow(frame.Depth);
    ++filled[size_t(frame.Depth)];
    deepest = std::max(deepest, frame.Depth);
    const size_t at = placed.size();
    owedFrom[at + 1 - size_t(frame.Size)] += below;
    owedFrom[at] -= below;
    placed.push_back(TPlaced{frame.Id, frame.Depth, column});
    const TFrame done = frame;
    stack.pop_back();
    if (!stack.empty()) {
      TFrame& parent = stack.back();
      parent.Sum += column;
      parent.SubtreeDepth = std::max(parent.SubtreeDepth, done.SubtreeDepth);
      parent.Size += done.Size;
    }
  }

  // Settle the offsets. A row's nodes come from left to right. Nodes out of the tree (free
  // places of the pool) keep their column -1 from before.
  DeepestEver = deepest;
  std::vector<std::vector<int32_t>> rowColumns(size_t(deepest) + 1);
  for (size_t depth = 0; depth < rowColumns.size(); ++depth) rowColumns[depth].reserve(filled[depth]);
  int32_t owed = 0;
  for (size_t k = 0; k < placed.size(); ++k) {
    owed += owedFrom[k];
    const TPlaced& node = placed[k];
    const int32_t column = node.Column + owed;
    Nodes[size_t(node.Id)].Column = column;
    rowColumns[size_t(node.Depth)].push_back(column);
  }
  Rows.resize(rowColumns.size());
  for (size_t depth = 0; depth < rowColumns.size(); ++depth) Rows[depth].SetBusyCells(std::move(rowColumns[depth]));
}
