// Makes HEIC and WebP files for the decoder tests and the fuzz seeds through
// libheif's and libwebp's encoders.
#pragma once

#include <libheif/heif.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

namespace heifwebptest {

using Bytes = std::vector<uint8_t>;
// Red, green, blue, alpha of the stored pixel at (x, y).
using Pixels = std::function<uint32_t(int x, int y)>;

// A TIFF body (big-endian) holding only the orientation tag.
inline Bytes ExifTiff(int orientation) {
  return {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1,
          0, uint8_t(orientation), 0, 0, 0, 0, 0, 0};
}

inline Bytes Rgba(int w, int h, const Pixels& px) {
  Bytes out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(px(x, y) >> shift));
  return out;
}

// Lossless, so every pixel comes back exactly; orientation > 1 adds an EXIF chunk.
inline Bytes EncodeWebP(int w, int h, const Pixels& px, int orientation = 1) {
  const Bytes rgba = Rgba(w, h, px);
  uint8_t* coded = nullptr;
  const size_t n = WebPEncodeLosslessRGBA(rgba.data(), w, h, w * 4, &coded);
  if (n == 0) throw std::runtime_error("test WebP not written");
  Bytes plain(coded, coded + n);
  WebPFree(coded);
  if (orientation == 1) return plain;
  WebPMux* mux = WebPMuxNew();
  const WebPData image{plain.data(), plain.size()};
  const Bytes tiff = ExifTiff(orientation);
  const WebPData exif{tiff.data(), tiff.size()};
  WebPData assembled{};
  const bool ok = WebPMuxSetImage(mux, &image, 1) == WEBP_MUX_OK &&
                  WebPMuxSetChunk(mux, "EXIF", &exif, 1) == WEBP_MUX_OK &&
                  WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK;
  WebPMuxDelete(mux);
  if (!ok) throw std::runtime_error("test WebP with EXIF not written");
  Bytes out(assembled.bytes, assembled.bytes + assembled.size);
  WebPDataClear(&assembled);
  return out;
}

// An animation of two frames on a canvas: the first at (x, y), then a
// second covering everything, which a reader of the first must not show.
inline Bytes EncodeWebPAnimation(int canvas_w, int canvas_h, int x, int y, int w, int h, const Pixels& px) {
  const Bytes first = EncodeWebP(w, h, px);
  const Bytes second = EncodeWebP(canvas_w, canvas_h, [](int, int) -> uint32_t { return 0xFFFFFFFF; });
  WebPMux* mux = WebPMuxNew();
  WebPMuxFrameInfo frame{};
  frame.id = WEBP_CHUNK_ANMF;
  frame.duration = 100;
  frame.dispose_method = WEBP_MUX_DISPOSE_NONE;
  frame.blend_method = WEBP_MUX_NO_BLEND;
  const WebPMuxAnimParams loop{0xFF000000, 0};
  bool ok = WebPMuxSetCanvasSize(mux, canvas_w, canvas_h) == WEBP_MUX_OK &&
            WebPMuxSetAnimationParams(mux, &loop) == WEBP_MUX_OK;
  for (const Bytes* coded : {&first, &second}) {
    frame.bitstream = {coded->data(), coded->size()};
    frame.x_offset = coded == &first ? x : 0;
    frame.y_offset = coded == &first ? y : 0;
    ok = ok && WebPMuxPushFrame(mux, &frame, 1) == WEBP_MUX_OK;
  }
  WebPData assembled{};
  ok = ok && WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK;
  WebPMuxDelete(mux);
  if (!ok) throw std::runtime_error("test WebP animation not written");
  Bytes out(assembled.bytes, assembled.bytes + assembled.size);
  WebPDataClear(&assembled);
  return out;
}

inline heif_error AppendBytes(heif_context*, const void* data, size_t size, void* userdata) {
  auto* out = static_cast<Bytes*>(userdata);
  out->insert(out->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  return {heif_error_Ok, heif_suberror_Unspecified, ""};
}

// HEVC at high quality. orientation > 1 is written the way phones do it:
// rotation boxes for the viewer and the same value in the EXIF block.
inline Bytes EncodeHeic(int w, int h, const Pixels& px, int orientation = 1) {
  heif_init(nullptr);  // counted, as the reader's own
  heif_context* ctx = heif_context_alloc();
  heif_encoder* enc = nullptr;
  heif_image* img = nullptr;
  heif_image_handle* handle = nullptr;
  heif_encoding_options* opts = heif_encoding_options_alloc();
  Bytes out;
  bool ok = heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &enc).code == heif_error_Ok &&
            heif_image_create(w, h, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, &img).code ==
                heif_error_Ok &&
            heif_image_add_plane(img, heif_channel_interleaved, w, h, 8).code == heif_error_Ok;
  if (ok) {
    int stride = 0;
    uint8_t* rows = heif_image_get_plane(img, heif_channel_interleaved, &stride);
    const Bytes rgba = Rgba(w, h, px);
    for (int y = 0; y < h; ++y) std::copy_n(rgba.data() + size_t(y) * w * 4, w * 4, rows + size_t(y) * stride);
    heif_encoder_set_lossy_quality(enc, 95);
    opts->image_orientation = heif_orientation(orientation);
    ok = heif_context_encode_image(ctx, img, enc, opts, &handle).code == heif_error_Ok;
  }
  if (ok && orientation > 1) {
    const Bytes tiff = ExifTiff(orientation);
    ok = heif_context_add_exif_metadata(ctx, handle, tiff.data(), int(tiff.size())).code == heif_error_Ok;
  }
  heif_writer writer{1, AppendBytes};
  if (ok) ok = heif_context_write(ctx, &writer, &out).code == heif_error_Ok;
  heif_encoding_options_free(opts);
  if (handle) heif_image_handle_release(handle);
  if (img) heif_image_release(img);
  if (enc) heif_encoder_release(enc);
  heif_context_free(ctx);
  heif_deinit();
  if (!ok) throw std::runtime_error("test HEIC not written");
  return out;
}

}  // namespace heifwebptest
