// Whole slideshow runs through the real libraries: pictures and sound in,
// a video file out, taken apart again and compared with what was composed.
#include <cstring>

#include "e2e_support.h"

namespace e2e {
namespace {

class SlideshowRunTest : public ::testing::TestWithParam<const char*> {
 protected:
  static void SetUpTestSuite() { InitMedia(); }
};

// x264 at its default quality keeps the pictures above 40 dB on average; a
// first transition frame after a long hold can dip to about 34.7 dB.
constexpr double kMeanPsnr = 40.0;
constexpr double kMinPsnr = 32.0;

void ExpectVideoMatchesComposer(const SlideshowRun& run, const FileFacts& facts) {
  ASSERT_EQ(facts.Count(AVMEDIA_TYPE_VIDEO), 1);
  const StreamFacts& v = *facts.Find(AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(v.codec, AV_CODEC_ID_H264);
  EXPECT_EQ(v.width, 320);
  EXPECT_EQ(v.height, 240);
  const long long expected =
      run.framesPerTransition * 4LL + run.framesPerPicture * 3LL + 2;
  EXPECT_EQ(run.totalFrames, expected);
  EXPECT_EQ(v.frames, expected);
  ASSERT_EQ(run.composed.size(), size_t(expected));
  ASSERT_EQ(v.pictures.size(), run.composed.size());
  double sum = 0;
  for (size_t i = 0; i < v.pictures.size(); ++i) {
    const double p = Psnr(v.pictures[i], run.composed[i]);
    sum += p;
    EXPECT_GT(p, kMinPsnr) << "frame " << i;
    // Timing: a frame that differs from its neighbours matches its own
    // composed frame better than theirs.
    for (const size_t n : {i - 1, i + 1}) {
      if (n < v.pictures.size() && Psnr(run.composed[n], run.composed[i]) < 30) {
        EXPECT_GT(p, Psnr(v.pictures[i], run.composed[n])) << "frame " << i << " vs " << n;
      }
    }
  }
  EXPECT_GT(sum / double(v.pictures.size()), kMeanPsnr);
}

TEST_P(SlideshowRunTest, PicturesAloneGiveOneFramePerComposedFrame) {
  const fs::path dir = Scratch(std::string("alone_") + GetParam());
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  run.output = (dir / (std::string("show.") + GetParam())).string();
  run.Execute();
  ASSERT_GE(run.openOutputResult, 0) << run.lastErrorText;
  ASSERT_FALSE(run.errorOccurred) << run.errorMessage;
  EXPECT_TRUE(run.finished);
  const FileFacts facts = Probe(run.output, true);
  ASSERT_TRUE(facts.opened);
  EXPECT_EQ(facts.Count(AVMEDIA_TYPE_AUDIO), 0);
  ExpectVideoMatchesComposer(run, facts);
  // The final report carries the frame count and x264's quantizer.
  ASSERT_FALSE(run.progress.empty());
  EXPECT_EQ(run.progress.back().FrameNumber, run.totalFrames);
  EXPECT_GT(run.progress.back().Quality, 0.0f);
  EXPECT_GT(run.progress.back().CurrentSize, 0);
}

TEST_P(SlideshowRunTest, SoundTrackFromWavKeepsItsLength) {
  const fs::path dir = Scratch(std::string("wav_") + GetParam());
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  run.audio = (dir / "sound.wav").string();
  WriteWav(run.audio, 2.5);
  run.output = (dir / (std::string("show.") + GetParam())).string();
  run.Execute();
  ASSERT_GE(run.openOutputResult, 0) << run.lastErrorText;
  ASSERT_FALSE(run.errorOccurred) << run.errorMessage;
  const FileFacts facts = Probe(run.output, true);
  ASSERT_TRUE(facts.opened);
  ExpectVideoMatchesComposer(run, facts);
  ASSERT_EQ(facts.Count(AVMEDIA_TYPE_AUDIO), 1);
  const StreamFacts& a = *facts.Find(AVMEDIA_TYPE_AUDIO);
  EXPECT_EQ(a.codec, AV_CODEC_ID_MP3);
  ASSERT_GT(a.sampleRate, 0);
  EXPECT_NEAR(double(a.samples) / a.sampleRate, 2.5, 0.1);
}

TEST(SlideshowStopTest, StopMidRunDrainsAndLeavesAPlayableFile) {
  InitMedia();
  const fs::path dir = Scratch("stop");
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  run.audio = (dir / "sound.wav").string();
  WriteWav(run.audio, 2.5);
  run.output = (dir / "show.mp4").string();
  run.stopAfterFrames = 20;
  run.Execute();
  ASSERT_GE(run.openOutputResult, 0) << run.lastErrorText;
  EXPECT_FALSE(run.errorOccurred) << run.errorMessage;
  EXPECT_FALSE(run.finished);
  const FileFacts facts = Probe(run.output, false);
  ASSERT_TRUE(facts.opened);
  const StreamFacts* v = facts.Find(AVMEDIA_TYPE_VIDEO);
  ASSERT_NE(v, nullptr);
  // The picture being drawn when the stop came is still encoded.
  EXPECT_EQ(v->frames, 20);
  EXPECT_LT(run.composed.size(), size_t(run.totalFrames));
  // Progress reached the caller, the last one being the final report.
  ASSERT_FALSE(run.progress.empty());
  EXPECT_EQ(run.progress.back().InputIndex, -1);
  EXPECT_EQ(run.progress.back().FrameNumber, 20);
}

TEST(SlideshowStopTest, StopInTheFirstFrameRequestReportsThatFrame) {
  InitMedia();
  const fs::path dir = Scratch("stop-first");
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  run.output = (dir / "show.mkv").string();
  run.stopAfterFrames = 1;  // the first picture is still encoded
  run.Execute();
  ASSERT_GE(run.openOutputResult, 0) << run.lastErrorText;
  ASSERT_FALSE(run.progress.empty());
  EXPECT_EQ(run.progress.back().InputIndex, -1);
  EXPECT_EQ(run.progress.back().FrameNumber, 1);
  EXPECT_GE(run.progress.back().FPS, 0);
}

INSTANTIATE_TEST_SUITE_P(Containers, SlideshowRunTest, ::testing::Values("avi", "mp4", "mkv"));

}  // namespace
}  // namespace e2e
