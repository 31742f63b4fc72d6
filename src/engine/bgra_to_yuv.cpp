// libyuv's ARGB is B, G, R, A in memory: our BGRA.
#include "engine/bgra_to_yuv.h"

#include <libyuv/convert.h>
#include <libyuv/convert_from_argb.h>

#include <algorithm>

#include "media/binding/ff_entry_points.h"

namespace engine {
namespace {

// Rows start on a boundary the widest SIMD loads like.
constexpr int kAlign = 64;

enum class Source { kNone, kArgb };

Source SourceOf(AVPixelFormat from) {
  switch (from) {
    case AV_PIX_FMT_BGRA:
    case AV_PIX_FMT_BGR0: return Source::kArgb;
    default: return Source::kNone;
  }
}

using Converter = int (*)(const uint8_t*, int, uint8_t*, int, uint8_t*, int, uint8_t*, int, int,
                          int);

// libswscale averages neighbours in a row as libyuv does. For 4:2:0 it
// then runs a bicubic filter (B = 0, C = 0.6) over the rows, halving them,
// where libyuv averages two: so 4:2:0's chroma is made here (ConvertTo420).
Converter ConverterFor(AVPixelFormat from, AVPixelFormat to) {
  const Source source = SourceOf(from);
  if (source == Source::kArgb) {
    if (to == AV_PIX_FMT_YUV420P || to == AV_PIX_FMT_YUV422P) return libyuv::ARGBToI422;
    if (to == AV_PIX_FMT_YUV444P) return libyuv::ARGBToI444;
  }
  // This libyuv has no RGBA to 4:2:2 (which 4:2:0 starts from): RGBA stays
  // with libswscale, as the frame source hands out BGRA anyway.
  return nullptr;
}

// The bicubic kernel at distances 0.25, 0.75, 1.25 and 1.75 of a source row
// from an output row's centre (between rows 2i and 2i + 1), halved so the
// eight taps sum to one; in 1/16384.
constexpr int kTapBits = 14;
constexpr int kTaps[8] = {-231, -691, 1971, 7143, 7143, 1971, -691, -231};

// Chroma is kept in 1/128 of a level between the passes, as libswscale
// keeps it in 15 bits: rounding once at the end keeps it within one level.
constexpr int kFractionBits = 7;
// BT.601 limited range for the sum of two pixels, in 1/128 level x 2^8:
// U = 128 + (-0.168736 R - 0.331264 G + 0.5 B) x 224 / 255, V likewise.
constexpr int kCoefBits = 8;
constexpr int Coef(double c) {
  const double v = c * 224.0 / 255.0 / 2 * (1 << (kFractionBits + kCoefBits));
  return int(v < 0 ? v - 0.5 : v + 0.5);
}
constexpr int kUr = Coef(-0.168736), kUg = Coef(-0.331264), kUb = Coef(0.5);
constexpr int kVr = Coef(0.5), kVg = Coef(-0.418688), kVb = Coef(-0.081312);
constexpr int kMid = 128 << (kFractionBits + kCoefBits);
constexpr int kRound = 1 << (kCoefBits - 1);

// The two loops below are most of a frame's work; the build's -O2 leaves
// them scalar.
#pragma GCC push_options
#pragma GCC optimize("O3")

// One row of BGRA to chroma of pixel pairs, in 1/128 level.
void ChromaRow(const uint8_t* bgra, int pairs, int16_t* u, int16_t* v) {
  for (int x = 0; x < pairs; ++x) {
    const uint8_t* p = bgra + 8 * x;
    const int b = p[0] + p[4], g = p[1] + p[5], r = p[2] + p[6];
    u[x] = int16_t((kMid + kUr * r + kUg * g + kUb * b + kRound) >> kCoefBits);
    v[x] = int16_t((kMid + kVr * r + kVg * g + kVb * b + kRound) >> kCoefBits);
  }
}

// One output row from the eight source rows around it.
void HalveRow(const int16_t* const ring[8], int w, uint8_t* out) {
  constexpr int shift = kTapBits + kFractionBits;
  // Copied, or every write to out (a byte may alias anything) reloads them.
  const int16_t* rows[8];
  std::copy(ring, ring + 8, rows);
  // The taps are symmetric: pairs of rows first (chroma is positive, so a
  // pair fits 16 bits unsigned).
  for (int x = 0; x < w; ++x) {
    int sum = 1 << (shift - 1);
    for (int k = 0; k < 4; ++k) sum += kTaps[k] * int(uint16_t(rows[k][x] + rows[7 - k][x]));
    out[x] = uint8_t(std::clamp(sum >> shift, 0, 255));
  }
}

#pragma GCC pop_options

// 4:2:0 as libswscale makes it: luma by libyuv; chroma of pixel pairs at
// full height, its rows halved with edge rows repeated past the ends. The
// full-height rows live in a ring of the eight an output row needs, so
// they stay in the cache.
bool ConvertTo420(const uint8_t* src, int srcStride, uint8_t* const dst[3], const int dstStride[3],
                  int width, int height, std::vector<int16_t>& scratch) {
  if (libyuv::ARGBToI400(src, srcStride, dst[0], dstStride[0], width, height) != 0) return false;
  const int cw = width / 2;
  scratch.resize(size_t(16) * cw);
  int16_t* const ringU = scratch.data();
  int16_t* const ringV = ringU + size_t(8) * cw;
  auto slot = [cw](int row) { return size_t(row % 8) * cw; };
  int made = 0;
  for (int i = 0; i < height / 2; ++i) {
    for (; made <= std::min(2 * i + 4, height - 1); ++made)
      ChromaRow(src + size_t(made) * srcStride, cw, ringU + slot(made), ringV + slot(made));
    const int16_t *u[8], *v[8];
    for (int k = 0; k < 8; ++k) {
      const int row = std::clamp(2 * i - 3 + k, 0, height - 1);
      u[k] = ringU + slot(row);
      v[k] = ringV + slot(row);
    }
    HalveRow(u, cw, dst[1] + size_t(i) * dstStride[1]);
    HalveRow(v, cw, dst[2] + size_t(i) * dstStride[2]);
  }
  return true;
}

}  // namespace

bool PlainConversionApplies(AVPixelFormat from, AVPixelFormat to, int width, int height,
                            unsigned swsFlags) {
  // Other flags (accurate rounding, full chroma, another filter for the
  // chroma rows) give pictures libyuv does not reproduce; so does
  // libswscale's filter at an odd last row or column of chroma.
  const bool halved = to == AV_PIX_FMT_YUV420P || to == AV_PIX_FMT_YUV422P;
  if (halved && (width % 2 || (to == AV_PIX_FMT_YUV420P && height % 2))) return false;
  return swsFlags == SWS_BICUBIC && width > 0 && height > 0 && ConverterFor(from, to) != nullptr;
}

bool ConvertPlain(AVPixelFormat from, const uint8_t* src, int srcStride, AVPixelFormat to,
                  uint8_t* const dst[3], const int dstStride[3], int width, int height,
                  std::vector<int16_t>& scratch) {
  const Converter convert = ConverterFor(from, to);
  if (!convert) return false;
  if (to == AV_PIX_FMT_YUV420P) return ConvertTo420(src, srcStride, dst, dstStride, width, height, scratch);
  return convert(src, srcStride, dst[0], dstStride[0], dst[1], dstStride[1], dst[2], dstStride[2],
                 width, height) == 0;
}

PlainConverter::PlainConverter(AVPixelFormat from, AVPixelFormat to, int width, int height)
    : from_(from), to_(to), width_(width), height_(height) {
  bufferSize_ = ff::av_image_get_buffer_size(to, width, height, kAlign);
  if (bufferSize_ > 0) pool_ = ff::av_buffer_pool_init(size_t(bufferSize_), nullptr);
  pending_ = ff::av_frame_alloc();
}

PlainConverter::~PlainConverter() {
  ff::av_frame_free(&pending_);
  ff::av_buffer_pool_uninit(&pool_);
}

bool PlainConverter::Accepts(const AVFrame& in) const {
  return in.format == from_ && in.width == width_ && in.height == height_ && in.data[0];
}

int PlainConverter::Convert(const AVFrame& in) {
  if (!pool_ || !pending_) return AVERROR(ENOMEM);
  ff::av_frame_unref(pending_);
  hasPending_ = false;
  AVBufferRef* buffer = ff::av_buffer_pool_get(pool_);
  if (!buffer) return AVERROR(ENOMEM);
  pending_->buf[0] = buffer;
  int ret = ff::av_image_fill_arrays(pending_->data, pending_->linesize, buffer->data, to_, width_,
                                     height_, kAlign);
  if (ret >= 0) ret = ff::av_frame_copy_props(pending_, &in);
  if (ret < 0) {
    ff::av_frame_unref(pending_);
    return ret;
  }
  pending_->format = to_;
  pending_->width = width_;
  pending_->height = height_;
  if (!ConvertPlain(from_, in.data[0], in.linesize[0], to_, pending_->data, pending_->linesize,
                    width_, height_, scratch_)) {
    ff::av_frame_unref(pending_);
    return AVERROR(EINVAL);
  }
  hasPending_ = true;
  return 0;
}

int PlainConverter::Take(AVFrame* out) {
  if (!hasPending_) return AVERROR(EAGAIN);
  hasPending_ = false;
  ff::av_frame_move_ref(out, pending_);
  return 0;
}

}  // namespace engine
