#include "media/picture/rotate_filter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

#include "media/binding/ff_utils.h"

namespace media {
namespace {

constexpr AVPixelFormat kFormats[] = {
    AV_PIX_FMT_YUV444P,  AV_PIX_FMT_YUV422P,  AV_PIX_FMT_YUV420P,  AV_PIX_FMT_YUV411P,
    AV_PIX_FMT_YUV410P,  AV_PIX_FMT_YUVJ444P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUVJ420P,
    AV_PIX_FMT_YUV440P,  AV_PIX_FMT_YUVJ440P, AV_PIX_FMT_NONE};

constexpr uint8_t kBackground[3] = {16, 128, 128};

// Source positions advance by a constant per output sample, so the inner
// loop steps them in fixed point; 40 fraction bits keep a row of 2^15
// samples within 2^-25 of the exact value.
constexpr int kFraction = 40;
constexpr long double kUnit = 0x1p40L;

int64_t ToFixed(long double value) { return std::llround(value * kUnit); }
int64_t Floor(int64_t fixed) { return fixed >> kFraction; }
int64_t TowardZero(int64_t fixed) {
  return fixed >= 0 ? fixed >> kFraction : -((-fixed) >> kFraction);
}
int RoundUpShift(int value, int shift) { return -((-value) >> shift); }
int Align64(int value) { return (value + 63) & ~63; }

}  // namespace

std::span<const AVPixelFormat> RotateFormats() { return kFormats; }

bool IsRotateFormat(AVPixelFormat format) {
  return format != AV_PIX_FMT_NONE && std::ranges::find(kFormats, format) != std::end(kFormats);
}

int ParseRotateAngle(const std::string& args) {
  return args.empty() ? 45 : ParseIntegerValue("rotate", args);
}

TRotateGeometry RotateGeometry(int angle, int width, int height) {
  TRotateGeometry g;
  const long double radians = angle * std::numbers::pi_v<long double> / 180;
  g.sine = float(std::sin(radians));
  g.cosine = float(std::cos(radians));
  const float s = g.sine, c = g.cosine, w = float(width), h = float(height);
  g.tx = std::max(h * s, 0.0f) + std::max(-w * c, 0.0f);
  g.ty = std::max(-h * c, 0.0f) + std::max(-w * s, 0.0f);
  g.width = int(std::floor(std::max(w * c, 0.0f) + std::max(-s * h, 0.0f) + g.tx));
  g.height = int(std::floor(std::max(h * c, 0.0f) + std::max(w * s, 0.0f) + g.ty));
  return g;
}

struct TRotateFilter::PlaneJob {
  const uint8_t* src;
  int srcStride, srcCols, srcRows;
  uint8_t* dst;
  int dstStride, dstCols, dstRows;
  int hshift, vshift;
  uint8_t background;
  bool towardZero;  // chroma positions are truncated, luma positions floored
};

TRotateFilter::~TRotateFilter() {
  if (pool_) ff::av_buffer_pool_uninit(&pool_);
}

void TRotateFilter::Configure(AVPixelFormat format, int width, int height) {
  if (!IsRotateFormat(format))
    throw std::invalid_argument(
        FormatText("rotate: pixel format %d is not a planar YUV format the filter takes", format));
  if (width <= 0 || height <= 0)
    throw std::invalid_argument(FormatText("rotate: invalid picture size %dx%d", width, height));
  const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(format);
  format_ = format;
  width_ = width;
  height_ = height;
  hshift_ = desc->log2_chroma_w;
  vshift_ = desc->log2_chroma_h;
  geometry_ = RotateGeometry(angle_, width, height);
  const TRotateGeometry& g = geometry_;
  if (g.width <= 0 || g.height <= 0 || g.width > 65535 || g.height > 65535)
    throw std::invalid_argument(
        FormatText("rotate: %dx%d turned by %d degrees gives no usable picture size", width, height,
                   angle_));
  dstStride_[0] = Align64(g.width);
  dstRows_[0] = g.height;
  dstStride_[1] = dstStride_[2] = Align64(RoundUpShift(g.width, hshift_));
  dstRows_[1] = dstRows_[2] = RoundUpShift(g.height, vshift_);
  size_t size = 0;
  for (int p = 0; p < 3; ++p) size += size_t(dstStride_[p]) * size_t(dstRows_[p]);
  if (pool_) ff::av_buffer_pool_uninit(&pool_);
  pool_ = ff::av_buffer_pool_init(size, nullptr);
  if (!pool_) throw std::bad_alloc();
}

int TRotateFilter::Filter(const AVFrame& in, AVFrame* out) {
  if (!pool_) return AVERROR(EINVAL);
  if (in.format != format_ || in.width != width_ || in.height != height_) return AVERROR(EINVAL);
  out->buf[0] = ff::av_buffer_pool_get(pool_);
  if (!out->buf[0]) return AVERROR(ENOMEM);
  uint8_t* plane = out->buf[0]->data;
  for (int p = 0; p < 3; ++p) {
    out->data[p] = plane;
    out->linesize[p] = dstStride_[p];
    plane += size_t(dstStride_[p]) * size_t(dstRows_[p]);
  }
  out->extended_data = out->data;
  out->format = format_;
  out->width = geometry_.width;
  out->height = geometry_.height;
  out->pts = in.pts;
  out->pkt_dts = in.pkt_dts;
  out->pkt_pos = in.pkt_pos;
  out->best_effort_timestamp = in.best_effort_timestamp;
  out->color_range = in.color_range;
  out->colorspace = in.colorspace;
  out->color_primaries = in.color_primaries;
  out->color_trc = in.color_trc;
  // A turned picture has its pixels turned too.
  out->sample_aspect_ratio = in.sample_aspect_ratio.num
                                 ? AVRational{in.sample_aspect_ratio.den, in.sample_aspect_ratio.num}
                                 : in.sample_aspect_ratio;
  const uint8_t* const src[3] = {in.data[0], in.data[1], in.data[2]};
  const int srcStride[3] = {in.linesize[0], in.linesize[1], in.linesize[2]};
  RotatePlanes(src, srcStride, out->data, out->linesize);
  return 0;
}

void TRotateFilter::RotatePlanes(const uint8_t* const src[3], const int srcStride[3],
                                 uint8_t* const dst[3], const int dstStride[3]) const {
  for (int p = 0; p < 3; ++p) {
    const int hs = p ? hshift_ : 0, vs = p ? vshift_ : 0;
    RotatePlane(PlaneJob{src[p], srcStride[p], RoundUpShift(width_, hs),
                         RoundUpShift(height_, vs), dst[p], dstStride[p],
                         RoundUpShift(geometry_.width, hs), RoundUpShift(geometry_.height, vs), hs,
                         vs, kBackground[p], p != 0});
  }
}

// Each output sample is taken from the nearest source position; the test
// against the picture bounds is in full-resolution samples.
void TRotateFilter::RotatePlane(const PlaneJob& job) const {
  const long double s = geometry_.sine, c = geometry_.cosine;
  const long double tx = geometry_.tx, ty = geometry_.ty;
  const int hhalf = job.hshift / 2, vhalf = job.vshift / 2;
  const int64_t colStep = ToFixed(c * (1 << job.hshift));
  const int64_t rowStep = ToFixed(-s * (1 << job.hshift));
  const long double x0 = (long double)(hhalf << job.hshift) - tx;
  const uint64_t cols = uint64_t(width_), rows = uint64_t(height_);
  for (int i = 0; i < job.dstRows; ++i) {
    const long double y = (long double)((i + vhalf) << job.vshift) - ty;
    int64_t col = ToFixed(s * y + x0 * c + 0.5L);
    int64_t row = ToFixed(y * c - x0 * s + 0.5L);
    uint8_t* out = job.dst + ptrdiff_t(i) * job.dstStride;
    for (int j = 0; j < job.dstCols; ++j, col += colStep, row += rowStep) {
      const int64_t x = job.towardZero ? TowardZero(col) : Floor(col);
      const int64_t yy = job.towardZero ? TowardZero(row) : Floor(row);
      if (uint64_t(x) >= cols || uint64_t(yy) >= rows) {
        out[j] = job.background;
        continue;
      }
      // The last chroma sample of a plane whose size is not a whole number
      // of blocks stays within the plane.
      const int sx = std::min(int((x + hhalf) >> job.hshift), job.srcCols - 1);
      const int sy = std::min(int((yy + vhalf) >> job.vshift), job.srcRows - 1);
      out[j] = job.src[ptrdiff_t(sy) * job.srcStride + sx];
    }
  }
}

}  // namespace media
