// Builds BMP files byte by byte for the decoder tests, plus the shared
// 5 x 3 test pattern (odd width, so rows need padding).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "gfx/bitmap.h"

namespace bmptest {

constexpr int kW = 5, kH = 3;
constexpr uint32_t kPattern[kH][kW] = {
    {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000},
    {0x808080, 0x123456, 0xFEDCBA, 0x00FFFF, 0xFF00FF},
    {0x010203, 0x7F7F7F, 0xA0B0C0, 0xFFFF00, 0x405060},
};

inline void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

struct Bmp {
  uint32_t header_size = 40;  // 12 core, 16..64 OS/2 2.x, 40, 52, 56, 108, 124
  int32_t width = kW;
  int32_t height = kH;        // negative: top-down
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t colors_used = 0;
  std::vector<uint32_t> palette;  // 0x00RRGGBB, as many entries as given
  std::vector<uint32_t> masks;    // after a 40-byte header, inside larger ones
  std::vector<uint8_t> pixels;
  std::optional<uint32_t> off_bits;  // default: right after the colour table
  std::optional<uint32_t> size_image;
};

inline std::vector<uint8_t> Build(const Bmp& b) {
  std::vector<uint8_t> info;
  Put32(info, b.header_size);
  if (b.header_size == 12) {
    Put16(info, uint32_t(b.width));
    Put16(info, uint32_t(b.height));
    Put16(info, 1);
    Put16(info, b.bits);
  } else {
    Put32(info, uint32_t(b.width));
    Put32(info, uint32_t(b.height));
    Put16(info, 1);
    Put16(info, b.bits);
    Put32(info, b.compression);
    Put32(info, b.size_image.value_or(uint32_t(b.pixels.size())));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, b.colors_used);
    Put32(info, 0);
    if (b.header_size > 40 && b.header_size != 64) {
      for (size_t i = 0; i < 4; ++i) Put32(info, i < b.masks.size() ? b.masks[i] : 0);
    }
    info.resize(b.header_size, 0);
  }
  if (b.header_size == 40) {
    for (uint32_t m : b.masks) Put32(info, m);
  }
  for (uint32_t c : b.palette) {
    info.push_back(uint8_t(c));
    info.push_back(uint8_t(c >> 8));
    info.push_back(uint8_t(c >> 16));
    if (b.header_size != 12) info.push_back(0);
  }
  const uint32_t natural = uint32_t(14 + info.size());
  const uint32_t start = std::max(natural, b.off_bits.value_or(natural));
  std::vector<uint8_t> file{'B', 'M'};
  Put32(file, uint32_t(start + b.pixels.size()));
  Put32(file, 0);
  Put32(file, b.off_bits.value_or(natural));
  file.insert(file.end(), info.begin(), info.end());
  file.resize(start, 0);
  file.insert(file.end(), b.pixels.begin(), b.pixels.end());
  return file;
}

// Raw values (palette indices or packed pixels) given top row first, stored
// in file order with each row padded to 4 bytes.
inline std::vector<uint8_t> Rows(int bits, const std::vector<std::vector<uint32_t>>& top_first,
                                 bool top_down = false) {
  std::vector<uint8_t> out;
  const int n = int(top_first.size());
  for (int r = 0; r < n; ++r) {
    const auto& row = top_first[top_down ? r : n - 1 - r];
    std::vector<uint8_t> bytes((row.size() * bits + 31) / 32 * 4, 0);
    for (size_t x = 0; x < row.size(); ++x) {
      const uint32_t v = row[x];
      if (bits < 8) {
        const size_t bit = x * bits;
        bytes[bit / 8] |= uint8_t(v << (8 - bits - bit % 8));
      } else {
        for (int i = 0; i < bits / 8; ++i) bytes[x * bits / 8 + i] = uint8_t(v >> (8 * i));
      }
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

// The pattern as raw values: f maps (x, y, colour) to what is stored.
template <class F>
std::vector<std::vector<uint32_t>> PatternRows(F f) {
  std::vector<std::vector<uint32_t>> rows(kH, std::vector<uint32_t>(kW));
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) rows[y][x] = f(x, y, kPattern[y][x]);
  return rows;
}

inline gfx::Color PixelAt(const gfx::Bitmap& bm, int x, int y) {
  const int bpp = gfx::BitsPerPixel(bm.Format()) / 8;
  const uint8_t* p = bm.ScanLine(y) + x * bpp;
  return gfx::Color(p[0]) | gfx::Color(p[1]) << 8 | gfx::Color(p[2]) << 16;
}

// Scratch files live under LS_TEST_TMP; names carry the test's own prefix
// because test processes run in parallel.
inline std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  const char* env = std::getenv("LS_TEST_TMP");
  std::filesystem::path dir =
      env ? std::filesystem::path(env) : std::filesystem::temp_directory_path() / "ls-test";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / name).string();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

}  // namespace bmptest
