#include "browse/Tgraph.h"

#include "model/Tdiscussion.h"

#include <algorithm>

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

void TGraph::EnsureRow(int32_t depth) {
  if (depth >= RowCount()) Rows.resize(size_t(depth) + 1);
}

int32_t TGraph::GetFirstFree(int32_t depth) {
  EnsureRow(depth);
  return Rows[size_t(depth)].GetFirstFree();
}

void TGraph::BusyCell(int32_t depth, int32_t column) {
  EnsureRow(depth);
  Rows[size_t(depth)].BusyCell(column);
}

void TGraph::FreeCell(int32_t depth, int32_t column) {
  EnsureRow(depth);
  if (column != -1) Rows[size_t(depth)].FreeCell(column);
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
}

void TGraph::ResetPlacement() {
  if (!Placed) return;
  for (TGraphNode& node : Nodes) node.Column = -1;
  Rows.clear();
  Placed = 0;
}

// Moves a subtree right: the rightmost nodes of each row first, so that no node lands
// on a cell of the subtree that has not moved yet.
void TGraph::ShiftSubtree(int32_t id, int32_t dx) {
  std::vector<int32_t> order;  // pre-order, children in order: its reverse moves the last child first
  std::vector<int32_t> stack{id};
  while (!stack.empty()) {
    const int32_t top = stack.back();
    stack.pop_back();
    order.push_back(top);
    const std::vector<int32_t>& children = Nodes[size_t(top)].Children;
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    TGraphNode& node = Nodes[size_t(*it)];
    FreeCell(node.Depth, node.Column);
    node.Column += dx;
    BusyCell(node.Depth, node.Column);
  }
}

// Places every node after its children: a leaf goes after the last busy cell of its row
// (three cells on for a first child, two for the others); a parent over the middle of its
// children, unless its row is filled beyond that, in which case its children's subtrees
// move right beneath it. Iterative, so that a deep thread cannot exhaust the stack.
void TGraph::PlaceTree() {
  struct TFrame {
    int32_t Id;
    bool First;
    size_t Next = 0;
  };
  std::vector<TFrame> stack;
  const auto begin = [&](int32_t id, bool first) {
    TGraphNode& node = Nodes[size_t(id)];
    FreeCell(node.Depth, node.Column);
    stack.push_back(TFrame{id, first});
  };
  begin(RootNode, true);
  while (!stack.empty()) {
    TFrame& frame = stack.back();
    const std::vector<int32_t>& children = Nodes[size_t(frame.Id)].Children;
    if (frame.Next < children.size()) {
      const int32_t child = children[frame.Next];
      begin(child, frame.Next++ == 0);
      continue;
    }
    TGraphNode& node = Nodes[size_t(frame.Id)];
    const int32_t least = GetFirstFree(node.Depth) + (frame.First ? 3 : 2);
    int32_t column = least;
    if (!children.empty()) {
      int64_t sum = 0;
      for (const int32_t child : children) sum += Nodes[size_t(child)].Column;
      column = int32_t(sum / int64_t(children.size()));
      if (column < least) {
        for (auto it = children.rbegin(); it != children.rend(); ++it) ShiftSubtree(*it, least - column);
        column = least;
      }
    }
    node.Column = column;
    BusyCell(node.Depth, column);
    stack.pop_back();
  }
}
