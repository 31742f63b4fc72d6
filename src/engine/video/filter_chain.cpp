#include "engine/video/filter_chain.h"

#include <stdexcept>


namespace engine {
namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Filters of a chain, cut at the commas that are not quoted or escaped.
// `complex` tells whether the text uses labels or several chains.
std::vector<std::string> SplitAtCommas(const std::string& text, bool* complex) {
  std::vector<std::string> filters(1);
  bool quoted = false;
  *complex = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\\' && i + 1 < text.size()) {
      filters.back() += ch;
      filters.back() += text[++i];
      continue;
    }
    if (ch == '\'') quoted = !quoted;
    if (!quoted && (ch == ';' || ch == '[')) *complex = true;
    if (!quoted && ch == ',') filters.emplace_back();
    else filters.back() += ch;
  }
  return filters;
}

// The name of one filter, without the labels in front of it.
std::string FilterName(const std::string& filter) {
  size_t start = filter.find_first_not_of(" \t\r\n");
  while (start != std::string::npos && filter[start] == '[') {
    const size_t close = filter.find(']', start);
    if (close == std::string::npos) return "";
    start = filter.find_first_not_of(" \t\r\n", close + 1);
  }
  if (start == std::string::npos) return "";
  return Trim(filter.substr(start, filter.find_first_of("=[", start) - start));
}

bool NamesRotate(const std::string& filter, bool complex) {
  if (!complex) return FilterName(filter) == "rotate";
  // Several chains: every part between ";" holds a filter of its own.
  size_t start = 0;
  for (size_t end; (end = filter.find(';', start)) != std::string::npos; start = end + 1)
    if (FilterName(filter.substr(start, end - start)) == "rotate") return true;
  return FilterName(filter.substr(start)) == "rotate";
}

}  // namespace

FilterChainPlan SplitFilterChain(const std::string& text) {
  bool complex = false;
  const std::vector<std::string> filters = SplitAtCommas(text, &complex);
  FilterChainPlan plan;
  std::string piece;
  for (const std::string& filter : filters) {
    if (!NamesRotate(filter, complex)) {
      piece += piece.empty() ? filter : "," + filter;
      continue;
    }
    if (complex)
      throw std::runtime_error(
          "The rotate filter can only be used in a plain chain of filters separated by commas");
    const auto equals = filter.find('=');
    plan.angles.push_back(
        media::ParseRotateAngle(equals == std::string::npos ? "" : Trim(filter.substr(equals + 1))));
    plan.pieces.push_back(Trim(piece));
    piece.clear();
  }
  plan.pieces.push_back(plan.angles.empty() ? text : Trim(piece));
  return plan;
}

RotateLink::~RotateLink() {
  ff::avfilter_graph_free(&graph);
  ff::av_frame_free(&input);
  ff::av_frame_free(&turned);
}

// Pictures waiting at the end of one graph are turned and handed to the
// next; the end mark follows the last of them.
int PassThroughRotate(AVFilterContext* from, RotateLink& link) {
  while (!link.ended) {
    int ret = ff::av_buffersink_get_frame(from, link.input);
    if (ret == AVERROR_EOF) {
      link.ended = true;
      return ff::av_buffersrc_add_frame_flags(link.src, nullptr, 0);
    }
    if (ret < 0) return ret == AVERROR(EAGAIN) ? 0 : ret;
    ret = link.rotate.Filter(*link.input, link.turned);
    ff::av_frame_unref(link.input);
    if (ret >= 0) ret = ff::av_buffersrc_add_frame_flags(link.src, link.turned, 0);
    ff::av_frame_unref(link.turned);
    if (ret < 0) return ret;
  }
  return 0;
}

}  // namespace engine
