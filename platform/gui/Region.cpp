#include "platform/gui/Region.h"

#include <algorithm>

#include "platform/gui/Rects.h"

namespace platform {

namespace {

// Appends the parts of r outside cut.
void AppendDifference(const RECT& r, const RECT& cut, std::vector<RECT>& out) {
  RECT i = Intersect(r, cut);
  if (Empty(i)) { out.push_back(r); return; }
  if (r.top < i.top) out.push_back(RECT{r.left, r.top, r.right, i.top});
  if (i.bottom < r.bottom) out.push_back(RECT{r.left, i.bottom, r.right, r.bottom});
  if (r.left < i.left) out.push_back(RECT{r.left, i.top, i.left, i.bottom});
  if (i.right < r.right) out.push_back(RECT{i.right, i.top, r.right, i.bottom});
}

}  // namespace

Region::Region(const RECT& r) { Set(r); }

void Region::Set(const RECT& r) {
  rects_.clear();
  if (!Empty(r)) rects_.push_back(r);
}

RECT Region::Bounds() const {
  if (rects_.empty()) return RECT{0, 0, 0, 0};
  RECT b = rects_[0];
  for (const RECT& r : rects_) {
    b.left = std::min(b.left, r.left); b.top = std::min(b.top, r.top);
    b.right = std::max(b.right, r.right); b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

bool Region::Contains(int x, int y) const {
  for (const RECT& r : rects_)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

bool Region::Overlaps(const RECT& r) const {
  for (const RECT& a : rects_)
    if (!Empty(platform::Intersect(a, r))) return true;
  return false;
}

bool Region::SameArea(const Region& other) const {
  Region a = *this;
  a.Subtract(other);
  if (!a.IsEmpty()) return false;
  Region b = other;
  b.Subtract(*this);
  return b.IsEmpty();
}

void Region::Offset(int dx, int dy) {
  for (RECT& r : rects_) r = platform::Offset(r, dx, dy);
}

void Region::Unite(const RECT& r) {
  if (Empty(r)) return;
  std::vector<RECT> pieces{r};
  for (const RECT& a : rects_) {
    std::vector<RECT> next;
    for (const RECT& p : pieces) AppendDifference(p, a, next);
    pieces.swap(next);
    if (pieces.empty()) return;
  }
  rects_.insert(rects_.end(), pieces.begin(), pieces.end());
  Coalesce();
}

void Region::Unite(const Region& other) {
  for (const RECT& r : other.rects_) Unite(r);
}

void Region::Intersect(const RECT& r) {
  std::vector<RECT> out;
  for (const RECT& a : rects_) {
    RECT i = platform::Intersect(a, r);
    if (!Empty(i)) out.push_back(i);
  }
  rects_.swap(out);
}

void Region::Intersect(const Region& other) {
  std::vector<RECT> out;
  for (const RECT& a : rects_)
    for (const RECT& b : other.rects_) {
      RECT i = platform::Intersect(a, b);
      if (!Empty(i)) out.push_back(i);
    }
  rects_.swap(out);
  Coalesce();
}

void Region::Subtract(const RECT& r) {
  if (Empty(r)) return;
  std::vector<RECT> out;
  for (const RECT& a : rects_) AppendDifference(a, r, out);
  rects_.swap(out);
  Coalesce();
}

void Region::Subtract(const Region& other) {
  for (const RECT& r : other.rects_) Subtract(r);
}

void Region::Xor(const Region& other) {
  Region a = *this;
  a.Subtract(other);
  Region b = other;
  b.Subtract(*this);
  a.Unite(b);
  *this = a;
}

void Region::Coalesce() {
  // Joins neighbours that together form a rectangle, so that lists stay short.
  bool merged = true;
  while (merged) {
    merged = false;
    for (size_t i = 0; i < rects_.size() && !merged; ++i)
      for (size_t j = i + 1; j < rects_.size() && !merged; ++j) {
        RECT& a = rects_[i];
        const RECT& b = rects_[j];
        if (a.top == b.top && a.bottom == b.bottom && (a.right == b.left || b.right == a.left)) {
          a.left = std::min(a.left, b.left); a.right = std::max(a.right, b.right);
          merged = true;
        } else if (a.left == b.left && a.right == b.right && (a.bottom == b.top || b.bottom == a.top)) {
          a.top = std::min(a.top, b.top); a.bottom = std::max(a.bottom, b.bottom);
          merged = true;
        }
        if (merged) rects_.erase(rects_.begin() + static_cast<long>(j));
      }
  }
}

}  // namespace platform
