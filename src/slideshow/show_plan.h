// The frames of a show, fixed before its first frame: how long each picture
// is held and each transition runs, and which effects random transitions
// drew. Counts round as the window's always have: rate x seconds, half to
// even, at least one frame (a cut has none).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "slideshow/show.h"

namespace slideshow {

struct TransitionPlan {
  int Frames = 1;      // 0 for a cut
  EffectChoice Effect;
  int Drawn = 0;       // the row a random transition shows
};

struct ShowPlan {
  std::vector<int> HoldFrames;              // one per slide
  // The intro (black into the first picture), then the one after each
  // slide: Transitions[i + 1] leads out of slide i.
  std::vector<TransitionPlan> Transitions;
  // What random rows were drawn from; none when the show draws nothing.
  std::optional<uint32_t> Seed;

  // Every frame of a run: intro, holds, transitions and the two black
  // frames at the end.
  long long TotalFrames() const;
};

// rate x seconds frames, rounded half to even, clamped to 1..INT_MAX; a
// zero denominator counts as 0 seconds.
int FramesFor(const FrameRate& rate, long double seconds);

// Draws random rows from the show's seed, or, when it has none and needs one,
// from a seed taken from the clock. Either way the shared generator is left
// seeded from that seed, so effects that draw as they go repeat with it.
ShowPlan PlanShow(const Show& show);

}  // namespace slideshow
