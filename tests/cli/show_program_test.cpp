// Show files through lanternslide-render: written from a command line,
// rendered, overridden, refused.
#include <fstream>
#include <regex>

#include "e2e/e2e_support.h"
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
    args.insert(args.end(), {"-o", (dir_ / video).string()});
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

}  // namespace
