// lanternslide-render run end to end on generated pictures and sounds, its
// files read back with the media libraries.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "e2e/e2e_support.h"
#include "gfx/jpeg_writer.h"
#include "slideshow/test_pictures.h"
#include "effects/effect.h"
#include "program_runner.h"

namespace {

namespace fs = std::filesystem;
using clitest::FolderEntries;
using clitest::ProgramResult;
using clitest::RunProgram;

class RenderProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::InitMedia(); }

  void SetUp() override {
    dir_ = e2e::Scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
    out_ = dir_ / "out";
    fs::remove_all(out_);
    fs::create_directories(out_);
    pictures_ = e2e::MakePictures(dir_);
  }

  // Pictures, then the options.
  std::vector<std::string> Args(std::initializer_list<std::string> options) const {
    std::vector<std::string> args(options);
    args.insert(args.end(), pictures_.begin(), pictures_.end());
    return args;
  }

  fs::path dir_, out_;
  std::vector<std::string> pictures_;
};

double Seconds(const e2e::StreamFacts* audio) {
  return audio ? double(audio->samples) / audio->sampleRate : 0.0;
}

// 3 pictures at 30/1, 0.5 s held, 0.3 s transitions: 9 x 4 + 15 x 3 + 2.
constexpr int kShortShowFrames = 83;

TEST_F(RenderProgram, WritesTheWholeSlideshowWithItsSound) {
  struct Case {
    const char* file;
    double soundSeconds;
    bool breakAtEnd;
    double expectedAudio;  // the sound, or the video's length where it cuts
  };
  const Case cases[] = {
      {"short-sound.mp4", 2.0, true, 2.0},
      {"long-sound-cut.mkv", 4.0, true, kShortShowFrames / 30.0},
      {"long-sound-kept.avi", 4.0, false, 4.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path sound = dir_ / "sound.wav";
    e2e::WriteWav(sound, c.soundSeconds);
    const fs::path output = out_ / c.file;
    // Frames are counted: every one is encoded.
    auto args = Args({"--every-frame", "--size", "320x240", "--picture-delay", "0.5",
                      "--transition-delay", "0.3", "--audio", sound.string(), "-o", output.string()});
    if (!c.breakAtEnd) args.insert(args.begin(), "--no-break-when-no-pictures");
    const ProgramResult r = RunProgram(args, dir_);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Wrote " + output.string()), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("83 frames"), std::string::npos) << r.out;

    const e2e::FileFacts facts = e2e::Probe(output.string(), false);
    ASSERT_TRUE(facts.opened) << facts.error;
    const e2e::StreamFacts* video = facts.Find(AVMEDIA_TYPE_VIDEO);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->codec, AV_CODEC_ID_H264);
    EXPECT_EQ(video->width, 320);
    EXPECT_EQ(video->height, 240);
    EXPECT_EQ(video->frames, kShortShowFrames);
    const e2e::StreamFacts* audio = facts.Find(AVMEDIA_TYPE_AUDIO);
    ASSERT_NE(audio, nullptr);
    EXPECT_NEAR(Seconds(audio), c.expectedAudio, 0.1);
    // Only the video is left behind: no working file.
    EXPECT_EQ(FolderEntries(out_), std::vector<std::string>{c.file});
    fs::remove(output);
  }
}

TEST_F(RenderProgram, TakesPicturesFromAListAndOneEffectByName) {
  const fs::path list = dir_ / "list.txt";
  std::ofstream(list) << pictures_[0] << "\r\n\n" << pictures_[1] << "\n  \n" << pictures_[2];
  const fs::path output = out_ / "listed.mp4";
  // 25/1: 0.3 s gives 7.5 frames, rounded to 8; 0.5 s gives 12.5, to 12.
  const ProgramResult r =
      RunProgram({"--every-frame", "--list", list.string(), "--rate", "25", "--size", "240x320", "--effect",
                  "expand FROM right", "--picture-delay", "0.5", "--transition-delay", "0.3",
                  "--quiet", "-o", output.string()},
                 dir_);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  const e2e::FileFacts facts = e2e::Probe(output.string(), false);
  const e2e::StreamFacts* video = facts.Find(AVMEDIA_TYPE_VIDEO);
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->width, 240);
  EXPECT_EQ(video->height, 320);
  EXPECT_EQ(video->frames, 8 * 4 + 12 * 3 + 2);
  EXPECT_EQ(facts.Find(AVMEDIA_TYPE_AUDIO), nullptr);
}

