// The decoders behind DecodePicture, working on a file already read whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture_file.h"

namespace gfx::decoders {

using Bytes = std::vector<uint8_t>;

enum class Signature { kNone, kJpeg, kBmp, kPng, kHeif, kWebP };
Signature SniffSignature(const Bytes& data);

void Bmp(const std::string& path, const Bytes& data, Bitmap& out);
PictureSize Jpeg(const std::string& path, const Bytes& data, Bitmap& out,
                 const DecodeOptions& options);
void Png(const std::string& path, const Bytes& data, Bitmap& out);
void Heif(const std::string& path, const Bytes& data, Bitmap& out, const DecodeOptions& options);
PictureSize WebP(const std::string& path, const Bytes& data, Bitmap& out, const DecodeOptions& options);

// For a decoder's catch-all: leaves `out` empty and rethrows, a failed
// allocation as a PictureError.
[[noreturn]] void ReleaseAndRethrow(const std::string& path, Bitmap& out);

// For the readers whose libraries give 8-bit RGBA rows: sizes `out` as a
// 32-bit bitmap (refusing empty pictures and those above `max_pixels`) and
// stores the rows in it, composed onto black.
void SizeRgbaTarget(const std::string& path, int64_t width, int64_t height, int64_t max_pixels, Bitmap& out);
void CopyRgbaRows(const uint8_t* rows, size_t stride, Bitmap& out);

}  // namespace gfx::decoders
