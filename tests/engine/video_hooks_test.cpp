// Per-frame picture hooks of whole runs: bitmap hooks drawing into the
// output, their stop and update flags and exceptions, frame hooks on the
// planes, failed conversions, the preview reusing the output hook's bitmap,
// and hooks refused on copied streams.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "gfx/bitmap.h"
#include "media/binding/ff_entry_points.h"
#include "sound_files.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;

constexpr int kW = 16, kH = 8;

uint8_t Sample(int n, int x, int y, int c) { return uint8_t(10 + 10 * n + 3 * x + 4 * y + 50 * c); }

// RGB pictures whose every byte depends on frame, position and channel.
std::string WriteRgb(const fs::path& path, int frames) {
  std::ofstream f(path, std::ios::binary);
  for (int n = 0; n < frames; ++n)
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        for (int c = 0; c < 3; ++c) f.put(char(Sample(n, x, y, c)));
  return path.string();
}

// Grey pictures: 20 + x + y + n.
std::string WriteGrey(const fs::path& path, int frames) {
  std::ofstream f(path, std::ios::binary);
  for (int n = 0; n < frames; ++n)
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) f.put(char(20 + x + y + n));
  return path.string();
}

// Tightly packed bytes of every picture of the file (first plane).
std::vector<std::vector<uint8_t>> Pictures(const std::string& path, int bytesPerPixel) {
  std::vector<std::vector<uint8_t>> pictures;
  DecodeFirstStream(path, [&](const AVFrame& frame) {
    std::vector<uint8_t> p;
    for (int y = 0; y < frame.height; ++y)
      p.insert(p.end(), frame.data[0] + y * frame.linesize[0],
               frame.data[0] + y * frame.linesize[0] + frame.width * bytesPerPixel);
    pictures.push_back(std::move(p));
  });
  return pictures;
}

// Opens the input of raw pictures and an output of raw pictures in a NUT file.
void Prepare(engine::TTranscoder& engine, const std::string& raw, const std::string& inFormat,
             const std::string& out, const std::string& outFormat) {
  engine.ParseOptions("-f rawvideo -pix_fmt " + inFormat + " -s 16x8 -r 25");
  ASSERT_EQ(engine.OpenInput(raw), 0) << engine.LastErrorText();
  engine.ParseOptions("-y -c:v rawvideo -pix_fmt " + outFormat);
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
}

// Makes row y of a 24-bit bitmap pure red.
void PaintRowRed(gfx::Bitmap& bitmap, int y) {
  uint8_t* row = bitmap.ScanLine(y);
  for (int x = 0; x < bitmap.Width(); ++x) {
    row[3 * x] = 0;
    row[3 * x + 1] = 0;
    row[3 * x + 2] = 255;
  }
}

// Whether the RGB picture is frame n of WriteRgb, with row `redRow` (if not
// -1) pure red instead.
bool IsSource(const std::vector<uint8_t>& p, int n, int redRow = -1, bool bgr = false) {
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      for (int c = 0; c < 3; ++c) {
        const int red = bgr ? 2 : 0;
        const uint8_t want = y == redRow ? (c == red ? 255 : 0) : Sample(n, x, y, bgr ? 2 - c : c);
        if (p[size_t((y * kW + x) * 3 + c)] != want) return false;
      }
  return true;
}

using VideoHooksTest = EngineTest;

TEST_F(VideoHooksTest, OutputBitmapHookDrawsIntoEveryEncodedPicture) {
  const fs::path dir = SoundScratch("hook-output-bitmap");
  const std::string raw = WriteRgb(dir / "in.rgb", 4);
  // BGR pictures may be handed over without a conversion; RGB ones are converted.
  for (const std::string format : {"rgb24", "bgr24"}) {
    SCOPED_TRACE(format);
    const std::string out = (dir / (format + ".nut")).string();
    engine::TTranscoder engine;
    std::vector<int> frames;
    std::vector<int64_t> times;
    engine.OnVideoOutputHook = [&](engine::VideoHookCall& call) {
      EXPECT_EQ(call.bitmap.Width(), kW);
      EXPECT_EQ(call.bitmap.Format(), gfx::PixelFormat::pf24bit);
      EXPECT_TRUE(call.update);
      EXPECT_FALSE(call.stop);
      frames.push_back(call.frameNumber);
      times.push_back(call.pts);
      // The handler sees the picture itself before drawing on it.
      const uint8_t* row = call.bitmap.ScanLine(2);
      EXPECT_EQ(row[3 * 5 + 2], Sample(call.frameNumber - 1, 5, 2, 0));
      PaintRowRed(call.bitmap, call.frameNumber);
    };
    Prepare(engine, raw, "rgb24", out, format);
    engine.Run();
    ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(times, (std::vector<int64_t>{0, 40000, 80000, 120000}));
    const auto pictures = Pictures(out, 3);
    ASSERT_EQ(pictures.size(), 4u);
    for (int n = 0; n < 4; ++n) EXPECT_TRUE(IsSource(pictures[n], n, n + 1, format == "bgr24")) << n;
  }
}