// Blue, green, red of one pixel of a decoded frame.
std::vector<int> PixelAt(const std::vector<uint8_t>& bgra, int width, int x, int y) {
  const uint8_t* p = &bgra[(size_t(y) * width + x) * 4];
  return {p[0], p[1], p[2]};
}

TEST_F(RenderProgram, PictureSwitchesReachTheTimeline) {
  // A wide grey photo whose camera asks for a quarter turn: upright it is
  // tall, so the frame gets black bands left and right.
  const std::vector<uint8_t> grey(400 * 200 * 3, 200);
  const std::vector<uint8_t> jpeg = jpegtest::WithExifOrientation(
      jpegtest::Compress(grey, 400, 200, TJPF_RGB, TJSAMP_444), 6);
  const fs::path turned = dir_ / "turned.jpg";
  std::ofstream(turned, std::ios::binary)
      .write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
  // A one-pixel checkerboard at twice the frame size: dropping pixels gives
  // one of its colours, averaging gives grey.
  const fs::path checker = dir_ / "checker.bmp";
  testpics::WriteBmp24(checker, 640, 480,
                       [](int x, int y) { return (x + y) % 2 ? 0xFFFFFFu : 0x000000u; });

  struct Case {
    std::vector<std::string> options;
    std::string picture;
    int column;     // pixel looked at, in the middle row
    int low, high;  // range its colour values must lie in, or outside of
    bool outside;
  };
  const Case cases[] = {
      {{}, turned.string(), 10, 0, 40, false},                            // band
      {{"--no-exif-orientation"}, turned.string(), 10, 170, 230, false},  // as stored
      {{"--scaling", "nearest"}, checker.string(), 160, 40, 215, true},       // black or white
      {{"--smooth-fit"}, checker.string(), 160, 100, 156, false},         // grey
      {{}, checker.string(), 160, 100, 156, false},                       // smooth by default
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.empty() ? c.picture : c.options[0] + " " + c.picture);
    const fs::path output = out_ / "switch.mkv";
    std::vector<std::string> args = c.options;
    // 3 intro frames, then the hold.
    args.insert(args.end(), {"--every-frame", "--size", "320x240", "--transition-delay", "0.1",
                             "--picture-delay", "1", "-o",
                             output.string(), c.picture});
    const ProgramResult r = RunProgram(args, dir_);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const e2e::FileFacts facts = e2e::Probe(output.string(), true);
    const e2e::StreamFacts* video = facts.Find(AVMEDIA_TYPE_VIDEO);
    ASSERT_NE(video, nullptr);
    ASSERT_GT(video->pictures.size(), 15u);
    for (int v : PixelAt(video->pictures[15], 320, c.column, 120))
      EXPECT_EQ(v >= c.low && v <= c.high, !c.outside) << v;
    fs::remove(output);
  }
}

TEST_F(RenderProgram, RefusesBadValuesWithOneLineAndNoFile) {
  const fs::path notSound = dir_ / "picture-as-sound.jpg";
  fs::copy_file(pictures_[1], notSound, fs::copy_options::overwrite_existing);
  fs::create_directories(dir_ / "no-pictures");
  const fs::path noise = dir_ / "noise.mp3";
  std::ofstream(noise, std::ios::binary) << std::string(4000, '\x5a');
  const std::string output = (out_ / "show.mp4").string();
  struct Case {
    std::vector<std::string> options;
    std::string named;  // the value the message must name
  };
  const std::vector<Case> cases = {
      {{"--size", "0x0"}, "0x0"},
      {{"--size", "-5x10"}, "-5x10"},
      {{"--size", "321x240"}, "321x240"},
      {{"--size", "abc"}, "abc"},
      {{"--rate", "0/0"}, "0/0"},
      {{"--rate", "30/0"}, "30/0"},
      {{"--rate", "abc"}, "abc"},
      {{"--picture-delay", "abc"}, "abc"},
      {{"--transition-delay", "-1"}, "-1"},
      {{"--picture-delay", "nan"}, "nan"},
      {{"--effect", "177"}, "177"},
      {{"--effect", "no such effect"}, "no such effect"},
      {{"--bogus"}, "--bogus"},
      {{"--quiet=yes"}, "yes"},
      {{"--size"}, "--size"},
      {{"--list", (dir_ / "missing.txt").string()}, "missing.txt"},
      {{"missing-picture.jpg"}, "missing-picture.jpg"},
      {{(dir_ / "no-pictures").string()}, "holds no pictures"},
      {{"--audio", (dir_ / "missing.wav").string()}, "missing.wav"},
      {{"--audio", notSound.string()}, "no audio stream"},
      {{"--audio", noise.string()}, "noise.mp3"},
      {{"-o", (dir_ / "no-folder" / "show.mp4").string()}, "no-folder"},
      {{"-o", (out_ / "show.nosuchcontainer").string()}, ".nosuchcontainer"},
      {{"-o", (out_ / "show").string()}, "extension"},
      {{"-o", pictures_[0]}, pictures_[0]},
      {{"--codec", "vp9", "-o", (out_ / "show.avi").string()}, "VP9 does not go into AVI"},
      {{"--codec", "av1", "--audio-codec", "mp3", "-o", (out_ / "show.webm").string()}, "mp3"},
      {{"--quality", "20", "--bitrate", "5M"}, "--bitrate"},
      {{"--preset", "8k"}, "\"8k\""},
      {{"--hw", "cuda"}, "\"cuda\""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"-o", output};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), pictures_.begin(), pictures_.end());
    SCOPED_TRACE(c.options.back());
    const ProgramResult r = RunProgram(args, dir_);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.ErrLines(), 1) << r.err;
    EXPECT_EQ(r.err.rfind("lanternslide-render: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(FolderEntries(out_).empty());
  }
  const ProgramResult noOutput = RunProgram({pictures_[0]}, dir_);
  EXPECT_EQ(noOutput.exitCode, 2);
  EXPECT_NE(noOutput.err.find("-o FILE"), std::string::npos) << noOutput.err;
  const ProgramResult noPictures = RunProgram({"-o", output}, dir_);
  EXPECT_EQ(noPictures.exitCode, 2);
  EXPECT_NE(noPictures.err.find("no pictures"), std::string::npos) << noPictures.err;
}

