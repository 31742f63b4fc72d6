// The renderer following its music: a playlist fitted so video and sound end
// together, cuts on the beats of a click track, and the music options' refusals.
#include <cmath>
#include <fstream>
#include <numbers>

#include "cli/music_track.h"
#include "cli/slideshow_render.h"
#include "e2e/e2e_support.h"
#include "engine/transcoder.h"
#include "program_runner.h"
#include "wav_file.h"

namespace {

namespace fs = std::filesystem;
using clitest::RunProgram;

class Music : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::InitMedia(); }
  void SetUp() override {
    dir_ = e2e::Scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
    pictures_ = e2e::MakePictures(dir_);
  }
  // The generated pictures over and over, `count` in all.
  std::vector<std::string> Pictures(size_t count) const {
    std::vector<std::string> p;
    while (p.size() < count) p.push_back(pictures_[p.size() % pictures_.size()]);
    return p;
  }
  fs::path dir_;
  std::vector<std::string> pictures_;
};

// Ticks 30 ms long every half second from 0.25 s.
constexpr double kFirstClick = 0.25, kClickPeriod = 0.5;
double ClickTrack(double t) {
  const double in = std::fmod(t - kFirstClick + kClickPeriod, kClickPeriod);
  return in < 0.03 ? 0.8 * std::exp(-100 * in) * std::sin(2 * std::numbers::pi * 2000 * in) : 0;
}

// Fitted, the video ends with the playlist; not fitted, the longer music is
// cut (faded) where the pictures end. Either way the sound ends with the
// video within one frame.
TEST_F(Music, SoundEndsWithTheVideoWithinOneFrame) {
  struct Case {
    const char* file;
    size_t pictures;
    double first, second;  // seconds of the two sound files
    bool fit;
  };
  for (const Case& c :
       {Case{"three.mp4", 3, 3.0, 4.2, true}, Case{"twelve.mkv", 12, 5.5, 6.31, true},
        Case{"cut.mp4", 3, 6.0, 4.0, false}}) {
    SCOPED_TRACE(c.file);
    e2e::WriteWav(dir_ / "a.wav", c.first);
    e2e::WriteWav(dir_ / "b.wav", c.second, 22050, 1);
    const fs::path output = dir_ / c.file;
    std::vector<std::string> args = {"--every-frame",
                                     "--audio",
                                     (dir_ / "a.wav").string(),
                                     "--music",
                                     (dir_ / "b.wav").string(),
                                     "--crossfade",
                                     "0.5",
                                     "--transition-delay",
                                     "0.3",
                                     "-o",
                                     output.string()};
    if (c.fit) args.push_back("--fit-to-music");
    for (const std::string& p : Pictures(c.pictures)) args.push_back(p);
    const clitest::ProgramResult r = RunProgram(args, dir_);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const e2e::FileFacts facts = e2e::Probe(output.string(), false);
    const e2e::StreamFacts* video = facts.Find(AVMEDIA_TYPE_VIDEO);
    const e2e::StreamFacts* audio = facts.Find(AVMEDIA_TYPE_AUDIO);
    ASSERT_TRUE(video && audio) << facts.error;
    const double music = c.first + c.second - 0.5;
    // Not fitted: 2 s holds and 0.3 s transitions, and the two black frames.
    const double shown = c.fit ? music : (c.pictures * 2.0 + (c.pictures + 1) * 0.3) + 2 / 30.0;
    EXPECT_NEAR(video->frames / 30.0, shown, 0.5 / 30);
    EXPECT_NEAR(double(audio->samples) / audio->sampleRate, video->frames / 30.0, 1 / 30.0);
  }
}

// The whole chain short of encoding: beats found on a click track, the
// timeline's transitions each starting within one frame of a click; fitted
// too, all but the cut into black, and the video ends with the music.
TEST_F(Music, CutsOnTheBeatsOfAClickTrack) {
  const fs::path clicks = dir_ / "clicks.wav";
  testwav::WritePcm16(clicks, 44100, 2, 44100 * 12, [](int, uint32_t i) {
    return int16_t(std::lround(ClickTrack(i / 44100.0) * 32767));
  });
  for (const bool fit : {false, true}) {
    SCOPED_TRACE(fit ? "fitted" : "not fitted");
    cli::RenderOptions o;
    o.Pictures = Pictures(8);
    o.Audio = clicks.string();
    o.Music.Sync = "beats";
    o.Music.FitToMusic = fit;
    o.PictureDelay = "0.8";
    o.TransitionDelay = "0.4";
    cli::SlideshowRender render(o);
    slideshow::TSlideshowTimeline& timeline = render.Timeline();
    const auto track = cli::PrepareMusic(o, timeline, {}, [](const std::string&) {});
    ASSERT_TRUE(track);
    if (fit) {
      EXPECT_EQ(timeline.TotalFrames(), 12 * 30);
    }

    gfx::Bitmap canvas(320, 240);
    std::vector<long long> starts;
    for (long long frame = 0;; ++frame) {
      const bool starting = timeline.InTransition && timeline.TransitionCounter == 0 &&
                            timeline.PictureIndex >= 0 &&
                            timeline.PictureIndex < int(o.Pictures.size());
      if (timeline.FIAReadFrameCanvas(canvas.GetCanvas()) < 0) break;
      if (starting) starts.push_back(frame);
    }
    ASSERT_EQ(starts.size(), o.Pictures.size());
    if (fit) starts.pop_back();
    for (long long frame : starts) {
      const double t = frame / 30.0;
      const double click =
          kFirstClick + std::round((t - kFirstClick) / kClickPeriod) * kClickPeriod;
      EXPECT_LE(std::abs(t - click), 1 / 30.0) << "transition at frame " << frame;
    }
  }
}

