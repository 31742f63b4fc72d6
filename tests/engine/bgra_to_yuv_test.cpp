// libyuv (with our own halving of 4:2:0's chroma rows) against the
// libswscale path it stands in for, on colour ramps, noise, a one-pixel
// checkerboard and one-pixel lines: every sample within one level.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "engine/bgra_to_yuv.h"
#include "engine_fixture.h"
#include "media/binding/ff_entry_points.h"

namespace engine_test {
namespace {

class BgraToYuvTest : public EngineTest {};

enum class Pattern { Ramps, Noise, Checkerboard, Lines };

uint8_t Sample(Pattern p, int x, int y, int channel, int w, int h, std::mt19937& random) {
  switch (p) {
    case Pattern::Ramps: return uint8_t(20 + x * 150 / w + y * 50 / h + channel * 20);
    case Pattern::Noise: return uint8_t(random());
    // Saturated opposites, so chroma swings as far as it can.
    case Pattern::Checkerboard: return (x + y) % 2 ? (channel == 0 ? 255 : 0) : (channel == 1 ? 255 : 0);
    case Pattern::Lines: return y % 3 == 0 || x % 5 == 0 ? (channel == 2 ? 255 : 10) : (channel == 0 ? 240 : 30);
  }
  return 0;
}

TEST_F(BgraToYuvTest, MatchesLibswscaleWithinOneLevel) {
  const struct {
    AVPixelFormat from, to;
    int w, h;
  } cases[] = {{AV_PIX_FMT_BGRA, AV_PIX_FMT_YUV420P, 320, 240},
               {AV_PIX_FMT_BGR0, AV_PIX_FMT_YUV420P, 38, 22},
               {AV_PIX_FMT_BGR0, AV_PIX_FMT_YUV422P, 64, 48},
               {AV_PIX_FMT_BGRA, AV_PIX_FMT_YUV444P, 63, 47}};
  std::vector<int16_t> scratch;
  for (const auto& c : cases) {
    ASSERT_TRUE(engine::PlainConversionApplies(c.from, c.to, c.w, c.h, SWS_BICUBIC));
    EXPECT_FALSE(engine::PlainConversionApplies(c.from, c.to, c.w, c.h, SWS_BILINEAR));
    EXPECT_FALSE(engine::PlainConversionApplies(AV_PIX_FMT_RGBA, c.to, c.w, c.h, SWS_BICUBIC));
    // libswscale filters a last odd row or column of chroma its own way.
    EXPECT_EQ(engine::PlainConversionApplies(c.from, c.to, c.w + 1, c.h + 1, SWS_BICUBIC),
              c.to == AV_PIX_FMT_YUV444P);
    for (const Pattern pattern : {Pattern::Ramps, Pattern::Noise, Pattern::Checkerboard, Pattern::Lines}) {
      const std::string name = std::string(ff::av_get_pix_fmt_name(c.to)) + " pattern " + std::to_string(int(pattern));
      SCOPED_TRACE(name);
      std::mt19937 random(7);
      std::vector<uint8_t> src(size_t(c.w) * c.h * 4);
      for (size_t i = 0; i < src.size(); ++i)
        src[i] = Sample(pattern, int(i / 4) % c.w, int(i / 4) / c.w, int(i % 4), c.w, c.h, random);
      // Planes `pad` bytes wider than their rows, for each conversion.
      const int pad = 13, cw = c.to == AV_PIX_FMT_YUV444P ? c.w : c.w / 2;
      const int chromaRows = c.to == AV_PIX_FMT_YUV420P ? c.h / 2 : c.h;
      const int stride[3] = {c.w + pad, cw + pad, cw + pad};
      const int rows[3] = {c.h, chromaRows, chromaRows};
      std::vector<uint8_t> ours[3], theirs[3];
      uint8_t *o[3], *t[3];
      for (int p = 0; p < 3; ++p) {
        ours[p].assign(size_t(stride[p]) * rows[p], 0), theirs[p] = ours[p];
        o[p] = ours[p].data(), t[p] = theirs[p].data();
      }
      ASSERT_TRUE(engine::ConvertPlain(c.from, src.data(), c.w * 4, c.to, o, stride, c.w, c.h, scratch));
      // The portable kernels, which processors without AVX2 run, give the
      // same samples.
      std::vector<uint8_t> portable[3] = {ours[0], ours[1], ours[2]};
      uint8_t* q[3] = {portable[0].data(), portable[1].data(), portable[2].data()};
      ASSERT_TRUE(engine::ConvertPlain(c.from, src.data(), c.w * 4, c.to, q, stride, c.w, c.h,
                                       scratch, engine::Kernels::kPortable));
      for (int p = 0; p < 3; ++p) EXPECT_EQ(portable[p], ours[p]) << "plane " << p;
      SwsContext* sws = ff::sws_getContext(c.w, c.h, c.from, c.w, c.h, c.to, SWS_BICUBIC, nullptr,
                                           nullptr, nullptr);
      ASSERT_NE(sws, nullptr);
      const uint8_t* in[1] = {src.data()};
      const int inStride[1] = {c.w * 4};
      ff::sws_scale(sws, in, inStride, 0, c.h, t, stride);
      ff::sws_freeContext(sws);
      int differing = 0, samples = 0;
      for (int p = 0; p < 3; ++p) {
        int worst = 0;
        for (size_t i = 0; i < ours[p].size(); ++i)
          if (int(i % size_t(stride[p])) < stride[p] - pad) {
            const int d = std::abs(int(ours[p][i]) - int(theirs[p][i]));
            worst = std::max(worst, d);
            differing += d != 0;
            ++samples;
          }
        EXPECT_LE(worst, 1) << "plane " << p;
      }
      std::printf("%s: %d of %d samples differ by one level (%.2f %%)\n", name.c_str(), differing,
                  samples, 100.0 * differing / samples);
    }
  }
}

}  // namespace
}  // namespace engine_test
