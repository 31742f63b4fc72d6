#include "encoder/sound_track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>

#include "encoder/music_onsets.h"
#include "encoder/sound_track_loudness.h"
#include "encoder_support.h"
#include "wav_file.h"

namespace {

using namespace encoder;
using encoder_test::Scratch;
constexpr double kPi = std::numbers::pi;

class SoundTrackTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { encoder_test::InitMedia(); }
  void SetUp() override { dir_ = Scratch("sound_track"); }

  // A stereo 16-bit file of `seconds` whose samples come from f(t).
  std::string Wav(const std::string& name, int rate, double seconds,
                  const std::function<double(double)>& f) {
    const std::string path = (dir_ / name).string();
    testwav::WritePcm16(path, rate, 2, uint32_t(seconds * rate), [&](int, uint32_t i) {
      return int16_t(std::lround(std::clamp(f(double(i) / rate), -1.0, 1.0) * 32767));
    });
    return path;
  }

  static std::vector<float> ReadAll(SoundTrack& track) {
    std::vector<float> all;
    track.ForEachBlock([&](const float* s, size_t n) { all.insert(all.end(), s, s + 2 * n); });
    return all;
  }

  // Root mean square of the samples of [from, to) seconds.
  static double Rms(const std::vector<float>& s, double from, double to) {
    double sum = 0;
    const size_t a = size_t(from * 48000) * 2, b = size_t(to * 48000) * 2;
    for (size_t i = a; i < b; ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(b - a));
  }

  std::filesystem::path dir_;
};

// Files joined end to end: the track is exactly as long as its files, and a
// steady level runs through the seams with no gap or jump.
TEST_F(SoundTrackTest, JoinsFilesSampleExactWithoutGapOrClick) {
  const auto level = [](double) { return 0.25; };
  SoundTrack track({{{Wav("a.wav", 48000, 1.3, level)},
                     {Wav("b.wav", 48000, 0.7001, level)},
                     {Wav("c.wav", 44100, 2.0, level)}}});
  const int64_t c = track.Plan().Files()[2].length;
  EXPECT_NEAR(double(c), 96000, 1);  // 2 s at 44.1 kHz, resampled
  EXPECT_EQ(track.Frames(), 62400 + 33604 + c);
  const std::vector<float> s = ReadAll(track);
  ASSERT_EQ(int64_t(s.size()), 2 * track.Frames());
  // The resampler rings at the very ends of the third file only.
  for (size_t i = 0; i < size_t(62400 + 33604 + 100) * 2; ++i)
    ASSERT_NEAR(s[i], 0.25f, 1e-4) << "sample frame " << i / 2;
}

// Crossfades shorten the track by their overlap and keep the power steady;
// a file's own fades start and end it at silence.
TEST_F(SoundTrackTest, CrossfadesAndFadesShapeTheJoin) {
  const auto tone = [](double t) { return 0.5 * std::sin(2 * kPi * 440 * t); };
  SoundTrackSettings settings{
      {{Wav("x.wav", 48000, 3, tone), 0.5, 0}, {Wav("y.wav", 48000, 3, tone), 0, 1.0}}, 1.0};
  SoundTrack track(settings);
  EXPECT_EQ(track.Frames(), 2 * 144000 - 48000);
  const SoundTrackPlan& plan = track.Plan();
  for (int64_t k = 0; k < 48000; k += 997) {
    const float out = plan.FileGain(0, 96000 + k), in = plan.FileGain(1, k);
    EXPECT_NEAR(out * out + in * in, 1.0, 1e-5) << k;
  }
  const std::vector<float> s = ReadAll(track);
  EXPECT_LT(Rms(s, 0, 0.05), 0.05);
  EXPECT_LT(Rms(s, 4.95, 5.0), 0.05);
  EXPECT_NEAR(Rms(s, 1, 2), 0.5 / std::sqrt(2), 0.01);
}

