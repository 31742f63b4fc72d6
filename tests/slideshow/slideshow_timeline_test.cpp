#include "slideshow/slideshow_timeline.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "effects/effect.h"
#include "gfx/picture_file.h"
#include "gfx/random.h"
#include "gfx/jpeg_writer.h"
#include "test_pictures.h"

namespace {

using slideshow::TimelineSettings;
using slideshow::TSlideshowTimeline;
using Colour = std::function<uint32_t(int, int)>;

constexpr int W = 40, H = 30;

uint32_t P1(int x, int y) { return 0x010000u * (x + 1) + 0x000100u * (y + 1) + 0x11; }
uint32_t P2(int x, int y) { return 0x800000u + 0x000100u * (x + 1) + (y + 1); }
uint32_t Black(int, int) { return 0; }

uint32_t PixelAt(const gfx::Bitmap& b, int x, int y) {
  uint32_t v;
  std::memcpy(&v, b.ScanLine(y) + 4 * x, 4);
  return v & 0xFFFFFF;
}

// Number of pixels that differ from the expectation (0 = equal).
int Mismatches(const gfx::Bitmap& b, const Colour& expected) {
  int bad = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) bad += PixelAt(b, x, y) != expected(x, y);
  return bad;
}

class TimelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testpics::ScratchDir("timeline");
    p1 = (dir / "one.bmp").string();
    p2 = (dir / "two.BMP").string();
    testpics::WriteBmp24(p1, W, H, P1);
    testpics::WriteBmp24(p2, W, H, P2);
    frame.SetSize(W, H);
  }

  // Prepares a run over the pictures with frame rate 1/1, so the delays
  // are frame counts.
  void Prepare(std::vector<std::string> pictures, int picFrames, int transFrames,
               std::string size = "40x30") {
    tl.Pictures = std::move(pictures);
    TimelineSettings s;
    s.FrameSize = size;
    s.FrameRate = "1/1";
    s.PictureDelay = std::to_string(picFrames);
    s.TransitionDelay = std::to_string(transFrames);
    tl.PrepareTimeline(s);
  }

  int Next() { return tl.FIAReadFrameCanvas(frame.GetCanvas()); }

  // Runs to the end and returns the number of frames handed out.
  long long RunToEnd() {
    long long frames = 0;
    while (Next() == 0) ++frames;
    return frames;
  }

  std::filesystem::path dir;
  std::string p1, p2;
  TSlideshowTimeline tl;
  gfx::Bitmap frame{1, 1};
};

TEST_F(TimelineTest, WorkedExampleCallByCall) {
  tl.EffectIndex = 4;  // slide in from left, then reveal from left, reveal from right
  Prepare({p1, p2}, 2, 3);
  ASSERT_EQ(tl.FramesPerPicture, 2);
  ASSERT_EQ(tl.FramesPerTransition, 3);
  EXPECT_EQ(tl.TotalFrames(), 15);

  // X = MulDiv(40, 33, 100) = 13 and MulDiv(40, 66, 100) = 26.
  auto slideIn = [](const Colour& img, const Colour& old, int X) -> Colour {
    return [=](int x, int y) { return x < X ? img(x + W - X, y) : old(x, y); };
  };
  auto revealLeft = [](const Colour& img, const Colour& old, int X) -> Colour {
    return [=](int x, int y) { return x < X ? img(x, y) : old(x, y); };
  };
  auto revealRight = [](const Colour& img, const Colour& old, int X) -> Colour {
    return [=](int x, int y) { return x >= W - X ? img(x, y) : old(x, y); };
  };
  struct Step {
    Colour content;
    int lastProgress;  // what the composed frame shows; -1 after a transition ends
    int pictureIndex;
  };
  const std::vector<Step> steps = {
      {Black, 0, -1},
      {slideIn(P1, Black, 13), 33, -1},
      {slideIn(P1, Black, 26), -1, 0},
      {P1, -1, 0},
      {P1, -1, 0},
      {P1, 0, 0},
      {revealLeft(P2, P1, 13), 33, 0},
      {revealLeft(P2, P1, 26), -1, 1},
      {P2, -1, 1},
      {P2, -1, 1},
      {P2, 0, 1},
      {revealRight(Black, P2, 13), 33, 1},
      {revealRight(Black, P2, 26), -1, 2},
      {Black, -1, 2},
      {Black, -1, 2},
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE("call " + std::to_string(i + 1));
    ASSERT_EQ(Next(), 0);
    EXPECT_EQ(Mismatches(frame, steps[i].content), 0);
    EXPECT_EQ(tl.LastProgress, steps[i].lastProgress);
    EXPECT_EQ(tl.PictureIndex, steps[i].pictureIndex);
  }
  EXPECT_EQ(Next(), -1);
  EXPECT_EQ(Next(), -1);  // stays over
  EXPECT_EQ(tl.EffectIndex, 7);
}

