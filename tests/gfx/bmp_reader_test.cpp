#include <gtest/gtest.h>

#include "bmp_writer.h"
#include "gfx/picture_file.h"

namespace {

using namespace bmptest;
using gfx::Bitmap;
using gfx::Color;
using gfx::DecodeBmp;
using gfx::PictureError;

std::vector<Color> Decode(const std::string& name, const std::vector<uint8_t>& bytes,
                          Bitmap& bm) {
  DecodeBmp(WriteFile("bmp_" + name + ".bmp", bytes), bm);
  EXPECT_EQ(bm.Format(), gfx::PixelFormat::pf32bit);
  std::vector<Color> px;
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x) px.push_back(PixelAt(bm, x, y));
  return px;
}

std::vector<Color> Flat(const std::vector<std::vector<uint32_t>>& rows) {
  std::vector<Color> v;
  for (const auto& r : rows) v.insert(v.end(), r.begin(), r.end());
  return v;
}

const std::vector<uint32_t> kPatternPalette = Flat(PatternRows([](int, int, uint32_t c) { return c; }));

TEST(BmpReader, EveryHeaderDepthAndRowOrderGivesThePattern) {
  Bitmap bm(7, 7, gfx::PixelFormat::pf8bit);  // reused: each decode replaces size and format
  for (uint32_t header : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
    for (int bits : {1, 4, 8, 24}) {
      for (bool top_down : {false, true}) {
        if (top_down && header == 12) continue;  // core heights are unsigned
        SCOPED_TRACE("header " + std::to_string(header) + ", " + std::to_string(bits) +
                     " bits, top-down " + std::to_string(top_down));
        Bmp b;
        b.header_size = header;
        b.bits = uint16_t(bits);
        b.height = top_down ? -kH : kH;
        std::vector<Color> expected = kPatternPalette;
        if (bits == 1) {
          b.palette = {0x112233, 0xDDEEFF};
          b.pixels = Rows(1, PatternRows([](int x, int y, uint32_t) { return (x + y) & 1; }), top_down);
          for (int i = 0; i < kW * kH; ++i) expected[i] = b.palette[(i % kW + i / kW) & 1];
        } else if (bits <= 8) {
          b.palette = kPatternPalette;
          b.pixels = Rows(bits, PatternRows([](int x, int y, uint32_t) { return y * kW + x; }), top_down);
        } else {
          b.pixels = Rows(24, PatternRows([](int, int, uint32_t c) { return c; }), top_down);
        }
        EXPECT_EQ(Decode("variant", Build(b), bm), expected);
        EXPECT_EQ(bm.Width(), kW);
        EXPECT_EQ(bm.Height(), kH);
      }
    }
  }
}

TEST(BmpReader, SixteenAndThirtyTwoBitMasksScaleToEightBits) {
  struct Case {
    const char* name;
    uint32_t header, bits, compression;
    std::vector<uint32_t> masks, raw;
    std::vector<Color> expected;
  };
  const std::vector<Case> cases = {
      {"555 default", 40, 16, 0, {}, {0x7C00, 0x03E0, 0x001F, 0x4210, 0x8000},
       {0xFF0000, 0x00FF00, 0x0000FF, 0x848484, 0x000000}},
      {"565 after header", 40, 16, 3, {0xF800, 0x07E0, 0x001F}, {0xF800, 0x07E0, 0x001F, 0x8410, 0xFFFF},
       {0xFF0000, 0x00FF00, 0x0000FF, 0x848284, 0xFFFFFF}},
      {"565 in V4 header", 108, 16, 3, {0xF800, 0x07E0, 0x001F, 0}, {0xF800, 0x07E0, 0x001F, 0x8410, 0},
       {0xFF0000, 0x00FF00, 0x0000FF, 0x848284, 0}},
      {"4444 in V3 header", 56, 16, 3, {0x0F00, 0x00F0, 0x000F, 0xF000}, {0xF0F0, 0x0800, 0xFFFF, 0, 0},
       {0x00FF00, 0x880000, 0xFFFFFF, 0, 0}},
      {"BGRx default", 40, 32, 0, {}, {0xAB123456, 0xFF0000, 0, 0x00FFFFFF, 1},
       {0x123456, 0xFF0000, 0, 0xFFFFFF, 1}},
      {"10-10-10", 40, 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF},
       {0x3FF00000, 512u << 10, 4, 0xFFFFFFFF, 0}, {0xFF0000, 0x008000, 0x000001, 0xFFFFFF, 0}},
      {"RGBA alpha bit fields", 40, 32, 6, {0xFF, 0xFF00, 0xFF0000, 0xFF000000},
       {0x80332211, 0x00000000, 0xFF0000FF, 0x7FFFFFFF, 0x00FF0000}, {0x112233, 0, 0xFF0000, 0xFFFFFF, 0x0000FF}},
      {"V5 with alpha", 124, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {0xFF102030, 0, 0, 0, 0},
       {0x102030, 0, 0, 0, 0}},
  };
  Bitmap bm;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bmp b;
    b.header_size = c.header;
    b.bits = uint16_t(c.bits);
    b.compression = c.compression;
    b.masks = c.masks;
    b.height = 1;
    b.pixels = Rows(int(c.bits), {c.raw});
    EXPECT_EQ(Decode("masks", Build(b), bm), c.expected);
  }
}

