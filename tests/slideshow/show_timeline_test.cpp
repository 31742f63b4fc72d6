// Shows with per-slide values through the timeline, and the frames a
// uniform show must keep giving.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "gfx/random.h"
#include "slideshow/show_file.h"
#include "slideshow/show_plan.h"
#include "slideshow/slideshow_timeline.h"
#include "test_pictures.h"

namespace {

using namespace slideshow;

uint64_t Fnv(uint64_t h, const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

// Frames handed out and a hash of their pixels.
std::pair<long long, uint64_t> HashRun(TSlideshowTimeline& tl) {
  gfx::Bitmap frame(tl.FrameWidth, tl.FrameHeight);
  uint64_t hash = 1469598103934665603ull;
  long long frames = 0;
  for (; tl.ReadFrameOntoKeptCanvas(frame.GetCanvas()) >= 0; ++frames)
    for (int y = 0; y < frame.Height(); ++y)
      hash = Fnv(hash, frame.ScanLine(y), size_t(frame.Width()) * 4);
  return {frames, hash};
}

TEST(UniformShowTest, WindowSettingsKeepTheirFrames) {
  // Taken from the timeline before it composed shows: odd rates, a hold
  // whose frame count ties (25 x 1.1 = 27.5), smooth fit, rows wrapping.
  struct Case {
    const char *size, *rate, *hold, *transition;
    int firstEffect;
    bool smooth;
    long long frames;
    uint64_t hash;
  };
  const Case cases[] = {
      {"40x30", "30000/1001", "0.05", "0.1", 3, false, 17, 0x17ce2cf2a4042fb9ull},
      {"48x36", "25/1", "1.1", "0.2", 175, true, 106, 0x05a902a1d5caa8afull},
      {"40x30", "15/1", "0.3", "0.5", 9, false, 46, 0x9ae3bb61df16f717ull},
  };
  const auto dir = testpics::ScratchDir("uniform");
  std::vector<std::string> pictures;
  for (int i = 0; i < 3; ++i) {
    pictures.push_back((dir / ("g" + std::to_string(i) + ".bmp")).string());
    testpics::WriteBmp24(pictures.back(), 50 + 10 * i, 40 - 5 * i, [i](int x, int y) {
      return uint32_t(0x30 * i + 0x10101 * x + 0x20300 * y);
    });
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate);
    TSlideshowTimeline tl;
    tl.Pictures = pictures;
    tl.EffectIndex = c.firstEffect;
    TimelineSettings s;
    s.FrameSize = c.size;
    s.FrameRate = c.rate;
    s.PictureDelay = c.hold;
    s.TransitionDelay = c.transition;
    s.SmoothFit = c.smooth;
    tl.PrepareTimeline(s);
    EXPECT_EQ(tl.TotalFrames(), c.frames);
    EXPECT_EQ(HashRun(tl), std::make_pair(c.frames, c.hash));

    // The same show from a file, its times read as doubles.
    std::string text = std::string("[show]\nsize = \"") + c.size + "\"\nrate = \"" + c.rate +
                       "\"\nhold = " + c.hold + "\ntransition = " + c.transition +
                       "\neffect = \"sequential\"\nscaling = \"" +
                       (c.smooth ? "smooth" : "nearest") + "\"\n";
    for (int i = 0; i < 3; ++i) text += "[[slide]]\npicture = \"g" + std::to_string(i) + ".bmp\"\n";
    TSlideshowTimeline fromFile;
    fromFile.EffectIndex = c.firstEffect;
    fromFile.PrepareTimeline(ParseShowText(text, "uniform.toml", dir));
    EXPECT_EQ(HashRun(fromFile), std::make_pair(c.frames, c.hash));
  }
  // 5 x 0.3 is 1.5 as typed (two frames) and just below it as a double.
  const Show tie = ParseShowText("[show]\nrate = 5\nhold = 0.3\n[[slide]]\npicture = \"a\"\n",
                                 "tie.toml", dir);
  EXPECT_EQ(PlanShow(tie).HoldFrames, std::vector<int>{2});
}

// Solid pictures, so each frame reads as one colour or as a mixture.
class MixedShowTest : public ::testing::Test {
 protected:
  static constexpr int W = 40, H = 30;
  void SetUp() override {
    const auto dir = testpics::ScratchDir("mixed");
    for (const auto& [name, colour] : colours) {
      paths[name] = (dir / (std::string(1, name) + ".bmp")).string();
      testpics::WriteBmp24(paths[name], W, H, [c = colour](int, int) { return c; });
    }
  }
  // One token a frame: the letter of a solid colour, or "M" and the row
  // that the timeline was on when it made the frame.
  std::vector<std::string> Tokens(const Show& show) {
    TSlideshowTimeline tl;
    tl.PrepareTimeline(show);
    gfx::Bitmap frame(W, H);
    std::vector<std::string> tokens;
    for (;;) {
      const int row = tl.EffectIndex;
      if (tl.FIAReadFrameCanvas(frame.GetCanvas()) < 0) break;
      tokens.push_back("M" + std::to_string(row));
      for (const auto& [name, colour] : colours)
        if (Solid(frame, colour)) tokens.back() = std::string(1, name);
    }
    EXPECT_EQ(static_cast<long long>(tokens.size()), tl.TotalFrames());
    return tokens;
  }
  static bool Solid(const gfx::Bitmap& b, uint32_t colour) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        uint32_t v;
        std::memcpy(&v, b.ScanLine(y) + 4 * x, 4);
        if ((v & 0xFFFFFF) != colour) return false;
      }
    return true;
  }
  const std::map<char, uint32_t> colours = {
      {'K', 0}, {'A', 0xC00000}, {'B', 0x00C000}, {'C', 0x0000C0}};
  std::map<char, std::string> paths;
};

