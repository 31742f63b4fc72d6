// Boolean combination of two banded regions: walk both band lists at once,
// cut them into stretches of rows where neither changes, and merge the two
// span lists of each stretch.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "region.h"
#include "region_builder.h"

namespace gfx {

namespace {

bool Keeps(CombineMode mode, bool inA, bool inB) {
  switch (mode) {
    case CombineMode::And: return inA && inB;
    case CombineMode::Or: return inA || inB;
    case CombineMode::Xor: return inA != inB;
    case CombineMode::Diff: return inA && !inB;
    case CombineMode::Copy: return inA;
  }
  return false;
}

// Merges two sorted lists of disjoint spans; `out` gets the columns where
// the mode keeps the pixel.
void MergeSpans(const Rect* a, const Rect* aEnd, const Rect* b, const Rect* bEnd,
                CombineMode mode, std::vector<Span>& out) {
  out.clear();
  constexpr int64_t kNone = std::numeric_limits<int64_t>::max();
  bool inA = false, inB = false, kept = false;
  int start = 0;
  while (a != aEnd || b != bEnd) {
    const int64_t ea = a != aEnd ? (inA ? a->Right : a->Left) : kNone;
    const int64_t eb = b != bEnd ? (inB ? b->Right : b->Left) : kNone;
    const int x = int(std::min(ea, eb));
    if (ea == x) {
      if (inA) ++a;
      inA = !inA;
    }
    if (eb == x) {
      if (inB) ++b;
      inB = !inB;
    }
    const bool keep = Keeps(mode, inA, inB);
    if (keep && !kept) {
      start = x;
    } else if (!keep && kept) {
      if (!out.empty() && out.back().right == start)
        out.back().right = x;
      else
        out.push_back({start, x});
    }
    kept = keep;
  }
}

}  // namespace

Region Region::Combine(const Region& a, const Region& b, CombineMode mode) {
  switch (mode) {
    case CombineMode::Copy: return a;
    case CombineMode::And:
      if (a.IsEmpty() || b.IsEmpty()) return Region();
      break;
    case CombineMode::Or:
    case CombineMode::Xor:
      if (a.IsEmpty()) return b;
      if (b.IsEmpty()) return a;
      break;
    case CombineMode::Diff:
      if (a.IsEmpty() || b.IsEmpty()) return a;
      break;
  }

  RegionBuilder builder;
  std::vector<Span> spans;
  BandCursor ca(a.rects_), cb(b.rects_);
  constexpr int64_t kNone = std::numeric_limits<int64_t>::max();
  int64_t y = std::min(ca.Current().top, cb.Current().top);
  while (true) {
    if (!ca.Done() && ca.Current().bottom <= y) ca.Next();
    if (!cb.Done() && cb.Current().bottom <= y) cb.Next();
    if (ca.Done() && cb.Done()) break;
    const bool inA = !ca.Done() && ca.Current().top <= y;
    const bool inB = !cb.Done() && cb.Current().top <= y;
    // Where the rows next change for either region.
    const int64_t endA = ca.Done() ? kNone : (inA ? ca.Current().bottom : ca.Current().top);
    const int64_t endB = cb.Done() ? kNone : (inB ? cb.Current().bottom : cb.Current().top);
    const int64_t yEnd = std::min(endA, endB);
    if (inA || inB) {
      const Band& ba = ca.Current();
      const Band& bb = cb.Current();
      MergeSpans(inA ? ba.begin : nullptr, inA ? ba.end : nullptr, inB ? bb.begin : nullptr,
                 inB ? bb.end : nullptr, mode, spans);
      builder.AddBand(int(y), int(yEnd), spans);
    }
    y = yEnd;
  }
  return builder.Finish();
}

}  // namespace gfx
