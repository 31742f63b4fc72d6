#include <gtest/gtest.h>
#include <zlib.h>

#include "bmp_writer.h"
#include "gfx/picture_file.h"
#include "png_writer.h"

namespace {

using bmptest::PixelAt;
using bmptest::WriteFile;
using gfx::Bitmap;
using gfx::Color;
using gfx::DecodePng;
using gfx::PictureError;

constexpr int kW = 13, kH = 7;  // odd sizes: partial bytes at low depths, every Adam7 pass

Bitmap& Decode(const std::string& name, const pngtest::Png& p, Bitmap& bm) {
  DecodePng(WriteFile("png_" + name + ".png", pngtest::Encode(p)), bm);
  EXPECT_EQ(bm.Format(), gfx::PixelFormat::pf32bit);
  EXPECT_EQ(bm.Width(), p.width);
  EXPECT_EQ(bm.Height(), p.height);
  return bm;
}

std::string ErrorOf(const std::string& name, const std::vector<uint8_t>& bytes) {
  Bitmap bm;
  const std::string path = WriteFile("png_" + name + ".png", bytes);
  try {
    DecodePng(path, bm);
  } catch (const PictureError& e) {
    EXPECT_EQ(bm.Width(), 0);
    const std::string prefix = "Cannot read picture \"" + path + "\": ";
    EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
    return std::string(e.what()).substr(prefix.size());
  }
  return "no error";
}

uint8_t Grey(int x, int y) { return uint8_t((x * 19 + y * 37) & 255); }

TEST(PngReader, GreyAtEveryDepthSpreadsOverTheFullRange) {
  for (int depth : {1, 2, 4, 8, 16}) {
    pngtest::Png p{kW, kH, depth, PNG_COLOR_TYPE_GRAY};
    const int levels = (1 << std::min(depth, 8)) - 1;
    for (int y = 0; y < kH; ++y) {
      std::vector<uint8_t> row((kW * depth + 7) / 8);
      for (int x = 0; x < kW; ++x) {
        const int v = Grey(x, y) % (levels + 1);
        if (depth == 16) {
          row[2 * x] = uint8_t(v);  // v * 257: scales to v exactly
          row[2 * x + 1] = uint8_t(v);
        } else {
          const int bit = x * depth;
          row[bit / 8] |= uint8_t(v << (8 - depth - bit % 8));
        }
      }
      p.rows.push_back(row);
    }
    Bitmap bm;
    Decode("grey" + std::to_string(depth), p, bm);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const int v = Grey(x, y) % (levels + 1);
        const int expect = depth >= 8 ? v : v * 255 / levels;
        ASSERT_EQ(PixelAt(bm, x, y), Color(expect) * 0x010101u) << depth << " at " << x << "," << y;
      }
  }
}

TEST(PngReader, PaletteWithTransparencyIsComposedOntoBlack) {
  pngtest::Png p{kW, kH, 4, PNG_COLOR_TYPE_PALETTE};
  p.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {200, 100, 50}};
  p.transparency = {255, 0, 128};  // entry 3 has none: opaque
  for (int y = 0; y < kH; ++y) {
    std::vector<uint8_t> row((kW + 1) / 2);
    for (int x = 0; x < kW; ++x) row[x / 2] |= uint8_t(((x + y) % 4) << (x % 2 ? 0 : 4));
    p.rows.push_back(row);
  }
  Bitmap bm;
  Decode("palette", p, bm);
  const Color expect[4] = {0xFF0000, 0x000000, 0x000080, 0xC86432};
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) ASSERT_EQ(PixelAt(bm, x, y), expect[(x + y) % 4]) << x << "," << y;
  EXPECT_EQ(bm.ScanLine(0)[3], 0);  // the fourth byte carries nothing
}

