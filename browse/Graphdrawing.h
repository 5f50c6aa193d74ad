#pragma once
// The graph of a discussion in a browse window's graph panel: the geometry of the grid in
// pixels and the clipping of links. The drawing, scrolling and pointing operations are
// TGraph's (Tgraph.h), defined in Graphdrawing.cpp.

#include "platform/gui/Wintypes.h"

#include <cstdint>

class TBrowse;

// A column of the grid is 6 pixels wide, a depth 80 pixels high.
inline constexpr int GraphColumnWidth = 6;
inline constexpr int GraphDepthHeight = 80;
// Half the size of a node's box; the node of the window's current block is twice as large.
inline constexpr int GraphNodeHalfSize = 5;
inline constexpr int GraphCurrentNodeHalfSize = 10;

// Clips the segment (x1, y1)-(x2, y2) to the rectangle (edges included): false when
// nothing of it is kept, else the two points kept.
bool ClipSegment(const RECT& rect, int64_t x1, int64_t y1, int64_t x2, int64_t y2, POINT& from, POINT& to);

// Fills the window's graph paint box with the background and forgets the drawn nodes.
void FillGraphBackground(TBrowse& window);
