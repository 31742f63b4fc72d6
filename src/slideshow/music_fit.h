// Fitting a show to its music: hold times in, hold times out. Pure frame
// arithmetic, so the renderer and the tests share it without any media.
//
// The show's layout: a transition from black into the first picture, then
// for each picture its hold and the transition after it (the last one
// leads to black). `transitions` holds their frames, the intro first
// (one more than the holds; 0 for a cut).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace slideshow {

// Music that cannot carry the show; the text says how much is missing.
class MusicFitError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Frames of a show with these holds and transitions, plus extraFrames that
// belong to neither (the black tail).
int64_t ShowFrames(const std::vector<int>& holds, const std::vector<int>& transitions,
                   int extraFrames);

// Scales the holds by one factor so that the show lasts targetFrames, with
// transitions and extraFrames unchanged; the rounding error is spread so the
// sum is exact. Throws MusicFitError when a hold would fall under
// minHoldFrames or the target is out of reach, saying in seconds (at fps)
// how much music is missing.
std::vector<int> FitHoldsToLength(const std::vector<int>& holds,
                                  const std::vector<int>& transitions, int extraFrames,
                                  int64_t targetFrames, int minHoldFrames, double fps);

struct OnsetAlignment {
  std::vector<int> holds;
  int unaligned = 0;  // transitions left at their set place (no onset near enough)
};

// Moves the start of every transition after the intro onto an onset frame
// (sorted ascending): each hold becomes the one nearest its set length whose
// transition starts on an onset, at least minHoldFrames and at most twice the
// set length. A transition with no such onset keeps its hold.
OnsetAlignment AlignHoldsToOnsets(const std::vector<int>& holds,
                                  const std::vector<int>& transitions,
                                  const std::vector<int64_t>& onsetFrames, int minHoldFrames);

// A beat tracker needs a few seconds to lock on and skips beats where the
// music thins out. For music of a steady tempo (the median gap between
// beats), this fills gaps that are whole multiples of it and carries the
// grid back to the start and on to `seconds`, the music's end. Ascending.
std::vector<double> FillBeatGrid(const std::vector<double>& beats, double seconds);

// Onset times in seconds to the nearest frame at fps, ascending and unique.
std::vector<int64_t> OnsetFrames(const std::vector<double>& seconds, double fps);

}  // namespace slideshow