TEST_F(VideoHooksTest, UpdateStopAndExceptionsDecideWhatReachesTheOutput) {
  const fs::path dir = SoundScratch("hook-flags");
  const std::string raw = WriteRgb(dir / "in.rgb", 6);
  const std::string out = (dir / "out.nut").string();
  engine::TTranscoder engine;
  int calls = 0;
  engine.OnVideoOutputHook = [&](engine::VideoHookCall& call) {
    ++calls;
    PaintRowRed(call.bitmap, 0);
    switch (call.frameNumber) {
      case 2: throw std::runtime_error("boom");
      case 3: call.update = false; break;
      case 4: call.stop = true; break;
    }
  };
  Prepare(engine, raw, "rgb24", out, "rgb24");
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_EQ(calls, 4);
  EXPECT_FALSE(engine.OnVideoOutputHook);
  EXPECT_TRUE(WasLogged(media::llError, "Error occurs VideoHook event: boom"));
  const auto pictures = Pictures(out, 3);
  ASSERT_EQ(pictures.size(), 6u);
  EXPECT_TRUE(IsSource(pictures[0], 0, 0));
  EXPECT_TRUE(IsSource(pictures[1], 1));  // threw
  EXPECT_TRUE(IsSource(pictures[2], 2));  // update cleared
  EXPECT_TRUE(IsSource(pictures[3], 3, 0));  // stopped after this one
  EXPECT_TRUE(IsSource(pictures[4], 4));
  EXPECT_TRUE(IsSource(pictures[5], 5));
}

TEST_F(VideoHooksTest, InputBitmapHookSeesDecodedPicturesAndKeepsPluginsOutUntilItStops) {
  const fs::path dir = SoundScratch("hook-input-bitmap");
  const std::string raw = WriteGrey(dir / "in.gray", 4);
  const std::string out = (dir / "out.nut").string();
  engine::TTranscoder engine;
  engine.ParseOptions("-vhook " + std::string(LS_TEST_PLUGIN_DIR) + "/invert_plane_hook.so");
  std::vector<int> frames;
  std::vector<int64_t> times;
  engine.OnVideoInputHook = [&](engine::VideoHookCall& call) {
    frames.push_back(call.frameNumber);
    times.push_back(call.pts);
    call.update = false;
    call.stop = call.frameNumber == 2;
  };
  Prepare(engine, raw, "gray", out, "gray");
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_EQ(frames, (std::vector<int>{1, 2}));
  EXPECT_EQ(times, (std::vector<int64_t>{0, 40000}));
  // The plug-in inverts only the pictures after the hook stopped.
  const auto pictures = Pictures(out, 1);
  ASSERT_EQ(pictures.size(), 4u);
  for (int n = 0; n < 4; ++n) {
    const int value = 20 + 3 + 2 + n;  // at x 3, y 2
    EXPECT_EQ(pictures[n][2 * kW + 3], n < 2 ? value : 255 - value) << n;
  }
}