TEST_F(RenderProgram, RefusesAnOutputFolderItCannotWrite) {
  const fs::path locked = dir_ / "locked";
  fs::create_directories(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  if (access(locked.c_str(), W_OK) == 0) {
    fs::permissions(locked, fs::perms::owner_all);
    GTEST_SKIP() << "running with rights that write into any folder";
  }
  const ProgramResult r = RunProgram(Args({"-o", (locked / "show.mp4").string()}), dir_);
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.ErrLines(), 1) << r.err;
  EXPECT_NE(r.err.find("not writable"), std::string::npos) << r.err;
  EXPECT_TRUE(FolderEntries(locked).empty());
}

TEST_F(RenderProgram, ARunThatFailsBeforeAnyFrameLeavesNoFile) {
  const fs::path broken = dir_ / "broken.jpg";
  std::ofstream(broken, std::ios::binary) << "\xff\xd8\xff\xe0 this is not a picture";
  const fs::path older = out_ / "show.mp4";
  std::ofstream(older) << "an older video";
  const ProgramResult r =
      RunProgram({"-o", older.string(), broken.string(), pictures_[0]}, dir_);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.ErrLines(), 1) << r.err;
  EXPECT_EQ(r.out, "");
  // The older file of that name is untouched and nothing else was left.
  EXPECT_EQ(FolderEntries(out_), std::vector<std::string>{"show.mp4"});
  std::ifstream in(older);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "an older video");
}

