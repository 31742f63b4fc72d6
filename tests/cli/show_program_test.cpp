// Show files through lanternslide-render: written from a command line,
// rendered, overridden, refused.
#include <fstream>
#include <regex>

#include "cli/render_options.h"
#include "e2e/e2e_support.h"
#include "slideshow/show_file.h"
#include "program_runner.h"

namespace {

namespace fs = std::filesystem;
using clitest::ProgramResult;
using clitest::RunProgram;

class ShowProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::InitMedia(); }
  void SetUp() override {
    dir_ = e2e::Scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
    pictures_ = e2e::MakePictures(dir_);
  }
  // Runs the renderer and gives the decoded frames of the video it wrote.
  std::vector<std::vector<uint8_t>> Frames(std::vector<std::string> args, const std::string& video,
                                           ProgramResult* result = nullptr) {
    // Frames are counted: every one is encoded.
    args.insert(args.end(), {"--every-frame", "-o", (dir_ / video).string()});
    const ProgramResult r = RunProgram(args, dir_);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    if (result) *result = r;
    return e2e::Probe((dir_ / video).string(), true).streams.at(0).pictures;
  }
  std::vector<std::string> WithPictures(std::vector<std::string> args) const {
    args.insert(args.end(), pictures_.begin(), pictures_.end());
    return args;
  }
  fs::path dir_;
  std::vector<std::string> pictures_;
};

TEST_F(ShowProgram, AWrittenShowRendersAsItsCommandLineAndAPrintedSeedRepeatsTheEffects) {
  const std::vector<std::string> line = {"--size", "160x120", "--picture-delay", "0.5",
                                         "--transition-delay", "0.3", "--seed", "4242", "-q"};
  fs::create_directories(dir_ / "shows");
  const std::string show = (dir_ / "shows" / "trip.toml").string();
  std::vector<std::string> write = WithPictures(line);
  write.insert(write.end(), {"--write-show", show});
  const ProgramResult written = RunProgram(write, dir_);
  ASSERT_EQ(written.exitCode, 0) << written.err;
  EXPECT_FALSE(fs::exists(dir_ / "trip.mp4"));

  const auto fromLine = Frames(WithPictures(line), "line.mkv");
  EXPECT_EQ(fromLine.size(), 83u);
  EXPECT_TRUE(Frames({show, "-q"}, "show.mkv") == fromLine);

  // Without a seed one is drawn and told; given back, it draws the same.
  ProgramResult drawn;
  const auto first = Frames(WithPictures({"--size", "160x120", "--picture-delay", "0.5",
                                          "--transition-delay", "0.3"}),
                            "drawn.mkv", &drawn);
  std::smatch seed;
  ASSERT_TRUE(std::regex_search(drawn.out, seed, std::regex("--seed (\\d+)"))) << drawn.out;
  const auto again = Frames(WithPictures({"--size", "160x120", "--picture-delay", "0.5",
                                          "--transition-delay", "0.3", "--seed", seed[1]}),
                            "again.mkv");
  EXPECT_TRUE(again == first);
}

TEST_F(ShowProgram, SlidesKeepTheirOwnValuesWhereTheCommandLineSetsTheShows) {
  const std::string show = (dir_ / "mixed.toml").string();
  std::ofstream(show) << "[show]\nhold = 0.5\ntransition = 0.3\neffect = \"sequential\"\n"
                         "[[slide]]\npicture = \"one.bmp\"\nhold = 1.2\neffect = \"none\"\n"
                         "[[slide]]\npicture = \"two.jpg\"\ntransition = 0.1\neffect = 5\n"
                         "[[slide]]\npicture = \"three.bmp\"\n";
  // At 30/1 with the show-wide hold made 1 s: intro 9, one 36 + cut, two
  // 30 + 3, three 30 + 9, and 2 black frames.
  const auto frames = Frames({show, "--size", "240x160", "--picture-delay", "1", "-q"}, "m.mkv");
  EXPECT_EQ(frames.size(), 119u);
  EXPECT_EQ(e2e::Probe((dir_ / "m.mkv").string(), false).streams.at(0).width, 240);

  // Refusals take one line and write nothing; an existing show is never
  // written over.
  std::ofstream(show) << "[[slide]]\npicture = \"gone.jpg\"\n[[slide]]\npicture = \"lost.png\"\n";
  const auto before = fs::file_size(show);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{show, "-o", "x.mp4"},
        std::vector<std::string>{pictures_[0], "--write-show", "w.toml", "-o", "x.mp4"},
        std::vector<std::string>{pictures_[0], "--write-show", show}}) {
    const ProgramResult r = RunProgram(args, dir_);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.ErrLines(), 1) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "x.mp4") || fs::exists(dir_ / "w.toml"));
  }
  EXPECT_EQ(fs::file_size(show), before);
}