TEST(BmpReader, PaletteShortOrMissingEntriesGiveBlack) {
  Bitmap bm;
  Bmp b;
  b.bits = 8;
  b.height = 1;
  b.pixels = Rows(8, {{0, 1, 2, 255, 1}});
  b.palette = {0x112233, 0x445566};  // clrUsed 0 promises 256; the offset cuts it short
  EXPECT_EQ(Decode("short", Build(b), bm), (std::vector<Color>{0x112233, 0x445566, 0, 0, 0x445566}));

  b.colors_used = 2;  // an index beyond the declared colours
  b.palette = {0x112233, 0x445566, 0x778899};
  EXPECT_EQ(Decode("declared", Build(b), bm), (std::vector<Color>{0x112233, 0x445566, 0, 0, 0x445566}));

  b.colors_used = 0;
  b.palette.assign(256, 0);
  b.palette[255] = 0xABCDEF;  // clrUsed 0 means all 256
  EXPECT_EQ(Decode("full", Build(b), bm)[3], 0xABCDEFu);
}

TEST(BmpReader, PixelOffsetIsHonouredOrFallsBackAfterTheHeaders) {
  Bitmap bm;
  Bmp b;
  b.pixels = Rows(24, PatternRows([](int, int, uint32_t c) { return c; }));
  for (uint32_t off : {0u, 20u}) {  // missing, or pointing into the headers
    b.off_bits = off;
    EXPECT_EQ(Decode("fallback", Build(b), bm), kPatternPalette) << off;
  }
  b.off_bits = 54 + 10;  // a gap before the pixels
  EXPECT_EQ(Decode("gap", Build(b), bm), kPatternPalette);

  b.bits = 8;  // with a palette, the fallback skips the declared table
  b.colors_used = 15;
  b.palette = kPatternPalette;
  b.off_bits = 0;
  b.pixels = Rows(8, PatternRows([](int x, int y, uint32_t) { return y * kW + x; }));
  EXPECT_EQ(Decode("fallback8", Build(b), bm), kPatternPalette);
}

TEST(BmpReader, MissingPaddingOfTheLastRowIsAccepted) {
  Bitmap bm;
  Bmp b;
  b.pixels = Rows(24, PatternRows([](int, int, uint32_t c) { return c; }));
  b.pixels.pop_back();
  EXPECT_EQ(Decode("nopad", Build(b), bm), kPatternPalette);
}

constexpr Color P0 = 0x0A0B0C, P1 = 0xFF0000, P2 = 0x00FF00, P3 = 0x0000FF;

Bmp RleBmp(uint32_t compression, std::vector<uint8_t> stream) {
  Bmp b;
  b.bits = compression == 1 ? 8 : 4;
  b.compression = compression;
  b.palette = {P0, P1, P2, P3};
  b.pixels = std::move(stream);
  return b;
}

TEST(BmpReader, RleEscapesRunsAndSkippedPixels) {
  Bitmap bm;
  // Bottom row: run, odd absolute run with padding, end of line; a delta
  // skips the middle row; one pixel on top, then end of bitmap.
  const auto rle8 = RleBmp(1, {2, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1});
  EXPECT_EQ(Decode("rle8", Build(rle8), bm),
            (std::vector<Color>{P0, P3, P0, P0, P0, P0, P0, P0, P0, P0, P1, P1, P2, P3, P2}));

  const auto rle4 = RleBmp(2, {4, 0x12, 1, 0x30, 0, 0,                // 1 2 1 2 3
                               0, 5, 0x31, 0x23, 0x10, 0, 0, 0,       // 3 1 2 3 1 + padding
                               0, 2, 2, 0, 2, 0x33, 0, 1});           // skip 2, 3 3
  EXPECT_EQ(Decode("rle4", Build(rle4), bm),
            (std::vector<Color>{P0, P0, P3, P3, P0, P3, P1, P2, P3, P1, P1, P2, P1, P2, P3}));
}

TEST(BmpReader, RleClipsAtRowEndAndLastRowAndKeepsACutStream) {
  Bitmap bm;
  // A run and an absolute run longer than the row, then a delta past the top.
  const auto clip = RleBmp(1, {9, 1, 0, 0, 0, 7, 2, 2, 2, 2, 2, 2, 2, 0, 0, 2, 0, 5, 5, 3});
  EXPECT_EQ(Decode("rleclip", Build(clip), bm),
            (std::vector<Color>{P0, P0, P0, P0, P0, P2, P2, P2, P2, P2, P1, P1, P1, P1, P1}));

  auto cut = RleBmp(1, {2, 1, 0, 5, 3, 3});  // absolute run cut by the end of the data
  EXPECT_EQ(Decode("rlecut", Build(cut), bm)[10 + 3], P3);
  EXPECT_EQ(Decode("rlecut", Build(cut), bm)[10 + 4], P0);

  auto lines = RleBmp(2, {});  // more lines than rows: nothing lands outside
  for (int i = 0; i < 10; ++i) lines.pixels.insert(lines.pixels.end(), {5, 0x33, 0, 0});
  EXPECT_EQ(Decode("rlelines", Build(lines), bm), std::vector<Color>(15, P3));
}

