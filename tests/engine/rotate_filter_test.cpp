// The built-in rotate filter: geometry, pixels against a direct model of the
// turning formulas, chains cut at "rotate", and whole runs through "-vf".
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "engine/video/filter_chain.h"
#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "media/picture/rotate_filter.h"
#include "sound_files.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;
using media::RotateGeometry;

struct FrameFree {
  void operator()(AVFrame* f) const { ff::av_frame_free(&f); }
};
using Frame = std::unique_ptr<AVFrame, FrameFree>;

using RotateFilterTest = EngineTest;

TEST_F(RotateFilterTest, OutputSizeIsTheTurnedBoundingBox) {
  struct Case {
    int angle, w, h, outW, outH;
  } cases[] = {{90, 320, 240, 240, 320}, {45, 320, 240, 395, 395}, {0, 320, 240, 320, 240},
               {180, 320, 240, 320, 240}, {270, 320, 240, 240, 320}, {-90, 320, 240, 240, 320},
               {30, 100, 50, 111, 93}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    const auto g = RotateGeometry(c.angle, c.w, c.h);
    EXPECT_EQ(g.width, c.outW);
    EXPECT_EQ(g.height, c.outH);
  }
  // The corners of a turned picture stay inside: the translations are the
  // distances the turn moved the leftmost and topmost corner.
  const auto g = RotateGeometry(45, 320, 240);
  EXPECT_FLOAT_EQ(g.tx, 240 * g.sine);
  EXPECT_FLOAT_EQ(g.ty, 0);
}

TEST_F(RotateFilterTest, AngleIsAWholeNumberOfDegrees) {
  EXPECT_EQ(media::ParseRotateAngle(""), 45);
  EXPECT_EQ(media::ParseRotateAngle("90"), 90);
  EXPECT_EQ(media::ParseRotateAngle("-30"), -30);
  for (const char* bad : {"1.5", "PI/2", "ninety"}) {
    try {
      media::ParseRotateAngle(bad);
      ADD_FAILURE() << bad << " was taken";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), std::string("Expected integer for rotate but found ") + bad);
    }
  }
}

TEST_F(RotateFilterTest, ChainsAreCutAtRotateOnly) {
  auto plan = engine::SplitFilterChain("hflip,scale=8:6");
  EXPECT_EQ(plan.pieces, std::vector<std::string>{"hflip,scale=8:6"});
  EXPECT_TRUE(plan.angles.empty());

  plan = engine::SplitFilterChain("hflip, rotate=90 ,vflip,rotate,negate");
  EXPECT_EQ(plan.pieces, (std::vector<std::string>{"hflip", "vflip", "negate"}));
  EXPECT_EQ(plan.angles, (std::vector<int>{90, 45}));

  plan = engine::SplitFilterChain("rotate=-30");
  EXPECT_EQ(plan.pieces, (std::vector<std::string>{"", ""}));
  EXPECT_EQ(plan.angles, std::vector<int>{-30});

  // Quoted or escaped commas belong to their filter; "rotate" there is text.
  plan = engine::SplitFilterChain("drawtext=text='a,rotate',drawtext=text=b\\,rotate");
  EXPECT_TRUE(plan.angles.empty());
  // Other filters whose names start alike stay libavfilter's.
  EXPECT_TRUE(engine::SplitFilterChain("rotatex=1").angles.empty());

  EXPECT_THROW(engine::SplitFilterChain("rotate=0.5"), std::runtime_error);
  EXPECT_THROW(engine::SplitFilterChain("[in]rotate=90[out]"), std::runtime_error);
  EXPECT_THROW(engine::SplitFilterChain("hflip;rotate"), std::runtime_error);
}

// The turn as written: source position per output sample, luma floored,
// chroma truncated toward zero and taken from the block the position lies in.
int ModelSample(const AVFrame& in, const media::TRotateGeometry& g, int plane, int i, int j,
                int hs, int vs) {
  const long double s = g.sine, c = g.cosine, tx = g.tx, ty = g.ty;
  const long double y = plane ? (long double)((i + vs / 2) << vs) : i;
  const long double x = plane ? (long double)((j + hs / 2) << hs) : j;
  const long double u = s * (y - ty) + (x - tx) * c + 0.5L;
  const long double v = (y - ty) * c - (x - tx) * s + 0.5L;
  const long double col = plane ? std::trunc(u) : std::floor(u);
  const long double row = plane ? std::trunc(v) : std::floor(v);
  if (col < 0 || row < 0 || col >= in.width || row >= in.height) return plane ? 128 : 16;
  const int cols = -((-in.width) >> (plane ? hs : 0)), rows = -((-in.height) >> (plane ? vs : 0));
  const int sx = std::min((int(col) + (plane ? hs / 2 : 0)) >> (plane ? hs : 0), cols - 1);
  const int sy = std::min((int(row) + (plane ? vs / 2 : 0)) >> (plane ? vs : 0), rows - 1);
  return in.data[plane][sy * in.linesize[plane] + sx];
}

