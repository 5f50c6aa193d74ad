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
  for (std::vector<int32_t>& table : NodeOfBlock) table.clear();
}

void TGraph::Clear() {
  Init();
  // Give the memory of a large graph back rather than keep it for the next build.
  Rows.shrink_to_fit();
  Nodes.shrink_to_fit();
  FreeNodes.shrink_to_fit();
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
  Nodes[size_t(parent)].Children.push_back(id);
  NodeSlot(block) = id;
  return id;
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
  std::vector<int32_t>& siblings = Nodes[size_t(node.Parent)].Children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), existing));
  Nodes[size_t(parent)].Children.push_back(existing);
  node.Parent = parent;
  std::vector<int32_t> stack{existing};
  while (!stack.empty()) {
    TGraphNode& moved = Nodes[size_t(stack.back())];
    stack.pop_back();
    moved.Depth = Nodes[size_t(moved.Parent)].Depth + 1;
    stack.insert(stack.end(), moved.Children.begin(), moved.Children.end());
  }
  return true;
}

void TGraph::RemoveSubtree(int32_t id) {
  std::vector<int32_t> stack{id};
  while (!stack.empty()) {
    const int32_t top = stack.back();
    stack.pop_back();
    TGraphNode& node = Nodes[size_t(top)];
    stack.insert(stack.end(), node.Children.begin(), node.Children.end());
    NodeSlot(node.Block) = -1;
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
  std::vector<int32_t>& siblings = Nodes[size_t(Nodes[size_t(id)].Parent)].Children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), id));
  RemoveSubtree(id);
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
// The walk reads the children from one array copied in a single pass over the pool, and
// keeps what it computes in arrays in the order the nodes are placed: a large graph is then
// walked through a few compact arrays rather than through a vector per node scattered over
// the heap, and its time stays in proportion to its size.
void TGraph::PlaceTree() {
  constexpr size_t PrefetchAhead = 16;
  const size_t count = Nodes.size();
  int32_t deepest = 0;
  std::vector<int32_t> firstChild(count + 1, 0);
  for (size_t i = 0; i < count; ++i) {
    deepest = std::max(deepest, Nodes[i].Depth);
    firstChild[i + 1] = firstChild[i] + int32_t(Nodes[i].Children.size());
  }
  // Each child with the run of its own children, so that the walk goes from a node to its
  // children without a lookup by node.
  struct TChild {
    int32_t Id;
    int32_t Begin;
    int32_t End;
  };
  std::vector<TChild> childList(static_cast<size_t>(firstChild[count]));
  for (size_t i = 0; i < count; ++i) {
    // The vectors lie apart on the heap: ask for the next ones early so that their reads overlap.
    if (i + PrefetchAhead < count) __builtin_prefetch(Nodes[i + PrefetchAhead].Children.data());
    TChild* to = childList.data() + firstChild[i];
    for (const int32_t child : Nodes[i].Children)
      *to++ = TChild{child, firstChild[size_t(child)], firstChild[size_t(child) + 1]};
  }

  const size_t rows = size_t(deepest) + 1;
  constexpr int32_t NoneBusy = INT32_MIN;
  std::vector<int32_t> lastBusy(rows, NoneBusy);  // less the offsets of the row
  TRowOffsets offsets(rows);
  const auto firstFree = [&](int32_t depth) {
    return lastBusy[size_t(depth)] == NoneBusy ? 0 : lastBusy[size_t(depth)] + offsets.OfRow(depth) + 1;
  };

  // By place in the order of placing: the node, its row, its column before the offsets of
  // the subtrees it lies in, the offset it owes the nodes below it, and its subtree's size
  // (the subtree is the run of places ending at its own).
  struct TPlaced {
    int32_t Id;
    int32_t Depth;
    int32_t Column;
    int32_t Below;
    int32_t Size;
  };
  std::vector<TPlaced> placed;
  placed.reserve(count);

  struct TFrame {
    int32_t Id;
    int32_t Depth;
    int32_t Begin;          // the node's children in childList
    int32_t Next;
    int32_t End;
    int32_t SubtreeDepth;   // the deepest row of the subtree placed so far
    int32_t Size;           // nodes of the subtree placed so far, its own included
    bool First;
    int64_t Sum;            // columns of the children placed
  };
  std::vector<TFrame> stack{TFrame{RootNode, 0, firstChild[0], firstChild[0], firstChild[1], 0, 1, true, 0}};
  while (!stack.empty()) {
    TFrame& frame = stack.back();
    if (frame.Next < frame.End) {
      const TChild& child = childList[size_t(frame.Next)];
      const bool first = frame.Next++ == frame.Begin;
      const int32_t depth = frame.Depth + 1;
      stack.push_back(TFrame{child.Id, depth, child.Begin, child.Begin, child.End, depth, 1, first, 0});
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
    placed.push_back(TPlaced{frame.Id, frame.Depth, column, below, frame.Size});
    const TFrame done = frame;
    stack.pop_back();
    if (!stack.empty()) {
      TFrame& parent = stack.back();
      parent.Sum += column;
      parent.SubtreeDepth = std::max(parent.SubtreeDepth, done.SubtreeDepth);
      parent.Size += done.Size;
    }
  }

  // Settle the offsets from the top down: walking the places backwards meets every node
  // before the nodes of its subtree, whose places run just before its own. Each row's
  // columns are filled from its end, as its nodes come from right to left.
  std::vector<std::vector<int32_t>> rowColumns(rows);
  std::vector<size_t> filled(rows, 0);
  for (const TPlaced& node : placed) ++filled[size_t(node.Depth)];
  for (size_t depth = 0; depth < rows; ++depth) rowColumns[depth].resize(filled[depth]);
  std::vector<int32_t> columnOf(count, -1);
  struct TEnclosing {
    size_t Start;    // the first place of the subtree
    int32_t Owed;    // the offset its nodes below the top owe
  };
  std::vector<TEnclosing> enclosing;
  for (size_t k = placed.size(); k-- > 0;) {
    while (!enclosing.empty() && enclosing.back().Start > k) enclosing.pop_back();
    const TPlaced& node = placed[k];
    const int32_t owed = enclosing.empty() ? 0 : enclosing.back().Owed;
    const int32_t column = node.Column + owed;
    columnOf[size_t(node.Id)] = column;
    rowColumns[size_t(node.Depth)][--filled[size_t(node.Depth)]] = column;
    if (node.Size > 1) enclosing.push_back(TEnclosing{k + 1 - size_t(node.Size), owed + node.Below});
  }
  for (size_t i = 0; i < count; ++i) Nodes[i].Column = columnOf[i];
  Rows.resize(rows);
  for (size_t depth = 0; depth < rows; ++depth) Rows[depth].SetBusyCells(std::move(rowColumns[depth]));
}