// Two MP3s of different rate and channels joined byte for byte, as joined
// recordings are: the reader follows the change instead of misreading it.
TEST_F(Music, FollowsASoundFormatThatChangesMidFile) {
  auto mp3 = [&](const fs::path& path, double seconds, const std::string& options) {
    e2e::WriteWav(dir_ / "tone.wav", seconds);
    engine::TTranscoder engine;
    ASSERT_GE(engine.OpenInput((dir_ / "tone.wav").string()), 0);
    engine.ParseOptions("-c:a libmp3lame " + options);
    ASSERT_GE(engine.OpenOutput(path.string()), 0);
    engine.Run();
    ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  };
  mp3(dir_ / "one.mp3", 2.0, "-ar 44100 -ac 2");
  mp3(dir_ / "two.mp3", 1.0, "-ar 22050 -ac 1");
  const fs::path joined = dir_ / "joined.mp3";
  {
    std::ofstream out(joined, std::ios::binary);
    for (const char* part : {"one.mp3", "two.mp3"})
      out << std::ifstream(dir_ / part, std::ios::binary).rdbuf();
  }
  encoder::SoundTrack track({{{joined.string()}}});
  // Both parts, give or take the encoders' padding and the skipped header.
  EXPECT_NEAR(track.Seconds(track.Frames()), 3.0, 0.15);
  float peak = 0;
  track.ForEachBlock([&](const float* s, size_t n) {
    for (size_t i = 0; i < 2 * n; ++i) peak = std::max(peak, std::abs(s[i]));
  });
  EXPECT_GT(peak, 0.05f);
}

TEST_F(Music, PlaylistKeepsTheOrderGiven) {
  const std::vector<std::string> args = {"--music", "b.ogg",  "--audio",     "a.mp3",
                                         "--music", "c.flac", "--crossfade", "2.5",
                                         "-o",      "x.mp4",  "p.jpg"};
  const cli::MusicOptions m = cli::ParseCommandLine(args).options.Music;
  EXPECT_EQ(m.Files, (std::vector<std::string>{"b.ogg", "c.flac"}));
  EXPECT_EQ(m.Crossfade, 2.5);
}

TEST_F(Music, RefusesMusicOptionsItCannotUse) {
  const struct {
    std::vector<std::string> args;
    const char* words;
  } cases[] = {
      {{"--sync", "bars"}, "--sync \"bars\""},
      {{"--loudness", "3"}, "-70 to -5"},
      {{"--fade-out", "-1"}, "--fade-out \"-1\""},
      {{"--fit-to-music"}, "give the music"},
      {{"--music", (dir_ / "gone.mp3").string()}, "gone.mp3"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    for (const std::string& a : {std::string("-o"), (dir_ / "x.mp4").string(), pictures_[0]})
      args.push_back(a);
    const clitest::ProgramResult r = RunProgram(args, dir_);
    EXPECT_EQ(r.exitCode, 2) << c.words;
    EXPECT_NE(r.err.find(c.words), std::string::npos) << r.err;
  }
}

// Music too short for the holds it must carry: the refusal names where the
// fit was asked for, the show file or the command line.
TEST_F(Music, FitRefusalNamesWhereTheFitWasAsked) {
  e2e::WriteWav(dir_ / "short.wav", 0.2);
  const fs::path show = dir_ / "short.toml";
  std::ofstream(show) << "[show]\nsound = [\"short.wav\"]\nfit_to_music = true\nmin_hold = 2\n"
                      << "[[slide]]\npicture = \"" << pictures_[0] << "\"\n[[slide]]\npicture = \"" << pictures_[1]
                      << "\"\n";
  for (const bool onLine : {false, true}) {
    std::vector<std::string> args = {show.string(), "-o", (dir_ / "x.mp4").string()};
    if (onLine) args.push_back("--fit-to-music");
    const clitest::ProgramResult r = RunProgram(args, dir_);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find(onLine ? "--fit-to-music: " : show.string() + ": fit_to_music: "), std::string::npos) << r.err;
  }
}

}  // namespace
