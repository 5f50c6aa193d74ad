// Graphdrawing.h, and the drawing, scrolling and pointing operations of TGraph.

#include "browse/Graphdrawing.h"

#include "browse/Paintsettings.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "browse/Tgraph.h"
#include "foundation/Tbrowsepars.h"
#include "model/Blocknames.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tcanvas.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscrollbar.h"
#include "platform/gui/Gui.h"

#include <algorithm>
#include <vector>

POINT TGraph::NodeToPixel(int64_t column, int64_t depth, int h, int v) {
  const int64_t x = (column - h) * GraphColumnWidth + GraphColumnWidth;
  const int64_t y = (depth - v) * GraphDepthHeight;
  // Far away cells stay far away without wrapping.
  return POINT{LONG(std::clamp<int64_t>(x, INT32_MIN / 2, INT32_MAX / 2)),
               LONG(std::clamp<int64_t>(y, INT32_MIN / 2, INT32_MAX / 2))};
}

bool ClipSegment(const RECT& rect, int64_t x1, int64_t y1, int64_t x2, int64_t y2, POINT& from, POINT& to) {
  const int64_t l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  if ((x1 < l && x2 < l) || (x1 > r && x2 > r) || (y1 < t && y2 < t) || (y1 > b && y2 > b)) return false;
  POINT kept[2];
  int count = 0;
  const auto keep = [&](int64_t x, int64_t y) {
    if (count < 2) kept[count++] = POINT{LONG(x), LONG(y)};
  };
  const auto inside = [&](int64_t x, int64_t y) { return l <= x && x <= r && t <= y && y <= b; };
  if (inside(x1, y1)) keep(x1, y1);
  if (inside(x2, y2)) keep(x2, y2);
  // Crossings with the lines of the edges, where the ends lie on different sides.
  for (const int64_t y : {t, b})
    if ((y1 < y && y < y2) || (y2 < y && y < y1)) keep(x1 + (x2 - x1) * (y - y1) / (y2 - y1), y);
  for (const int64_t x : {l, r})
    if ((x1 < x && x < x2) || (x2 < x && x < x1)) keep(x, y1 + (y2 - y1) * (x - x1) / (x2 - x1));
  if (count != 2) return false;
  from = kept[0];
  to = kept[1];
  return true;
}

namespace {

const TBrowsePars& SettingsOf(const TBrowse& window) {
  static const TBrowsePars defaults;
  return window.Settings ? *window.Settings : defaults;
}

// The window whose graph is being painted: a scroll bar that moves while its range is set
// then needs no pixels moved, since everything is drawn anew.
const TBrowse* g_painting = nullptr;

struct TPaintingWindow {
  explicit TPaintingWindow(const TBrowse& window) : Previous(g_painting) { g_painting = &window; }
  ~TPaintingWindow() { g_painting = Previous; }
  const TBrowse* Previous;
};

// The current block of the window, or none.
TDiscBlockIndex CurrentBlock(const TBrowse& window) {
  const TBrowseItem& item = window.CurrentBrowseState.CurrentItem;
  return item.Kind() == BrowseItem_Block ? item.Ident.Index : TDiscBlockIndex{};
}

// The place of a drawn node holding a point (edges included), in drawing order; -1 none.
int PlaceAt(const TBrowse& window, int x, int y) {
  const TArray<TGraphNodePlace>& places = window.GraphPlaces;
  for (uint32_t i = 0; i < places.Count(); ++i) {
    const TGraphNodePlace& place = places[i];
    if (!place.Block.IsEmpty() && place.Left <= x && x <= place.Left + place.Width && place.Top <= y &&
        y <= place.Top + place.Height)
      return int(i);
  }
  return -1;
}

}  // namespace

void FillGraphBackground(TBrowse& window) {
  window.GraphPlaces.Clear();
  if (!window.Form) return;
  TPaintBox* box = window.Form->PaintBoxGraph;
  TCanvas* canvas = box->Canvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(TColor(SettingsOf(window).GraphBackgroundColor & 0xFFFFFF));
  canvas->FillRect(RECT{0, 0, box->Width(), box->Height()});
}

void TGraph::SetScrollRanges(TBrowse& window) const {
  TFormBrowse& form = *window.Form;
  form.ScrollBarGraphHorz->SetParams(form.ScrollBarGraphHorz->Position(), 0, GetWidth());
  form.ScrollBarGraphVert->SetParams(form.ScrollBarGraphVert->Position(), 0, RowCount());
}

void TGraph::Paint(TBrowse& window) {
  if (!window.Form) return;
  TFormBrowse& form = *window.Form;
  if (!Build()) {
    FillGraphBackground(window);
    // Declined by the user: the graph is not shown. (A paint while the build asks draws
    // the background only.)
    if (!IsBuilding()) form.PanelGraph->Hide();
    return;
  }
  EnsurePlaced();
  const TPaintingWindow painting(window);
  SetScrollRanges(window);
  FillGraphBackground(window);
  DrawNode(window, RootNode, form.ScrollBarGraphHorz->Position(), form.ScrollBarGraphVert->Position());
}

