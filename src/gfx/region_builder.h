// Internals shared by the region operations: spans, band iteration and the
// builder that keeps regions in their one canonical banded form.
#pragma once

#include <cstddef>
#include <vector>

#include "region.h"

namespace gfx {

// Columns left..right-1 of one band.
struct Span {
  int left = 0;
  int right = 0;
};

// Rows top..bottom-1 and the sorted, disjoint rectangles covering them.
struct Band {
  int top = 0;
  int bottom = 0;
  const Rect* begin = nullptr;
  const Rect* end = nullptr;
};

// Walks the bands of a region from top to bottom.
class BandCursor {
 public:
  explicit BandCursor(const std::vector<Rect>& rects)
      : pos_(rects.data()), end_(rects.data() + rects.size()) {
    Load();
  }
  bool Done() const { return band_.begin == end_; }
  const Band& Current() const { return band_; }
  void Next() {
    pos_ = band_.end;
    Load();
  }

 private:
  void Load() {
    band_.begin = pos_;
    const Rect* p = pos_;
    if (p == end_) {
      band_.end = end_;
      return;
    }
    band_.top = p->Top;
    band_.bottom = p->Bottom;
    while (p != end_ && p->Top == band_.top) ++p;
    band_.end = p;
  }

  const Rect* pos_;
  const Rect* end_;
  Band band_;
};

// Collects bands from top to bottom. Spans of a band must be sorted by left
// and not overlap; touching spans are joined, and a band that continues the
// previous one with the same spans extends it, so equal pixel sets always
// end up with equal rectangle lists.
class RegionBuilder {
 public:
  void AddBand(int top, int bottom, const Span* spans, size_t count);
  void AddBand(int top, int bottom, const std::vector<Span>& spans) {
    AddBand(top, bottom, spans.data(), spans.size());
  }
  Region Finish();

 private:
  std::vector<Rect> rects_;
  size_t lastBand_ = 0;  // index of the first rectangle of the last band
};

}  // namespace gfx
