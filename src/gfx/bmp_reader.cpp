// Our own BMP reader: every offset and length is checked against the bytes
// actually read, so malformed files fail with a message instead of reading
// past the buffer or allocating on a header's word alone.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "picture_decoders.h"

namespace gfx {

namespace {

constexpr size_t kFileHeaderSize = 14;

enum Compression : uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kJpeg = 4,
  kPng = 5,
  kAlphaBitFields = 6,
};

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", v);
  return buf;
}

std::string Truncated(const std::string& what, uint64_t needs, uint64_t has) {
  return "truncated " + what + " (needs " + std::to_string(needs) + " bytes, file has " +
         std::to_string(has) + ")";
}

struct File {
  const std::string& path;
  const uint8_t* data;
  size_t size;

  [[noreturn]] void Fail(const std::string& reason) const { ThrowPictureError(path, reason); }
};

// What the headers say, already validated.
struct Layout {
  int64_t width = 0;
  int64_t height = 0;  // always positive; top_down tells the row order
  bool top_down = false;
  int bits = 0;
  uint32_t compression = kRgb;
  uint32_t size_image = 0;
  uint32_t colors_used = 0;
  bool triple_palette = false;        // OS/2 1.x entries are 3 bytes
  std::array<uint32_t, 4> masks{};    // red, green, blue, alpha; zero when not given
  bool has_masks = false;
  uint64_t headers_end = 0;           // after the info header and separate masks
};

// One colour channel of a bit-field pixel, scaled to 8 bits with rounding.
class Channel {
 public:
  explicit Channel(uint32_t mask)
      : mask_(mask), shift_(mask ? std::countr_zero(mask) : 0), max_((uint64_t(mask) >> shift_)) {
    if (max_ != 0 && max_ <= 0xFFFF) {
      lut_.resize(max_ + 1);
      for (uint64_t v = 0; v <= max_; ++v) lut_[v] = Scale(v);
    }
  }
  uint8_t Get(uint32_t pixel) const {
    uint32_t v = (pixel & mask_) >> shift_;
    return lut_.empty() ? Scale(v) : lut_[v];
  }

 private:
  uint8_t Scale(uint64_t v) const { return max_ ? uint8_t((v * 255 + max_ / 2) / max_) : 0; }

  uint32_t mask_;
  int shift_;
  uint64_t max_;
  std::vector<uint8_t> lut_;
};

void Put(uint8_t* row, int64_t x, Color c) {
  uint8_t* p = row + x * 4;
  p[0] = uint8_t(c);
  p[1] = uint8_t(c >> 8);
  p[2] = uint8_t(c >> 16);
  p[3] = 0;
}

void CheckMasks(const File& f, const Layout& l) {
  const uint32_t limit = l.bits == 32 ? 0xFFFFFFFFu : (1u << l.bits) - 1;
  static const char* const kNames[] = {"red", "green", "blue", "alpha"};
  uint32_t seen = 0;
  for (int i = 0; i < 4; ++i) {
    uint32_t m = l.masks[i];
    if (m == 0) {
      if (i < 3) f.Fail(std::string("empty ") + kNames[i] + " colour mask");
      continue;
    }
    if (m & ~limit) {
      f.Fail(std::string(kNames[i]) + " colour mask " + Hex(m) + " does not fit in " +
             std::to_string(l.bits) + " bits");
    }
    uint64_t run = uint64_t(m) >> std::countr_zero(m);
    if ((run & (run + 1)) != 0) {
      f.Fail(std::string(kNames[i]) + " colour mask " + Hex(m) + " is not contiguous");
    }
    if (m & seen) f.Fail("colour masks overlap (" + Hex(m) + ")");
    seen |= m;
  }
}

