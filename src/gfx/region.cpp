#include "region.h"

#include <algorithm>

#include "region_builder.h"

namespace gfx {

void RegionBuilder::AddBand(int top, int bottom, const Span* spans, size_t count) {
  if (bottom <= top) return;
  const size_t start = rects_.size();
  for (size_t i = 0; i < count; ++i) {
    const Span& s = spans[i];
    if (s.right <= s.left) continue;
    if (rects_.size() > start && rects_.back().Right >= s.left) {
      rects_.back().Right = std::max(rects_.back().Right, s.right);
      continue;
    }
    rects_.push_back({s.left, top, s.right, bottom});
  }
  if (rects_.size() == start) return;

  // Same spans directly below the previous band: grow that band instead.
  if (start > 0 && rects_[lastBand_].Bottom == top && start - lastBand_ == rects_.size() - start) {
    bool same = true;
    for (size_t i = 0; i < start - lastBand_ && same; ++i) {
      const Rect& a = rects_[lastBand_ + i];
      const Rect& b = rects_[start + i];
      same = a.Left == b.Left && a.Right == b.Right;
    }
    if (same) {
      rects_.resize(start);
      for (size_t i = lastBand_; i < start; ++i) rects_[i].Bottom = bottom;
      return;
    }
  }
  lastBand_ = start;
}

Region RegionBuilder::Finish() {
  Region r;
  r.rects_ = std::move(rects_);
  rects_.clear();
  lastBand_ = 0;
  return r;
}

Region Region::FromRect(const Rect& r) {
  Region region;
  if (!r.IsEmpty()) region.rects_.push_back(r);
  return region;
}

// A sweep from top to bottom over the rows where some rectangle starts or
// ends. The rectangles covering the current rows are kept sorted by left
// edge, so each stretch of rows costs one pass over them.
Region Region::FromRects(const Rect* rects, size_t count) {
  std::vector<Rect> input;
  input.reserve(count);
  for (size_t i = 0; i < count; ++i)
    if (!rects[i].IsEmpty()) input.push_back(rects[i]);
  if (input.empty()) return Region();
  if (input.size() == 1) return FromRect(input[0]);

  std::sort(input.begin(), input.end(),
            [](const Rect& a, const Rect& b) { return a.Top < b.Top; });
  std::vector<int> ys;
  ys.reserve(input.size() * 2);
  for (const Rect& r : input) {
    ys.push_back(r.Top);
    ys.push_back(r.Bottom);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  RegionBuilder builder;
  std::vector<Rect> active;  // sorted by Left
  std::vector<Span> spans;
  size_t next = 0;
  for (size_t k = 0; k + 1 < ys.size(); ++k) {
    const int y0 = ys[k], y1 = ys[k + 1];
    std::erase_if(active, [y0](const Rect& r) { return r.Bottom <= y0; });
    for (; next < input.size() && input[next].Top <= y0; ++next) {
      const Rect& r = input[next];
      active.insert(std::upper_bound(active.begin(), active.end(), r,
                                     [](const Rect& a, const Rect& b) { return a.Left < b.Left; }),
                    r);
    }
    if (active.empty()) continue;
    spans.clear();
    for (const Rect& r : active) {
      if (!spans.empty() && spans.back().right >= r.Left)
        spans.back().right = std::max(spans.back().right, r.Right);
      else
        spans.push_back({r.Left, r.Right});
    }
    builder.AddBand(y0, y1, spans);
  }
  return builder.Finish();
}

bool Region::Contains(int x, int y) const {
  // First rectangle whose band ends below row y; bottoms never decrease.
  auto it = std::partition_point(rects_.begin(), rects_.end(),
                                 [y](const Rect& r) { return r.Bottom <= y; });
  if (it == rects_.end() || it->Top > y) return false;
  const int top = it->Top;
  auto bandEnd = std::find_if(it, rects_.end(), [top](const Rect& r) { return r.Top != top; });
  auto span = std::partition_point(it, bandEnd, [x](const Rect& r) { return r.Right <= x; });
  return span != bandEnd && span->Left <= x;
}

Rect Region::Bounds() const {
  if (rects_.empty()) return Rect{};
  Rect b = rects_.front();
  b.Bottom = rects_.back().Bottom;
  for (const Rect& r : rects_) {
    b.Left = std::min(b.Left, r.Left);
    b.Right = std::max(b.Right, r.Right);
  }
  return b;
}

void Region::Offset(int dx, int dy) {
  for (Rect& r : rects_) {
    r.Left += dx;
    r.Right += dx;
    r.Top += dy;
    r.Bottom += dy;
  }
}

}  // namespace gfx
