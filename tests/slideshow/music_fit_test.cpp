#include "slideshow/music_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

namespace slideshow {
namespace {

// Random shows (3 to 300 pictures, mixed holds) against random music
// lengths: either the fit is exact and proportional, or it is refused
// exactly when the smallest hold would fall under the minimum.
TEST(MusicFit, FitsExactlyKeepsProportionsOrRefusesWithTheMissingAmount) {
  std::mt19937 random(23);
  const double fps = 25;
  const int minHold = 13;  // 0.5 s at 25 fps, rounded up
  int fitted = 0, refused = 0;
  for (int run = 0; run < 400; ++run) {
    const int pictures = 3 + int(random() % 298);
    std::vector<int> holds(pictures);
    for (int& h : holds) h = 1 + int(random() % 150);
    // Transitions of their own lengths, some of them cuts.
    std::vector<int> transition(pictures + 1);
    for (int& t : transition) t = random() % 4 == 0 ? 0 : int(random() % 40);
    const int extra = 2;
    const int64_t target = int64_t(fps * (10 + random() % 3590));
    const int64_t budget = target - ShowFrames({}, transition, extra);
    const int64_t sum = ShowFrames(holds, {}, 0);  // the holds alone
    const int smallest = *std::min_element(holds.begin(), holds.end());
    const bool fits = (long double)(budget)*smallest / sum >= minHold;
    if (!fits) {
      try {
        FitHoldsToLength(holds, transition, extra, target, minHold, fps);
        ADD_FAILURE() << "accepted a fit that puts a hold under the minimum";
      } catch (const MusicFitError& e) {
        const double missing = std::ceil((long double)(minHold)*sum / smallest) - budget;
        char text[32];
        std::snprintf(text, sizeof text, "%.1f s too short", missing / fps);
        EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
      }
      ++refused;
      continue;
    }
    const std::vector<int> out = FitHoldsToLength(holds, transition, extra, target, minHold, fps);
    ASSERT_EQ(ShowFrames(out, transition, extra), target);
    for (size_t i = 0; i < holds.size(); ++i) {
      EXPECT_GE(out[i], minHold);
      EXPECT_LT(std::abs(out[i] - (long double)(budget)*holds[i] / sum), 1.0L);
    }
    ++fitted;
  }
  EXPECT_GT(fitted, 50);
  EXPECT_GT(refused, 50);
}

TEST(MusicFit, RefusesAShowWithoutPictures) {
  EXPECT_THROW(FitHoldsToLength({}, {25}, 2, 1000, 13, 25), MusicFitError);
}

// A click track at a steady tempo: every transition after the first starts
// on a click, each hold within half a beat of its set length, and the
// transitions past the last click keep their holds.
TEST(MusicFit, TransitionsStartOnOnsetsNearTheirSetPlace) {
  const double fps = 30, beat = 0.52;
  std::vector<double> clicks;
  for (double t = 0.3; t < 40; t += beat) clicks.push_back(t);
  const std::vector<int64_t> onsets = OnsetFrames(clicks, fps);
  const std::set<int64_t> onsetSet(onsets.begin(), onsets.end());
  const std::vector<int> set = {60, 45, 90, 20, 61, 75, 60, 60, 60, 60, 60, 60,
                                60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60};
  std::vector<int> transition(set.size() + 1, 24);
  transition[3] = 0;  // a cut
  transition[7] = 40;
  const OnsetAlignment aligned = AlignHoldsToOnsets(set, transition, onsets, 15);
  ASSERT_EQ(aligned.holds.size(), set.size());
  int64_t start = transition[0];  // the end of the transition from black
  int onClicks = 0;
  for (size_t i = 0; i < set.size(); ++i) {
    start += aligned.holds[i];
    if (onsetSet.count(start)) {
      ++onClicks;
      EXPECT_LE(std::abs(aligned.holds[i] - set[i]), beat * fps / 2 + 1) << i;
      EXPECT_GE(aligned.holds[i], 15);
    } else {
      EXPECT_EQ(aligned.holds[i], set[i]) << "moved off its place without reaching a click";
      EXPECT_GT(start, onsets.back()) << "missed a click in reach at transition " << i;
    }
    start += transition[i + 1];
  }
  EXPECT_EQ(onClicks + aligned.unaligned, int(set.size()));
  EXPECT_GT(onClicks, 10);
  EXPECT_GT(aligned.unaligned, 0);
}

}  // namespace
}  // namespace slideshow
