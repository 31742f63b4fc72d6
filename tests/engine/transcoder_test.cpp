// Opening files and the run's outcome, through the real libraries with
// generated sound files.
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "sound_files.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;

fs::path Scratch(const std::string& name) {
  const char* base = std::getenv("LS_TEST_TMP");
  fs::path dir = (base ? fs::path(base) : fs::temp_directory_path()) / "transcoder" /
            std::to_string(getpid()) / name;  // test processes run in parallel
  fs::create_directories(dir);
  return dir;
}

// One second of 16-bit mono sine.
std::string WriteWav(const fs::path& dir) {
  return engine_test::WriteWav(dir / "tone.wav", 8000, 1, 8000,
                               [](int, int i) { return int16_t(10000 * std::sin(i * 0.3)); });
}

// Decoded audio samples of the file's first stream.
int64_t DecodedSamples(const std::string& path) {
  int64_t samples = 0;
  const int channels =
      engine_test::DecodeFirstStream(path, [&](const AVFrame& f) { samples += f.nb_samples; });
  return channels < 0 ? -1 : samples;
}

using TranscoderTest = EngineTest;

TEST_F(TranscoderTest, RecordingTimeEndsTheOutputEarly) {
  const fs::path dir = Scratch("duration");
  const std::string out = (dir / "short.flac").string();
  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(WriteWav(dir)), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:a flac -t 0.5");
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_TRUE(engine.Finished());
  // Reading stops at the first packet that reaches the limit.
  const double seconds = double(DecodedSamples(out)) / 8000;
  EXPECT_GE(seconds, 0.5);
  EXPECT_LT(seconds, 0.8);
}

TEST_F(TranscoderTest, AudioSyncFillsALateStartWithSilence) {
  const fs::path dir = Scratch("async");
  const std::string wav = WriteWav(dir);
  for (const int method : {0, 1}) {
    SCOPED_TRACE(method);
    const std::string out = (dir / ("tone" + std::to_string(method) + ".flac")).string();
    engine::TTranscoder engine;
    engine.ParseOptions("-itsoffset 0.5");
    ASSERT_EQ(engine.OpenInput(wav), 0) << engine.LastErrorText();
    engine.ParseOptions("-c:a flac -async " + std::to_string(method));
    ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
    engine.Run();
    ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
    // Without sync the sound keeps its samples and only starts later.
    EXPECT_NEAR(double(DecodedSamples(out)) / 8000, method ? 1.5 : 1.0, 0.01);
  }
  EXPECT_TRUE(WasLogged(media::llVerbose, "adding 4000 audio samples of silence"));
}

TEST_F(TranscoderTest, OpeningFailuresNameWhatWasWrong) {
  const fs::path dir = Scratch("open");
  engine::TTranscoder engine;
  engine.ParseOptions("-f nosuchformat");
  EXPECT_EQ(engine.OpenInput(WriteWav(dir)), AVERROR(EINVAL));
  EXPECT_EQ(engine.LastErrorText(), "Unknown input format: \"nosuchformat\"");
  EXPECT_TRUE(WasLogged(media::llFatal, "Unknown input format: \"nosuchformat\""));

  const std::string missing = (dir / "missing.wav").string();
  EXPECT_LT(engine.OpenInput(missing), 0);
  EXPECT_EQ(engine.LastErrorText().rfind(missing + ": ", 0), 0u) << engine.LastErrorText();

  ASSERT_EQ(engine.OpenInput(WriteWav(dir)), 0) << engine.LastErrorText();
  const std::string noExtension = (dir / "result").string();
  EXPECT_LT(engine.OpenOutput(noExtension), 0);
  EXPECT_EQ(engine.LastErrorText().rfind(noExtension + ": ", 0), 0u) << engine.LastErrorText();
  EXPECT_TRUE(engine.OutputFiles().empty());
  EXPECT_FALSE(fs::exists(noExtension));
}