// The info header's fields; OS/2 2.x headers may stop after any field, and
// missing fields read as zero.
Layout ReadInfoHeader(const File& f, uint32_t hsize, bool& os2) {
  const bool core = hsize == 12;
  const bool windows = hsize == 40 || hsize == 52 || hsize == 56 || hsize == 108 || hsize == 124;
  os2 = !windows && hsize >= 16 && hsize <= 64 && hsize % 2 == 0;
  if (!core && !windows && !os2) f.Fail("unsupported header size " + std::to_string(hsize));
  if (kFileHeaderSize + hsize > f.size) {
    f.Fail(Truncated("header", kFileHeaderSize + hsize, f.size));
  }
  const uint8_t* h = f.data + kFileHeaderSize;
  auto field32 = [&](size_t off) -> uint32_t { return off + 4 <= hsize ? U32(h + off) : 0; };
  auto field16 = [&](size_t off) -> uint16_t { return off + 2 <= hsize ? U16(h + off) : 0; };

  Layout l;
  int64_t height = 0;
  if (core) {
    l.width = U16(h + 4);
    height = U16(h + 6);
    l.bits = U16(h + 10);
    l.triple_palette = true;
  } else {
    l.width = int32_t(field32(4));
    height = int32_t(field32(8));
    l.bits = field16(14);
    l.compression = field32(16);
    l.size_image = field32(20);
    l.colors_used = field32(32);
  }
  l.headers_end = kFileHeaderSize + hsize;

  if (l.width <= 0) f.Fail("invalid width " + std::to_string(l.width));
  if (height == 0) f.Fail("invalid height 0");
  l.top_down = height < 0;
  l.height = height < 0 ? -height : height;  // int32 range: no overflow in 64 bits
  return l;
}

void CheckBitsAndCompression(const File& f, const Layout& l, bool os2) {
  switch (l.bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: f.Fail("unsupported bit count " + std::to_string(l.bits));
  }

  if (os2 && l.compression == 3) f.Fail("unsupported compression (OS/2 Huffman 1D)");
  if (os2 && l.compression == 4) f.Fail("unsupported compression (OS/2 RLE24)");
  switch (l.compression) {
    case kRgb: break;
    case kRle8:
      if (l.bits != 8) f.Fail("RLE8 compression with " + std::to_string(l.bits) + " bits per pixel");
      break;
    case kRle4:
      if (l.bits != 4) f.Fail("RLE4 compression with " + std::to_string(l.bits) + " bits per pixel");
      break;
    case kBitFields:
    case kAlphaBitFields:
      if (l.bits != 16 && l.bits != 32) {
        f.Fail("bit fields with " + std::to_string(l.bits) + " bits per pixel");
      }
      break;
    case kJpeg: f.Fail("unsupported compression (JPEG inside BMP)");
    case kPng: f.Fail("unsupported compression (PNG inside BMP)");
    default: f.Fail("unsupported compression " + std::to_string(l.compression));
  }
}

// The plain info header keeps its masks right after it; the later ones
// inside it, where a short OS/2 header's missing ones read as zero.
void ReadMasks(const File& f, uint32_t hsize, Layout& l) {
  l.has_masks = true;
  if (hsize != 40) {
    const uint8_t* h = f.data + kFileHeaderSize;
    for (size_t i = 0; i < 4; ++i) l.masks[i] = 44 + i * 4 <= hsize ? U32(h + 40 + i * 4) : 0;
  } else {
    const size_t n = l.compression == kAlphaBitFields ? 4 : 3;
    if (l.headers_end + n * 4 > f.size) {
      f.Fail(Truncated("colour masks", l.headers_end + n * 4, f.size));
    }
    for (size_t i = 0; i < n; ++i) l.masks[i] = U32(f.data + l.headers_end + i * 4);
    l.headers_end += n * 4;
  }
  CheckMasks(f, l);
}

Layout ReadHeaders(const File& f) {
  if (f.size == 0) f.Fail("the file is empty");
  if (f.size < 2 || f.data[0] != 'B' || f.data[1] != 'M') {
    f.Fail("not a BMP file (it does not start with \"BM\")");
  }
  if (f.size < kFileHeaderSize + 4) f.Fail(Truncated("file header", kFileHeaderSize + 4, f.size));

  const uint32_t hsize = U32(f.data + kFileHeaderSize);
  bool os2 = false;
  Layout l = ReadInfoHeader(f, hsize, os2);
  CheckBitsAndCompression(f, l, os2);
  if (l.width * l.height > kMaxPicturePixels) {
    f.Fail("picture too large (" + std::to_string(l.width) + " x " + std::to_string(l.height) +
           " pixels)");
  }
  if (l.compression == kBitFields || l.compression == kAlphaBitFields) ReadMasks(f, hsize, l);
  return l;
}

