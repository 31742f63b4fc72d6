// A slideshow converted by libyuv against the same show through the filter
// graph: raw YUV out, so the pictures are compared sample by sample.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "media/binding/ff_owners.h"
#include "media/frame_source/frame_input_adapter.h"
#include "slideshow/slideshow_timeline.h"

namespace e2e {
namespace {

// Every packet of the only stream of a raw video file.
std::vector<std::vector<uint8_t>> RawPictures(const std::string& path) {
  std::vector<std::vector<uint8_t>> pictures;
  AVFormatContext* raw = nullptr;
  EXPECT_GE(ff::avformat_open_input(&raw, path.c_str(), nullptr, nullptr), 0);
  if (!raw) return pictures;
  media::InputContextPtr owner(raw);
  engine::PacketPtr pkt(ff::av_packet_alloc());
  while (ff::av_read_frame(raw, pkt.get()) >= 0) {
    pictures.emplace_back(pkt->data, pkt->data + pkt->size);
    ff::av_packet_unref(pkt.get());
  }
  return pictures;
}

std::vector<std::vector<uint8_t>> Render(const std::vector<std::string>& pictures,
                                         const std::string& output, bool plain, int64_t* frames) {
  slideshow::TSlideshowTimeline timeline;
  timeline.Pictures = pictures;
  timeline.BreakWhenNoPictures = false;
  slideshow::TimelineSettings settings;
  settings.FrameSize = "320x240";
  settings.PictureDelay = "0.3";
  settings.TransitionDelay = "0.3";
  timeline.PrepareTimeline(settings);
  *frames = timeline.TotalFrames();
  media::TFrameInputAdapter adapter;
  adapter.OnReadFrameCanvas = [&](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                  media::PInputFrameInfo) {
    return int(timeline.ReadFrameOntoKeptCanvas(canvas));
  };
  engine::TTranscoder engine;
  engine.Settings().plain_colour = plain;
  engine.ParseOptions("-f frameinput -input_type canvas -pix_fmt bgra -r 30/1 -s 320x240");
  EXPECT_GE(engine.OpenInput(adapter.InputFileName()), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:v rawvideo -pix_fmt yuv420p -r 30/1 -s 320x240");
  EXPECT_GE(engine.OpenOutput(output), 0) << engine.LastErrorText();
  engine.Run();
  EXPECT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  return RawPictures(output);
}

TEST(PlainColourTest, LibyuvPicturesAreTheGraphsWithinOneLevelOfLuma) {
  InitMedia();
  const fs::path dir = Scratch("plain_colour");
  const std::vector<std::string> pictures = MakePictures(dir);
  int64_t frames = 0;
  const auto graph = Render(pictures, (dir / "graph.nut").string(), false, &frames);
  const auto plain = Render(pictures, (dir / "plain.nut").string(), true, &frames);
  ASSERT_EQ(graph.size(), size_t(frames));
  ASSERT_EQ(plain.size(), graph.size());
  const size_t luma = 320 * 240;
  long differ = 0, chromaBeyondOne = 0, samples = 0;
  int worstLuma = 0, worstChroma = 0;
  for (size_t f = 0; f < graph.size(); ++f) {
    ASSERT_EQ(plain[f].size(), luma * 3 / 2);
    ASSERT_EQ(graph[f].size(), plain[f].size());
    for (size_t i = 0; i < plain[f].size(); ++i) {
      const int d = std::abs(int(plain[f][i]) - int(graph[f][i]));
      (i < luma ? worstLuma : worstChroma) = std::max(i < luma ? worstLuma : worstChroma, d);
      differ += d != 0;
      chromaBeyondOne += i >= luma && d > 1;
      ++samples;
    }
  }
  EXPECT_LE(worstLuma, 1);
  // Pictures that never differ would mean libyuv was not used at all.
  EXPECT_GT(differ, 0);
  std::printf("%.1f %% of samples differ; %.3f %% of chroma samples by more than one level "
              "(at most %d)\n",
              100.0 * double(differ) / double(samples),
              100.0 * double(chromaBeyondOne) / double(samples - long(luma * graph.size())),
              worstChroma);
}

}  // namespace
}  // namespace e2e
