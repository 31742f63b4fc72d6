// Which input streams feed the output, decided when the output opens.
#include "e2e_support.h"
#include "media/frame_source/frame_input_adapter.h"

namespace e2e {
namespace {

class StreamChoiceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitMedia(); }

  // Opens frame sources of the given sizes and an output; the input stream
  // that feeds the output's video, or -1.
  static int VideoSource(const std::vector<std::string>& sizes, const std::string& output) {
    std::vector<std::unique_ptr<media::TFrameInputAdapter>> adapters;
    engine::TTranscoder engine;
    for (const std::string& size : sizes) {
      adapters.push_back(std::make_unique<media::TFrameInputAdapter>());
      engine.ParseOptions("-f frameinput -input_type canvas -pix_fmt bgra -r 30/1 -s " + size);
      EXPECT_GE(engine.OpenInput(adapters.back()->InputFileName()), 0) << engine.LastErrorText();
    }
    EXPECT_GE(engine.OpenOutput(output), 0) << engine.LastErrorText();
    for (const auto& ost : engine.OutputStreams())
      if (ost->st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) return ost->source_index;
    return -1;
  }
};

TEST_F(StreamChoiceTest, LargerPictureFeedsTheVideoAndTheFirstWinsATie) {
  const fs::path dir = Scratch("choice");
  EXPECT_EQ(VideoSource({"160x120", "320x240"}, (dir / "a.mkv").string()), 1);
  EXPECT_EQ(VideoSource({"320x240", "160x120"}, (dir / "b.mkv").string()), 0);
  EXPECT_EQ(VideoSource({"320x240", "320x240"}, (dir / "c.mkv").string()), 0);
  // Nothing ran, so nothing is left behind.
  EXPECT_FALSE(fs::exists(dir / "a.mkv"));
}

TEST_F(StreamChoiceTest, CoverArtOfTheSoundNeverReplacesTheSlideshow) {
  const fs::path dir = Scratch("cover");
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  run.audio = (dir / "sound.mp3").string();
  WriteMp3WithCover(dir, run.audio, 600);
  ASSERT_FALSE(HasFatalFailure());
  const FileFacts sound = Probe(run.audio, false);
  ASSERT_EQ(sound.Count(AVMEDIA_TYPE_VIDEO), 1) << "the cover must be there to be passed over";
  EXPECT_EQ(sound.Find(AVMEDIA_TYPE_VIDEO)->width, 600);

  run.output = (dir / "show.mkv").string();
  run.Execute();
  ASSERT_FALSE(run.errorOccurred) << run.errorMessage << run.lastErrorText;
  const FileFacts facts = Probe(run.output, false);
  ASSERT_EQ(facts.Count(AVMEDIA_TYPE_VIDEO), 1);
  const StreamFacts* v = facts.Find(AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(v->width, 320);
  EXPECT_EQ(v->height, 240);
  EXPECT_EQ(v->frames, run.totalFrames);
  EXPECT_EQ(facts.Count(AVMEDIA_TYPE_AUDIO), 1);
}

TEST_F(StreamChoiceTest, NoVideoOutputGivesASoundOnlyFile) {
  const fs::path dir = Scratch("novideo");
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  run.audio = (dir / "sound.wav").string();
  WriteWav(run.audio, 1.5);
  run.output = (dir / "sound.mkv").string();
  run.extraOutputOptions = "-vn";
  run.Execute();
  ASSERT_FALSE(run.errorOccurred) << run.errorMessage << run.lastErrorText;
  const FileFacts facts = Probe(run.output, false);
  EXPECT_EQ(facts.Count(AVMEDIA_TYPE_VIDEO), 0);
  ASSERT_EQ(facts.Count(AVMEDIA_TYPE_AUDIO), 1);
  EXPECT_NEAR(double(facts.Find(AVMEDIA_TYPE_AUDIO)->samples) / 44100, 1.5, 0.1);
}

}  // namespace
}  // namespace e2e
