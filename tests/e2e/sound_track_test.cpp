// The sound track against the slideshow's length, a compressed sound file,
// and real-time pacing.
#include "e2e_support.h"

namespace e2e {
namespace {

class SoundTrackTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitMedia(); }

  static double Seconds(const StreamFacts* s) {
    return s && s->sampleRate ? double(s->samples) / s->sampleRate : 0.0;
  }
  static double VideoSeconds(const StreamFacts* s) { return s ? s->frames / 30.0 : 0.0; }
};

// Slideshow of 3 pictures at 0.5 s and 0.3 s: 4 x 9 + 3 x 15 + 2 = 83 frames.
constexpr double kShowSeconds = 83 / 30.0;

TEST_F(SoundTrackTest, LongerSoundOutlastsThePicturesAndShorterSoundLetsVideoGoOn) {
  for (const double audioSeconds : {4.5, 1.0}) {
    SCOPED_TRACE(audioSeconds);
    const fs::path dir = Scratch("length_" + std::to_string(int(audioSeconds * 10)));
    SlideshowRun run;
    run.pictures = MakePictures(dir);
    run.audio = (dir / "sound.wav").string();
    WriteWav(run.audio, audioSeconds, 22050, 1);
    run.output = (dir / "show.mkv").string();
    run.Execute();
    ASSERT_FALSE(run.errorOccurred) << run.errorMessage << run.lastErrorText;
    const FileFacts facts = Probe(run.output, false);
    EXPECT_EQ(facts.Find(AVMEDIA_TYPE_VIDEO)->frames, run.totalFrames);
    EXPECT_NEAR(VideoSeconds(facts.Find(AVMEDIA_TYPE_VIDEO)), kShowSeconds, 0.01);
    EXPECT_NEAR(Seconds(facts.Find(AVMEDIA_TYPE_AUDIO)), audioSeconds, 0.1);
  }
}

TEST_F(SoundTrackTest, CompressedSoundFileIsDecodedAndReencoded) {
  const fs::path dir = Scratch("flac");
  // A FLAC file made by the engine itself from a WAV.
  const std::string wav = (dir / "source.wav").string();
  const std::string flac = (dir / "source.flac").string();
  WriteWav(wav, 2.0, 48000, 2);
  {
    engine::TTranscoder engine;
    ASSERT_GE(engine.OpenInput(wav), 0) << engine.LastErrorText();
    engine.ParseOptions("-c:a flac");
    ASSERT_GE(engine.OpenOutput(flac), 0) << engine.LastErrorText();
    engine.Run();
    ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  }
  const FileFacts source = Probe(flac, false);
  ASSERT_EQ(source.Count(AVMEDIA_TYPE_AUDIO), 1);
  EXPECT_EQ(source.Find(AVMEDIA_TYPE_AUDIO)->codec, AV_CODEC_ID_FLAC);
  EXPECT_NEAR(Seconds(source.Find(AVMEDIA_TYPE_AUDIO)), 2.0, 0.01);

  SlideshowRun run;
  run.pictures = MakePictures(dir);
  run.audio = flac;
  run.output = (dir / "show.avi").string();
  run.Execute();
  ASSERT_FALSE(run.errorOccurred) << run.errorMessage << run.lastErrorText;
  const FileFacts facts = Probe(run.output, false);
  EXPECT_EQ(facts.Find(AVMEDIA_TYPE_VIDEO)->frames, run.totalFrames);
  ASSERT_NE(facts.Find(AVMEDIA_TYPE_AUDIO), nullptr);
  EXPECT_EQ(facts.Find(AVMEDIA_TYPE_AUDIO)->codec, AV_CODEC_ID_MP3);
  EXPECT_NEAR(Seconds(facts.Find(AVMEDIA_TYPE_AUDIO)), 2.0, 0.1);
}

TEST_F(SoundTrackTest, RealTimeSourceWritesEveryFrame) {
  const fs::path dir = Scratch("realtime");
  SlideshowRun run;
  run.pictures = MakePictures(dir);
  run.pictures.pop_back();
  // 3 x 15 + 2 x 6 + 2 = 59 frames at 20/1: about 2.95 s.
  run.rate = "20/1";
  run.pictureDelay = "0.75";
  run.transitionDelay = "0.5";
  run.realTime = true;
  run.output = (dir / "show.mp4").string();
  run.Execute();
  ASSERT_FALSE(run.errorOccurred) << run.errorMessage << run.lastErrorText;
  // How closely the wall time follows the video is measured by
  // bench_realtime; here only what was written counts.
  EXPECT_EQ(Probe(run.output, false).Find(AVMEDIA_TYPE_VIDEO)->frames, run.totalFrames);
}

}  // namespace
}  // namespace e2e
