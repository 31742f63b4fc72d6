// A show rendered as parts and joined plays as the show rendered in one
// run: the same frames at the same times, the same sound; joins that
// cannot be right are refused before anything is written.
#include <cmath>

#include "cli/render_options.h"
#include "cli/segments.h"
#include "e2e/e2e_support.h"
#include "playback_check.h"
#include "program_runner.h"

namespace {

namespace fs = std::filesystem;
using clitest::RunProgram;

struct Decoded {
  std::vector<double> times;                // video frames, seconds
  std::vector<std::vector<uint8_t>> lumas;  // their Y planes
  std::vector<float> sound;                 // first channel
};

Decoded Decode(const std::string& path, bool sound = true) {
  Decoded d;
  const playcheck::Playback p = playcheck::DecodeEveryFrame(path, [&](const AVStream& st, const AVFrame& f) {
    if (st.codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
      const float* s = reinterpret_cast<const float*>(f.data[0]);  // AAC decodes to planar float
      d.sound.insert(d.sound.end(), s, s + f.nb_samples);
      return;
    }
    d.times.push_back(double(f.best_effort_timestamp) * av_q2d(st.time_base));
    std::vector<uint8_t> y;
    for (int row = 0; row < f.height; ++row)
      y.insert(y.end(), f.data[0] + row * f.linesize[0], f.data[0] + row * f.linesize[0] + f.width);
    d.lumas.push_back(std::move(y));
  });
  EXPECT_TRUE(p.Plays(sound)) << path << ": " << p.problem;
  return d;
}

double LumaPsnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
  return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

// The frame a player shows at time t.
size_t ShownAt(const Decoded& d, double t) {
  size_t shown = 0;
  while (shown + 1 < d.times.size() && d.times[shown + 1] <= t + 1e-6) ++shown;
  return shown;
}

class SplitShow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::InitMedia(); }
  void SetUp() override {
    dir_ = e2e::Scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_ / "out");
    fs::create_directories(dir_ / "out");
    pictures_ = e2e::MakePictures(dir_);
    e2e::WriteWav(dir_ / "tone.wav", 4);
  }
  // The show's options, its pictures, then extra ones (--join's parts run to the end).
  std::vector<std::string> Args(std::vector<std::string> extra, const std::string& seed = "7") const {
    std::vector<std::string> args{"--size", "160x120", "--seed", seed, "--picture-delay", "0.5",
                                  "--transition-delay", "0.3", "--audio", (dir_ / "tone.wav").string(), "-q"};
    args.insert(args.end(), pictures_.begin(), pictures_.end());
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  std::string Out(const std::string& name) const { return (dir_ / "out" / name).string(); }
  void Render(std::vector<std::string> extra, const std::string& seed = "7") const {
    const clitest::ProgramResult r = RunProgram(Args(std::move(extra), seed), dir_);
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  fs::path dir_;
  std::vector<std::string> pictures_;
};

TEST_F(SplitShow, JoinedPartsPlayAsOneRun) {
  for (const bool everyFrame : {true, false}) {
    SCOPED_TRACE(everyFrame ? "every frame encoded" : "held pictures once");
    const std::vector<std::string> speed = everyFrame ? std::vector<std::string>{"--every-frame"}
                                                       : std::vector<std::string>{};
    auto with = [&](std::vector<std::string> more) {
      more.insert(more.end(), speed.begin(), speed.end());
      return more;
    };
    Render(with({"-o", Out("one.mp4")}));
    Render(with({"--segment", "1/2", "-o", Out("part1.mp4")}));
    Render(with({"--segment", "2/2", "-o", Out("part2.mp4")}));
    // One pass each way: the sound encoded by the join, or by a run of its own.
    const bool soundPart = !everyFrame;
    if (soundPart) Render(with({"--segment", "sound", "-o", Out("sound.mp4")}));
    // In any order: a shell's sorting puts part10 before part2.
    std::vector<std::string> join{"-o", Out("joined.mp4"), "--join", Out("part2.mp4"), Out("part1.mp4")};
    if (soundPart) join.insert(join.begin() + 4, Out("sound.mp4"));
    Render(with(join));

    const Decoded one = Decode(Out("one.mp4")), joined = Decode(Out("joined.mp4"));
    ASSERT_FALSE(one.times.empty());
    if (everyFrame) {
      EXPECT_EQ(joined.times, one.times);
    } else {
      EXPECT_NEAR(joined.times.back(), one.times.back(), 1.0 / 30 + 1e-6);
    }
    // Every frame time of the show (the constant-rate run's when every frame
    // is encoded) shows the same picture, up to the encoder's loss.
    const Decoded& grid = everyFrame ? one : joined;
    for (double t : grid.times) {
      const double psnr = LumaPsnr(one.lumas[ShownAt(one, t)], joined.lumas[ShownAt(joined, t)]);
      EXPECT_GT(psnr, 34) << "at " << t << " s";
    }
    // The sound is encoded once, as in one run: the same samples.
    EXPECT_EQ(joined.sound.size(), one.sound.size());
    EXPECT_TRUE(joined.sound == one.sound);
  }
}

// A part skips the frames before it, yet paints the same frames as one run:
// shredded edges draw from the shared generator frame by frame, random
// pixels are seeded by the picture. Lossless, so decoded frames are painted ones.
TEST_F(SplitShow, PartsPaintTheFramesOfOneRun) {
  for (const char* effect : {"66", "169"}) {
    SCOPED_TRACE(std::string("effect ") + effect);
    const std::vector<std::string> look{"--effect", effect, "--every-frame", "--quality", "0"};
    auto with = [&](std::vector<std::string> more) {
      more.insert(more.end(), look.begin(), look.end());
      return more;
    };
    Render(with({"-o", Out("one.mp4")}));
    const Decoded one = Decode(Out("one.mp4"));
    for (const char* part : {"2/3", "3/3"}) {
      SCOPED_TRACE(std::string("part ") + part);
      Render(with({"--segment", part, "-o", Out("part.mp4")}));
      const Decoded d = Decode(Out("part.mp4"), false);
      ASSERT_FALSE(d.lumas.empty());
      // Every frame of a hold is the same: the first match is the part's first frame.
      const size_t first = size_t(std::find(one.lumas.begin(), one.lumas.end(), d.lumas[0]) - one.lumas.begin());
      ASSERT_GT(first, 0u);
      ASSERT_EQ(first + d.lumas.size(), part == std::string("3/3") ? one.lumas.size() : first + d.lumas.size());
      for (size_t i = 0; i < d.lumas.size(); ++i)
        ASSERT_TRUE(first + i < one.lumas.size() && d.lumas[i] == one.lumas[first + i]) << "frame " << first + i;
    }
  }
}

TEST_F(SplitShow, JoinsThatCannotBeRightAreRefusedWritingNothing) {
  Render({"--segment", "1/2", "-o", Out("part1.mp4")});
  Render({"--segment", "2/2", "-o", Out("part2.mp4")});
  Render({"--segment", "2/2", "-o", Out("other2.mp4")}, "8");
  Render({"--segment", "1/3", "-o", Out("third1.mp4")});
  Render({"--segment", "sound", "-o", Out("sound.mp4")});
  Render({"--segment", "sound", "-o", Out("other.mp4")}, "8");
  Render({"--segment", "sound", "-o", Out("sound.mkv")});
  Render({"--segment", "sound", "--fade-in", "1", "-o", Out("faded.mp4")});
  struct Case {
    std::vector<std::string> parts;
    const char* says;
  } cases[] = {
      {{Out("part1.mp4")}, "part 2 of 2 is missing"},
      {{Out("part1.mp4"), Out("part1.mp4")}, "are both part 1 of 2"},
      {{Out("part1.mp4"), Out("other2.mp4")}, "a part of another show"},
      {{Out("part1.mp4"), Out("third1.mp4")}, "give the parts of one split"},
      {{Out("part1.mp4"), pictures_[0]}, "not a part written with --segment"},
      {{Out("part1.mp4"), Out("part2.mp4"), Out("sound.mp4"), Out("sound.mp4")}, "are both the sound part"},
      {{Out("part1.mp4"), Out("part2.mp4"), Out("other.mp4")}, "a part of another show"},
      {{Out("part1.mp4"), Out("part2.mp4"), Out("sound.mkv")}, "must be written as .mp4"},
      {{Out("part1.mp4"), Out("part2.mp4"), Out("faded.mp4")}, "other sound files or fades"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> extra{"-o", Out("joined.mp4"), "--join"};
    extra.insert(extra.end(), c.parts.begin(), c.parts.end());
    const clitest::ProgramResult r = RunProgram(Args(extra), dir_);
    EXPECT_EQ(r.exitCode, 2) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_EQ(clitest::FolderEntries(dir_ / "out").size(), 8u);
  // A part must not draw its own effects, nor be one the show does not have.
  EXPECT_EQ(RunProgram({"--segment", "3/2", "-o", Out("x.mp4"), pictures_[0]}, dir_).exitCode, 2);
  EXPECT_EQ(RunProgram({"--segment", "1/2", "-o", Out("x.mp4"), pictures_[0], pictures_[1]}, dir_).exitCode, 2);
  EXPECT_EQ(RunProgram(Args({"--segment", "1/4", "-o", Out("x.mp4")}), dir_).exitCode, 2);
}

// Parts cut the show where holds start, nearest to equal shares, and tile it.
TEST(SplitShowParts, PartsTileTheShowAtHoldStarts) {
  slideshow::ShowPlan plan;
  plan.HoldFrames = {60, 10, 90, 30, 30};
  for (int t : {15, 0, 15, 15, 30, 15}) plan.Transitions.push_back(slideshow::TransitionPlan{.Frames = t, .Effect = {}});
  const std::vector<int64_t> holdStarts{15, 75, 100, 205, 265};
  for (int n = 1; n <= 5; ++n) {
    int64_t at = 0;
    for (int k = 1; k <= n; ++k) {
      const cli::FrameSpan s = cli::PartFrames(plan, k, n);
      EXPECT_EQ(s.First, at);
      EXPECT_LT(s.First, s.End);
      if (k > 1) {
        EXPECT_NE(std::find(holdStarts.begin(), holdStarts.end(), s.First), holdStarts.end());
      }
      at = s.End;
    }
    EXPECT_EQ(at, plan.TotalFrames());
  }
  EXPECT_EQ(cli::PartFrames(plan, 2, 2).First, 205);  // of 312 frames, the start nearest 156
  EXPECT_THROW(cli::PartFrames(plan, 1, 6), cli::UsageError);

  for (const cli::PartTag& tag : {cli::PartTag{false, 2, 3, {75, 100}, 312, "00ff", ""}, cli::PartTag{true, 0, 0, {}, 312, "00ff", "12ab"}})
    EXPECT_EQ(cli::ParsePartTag(cli::PartTagText(tag)), tag);
  for (const char* bad : {"", "lanternslide part 3/2 frames 0-1 of 2 show a", "lanternslide part 1/1 frames 5-5 of 9 show a",
                          "lanternslide part 1/1 frames 0-9 of 9 show a extra", "lanternslide sound of 0 show a"})
    EXPECT_FALSE(cli::ParsePartTag(bad)) << bad;
}

}  // namespace
