// Join mode: inputs played one after another into one output, the record
// groups behind it, and the refusals that leave nothing behind.
#include <cmath>
#include <fstream>
#include <stdexcept>

#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "media/binding/ff_entry_points.h"
#include "sound_files.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;
using JoinModeTest = EngineTest;

// A tone (or silence with amplitude 0) of `seconds` at `rate`.
std::string Tone(const fs::path& path, int rate, int channels, double seconds, int amplitude) {
  return WriteWav(path, rate, channels, int(std::lround(seconds * rate)), [&](int, int i) {
    return int16_t(amplitude * std::sin(i * 2 * M_PI * 440.0 / rate));
  });
}

// Gray pictures in a raw file: `frames` of width x height, all of `value`.
std::string RawPictures(const fs::path& path, int width, int height, int frames, uint8_t value) {
  std::ofstream out(path, std::ios::binary);
  const std::string picture(size_t(width) * height, char(value));
  for (int i = 0; i < frames; ++i) out << picture;
  return path.string();
}

std::string RawOptions(int width, int height) {
  return "-f rawvideo -pix_fmt gray -r 25 -s " + std::to_string(width) + "x" +
         std::to_string(height);
}

double Rms(const std::vector<float>& v, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(v[i]) * v[i];
  return std::sqrt(sum / double(to - from));
}

TEST_F(JoinModeTest, SoundFilesFollowEachOtherWithTheirLengthsAndOrder) {
  const fs::path dir = SoundScratch("join-sound");
  // Another rate and channel count in the middle: the resampler converts it.
  const std::string a = Tone(dir / "a.wav", 44100, 2, 0.5, 12000);
  const std::string b = Tone(dir / "b.wav", 22050, 1, 0.2, 0);
  const std::string c = Tone(dir / "c.wav", 44100, 2, 0.6, 12000);
  const std::string out = (dir / "joined.flac").string();

  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(a), 0);
  ASSERT_EQ(engine.OpenInput(b), 1);
  ASSERT_EQ(engine.OpenInput(c), 2);
  engine.ParseOptions("-c:a flac");
  ASSERT_EQ(engine.OpenOutput(out, true), 0) << engine.LastErrorText();
  EXPECT_TRUE(engine.Joining());
  ASSERT_EQ(engine.JoinPrepare(), 0) << engine.LastErrorText();

  // One group per input: copies of the first, each fed by its own input.
  ASSERT_EQ(engine.GroupSize(), 1);
  ASSERT_EQ(engine.OutputStreams().size(), 3u);
  ASSERT_EQ(engine.OutputFiles().size(), 3u);
  for (int k = 0; k < 3; ++k) {
    const engine::OutputStream& ost = *engine.OutputStreams()[size_t(k)];
    EXPECT_EQ(ost.file_index, k);
    EXPECT_EQ(ost.st, engine.OutputStreams()[0]->st);
    EXPECT_EQ(engine.InputStreams()[size_t(ost.source_index)]->file_index, k);
    EXPECT_EQ(engine.OutputFiles()[size_t(k)]->ctx, engine.OutputFiles()[0]->ctx);
    EXPECT_EQ(engine.OutputFiles()[size_t(k)]->ost_index, k);
  }

  std::vector<engine::ProgressValues> reports;
  engine.SetProgressInterval(0);
  engine.OnProgress = [&](const engine::ProgressValues& v) { reports.push_back(v); };
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_TRUE(engine.Finished());
  EXPECT_FALSE(engine.Joining());

  ASSERT_GE(reports.size(), 4u);
  EXPECT_EQ(reports.back().InputIndex, -1);
  int seen = 0;
  for (size_t i = 0; i + 1 < reports.size(); ++i) {
    EXPECT_GE(reports[i].InputIndex, seen) << "inputs are read in order, once";
    seen = reports[i].InputIndex;
    EXPECT_EQ(reports[i].TotalDuration, 1300000) << "the sum of the three lengths";
  }
  EXPECT_EQ(seen, 2);
  // Time runs on across the seams: the last report is past both of them.
  EXPECT_GE(reports.back().CurrentDuration, 1290000);

  const auto channels = DecodeChannels(out);
  ASSERT_EQ(channels.size(), 2u);
  const std::vector<float>& left = channels[0];
  EXPECT_NEAR(double(left.size()), 22050 + 8820 + 26460, 4);
  ASSERT_GT(left.size(), 57000u);
  EXPECT_GT(Rms(left, 1000, 21000), 0.2);
  EXPECT_LT(Rms(left, 23000, 30000), 0.001) << "the silent middle input sits in the middle";
  EXPECT_GT(Rms(left, 32000, 56000), 0.2);
}

