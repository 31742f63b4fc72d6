// Heif decoding of arbitrary bytes: a clean PictureError or a whole bitmap.
#include <cstddef>
#include <cstdint>

#include "gfx/picture_decoders.h"
#include "picture_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const gfx::decoders::Bytes bytes(data, data + size);
  gfx::Bitmap out;
  gfx::DecodeOptions options;
  options.MaxPixels = fuzz::kMaxFuzzPixels;
  try {
    gfx::decoders::Heif("fuzz.heic", bytes, out, options);
  } catch (const gfx::PictureError&) {
    fuzz::CheckEmpty(out);
    return 0;
  }
  fuzz::CheckDecoded(out);
  return 0;
}