TEST_F(RenderProgram, ARunThatFailsMidwayKeepsWhatWasWritten) {
  const fs::path broken = dir_ / "broken.bmp";
  std::ofstream(broken, std::ios::binary) << "BM but nothing after it";
  const fs::path output = out_ / "partial.mp4";
  // A hold long enough that the encoder has written frames when it fails.
  const ProgramResult r = RunProgram({"--size", "320x240", "--picture-delay", "4", "--transition-delay", "0.3", "-o",
                                      output.string(), pictures_[0], broken.string()},
                                     dir_);
  EXPECT_EQ(r.exitCode, 1);
  const e2e::FileFacts facts = e2e::Probe(output.string(), false);
  ASSERT_TRUE(facts.opened);
  const e2e::StreamFacts* video = facts.Find(AVMEDIA_TYPE_VIDEO);
  ASSERT_NE(video, nullptr);
  // Frames of the intro and the first hold (9 + 120) reached the file.
  EXPECT_GT(video->frames, 0);
  EXPECT_LE(video->frames, 9 + 120 + 1);
  EXPECT_EQ(video->refused, 0);
  // Progress lines may come first; the error, then what the file holds.
  ASSERT_GE(r.err.size(), 2u);
  const size_t last = r.err.rfind('\n', r.err.size() - 2) + 1;
  ASSERT_GT(last, 1u) << r.err;
  const size_t error = r.err.rfind('\n', last - 2) + 1;
  EXPECT_EQ(r.err.compare(error, 21, "lanternslide-render: "), 0) << r.err;
  EXPECT_NE(r.err.substr(error, last - error).find("broken.bmp"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.substr(last), "lanternslide-render: \"" + output.string() +
                                    "\" holds the video up to the error (" +
                                    std::to_string(video->frames) + " frames).\n");
}

TEST_F(RenderProgram, ListsTheEffectsInTableOrder) {
  const ProgramResult r = RunProgram({"--list-effects"}, dir_);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  int n = 0;
  while (std::getline(lines, line)) {
    ASSERT_LT(n, effects::kEffectCount);
    EXPECT_EQ(line, std::to_string(n + 1) + "\t" + effects::Effects[n].Name);
    ++n;
  }
  EXPECT_EQ(n, effects::kEffectCount);
}

TEST_F(RenderProgram, HelpAndVersionNeedNoFiles) {
  const ProgramResult help = RunProgram({"--help", "--size", "abc"}, dir_);
  // The value check comes first: a bad value is reported even with --help.
  EXPECT_EQ(help.exitCode, 2);
  const ProgramResult h = RunProgram({"-h"}, dir_);
  EXPECT_EQ(h.exitCode, 0);
  for (const char* option :
       {"--output", "--list", "--audio", "--rate", "--size", "--picture-delay",
        "--transition-delay", "--random", "--sequential", "--effect", "--break-when-no-pictures",
        "--no-break-when-no-pictures", "--realtime", "--no-exif-orientation", "--smooth-fit",
        "--quiet", "--list-effects", "--version", "--preset", "--scaling", "--codec", "--quality",
        "--bitrate", "--speed", "--hw", "--audio-codec", "--audio-bitrate", "--no-fast-start", "--sort",
        "EXIT STATUS", "EXAMPLES"})
    EXPECT_NE(h.out.find(option), std::string::npos) << option;
  const ProgramResult v = RunProgram({"--version"}, dir_);
  EXPECT_EQ(v.exitCode, 0);
  EXPECT_EQ(v.out.rfind("lanternslide-render ", 0), 0u) << v.out;
}

TEST_F(RenderProgram, CtrlCEndsTheRunWithAPlayableFile) {
  const fs::path output = out_ / "stopped.mp4";
  // Real time, so the run is surely still going when the signal comes.
  clitest::RunningProgram p(Args({"--realtime", "--size", "320x240", "--picture-delay", "5", "--transition-delay", "1",
                                  "-o", output.string()}),
                            dir_);
  // Signals once the first progress line (after 5 s) shows the run going,
  // however slow the machine is today.
  for (int i = 0; i < 600 && p.ErrSoFar().find("frame ") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_NE(p.ErrSoFar().find("frame "), std::string::npos);
  p.Signal(SIGINT);
  const ProgramResult r = p.Wait();
  EXPECT_EQ(r.exitCode, 130) << r.err;
  const e2e::FileFacts facts = e2e::Probe(output.string(), false);
  ASSERT_TRUE(facts.opened) << facts.error;
  const e2e::StreamFacts* video = facts.Find(AVMEDIA_TYPE_VIDEO);
  ASSERT_NE(video, nullptr);
  // Stopped well before the end of the 19 s show.
  EXPECT_GT(video->frames, 0);
  EXPECT_LT(video->frames, 30 * 4 + 150 * 3);
  EXPECT_EQ(FolderEntries(out_), std::vector<std::string>{"stopped.mp4"});
}

// A peer's real-time mode drops frames on a busy machine; ours must keep
// every one. Wall time against content time is measured in the benchmark.
TEST_F(RenderProgram, RealTimeKeepsEveryFrame) {
  std::vector<std::string> four = pictures_;
  four.push_back(pictures_[0]);
  const fs::path output = out_ / "realtime.mp4";
  // 30/1: 1.0 s transitions are 30 frames, 1.2333 s holds 37: 30 x 5 + 37 x 4 + 2.
  std::vector<std::string> args{"--realtime",        "--size", "640x480", "--picture-delay",
                                "1.2333",            "--transition-delay", "1.0", "-o",
                                output.string()};
  args.insert(args.end(), four.begin(), four.end());
  const ProgramResult r = RunProgram(args, dir_);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const e2e::FileFacts facts = e2e::Probe(output.string(), false);
  const e2e::StreamFacts* video = facts.Find(AVMEDIA_TYPE_VIDEO);
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->frames, 300);
  EXPECT_EQ(video->width, 640);
}

}  // namespace

