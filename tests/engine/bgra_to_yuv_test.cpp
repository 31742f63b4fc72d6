// libyuv against the libswscale path it stands in for, on colour ramps and
// on noise: luma within one level everywhere; chroma too, but where 4:2:0
// meets hard edges (libyuv averages two rows, libswscale filters them).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/bgra_to_yuv.h"
#include "engine_fixture.h"
#include "media/binding/ff_entry_points.h"

namespace engine_test {
namespace {

class BgraToYuvTest : public EngineTest {};

TEST_F(BgraToYuvTest, MatchesLibswscaleWithinOneLevel) {
  const struct {
    AVPixelFormat from, to;
    int w, h;
  } cases[] = {{AV_PIX_FMT_BGRA, AV_PIX_FMT_YUV420P, 320, 240},
               {AV_PIX_FMT_RGBA, AV_PIX_FMT_YUV420P, 38, 22},
               {AV_PIX_FMT_BGR0, AV_PIX_FMT_YUV422P, 64, 48},
               {AV_PIX_FMT_BGRA, AV_PIX_FMT_YUV444P, 63, 47}};
  for (const auto& c : cases)
    for (const bool noise : {false, true}) {
      SCOPED_TRACE(std::string(ff::av_get_pix_fmt_name(c.to)) + (noise ? " noise" : " ramps"));
      ASSERT_TRUE(engine::PlainConversionApplies(c.from, c.to, c.w, c.h, SWS_BICUBIC));
      EXPECT_FALSE(engine::PlainConversionApplies(c.from, c.to, c.w, c.h, SWS_BILINEAR));
      // libswscale filters a last odd row or column of chroma its own way.
      EXPECT_EQ(engine::PlainConversionApplies(c.from, c.to, c.w + 1, c.h + 1, SWS_BICUBIC),
                c.to == AV_PIX_FMT_YUV444P);
      std::mt19937 random(7);
      std::vector<uint8_t> src(size_t(c.w) * c.h * 4);
      for (size_t i = 0; i < src.size(); ++i) {
        const int x = int(i / 4) % c.w, y = int(i / 4) / c.w;
        src[i] = noise || i % 4 == 3 ? uint8_t(random()) : uint8_t(20 + x * 150 / c.w + y * 50 / c.h);
      }
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
      ASSERT_TRUE(engine::ConvertPlain(c.from, src.data(), c.w * 4, c.to, o, stride, c.w, c.h));
      SwsContext* sws = ff::sws_getContext(c.w, c.h, c.from, c.w, c.h, c.to, SWS_BICUBIC, nullptr,
                                           nullptr, nullptr);
      ASSERT_NE(sws, nullptr);
      const uint8_t* in[1] = {src.data()};
      const int inStride[1] = {c.w * 4};
      ff::sws_scale(sws, in, inStride, 0, c.h, t, stride);
      ff::sws_freeContext(sws);
      for (int p = 0; p < 3; ++p) {
        int worst = 0;
        for (size_t i = 0; i < ours[p].size(); ++i)
          if (int(i % size_t(stride[p])) < stride[p] - pad)
            worst = std::max(worst, std::abs(int(ours[p][i]) - int(theirs[p][i])));
        if (p == 0 || !noise || c.to != AV_PIX_FMT_YUV420P) EXPECT_LE(worst, 1) << "plane " << p;
      }
    }
}

}  // namespace
}  // namespace engine_test
