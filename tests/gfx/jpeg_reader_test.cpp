#include <gtest/gtest.h>

#include <cstdlib>

#include "bmp_writer.h"
#include "gfx/picture_file.h"
#include "jpeg_writer.h"

namespace {

using bmptest::PixelAt;
using bmptest::WriteFile;
using gfx::Bitmap;
using gfx::Color;
using gfx::DecodeJpeg;
using gfx::PictureError;

constexpr Color kBlockColours[] = {0xC03020, 0x20A040, 0x3050D0, 0xE0E0E0, 0x202020, 0x808000};

// Flat 16 x 16 blocks, so that neither the DCT nor chroma subsampling
// blurs more than a little at the block edges.
Color BlockColour(int x, int y) { return kBlockColours[(x / 16 + 3 * (y / 16)) % 6]; }

std::vector<uint8_t> BlockPicture(int w, int h) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Color c = BlockColour(x, y);
      rgb.insert(rgb.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    }
  return rgb;
}

int Distance(Color a, Color b) {
  int d = 0;
  for (int s = 0; s < 24; s += 8) d = std::max(d, std::abs(int(a >> s & 255) - int(b >> s & 255)));
  return d;
}

Bitmap& Decode(const std::string& name, const std::vector<uint8_t>& bytes, Bitmap& bm) {
  DecodeJpeg(WriteFile("jpeg_" + name + ".jpg", bytes), bm);
  EXPECT_EQ(bm.Format(), gfx::PixelFormat::pf24bit);
  return bm;
}

TEST(JpegReader, ColourFilesDecodeCloseToTheSourceInEveryLayout) {
  constexpr int w = 37, h = 35;  // odd: rows of 111 bytes padded to 112
  const auto rgb = BlockPicture(w, h);
  struct Case {
    const char* name;
    int subsamp, flags;
  };
  Bitmap bm(3, 3, gfx::PixelFormat::pf32bit);
  for (const Case& c : {Case{"4:4:4", TJSAMP_444, 0}, Case{"4:2:2", TJSAMP_422, 0},
                        Case{"4:2:0", TJSAMP_420, 0}, Case{"progressive 4:2:0", TJSAMP_420, TJFLAG_PROGRESSIVE},
                        Case{"progressive 4:4:4", TJSAMP_444, TJFLAG_PROGRESSIVE}}) {
    SCOPED_TRACE(c.name);
    Decode("colour", jpegtest::Compress(rgb, w, h, TJPF_RGB, c.subsamp, c.flags), bm);
    ASSERT_EQ(bm.Width(), w);
    ASSERT_EQ(bm.Height(), h);
    // Upsampled colour blends across block edges: judge those files away from them.
    const int margin = c.subsamp == TJSAMP_444 ? 0 : 3;
    int worst = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (std::min(x % 16, 15 - x % 16) >= margin && std::min(y % 16, 15 - y % 16) >= margin)
          worst = std::max(worst, Distance(PixelAt(bm, x, y), BlockColour(x, y)));
    EXPECT_LE(worst, 6);
  }
}

TEST(JpegReader, UnusualChromaSamplingDecodes) {
  // The red and blue differences sampled differently: TurboJPEG cannot name
  // such a layout but decodes it.
  constexpr int w = 32, h = 16;
  const auto file = jpegtest::CompressLibjpeg(BlockPicture(w, h), w, h, {3, false, {{2, 1}, {1, 1}, {2, 1}}});
  Bitmap bm;
  Decode("odd", file, bm);
  ASSERT_EQ(bm.Width(), w);
  ASSERT_EQ(bm.Height(), h);
  EXPECT_LE(Distance(PixelAt(bm, 8, 8), BlockColour(8, 8)), 4);
  EXPECT_LE(Distance(PixelAt(bm, 24, 8), BlockColour(24, 8)), 4);
}