// Start of the pixel data, and the colour table (black beyond its end).
uint64_t LocatePixels(const File& f, const Layout& l, std::array<Color, 256>& table) {
  const uint64_t entry = l.triple_palette ? 3 : 4;
  const uint64_t declared = l.colors_used ? l.colors_used : (l.bits <= 8 ? 1u << l.bits : 0);
  const uint64_t start = l.headers_end;
  const uint32_t off_bits = U32(f.data + 10);
  uint64_t offset;
  if (off_bits >= l.headers_end) {
    if (off_bits > f.size) {
      f.Fail("pixel data offset " + std::to_string(off_bits) + " lies beyond the end of the file (" +
             std::to_string(f.size) + " bytes)");
    }
    offset = off_bits;
  } else {
    // No usable offset: the pixels follow the colour table.
    offset = start + declared * entry;
    if (offset > f.size) f.Fail(Truncated("colour table", offset, f.size));
  }

  table.fill(clBlack);
  if (l.bits <= 8) {
    // A table cut short by the offset simply has fewer entries.
    uint64_t count = std::min<uint64_t>({declared, (offset - start) / entry, uint64_t(1) << l.bits});
    for (uint64_t i = 0; i < count; ++i) {
      const uint8_t* e = f.data + start + i * entry;
      table[i] = Color(e[0]) | Color(e[1]) << 8 | Color(e[2]) << 16;
    }
  }
  return offset;
}

int64_t OutputRow(const Layout& l, int64_t stored_row) {
  return l.top_down ? stored_row : l.height - 1 - stored_row;
}

void DecodeUncompressed(const File& f, const Layout& l, uint64_t offset,
                        const std::array<Color, 256>& table, Bitmap& out) {
  const uint64_t row_bytes = (uint64_t(l.width) * l.bits + 31) / 32 * 4;
  for (int64_t r = 0; r < l.height; ++r) {
    const uint8_t* src = f.data + offset + uint64_t(r) * row_bytes;
    uint8_t* dst = out.ScanLine(int(OutputRow(l, r)));
    switch (l.bits) {
      case 1:
        for (int64_t x = 0; x < l.width; ++x) Put(dst, x, table[(src[x >> 3] >> (7 - (x & 7))) & 1]);
        break;
      case 4:
        for (int64_t x = 0; x < l.width; ++x) {
          Put(dst, x, table[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]);
        }
        break;
      case 8:
        for (int64_t x = 0; x < l.width; ++x) Put(dst, x, table[src[x]]);
        break;
      case 24:
        for (int64_t x = 0; x < l.width; ++x) {
          dst[x * 4] = src[x * 3];
          dst[x * 4 + 1] = src[x * 3 + 1];
          dst[x * 4 + 2] = src[x * 3 + 2];
        }
        break;
      default: break;  // 16 and 32 bits go through DecodeMasked
    }
  }
}

