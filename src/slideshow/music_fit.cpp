#include "slideshow/music_fit.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace slideshow {

namespace {

std::string Seconds(int64_t frames, double fps) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", double(frames) / fps);
  return text;
}

int64_t Sum(const std::vector<int>& frames) {
  return std::accumulate(frames.begin(), frames.end(), int64_t(0));
}

// The frames of transition `i` (the intro is 0); a short list means none.
int TransitionAt(const std::vector<int>& transitions, size_t i) {
  return i < transitions.size() ? std::max(transitions[i], 0) : 0;
}

}  // namespace

int64_t ShowFrames(const std::vector<int>& holds, const std::vector<int>& transitions,
                   int extraFrames) {
  return Sum(holds) + Sum(transitions) + extraFrames;
}

std::vector<int> FitHoldsToLength(const std::vector<int>& holds,
                                  const std::vector<int>& transitions, int extraFrames,
                                  int64_t targetFrames, int minHoldFrames, double fps) {
  if (holds.empty()) throw MusicFitError("there are no pictures to fit to the music");
  // Frames the holds must add up to: the target less the transitions and tail.
  const int64_t budget = targetFrames - Sum(transitions) - extraFrames;
  // Holds of no length keep no proportion: share the budget evenly then.
  int64_t setSum = 0;
  int setMin = INT_MAX;
  for (int h : holds) setSum += std::max(h, 0), setMin = std::min(setMin, std::max(h, 0));
  const bool even = setSum == 0 || setMin == 0;
  const int64_t weightSum = even ? int64_t(holds.size()) : setSum;
  const int64_t weightMin = even ? 1 : setMin;
  // The smallest hold reaches minHoldFrames only with this many frames in all.
  const int64_t needed =
      int64_t(std::ceil((long double)(minHoldFrames)*weightSum / weightMin - 1e-9L));
  if (budget < needed) {
    throw MusicFitError("the music is " + Seconds(needed - budget, fps) + " too short to carry " +
                        std::to_string(holds.size()) + " pictures with holds of at least " +
                        Seconds(minHoldFrames, fps) + " (it needs " +
                        Seconds(targetFrames + needed - budget, fps) +
                        "); add music or take pictures away");
  }
  if (budget / int64_t(holds.size()) > INT_MAX / 2)
    throw MusicFitError("the music is too long for " + std::to_string(holds.size()) +
                        " pictures: " + Seconds(budget, fps) + " of holds are left over");

  // Largest remainders: floor every share, then hand the frames left to the
  // shares that lost the most, so the sum is exact.
  std::vector<int> out(holds.size());
  std::vector<std::pair<long double, size_t>> rest(holds.size());
  int64_t given = 0;
  for (size_t i = 0; i < holds.size(); ++i) {
    const int64_t weight = even ? 1 : holds[i];
    const long double share = (long double)(budget)*weight / weightSum;
    out[i] = int(std::floor(share));
    given += out[i];
    rest[i] = {share - out[i], i};
  }
  std::stable_sort(rest.begin(), rest.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  for (int64_t k = 0; k < budget - given; ++k) ++out[rest[size_t(k) % rest.size()].second];
  return out;
}

OnsetAlignment AlignHoldsToOnsets(const std::vector<int>& holds,
                                  const std::vector<int>& transitions,
                                  const std::vector<int64_t>& onsetFrames, int minHoldFrames) {
  OnsetAlignment result;
  result.holds.reserve(holds.size());
  // Where the hold of the current picture starts (the end of the transition into it).
  int64_t holdStart = TransitionAt(transitions, 0);
  for (size_t i = 0; i < holds.size(); ++i) {
    const int set = holds[i];
    const int64_t ideal = holdStart + set;
    const int64_t earliest = holdStart + minHoldFrames;
    const int64_t latest = holdStart + 2 * int64_t(std::max(set, minHoldFrames));
    // The onsets on both sides of the ideal start are the only candidates.
    const auto at = std::lower_bound(onsetFrames.begin(), onsetFrames.end(), ideal);
    int64_t best = -1;
    auto consider = [&](int64_t onset) {
      if (onset < earliest || onset > latest) return;
      if (best < 0 || std::llabs(onset - ideal) < std::llabs(best - ideal)) best = onset;
    };
    if (at != onsetFrames.end()) consider(*at);
    if (at != onsetFrames.begin()) consider(*std::prev(at));
    // Nearest-below may lie under the minimum while a later one is fine.
    if (best < 0) {
      const auto first = std::lower_bound(onsetFrames.begin(), onsetFrames.end(), earliest);
      if (first != onsetFrames.end()) consider(*first);
    }
    const int64_t hold = best < 0 ? set : best - holdStart;
    if (best < 0) ++result.unaligned;
    result.holds.push_back(int(hold));
    holdStart += hold + TransitionAt(transitions, i + 1);
  }
  return result;
}

std::vector<double> FillBeatGrid(const std::vector<double>& beats, double seconds) {
  std::vector<double> sorted = beats;
  std::sort(sorted.begin(), sorted.end());
  if (sorted.size() < 2) return sorted;
  std::vector<double> gaps;
  for (size_t i = 1; i < sorted.size(); ++i) gaps.push_back(sorted[i] - sorted[i - 1]);
  std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
  const double period = gaps[gaps.size() / 2];
  // A grid finer than 40 ms (1500 bpm) is no beat, and would be a huge list.
  if (!(period > 0.04)) return sorted;
  constexpr double kTolerance = 0.1;  // of a period, for a gap to count as whole beats
  std::vector<double> grid;
  for (double t = sorted.front() - period; t >= 0; t -= period) grid.push_back(t);
  std::reverse(grid.begin(), grid.end());
  for (size_t i = 0; i < sorted.size(); ++i) {
    grid.push_back(sorted[i]);
    if (i + 1 == sorted.size()) break;
    const double gap = sorted[i + 1] - sorted[i];
    const double beatsInGap = std::round(gap / period);
    if (beatsInGap >= 2 && std::abs(gap / beatsInGap - period) < kTolerance * period)
      for (int k = 1; k < int(beatsInGap); ++k) grid.push_back(sorted[i] + k * gap / beatsInGap);
  }
  for (double t = sorted.back() + period; t < seconds; t += period) grid.push_back(t);
  return grid;
}

std::vector<int64_t> OnsetFrames(const std::vector<double>& seconds, double fps) {
  std::vector<int64_t> frames;
  frames.reserve(seconds.size());
  for (double s : seconds)
    if (std::isfinite(s) && s >= 0) frames.push_back(std::llround(s * fps));
  std::sort(frames.begin(), frames.end());
  frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
  return frames;
}

}  // namespace slideshow
