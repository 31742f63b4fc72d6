// Audio whose time stamps slowly run ahead of its samples: the sync method
// decides whether the sound is stretched to follow them.
#include <cmath>

#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "sound_files.h"

namespace engine_test {
namespace {

using AudioDriftTest = EngineTest;

// Output samples of three seconds of 8 kHz sound whose time stamps are
// stretched by 2 %, i.e. 480 samples of drift: below the 0.1 s threshold,
// so only compensation can follow it.
int64_t DriftedOutputSamples(int syncMethod) {
  const auto dir = SoundScratch("drift");
  const std::string wav = WriteWav(dir / "tone.wav", 8000, 1, 24000, [](int, int i) {
    return int16_t(8000 * std::sin(i * 0.05));
  });
  const std::string out = (dir / ("out" + std::to_string(syncMethod) + ".flac")).string();
  engine::TTranscoder engine;
  engine.ParseOptions("-itsscale 1.02");
  if (engine.OpenInput(wav) != 0) return -1;
  engine.ParseOptions("-c:a flac -async " + std::to_string(syncMethod));
  if (engine.OpenOutput(out) != 0) return -1;
  engine.Run();
  if (engine.ErrorOccurred()) {
    ADD_FAILURE() << engine.ErrorMessage();
    return -1;
  }
  const auto channels = DecodeChannels(out);
  return channels.empty() ? -1 : int64_t(channels[0].size());
}

TEST_F(AudioDriftTest, SmallDriftIsCompensatedOnlyAboveMethodOne) {
  // Method 1 only cuts or pads beyond the threshold: the sound stays as it is.
  EXPECT_NEAR(double(DriftedOutputSamples(1)), 24000, 10);
  bool compensated = false;
  for (const LogLine& line : Logged())
    compensated |= line.text.rfind("compensating audio timestamp drift:", 0) == 0;
  EXPECT_FALSE(compensated);

  // A large method stretches the sound toward the stamps' 24480 samples;
  // the correction lags the drift by about a second's worth of it.
  const int64_t stretched = DriftedOutputSamples(1000);
  EXPECT_GT(stretched, 24000 + 200);
  EXPECT_LE(stretched, 24480 + 50);
  for (const LogLine& line : Logged())
    compensated |= line.level == media::llVerbose &&
                   line.text.rfind("compensating audio timestamp drift:", 0) == 0;
  EXPECT_TRUE(compensated);
}

TEST_F(AudioDriftTest, CompensationPerFrameIsBoundedByTheMethod) {
  // Method 2 may move at most 2 samples per second of output per frame.
  const int64_t samples = DriftedOutputSamples(2);
  EXPECT_GE(samples, 24000);
  EXPECT_LT(samples, 24000 + 40);
  bool bounded = false;
  for (const LogLine& line : Logged())
    bounded |= line.text.find("compensation:2 in:8000") != std::string::npos;
  EXPECT_TRUE(bounded);
}

}  // namespace
}  // namespace engine_test