TEST_F(JoinModeTest, PicturesOfAnotherSizeJoinWithFramesAndTimesRunningOn) {
  const fs::path dir = SoundScratch("join-video");
  const std::string a = RawPictures(dir / "a.gray", 32, 24, 10, 60);
  const std::string b = RawPictures(dir / "b.gray", 48, 36, 15, 200);
  const std::string out = (dir / "joined.mkv").string();

  engine::TTranscoder engine;
  engine.ParseOptions(RawOptions(32, 24));
  ASSERT_EQ(engine.OpenInput(a), 0) << engine.LastErrorText();
  engine.ParseOptions(RawOptions(48, 36));
  ASSERT_EQ(engine.OpenInput(b), 1) << engine.LastErrorText();
  engine.ParseOptions("-c:v libx264 -preset ultrafast -r 25");
  ASSERT_EQ(engine.OpenOutput(out, true), 0) << engine.LastErrorText();
  ASSERT_EQ(engine.JoinPrepare(), 0) << engine.LastErrorText();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();

  std::vector<int64_t> times;
  std::vector<int> luma;
  std::vector<int> widths;
  ASSERT_EQ(DecodeFirstStream(out,
                              [&](const AVFrame& f) {
                                times.push_back(f.best_effort_timestamp);
                                luma.push_back(f.data[0][f.linesize[0] * (f.height / 2) + f.width / 2]);
                                widths.push_back(f.width);
                              }),
            0);
  ASSERT_EQ(times.size(), 25u) << "every picture of both inputs, none duplicated or dropped";
  for (size_t i = 1; i < times.size(); ++i) EXPECT_GT(times[i], times[i - 1]) << i;
  for (size_t i = 0; i < luma.size(); ++i) {
    EXPECT_EQ(widths[i], 32) << "the second input is scaled to the output's size";
    EXPECT_NEAR(luma[i], i < 10 ? 60 : 200, 6) << i;
  }
}

TEST_F(JoinModeTest, FrameLimitCountsAcrossTheSeam) {
  const fs::path dir = SoundScratch("join-frames");
  const std::string a = RawPictures(dir / "a.gray", 32, 24, 10, 60);
  const std::string b = RawPictures(dir / "b.gray", 32, 24, 10, 200);
  const std::string out = (dir / "limited.mkv").string();
  engine::TTranscoder engine;
  engine.ParseOptions(RawOptions(32, 24));
  ASSERT_EQ(engine.OpenInput(a), 0);
  engine.ParseOptions(RawOptions(32, 24));
  ASSERT_EQ(engine.OpenInput(b), 1);
  engine.ParseOptions("-c:v libx264 -preset ultrafast -frames:v 14");
  ASSERT_EQ(engine.OpenOutput(out, true), 0) << engine.LastErrorText();
  ASSERT_EQ(engine.JoinPrepare(), 0) << engine.LastErrorText();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  int frames = 0;
  DecodeFirstStream(out, [&](const AVFrame&) { ++frames; });
  EXPECT_EQ(frames, 14);
}

TEST_F(JoinModeTest, StopInTheSecondInputEndsWithAPlayableFile) {
  const fs::path dir = SoundScratch("join-stop");
  const std::string a = Tone(dir / "a.wav", 8000, 1, 1.0, 8000);
  const std::string b = Tone(dir / "b.wav", 8000, 1, 1.0, 8000);
  const std::string c = Tone(dir / "c.wav", 8000, 1, 1.0, 8000);
  const std::string out = (dir / "stopped.flac").string();
  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(a), 0);
  ASSERT_EQ(engine.OpenInput(b), 1);
  ASSERT_EQ(engine.OpenInput(c), 2);
  engine.ParseOptions("-c:a flac");
  ASSERT_EQ(engine.OpenOutput(out, true), 0);
  ASSERT_EQ(engine.JoinPrepare(), 0);
  engine.SetProgressInterval(0);
  engine.OnProgress = [&](const engine::ProgressValues& v) {
    if (v.InputIndex == 1) engine.RequestStop();
  };
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_FALSE(engine.Finished());
  // The first input whole, some of the second, none of the third.
  const auto channels = DecodeChannels(out);
  ASSERT_EQ(channels.size(), 1u) << "the trailer was written";
  EXPECT_GT(channels[0].size(), 8000u);
  EXPECT_LT(channels[0].size(), 16000u);
}

