// Makes PNG files for the decoder tests through libpng's writer.
#pragma once

#include <png.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace pngtest {

struct Png {
  Png(int w, int h, int depth, int type, bool adam7 = false)
      : width(w), height(h), bit_depth(depth), color_type(type), interlaced(adam7) {}

  int width, height;
  int bit_depth;
  int color_type;
  bool interlaced;
  std::vector<png_color> palette;
  std::vector<uint8_t> transparency;  // tRNS: palette alphas
  // Rows top first, packed as the colour type and depth store them
  // (16-bit samples big-endian).
  std::vector<std::vector<uint8_t>> rows;
};

inline void Append(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

inline std::vector<uint8_t> Encode(const Png& p) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("test PNG not written");
  }
  png_set_write_fn(png, &out, Append, nullptr);
  png_set_IHDR(png, info, png_uint_32(p.width), png_uint_32(p.height), p.bit_depth, p.color_type,
               p.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!p.palette.empty()) png_set_PLTE(png, info, p.palette.data(), int(p.palette.size()));
  if (!p.transparency.empty()) {
    png_set_tRNS(png, info, p.transparency.data(), int(p.transparency.size()), nullptr);
  }
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const auto& r : p.rows) rows.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace pngtest
