// The built-in "rotate" video filter: turns planar YUV pictures by a whole
// number of degrees into a picture as large as the turned bounding box,
// filling the corners with black (Y 16, U and V 128).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "media/binding/ff_entry_points.h"

namespace media {

// Pixel formats the filter accepts, ending with AV_PIX_FMT_NONE.
std::span<const AVPixelFormat> RotateFormats();
bool IsRotateFormat(AVPixelFormat format);

// The angle from the filter's argument text: 45 for an empty text, else the
// text as a decimal integer (std::runtime_error when it is not one).
int ParseRotateAngle(const std::string& args);

// Where the turned picture lies. Sine, cosine and the translations are kept
// in single precision; source positions are
//   column = s·(i − ty) + (j − tx)·c + 0.5,  row = (i − ty)·c − (j − tx)·s + 0.5
// for output row i and column j.
struct TRotateGeometry {
  float sine = 0, cosine = 1;
  float tx = 0, ty = 0;
  int width = 0, height = 0;  // output size
};
TRotateGeometry RotateGeometry(int angle, int width, int height);

// Pictures of one input layout in, turned pictures out. Output pictures come
// from a pool of the filter's own, so turning allocates nothing per frame
// once pictures circulate.
class TRotateFilter {
 public:
  explicit TRotateFilter(int angle) : angle_(angle) {}
  ~TRotateFilter();
  TRotateFilter(const TRotateFilter&) = delete;
  TRotateFilter& operator=(const TRotateFilter&) = delete;

  // Input layout; throws std::invalid_argument for a format not accepted.
  void Configure(AVPixelFormat format, int width, int height);
  int Angle() const { return angle_; }
  const TRotateGeometry& Geometry() const { return geometry_; }
  AVPixelFormat Format() const { return format_; }

  // Turns `in` (of the configured layout) into `out`, which must be empty;
  // returns 0 or a negative error code.
  int Filter(const AVFrame& in, AVFrame* out);

  // The pixel work alone: three planes in, three planes of the output size out.
  void RotatePlanes(const uint8_t* const src[3], const int srcStride[3], uint8_t* const dst[3],
                    const int dstStride[3]) const;

 private:
  struct PlaneJob;
  void RotatePlane(const PlaneJob& job) const;

  int angle_;
  AVPixelFormat format_ = AV_PIX_FMT_NONE;
  int width_ = 0, height_ = 0;
  int hshift_ = 0, vshift_ = 0;
  TRotateGeometry geometry_;
  int dstStride_[3] = {};
  int dstRows_[3] = {};
  AVBufferPool* pool_ = nullptr;
};

}  // namespace media
