// The encoder's per-frame hook events on real runs: drawing on the bitmaps
// changes the encoded video, StopHook and exceptions, the frame hooks'
// planes, the audio hook counting the sound file, hooks only where the
// output options ask, and hooks refused on a copied stream.
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "encoder_support.h"
#include "playback_check.h"
#include "gfx/bitmap.h"
#include "media/binding/ff_entry_points.h"
#include "media/bridges/main_thread.h"
#include "wav_file.h"

namespace encoder_test {
namespace {

using encoder::TCustomEncoder;
using encoder::TFFEncoder;

constexpr int kFrames = 15;

// The source's colour of frame n (from 1), as 0xRRGGBB.
uint32_t SourceColour(int n) { return 0x102030 + uint32_t(n) * 0x050301; }

// Limited-range luma of a colour.
double Luma(uint32_t rgb) {
  const double r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return 16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255;
}

// Mean luma of every decoded picture of the file's video stream.
std::vector<double> MeanLuma(const fs::path& path) {
  std::vector<double> means;
  playcheck::DecodeEveryFrame(path.string(), [&](const AVStream& st, const AVFrame& frame) {
    if (st.codecpar->codec_type != AVMEDIA_TYPE_VIDEO) return;
    double sum = 0;
    for (int y = 0; y < frame.height; ++y)
      for (int x = 0; x < frame.width; ++x) sum += frame.data[0][y * frame.linesize[0] + x];
    means.push_back(sum / (frame.width * frame.height));
  });
  return means;
}

void PaintWhite(gfx::Bitmap& bitmap) {
  const size_t bytes = size_t(bitmap.Width()) * size_t(gfx::BitsPerPixel(bitmap.Format()) / 8);
  for (int y = 0; y < bitmap.Height(); ++y) std::memset(bitmap.ScanLine(y), 0xFF, bytes);
}

class HookEventsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitMedia(); }

  // A task from the frame source into the file with the hooks `out` asks for.
  int AddTask(TFFEncoder& enc, FrameSource& source, const fs::path& file,
              encoder::TOutputOptions out) {
    encoder::TInputOptions in = SourceOptions();
    const int task = enc.AddTask(source.adapter.InputFileName(), &in);
    EXPECT_EQ(task, 0) << enc.LastErrorMessage();
    if (task < 0) return task;
    const int r = enc.SetOutput(task, file.string(), &out);
    EXPECT_GE(r, 0) << enc.LastErrorMessage();
    return r;
  }

  // Runs the only task on a worker; the terminate event of the task.
  encoder::TTerminateInfo Run(TFFEncoder& enc) {
    TerminateLog log;
    log.Attach(enc);
    enc.StartTask(1);
    EXPECT_TRUE(WaitFor([&] { return log.FinalSeen(); }));
    enc.OnTerminate = nullptr;
    EXPECT_EQ(log.Indexes(), (std::vector<int>{0, -1}));
    return log.events.empty() ? encoder::TTerminateInfo{} : log.events[0];
  }
};

TEST_F(HookEventsTest, OutputHookDrawingReachesTheVideoUntilStopHook) {
  const fs::path file = Scratch("hook-output") / "out.mp4";
  TFFEncoder enc;
  std::mutex lock;
  std::vector<int> frames;
  bool offWorker = false;
  enc.OnVideoOutputHook = [&](TCustomEncoder* sender, encoder::PHookInfo info) {
    std::lock_guard guard(lock);
    offWorker |= media::IsMainThread();
    EXPECT_EQ(sender, &enc);
    EXPECT_EQ(info->TaskIndex, 0);
    EXPECT_TRUE(info->Update);
    EXPECT_FALSE(info->StopHook);
    EXPECT_EQ(info->Bitmap->Width(), 160);
    EXPECT_EQ(info->Bitmap->Height(), 120);
    EXPECT_EQ(info->Bitmap->Format(), gfx::PixelFormat::pf24bit);
    EXPECT_NEAR(double(info->PTS), (info->FrameNumber - 1) * 1e6 / 30, 1.0);
    frames.push_back(info->FrameNumber);
    PaintWhite(*info->Bitmap);
    info->StopHook = info->FrameNumber == 5;
  };
  FrameSource source(kFrames);
  encoder::TOutputOptions out = OutputOptions();
  out.VideoOutputHook = true;
  ASSERT_GE(AddTask(enc, source, file, out), 0);
  const encoder::TTerminateInfo end = Run(enc);
  EXPECT_TRUE(end.Finished);
  EXPECT_FALSE(end.ErrorOccurred) << end.ErrorMessage;
  std::lock_guard guard(lock);
  EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_FALSE(offWorker);
  const auto luma = MeanLuma(file);
  ASSERT_EQ(luma.size(), size_t(kFrames));
  for (int i = 0; i < kFrames; ++i) {
    if (i < 5) EXPECT_GT(luma[i], 225) << i;
    else EXPECT_NEAR(luma[i], Luma(SourceColour(i + 1)), 3) << i;
  }
}