TEST_F(TranscoderTest, RunWithoutFilesReportsWhatIsMissing) {
  engine::TTranscoder engine;
  engine.Run();
  EXPECT_TRUE(engine.ErrorOccurred());
  EXPECT_FALSE(engine.Finished());
  EXPECT_EQ(engine.ErrorMessage(), "At least one output file must be specified");
}

TEST_F(TranscoderTest, BitRateGivenInKilobitsIsWarnedAboutButEncodes) {
  const fs::path dir = Scratch("bitrate");
  const std::string out = (dir / "tone.flac").string();
  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(WriteWav(dir)), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:a flac -b:a 500");
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.Run();
  EXPECT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_TRUE(engine.Finished());
  EXPECT_TRUE(WasLogged(media::llWarning,
                        "The bitrate parameter is set too low. It takes bits/s as argument, not "
                        "kbits/s"));
  EXPECT_TRUE(WasLogged(media::llInfo, "Stream mapping:"));
  EXPECT_GT(fs::file_size(out), 1000u);
}

TEST_F(TranscoderTest, StopBeforeTheFirstSampleIsNoErrorAndLeavesNoFile) {
  const fs::path dir = Scratch("stop");
  const std::string out = (dir / "tone.mkv").string();
  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(WriteWav(dir)), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:a flac");
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.RequestStop();
  engine.Run();
  EXPECT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_FALSE(engine.Finished());
  EXPECT_TRUE(engine.KeptOutputs().empty());
  // The run drained and was summed up as usual, but a file without a
  // single sample is not left behind.
  EXPECT_FALSE(fs::exists(out));
  bool reported = false;
  for (const LogLine& l : Logged())
    reported |= l.level == media::llInfo &&
                l.text.starts_with("video:0kB audio:0kB global headers:0kB muxing overhead ");
  EXPECT_TRUE(reported);
  EXPECT_FALSE(WasLogged(media::llWarning, "Output file is empty, nothing was encoded (check -ss / "
                                           "-t / -frames parameters if used)"));
}

TEST_F(TranscoderTest, SoundOutputThatReceivesNoSampleIsAnErrorAndLeavesNoFile) {
  const fs::path dir = Scratch("no-samples");
  const std::string out = (dir / "tone.flac").string();
  const std::string wav = WriteWav(dir);
  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(wav), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:a flac -t 0");
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.Run();
  EXPECT_TRUE(engine.ErrorOccurred());
  EXPECT_FALSE(engine.Finished());
  EXPECT_EQ(engine.ErrorMessage(), "No sound was written to \"" + out +
                                       "\" (check -ss / -t / -fs / -frames parameters if used)");
  EXPECT_FALSE(fs::exists(out));
  EXPECT_TRUE(fs::exists(wav));
}

TEST(KeptPartTextTest, SaysWhichFileHoldsHowMuch) {
  EXPECT_EQ(engine::KeptPartText({"/v/show.mp4", true, 42, 1.4}),
            "\"/v/show.mp4\" holds the video up to the error (42 frames).");
  EXPECT_EQ(engine::KeptPartText({"a.mkv", true, 1, 0}),
            "\"a.mkv\" holds the video up to the error (1 frame).");
  EXPECT_EQ(engine::KeptPartText({"song.mp3", false, 0, 12.34}),
            "\"song.mp3\" holds the sound up to the error (12.3 s).");
}

TEST_F(TranscoderTest, StopBreaksReadingWithItsMessage) {
  const fs::path dir = Scratch("stop-read");
  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(WriteWav(dir)), 0) << engine.LastErrorText();
  const AVIOInterruptCB& check = engine.InputFiles()[0]->ctx->interrupt_callback;
  ASSERT_NE(check.callback, nullptr);
  EXPECT_EQ(check.callback(check.opaque), 0);
  engine.RequestStop();
  EXPECT_EQ(check.callback(check.opaque), 1);
  EXPECT_TRUE(WasLogged(media::llInfo, "reading/writing broken"));
}

