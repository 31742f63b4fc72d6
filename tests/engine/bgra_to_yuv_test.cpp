// libyuv's conversion against the libswscale path it stands in for: every
// sample within one level, on smooth pictures and on noise alike.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "engine/bgra_to_yuv.h"
#include "engine_fixture.h"
#include "media/binding/ff_entry_points.h"

namespace engine_test {
namespace {

constexpr int kPadding = 13;

struct Planes {
  std::vector<uint8_t> bytes[3];
  uint8_t* data[3];
  int stride[3];
  Planes(AVPixelFormat format, int w, int h) {
    const AVPixFmtDescriptor* d = ff::av_pix_fmt_desc_get(format);
    for (int p = 0; p < 3; ++p) {
      const int pw = p ? -((-w) >> d->log2_chroma_w) : w;
      const int ph = p ? -((-h) >> d->log2_chroma_h) : h;
      stride[p] = pw + kPadding;  // rows that are not packed
      bytes[p].assign(size_t(stride[p]) * ph, 0);
      data[p] = bytes[p].data();
    }
  }
};

// Colour ramps (`noise` false) or noise with hard edges everywhere.
std::vector<uint8_t> Picture(int w, int h, bool noise) {
  std::mt19937 random(unsigned(w * h));
  std::vector<uint8_t> px(size_t(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &px[(size_t(y) * w + x) * 4];
      for (int c = 0; c < 3; ++c)
        p[c] = noise ? uint8_t(random()) : uint8_t(20 + x * 150 / w + y * (c + 1) * 25 / h);
      p[3] = uint8_t(random());  // alpha is not looked at
    }
  return px;
}

// Worst difference per plane, and the share of samples that differ at all.
struct Difference {
  int worst[3] = {0, 0, 0};
  double share = 0;
};

Difference Compare(AVPixelFormat from, AVPixelFormat to, int w, int h, bool noise) {
  const std::vector<uint8_t> src = Picture(w, h, noise);
  Planes ours(to, w, h), theirs(to, w, h);
  EXPECT_TRUE(engine::ConvertPlain(from, src.data(), w * 4, to, ours.data, ours.stride, w, h));
  SwsContext* sws = ff::sws_getContext(w, h, from, w, h, to, SWS_BICUBIC, nullptr, nullptr, nullptr);
  EXPECT_NE(sws, nullptr);
  const uint8_t* in[1] = {src.data()};
  const int inStride[1] = {w * 4};
  if (sws) ff::sws_scale(sws, in, inStride, 0, h, theirs.data, theirs.stride);
  ff::sws_freeContext(sws);
  Difference d;
  long differ = 0, samples = 0;
  for (int p = 0; p < 3; ++p)
    for (size_t i = 0; i < ours.bytes[p].size(); ++i) {
      if (i % size_t(ours.stride[p]) >= size_t(ours.stride[p] - kPadding)) continue;
      const int delta = std::abs(int(ours.bytes[p][i]) - int(theirs.bytes[p][i]));
      d.worst[p] = std::max(d.worst[p], delta);
      differ += delta != 0;
      ++samples;
    }
  d.share = double(differ) / double(samples);
  return d;
}

class BgraToYuvTest : public EngineTest {};

// Luma is within one level everywhere. So is chroma, except that for 4:2:0
// libyuv averages two rows where libswscale runs its bicubic row filter:
// they agree on smooth colour and part at hard colour edges.
TEST_F(BgraToYuvTest, MatchesLibswscaleWithinOneLevel) {
  const struct {
    AVPixelFormat from, to;
    int w, h;
  } cases[] = {
      {AV_PIX_FMT_BGRA, AV_PIX_FMT_YUV420P, 320, 240}, {AV_PIX_FMT_BGRA, AV_PIX_FMT_YUV420P, 38, 22},
      {AV_PIX_FMT_BGR0, AV_PIX_FMT_YUV422P, 64, 48},   {AV_PIX_FMT_BGRA, AV_PIX_FMT_YUV444P, 64, 47},
      {AV_PIX_FMT_RGBA, AV_PIX_FMT_YUV420P, 96, 64},
  };
  for (const auto& c : cases)
    for (const bool noise : {false, true}) {
      const std::string label = std::string(ff::av_get_pix_fmt_name(c.from)) + " to " +
                                ff::av_get_pix_fmt_name(c.to) + " " + std::to_string(c.w) + "x" +
                                std::to_string(c.h) + (noise ? " noise" : " ramps");
      SCOPED_TRACE(label);
      ASSERT_TRUE(engine::PlainConversionApplies(c.from, c.to, c.w, c.h, SWS_BICUBIC));
      EXPECT_FALSE(
          engine::PlainConversionApplies(c.from, c.to, c.w, c.h, SWS_BICUBIC | SWS_ACCURATE_RND));
      // libswscale filters a last odd row or column of chroma differently.
      if (c.to == AV_PIX_FMT_YUV420P)
        EXPECT_FALSE(engine::PlainConversionApplies(c.from, c.to, c.w + 1, c.h + 1, SWS_BICUBIC));
      const Difference d = Compare(c.from, c.to, c.w, c.h, noise);
      EXPECT_LE(d.worst[0], 1);
      if (!noise || c.to != AV_PIX_FMT_YUV420P) EXPECT_LE(std::max(d.worst[1], d.worst[2]), 1);
      std::printf("%-40s %5.1f %% of samples differ; at most by %d (Y) %d (U) %d (V)\n",
                  label.c_str(), 100 * d.share,
                  d.worst[0], d.worst[1], d.worst[2]);
    }
}

}  // namespace
}  // namespace engine_test