// Cut where the pictures end: the track ends there, and its last second is
// clearly quieter than the one before; a fade of 0 cuts at full level.
TEST_F(SoundTrackTest, CutAtTheShowsEndFadesOutOrCuts) {
  const auto tone = [](double t) { return 0.5 * std::sin(2 * kPi * 330 * t); };
  SoundTrack track({{{Wav("long.wav", 48000, 8, tone)}}});
  track.CutAt(5 * 48000, 2 * 48000);
  std::vector<float> s = ReadAll(track);
  ASSERT_EQ(s.size(), size_t(5 * 48000 * 2));
  EXPECT_LT(Rms(s, 4, 5), 0.6 * Rms(s, 3, 4));
  EXPECT_NEAR(Rms(s, 2, 3), 0.5 / std::sqrt(2), 0.01);
  track.CutAt(5 * 48000, 0);
  s = ReadAll(track);
  ASSERT_EQ(s.size(), size_t(5 * 48000 * 2));
  EXPECT_NEAR(Rms(s, 4.9, 5), 0.5 / std::sqrt(2), 0.01);
}

TEST_F(SoundTrackTest, RefusesByNameAFileWithoutSound) {
  const std::filesystem::path text = dir_ / "notes.mp3";
  std::ofstream(text) << "not music at all\n";
  try {
    SoundTrack track({{{Wav("ok.wav", 48000, 1, [](double) { return 0.1; })}, {text.string()}}});
    ADD_FAILURE() << "a text file was taken as music";
  } catch (const SoundFileError& e) {
    EXPECT_NE(std::string(e.what()).find("notes.mp3"), std::string::npos) << e.what();
  }
}

// The meter agrees with the standard's reference (a 1 kHz stereo sine at
// -23 dBFS reads -23 LUFS), and three unlike inputs land within 1 LU of
// the target.
TEST_F(SoundTrackTest, LoudnessReachesTheTargetOnUnlikeInputs) {
  const double ref = std::pow(10.0, -23.0 / 20);
  SoundTrack reference(
      {{{Wav("ref.wav", 48000, 5, [&](double t) { return ref * std::sin(2 * kPi * 1000 * t); })}}});
  EXPECT_NEAR(MeasureLoudness(reference).value_or(0), -23.0, 0.3);

  uint32_t noise = 1;
  const std::vector<std::function<double(double)>> inputs = {
      [](double t) { return 0.02 * std::sin(2 * kPi * 220 * t); },  // quiet, low
      [&](double) {                                                 // loud noise
        noise = noise * 1664525u + 1013904223u;
        return 0.6 * (double(noise >> 8) / double(1 << 24) - 0.5);
      },
      [](double t) {  // soft verse, loud chorus
        return (std::fmod(t, 4) < 2 ? 0.05 : 0.4) * std::sin(2 * kPi * 660 * t);
      }};
  for (size_t i = 0; i < inputs.size(); ++i) {
    SoundTrack track({{{Wav("in" + std::to_string(i) + ".wav", 48000, 8, inputs[i])}}});
    NormaliseLoudness(track, -16);
    EXPECT_NEAR(MeasureLoudness(track).value_or(0), -16.0, 1.0) << "input " << i;
  }
  SoundTrack silence({{{Wav("silence.wav", 48000, 2, [](double) { return 0.0; })}}});
  EXPECT_FALSE(NormaliseLoudness(silence, -16).has_value());
}

// A click track (30 ms decaying ticks): every click is found within one video frame (1/30 s), and
// nothing else is; the beat tracker's beats, once locked, fall on clicks.
TEST_F(SoundTrackTest, FindsTheClicksOfAClickTrack) {
  const double period = 0.5, first = 0.25;
  const auto click = [&](double t) {
    const double in = std::fmod(t - first + period, period);
    return in < 0.03 ? 0.8 * std::exp(-100 * in) * std::sin(2 * kPi * 2000 * in) : 0.0;
  };
  SoundTrack track({{{Wav("clicks.wav", 48000, 12, click)}}});
  const auto nearestClick = [&](double t) {
    return std::abs(t - (first + std::round((t - first) / period) * period));
  };
  const std::vector<double> onsets = DetectOnsets(track, OnsetKind::Onsets);
  EXPECT_EQ(onsets.size(), 24u);
  for (double t : onsets) EXPECT_LT(nearestClick(t), 1.0 / 30) << t;
  const std::vector<double> beats = DetectOnsets(track, OnsetKind::Beats);
  EXPECT_GT(beats.size(), 8u);
  for (double t : beats) EXPECT_LT(nearestClick(t), 1.0 / 30) << t;
}

}  // namespace