TEST_F(TranscoderTest, StoppedRunWithNothingEncodedOnlyWarnsThatTheFileIsEmpty) {
  const fs::path dir = Scratch("stop-empty");
  const std::string out = (dir / "tone.mkv").string();
  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(WriteWav(dir)), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:a pcm_s16le");  // no global header either
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.RequestStop();
  engine.Run();
  EXPECT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_TRUE(WasLogged(media::llWarning, "Output file is empty, nothing was encoded (check -ss / "
                                          "-t / -frames parameters if used)"));
  for (const LogLine& l : Logged())
    EXPECT_EQ(l.text.find("muxing overhead"), std::string::npos) << l.text;
}

TEST_F(TranscoderTest, FinalReportCountsTheFirstVideoOutputThatWroteFrames) {
  const fs::path dir = Scratch("second_video");
  const std::string raw = (dir / "grey.raw").string();
  std::ofstream(raw, std::ios::binary) << std::string(16 * 8 * 30, char(90));
  engine::TTranscoder engine;
  engine.ParseOptions("-f rawvideo -pix_fmt gray -s 16x8 -r 25");
  ASSERT_EQ(engine.OpenInput(raw), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:v rawvideo -vframes 0");
  ASSERT_EQ(engine.OpenOutput((dir / "none.nut").string()), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:v rawvideo");
  ASSERT_EQ(engine.OpenOutput((dir / "all.nut").string()), 1) << engine.LastErrorText();
  std::vector<engine::ProgressValues> reports;
  engine.OnProgress = [&](const engine::ProgressValues& v) { reports.push_back(v); };
  engine.Run();
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().InputIndex, -1);
  EXPECT_EQ(reports.back().FrameNumber, 30);
  EXPECT_GE(reports.back().FPS, 0);
}

TEST_F(TranscoderTest, VideoSyncDuplicatesAndDropsPictures) {
  engine::TTranscoder engine;
  engine::OutputStream ost;
  ost.sync_opts = 10;
  // Constant rate: a picture two frames late is encoded three times.
  EXPECT_EQ(engine.VideoFrameCount(ost, 3.0, 12.0, 1), 3);
  EXPECT_EQ(engine.DupCount(), 2);
  EXPECT_TRUE(WasLogged(media::llVerbose, "*** 2 dup!"));
  EXPECT_EQ(engine.VideoFrameCount(ost, 1.1, 10.1, 1), 1);
  EXPECT_EQ(engine.VideoFrameCount(ost, -1.2, 8.8, 1), 0);
  EXPECT_EQ(engine.DropCount(), 1);
  EXPECT_TRUE(WasLogged(media::llVerbose, "*** drop!"));
  EXPECT_EQ(engine.DupCount(), 2);

  // Variable rate: early pictures are dropped sooner, late ones move the clock.
  EXPECT_EQ(engine.VideoFrameCount(ost, -0.6, 9.4, 2), 0);
  EXPECT_EQ(engine.VideoFrameCount(ost, 0.8, 15.2, 2), 1);
  EXPECT_EQ(ost.sync_opts, 15);
  EXPECT_EQ(engine.VideoFrameCount(ost, 0.5, 15.0, 2), 1);
  EXPECT_EQ(engine.DropCount(), 2);

  // Passthrough: every picture once, at its own time.
  EXPECT_EQ(engine.VideoFrameCount(ost, -5.0, 3.6, 0), 1);
  EXPECT_EQ(ost.sync_opts, 4);

  // Picture times exactly between two frames go to the even one.
  for (const auto& [time, frame] : {std::pair{2.5, 2}, {3.5, 4}, {-0.5, 0}}) {
    engine.VideoFrameCount(ost, 0.0, time, 0);
    EXPECT_EQ(ost.sync_opts, frame) << time;
    engine.VideoFrameCount(ost, 0.9, time, 2);
    EXPECT_EQ(ost.sync_opts, frame) << time;
  }
}

}  // namespace
}  // namespace engine_test