TEST(JpegReader, GreyscaleGivesGreyPixels) {
  constexpr int w = 16, h = 8;
  std::vector<uint8_t> grey;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) grey.push_back(uint8_t(x < 8 ? 40 : 200));
  Bitmap bm;
  Decode("grey", jpegtest::Compress(grey, w, h, TJPF_GRAY, TJSAMP_GRAY), bm);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Color c = PixelAt(bm, x, y);
      EXPECT_EQ(c, (c & 255) * 0x010101u) << x << "," << y;
      EXPECT_NEAR(int(c & 255), x < 8 ? 40 : 200, 3) << x << "," << y;
    }
}

TEST(JpegReader, CmykFilesAreConvertedWithAdobeInversionWhenMarked) {
  // Inks: red, green, blue, half black; 8 x 8 blocks side by side.
  const uint8_t inks[4][4] = {{0, 255, 255, 0}, {255, 0, 255, 0}, {255, 255, 0, 0}, {0, 0, 0, 128}};
  const Color expected[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0x7F7F7F};
  auto picture = [&](bool inverted) {
    std::vector<uint8_t> px;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 32; ++x)
        for (int i = 0; i < 4; ++i) px.push_back(uint8_t(inverted ? 255 - inks[x / 8][i] : inks[x / 8][i]));
    return px;
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
  };
  const Case cases[] = {
      {"YCCK as Photoshop writes it", jpegtest::Compress(picture(true), 32, 8, TJPF_CMYK, TJSAMP_444)},
      {"CMYK with Adobe marker", jpegtest::CompressLibjpeg(picture(true), 32, 8, {4, true, {}})},
      {"CMYK without marker", jpegtest::CompressLibjpeg(picture(false), 32, 8, {4, false, {}})},
  };
  Bitmap bm;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Decode("cmyk", c.file, bm);
    for (int i = 0; i < 4; ++i) EXPECT_LE(Distance(PixelAt(bm, i * 8 + 4, 4), expected[i]), 4) << i;
  }
}

TEST(JpegReader, DamagedFilesFailNamingTheFileOrDecodeWhole) {
  constexpr int w = 64, h = 64;
  const auto good = jpegtest::Compress(BlockPicture(w, h), w, h, TJPF_RGB, TJSAMP_420);
  auto sof = good;  // claim 60000 x 60000 in the frame header
  for (size_t i = 2; i + 8 < sof.size(); ++i)
    if (sof[i] == 0xFF && sof[i + 1] == 0xC0) {
      sof[i + 5] = sof[i + 7] = 0xEA;
      sof[i + 6] = sof[i + 8] = 0x60;
      break;
    }
  // The coding tables alone, ended before any frame: an abbreviated file.
  std::vector<uint8_t> tables;
  auto zeroHeight = good;
  for (size_t i = 2; i + 8 < good.size(); ++i)
    if (good[i] == 0xFF && good[i + 1] == 0xC0) {
      tables.assign(good.begin(), good.begin() + std::ptrdiff_t(i));
      tables.insert(tables.end(), {0xFF, 0xD9});
      zeroHeight[i + 5] = zeroHeight[i + 6] = 0;
      break;
    }
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"empty", {}, "the file is empty"},
      {"png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13}, "this is a PNG picture"},
      {"bmp", bmptest::Build(bmptest::Bmp{}), "this is a BMP picture"},
      {"text", {'h', 'e', 'l', 'l', 'o'}, "Not a JPEG file"},
      {"header cut", std::vector<uint8_t>(good.begin(), good.begin() + 100), ""},
      {"huge", sof, "picture too large (60000 x 60000 pixels)"},
      {"tables only", tables, "\": no picture in the file (it holds only coding tables)"},
      {"zero height", zeroHeight, "Empty JPEG image"},
  };
  Bitmap bm;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Decode("fine", good, bm);
    const std::string path = WriteFile("jpeg_bad.jpg", c.bytes);
    try {
      DecodeJpeg(path, bm);
      ADD_FAILURE() << "no error";
    } catch (const PictureError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Cannot read picture \"" + path + "\": ", 0), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      // A library that gave up without a reason is not quoted.
      EXPECT_EQ(std::string(e.what()).find("No error"), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).find("()"), std::string::npos) << e.what();
    }
    EXPECT_EQ(bm.Width(), 0);
  }

  // Cut inside the picture data: the library warns and the rest turns grey,
  // as in other viewers, but the picture keeps its size and its top.
  size_t scan = 0;
  while (scan + 1 < good.size() && !(good[scan] == 0xFF && good[scan + 1] == 0xDA)) ++scan;
  const std::vector<uint8_t> cut(good.begin(), good.begin() + (scan + good.size()) / 2);
  Decode("cut", cut, bm);
  EXPECT_EQ(bm.Width(), w);
  EXPECT_EQ(bm.Height(), h);
  EXPECT_LE(Distance(PixelAt(bm, 8, 8), BlockColour(8, 8)), 4);
}

