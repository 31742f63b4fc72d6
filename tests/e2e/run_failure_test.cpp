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

// Two good pictures, a broken one, one more good one.
SlideshowRun BrokenThirdPictureRun(const fs::path& dir, const std::string& output) {
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  const fs::path broken = dir / "broken.bmp";
  std::ofstream(broken, std::ios::binary) << "BM this is not a picture";
  run.pictures.insert(run.pictures.begin() + 2, broken.string());
  run.output = (dir / output).string();
  fs::remove(run.output);
  return run;
}

TEST_F(RunFailureTest, RunBrokenOffByAPictureLeavesAFileThatPlaysTheFramesBefore) {
  for (const std::string container : {"mp4", "mkv", "avi"}) {
    SCOPED_TRACE(container);
    SlideshowRun run = BrokenThirdPictureRun(Scratch("broken_third_" + container), "show." + container);
    run.Execute();
    ASSERT_GE(run.openOutputResult, 0) << run.lastErrorText;
    EXPECT_TRUE(run.errorOccurred);
    EXPECT_FALSE(run.finished);
    EXPECT_NE(run.errorMessage.find("broken.bmp"), std::string::npos) << run.errorMessage;
    // The frames up to the broken picture: two pictures and a transition at least.
    ASSERT_GT(run.composed.size(), size_t(2 * run.framesPerPicture));
    ASSERT_EQ(run.kept.size(), 1u);
    EXPECT_EQ(run.kept[0].file, run.output);
    EXPECT_TRUE(run.kept[0].video);
    // Every frame handed to the engine was encoded, also those the encoder
    // still held when the picture failed.
    EXPECT_EQ(run.kept[0].frames, int64_t(run.composed.size()));

    const FileFacts facts = Probe(run.output, false);
    ASSERT_TRUE(facts.opened) << facts.error;
    ASSERT_EQ(facts.Count(AVMEDIA_TYPE_VIDEO), 1);
    const StreamFacts& video = *facts.Find(AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(video.refused, 0);
    EXPECT_EQ(video.packets, run.kept[0].frames);
    EXPECT_EQ(video.frames, run.kept[0].frames);
  }
}

TEST_F(RunFailureTest, RunBrokenOffBeforeItsFirstFrameLeavesNoFile) {
  const fs::path dir = Scratch("broken_first");
  SlideshowRun run = BrokenThirdPictureRun(dir, "show.mp4");
  run.pictures.erase(run.pictures.begin(), run.pictures.begin() + 2);
  run.Execute();
  ASSERT_GE(run.openOutputResult, 0) << run.lastErrorText;
  EXPECT_TRUE(run.errorOccurred);
  EXPECT_NE(run.errorMessage.find("broken.bmp"), std::string::npos) << run.errorMessage;
  EXPECT_TRUE(run.composed.empty());
  EXPECT_TRUE(run.kept.empty());
  EXPECT_FALSE(fs::exists(run.output));
}

TEST_F(RunFailureTest, OptionsThatLetNoFrameThroughAreAnErrorAndLeaveNoFile) {
  const fs::path dir = Scratch("no_frames");
  const std::vector<std::string> pictures = MakePictures(dir);
  for (const std::string options : {"-t 0", "-t -1", "-fs 0", "-fs -1", "-vframes 0"}) {
    SCOPED_TRACE(options);
    SlideshowRun run;
    run.pictures = pictures;
    run.output = (dir / "show.mp4").string();
    run.extraOutputOptions = options;
    run.Execute();
    ASSERT_GE(run.openOutputResult, 0) << run.lastErrorText;
    EXPECT_TRUE(run.errorOccurred);
    EXPECT_FALSE(run.finished);
    EXPECT_EQ(run.errorMessage, "No video frame was written to \"" + run.output +
                                    "\" (check -ss / -t / -fs / -frames parameters if used)");
    EXPECT_TRUE(run.kept.empty());
    EXPECT_FALSE(fs::exists(run.output));
  }
}

TEST_F(RunFailureTest, FullDiskReportsTheFirstWriteErrorNotTheTrailers) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  SlideshowRun run;
  run.pictures = MakePictures(Scratch("full_disk"));
  run.output = "/dev/full";
  // Each packet goes to the device at once, so the writes fail before the trailer.
  run.extraOutputOptions = "-f matroska -flush_packets 1";
  run.Execute();
  ASSERT_GE(run.openOutputResult, 0) << run.lastErrorText;
  EXPECT_TRUE(run.errorOccurred);
  // The trailer fails as well; the first error stays the one reported.
  EXPECT_EQ(run.errorMessage, "av_interleaved_write_frame(): No space left on device");
  EXPECT_TRUE(run.kept.empty());
  // A device is never removed.
  EXPECT_TRUE(fs::exists("/dev/full"));
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