// A slide's own motion and caption reach its frames, and the command line's
// show-wide look leaves them be.
TEST_F(ShowProgram, ASlidesOwnMotionAndCaptionReachTheFrames) {
  const std::string head = "[show]\nsize = \"96x64\"\nhold = 0.3\neffect = \"none\"\ncaption_size = 0.3\n"
                           "caption_fade = 0\n[[slide]]\npicture = \"one.bmp\"\n";
  const std::string plain = (dir_ / "plain.toml").string(), dressed = (dir_ / "dressed.toml").string();
  std::ofstream(plain) << head << "[[slide]]\npicture = \"three.bmp\"\n";
  std::ofstream(dressed) << head << "motion = \"zoom-in\"\n[[slide]]\npicture = \"three.bmp\"\ncaption = \"Hi\"\n";
  // Two slides of 9 frames, cut, and the two black frames.
  const auto still = Frames({plain, "-q"}, "plain.mkv");
  const auto moved = Frames({dressed, "--motion", "none", "-q"}, "dressed.mkv");
  ASSERT_EQ(still.size(), 20u);
  ASSERT_EQ(moved.size(), 20u);
  EXPECT_GT(e2e::Psnr(still[0], still[8]), 40);
  EXPECT_LT(e2e::Psnr(moved[0], moved[8]), 30);
  EXPECT_LT(e2e::Psnr(still[12], moved[12]), 30);
}

// --write-show keeps the command line's look and music; rendering the file,
// the options given win over its values and leave the others.
TEST_F(ShowProgram, TheLookAndMusicOfTheCommandLineGoIntoTheFileAndOverrideIt) {
  e2e::WriteWav(dir_ / "a.wav", 0.5);
  e2e::WriteWav(dir_ / "b.wav", 0.5);
  std::ofstream(dir_ / "caps.txt") << "first\n\nthird\n";
  const std::string show = (dir_ / "w.toml").string();
  const ProgramResult written = RunProgram(
      WithPictures({"--write-show", show, "--audio", (dir_ / "a.wav").string(), "--music", (dir_ / "b.wav").string(), "--crossfade", "0.25",
                    "--fade-in", "1", "--end-fade", "0", "--sync", "onsets", "--loudness", "-20",
                    "--fit", "fill", "--motion", "zoom-out", "--easing", "linear", "--caption-place",
                    "top", "--captions", (dir_ / "caps.txt").string(), "-q"}),
      dir_);
  ASSERT_EQ(written.exitCode, 0) << written.err;
  const slideshow::Show file = slideshow::ReadShowFile(show);
  const slideshow::ShowSettings& s = file.Settings;
  ASSERT_EQ(s.Sound.size(), 2u);
  EXPECT_EQ(fs::path(s.Sound[1].File).filename(), "b.wav");
  EXPECT_EQ(s.Music, (slideshow::MusicSettings{1, 0, 0.25, 0, false, 0.5, slideshow::MusicSync::Onsets, -20.0}));
  EXPECT_EQ(s.Fit, slideshow::FitMode::Fill);
  EXPECT_EQ(s.Motion, (slideshow::MotionSpec{slideshow::MotionKind::ZoomOut, slideshow::Easing::Linear}));
  EXPECT_EQ(s.Captions.place, slideshow::CaptionPlace::Top);
  EXPECT_EQ(file.Slides.at(0).Caption, "first");
  EXPECT_EQ(file.Slides.at(2).Caption, "third");

  const std::string b = (dir_ / "b.wav").string();
  const std::vector<std::string> args = {show, "--crossfade", "0", "--motion", "pan-up", "--music", b,
                                         "-o", (dir_ / "x.mp4").string()};
  const cli::RenderOptions o = cli::ParseCommandLine(args).options;
  EXPECT_EQ(o.Music.Crossfade, 0);
  EXPECT_EQ(o.Music.Sync, "onsets");
  EXPECT_EQ(o.Music.FadeIn, 1);
  // --music replaced the file's list; the run plays its first as --audio.
  EXPECT_EQ(o.Audio, b);
  EXPECT_TRUE(o.Music.Files.empty());
  const slideshow::ShowSettings& now = o.Show.Composed.Settings;
  EXPECT_EQ(now.Motion, (slideshow::MotionSpec{slideshow::MotionKind::PanUp, slideshow::Easing::Linear}));
  EXPECT_EQ(now.Fit, slideshow::FitMode::Fill);
}

}  // namespace
