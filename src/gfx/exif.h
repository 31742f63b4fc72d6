// The one EXIF field the slideshow needs: how the camera held the picture.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gfx {

// The orientation tag (1..8) of an APP1 segment's body (starting with
// "Exif\0\0"); 1 when the body has none or is malformed.
int ExifOrientation(const uint8_t* body, size_t size);

}  // namespace gfx
