// Decoding picture files into bitmaps.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "bitmap.h"

namespace gfx {

// Every failure names the file and says what is wrong with it.
class PictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Pictures larger than this many pixels are refused.
constexpr long long kMaxPicturePixels = 1LL << 28;
// Larger files are refused before reading: room for the largest picture at
// 32 bits plus generous headers.
constexpr long long kMaxPictureFileBytes = kMaxPicturePixels * 4 + (1LL << 20);

// Throws PictureError with the text: Cannot read picture "<path>": <reason>
[[noreturn]] void ThrowPictureError(const std::string& path, const std::string& reason);

// The whole content of a regular file. A file that cannot be opened gives
// PictureError: Cannot open picture "<path>": <system message>
std::vector<uint8_t> ReadPictureFile(const std::string& path);

// On failure every decoder leaves `out` empty (0 x 0), never half decoded.

// BMP: core (OS/2 1.x), OS/2 2.x, info and V2 to V5 headers; 1/4/8/16/24/32
// bits; RLE4, RLE8 and bit fields; top-down and bottom-up. Result: pf32bit.
void DecodeBmp(const std::string& path, Bitmap& out);
// JPEG at full size with accurate decoding; greyscale, CMYK and progressive
// files included. Result: pf24bit.
void DecodeJpeg(const std::string& path, Bitmap& out);
// ".bmp" in any letter case (from the last ".") is read as BMP, every other
// name as JPEG.
void DecodePicture(const std::string& path, Bitmap& out);

}  // namespace gfx
