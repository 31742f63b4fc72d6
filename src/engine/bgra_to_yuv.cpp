// libyuv's ARGB is B, G, R, A in memory: our BGRA. Its ABGR is RGBA.
#include "engine/bgra_to_yuv.h"

#include <libyuv/convert.h>
#include <libyuv/convert_from_argb.h>

#include "media/binding/ff_entry_points.h"

namespace engine {
namespace {

// Rows start on a boundary the widest SIMD loads like.
constexpr int kAlign = 64;

enum class Source { kNone, kArgb, kAbgr };

Source SourceOf(AVPixelFormat from) {
  switch (from) {
    case AV_PIX_FMT_BGRA:
    case AV_PIX_FMT_BGR0: return Source::kArgb;
    case AV_PIX_FMT_RGBA:
    case AV_PIX_FMT_RGB0: return Source::kAbgr;
    default: return Source::kNone;
  }
}

using Converter = int (*)(const uint8_t*, int, uint8_t*, int, uint8_t*, int, uint8_t*, int, int,
                          int);

// libswscale averages neighbours in a row as libyuv does; for 4:2:0 it runs
// a bicubic filter over the rows where libyuv averages two.
Converter ConverterFor(AVPixelFormat from, AVPixelFormat to) {
  const Source source = SourceOf(from);
  if (source == Source::kArgb) {
    if (to == AV_PIX_FMT_YUV420P) return libyuv::ARGBToI420;
    if (to == AV_PIX_FMT_YUV422P) return libyuv::ARGBToI422;
    if (to == AV_PIX_FMT_YUV444P) return libyuv::ARGBToI444;
  } else if (source == Source::kAbgr) {
    if (to == AV_PIX_FMT_YUV420P) return libyuv::ABGRToI420;
  }
  return nullptr;
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
                  uint8_t* const dst[3], const int dstStride[3], int width, int height) {
  const Converter convert = ConverterFor(from, to);
  return convert && convert(src, srcStride, dst[0], dstStride[0], dst[1], dstStride[1], dst[2],
                            dstStride[2], width, height) == 0;
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
                    width_, height_)) {
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