void DecodeMasked(const File& f, const Layout& l, uint64_t offset, Bitmap& out) {
  std::array<uint32_t, 3> masks{l.masks[0], l.masks[1], l.masks[2]};
  if (!l.has_masks) {
    masks = l.bits == 16 ? std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                         : std::array<uint32_t, 3>{0xFF0000, 0x00FF00, 0x0000FF};
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
  const uint64_t row_bytes = (uint64_t(l.width) * l.bits + 31) / 32 * 4;
  for (int64_t r = 0; r < l.height; ++r) {
    const uint8_t* src = f.data + offset + uint64_t(r) * row_bytes;
    uint8_t* dst = out.ScanLine(int(OutputRow(l, r)));
    for (int64_t x = 0; x < l.width; ++x) {
      uint32_t px = l.bits == 16 ? U16(src + x * 2) : U32(src + x * 4);
      dst[x * 4] = blue.Get(px);
      dst[x * 4 + 1] = green.Get(px);
      dst[x * 4 + 2] = red.Get(px);
    }
  }
}

// RLE streams may skip pixels (delta, early end of line or bitmap): those keep
// colour 0. Runs are clipped at the row end and nothing lands past the last row.
void DecodeRle(const File& f, const Layout& l, uint64_t offset, const std::array<Color, 256>& table,
               Bitmap& out) {
  if (table[0] != clBlack) {  // a fresh bitmap is black already
    for (int64_t y = 0; y < l.height; ++y) {
      uint8_t* dst = out.ScanLine(int(y));
      for (int64_t x = 0; x < l.width; ++x) Put(dst, x, table[0]);
    }
  }
  const bool rle8 = l.compression == kRle8;
  const uint8_t* d = f.data;
  const uint64_t end = l.size_image ? offset + l.size_image : f.size;
  uint64_t p = offset;
  int64_t x = 0, y = 0;  // y counts stored rows; each step adds at most 255, so no overflow
  uint8_t* row = out.ScanLine(int(OutputRow(l, 0)));
  auto next_row = [&] {
    if (y < l.height) row = out.ScanLine(int(OutputRow(l, y)));
  };

  while (p + 2 <= end) {
    const uint8_t count = d[p], value = d[p + 1];
    p += 2;
    if (count > 0) {
      const int64_t n = std::min<int64_t>(count, std::max<int64_t>(0, l.width - x));
      for (int64_t i = 0; i < n; ++i) {
        uint8_t index = rle8 ? value : ((i & 1) ? value & 15 : value >> 4);
        Put(row, x + i, table[index]);
      }
      x += count;
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
      if (y >= l.height) break;
      next_row();
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (p + 2 > end) break;
      x += d[p];
      y += d[p + 1];
      p += 2;
      if (y >= l.height) break;
      next_row();
    } else {  // absolute run, padded to a 16-bit boundary
      const uint64_t bytes = rle8 ? value : (value + 1u) / 2;
      for (int64_t i = 0; i < value; ++i) {
        const uint64_t at = p + uint64_t(rle8 ? i : i / 2);
        if (at >= end) return;  // stream cut short: keep what we have
        uint8_t index = rle8 ? d[at] : ((i & 1) ? d[at] & 15 : d[at] >> 4);
        if (x < l.width) Put(row, x, table[index]);
        ++x;
      }
      p += (bytes + 1) & ~uint64_t(1);
    }
  }
}

// Runs of at most 255 pixels per two bytes are all RLE has; skips (delta,
// end of line or picture) may leave more untouched, so the claim may exceed
// what the runs could paint by a generous factor, but no more. A few hundred
// bytes thus cannot claim a picture of a gigabyte.
void CheckRleBacksClaim(const File& f, const Layout& l, uint64_t data_bytes) {
  constexpr uint64_t kPixelsPerRun = 255;
  constexpr uint64_t kSkipAllowance = 64;
  constexpr uint64_t kAlwaysAllowed = 1u << 20;  // small pictures never need the check
  const uint64_t claimed = uint64_t(l.width) * uint64_t(l.height);
  const uint64_t paintable = (data_bytes / 2) * kPixelsPerRun;
  if (claimed > kAlwaysAllowed && claimed > paintable * kSkipAllowance) {
    f.Fail("RLE data of " + std::to_string(data_bytes) + " bytes cannot hold " +
           std::to_string(l.width) + " x " + std::to_string(l.height) + " pixels");
  }
}

}  // namespace

namespace decoders {

void Bmp(const std::string& path, const Bytes& bytes, Bitmap& out) {
  try {
    const File f{path, bytes.data(), bytes.size()};
    const Layout l = ReadHeaders(f);
    std::array<Color, 256> table;
    const uint64_t offset = LocatePixels(f, l, table);
    const uint64_t have = f.size - offset;

    if (l.compression == kRle8 || l.compression == kRle4) {
      if (l.size_image > have) f.Fail(Truncated("pixel data", l.size_image, have));
      CheckRleBacksClaim(f, l, l.size_image ? l.size_image : have);
    } else {
      const uint64_t row_bytes = (uint64_t(l.width) * l.bits + 31) / 32 * 4;
      // Some writers leave out the padding of the last row; that loses nothing.
      const uint64_t needs = row_bytes * (l.height - 1) + (uint64_t(l.width) * l.bits + 7) / 8;
      if (needs > have) f.Fail(Truncated("pixel data", row_bytes * l.height, have));
    }

    try {
      out.Clear();
      out.SetPixelFormat(PixelFormat::pf32bit);
      out.SetSize(int(l.width), int(l.height));
    } catch (const std::bad_alloc&) {
      f.Fail("not enough memory for " + std::to_string(l.width) + " x " + std::to_string(l.height) +
             " pixels");
    } catch (const std::length_error& e) {
      f.Fail(e.what());
    }

    if (l.compression == kRle8 || l.compression == kRle4) {
      DecodeRle(f, l, offset, table, out);
    } else if (l.bits == 16 || l.bits == 32) {
      DecodeMasked(f, l, offset, out);
    } else {
      DecodeUncompressed(f, l, offset, table, out);
    }
  } catch (...) {
    out.Release();
    throw;
  }
}

}  // namespace decoders
}  // namespace gfx
