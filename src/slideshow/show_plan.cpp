#include "slideshow/show_plan.h"

#include <climits>

#include "effects/effect.h"
#include "gfx/arith.h"
#include "gfx/random.h"

namespace slideshow {

int FramesFor(const FrameRate& rate, long double seconds) {
  const long double frames =
      static_cast<long double>(rate.Numerator) * seconds / rate.Denominator;
  const int64_t rounded = gfx::Round(frames);
  if (rounded < 1) return 1;
  if (rounded > INT_MAX) return INT_MAX;
  return static_cast<int>(rounded);
}

long long ShowPlan::TotalFrames() const {
  long long total = 2;
  for (int f : HoldFrames) total += f;
  for (const TransitionPlan& t : Transitions) total += t.Frames;
  return total;
}

ShowPlan PlanShow(const Show& show) {
  const ShowSettings& s = show.Settings;
  ShowPlan plan;
  auto transition = [&](EffectChoice effect, long double seconds) {
    TransitionPlan t;
    t.Effect = effect;
    t.Frames = effect.Mode == EffectMode::None ? 0 : FramesFor(s.Rate, seconds);
    return t;
  };
  plan.Transitions.push_back(transition(s.Effect, s.Transition));
  for (const Slide& slide : show.Slides) {
    const ResolvedSlide r = Resolve(s, slide);
    plan.HoldFrames.push_back(FramesFor(s.Rate, r.Hold));
    plan.Transitions.push_back(transition(r.Effect, r.Transition));
  }

  if (s.Seed) {
    plan.Seed = s.Seed;
  } else if (UsesRandomEffects(show)) {
    gfx::Randomize();
    plan.Seed = gfx::RandSeed();
  }
  if (plan.Seed) {
    gfx::SetRandSeed(*plan.Seed);
    // One draw for every transition, random or not, so fixing one slide's
    // effect leaves the others' draws where they were.
    for (TransitionPlan& t : plan.Transitions) {
      const int row = gfx::Random(effects::kEffectCount) + 1;
      if (t.Effect.Mode == EffectMode::Random) t.Drawn = row;
    }
  }
  return plan;
}

}  // namespace slideshow
