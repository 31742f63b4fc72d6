// Joining a task's inputs into one output through the encoder's join switch.
#include <cmath>
#include <mutex>

#include "encoder_support.h"
#include "playback_check.h"
#include "media/binding/ff_entry_points.h"
#include "wav_file.h"

namespace encoder_test {
namespace {

using encoder::TFFEncoder;

class JoinTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitMedia(); }
};

std::string Tone(const fs::path& path, int rate, int channels, double seconds) {
  testwav::WritePcm16(path, rate, channels, uint32_t(std::lround(seconds * rate)),
                      [&](int, uint32_t i) { return int16_t(9000 * std::sin(i * 0.06)); });
  return path.string();
}

// Decoded samples per channel of the file's audio stream; -1 when unreadable.
int64_t DecodedSamples(const fs::path& path, int* rate) {
  int64_t samples = 0;
  const playcheck::Playback p =
      playcheck::DecodeEveryFrame(path.string(), [&](const AVStream& st, const AVFrame& frame) {
        if (st.codecpar->codec_type != AVMEDIA_TYPE_AUDIO) return;
        samples += frame.nb_samples;
        *rate = frame.sample_rate;
      });
  return p.opened && p.audioStreams > 0 && p.badPackets == 0 ? samples : -1;
}

encoder::TInputOptions Paced() {
  encoder::TInputOptions in;
  in.Options = "-re";
  return in;
}

encoder::TOutputOptions JoinedMp3() {
  encoder::TOutputOptions out;
  out.Options = "-c:a libmp3lame";
  out.Join = true;
  return out;
}

TEST_F(JoinTest, ThreeSoundFilesMakeOneMp3AsLongAsAllOfThem) {
  const fs::path dir = Scratch("join-mp3");
  TFFEncoder enc;
  TerminateLog log;
  log.Attach(enc);
  enc.SetProgressInterval(100);
  std::mutex lock;
  std::vector<encoder::TProgressInfo> reports;
  enc.OnProgress = [&](encoder::TCustomEncoder*, encoder::PProgressInfo p) {
    std::lock_guard guard(lock);
    reports.push_back(*p);
  };
  // Paced, so that every input is read while reports come.
  encoder::TInputOptions a = Paced(), b = Paced(), c = Paced();
  ASSERT_EQ(enc.AddTask(Tone(dir / "a.wav", 44100, 2, 0.4), &a), 0) << enc.LastErrorMessage();
  ASSERT_EQ(enc.AddInput(0, Tone(dir / "b.wav", 22050, 1, 0.5), &b), 1) << enc.LastErrorMessage();
  ASSERT_EQ(enc.AddInput(0, Tone(dir / "c.wav", 44100, 2, 0.6), &c), 2) << enc.LastErrorMessage();
  encoder::TOutputOptions out = JoinedMp3();
  const fs::path file = dir / "joined.mp3";
  ASSERT_GE(enc.SetOutput(0, file.string(), &out), 0) << enc.LastErrorMessage();
  enc.StartTask(1);
  ASSERT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
  ASSERT_EQ(log.events.size(), 2u);
  EXPECT_FALSE(log.events[0].ErrorOccurred) << log.events[0].ErrorMessage;
  EXPECT_TRUE(log.events[0].Finished);

  {
    std::lock_guard guard(lock);
    ASSERT_GE(reports.size(), 4u);
    EXPECT_EQ(reports.back().InputIndex, -1);
    std::vector<int> inputs;
    for (const auto& r : reports) {
      EXPECT_EQ(r.TotalDuration, 1500000) << "the sum of the three lengths";
      if (r.InputIndex >= 0 && (inputs.empty() || inputs.back() != r.InputIndex))
        inputs.push_back(r.InputIndex);
    }
    EXPECT_EQ(inputs, (std::vector<int>{0, 1, 2})) << "each input in turn, once";
  }
  int rate = 0;
  const int64_t samples = DecodedSamples(file, &rate);
  EXPECT_EQ(rate, 44100) << "the first input's rate";
  // The file's header tells the decoder the encoder's delay and padding, so
  // silence put between the inputs would show.
  EXPECT_NEAR(double(samples), 66150, 32);
}

TEST_F(JoinTest, SecondInputWithoutSoundIsRefusedAndLeavesNoFile) {
  const fs::path dir = Scratch("join-refused");
  TFFEncoder enc;
  FrameSource pictures;
  ASSERT_EQ(enc.AddTask(Tone(dir / "a.wav", 44100, 1, 0.3)), 0) << enc.LastErrorMessage();
  encoder::TInputOptions in = SourceOptions();
  ASSERT_EQ(enc.AddInput(0, pictures.adapter.InputFileName(), &in), 1) << enc.LastErrorMessage();
  encoder::TOutputOptions out = JoinedMp3();
  const fs::path file = dir / "refused.mp3";
  EXPECT_EQ(enc.SetOutput(0, file.string(), &out), -1);
  EXPECT_EQ(enc.LastErrorMessage(), "Cannot join files with diffrent steams state");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(enc.TaskCount(), 1) << "the task stays with its inputs";
}

TEST_F(JoinTest, SecondOutputOfAJoiningTaskIsRefused) {
  const fs::path dir = Scratch("join-second");
  TFFEncoder enc;
  ASSERT_EQ(enc.AddTask(Tone(dir / "a.wav", 44100, 1, 0.2)), 0);
  ASSERT_EQ(enc.AddInput(0, Tone(dir / "b.wav", 44100, 1, 0.2)), 1);
  encoder::TOutputOptions out = JoinedMp3();
  ASSERT_GE(enc.SetOutput(0, (dir / "first.mp3").string(), &out), 0) << enc.LastErrorMessage();
  encoder::TOutputOptions second = JoinedMp3();
  EXPECT_LT(enc.SetOutput(0, (dir / "second.mp3").string(), &second), 0);
  EXPECT_EQ(enc.LastErrorMessage(), "Cannot join more than one output file.");
  EXPECT_FALSE(fs::exists(dir / "second.mp3"));
}

TEST_F(JoinTest, JoiningASingleInputFailsItsAssertion) {
  const fs::path dir = Scratch("join-single");
  TFFEncoder enc;
  ASSERT_EQ(enc.AddTask(Tone(dir / "a.wav", 44100, 1, 0.2)), 0);
  encoder::TOutputOptions out = JoinedMp3();
  EXPECT_EQ(enc.SetOutput(0, (dir / "single.mp3").string(), &out), -1);
  EXPECT_EQ(enc.LastErrorMessage(), "Assertion failed: join mode is off");
}

}  // namespace
}  // namespace encoder_test