// Stray bytes after a segment hid the frame header behind them from the
// scan-data check, and a 198-byte file had a 17412 x 8212 picture decoded
// and turned (seconds of work, half a gigabyte).
TEST(JpegReader, StrayBytesDoNotHideAHugeClaimFromTheScanDataCheck) {
  const std::vector<uint8_t> bytes = {
      0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x42, 0x45, 0x78, 0x69, 0x66, 0x00, 0x00, 0x49, 0x49, 0x2A, 0x00,
      0x08, 0x00, 0x00, 0x00, 0x03, 0x00, 0x0F, 0x01, 0x02, 0x00, 0x04, 0x00, 0x00, 0x00, 0x41, 0x42,
      0x43, 0x00, 0x12, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x06, 0x00, 0x7E, 0x00, 0x00, 0x1A,
      0x01, 0x05, 0x00, 0x01, 0x00, 0x00, 0x00, 0x32, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x48, 0x00,
      0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x63,
      0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x6A, 0x63, 0x63, 0xFF,
      0xC2, 0x00, 0x11, 0x08, 0x20, 0x14, 0x44, 0x04, 0x03, 0x01, 0x11, 0x00, 0x02, 0x11, 0x01, 0x03,
      0x11, 0x01, 0xFF, 0xC4, 0x00, 0x14, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xC4, 0x00, 0x15, 0x01, 0x01, 0x01, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03, 0xFF,
      0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x10, 0x03, 0x10, 0xE1, 0x00, 0xDB, 0x10, 0x0B, 0x0C,
      0x0E, 0x0C, 0x0A, 0x10, 0xFF, 0xD8, 0xFF, 0x00, 0x42, 0x45, 0x78, 0x69, 0x66, 0x00, 0xFF, 0xFF,
      0x63, 0x00, 0x49, 0x49, 0x00, 0xCA,
  };
  Bitmap bm;
  const std::string path = WriteFile("jpeg_stray_huge.jpg", bytes);
  try {
    DecodeJpeg(path, bm);
    ADD_FAILURE() << "decoded " << bm.Width() << " x " << bm.Height();
  } catch (const PictureError& e) {
    EXPECT_NE(std::string(e.what()).find("cannot hold 17412 x 8212 pixels"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(bm.Width(), 0);
}

TEST(JpegReader, StrayBytesBetweenSegmentsStillDecode) {
  constexpr int w = 64, h = 48;
  auto bytes = jpegtest::Compress(BlockPicture(w, h), w, h, TJPF_RGB, TJSAMP_444);
  for (size_t i = 2; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      bytes.insert(bytes.begin() + std::ptrdiff_t(i), {0x63, 0x6A, 0x63});
      break;
    }
  Bitmap bm;
  Decode("stray", bytes, bm);
  ASSERT_EQ(bm.Width(), w);
  ASSERT_EQ(bm.Height(), h);
  EXPECT_LE(Distance(PixelAt(bm, 40, 24), BlockColour(40, 24)), 4);
}

}  // namespace
