// The decoders behind DecodePicture, working on a file already read whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture_file.h"

namespace gfx::decoders {

using Bytes = std::vector<uint8_t>;

enum class Signature { kNone, kJpeg, kBmp, kPng };
Signature SniffSignature(const Bytes& data);

void Bmp(const std::string& path, const Bytes& data, Bitmap& out);
PictureSize Jpeg(const std::string& path, const Bytes& data, Bitmap& out,
                 const DecodeOptions& options);
void Png(const std::string& path, const Bytes& data, Bitmap& out);

}  // namespace gfx::decoders
