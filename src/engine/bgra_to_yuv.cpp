// libyuv's ARGB is B, G, R, A in memory: our BGRA.
#include "engine/bgra_to_yuv.h"

#include <libyuv/convert.h>
#include <libyuv/convert_from_argb.h>

#include <algorithm>

#include "engine/bgra_to_yuv_rows.h"
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

// The chroma kernels this processor runs best.
const chroma::Kernels& FastestKernels() {
  static const chroma::Kernels* const avx2 = chroma::Avx2Kernels();
  return avx2 ? *avx2 : chroma::kPortable;
}

// 4:2:0 as libswscale makes it: luma by libyuv; chroma of pixel pairs at
// full height, its rows halved with edge rows repeated past the ends. Each
// source row gives its luma and its chroma while it is in the cache, and
// the full-height chroma rows live in a ring of the eight an output row
// needs.
bool ConvertTo420(const uint8_t* src, int srcStride, uint8_t* const dst[3], const int dstStride[3],
                  int width, int height, std::vector<int16_t>& scratch,
                  const chroma::Kernels& kernels) {
  const int cw = width / 2;
  scratch.resize(size_t(16) * cw);
  int16_t* const ringU = scratch.data();
  int16_t* const ringV = ringU + size_t(8) * cw;
  auto slot = [cw](int row) { return size_t(row % 8) * cw; };
  int made = 0;
  for (int i = 0; i < height / 2; ++i) {
    const int last = std::min(2 * i + 4, height - 1);
    if (made <= last &&
        libyuv::ARGBToI400(src + size_t(made) * srcStride, srcStride,
                           dst[0] + size_t(made) * dstStride[0], dstStride[0], width,
                           last + 1 - made) != 0)
      return false;
    for (; made <= last; ++made)
      kernels.pairRow(src + size_t(made) * srcStride, cw, ringU + slot(made), ringV + slot(made));
    const int16_t *u[8], *v[8];
    for (int k = 0; k < 8; ++k) {
      const int row = std::clamp(2 * i - 3 + k, 0, height - 1);
      u[k] = ringU + slot(row);
      v[k] = ringV + slot(row);
    }
    kernels.halveRow(u, cw, dst[1] + size_t(i) * dstStride[1]);
    kernels.halveRow(v, cw, dst[2] + size_t(i) * dstStride[2]);
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
                  std::vector<int16_t>& scratch, Kernels kernels) {
  const Converter convert = ConverterFor(from, to);
  if (!convert) return false;
  if (to == AV_PIX_FMT_YUV420P)
    return ConvertTo420(src, srcStride, dst, dstStride, width, height, scratch,
                        kernels == Kernels::kPortable ? chroma::kPortable : FastestKernels());
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