TEST_F(HookEventsTest, InputHookExceptionOrClearedUpdateLeavesThePictureAlone) {
  const fs::path file = Scratch("hook-input") / "out.mp4";
  TFFEncoder enc;
  std::atomic<int> calls{0};
  enc.OnVideoInputHook = [&](TCustomEncoder*, encoder::PHookInfo info) {
    ++calls;
    EXPECT_EQ(info->Bitmap->Format(), gfx::PixelFormat::pf32bit);
    PaintWhite(*info->Bitmap);
    if (info->FrameNumber == 3) throw std::runtime_error("drawing failed");
    info->Update = info->FrameNumber != 5;
  };
  FrameSource source(kFrames);
  encoder::TOutputOptions out = OutputOptions();
  out.VideoInputHook = true;
  out.HookBitsPerPixel = 32;
  ASSERT_GE(AddTask(enc, source, file, out), 0);
  const encoder::TTerminateInfo end = Run(enc);
  EXPECT_TRUE(end.Finished);
  EXPECT_FALSE(end.ErrorOccurred) << end.ErrorMessage;
  EXPECT_EQ(calls, kFrames);
  const auto luma = MeanLuma(file);
  ASSERT_EQ(luma.size(), size_t(kFrames));
  for (int i = 0; i < kFrames; ++i) {
    if (i == 2 || i == 4) EXPECT_NEAR(luma[i], Luma(SourceColour(i + 1)), 3) << i;
    else EXPECT_GT(luma[i], 225) << i;
  }
}

