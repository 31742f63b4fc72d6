// WebP pictures through libwebp: still pictures straight into the bitmap's
// rows, animations by their first frame. EXIF orientation is applied as for
// JPEG photos.
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "exif.h"
#include "orientation.h"
#include "picture_decoders.h"

namespace gfx::decoders {

namespace {

struct DemuxDelete {
  void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct AnimDelete {
  void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

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

void DecodeStill(const std::string& path, const Bytes& data, Bitmap& out) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) ThrowPictureError(path, "the WebP decoder does not match its header");
  // Premultiplied blue, green, red, alpha, bottom row first: the bitmap's own
  // layout with the alpha composed onto black.
  config.output.colorspace = MODE_bgrA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = out.Bits();
  config.output.u.RGBA.stride = out.Stride();
  config.output.u.RGBA.size = size_t(out.Stride()) * out.Height();
  config.options.flip = 1;
  const VP8StatusCode s = WebPDecode(data.data(), data.size(), &config);
  WebPFreeDecBuffer(&config.output);
  if (s != VP8_STATUS_OK) ThrowPictureError(path, StatusText(s));
  for (int y = 0; y < out.Height(); ++y) {
    uint8_t* row = out.ScanLine(y);
    for (int x = 0; x < out.Width(); ++x) row[x * 4 + 3] = 0;
  }
}

void DecodeFirstFrame(const std::string& path, const WebPData& webp, Bitmap& out) {
  WebPAnimDecoderOptions anim_options;
  if (!WebPAnimDecoderOptionsInit(&anim_options)) ThrowPictureError(path, "the WebP decoder does not match its header");
  anim_options.color_mode = MODE_RGBA;
  anim_options.use_threads = 0;
  const std::unique_ptr<WebPAnimDecoder, AnimDelete> anim(WebPAnimDecoderNew(&webp, &anim_options));
  if (!anim) ThrowPictureError(path, "the WebP animation is damaged");
  uint8_t* rows = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(anim.get(), &rows, &timestamp) || !rows)
    ThrowPictureError(path, "the first frame of the WebP animation cannot be decoded");
  CopyRgbaRows(rows, size_t(out.Width()) * 4, out);
}

}  // namespace

void WebP(const std::string& path, const Bytes& data, Bitmap& out, const DecodeOptions& options) {
  try {
    if (data.empty()) ThrowPictureError(path, "the file is empty");
    WebPBitstreamFeatures features;
    const VP8StatusCode s = WebPGetFeatures(data.data(), data.size(), &features);
    if (s != VP8_STATUS_OK) ThrowPictureError(path, StatusText(s));
    const WebPData webp{data.data(), data.size()};
    const std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&webp));
    if (!demux) ThrowPictureError(path, "the WebP container is damaged");
    // An animation's canvas may be larger than its first frame.
    const int64_t w = features.has_animation ? WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH) : features.width;
    const int64_t h = features.has_animation ? WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT) : features.height;
    SizeRgbaTarget(path, w, h, out);
    if (features.has_animation) {
      DecodeFirstFrame(path, webp, out);
    } else {
      DecodeStill(path, data, out);
    }
    if (options.ExifOrientation) ApplyOrientation(out, Orientation(demux.get()));
  } catch (const std::bad_alloc&) {
    out.Release();
    ThrowPictureError(path, "not enough memory to decode the picture");
  } catch (...) {
    out.Release();
    throw;
  }
}

}  // namespace gfx::decoders