TEST(BmpReader, MalformedFilesFailWithAMessageNamingTheFile) {
  Bmp good;
  good.pixels = Rows(24, PatternRows([](int, int, uint32_t c) { return c; }));
  const auto valid = Build(good);
  auto with = [&](auto change) {
    Bmp b = good;
    change(b);
    return Build(b);
  };
  auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
    auto v = valid;
    std::copy(bytes.begin(), bytes.end(), v.begin() + at);
    return v;
  };
  auto cut = [](std::vector<uint8_t> v, size_t n) {
    v.resize(n);
    return v;
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"empty", {}, "the file is empty"},
      {"bm only", {'B', 'M'}, "truncated file header"},
      {"not bmp", {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0}, "not a BMP file"},
      {"cut header", std::vector<uint8_t>(valid.begin(), valid.begin() + 30),
       "truncated header (needs 54 bytes, file has 30)"},
      {"cut pixels", std::vector<uint8_t>(valid.begin(), valid.begin() + 54 + 20),
       "truncated pixel data (needs 48 bytes, file has 20)"},
      {"huge", with([](Bmp& b) { b.width = b.height = 100000; }), "picture too large (100000 x 100000 pixels)"},
      {"big but empty", with([](Bmp& b) { b.width = b.height = 16000; }), "truncated pixel data"},
      {"negative width", with([](Bmp& b) { b.width = -5; }), "invalid width -5"},
      {"zero height", with([](Bmp& b) { b.height = 0; }), "invalid height 0"},
      {"0 bits", with([](Bmp& b) { b.bits = 0; }), "unsupported bit count 0"},
      {"2 bits", with([](Bmp& b) { b.bits = 2; }), "unsupported bit count 2"},
      {"64 bits", with([](Bmp& b) { b.bits = 64; }), "unsupported bit count 64"},
      {"jpeg inside", with([](Bmp& b) { b.compression = 4; }), "JPEG inside BMP"},
      {"png inside", with([](Bmp& b) { b.compression = 5; }), "PNG inside BMP"},
      {"unknown compression", with([](Bmp& b) { b.compression = 9; }), "unsupported compression 9"},
      {"rle8 at 4 bits", with([](Bmp& b) { b.compression = 1, b.bits = 4; }), "RLE8 compression with 4 bits"},
      {"fields at 24 bits", with([](Bmp& b) { b.compression = 3; }), "bit fields with 24 bits"},
      {"empty mask", with([](Bmp& b) { b.bits = 16, b.compression = 3, b.masks = {0xF800, 0, 0x1F}; }),
       "empty green colour mask"},
      {"overlap", with([](Bmp& b) { b.bits = 16, b.compression = 3, b.masks = {0xF800, 0x0FE0, 0x1F}; }),
       "colour masks overlap"},
      {"gappy mask", with([](Bmp& b) { b.bits = 32, b.compression = 3, b.masks = {0xF0F000, 0xFF, 0xF00}; }),
       "not contiguous"},
      {"wide mask", with([](Bmp& b) { b.bits = 16, b.compression = 3, b.masks = {0x1F0000, 0x7E0, 0x1F}; }),
       "does not fit in 16 bits"},
      {"cut masks", cut(with([](Bmp& b) { b.bits = 16, b.compression = 3, b.masks = {0xF800, 0x7E0, 0x1F}; }), 60),
       "truncated colour masks (needs 66 bytes, file has 60)"},
      {"offset past end", patched(10, {0x88, 0x13}), "pixel data offset 5000 lies beyond the end"},
      {"header size", patched(14, {200}), "unsupported header size 200"},
      {"rle promises more", with([](Bmp& b) { b = RleBmp(1, {0, 1}), b.size_image = 1000; }),
       "truncated pixel data (needs 1000 bytes"},
      {"huge table", with([](Bmp& b) { b.colors_used = 1000000, b.off_bits = 0; }), "truncated colour table"},
  };
  Bitmap bm;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Decode("fine", valid, bm);
    ASSERT_EQ(bm.Width(), kW);
    const std::string path = WriteFile("bmp_bad.bmp", c.bytes);
    try {
      DecodeBmp(path, bm);
      ADD_FAILURE() << "no error";
    } catch (const PictureError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Cannot read picture \"" + path + "\": ", 0), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_EQ(bm.Width(), 0);  // nothing half decoded is left behind
    EXPECT_EQ(bm.Height(), 0);
  }
}

}  // namespace
