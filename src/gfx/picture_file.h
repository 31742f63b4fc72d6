// Decoding picture files into bitmaps.
#pragma once

#include <stdexcept>
#include <string>

#include "bitmap.h"

namespace gfx {

// Every failure names the file and says what is wrong with it.
class PictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Pictures larger than this many pixels are refused.
constexpr long long kMaxPicturePixels = 1LL << 28;

// BMP: core, info, V4 and V5 headers; 1/4/8/16/24/32 bits; RLE4, RLE8 and
// bit fields; top-down and bottom-up. Result: pf32bit.
void DecodeBmp(const std::string& path, Bitmap& out);
// JPEG at full size with accurate decoding; greyscale, CMYK and progressive
// files included. Result: pf24bit.
void DecodeJpeg(const std::string& path, Bitmap& out);
// ".bmp" in any letter case (from the last ".") is read as BMP, every other
// name as JPEG.
void DecodePicture(const std::string& path, Bitmap& out);

}  // namespace gfx
