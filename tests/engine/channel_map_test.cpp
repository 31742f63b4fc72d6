// Channel maps choose, reorder and silence the channels of the sound track;
// the volume scales it.
#include <algorithm>
#include <cmath>

#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "sound_files.h"

namespace engine_test {
namespace {

using ChannelMapTest = EngineTest;

int16_t Left(int i) { return int16_t(8000 * std::sin(i * 0.05)); }
int16_t Right(int i) { return int16_t(3000 * std::sin(i * 0.31)); }

// Runs the stereo tone through flac (lossless) with the given output options.
std::vector<std::vector<float>> Mapped(const std::string& name, const std::string& options,
                                       std::string* error) {
  const auto dir = SoundScratch("channel_map");
  const std::string wav = WriteWav(dir / "stereo.wav", 8000, 2, 4000,
                                   [](int ch, int i) { return ch ? Right(i) : Left(i); });
  const std::string out = (dir / (name + ".flac")).string();
  engine::TTranscoder engine;
  if (engine.OpenInput(wav) != 0) {
    *error = engine.LastErrorText();
    return {};
  }
  engine.ParseOptions("-c:a flac " + options);
  if (engine.OpenOutput(out) != 0) {
    *error = engine.LastErrorText();
    return {};
  }
  engine.Run();
  if (engine.ErrorOccurred()) {
    *error = engine.ErrorMessage();
    return {};
  }
  return DecodeChannels(out);
}

// True when `got` holds exactly the generated samples (or silence).
::testing::AssertionResult Holds(const std::vector<float>& got, int16_t (*source)(int)) {
  if (got.size() != 4000) return ::testing::AssertionFailure() << got.size() << " samples";
  for (int i = 0; i < 4000; ++i) {
    const float want = source ? source(i) / 32768.0f : 0.0f;
    if (std::fabs(got[i] - want) > 1e-6f)
      return ::testing::AssertionFailure() << "sample " << i << ": " << got[i] << " != " << want;
  }
  return ::testing::AssertionSuccess();
}

TEST_F(ChannelMapTest, MapsReorderPickAndSilenceChannels) {
  std::string error;
  auto swapped = Mapped("swapped", "-map_channel 0.0.1 -map_channel 0.0.0", &error);
  ASSERT_EQ(swapped.size(), 2u) << error;
  EXPECT_TRUE(Holds(swapped[0], Right));
  EXPECT_TRUE(Holds(swapped[1], Left));

  auto muted = Mapped("muted", "-map_channel -1 -map_channel 0.0.0", &error);
  ASSERT_EQ(muted.size(), 2u) << error;
  EXPECT_TRUE(Holds(muted[0], nullptr));
  EXPECT_TRUE(Holds(muted[1], Left));

  // One map makes a mono track of the chosen channel.
  auto single = Mapped("single", "-map_channel 0.0.1", &error);
  ASSERT_EQ(single.size(), 1u) << error;
  EXPECT_TRUE(Holds(single[0], Right));
}

TEST_F(ChannelMapTest, VolumeScalesEverySampleAndClips) {
  for (const int volume : {0, 128, 512, 2048}) {
    std::string error;
    const std::string v = std::to_string(volume);
    const auto got = Mapped("vol" + v, "-vol " + v, &error);
    ASSERT_EQ(got.size(), 2u) << error;
    ASSERT_EQ(got[0].size(), 4000u);
    for (int i = 0; i < 4000; ++i) {
      const double want = std::clamp(std::round(Left(i) * volume / 256.0), -32768.0, 32767.0);
      ASSERT_NEAR(got[0][size_t(i)] * 32768.0, want, 1.0) << "volume " << v << ", sample " << i;
    }
  }
}

TEST_F(ChannelMapTest, RematrixVolumeScalesTheDownmix) {
  std::string error;
  const auto plain = Mapped("mono", "-ac 1", &error);
  ASSERT_EQ(plain.size(), 1u) << error;
  const auto half = Mapped("mono_half", "-ac 1 -rmvol 0.5", &error);
  ASSERT_EQ(half.size(), 1u) << error;
  ASSERT_EQ(half[0].size(), plain[0].size());
  double loudest = 0;
  for (size_t i = 0; i < plain[0].size(); ++i) {
    loudest = std::max(loudest, std::fabs(double(plain[0][i])));
    ASSERT_NEAR(half[0][i] * 32768.0, plain[0][i] * 32768.0 / 2, 1.0) << "sample " << i;
  }
  EXPECT_GT(loudest * 32768, 4000);  // the downmix carries the tone
}

TEST_F(ChannelMapTest, MapsForAnotherOutputStreamLeaveTheTrackAlone) {
  std::string error;
  auto untouched = Mapped("other", "-map_channel 0.0.1:0.5", &error);
  ASSERT_EQ(untouched.size(), 2u) << error;
  EXPECT_TRUE(Holds(untouched[0], Left));
  EXPECT_TRUE(Holds(untouched[1], Right));
}

TEST_F(ChannelMapTest, OnlyChannelsOfTheSourceStreamAreTaken) {
  // A file with two stereo streams: the tone, then the tone with its
  // channels swapped.
  const auto dir = SoundScratch("channel_map_streams");
  const std::string a = WriteWav(dir / "a.wav", 8000, 2, 4000,
                                 [](int ch, int i) { return ch ? Right(i) : Left(i); });
  const std::string b = WriteWav(dir / "b.wav", 8000, 2, 4000,
                                 [](int ch, int i) { return ch ? Left(i) : Right(i); });
  const std::string both = (dir / "both.mkv").string();
  {
    engine::TTranscoder engine;
    ASSERT_EQ(engine.OpenInput(a), 0) << engine.LastErrorText();
    ASSERT_EQ(engine.OpenInput(b), 1) << engine.LastErrorText();
    engine.ParseOptions("-map 0:0 -map 1:0 -c:a pcm_s16le");
    ASSERT_EQ(engine.OpenOutput(both), 0) << engine.LastErrorText();
    engine.Run();
    ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  }
  // The output is fed by the second stream; the map naming the first
  // stream's channel does not apply to it.
  const std::string out = (dir / "second.flac").string();
  engine::TTranscoder engine;
  ASSERT_EQ(engine.OpenInput(both), 0) << engine.LastErrorText();
  engine.ParseOptions("-map 0:1 -c:a flac -map_channel 0.0.0 -map_channel 0.1.1");
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  const auto channels = DecodeChannels(out);
  ASSERT_EQ(channels.size(), 1u);
  EXPECT_TRUE(Holds(channels[0], Left));
}

}  // namespace
}  // namespace engine_test