TEST_F(TimelineTest, KeptCanvasIsLeftAloneOnlyWhileTheFrameStays) {
  // 150 transition frames step through 100 progress values: 50 repeats each.
  Prepare({p1, p2}, 3, 150);
  TSlideshowTimeline kept;
  kept.Pictures = tl.Pictures;
  TimelineSettings s;
  s.FrameSize = "40x30";
  s.FrameRate = "1/1";
  s.PictureDelay = "3";
  s.TransitionDelay = "150";
  kept.PrepareTimeline(s);
  gfx::Bitmap canvas(W, H), other(W, H);

  int frames = 0, keptFrames = 0;
  for (;;) {
    const int r = Next();
    // Every fifth frame goes to another canvas, which must be painted.
    gfx::Bitmap& target = frames % 5 == 4 ? other : canvas;
    const gfx::TFrameResult k = kept.ReadFrameOntoKeptCanvas(target.GetCanvas());
    ASSERT_EQ(r < 0, k == gfx::frEnd) << frames;
    if (r < 0) break;
    ++frames;
    if (k == gfx::frUnchanged) ++keptFrames;
    else ASSERT_EQ(k, gfx::frFrame);
    ASSERT_EQ(std::memcmp(target.Bits(), frame.Bits(), size_t(frame.Stride()) * H), 0) << frames;
  }
  EXPECT_EQ(frames, tl.TotalFrames());
  // Repeats: 2 per picture hold and 50 per transition, less those on the
  // other canvas (each is one) and those right after it (painted again).
  int repeats = 0;
  {
    TSlideshowTimeline count;
    count.Pictures = tl.Pictures;
    count.PrepareTimeline(s);
    gfx::Bitmap a(W, H);
    int n = 0;
    int last = -2, lastHold = -2;
    for (;; ++n) {
      const int progress = count.InTransition ? int(int64_t(count.TransitionCounter) * 100 / 150) : -1;
      const bool hold = !count.InTransition && count.PictureIndex < 2;
      // A transition's first step shows the held picture whole: it repeats the hold.
      const bool repeat = (hold && lastHold == count.PictureIndex) || (progress >= 0 && progress == last) ||
                          (progress == 0 && lastHold == count.PictureIndex);
      if (count.FIAReadFrameCanvas(a.GetCanvas()) < 0) break;
      if (repeat && n % 5 != 4 && n % 5 != 0) ++repeats;
      last = progress;
      lastHold = hold ? count.PictureIndex : -2;
    }
  }
  EXPECT_GT(repeats, 80);
  EXPECT_EQ(keptFrames, repeats);
}

TEST_F(TimelineTest, FrameCountsOfWholeRuns) {
  // One picture at 30/1 with the default delays: 30 + 60 + 30 + 2.
  tl.Pictures = {p1};
  tl.PrepareTimeline(TimelineSettings{});
  EXPECT_EQ(RunToEnd(), 122);

  Prepare({p1, p2, p1}, 4, 5);
  EXPECT_EQ(RunToEnd(), 5 * 4 + 4 * 3 + 2);
}

