// The work a show saves must not change what players see: libyuv's colour
// conversion against the filter graph's, and held pictures encoded once
// against every frame encoded.
#include <cstdint>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "engine/held_frames.h"
#include "media/frame_source/frame_input_adapter.h"
#include "playback_check.h"
#include "slideshow/slideshow_timeline.h"

namespace e2e {
namespace {

struct Shown {
  double time;                  // seconds
  std::vector<uint8_t> planes;  // Y, U, V rows, 4:2:0
  bool key;
};

// A slideshow of 160x120 at 30/1 into `output`; the decoded pictures.
std::vector<Shown> Render(const fs::path& output, const std::string& codec, const char* hold,
                          bool plain, bool heldOnce) {
  slideshow::TSlideshowTimeline timeline;
  timeline.Pictures = MakePictures(output.parent_path());
  timeline.Pictures.push_back(timeline.Pictures.front());
  timeline.BreakWhenNoPictures = false;
  slideshow::TimelineSettings settings;
  settings.FrameSize = "160x120";
  settings.PictureDelay = hold;
  settings.TransitionDelay = "0.3";
  timeline.PrepareTimeline(settings);
  media::TFrameInputAdapter adapter;
  adapter.OnReadFrameCanvas = [&](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                  media::PInputFrameInfo) {
    return int(timeline.ReadFrameOntoKeptCanvas(canvas));
  };
  engine::TTranscoder engine;
  engine.Settings().plain_colour = plain;
  engine.Settings().held_once = heldOnce;
  engine.ParseOptions("-f frameinput -input_type canvas -pix_fmt bgra -r 30/1 -s 160x120");
  EXPECT_GE(engine.OpenInput(adapter.InputFileName()), 0) << engine.LastErrorText();
  engine.ParseOptions(codec + " -pix_fmt yuv420p -r 30/1 -s 160x120");
  EXPECT_GE(engine.OpenOutput(output.string()), 0) << engine.LastErrorText();
  engine.Run();
  EXPECT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  std::vector<Shown> shown;
  playcheck::DecodeEveryFrame(output.string(), [&](const AVStream& st, const AVFrame& f) {
    Shown s{double(f.best_effort_timestamp) * av_q2d(st.time_base), {}, bool(f.key_frame)};
    for (int p = 0; p < 3; ++p)
      for (int y = 0; y < f.height >> (p ? 1 : 0); ++y)
        s.planes.insert(s.planes.end(), f.data[p] + y * f.linesize[p],
                        f.data[p] + y * f.linesize[p] + (f.width >> (p ? 1 : 0)));
    shown.push_back(std::move(s));
  });
  return shown;
}

TEST(SpeedTest, LibyuvPicturesAreTheGraphsWithinOneLevelOfLuma) {
  InitMedia();
  const fs::path dir = Scratch("plain_colour");
  const auto graph = Render(dir / "graph.nut", "-c:v rawvideo", "0.3", false, false);
  const auto plain = Render(dir / "plain.nut", "-c:v rawvideo", "0.3", true, false);
  ASSERT_GT(graph.size(), 30u);
  ASSERT_EQ(plain.size(), graph.size());
  const size_t luma = 160 * 120;
  long differ = 0;
  for (size_t f = 0; f < graph.size(); ++f)
    for (size_t i = 0; i < luma; ++i) {
      const int d = std::abs(int(plain[f].planes[i]) - int(graph[f].planes[i]));
      ASSERT_LE(d, 1) << "frame " << f;
      differ += d != 0;
    }
  EXPECT_GT(differ, 0) << "libyuv was not used";
}

// Lossless, so the decoded pictures are exact.
TEST(SpeedTest, HeldPicturesEncodedOnceShowTheSameAtEveryTime) {
  InitMedia();
  const fs::path dir = Scratch("held_frames");
  const auto every = Render(dir / "every.mp4", "-c:v libx264 -qp 0", "5.0", true, false);
  const auto held = Render(dir / "held.mp4", "-c:v libx264 -qp 0", "5.0", true, true);
  ASSERT_GT(every.size(), 600u);
  ASSERT_FALSE(held.empty());
  EXPECT_LT(held.size() * 4, every.size()) << "most of the show is held";
  EXPECT_DOUBLE_EQ(held.back().time, every.back().time) << "the video ends at the same time";
  size_t k = 0;
  double lastKey = 0;
  for (const Shown& frame : every) {
    while (k + 1 < held.size() && held[k + 1].time <= frame.time + 1e-9) ++k;
    ASSERT_LE(held[k].time, frame.time + 1e-9);
    ASSERT_TRUE(held[k].planes == frame.planes) << "at " << frame.time << " s";
    if (held[k].key) lastKey = held[k].time;
    EXPECT_LE(frame.time - lastKey, engine::HeldFrames::kKeyframeSeconds + 0.05) << frame.time;
  }
}

}  // namespace
}  // namespace e2e