TEST_F(VideoHooksTest, FrameHooksGetThePlanesOnBothSidesOfTheGraph) {
  const fs::path dir = SoundScratch("hook-planes");
  const std::string raw = WriteGrey(dir / "in.gray", 3);
  const std::string out = (dir / "out.nut").string();
  engine::TTranscoder engine;
  std::vector<int> inFrames, outFrames;
  std::vector<int64_t> outTimes;
  engine.OnFrameInputHook = [&](const engine::FrameHookCall& call) {
    const int n = int(inFrames.size());
    inFrames.push_back(call.frameNumber);
    EXPECT_EQ(call.format, AV_PIX_FMT_GRAY8);
    EXPECT_EQ(call.width, kW);
    EXPECT_EQ(call.height, kH);
    EXPECT_EQ(call.pts, n * 40000);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        uint8_t& v = call.picture.data[0][y * call.picture.linesize[0] + x];
        EXPECT_EQ(v, 20 + x + y + n);
        v = uint8_t(255 - v);
      }
  };
  // A larger output: the output hook sees the scaled picture.
  engine.OnFrameOutputHook = [&](const engine::FrameHookCall& call) {
    outFrames.push_back(call.frameNumber);
    outTimes.push_back(call.pts);
    EXPECT_EQ(call.format, AV_PIX_FMT_GRAY8);
    EXPECT_EQ(call.width, 2 * kW);
    EXPECT_EQ(call.height, 2 * kH);
    // The input hook's inversion made the left edge brighter than the right.
    const uint8_t* row = call.picture.data[0] + 4 * call.picture.linesize[0];
    EXPECT_GT(row[0], row[2 * kW - 1]);
    call.picture.data[0][0] = 7;
  };
  engine.ParseOptions("-f rawvideo -pix_fmt gray -s 16x8 -r 25");
  ASSERT_EQ(engine.OpenInput(raw), 0) << engine.LastErrorText();
  engine.ParseOptions("-y -c:v rawvideo -pix_fmt gray -s 32x16 -r 50 -vsync 1");
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_EQ(inFrames, (std::vector<int>{1, 2, 3}));
  // Each picture is held for two output frames at the doubled rate: the
  // hook sees every output frame with its own time.
  ASSERT_GE(outFrames.size(), 5u);
  for (size_t i = 0; i < outFrames.size(); ++i) {
    EXPECT_EQ(outFrames[i], int(i) + 1);
    EXPECT_EQ(outTimes[i], int64_t(i) * 20000);
  }
  const auto pictures = Pictures(out, 1);
  ASSERT_EQ(pictures.size(), outFrames.size());
  for (const auto& p : pictures) {
    EXPECT_EQ(p[0], 7);
    EXPECT_GT(p[4 * 2 * kW + 1], 200);  // inverted dark corner
  }
}

// Four-two-two with interleaved chroma cannot be read by the scaler.
TEST_F(VideoHooksTest, FailedConversionDisconnectsTheHookAndTheRunGoesOn) {
  const fs::path dir = SoundScratch("hook-unconvertible");
  std::ofstream(dir / "in.nv16", std::ios::binary) << std::string(3 * kW * kH * 2, '\x60');
  for (const bool input : {true, false}) {
    SCOPED_TRACE(input);
    const std::string out = (dir / (input ? "in.yuv" : "out.yuv")).string();
    engine::TTranscoder engine;
    int calls = 0;
    (input ? engine.OnVideoInputHook : engine.OnVideoOutputHook) =
        [&](engine::VideoHookCall&) { ++calls; };
    engine.ParseOptions("-f rawvideo -pix_fmt nv16 -s 16x8 -r 25");
    ASSERT_EQ(engine.OpenInput((dir / "in.nv16").string()), 0) << engine.LastErrorText();
    engine.ParseOptions("-y -f rawvideo -c:v rawvideo -pix_fmt nv16");
    ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
    const size_t linesBefore = Logged().size();
    engine.Run();
    ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(input ? engine.OnVideoInputHook : engine.OnVideoOutputHook);
    int reported = 0;
    const auto lines = Logged();
    for (size_t i = linesBefore; i < lines.size(); ++i)
      reported += lines[i].level == media::llError &&
                  lines[i].text == "Cannot initialize the toRGB conversion context";
    EXPECT_EQ(reported, 1);  // once, not for every picture
    EXPECT_EQ(fs::file_size(out), 3u * kW * kH * 2);
  }
}

