// BGRA pictures to the encoder's planar YUV with libyuv's SIMD rows, for the
// common case where the filter graph would do nothing but that format
// change: it costs libswscale's general path several times as much.
#pragma once

#include <memory>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

struct AVBufferPool;

namespace engine {

// Whether libyuv turns `from` into `to` at `width` x `height` as libswscale
// would with `swsFlags` at the same size: BT.601, limited range, every
// sample within one level.
bool PlainConversionApplies(AVPixelFormat from, AVPixelFormat to, int width, int height,
                            unsigned swsFlags);

// Which of 4:2:0's chroma kernels run: the fastest this processor has, or
// the portable ones (which give the same samples).
enum class Kernels { kFastest, kPortable };

// Converts one picture; both are `width` x `height`. Returns false when the
// pair of formats is not one PlainConversionApplies accepts. `scratch` holds
// 4:2:0's chroma before its rows are halved; kept, it is allocated once.
bool ConvertPlain(AVPixelFormat from, const uint8_t* src, int srcStride, AVPixelFormat to,
                  uint8_t* const dst[3], const int dstStride[3], int width, int height,
                  std::vector<int16_t>& scratch, Kernels kernels = Kernels::kFastest);

// The stand-in for an output stream's filter graph: pictures of one size and
// format in, converted pictures from a buffer pool out.
class PlainConverter {
 public:
  PlainConverter(AVPixelFormat from, AVPixelFormat to, int width, int height);
  ~PlainConverter();
  PlainConverter(const PlainConverter&) = delete;
  PlainConverter& operator=(const PlainConverter&) = delete;

  // Pictures of another size or format go through the filter graph.
  bool Accepts(const AVFrame& in) const;
  // Converts `in` and keeps the result for Take; a negative error code when
  // no buffer could be had.
  int Convert(const AVFrame& in);
  // Hands over the picture converted last: 0, or AVERROR(EAGAIN) if none.
  int Take(AVFrame* out);

 private:
  AVPixelFormat from_, to_;
  int width_, height_;
  int bufferSize_ = 0;
  AVBufferPool* pool_ = nullptr;  // owned; buffers outlive it while referenced
  AVFrame* pending_ = nullptr;    // owned
  bool hasPending_ = false;
  std::vector<int16_t> scratch_;  // 4:2:0: the chroma rows an output row is made of
};

}  // namespace engine
