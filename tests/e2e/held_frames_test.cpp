// Held pictures encoded once in MP4: the same pictures at every time stamp
// of the constant-rate video, far fewer frames, keyframes every few seconds.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "engine/held_frames.h"
#include "media/frame_input_adapter.h"
#include "playback_check.h"
#include "slideshow/slideshow_timeline.h"

namespace e2e {
namespace {

struct Shown {
  double time;     // seconds
  uint64_t hash;   // of the picture's samples
  bool key;
};

std::vector<Shown> Decoded(const std::string& path) {
  std::vector<Shown> shown;
  playcheck::DecodeEveryFrame(path, [&](const AVStream& st, const AVFrame& f) {
    if (st.codecpar->codec_type != AVMEDIA_TYPE_VIDEO) return;
    uint64_t hash = 1469598103934665603ull;
    for (int p = 0; p < 3; ++p)
      for (int y = 0; y < (p ? f.height / 2 : f.height); ++y)
        for (int x = 0; x < (p ? f.width / 2 : f.width); ++x)
          hash = (hash ^ f.data[p][y * f.linesize[p] + x]) * 1099511628211ull;
    shown.push_back({double(f.best_effort_timestamp) * av_q2d(st.time_base), hash,
                     bool(f.key_frame)});
  });
  return shown;
}

// 4 pictures held 5 s each; lossless, so the decoded pictures are exact.
std::vector<Shown> Render(const std::vector<std::string>& pictures, const fs::path& output,
                          bool heldOnce) {
  slideshow::TSlideshowTimeline timeline;
  timeline.Pictures = pictures;
  timeline.BreakWhenNoPictures = false;
  slideshow::TimelineSettings settings;
  settings.FrameSize = "160x120";
  settings.PictureDelay = "5.0";
  settings.TransitionDelay = "0.3";
  timeline.PrepareTimeline(settings);
  media::TFrameInputAdapter adapter;
  adapter.OnReadFrameCanvas = [&](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                  media::PInputFrameInfo) {
    const int r = timeline.ReadFrameOntoKeptCanvas(canvas);
    return r == slideshow::TSlideshowTimeline::kFrameKept ? media::kFrameUnchanged : r;
  };
  engine::TTranscoder engine;
  engine.Settings().held_once = heldOnce;
  engine.ParseOptions("-f frameinput -input_type canvas -pix_fmt bgra -r 30/1 -s 160x120");
  EXPECT_GE(engine.OpenInput(adapter.InputFileName()), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:v libx264 -qp 0 -r 30/1 -s 160x120");
  EXPECT_GE(engine.OpenOutput(output.string()), 0) << engine.LastErrorText();
  engine.Run();
  EXPECT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  return Decoded(output.string());
}

TEST(HeldFramesTest, SamePicturesAtEveryTimeFromFewerFrames) {
  InitMedia();
  const fs::path dir = Scratch("held_frames");
  std::vector<std::string> pictures = MakePictures(dir);
  pictures.push_back(pictures.front());
  const std::vector<Shown> every = Render(pictures, dir / "every.mp4", false);
  const std::vector<Shown> held = Render(pictures, dir / "held.mp4", true);
  ASSERT_GT(every.size(), 600u);
  ASSERT_FALSE(held.empty());
  std::printf("%zu frames encoded where the constant rate encodes %zu\n", held.size(), every.size());
  // Most of the show is held: a small share of the frames is left.
  EXPECT_LT(held.size() * 4, every.size());
  EXPECT_DOUBLE_EQ(held.back().time, every.back().time) << "the video ends at the same time";

  size_t k = 0;
  for (const Shown& frame : every) {
    while (k + 1 < held.size() && held[k + 1].time <= frame.time + 1e-9) ++k;
    ASSERT_LE(held[k].time, frame.time + 1e-9);
    ASSERT_EQ(held[k].hash, frame.hash) << "at " << frame.time << " s";
  }
  double lastKey = 0;
  for (const Shown& frame : held) {
    if (!frame.key) continue;
    EXPECT_LE(frame.time - lastKey, engine::HeldFrames::kKeyframeSeconds + 0.05) << frame.time;
    lastKey = frame.time;
  }
  EXPECT_LE(every.back().time - lastKey, engine::HeldFrames::kKeyframeSeconds + 0.05);
}

}  // namespace
}  // namespace e2e
