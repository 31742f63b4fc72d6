// PNG through libpng, expanded to 8-bit blue, green, red and alpha straight
// into the rows of a 32-bit bitmap, then composed onto black. libpng reports
// errors by long jump: the stages that call it hold no objects with
// destructors, and everything they touch is owned outside them.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "picture_decoders.h"

namespace gfx::decoders {

namespace {

constexpr size_t kSignatureSize = 8;

struct Source {
  const Bytes* data;
  size_t pos = kSignatureSize;
  char message[256] = "";
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* s = static_cast<Source*>(png_get_io_ptr(png));
  if (s->pos > s->data->size() || s->data->size() - s->pos < n) png_error(png, "the file ends early");
  std::memcpy(out, s->data->data() + s->pos, n);
  s->pos += n;
}

void OnError(png_structp png, png_const_charp text) {
  auto* s = static_cast<Source*>(png_get_error_ptr(png));
  std::snprintf(s->message, sizeof s->message, "%s",
                text && *text ? text : "the PNG data cannot be decoded");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

class PngReader {
 public:
  explicit PngReader(Source& source) {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnError, OnWarning);
    if (png_) info_ = png_create_info_struct(png_);
    if (!png_ || !info_) throw std::bad_alloc();
    png_set_read_fn(png_, &source, ReadFromMemory);
    png_set_sig_bytes(png_, int(kSignatureSize));
  }
  ~PngReader() { png_destroy_read_struct(&png_, &info_, nullptr); }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

 private:
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

struct Header {
  png_uint_32 width = 0, height = 0;
  int bit_depth = 0, color_type = 0;
  bool alpha = false;
};

// Reads the header and asks for 8-bit BGRA whatever the file stores.
bool ReadHeader(const PngReader& r, Header& h) {
  if (setjmp(png_jmpbuf(r.png()))) return false;
  png_structp png = r.png();
  png_infop info = r.info();
  png_read_info(png, info);
  h.width = png_get_image_width(png, info);
  h.height = png_get_image_height(png, info);
  h.bit_depth = png_get_bit_depth(png, info);
  h.color_type = png_get_color_type(png, info);
  const bool transparency_chunk = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  h.alpha = (h.color_type & PNG_COLOR_MASK_ALPHA) != 0 || transparency_chunk;

  if (h.color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (h.color_type == PNG_COLOR_TYPE_GRAY && h.bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (transparency_chunk) png_set_tRNS_to_alpha(png);
  if (h.bit_depth == 16) png_set_scale_16(png);
  if (h.color_type == PNG_COLOR_TYPE_GRAY || h.color_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  png_set_bgr(png);
  if (!h.alpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(h.width) * 4) png_error(png, "unexpected row layout");
  return true;
}

bool ReadRows(const PngReader& r, png_bytep* rows) {
  if (setjmp(png_jmpbuf(r.png()))) return false;
  png_read_image(r.png(), rows);
  return true;
}

int Channels(int color_type) {
  switch (color_type) {
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;  // grey, palette
  }
}

// Compressed bytes of all IDAT chunks, walking the chunk list ourselves.
uint64_t CompressedBytes(const Bytes& d) {
  uint64_t total = 0;
  size_t p = kSignatureSize;
  while (p + 8 <= d.size()) {
    const uint64_t length = uint64_t(d[p]) << 24 | uint64_t(d[p + 1]) << 16 | d[p + 2] << 8 | d[p + 3];
    if (std::memcmp(&d[p + 4], "IDAT", 4) == 0) total += length;
    if (std::memcmp(&d[p + 4], "IEND", 4) == 0) break;
    p += 12 + length;
  }
  return total;
}

// Deflate cannot shrink data more than about 1032 to 1, so the compressed
// data bounds the rows a file can hold before anything is allocated.
bool CompressedDataBacksClaim(const Header& h, uint64_t compressed) {
  constexpr uint64_t kDeflateMaxRatio = 1032;
  const uint64_t row_bytes = (uint64_t(h.width) * h.bit_depth * Channels(h.color_type) + 7) / 8;
  const uint64_t filtered = uint64_t(h.height) * (row_bytes + 1);
  return compressed * kDeflateMaxRatio >= filtered;
}

uint8_t Mul255(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

void ComposeOntoBlack(Bitmap& out) {
  for (int y = 0; y < out.Height(); ++y) {
    uint8_t* p = out.ScanLine(y);
    for (int x = 0; x < out.Width(); ++x, p += 4) {
      const unsigned a = p[3];
      p[0] = Mul255(p[0], a);
      p[1] = Mul255(p[1], a);
      p[2] = Mul255(p[2], a);
      p[3] = 0;
    }
  }
}

}  // namespace

void Png(const std::string& path, const Bytes& data, Bitmap& out) {
  try {
    if (data.empty()) ThrowPictureError(path, "the file is empty");
    // libpng is told the signature was checked: it must have been, here too,
    // as DecodePng is called on files of any content.
    if (SniffSignature(data) != Signature::kPng)
      ThrowPictureError(path, "not a PNG file (it does not start with the PNG signature)");
    Source source{&data};
    PngReader reader(source);
    Header h;
    if (!ReadHeader(reader, h)) ThrowPictureError(path, source.message);
    const std::string size_text = std::to_string(h.width) + " x " + std::to_string(h.height);
    if (uint64_t(h.width) * h.height > uint64_t(kMaxPicturePixels)) {
      ThrowPictureError(path, "picture too large (" + size_text + " pixels)");
    }
    const uint64_t compressed = CompressedBytes(data);
    if (!CompressedDataBacksClaim(h, compressed)) {
      ThrowPictureError(path, "compressed data of " + std::to_string(compressed) +
                                  " bytes cannot hold " + size_text + " pixels");
    }

    std::vector<png_bytep> rows;
    try {
      out.Clear();
      out.SetPixelFormat(PixelFormat::pf32bit);
      out.SetSize(int(h.width), int(h.height));
      rows.resize(h.height);
    } catch (const std::bad_alloc&) {
      ThrowPictureError(path, "not enough memory for " + size_text + " pixels");
    } catch (const std::length_error& e) {
      ThrowPictureError(path, e.what());
    }
    for (png_uint_32 y = 0; y < h.height; ++y) rows[y] = out.ScanLine(int(y));
    if (!ReadRows(reader, rows.data())) ThrowPictureError(path, source.message);
    if (h.alpha) ComposeOntoBlack(out);
  } catch (...) {
    ReleaseAndRethrow(path, out);
  }
}

}  // namespace gfx::decoders