TEST_F(TimelineTest, SingleFrameTransitionsNeverCallAnEffect) {
  tl.EffectIndex = 5;
  Prepare({p1, p2}, 2, 1);
  ASSERT_EQ(Next(), 0);  // the intro is one black frame
  EXPECT_EQ(Mismatches(frame, Black), 0);
  std::vector<Colour> rest = {P1, P1, P1, P2, P2, P2, Black, Black};
  for (const Colour& c : rest) {
    ASSERT_EQ(Next(), 0);
    EXPECT_EQ(Mismatches(frame, c), 0);
  }
  EXPECT_EQ(Next(), -1);
}

TEST_F(TimelineTest, ProgressValuesFollowTransitionLength) {
  auto progressOfFirstTransition = [&](int transFrames) {
    Prepare({p1}, 1, transFrames);
    std::vector<int> seen;
    for (int i = 0; i < transFrames - 1; ++i) {
      Next();
      seen.push_back(tl.LastProgress);
    }
    return seen;
  };
  const std::vector<int> thirty = progressOfFirstTransition(30);
  EXPECT_EQ(thirty.front(), 0);
  EXPECT_EQ(thirty[1], 3);
  EXPECT_EQ(thirty[2], 6);
  EXPECT_EQ(thirty[3], 10);
  EXPECT_EQ(thirty[4], 13);
  EXPECT_EQ(thirty.back(), 93);  // the 30th frame (96) ends the transition

  // 200 frames: every value 0..99 twice; 100 is never reached.
  const std::vector<int> twoHundred = progressOfFirstTransition(200);
  for (int i = 0; i < 199; ++i) EXPECT_EQ(twoHundred[i], i / 2) << i;
}

TEST_F(TimelineTest, SmallProgressRevealsRoundedExtents) {
  tl.EffectIndex = 5;
  Prepare({p1}, 1, 200);
  Next();  // progress 0
  Next();  // progress 0 again
  EXPECT_EQ(Mismatches(frame, Black), 0);
  Next();  // progress 1: X = MulDiv(40, 1, 100) = 0, still all black
  Next();
  for (int i = 0; i < 6; ++i) Next();  // up to progress 4: X = 2
  EXPECT_EQ(Mismatches(frame, [](int x, int y) { return x < 2 ? P1(x, y) : 0u; }), 0);
}

TEST_F(TimelineTest, SettingsTextsFallBackToDefaults) {
  tl.Pictures = {p1};
  struct Case {
    std::string size, rate, pic, trans;
    char sep;
    int w, h, fpp, fpt;
  };
  const std::vector<Case> cases = {
      {"320x240", "30/1", "2.0", "1.0", '.', 320, 240, 60, 30},
      {"640", "25/1", "1.5", "1.0", '.', 320, 640, 38, 25},
      {"abcxdef", "30000/1001", "2.0", "1.0", '.', 320, 320, 60, 30},
      {"1280x960", "25", "2.0", "", '.', 1280, 960, 2, 2},
      {"320x240", "30/1", "", "1.0", '.', 320, 240, 60, 30},
      {"320x240", "30/1", "2.0", "1.0", ',', 320, 240, 60, 60},  // both unreadable
      {"320x240", "30/1", "2,0", "1,0", ',', 320, 240, 60, 30},
      {"320x240", "30/0", "2.0", "1.0", '.', 320, 240, 1, 1},    // zero denominator
      {"320x240", "x/y", "0.001", "-3", '.', 320, 240, 1, 1},  // at least one frame
      {"320x240", "2147483647/1", "2", "1.0", '.', 320, 240, 2147483647, 2147483647},
      {"320x240", "30/1", "1e30", "1e-30", '.', 320, 240, 1, 1},  // beyond any count
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size + " " + c.rate + " " + c.pic + " " + c.trans);
    TimelineSettings s;
    s.FrameSize = c.size;
    s.FrameRate = c.rate;
    s.PictureDelay = c.pic;
    s.TransitionDelay = c.trans;
    s.DecimalSeparator = c.sep;
    tl.PrepareTimeline(s);
    EXPECT_EQ(tl.FrameWidth, c.w);
    EXPECT_EQ(tl.FrameHeight, c.h);
    EXPECT_EQ(tl.IncomingBitmap.Width(), c.w);
    EXPECT_EQ(tl.CompositeBitmap.Height(), c.h);
    EXPECT_EQ(tl.FramesPerPicture, c.fpp);
    EXPECT_EQ(tl.FramesPerTransition, c.fpt);
  }
}

