// Runs that cannot work: they end with a clear error and leave nothing
// behind that looks like a finished video.
#include <fstream>
#include <random>

#include "e2e_support.h"

namespace e2e {
namespace {

class RunFailureTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitMedia(); }
};

TEST_F(RunFailureTest, PictureThatCannotBeReadEndsTheRunNamingTheFile) {
  const fs::path dir = Scratch("broken_picture");
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  const fs::path broken = dir / "broken.bmp";
  std::ofstream(broken, std::ios::binary) << "BM this is not a picture";
  run.pictures.insert(run.pictures.begin() + 1, broken.string());
  run.output = (dir / "show.mp4").string();
  fs::remove(run.output);
  run.Execute();
  ASSERT_GE(run.openOutputResult, 0) << run.lastErrorText;
  EXPECT_TRUE(run.errorOccurred);
  EXPECT_FALSE(run.finished);
  EXPECT_NE(run.errorMessage.find("broken.bmp"), std::string::npos) << run.errorMessage;
  // Only the frames before the broken picture were composed.
  EXPECT_LT(run.composed.size(), size_t(run.totalFrames));
}

TEST_F(RunFailureTest, SoundFileOfRandomBytesIsRefusedAtOpen) {
  const fs::path dir = Scratch("noise_file");
  const fs::path noise = dir / "noise.mp3";
  std::mt19937 gen(7);
  std::ofstream out(noise, std::ios::binary);
  for (int i = 0; i < 20000; ++i) out.put(char(gen() & 0xFF));
  out.close();
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  run.audio = noise.string();
  run.output = (dir / "show.avi").string();
  fs::remove(run.output);
  run.Execute();
  EXPECT_LT(run.openAudioResult, 0);
  EXPECT_NE(run.lastErrorText.find("noise.mp3"), std::string::npos) << run.lastErrorText;
  EXPECT_FALSE(fs::exists(run.output));
}

TEST_F(RunFailureTest, EncoderThatCannotOpenLeavesNoOutputFile) {
  const fs::path dir = Scratch("bad_encoder");
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  run.output = (dir / "show.mkv").string();
  // MPEG-4 refuses time bases beyond 16 bits. (libx264's own refusals
  // leak inside libx264, which the leak checker would blame on us.)
  run.extraOutputOptions = "-c:v mpeg4 -r 1000000/1";
  run.Execute();
  ASSERT_GE(run.openOutputResult, 0) << run.lastErrorText;
  EXPECT_TRUE(run.errorOccurred);
  EXPECT_NE(run.errorMessage.find("Error while opening encoder for output stream #0:0"),
            std::string::npos)
      << run.errorMessage;
  EXPECT_FALSE(fs::exists(run.output));
}

}  // namespace
}  // namespace e2e