namespace {

// Where a top-level box starts in an MP4/MOV file, or npos.
size_t BoxAt(const fs::path& file, const char* type) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (size_t at = 0; at + 8 <= bytes.size();) {
    if (bytes.compare(at + 4, 4, type) == 0) return at;
    const size_t size = size_t(uint8_t(bytes[at])) << 24 | size_t(uint8_t(bytes[at + 1])) << 16 |
                        size_t(uint8_t(bytes[at + 2])) << 8 | uint8_t(bytes[at + 3]);
    if (size < 8) break;
    at += size;
  }
  return std::string::npos;
}

TEST_F(RenderProgram, EachCodecGoesIntoItsContainersWithTheContainersSound) {
  const fs::path sound = dir_ / "sound.wav";
  e2e::WriteWav(sound, 1.0);
  struct Case {
    std::vector<std::string> options;
    const char* file;
    AVCodecID video, audio;
    int width, height;
  };
  const Case cases[] = {
      {{"--size", "128x72"}, "plain.mp4", AV_CODEC_ID_H264, AV_CODEC_ID_AAC, 128, 72},
      {{"--size", "128x72", "--codec", "h265", "--speed", "fastest"}, "h265.mov", AV_CODEC_ID_HEVC,
       AV_CODEC_ID_AAC, 128, 72},
      {{"--size", "128x72", "--codec", "vp9", "--speed", "fastest"}, "vp9.webm", AV_CODEC_ID_VP9,
       AV_CODEC_ID_OPUS, 128, 72},
      {{"--size", "128x72", "--codec", "av1", "--speed", "fastest", "--bitrate", "300k"}, "av1.mkv",
       AV_CODEC_ID_AV1, AV_CODEC_ID_OPUS, 128, 72},
      {{"--preset", "square", "--size", "96x96", "--audio-codec", "mp3", "--quality", "35"}, "mp3.mkv",
       AV_CODEC_ID_H264, AV_CODEC_ID_MP3, 96, 96},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path output = out_ / c.file;
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-q", "--picture-delay", "0.3", "--transition-delay", "0.2", "--audio",
                             sound.string(), "-o", output.string()});
    args.insert(args.end(), pictures_.begin(), pictures_.begin() + 2);
    const ProgramResult r = RunProgram(args, dir_);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const e2e::FileFacts facts = e2e::Probe(output.string(), false);
    ASSERT_TRUE(facts.opened) << facts.error;
    const e2e::StreamFacts* video = facts.Find(AVMEDIA_TYPE_VIDEO);
    const e2e::StreamFacts* audio = facts.Find(AVMEDIA_TYPE_AUDIO);
    ASSERT_TRUE(video && audio);
    EXPECT_EQ(video->codec, c.video);
    EXPECT_EQ(audio->codec, c.audio);
    EXPECT_EQ(video->width, c.width);
    EXPECT_EQ(video->height, c.height);
    EXPECT_EQ(video->refused, 0);
    EXPECT_GT(video->frames, 15);  // held pictures are encoded once
    EXPECT_EQ(FolderEntries(out_), std::vector<std::string>{c.file});  // no working files
    // MP4 and MOV: the index before the data, so the file plays while it downloads.
    if (fs::path(c.file).extension() != ".mkv" && fs::path(c.file).extension() != ".webm") {
      EXPECT_LT(BoxAt(output, "moov"), BoxAt(output, "mdat"));
    }
    fs::remove(output);
  }
}

// This machine has no encoding device: auto says so in one line and goes on,
// a named one stops before any frame.
TEST_F(RenderProgram, HardwareEncodingFallsBackOrRefusesBeforeAnyFrame) {
  const fs::path output = out_ / "hw.mp4";
  const ProgramResult automatic = RunProgram(
      Args({"--hw", "auto", "--size", "64x48", "--picture-delay", "0.2", "--transition-delay", "0.1", "-o",
            output.string()}),
      dir_);
  ASSERT_EQ(automatic.exitCode, 0) << automatic.err;
  const size_t note = automatic.err.find("lanternslide-render: note: no hardware encoder for H.264 (");
  ASSERT_NE(note, std::string::npos) << automatic.err;
  EXPECT_NE(automatic.err.find("; encoding with libx264\n", note), std::string::npos) << automatic.err;
  fs::remove(output);

  const ProgramResult vaapi = RunProgram(Args({"--hw", "vaapi", "-o", output.string()}), dir_);
  EXPECT_EQ(vaapi.exitCode, 1);
  EXPECT_EQ(vaapi.ErrLines(), 1) << vaapi.err;
  EXPECT_EQ(vaapi.err.rfind("lanternslide-render: --hw vaapi: ", 0), 0u) << vaapi.err;
  EXPECT_TRUE(FolderEntries(out_).empty());
}

}  // namespace