TEST_F(JoinModeTest, InputWithoutTheFirstOnesStreamsIsRefusedAndTheOutputIsGone) {
  const fs::path dir = SoundScratch("join-refused");
  const std::string sound = Tone(dir / "a.wav", 44100, 1, 0.2, 8000);
  const std::string pictures = RawPictures(dir / "b.gray", 32, 24, 5, 100);
  const fs::path out = dir / "refused.flac";

  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(sound), 0);
  engine.ParseOptions(RawOptions(32, 24));
  ASSERT_EQ(engine.OpenInput(pictures), 1);
  engine.ParseOptions("-c:a flac");
  ASSERT_EQ(engine.OpenOutput(out.string(), true), 0) << engine.LastErrorText();
  ASSERT_TRUE(fs::exists(out));
  EXPECT_EQ(engine.JoinPrepare(), -1);
  EXPECT_EQ(engine.LastErrorText(), "Cannot join files with diffrent steams state");
  EXPECT_FALSE(fs::exists(out)) << "the empty output is removed";
  EXPECT_FALSE(engine.Joining());
  EXPECT_EQ(engine.GroupSize(), 0);
  EXPECT_TRUE(engine.OutputFiles().empty());
  EXPECT_TRUE(engine.OutputStreams().empty());
  ASSERT_EQ(engine.InputFiles().size(), 2u) << "the inputs stay";

  // The engine goes on as a normal one: the sound alone into a new output.
  engine.ParseOptions("-c:a flac");
  ASSERT_EQ(engine.OpenOutput((dir / "plain.flac").string()), 0) << engine.LastErrorText();
  engine.Run();
  EXPECT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_NEAR(double(DecodeChannels((dir / "plain.flac").string()).at(0).size()), 8820, 2);
}

TEST_F(JoinModeTest, MapsNameTheStreamsOfEveryInput) {
  const fs::path dir = SoundScratch("join-maps");
  const std::string a = Tone(dir / "a.wav", 8000, 1, 0.2, 8000);
  const std::string b = Tone(dir / "b.wav", 8000, 1, 0.3, 8000);
  {
    engine::TTranscoder engine;
    ASSERT_EQ(engine.OpenInput(a), 0);
    ASSERT_EQ(engine.OpenInput(b), 1);
    engine.ParseOptions("-map 0:0 -map 1:0 -c:a flac");
    ASSERT_EQ(engine.OpenOutput((dir / "mapped.flac").string(), true), 0);
    ASSERT_EQ(engine.JoinPrepare(), 0) << engine.LastErrorText();
    ASSERT_EQ(engine.OutputStreams().size(), 2u);
    EXPECT_EQ(engine.OutputStreams()[0]->source_index, 0);
    EXPECT_EQ(engine.OutputStreams()[1]->source_index, 1);
  }
  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(a), 0);
  ASSERT_EQ(engine.OpenInput(b), 1);
  // No map names a stream of the second input.
  engine.ParseOptions("-map 0:0 -c:a flac");
  ASSERT_EQ(engine.OpenOutput((dir / "unmapped.flac").string(), true), 0);
  EXPECT_EQ(engine.JoinPrepare(), -1);
  EXPECT_EQ(engine.LastErrorText(), "Cannot join files with diffrent steams state");
  EXPECT_FALSE(fs::exists(dir / "unmapped.flac"));
}

TEST_F(JoinModeTest, OneOutputOnlyAndNoJoiningOfASingleInput) {
  const fs::path dir = SoundScratch("join-outputs");
  const std::string a = Tone(dir / "a.wav", 8000, 1, 0.2, 8000);
  const std::string b = Tone(dir / "b.wav", 8000, 1, 0.2, 8000);
  {
    engine::TTranscoder engine;
    ASSERT_EQ(engine.OpenInput(a), 0);
    ASSERT_EQ(engine.OpenInput(b), 1);
    engine.ParseOptions("-c:a flac");
    ASSERT_EQ(engine.OpenOutput((dir / "first.flac").string(), true), 0);
    ASSERT_EQ(engine.JoinPrepare(), 0);
    EXPECT_THROW(engine.JoinPrepare(), std::logic_error) << "a second time would copy the groups";
    EXPECT_EQ(engine.OutputStreams().size(), 2u);
    for (const bool join : {true, false}) {
      engine.ParseOptions("-c:a flac");
      EXPECT_EQ(engine.OpenOutput((dir / "second.flac").string(), join), -1);
      EXPECT_EQ(engine.LastErrorText(), "Cannot join more than one output file.");
    }
    EXPECT_FALSE(fs::exists(dir / "second.flac"));
  }
  {
    // An output exists already: joining into another one is refused.
    engine::TTranscoder engine;
    ASSERT_EQ(engine.OpenInput(a), 0);
    ASSERT_EQ(engine.OpenInput(b), 1);
    engine.ParseOptions("-c:a flac");
    ASSERT_EQ(engine.OpenOutput((dir / "plain.flac").string()), 0);
    engine.ParseOptions("-c:a flac");
    EXPECT_EQ(engine.OpenOutput((dir / "joined.flac").string(), true), -1);
    EXPECT_EQ(engine.LastErrorText(), "Cannot join more than one output file.");
  }
  // A single input opens as a normal output; the preparation then asserts.
  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(a), 0);
  engine.ParseOptions("-c:a flac");
  ASSERT_EQ(engine.OpenOutput((dir / "single.flac").string(), true), 0);
  EXPECT_FALSE(engine.Joining());
  EXPECT_THROW(engine.JoinPrepare(), std::logic_error);
}

}  // namespace
}  // namespace engine_test
