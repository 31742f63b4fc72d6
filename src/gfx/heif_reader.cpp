// HEIC and AVIF photos (the HEIF container) through libheif. The file's own
// crop, rotation and mirror boxes are part of the picture and always
// applied; its EXIF orientation only repeats them (phones write both), so it
// is never applied a second time.
#include <algorithm>
#include <libheif/heif.h>

#include <memory>
#include <new>
#include <string>

#include "picture_decoders.h"

namespace gfx::decoders {

namespace {

// libheif limits sides, not areas, and allocates a picture's (or tile's)
// planes before its data can fail. A side may be as long as a picture of
// the pixel limit that is 4096 pixels the other way: 65536 at the ceiling.
int64_t MaxSide(int64_t max_pixels) { return std::max<int64_t>(1, max_pixels / 4096); }

// libheif is reference counted: one init per decode keeps no state of ours.
struct HeifLibrary {
  HeifLibrary() { heif_init(nullptr); }
  ~HeifLibrary() { heif_deinit(); }
  HeifLibrary(const HeifLibrary&) = delete;
  HeifLibrary& operator=(const HeifLibrary&) = delete;
};

template <typename T, void (*Free)(T*)>
struct Freer {
  void operator()(T* p) const { Free(p); }
};
template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, Freer<T, Free>>;

using Context = Owned<heif_context, heif_context_free>;
using Handle = Owned<const heif_image_handle, heif_image_handle_release>;
using Image = Owned<const heif_image, heif_image_release>;
using Options = Owned<heif_decoding_options, heif_decoding_options_free>;

void Check(const std::string& path, const heif_error& e, const char* step) {
  if (e.code == heif_error_Ok) return;
  if (e.code == heif_error_Memory_allocation_error) throw std::bad_alloc();
  ThrowPictureError(path, std::string(step) + ": " + (e.message && *e.message ? e.message : "damaged data"));
}

}  // namespace

void Heif(const std::string& path, const Bytes& data, Bitmap& out, const DecodeOptions& options) {
  try {
    if (data.empty()) ThrowPictureError(path, "the file is empty");
    HeifLibrary library;
    Context ctx(heif_context_alloc());
    if (!ctx) throw std::bad_alloc();
    heif_context_set_maximum_image_size_limit(ctx.get(), int(MaxSide(options.MaxPixels)));
    // The bytes outlive the context: both live only in this call.
    Check(path, heif_context_read_from_memory_without_copy(ctx.get(), data.data(), data.size(), nullptr),
          "not a HEIF picture the decoder can read");

    heif_image_handle* raw_handle = nullptr;
    Check(path, heif_context_get_primary_image_handle(ctx.get(), &raw_handle), "no primary picture");
    const Handle handle(raw_handle);
    const int64_t w = heif_image_handle_get_width(raw_handle);
    const int64_t h = heif_image_handle_get_height(raw_handle);
    // Refused before the decoder allocates anything for it.
    if (w <= 0 || h <= 0 || w * h > options.MaxPixels)
      ThrowPictureError(path, "picture too large (" + std::to_string(w) + " x " + std::to_string(h) + " pixels)");

    const Options decode_options(heif_decoding_options_alloc());
    if (!decode_options) throw std::bad_alloc();
    decode_options->convert_hdr_to_8bit = 1;
    heif_image* raw_image = nullptr;
    Check(path, heif_decode_image(raw_handle, &raw_image, heif_colorspace_RGB,
                                  heif_chroma_interleaved_RGBA, decode_options.get()),
          "the picture data cannot be decoded");
    const Image image(raw_image);

    int stride = 0;
    const uint8_t* rows = heif_image_get_plane_readonly(raw_image, heif_channel_interleaved, &stride);
    const int iw = heif_image_get_width(raw_image, heif_channel_interleaved);
    const int ih = heif_image_get_height(raw_image, heif_channel_interleaved);
    if (!rows || iw <= 0 || ih <= 0 || stride < iw * 4)
      ThrowPictureError(path, "the decoder gave no picture");
    SizeRgbaTarget(path, iw, ih, options.MaxPixels, out);
    CopyRgbaRows(rows, size_t(stride), out);
  } catch (...) {
    ReleaseAndRethrow(path, out);
  }
}

}  // namespace gfx::decoders