Frame NoisePicture(AVPixelFormat format, int w, int h, unsigned seed) {
  Frame f(ff::av_frame_alloc());
  f->format = format;
  f->width = w;
  f->height = h;
  EXPECT_GE(ff::av_frame_get_buffer(f.get(), 0), 0);
  std::mt19937 random(seed);
  for (int p = 0; p < 3; ++p)
    for (int k = 0; k < f->linesize[p] * h; ++k) f->data[p][k] = uint8_t(random() % 200 + 30);
  f->pts = 1234;
  f->sample_aspect_ratio = AVRational{4, 3};
  return f;
}

TEST_F(RotateFilterTest, EverySampleComesFromTheModelledPosition) {
  const AVPixelFormat formats[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUV422P,
                                   AV_PIX_FMT_YUV411P, AV_PIX_FMT_YUV410P, AV_PIX_FMT_YUVJ440P};
  const int angles[] = {0, 30, 45, 90, 135, 180, 270, -60, 400, 7};
  // Odd sizes leave part-filled chroma blocks at the edges; with whole
  // blocks the rounding of 4:1:1 and 4:1:0 positions reaches one block past
  // the last.
  const int sizes[][2] = {{13, 9}, {16, 8}};
  for (const auto& size : sizes) {
    for (const AVPixelFormat format : formats)
      for (const int angle : angles) {
        SCOPED_TRACE(testing::Message() << ff::av_get_pix_fmt_name(format) << " by " << angle
                                        << " at " << size[0] << "x" << size[1]);
        const Frame in = NoisePicture(format, size[0], size[1], unsigned(angle + 1000 * format));
        media::TRotateFilter filter(angle);
        filter.Configure(format, size[0], size[1]);
        Frame out(ff::av_frame_alloc());
        ASSERT_EQ(filter.Filter(*in, out.get()), 0);
        const auto& g = filter.Geometry();
        ASSERT_EQ(out->width, g.width);
        ASSERT_EQ(out->height, g.height);
        EXPECT_EQ(out->pts, 1234);
        EXPECT_EQ(out->sample_aspect_ratio.num, 3);  // pixels turn with the picture
        EXPECT_EQ(out->sample_aspect_ratio.den, 4);
        const AVPixFmtDescriptor* d = ff::av_pix_fmt_desc_get(format);
        int wrong = 0;
        for (int p = 0; p < 3; ++p) {
          const int hs = p ? d->log2_chroma_w : 0, vs = p ? d->log2_chroma_h : 0;
          for (int i = 0; i < -((-g.height) >> vs); ++i)
            for (int j = 0; j < -((-g.width) >> hs); ++j)
              if (out->data[p][i * out->linesize[p] + j] !=
                  ModelSample(*in, g, p, i, j, d->log2_chroma_w, d->log2_chroma_h))
                ++wrong;
        }
        EXPECT_EQ(wrong, 0);
      }
  }
}

TEST_F(RotateFilterTest, RefusesPicturesItCannotTurn) {
  media::TRotateFilter filter(90);
  EXPECT_THROW(filter.Configure(AV_PIX_FMT_RGB24, 8, 8), std::invalid_argument);
  EXPECT_THROW(filter.Configure(AV_PIX_FMT_NV12, 8, 8), std::invalid_argument);
  filter.Configure(AV_PIX_FMT_YUV420P, 8, 6);
  // A picture of another layout than configured is not read.
  const Frame other = NoisePicture(AV_PIX_FMT_YUV420P, 10, 6, 1);
  Frame out(ff::av_frame_alloc());
  EXPECT_LT(filter.Filter(*other, out.get()), 0);
  EXPECT_EQ(out->buf[0], nullptr);
}