TEST_F(VideoHooksTest, PreviewShowsTheOutputHookBitmapWithoutConvertingAgain) {
  const fs::path dir = SoundScratch("hook-preview");
  {
    std::ofstream f(dir / "in.rgb", std::ios::binary);
    f << std::string(4 * kW * kH * 3, '\x80');
  }
  const std::string out = (dir / "out.nut").string();
  engine::TTranscoder engine;
  engine.OnVideoOutputHook = [&](engine::VideoHookCall& call) {
    // One red pixel: 4:2:0 chroma cannot keep it, so a fresh conversion of
    // the encoded picture would show it blurred.
    uint8_t* pixel = call.bitmap.ScanLine(3) + 3 * 5;
    pixel[0] = 0, pixel[1] = 0, pixel[2] = 255;
    // Each picture is previewed: the preview interval is 100 ms.
    std::this_thread::sleep_for(std::chrono::milliseconds(110));
  };
  std::vector<bool> exact;
  engine.OnPreviewBitmap = [&](const gfx::Bitmap& bitmap, int, int64_t) {
    const uint8_t* pixel = bitmap.ScanLine(3) + 3 * 5;
    exact.push_back(pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 255);
  };
  engine.SetPreviewFlags(engine::TTranscoder::kPreviewBitmap);
  engine.ParseOptions("-f rawvideo -pix_fmt rgb24 -s 16x8 -r 25");
  ASSERT_EQ(engine.OpenInput((dir / "in.rgb").string()), 0) << engine.LastErrorText();
  engine.ParseOptions("-y -c:v rawvideo -pix_fmt yuv420p");
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  // The first preview follows a change of the flags and converts afresh.
  EXPECT_EQ(exact, (std::vector<bool>{false, true, true, true}));
}

struct CopyCase {
  const char* name;
  bool audio;
  std::string options;
  std::function<void(engine::TTranscoder&)> connect;
  std::string message;
};

TEST_F(VideoHooksTest, HooksOnCopiedStreamsAreRefused) {
  const fs::path dir = SoundScratch("hook-copy");
  const std::string raw = WriteGrey(dir / "in.gray", 2);
  const std::string wav = WriteWav(dir / "in.wav", 8000, 1, 800, [](int, int i) { return int16_t(i); });
  const std::string plugin = std::string(LS_TEST_PLUGIN_DIR) + "/invert_plane_hook.so";
  auto none = [](engine::TTranscoder&) {};
  const CopyCase cases[] = {
      {"volume", true, "-vol 512", none, "-acodec copy and -vol"},
      {"audio", true, "", [](auto& e) { e.OnAudioHook = [](const engine::AudioHookCall&) {}; },
       "-acodec copy and AudioHook"},
      {"video in", false, "",
       [](auto& e) { e.OnVideoInputHook = [](engine::VideoHookCall&) {}; },
       "-vcodec copy and VideoHook"},
      {"video out", false, "",
       [](auto& e) { e.OnVideoOutputHook = [](engine::VideoHookCall&) {}; },
       "-vcodec copy and VideoHook"},
      {"frame in", false, "",
       [](auto& e) { e.OnFrameInputHook = [](const engine::FrameHookCall&) {}; },
       "-vcodec copy and FrameHook"},
      {"frame out", false, "",
       [](auto& e) { e.OnFrameOutputHook = [](const engine::FrameHookCall&) {}; },
       "-vcodec copy and FrameHook"},
      {"plug-in", false, "-vhook " + plugin, none, "-vcodec copy and -vhook"},
      // Hooks of the other kind leave a copied stream alone.
      {"other kind", true, "",
       [](auto& e) { e.OnVideoOutputHook = [](engine::VideoHookCall&) {}; }, ""},
  };
  for (const CopyCase& c : cases) {
    SCOPED_TRACE(c.name);
    engine::TTranscoder engine;
    c.connect(engine);
    if (c.audio) {
      ASSERT_EQ(engine.OpenInput(wav), 0) << engine.LastErrorText();
    } else {
      engine.ParseOptions("-f rawvideo -pix_fmt gray -s 16x8 -r 25");
      ASSERT_EQ(engine.OpenInput(raw), 0) << engine.LastErrorText();
    }
    const std::string out = (dir / (c.audio ? "out.wav" : "out.nut")).string();
    engine.ParseOptions("-y " + std::string(c.audio ? "-acodec" : "-vcodec") + " copy " + c.options);
    ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
    engine.Run();
    if (c.message.empty()) {
      EXPECT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
    } else {
      EXPECT_TRUE(engine.ErrorOccurred());
      EXPECT_EQ(engine.ErrorMessage(), c.message + " are incompatible (frames are not decoded)");
    }
  }
}

}  // namespace
}  // namespace engine_test