TEST_F(TimelineTest, FrameSizesThatMakeNoPictureAreRefused) {
  for (const char* size : {"0x0", "-5x10", "10x-5", "99999x99999", "16385x10", "0x240"}) {
    TimelineSettings s;
    s.FrameSize = size;
    EXPECT_THROW(tl.PrepareTimeline(s), slideshow::TimelineError) << size;
  }
  TimelineSettings s;
  s.FrameSize = "1x16384";
  EXPECT_NO_THROW(tl.PrepareTimeline(s));
}

TEST_F(TimelineTest, SequentialEffectsContinueAcrossRunsAndWrap) {
  Prepare({p1}, 1, 1);
  EXPECT_EQ(tl.EffectIndex, 1);  // the first run starts at row 1
  RunToEnd();
  EXPECT_EQ(tl.EffectIndex, 3);  // two transitions used rows 1 and 2
  Prepare({p1}, 1, 1);
  EXPECT_EQ(tl.EffectIndex, 3);
  tl.EffectIndex = 176;
  Next();  // the intro transition ends at once
  EXPECT_EQ(tl.EffectIndex, 1);
}

TEST_F(TimelineTest, RandomEffectsFollowTheRunsSeedInOrder) {
  tl.Pictures = {p1, p2, p1};
  TimelineSettings s;
  s.FrameRate = "1/1";
  s.PictureDelay = "1";
  s.TransitionDelay = "1";
  s.RandomEffects = true;
  tl.PrepareTimeline(s);
  ASSERT_TRUE(tl.Plan.Seed.has_value());
  std::vector<int> chosen = {tl.EffectIndex};
  while (Next() == 0)
    if (!tl.InTransition && tl.HoldCounter == 0 && tl.PictureIndex < 3)
      chosen.push_back(tl.EffectIndex);
  gfx::SetRandSeed(*tl.Plan.Seed);
  std::vector<int> expected;
  for (int i = 0; i < 4; ++i) expected.push_back(gfx::Random(176) + 1);
  EXPECT_EQ(chosen, expected);
}

TEST_F(TimelineTest, BreakWhenNoPicturesAsksToStopOnEveryTailFrame) {
  int stops = 0;
  tl.OnStopRequest = [&] { ++stops; };
  Prepare({p1}, 1, 1);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(Next(), 0);  // intro, hold, outro
  EXPECT_EQ(stops, 0);
  ASSERT_EQ(Next(), 0);  // still a black frame
  EXPECT_EQ(Mismatches(frame, Black), 0);
  EXPECT_EQ(stops, 1);
  ASSERT_EQ(Next(), 0);
  EXPECT_EQ(Next(), -1);
  EXPECT_EQ(stops, 3);

  tl.BreakWhenNoPictures = false;
  Prepare({p1}, 1, 1);
  stops = 0;
  RunToEnd();
  EXPECT_EQ(stops, 0);
}

TEST_F(TimelineTest, PicturesAreFittedIntoTheFrame) {
  const std::string tall = (dir / "tall.bmp").string();
  testpics::WriteBmp24(tall, 10, 30, [](int, int) { return 0xFFFFFFu; });
  tl.EffectIndex = 5;
  Prepare({tall}, 1, 1);
  Next();  // intro
  ASSERT_EQ(Next(), 0);
  // a = 0.25, b = 1: c = (40 - 10) / 2 = 15 on each side.
  EXPECT_EQ(Mismatches(frame, [](int x, int) { return x >= 15 && x < 25 ? 0xFFFFFFu : 0u; }), 0);
}

