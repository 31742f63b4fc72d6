// The one EXIF field the slideshow needs: how the camera held the picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gfx {

// The orientation tag (1..8) of an APP1 segment's body (starting with
// "Exif\0\0"); 1 when the body has none or is malformed.
int ExifOrientation(const uint8_t* body, size_t size);

// When the photo was taken, "YYYY:MM:DD HH:MM:SS" as cameras write it (so
// texts sort as times): DateTimeOriginal, else IFD0's DateTime; empty when
// the body has neither in that form.
std::string ExifDateTaken(const uint8_t* body, size_t size);

}  // namespace gfx
