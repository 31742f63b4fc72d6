// "-vf" chains with the built-in "rotate" filter. libavfilter has a filter
// of that name with other meaning and takes no outside filters, so the chain
// is cut at every "rotate" into pieces that libavfilter builds, and the
// engine turns the pictures itself between them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "media/binding/ff_entry_points.h"
#include "media/picture/rotate_filter.h"

namespace engine {

// The chain cut at its "rotate" filters: pieces.size() == angles.size() + 1;
// a piece may be empty. A chain without "rotate" is one piece, unchanged.
// Throws std::runtime_error for a bad angle or a "rotate" outside a plain
// comma-separated chain.
struct FilterChainPlan {
  std::vector<std::string> pieces;
  std::vector<int> angles;
};
FilterChainPlan SplitFilterChain(const std::string& text);

// One rotate stage and the graph that takes its pictures.
struct RotateLink {
  explicit RotateLink(int angle) : rotate(angle) {}
  ~RotateLink();
  media::TRotateFilter rotate;
  AVFilterGraph* graph = nullptr;  // owned
  AVFilterContext* src = nullptr;
  AVFilterContext* sink = nullptr;
  AVFrame* input = nullptr;        // owned; a picture taken from the graph before
  AVFrame* turned = nullptr;       // owned; the same picture turned
  bool ended = false;              // the end mark was passed on
};

// Pictures waiting at the end of `from` are turned and handed to the link's
// graph; the end mark follows the last of them. 0 or a negative error.
int PassThroughRotate(AVFilterContext* from, RotateLink& link);

}  // namespace engine
