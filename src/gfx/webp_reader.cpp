// WebP pictures through libwebp: still pictures straight into the bitmap's
// rows, animations by their first frame. EXIF orientation is applied as for
// JPEG photos.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "exif.h"
#include "geometry.h"
#include "orientation.h"
#include "picture_decoders.h"

namespace gfx::decoders {

namespace {

struct DemuxDelete {
  void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct FrameRelease {
  void operator()(WebPIterator* i) const { WebPDemuxReleaseIterator(i); }
};

// A bitmap that needs this many times the file's size is proved first: a
// few damaged bytes must not claim a gigabyte before they fail.
constexpr int64_t kProveAboveRatio = 256;
constexpr int kProofSide = 64;

const char* StatusText(VP8StatusCode s) {
  switch (s) {
    case VP8_STATUS_OUT_OF_MEMORY: return "not enough memory to decode the picture";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "the file ends early";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "the WebP data uses a feature the decoder lacks";
    default: return "the WebP data is damaged";
  }
}

// The EXIF chunk holds the TIFF data; some writers put the JPEG-style
// "Exif\0\0" before it.
int Orientation(const WebPDemuxer* demux) {
  WebPChunkIterator chunk;
  int orientation = 1;
  if (WebPDemuxGetChunk(demux, "EXIF", 1, &chunk)) {
    static constexpr uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
    const uint8_t* p = chunk.chunk.bytes;
    const size_t n = chunk.chunk.size;
    if (n >= sizeof kExifId && std::memcmp(p, kExifId, sizeof kExifId) == 0) {
      orientation = ExifOrientation(p, n);
    } else {
      Bytes body(kExifId, kExifId + sizeof kExifId);
      body.insert(body.end(), p, p + n);
      orientation = ExifOrientation(body.data(), body.size());
    }
  }
  WebPDemuxReleaseChunkIterator(&chunk);
  return orientation;
}

// Decodes the whole bitstream at a tiny scale, which needs little memory.
void ProveBitstream(const std::string& path, const uint8_t* data, size_t size, int width, int height) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) ThrowPictureError(path, "the WebP decoder does not match its header");
  std::array<uint8_t, kProofSide * kProofSide * 4> pixels;
  config.options.use_scaling = 1;
  config.options.scaled_width = std::clamp(width, 1, kProofSide);
  config.options.scaled_height = std::clamp(height, 1, kProofSide);
  config.output.colorspace = MODE_RGBA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = pixels.data();
  config.output.u.RGBA.stride = kProofSide * 4;
  config.output.u.RGBA.size = pixels.size();
  const VP8StatusCode s = WebPDecode(data, size, &config);
  WebPFreeDecBuffer(&config.output);
  if (s != VP8_STATUS_OK) ThrowPictureError(path, StatusText(s));
}

// As for JPEG photos: whole, or the smallest of 1/2, 1/4 and 1/8 that still
// covers the rectangle the picture is fitted to; the fit does the rest.
int ScaleDivisor(int width, int height, bool sideways, const DecodeOptions& options) {
  const bool frame_known = options.FrameWidth > 0 && options.FrameHeight > 0;
  const bool over_budget = int64_t(width) * height > kPictureBudgetPixels;
  if (!frame_known || !(options.ReduceToFrame || over_budget)) return 1;
  const int upright_w = sideways ? height : width, upright_h = sideways ? width : height;
  const Rect fit = FitRect({0, 0, upright_w, upright_h}, {0, 0, options.FrameWidth, options.FrameHeight});
  const int need_w = sideways ? fit.Height() : fit.Width();
  const int need_h = sideways ? fit.Width() : fit.Height();
  int divisor = 1;
  while (divisor < 8 && (width + 2 * divisor - 1) / (2 * divisor) >= need_w &&
         (height + 2 * divisor - 1) / (2 * divisor) >= need_h)
    divisor *= 2;
  return divisor;
}

// Decodes a still bitstream into the rectangle at (x, y) of `out`, scaled to
// its size if need be. Premultiplied blue, green, red, alpha with the bottom
// row first: the bitmap's own layout, alpha composed onto black (as is the
// empty canvas around a frame).
void DecodeInto(const std::string& path, const uint8_t* data, size_t size, int x, int y, int width,
                int height, bool scaled, Bitmap& out) {
  if (x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > out.Width() || y + height > out.Height())
    ThrowPictureError(path, "the first WebP frame lies outside its canvas");
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) ThrowPictureError(path, "the WebP decoder does not match its header");
  config.output.colorspace = MODE_bgrA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = out.ScanLine(y + height - 1) + size_t(x) * 4;
  config.output.u.RGBA.stride = out.Stride();
  config.output.u.RGBA.size = size_t(out.Stride()) * (height - 1) + size_t(width) * 4;
  config.options.flip = 1;
  config.options.use_scaling = scaled;
  config.options.scaled_width = width;
  config.options.scaled_height = height;
  const VP8StatusCode s = WebPDecode(data, size, &config);
  WebPFreeDecBuffer(&config.output);
  if (s != VP8_STATUS_OK) ThrowPictureError(path, StatusText(s));
  for (int row = 0; row < out.Height(); ++row) {
    uint8_t* p = out.ScanLine(row);
    for (int col = 0; col < out.Width(); ++col) p[col * 4 + 3] = 0;
  }
}

}  // namespace

PictureSize WebP(const std::string& path, const Bytes& data, Bitmap& out, const DecodeOptions& options) {
  try {
    if (data.empty()) ThrowPictureError(path, "the file is empty");
    WebPBitstreamFeatures features;
    const VP8StatusCode s = WebPGetFeatures(data.data(), data.size(), &features);
    if (s != VP8_STATUS_OK) ThrowPictureError(path, StatusText(s));
    const WebPData webp{data.data(), data.size()};
    const std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&webp));
    if (!demux) ThrowPictureError(path, "the WebP container is damaged");
    // An animation shows its first frame on a canvas that may be larger.
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demux.get(), 1, &frame)) ThrowPictureError(path, "the WebP picture has no frame");
    const std::unique_ptr<WebPIterator, FrameRelease> frame_owner(&frame);
    const int w = int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
    const int h = int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
    const int orientation = options.ExifOrientation ? Orientation(demux.get()) : 1;
    const bool sideways = OrientationSwapsSides(orientation);
    // An animation's frame offsets are whole pixels of the canvas: never scaled.
    const int divisor = features.has_animation ? 1 : ScaleDivisor(w, h, sideways, options);
    const int out_w = (w + divisor - 1) / divisor, out_h = (h + divisor - 1) / divisor;
    if (int64_t(out_w) * out_h * 4 > int64_t(data.size()) * kProveAboveRatio &&
        int64_t(out_w) * out_h <= options.MaxPixels)
      ProveBitstream(path, frame.fragment.bytes, frame.fragment.size, frame.width, frame.height);
    SizeRgbaTarget(path, out_w, out_h, options.MaxPixels, out);
    if (divisor > 1)
      DecodeInto(path, frame.fragment.bytes, frame.fragment.size, 0, 0, out_w, out_h, true, out);
    else
      DecodeInto(path, frame.fragment.bytes, frame.fragment.size, frame.x_offset, frame.y_offset, frame.width,
                 frame.height, false, out);
    ApplyOrientation(out, orientation);
    return sideways ? PictureSize{h, w} : PictureSize{w, h};
  } catch (...) {
    ReleaseAndRethrow(path, out);
  }
}

}  // namespace gfx::decoders