// Grey pictures 0..n-1 whose sample values encode their position.
std::string WritePositions(const fs::path& path, int w, int h, int frames) {
  std::ofstream f(path, std::ios::binary);
  for (int n = 0; n < frames; ++n)
    for (int p = 0; p < 3; ++p)
      for (int y = 0; y < (p ? h / 2 : h); ++y)
        for (int x = 0; x < (p ? w / 2 : w); ++x) f.put(char(p ? 128 : 20 + y * 7 + x));
  return path.string();
}

struct Decoded {
  int width = 0, height = 0, count = 0;
  std::vector<uint8_t> luma;  // of the first picture
};

Decoded DecodeLuma(const std::string& path) {
  Decoded d;
  DecodeFirstStream(path, [&](const AVFrame& frame) {
    if (d.count++ > 0) return;
    d.width = frame.width;
    d.height = frame.height;
    for (int y = 0; y < frame.height; ++y)
      d.luma.insert(d.luma.end(), frame.data[0] + y * frame.linesize[0],
                    frame.data[0] + y * frame.linesize[0] + frame.width);
  });
  return d;
}

TEST_F(RotateFilterTest, VideoFilterOptionTurnsTheEncodedPictures) {
  const fs::path dir = SoundScratch("rotate");
  const std::string raw = WritePositions(dir / "in.yuv", 16, 8, 3);
  struct Case {
    const char* options;
    int width, height;
  } cases[] = {{"-vf rotate=90", 8, 16},
               {"-vf hflip,rotate=90,vflip", 8, 16},
               {"-s 320x240 -vf rotate", 395, 395},
               {"-s 320x240 -vf rotate=90", 240, 320}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string out = (dir / "out.nut").string();
    engine::TTranscoder engine;
    engine.ParseOptions("-f rawvideo -pix_fmt yuv420p -s 16x8 -r 25");
    ASSERT_EQ(engine.OpenInput(raw), 0) << engine.LastErrorText();
    engine.ParseOptions(std::string("-y -c:v rawvideo -pix_fmt yuv420p ") + c.options);
    ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
    engine.Run();
    ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
    const Decoded d = DecodeLuma(out);
    EXPECT_EQ(d.count, 3);
    EXPECT_EQ(d.width, c.width);
    EXPECT_EQ(d.height, c.height);
    if (std::string(c.options) == "-vf rotate=90") {
      // Output (i, j) shows source column i of row 8 - j; column 0 would
      // need row 8, one past the picture, and stays black.
      for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(d.luma[i * 8 + 0], 16);
        for (int j = 1; j < 8; ++j) EXPECT_EQ(d.luma[i * 8 + j], 20 + (8 - j) * 7 + i);
      }
    }
  }
}

TEST_F(RotateFilterTest, PicturesInOtherFormatsAreConvertedForTheTurn) {
  const fs::path dir = SoundScratch("rotate-rgb");
  const std::string raw = (dir / "in.rgb").string();
  std::ofstream(raw, std::ios::binary) << std::string(12 * 8 * 3 * 2, char(200));
  const std::string out = (dir / "out.nut").string();
  engine::TTranscoder engine;
  engine.ParseOptions("-f rawvideo -pix_fmt rgb24 -s 12x8 -r 25");
  ASSERT_EQ(engine.OpenInput(raw), 0) << engine.LastErrorText();
  engine.ParseOptions("-y -c:v rawvideo -pix_fmt rgb24 -vf rotate=90");
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  int count = 0;
  DecodeFirstStream(out, [&](const AVFrame& frame) {
    ++count;
    EXPECT_EQ(frame.format, AV_PIX_FMT_RGB24);
    EXPECT_EQ(frame.width, 8);
    EXPECT_EQ(frame.height, 12);
  });
  EXPECT_EQ(count, 2);
}

TEST_F(RotateFilterTest, BadAngleEndsTheRunWithItsMessage) {
  const fs::path dir = SoundScratch("rotate-bad");
  const std::string raw = WritePositions(dir / "in.yuv", 16, 8, 1);
  const std::string out = (dir / "out.nut").string();
  engine::TTranscoder engine;
  engine.ParseOptions("-f rawvideo -pix_fmt yuv420p -s 16x8 -r 25");
  ASSERT_EQ(engine.OpenInput(raw), 0) << engine.LastErrorText();
  engine.ParseOptions("-y -c:v rawvideo -vf rotate=1.5");
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.Run();
  EXPECT_TRUE(engine.ErrorOccurred());
  EXPECT_EQ(engine.ErrorMessage(), "Expected integer for rotate but found 1.5");
}

}  // namespace
}  // namespace engine_test