TEST(FitRectTest, Examples) {
  const gfx::Rect frame{0, 0, 320, 240};
  EXPECT_EQ(TSlideshowTimeline::FitRect({0, 0, 800, 600}, frame), (gfx::Rect{0, 0, 320, 240}));
  EXPECT_EQ(TSlideshowTimeline::FitRect({0, 0, 600, 800}, frame), (gfx::Rect{70, 0, 250, 240}));
  EXPECT_EQ(TSlideshowTimeline::FitRect({0, 0, 100, 33}, frame), (gfx::Rect{0, 67, 320, 173}));
  // Half a pixel of margin rounds to the even neighbour: (240 - 239) / 2.
  EXPECT_EQ(TSlideshowTimeline::FitRect({0, 0, 320, 239}, frame), (gfx::Rect{0, 0, 320, 240}));
}

TEST_F(TimelineTest, UnreadablePicturesFailTheFrameRequest) {
  Prepare({}, 1, 1);
  EXPECT_THROW(Next(), std::out_of_range);  // nothing to show

  const std::string broken = (dir / "broken.bmp").string();
  std::ofstream(broken) << "BM not really";
  const std::string png = (dir / "photo.png").string();
  std::ofstream(png) << "not a picture at all";
  for (const std::string& bad : {broken, png, (dir / "missing.jpg").string()}) {
    Prepare({p1, bad}, 1, 1);
    Next();
    Next();
    EXPECT_THROW(Next(), gfx::PictureError) << bad;
  }
}

TEST_F(TimelineTest, PictureMadeAheadFailsWhereItIsShownWithTheSameText) {
  const std::string broken = (dir / "broken.bmp").string();
  std::ofstream(broken) << "BM not really";
  std::string direct;
  try {
    gfx::Bitmap decoded;
    gfx::DecodePicture(broken, decoded);
  } catch (const gfx::PictureError& e) {
    direct = e.what();
  }
  ASSERT_FALSE(direct.empty());
  // The first picture is made from the start of the run on.
  Prepare({broken}, 3, 2);
  try {
    Next();
    ADD_FAILURE() << "the broken picture was shown";
  } catch (const gfx::PictureError& e) {
    EXPECT_EQ(e.what(), direct);
  }

  // Made during the hold of the first picture; the failure waits for the
  // first frame of the transition into it.
  Prepare({p1, broken}, 3, 2);
  for (int call = 1; call <= 5; ++call) ASSERT_EQ(Next(), 0) << call;
  try {
    Next();
    ADD_FAILURE() << "the broken picture was shown";
  } catch (const gfx::PictureError& e) {
    EXPECT_EQ(e.what(), direct);
  }
}

TEST_F(TimelineTest, PictureMadeAheadIsDroppedWhenTheListChanged) {
  Prepare({p1, p2}, 3, 2);
  for (int call = 1; call <= 3; ++call) ASSERT_EQ(Next(), 0);  // the second picture is on its way
  tl.Pictures[1] = p1;
  for (int call = 4; call <= 8; ++call) ASSERT_EQ(Next(), 0);
  EXPECT_EQ(Mismatches(frame, P1), 0) << "the list's picture is held, not the one made ahead";

  // A run left in a hold waits for its worker on the way out.
  TSlideshowTimeline left;
  left.Pictures = {p1, p2};
  TimelineSettings s;
  s.FrameSize = "40x30";
  s.FrameRate = "1/1";
  s.PictureDelay = "3";
  s.TransitionDelay = "2";
  left.PrepareTimeline(s);
  for (int call = 1; call <= 3; ++call) ASSERT_EQ(left.FIAReadFrameCanvas(frame.GetCanvas()), 0);
}