void TGraph::EnsureSubtreeColumns() {
  if (SubtreeColumnsPlacement == Placements && SubtreeColumns.size() == Nodes.size()) return;
  SubtreeColumns.assign(Nodes.size(), {INT32_MAX, INT32_MIN});
  // After the children, without recursion.
  struct TFrame {
    int32_t Id;
    size_t Next;
  };
  std::vector<TFrame> stack{TFrame{RootNode, 0}};
  while (!stack.empty()) {
    const int32_t id = stack.back().Id;
    const std::span<const int32_t> children = Children(id);
    if (stack.back().Next < children.size()) {
      const int32_t child = children[stack.back().Next++];
      stack.push_back(TFrame{child, 0});
      continue;
    }
    std::pair<int32_t, int32_t>& range = SubtreeColumns[size_t(id)];
    range = {Nodes[size_t(id)].Column, Nodes[size_t(id)].Column};
    for (const int32_t child : children) {
      range.first = std::min(range.first, SubtreeColumns[size_t(child)].first);
      range.second = std::max(range.second, SubtreeColumns[size_t(child)].second);
    }
    stack.pop_back();
  }
  SubtreeColumnsPlacement = Placements;
}

void TGraph::DrawNode(TBrowse& window, int32_t top, int h, int v) {
  TFormBrowse& form = *window.Form;
  TCanvas& canvas = *form.PaintBoxGraph->Canvas();
  const int width = form.PaintBoxGraph->Width(), height = form.PaintBoxGraph->Height();
  const TBrowsePars& settings = SettingsOf(window);
  TRetrievalColors colors = RetrievalColorsOf(settings);
  colors.Plain = settings.GraphPlainNodeColor & 0xFFFFFF;
  const TColor frameColor = TColor(settings.GraphNodeFrameColor & 0xFFFFFF);
  const TDiscBlockIndex current = CurrentBlock(window);
  const RECT linkClip{-100, -30, width + 100, height + 30};

  // A subtree wholly beside the view, farther than the links are drawn, has nothing to show:
  // it is not walked.
  EnsureSubtreeColumns();
  const auto besideView = [&](int32_t id) {
    const std::pair<int32_t, int32_t>& range = SubtreeColumns[size_t(id)];
    return NodeToPixel(range.second, 0, h, v).x < linkClip.left ||
           NodeToPixel(range.first, 0, h, v).x > linkClip.right;
  };

  // Depth first, each node before its children and the children in order, without
  // recursion: a thread of blocks may be far deeper than the stack.
  std::vector<int32_t> pending{top};
  while (!pending.empty()) {
    const int32_t id = pending.back();
    pending.pop_back();
    const TGraphNode& node = Nodes[size_t(id)];
    const POINT centre = NodeToPixel(node.Column, node.Depth, h, v);
    if (id != RootNode) {
      canvas.Pen()->SetStyle(psSolid);
      canvas.Pen()->SetColor(TColor(settings.GraphLinkColor & 0xFFFFFF));
      canvas.Pen()->SetWidth(settings.GraphLinkWidth);
      for (const int32_t child : Children(id)) {
        const TGraphNode& lower = Nodes[size_t(child)];
        const POINT end = NodeToPixel(lower.Column, lower.Depth, h, v);
        POINT from, to;
        if (ClipSegment(linkClip, centre.x, centre.y, end.x, end.y, from, to)) {
          canvas.MoveTo(from.x, from.y);
          canvas.LineTo(to.x, to.y);
        }
      }
      canvas.Pen()->SetWidth(1);
      const int half = !current.IsEmpty() && node.Block == current ? GraphCurrentNodeHalfSize : GraphNodeHalfSize;
      const int x = centre.x, y = centre.y;
      if (!(x < -half || y < -half || x > width + half || y > height + half)) {
        TGraphNodePlace place;
        place.Block = node.Block;
        place.Left = int16_t(x - half);
        place.Top = int16_t(y - half);
        place.Width = place.Height = int16_t(2 * half);
        window.GraphPlaces.AddItem(place);
        uint32_t a = colors.Plain, b = colors.Plain;
        if (const TDiscBlock* block = Discussion.Storages.GetDiscBlock(node.Block)) {
          a = block->GetGraphRetrievalColorA(Discussion, node.Block, colors) & 0xFFFFFF;
          b = block->GetGraphRetrievalColorB(Discussion, node.Block, colors) & 0xFFFFFF;
        }
        canvas.Pen()->SetStyle(psClear);
        canvas.Brush()->SetStyle(bsSolid);
        canvas.Brush()->SetColor(TColor(a));
        canvas.FillRect(RECT{x - half, y - half, x, y + half});
        canvas.Brush()->SetColor(TColor(b));
        canvas.FillRect(RECT{x, y - half, x + half + 1, y + half});
        canvas.Pen()->SetStyle(psSolid);
        canvas.Pen()->SetColor(frameColor);
        canvas.Brush()->SetStyle(bsClear);
        canvas.Rectangle(x - half, y - half, x + half + 1, y + half);
        if (a != b) {
          canvas.MoveTo(x, y - half);
          canvas.LineTo(x, y + half);
        }
        canvas.Brush()->SetStyle(bsSolid);
      }
    }
    // Children below the view are left out with their subtrees.
    const std::span<const int32_t> children = Children(id);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      const TGraphNode& child = Nodes[size_t(*it)];
      if (NodeToPixel(child.Column, child.Depth, h, v).y - 10 < height && !besideView(*it)) pending.push_back(*it);
    }
  }
}