TEST(PngReader, AlphaAnd16BitColourAndInterlacingGiveTheSamePixels) {
  auto colour = [](int x, int y) { return Color((x * 20) << 16 | (y * 30) << 8 | ((x * y * 7) & 255)); };
  auto alpha = [](int x, int y) { return uint8_t((x + y) * 255 / (kW + kH - 2)); };
  for (bool interlaced : {false, true}) {
    pngtest::Png rgba{kW, kH, 8, PNG_COLOR_TYPE_RGB_ALPHA, interlaced};
    pngtest::Png rgb16{kW, kH, 16, PNG_COLOR_TYPE_RGB, interlaced};
    pngtest::Png grey_alpha{kW, kH, 8, PNG_COLOR_TYPE_GRAY_ALPHA, interlaced};
    for (int y = 0; y < kH; ++y) {
      std::vector<uint8_t> a, b, g;
      for (int x = 0; x < kW; ++x) {
        const Color c = colour(x, y);
        a.insert(a.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), alpha(x, y)});
        // Each sample v * 257: scaled down to v exactly.
        b.insert(b.end(), {uint8_t(c >> 16), uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c >> 8),
                           uint8_t(c), uint8_t(c)});
        g.insert(g.end(), {Grey(x, y), alpha(x, y)});
      }
      rgba.rows.push_back(a);
      rgb16.rows.push_back(b);
      grey_alpha.rows.push_back(g);
    }
    const std::string tag = interlaced ? "_adam7" : "";
    Bitmap bm_rgba, bm_rgb16, bm_ga;
    Decode("rgba" + tag, rgba, bm_rgba);
    Decode("rgb16" + tag, rgb16, bm_rgb16);
    Decode("grey_alpha" + tag, grey_alpha, bm_ga);
    auto over_black = [](unsigned v, unsigned a) { return (v * a + 127) / 255; };
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const Color c = colour(x, y);
        const unsigned a = alpha(x, y);
        const Color composed = Color(over_black(c >> 16 & 255, a)) << 16 |
                               Color(over_black(c >> 8 & 255, a)) << 8 | over_black(c & 255, a);
        ASSERT_EQ(PixelAt(bm_rgba, x, y), composed) << tag << " " << x << "," << y;
        ASSERT_EQ(PixelAt(bm_rgb16, x, y), c) << tag << " " << x << "," << y;
        ASSERT_EQ(PixelAt(bm_ga, x, y), Color(over_black(Grey(x, y), a)) * 0x010101u);
      }
  }
}

TEST(PngReader, BrokenFilesAreRefusedNamingTheFile) {
  pngtest::Png p{64, 64, 8, PNG_COLOR_TYPE_RGB};
  for (int y = 0; y < 64; ++y) {
    std::vector<uint8_t> row(64 * 3);
    for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t(i * 13 + y * 7);
    p.rows.push_back(row);
  }
  const auto good = pngtest::Encode(p);
  EXPECT_EQ(ErrorOf("cut", {good.begin(), good.begin() + long(good.size() / 2)}), "the file ends early");

  auto bad_crc = good;
  bad_crc[40] ^= 0x55;  // inside the first IDAT
  EXPECT_NE(ErrorOf("crc", bad_crc), "no error");

  EXPECT_EQ(ErrorOf("empty", {}), "the file is empty");

  // A header claiming 60000 x 60000 pixels over a few bytes of data: refused
  // before the picture is allocated.
  pngtest::Png small{8, 8, 8, PNG_COLOR_TYPE_GRAY};
  small.rows.assign(8, std::vector<uint8_t>(8, 0));
  auto claim = pngtest::Encode(small);
  const uint8_t big[8] = {0, 0, 0xEA, 0x60, 0, 0, 0xEA, 0x60};
  std::copy(big, big + 8, claim.begin() + 16);
  // libpng checks the header's CRC: write the right one for the changed header.
  const uint32_t crc = uint32_t(crc32(0, claim.data() + 12, 17));
  for (int i = 0; i < 4; ++i) claim[29 + i] = uint8_t(crc >> (24 - 8 * i));
  EXPECT_EQ(ErrorOf("claim", claim), "picture too large (60000 x 60000 pixels)");
  const uint8_t large[8] = {0, 0, 0x30, 0, 0, 0, 0x30, 0};  // 12288 x 12288
  std::copy(large, large + 8, claim.begin() + 16);
  const uint32_t crc2 = uint32_t(crc32(0, claim.data() + 12, 17));
  for (int i = 0; i < 4; ++i) claim[29 + i] = uint8_t(crc2 >> (24 - 8 * i));
  EXPECT_EQ(ErrorOf("claim2", claim).rfind("compressed data of ", 0), 0u);
}

}  // namespace

namespace {

// Found by fuzzing: DecodePng on a file shorter than the PNG signature read
// past the end of the data, and any other file was read as if its first
// eight bytes were the signature.
TEST(PngReader, FilesWithoutTheSignatureAreRefused) {
  const std::string kMessage = "not a PNG file (it does not start with the PNG signature)";
  EXPECT_EQ(ErrorOf("short", {0x89, 'P', 0x89}), kMessage);
  EXPECT_EQ(ErrorOf("one_byte", {0x89}), kMessage);
  const std::vector<uint8_t> signatureOnly = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_EQ(ErrorOf("signature_only", signatureOnly), "the file ends early");

  pngtest::Png p{2, 2, 8, PNG_COLOR_TYPE_GRAY};
  p.rows.assign(2, std::vector<uint8_t>(2, 7));
  auto other = pngtest::Encode(p);
  other[1] = 'Q';  // chunks intact, signature not
  EXPECT_EQ(ErrorOf("other", other), kMessage);
}

}  // namespace