// A camera picture stored on its side (tag 6): 30 x 40 stored, 40 x 30 upright,
// left half red, right half blue when upright.
std::string SidewaysJpeg(const std::filesystem::path& dir) {
  std::vector<uint8_t> rgb;
  for (int r = 0; r < 40; ++r)
    for (int c = 0; c < 30; ++c) {
      // Stored row r is upright column 39 - r; right half (x >= 20) blue.
      const bool blue = 39 - r >= 20;
      rgb.insert(rgb.end(), {uint8_t(blue ? 0 : 230), 0, uint8_t(blue ? 230 : 0)});
    }
  const auto jpeg = jpegtest::WithExifOrientation(jpegtest::Compress(rgb, 30, 40, TJPF_RGB, TJSAMP_444), 6);
  const std::string path = (dir / "sideways.jpg").string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), long(jpeg.size()));
  return path;
}

bool Reddish(uint32_t c) { return (c >> 16 & 255) > 180 && (c & 255) < 50; }
bool Bluish(uint32_t c) { return (c & 255) > 180 && (c >> 16 & 255) < 50; }

TEST_F(TimelineTest, SidewaysPhotosAreFittedUprightUnlessTurnedOff) {
  const std::string photo = SidewaysJpeg(dir);
  tl.Pictures = {photo};
  TimelineSettings s;
  s.FrameSize = "40x30";
  tl.PrepareTimeline(s);
  tl.LoadPicture(0);
  // Upright it has the frame's shape: no bands, red left, blue right.
  EXPECT_TRUE(Reddish(PixelAt(tl.IncomingBitmap, 0, 0)));
  EXPECT_TRUE(Reddish(PixelAt(tl.IncomingBitmap, 15, 29)));
  EXPECT_TRUE(Bluish(PixelAt(tl.IncomingBitmap, 39, 0)));
  EXPECT_TRUE(Bluish(PixelAt(tl.IncomingBitmap, 25, 29)));
  // Nothing reads the decoded picture again: its memory is given back.
  EXPECT_EQ(tl.DecodeBitmap.Width(), 0);

  s.ExifOrientation = false;
  tl.PrepareTimeline(s);
  tl.LoadPicture(0);
  // As stored it is portrait: 22.5 of 40 columns, bands of 9 left and right,
  // stored top (upright right, blue) at the top.
  EXPECT_EQ(PixelAt(tl.IncomingBitmap, 8, 15), 0u);
  EXPECT_EQ(PixelAt(tl.IncomingBitmap, 31, 15), 0u);
  EXPECT_TRUE(Bluish(PixelAt(tl.IncomingBitmap, 20, 0)));
  EXPECT_TRUE(Reddish(PixelAt(tl.IncomingBitmap, 20, 29)));
}

TEST_F(TimelineTest, SmoothFitAveragesWhereTheBlockyFitPicksPixels) {
  // A fine checker of two colours, twice the frame size.
  const std::string checker = (dir / "checker.bmp").string();
  testpics::WriteBmp24(checker, 2 * W, 2 * H,
                       [](int x, int y) { return (x + y) % 2 ? 0xC80000u : 0x0000C8u; });
  tl.Pictures = {checker};
  TimelineSettings s;
  s.FrameSize = "40x30";
  tl.PrepareTimeline(s);
  tl.LoadPicture(0);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const uint32_t c = PixelAt(tl.IncomingBitmap, x, y);
      ASSERT_TRUE(c == 0xC80000u || c == 0x0000C8u) << x << "," << y;
    }
  s.SmoothFit = true;
  tl.PrepareTimeline(s);
  tl.LoadPicture(0);
  EXPECT_EQ(Mismatches(tl.IncomingBitmap, [](int, int) { return 0x640064u; }), 0);
  EXPECT_EQ(tl.DecodeBitmap.Width(), 0);
}

}  // namespace