TEST_F(HookEventsTest, FrameHooksGetThePlanesOfEachPicture) {
  const fs::path file = Scratch("hook-frames") / "out.mp4";
  TFFEncoder enc;
  std::mutex lock;
  std::vector<int> inFrames, outFrames;
  enc.OnFrameInputHook = [&](TCustomEncoder*, encoder::PFrameHookInfo info) {
    std::lock_guard guard(lock);
    inFrames.push_back(info->FrameNumber);
    EXPECT_EQ(info->TaskIndex, 0);
    EXPECT_EQ(info->PixelFormat, AV_PIX_FMT_BGRA);
    EXPECT_EQ(info->Width, 160);
    EXPECT_EQ(info->Height, 120);
    EXPECT_NEAR(double(info->PTS), (info->FrameNumber - 1) * 1e6 / 30, 1.0);
    const uint32_t colour = SourceColour(info->FrameNumber);
    const uint8_t* pixel = info->Picture->data[0] + 60 * info->Picture->linesize[0] + 4 * 80;
    EXPECT_EQ(pixel[0], colour & 0xFF);
    EXPECT_EQ(pixel[1], (colour >> 8) & 0xFF);
    EXPECT_EQ(pixel[2], (colour >> 16) & 0xFF);
  };
  enc.OnFrameOutputHook = [&](TCustomEncoder*, encoder::PFrameHookInfo info) {
    std::lock_guard guard(lock);
    outFrames.push_back(info->FrameNumber);
    EXPECT_EQ(info->PixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(info->Width, 160);
    const double y = info->Picture->data[0][60 * info->Picture->linesize[0] + 80];
    EXPECT_NEAR(y, Luma(SourceColour(info->FrameNumber)), 2);
    // Frame 7 goes out bright.
    if (info->FrameNumber == 7)
      for (int row = 0; row < info->Height; ++row)
        std::memset(info->Picture->data[0] + row * info->Picture->linesize[0], 235,
                    size_t(info->Width));
  };
  FrameSource source(kFrames);
  encoder::TOutputOptions out = OutputOptions();
  out.FrameInputHook = true;
  out.FrameOutputHook = true;
  ASSERT_GE(AddTask(enc, source, file, out), 0);
  const encoder::TTerminateInfo end = Run(enc);
  EXPECT_FALSE(end.ErrorOccurred) << end.ErrorMessage;
  std::vector<int> all;
  for (int n = 1; n <= kFrames; ++n) all.push_back(n);
  std::lock_guard guard(lock);
  EXPECT_EQ(inFrames, all);
  EXPECT_EQ(outFrames, all);
  const auto luma = MeanLuma(file);
  ASSERT_EQ(luma.size(), size_t(kFrames));
  EXPECT_GT(luma[6], 225);
  EXPECT_NEAR(luma[7], Luma(SourceColour(8)), 3);
}

TEST_F(HookEventsTest, AudioHookHearsEverySampleOfTheSoundFile) {
  const fs::path dir = Scratch("hook-audio");
  const fs::path wav = dir / "tone.wav";
  constexpr int kRate = 22050, kSamples = 30000;
  testwav::WritePcm16(wav, kRate, 2, kSamples,
                      [](int c, uint32_t i) { return int16_t((i * 13 + c * 500) % 4000); });
  TFFEncoder enc;
  std::mutex lock;
  int64_t samples = 0;
  int wrong = 0, calls = 0;
  bool onMain = false;
  enc.OnAudioHook = [&](TCustomEncoder* sender, int task, const int64_t pts, uint8_t* data,
                        int size, int rate, int channels, AVSampleFormat format) {
    std::lock_guard guard(lock);
    onMain |= media::IsMainThread();
    ++calls;
    wrong += sender != &enc || task != 0 || rate != kRate || channels != 2 ||
             format != AV_SAMPLE_FMT_S16 || size % 4 != 0 ||
             std::llabs(pts - samples * 1000000 / kRate) > 1;
    const auto* s = reinterpret_cast<const int16_t*>(data);
    for (int i = 0; i < size / 4; ++i)
      wrong += s[2 * i + 1] != int16_t(((samples + i) * 13 + 500) % 4000);
    samples += size / 4;
  };
  FrameSource source(kFrames);
  encoder::TInputOptions in = SourceOptions();
  ASSERT_EQ(enc.AddTask(source.adapter.InputFileName(), &in), 0) << enc.LastErrorMessage();
  ASSERT_GE(enc.AddInput(0, wav.string()), 0) << enc.LastErrorMessage();
  encoder::TOutputOptions out = OutputOptions("-c:a libmp3lame");
  out.AudioHook = true;
  ASSERT_GE(enc.SetOutput(0, (dir / "out.mkv").string(), &out), 0) << enc.LastErrorMessage();
  const encoder::TTerminateInfo end = Run(enc);
  EXPECT_FALSE(end.ErrorOccurred) << end.ErrorMessage;
  std::lock_guard guard(lock);
  EXPECT_EQ(samples, kSamples);
  EXPECT_GT(calls, 1);
  EXPECT_EQ(wrong, 0);
  EXPECT_FALSE(onMain);
}

TEST_F(HookEventsTest, HooksRunOnlyWhereTheOutputOptionsAskForThem) {
  const fs::path dir = Scratch("hook-none");
  const fs::path wav = dir / "tone.wav";
  testwav::WritePcm16(wav, 22050, 1, 22050, [](int, uint32_t i) { return int16_t(i); });
  TFFEncoder enc;
  std::atomic<int> calls{0};
  enc.OnAudioHook = [&](TCustomEncoder*, int, int64_t, uint8_t*, int, int, int, AVSampleFormat) {
    ++calls;
  };
  enc.OnVideoInputHook = [&](TCustomEncoder*, encoder::PHookInfo) { ++calls; };
  enc.OnVideoOutputHook = [&](TCustomEncoder*, encoder::PHookInfo) { ++calls; };
  enc.OnFrameInputHook = [&](TCustomEncoder*, encoder::PFrameHookInfo) { ++calls; };
  enc.OnFrameOutputHook = [&](TCustomEncoder*, encoder::PFrameHookInfo) { ++calls; };
  FrameSource source(kFrames);
  encoder::TInputOptions in = SourceOptions();
  ASSERT_EQ(enc.AddTask(source.adapter.InputFileName(), &in), 0) << enc.LastErrorMessage();
  ASSERT_GE(enc.AddInput(0, wav.string()), 0) << enc.LastErrorMessage();
  encoder::TOutputOptions out = OutputOptions("-c:a libmp3lame");
  ASSERT_GE(enc.SetOutput(0, (dir / "out.mkv").string(), &out), 0) << enc.LastErrorMessage();
  const encoder::TTerminateInfo end = Run(enc);
  EXPECT_FALSE(end.ErrorOccurred) << end.ErrorMessage;
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(CountVideoFrames(dir / "out.mkv"), kFrames);
}

TEST_F(HookEventsTest, AudioHookOnACopiedStreamEndsTheTaskWithTheReason) {
  const fs::path dir = Scratch("hook-copy");
  const fs::path wav = dir / "tone.wav";
  testwav::WritePcm16(wav, 22050, 1, 2205, [](int, uint32_t i) { return int16_t(i); });
  TFFEncoder enc;
  encoder::TInputOptions in;
  ASSERT_EQ(enc.AddTask(wav.string(), &in), 0) << enc.LastErrorMessage();
  encoder::TOutputOptions out;
  out.Options = "-acodec copy";
  out.AudioHook = true;
  ASSERT_GE(enc.SetOutput(0, (dir / "out.wav").string(), &out), 0) << enc.LastErrorMessage();
  const encoder::TTerminateInfo end = Run(enc);
  EXPECT_TRUE(end.ErrorOccurred);
  EXPECT_EQ(end.ErrorMessage, "-acodec copy and AudioHook are incompatible (frames are not decoded)");
  EXPECT_FALSE(fs::exists(dir / "out.wav"));
}

}  // namespace
}  // namespace encoder_test