TEST_F(MixedShowTest, EachSlideKeepsItsOwnTimesAndTransition) {
  Show show;
  show.Settings.Width = W;
  show.Settings.Height = H;
  show.Settings.Rate = {1, 1};
  show.Settings.Hold = 2;
  show.Settings.Transition = 2;
  show.Settings.Effect = {EffectMode::Sequential, 0};
  const EffectChoice cut{EffectMode::None, 0}, row5{EffectMode::Fixed, 5};
  const auto slide = [&](char name, std::optional<long double> hold, std::optional<long double> transition,
                         std::optional<EffectChoice> effect) {
    Slide s;
    s.Picture = paths[name];
    s.Hold = hold;
    s.Transition = transition;
    s.Effect = effect;
    return s;
  };
  show.Slides = {slide('A', 1.0L, {}, row5), slide('B', 3.0L, {}, cut), slide('C', {}, 3.0L, {}),
                 slide('A', {}, {}, cut)};
  // Intro on row 1; A held 1, into B on row 5; B held 3 and cut to C; C held
  // 2 (show-wide), into A on row 6 (sequential after the cut follows row 5);
  // A held 2, cut to black; the two black frames of the end.
  const std::vector<std::string> expected = {"K", "M1", "A", "A", "M5", "B", "B", "B", "C", "C",
                                             "C", "M6", "M6", "A", "A", "K", "K"};
  EXPECT_EQ(Tokens(show), expected);

  // A cut into the first picture and a single slide.
  show.Settings.Effect = cut;
  show.Slides = {slide('B', {}, 1.0L, row5)};
  EXPECT_EQ(Tokens(show), (std::vector<std::string>{"B", "B", "B", "K", "K"}));
}

TEST(ShowPlanTest, RandomRowsComeFromTheSeedOneDrawPerTransition) {
  Show show;
  show.Settings.Seed = 12345;
  show.Slides.resize(4);
  show.Slides[1].Effect = EffectChoice{EffectMode::Fixed, 7};
  const ShowPlan plan = PlanShow(show);
  gfx::SetRandSeed(12345);
  for (size_t t = 0; t < plan.Transitions.size(); ++t) {
    const int row = gfx::Random(176) + 1;
    EXPECT_EQ(plan.Transitions[t].Drawn, t == 2 ? 0 : row) << t;
  }
  EXPECT_EQ(plan.Seed, 12345u);

  // Without a seed one is drawn, and planning again with it repeats the rows.
  show.Settings.Seed.reset();
  const ShowPlan drawn = PlanShow(show);
  ASSERT_TRUE(drawn.Seed.has_value());
  show.Settings.Seed = drawn.Seed;
  const ShowPlan again = PlanShow(show);
  for (size_t t = 0; t < drawn.Transitions.size(); ++t)
    EXPECT_EQ(again.Transitions[t].Drawn, drawn.Transitions[t].Drawn);

  // A show that draws nothing leaves the shared generator alone.
  show.Settings.Seed.reset();
  show.Settings.Effect = {EffectMode::Sequential, 0};
  show.Slides[1].Effect.reset();
  gfx::SetRandSeed(99);
  EXPECT_FALSE(PlanShow(show).Seed.has_value());
  EXPECT_EQ(gfx::RandSeed(), 99u);
}

}  // namespace
