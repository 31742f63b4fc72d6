// When a photo was taken, for putting a folder of photos in order.
#pragma once

#include <string>

namespace gfx {

// The EXIF date taken of a JPEG, WebP or HEIF file, "YYYY:MM:DD HH:MM:SS";
// empty when the file has none or cannot be read (never throws).
std::string PictureDateTaken(const std::string& path);

}  // namespace gfx
