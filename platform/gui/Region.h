#pragma once
// A region: an area of the plane kept as a list of disjoint rectangles.

#include <vector>

#include "platform/gui/Wintypes.h"

namespace platform {

class Region {
 public:
  Region() = default;
  explicit Region(const RECT& r);

  bool IsEmpty() const { return rects_.empty(); }
  const std::vector<RECT>& Rects() const { return rects_; }
  RECT Bounds() const;
  bool Contains(int x, int y) const;
  bool Overlaps(const RECT& r) const;
  bool SameArea(const Region& other) const;

  void Clear() { rects_.clear(); }
  void Set(const RECT& r);
  void Offset(int dx, int dy);
  void Unite(const RECT& r);
  void Unite(const Region& other);
  void Intersect(const RECT& r);
  void Intersect(const Region& other);
  void Subtract(const RECT& r);
  void Subtract(const Region& other);
  void Xor(const Region& other);

 private:
  void Coalesce();
  std::vector<RECT> rects_;
};

}  // namespace platform
