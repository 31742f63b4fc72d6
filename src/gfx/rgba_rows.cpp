// Rows of 8-bit red, green, blue and alpha, as libheif and libwebp hand them
// out, into a 32-bit bitmap, composed onto black as PNG pictures are; and the
// readers' common way out of a failure.
#include <new>
#include <stdexcept>

#include "picture_decoders.h"

namespace gfx::decoders {

void SizeRgbaTarget(const std::string& path, int64_t width, int64_t height, int64_t max_pixels, Bitmap& out) {
  const std::string size_text = std::to_string(width) + " x " + std::to_string(height);
  if (width <= 0 || height <= 0) ThrowPictureError(path, "the picture has no pixels (" + size_text + ")");
  if (width * height > max_pixels) ThrowPictureError(path, "picture too large (" + size_text + " pixels)");
  try {
    out.Clear();
    out.SetPixelFormat(PixelFormat::pf32bit);
    out.SetSize(int(width), int(height));
  } catch (const std::bad_alloc&) {
    ThrowPictureError(path, "not enough memory for " + size_text + " pixels");
  } catch (const std::length_error& e) {
    ThrowPictureError(path, e.what());
  }
}

void ReleaseAndRethrow(const std::string& path, Bitmap& out) {
  out.Release();
  try {
    throw;
  } catch (const std::bad_alloc&) {
    ThrowPictureError(path, "not enough memory to decode the picture");
  }
}

void CopyRgbaRows(const uint8_t* rows, size_t stride, Bitmap& out) {
  for (int y = 0; y < out.Height(); ++y) {
    const uint8_t* s = rows + size_t(y) * stride;
    uint8_t* d = out.ScanLine(y);
    for (int x = 0; x < out.Width(); ++x, s += 4, d += 4) {
      const unsigned a = s[3];
      d[0] = uint8_t((s[2] * a + 127) / 255);
      d[1] = uint8_t((s[1] * a + 127) / 255);
      d[2] = uint8_t((s[0] * a + 127) / 255);
      d[3] = 0;
    }
  }
}

}  // namespace gfx::decoders
