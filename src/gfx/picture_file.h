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

// Absolute ceiling: no picture is decoded to more pixels than this; a larger
// one is refused with "picture too large (W x H pixels)".
constexpr long long kMaxPicturePixels = 1LL << 28;
// Pixel budget: JPEG and WebP pictures up to this size (today's cameras included) are
// decoded whole; larger ones only as large as the frame needs.
constexpr long long kPictureBudgetPixels = 64LL << 20;
// Larger files are refused before reading: room for the largest picture at
// 32 bits plus generous headers.
constexpr long long kMaxPictureFileBytes = kMaxPicturePixels * 4 + (1LL << 20);

// Throws PictureError with the text: Cannot read picture "<path>": <reason>
[[noreturn]] void ThrowPictureError(const std::string& path, const std::string& reason);

// The whole content of a regular file. A file that cannot be opened gives
// PictureError: Cannot open picture "<path>": <system message>
std::vector<uint8_t> ReadPictureFile(const std::string& path);

struct DecodeOptions {
  // Turn JPEG and WebP pictures upright as their EXIF orientation tag says.
  bool ExifOrientation = true;
  // The frame the picture will be fitted into (0 x 0: not known). JPEG and
  // WebP pictures above the pixel budget are then decoded at the smallest
  // scale (down to 1/8) that still covers the fitted rectangle.
  int FrameWidth = 0;
  int FrameHeight = 0;
  // Use that smallest scale within the budget too (a smooth fit's first step).
  bool ReduceToFrame = false;
  // HEIF and WebP pictures above this many pixels are refused as too large.
  // A few valid bytes can describe a huge picture, whose memory those
  // libraries take before the data can fail; callers with less memory than
  // the ceiling needs (the fuzzers) lower it.
  long long MaxPixels = kMaxPicturePixels;
};

// The picture's own size, upright; the decoded bitmap may be smaller.
struct PictureSize {
  int Width = 0;
  int Height = 0;
};

// On failure every decoder leaves `out` empty (0 x 0), never half decoded.

// BMP: core (OS/2 1.x), OS/2 2.x, info and V2 to V5 headers; 1/4/8/16/24/32
// bits; RLE4, RLE8 and bit fields; top-down and bottom-up. Result: pf32bit.
void DecodeBmp(const std::string& path, Bitmap& out);
// JPEG at full size with accurate decoding, as stored (no EXIF turn);
// greyscale, CMYK and progressive files included. Result: pf24bit.
void DecodeJpeg(const std::string& path, Bitmap& out);
// PNG: grey, palette, true colour, with or without alpha, 1 to 16 bits,
// interlaced or not; transparency is composed onto black. Result: pf32bit.
void DecodePng(const std::string& path, Bitmap& out);

// HEIC/HEIF (libheif) and WebP (libwebp, an animation's first frame) are
// read by content only; results are pf32bit, composed onto black. With
// ExifOrientation a WebP turns by its EXIF tag; a HEIF picture always turns
// by its container's rotation and mirror boxes, which belong to the picture
// as its crop does (its EXIF tag only repeats them).

// The content picks the decoder (JPEG, BMP, PNG, HEIF and WebP signatures); content that
// is none of these goes by name: ".bmp" in any letter case (from the last
// ".") to the BMP decoder, every other name to the JPEG decoder, whose
// errors then say what is wrong.
PictureSize DecodePicture(const std::string& path, Bitmap& out, const DecodeOptions& options);
void DecodePicture(const std::string& path, Bitmap& out);

}  // namespace gfx