void TGraph::Scroll(TBrowse& window, int dx, int dy) {
  if (!window.Form || g_painting == &window) return;
  TFormBrowse& form = *window.Form;
  TPanel* panel = form.PanelGraph;
  TPaintBox* box = form.PaintBoxGraph;
  if (!panel->HandleAllocated()) return;
  // The paint box has no window of its own: its rectangle lies in the panel's.
  RECT rect{0, 0, box->Width() - 1, box->Height() - 1};
  OffsetRect(&rect, box->Left(), box->Top());
  if (dx != 0) {
    panel->Update();
    ScrollWindow(panel->Handle(), -dx * GraphColumnWidth, 0, &rect, &rect);
    panel->Update();
  }
  if (dy != 0) {
    panel->Update();
    ScrollWindow(panel->Handle(), 0, -dy * GraphDepthHeight, &rect, &rect);
    panel->Update();
  }
}

void TGraph::ScrollToCurrentBlock(TBrowse& window) {
  if (!window.Form) return;
  const TDiscBlockIndex current = CurrentBlock(window);
  if (current.IsEmpty()) return;
  const TGraphNode* node = FindNode(current);
  if (!node) return;
  EnsurePlaced();
  SetScrollRanges(window);
  TFormBrowse& form = *window.Form;
  const int v = std::max(0, node->Depth - (form.PanelGraph->Height() / GraphDepthHeight) / 2);
  const int h = std::max(0, node->Column - (form.PanelGraph->Width() / GraphColumnWidth - 2) / 2);
  form.ScrollBarGraphHorz->SetPosition(h);
  form.ScrollBarGraphVert->SetPosition(v);
}

void TGraph::InvalidateNode(TBrowse& window, TDiscBlockIndex block) const {
  if (!window.Form || !Placed) return;
  TFormBrowse& form = *window.Form;
  if (!form.PanelGraph->Visible() || !form.PanelGraph->HandleAllocated()) return;
  TPaintBox* box = form.PaintBoxGraph;
  for (const TGraphNodePlace& place : window.GraphPlaces) {
    if (!block.IsEmpty() && !(place.Block == block)) continue;
    // The box reaches one pixel right of its width.
    RECT rect{place.Left, place.Top, place.Left + place.Width + 1, place.Top + place.Height};
    OffsetRect(&rect, box->Left(), box->Top());
    InvalidateRect(form.PanelGraph->Handle(), &rect, FALSE);
  }
}

void TGraph::MouseDown(TBrowse& window, TMouseButton button, TShiftState, int x, int y) {
  const int place = PlaceAt(window, x, y);
  if (place < 0) return;
  const TDiscBlockIndex block = window.GraphPlaces[uint32_t(place)].Block;
  if (button == mbLeft) {
    window.GoToDiscBlock(block);
  } else if (button == mbRight) {
    if (const TDiscBlock* record = Discussion.Storages.GetDiscBlock(block))
      window.ShowReferencePopup(record->GetBlockName(Discussion).ToString());
  }
}

void TGraph::MouseMove(TBrowse& window, TShiftState, int x, int y) {
  if (!window.Form) return;
  TPaintBox* box = window.Form->PaintBoxGraph;
  box->SetShowHint(false);
  box->SetHint("");
  const int place = PlaceAt(window, x, y);
  if (place < 0) return;
  const TDiscBlockIndex index = window.GraphPlaces[uint32_t(place)].Block;
  const TDiscBlock* block = Discussion.Storages.GetDiscBlock(index);
  if (!block) return;
  std::string hint;
  if (block->GetBlockName(Discussion) == RootBlockName) {
    hint = Discussion.GetName().ToString();
  } else {
    const TStrHashItem* texts = Discussion.Storages.GetStrHashItem(index);
    if (!texts) return;
    hint = window.GetDiscBlockSummary(index);
    if (!texts->Str.URL.IsEmpty()) hint += "\r\n" + texts->Str.URL.ToString();
    if (!texts->Str.FormulaText.IsEmpty()) {
      const TDiscBlock* conclusion =
          block->Conclusion.IsEmpty() ? nullptr : Discussion.Storages.GetDiscBlock(block->Conclusion);
      const std::string name = conclusion ? conclusion->GetBlockName(Discussion).ToString() : "???";
      hint += "\r\n<" + name + "> = " + texts->Str.FormulaText.ToString();
    }
    hint += "\r\n" + texts->Str.Text.ToString();
  }
  box->SetHint(hint);
  box->SetShowHint(true);
}
