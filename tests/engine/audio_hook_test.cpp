// The audio hook of whole runs: every decoded frame with its parameters,
// interleaved, and changes made in it reaching the output.
#include <filesystem>

#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "sound_files.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;

int16_t Wave(int channel, int i) { return int16_t((i * 37 + channel * 1000) % 20000 - 10000); }

struct HookLog {
  int64_t samples = 0;
  int calls = 0;
  int64_t expectedPts = 0;
};

using AudioHookTest = EngineTest;

TEST_F(AudioHookTest, PackedSoundIsSeenWholeAndChangedInPlace) {
  const fs::path dir = SoundScratch("audio-hook-packed");
  constexpr int kRate = 44100, kSamples = 10000;
  const std::string wav = WriteWav(dir / "in.wav", kRate, 2, kSamples, Wave);
  const std::string out = (dir / "out.wav").string();
  engine::TTranscoder engine;
  HookLog log;
  engine.OnAudioHook = [&](const engine::AudioHookCall& call) {
    EXPECT_EQ(call.sampleRate, kRate);
    EXPECT_EQ(call.channels, 2);
    EXPECT_EQ(call.format, AV_SAMPLE_FMT_S16);
    ASSERT_EQ(call.size % 4, 0);
    const int count = call.size / 4;
    EXPECT_NEAR(double(call.pts), double(log.expectedPts), 1.0);
    auto* s = reinterpret_cast<int16_t*>(call.samples);
    for (int i = 0; i < count; ++i)
      for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(s[2 * i + c], Wave(c, int(log.samples) + i));
        s[2 * i + c] = int16_t(-s[2 * i + c]);
      }
    log.samples += count;
    log.expectedPts = log.samples * 1000000 / kRate;
    ++log.calls;
  };
  ASSERT_EQ(engine.OpenInput(wav), 0) << engine.LastErrorText();
  engine.ParseOptions("-y -c:a pcm_s16le");
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_EQ(log.samples, kSamples);
  EXPECT_GT(log.calls, 1);
  const auto written = DecodeChannels(out);
  ASSERT_EQ(written.size(), 2u);
  ASSERT_EQ(written[0].size(), size_t(kSamples));
  int wrong = 0;
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kSamples; ++i) wrong += written[c][i] * 32768.0f != -Wave(c, i);
  EXPECT_EQ(wrong, 0);
}

// MP3 decodes into one plane per channel: the hook gets them interleaved,
// and what it writes goes back into the planes.
TEST_F(AudioHookTest, PlanarSoundIsInterleavedForTheHookAndBack) {
  const fs::path dir = SoundScratch("audio-hook-planar");
  const std::string wav = WriteWav(dir / "in.wav", 44100, 2, 20000, Wave);
  const std::string mp3 = (dir / "in.mp3").string();
  {
    engine::TTranscoder encode;
    ASSERT_EQ(encode.OpenInput(wav), 0) << encode.LastErrorText();
    encode.ParseOptions("-y -c:a libmp3lame");
    ASSERT_EQ(encode.OpenOutput(mp3), 0) << encode.LastErrorText();
    encode.Run();
    ASSERT_FALSE(encode.ErrorOccurred()) << encode.ErrorMessage();
  }
  const auto decoded = DecodeChannels(mp3);
  ASSERT_EQ(decoded.size(), 2u);

  const std::string out = (dir / "out.wav").string();
  engine::TTranscoder engine;
  HookLog log;
  int wrongIn = 0;
  engine.OnAudioHook = [&](const engine::AudioHookCall& call) {
    EXPECT_EQ(call.format, AV_SAMPLE_FMT_FLT);
    EXPECT_EQ(call.channels, 2);
    EXPECT_EQ(call.sampleRate, 44100);
    const int count = call.size / 8;
    auto* s = reinterpret_cast<float*>(call.samples);
    for (int i = 0; i < count; ++i)
      for (int c = 0; c < 2; ++c) {
        const size_t at = size_t(log.samples + i);
        wrongIn += at >= decoded[c].size() || s[2 * i + c] != decoded[c][at];
        s[2 * i + c] = -s[2 * i + c];
      }
    log.samples += count;
  };
  ASSERT_EQ(engine.OpenInput(mp3), 0) << engine.LastErrorText();
  engine.ParseOptions("-y -c:a pcm_f32le");
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_EQ(log.samples, int64_t(decoded[0].size()));
  EXPECT_EQ(wrongIn, 0);
  const auto written = DecodeChannels(out);
  ASSERT_EQ(written.size(), 2u);
  ASSERT_EQ(written[0].size(), decoded[0].size());
  int wrongOut = 0;
  for (int c = 0; c < 2; ++c)
    for (size_t i = 0; i < decoded[c].size(); ++i) wrongOut += written[c][i] != -decoded[c][i];
  EXPECT_EQ(wrongOut, 0);
}

}  // namespace
}  // namespace engine_test
