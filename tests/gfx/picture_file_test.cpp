#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "bmp_writer.h"
#include "gfx/picture_file.h"
#include "jpeg_writer.h"
#include "png_writer.h"

namespace {

using bmptest::Bmp;
using bmptest::Build;
using bmptest::PatternRows;
using bmptest::Rows;
using bmptest::WriteFile;
using gfx::Bitmap;
using gfx::DecodePicture;
using gfx::PictureError;
using gfx::PixelFormat;

std::vector<uint8_t> SampleBmp() {
  Bmp b;
  b.pixels = Rows(24, PatternRows([](int, int, uint32_t c) { return c; }));
  return Build(b);
}

std::vector<uint8_t> SampleJpeg(int subsamp = TJSAMP_420, int flags = 0) {
  std::vector<uint8_t> rgb;
  for (int i = 0; i < 24 * 16; ++i) rgb.insert(rgb.end(), {uint8_t(i * 7), uint8_t(i / 3), uint8_t(255 - i)});
  return jpegtest::Compress(rgb, 24, 16, TJPF_RGB, subsamp, flags);  // grey files too
}

std::string ErrorOf(const std::string& path) {
  Bitmap bm;
  try {
    DecodePicture(path, bm);
  } catch (const PictureError& e) {
    return e.what();
  }
  return "no error";
}

TEST(PictureFile, ContentPicksTheDecoderWhateverTheName) {
  const auto bmp = SampleBmp();
  const auto jpeg = SampleJpeg();
  pngtest::Png p{5, 3, 8, PNG_COLOR_TYPE_RGB};
  p.rows.assign(3, std::vector<uint8_t>(15, 0x40));
  const auto png = pngtest::Encode(p);
  Bitmap bm;
  for (const char* name : {"pf_Photo.BMP", "pf_bmp.jpg", "pf_bmp.png", "pf_bmp"}) {
    DecodePicture(WriteFile(name, bmp), bm);
    EXPECT_EQ(bm.Format(), PixelFormat::pf32bit) << name;
    EXPECT_EQ(bm.Width(), bmptest::kW) << name;
  }
  for (const char* name : {"pf_photo.jpeg", "pf_photo.Jpg", "pf_photo", "pf_jpeg.bmp", "pf_jpeg.png"}) {
    DecodePicture(WriteFile(name, jpeg), bm);
    EXPECT_EQ(bm.Format(), PixelFormat::pf24bit) << name;
    EXPECT_EQ(bm.Width(), 24) << name;
  }
  for (const char* name : {"pf_png.png", "pf_png.jpg", "pf_png.BMP"}) {
    DecodePicture(WriteFile(name, png), bm);
    EXPECT_EQ(bm.Width(), 5) << name;
    EXPECT_EQ(bmptest::PixelAt(bm, 4, 2), 0x404040u) << name;
  }
}

// Decoders reuse the memory of the bitmap they decode into: whatever it
// held before (larger, smaller, another format), the picture comes out as
// it does in a fresh bitmap.
TEST(PictureFile, DecodingIntoAUsedBitmapGivesTheSamePicture) {
  pngtest::Png wide{40, 2, 8, PNG_COLOR_TYPE_RGB};
  wide.rows.assign(2, std::vector<uint8_t>(120, 0xFF));
  pngtest::Png small{5, 3, 8, PNG_COLOR_TYPE_RGB};
  small.rows.assign(3, std::vector<uint8_t>(15, 0x40));
  const std::vector<std::string> files = {
      WriteFile("pf_used_wide.png", pngtest::Encode(wide)), WriteFile("pf_used.bmp", SampleBmp()),
      WriteFile("pf_used.jpg", SampleJpeg()), WriteFile("pf_used_small.png", pngtest::Encode(small))};
  Bitmap used;
  for (const std::string& before : files) {
    for (const std::string& path : files) {
      DecodePicture(before, used);
      DecodePicture(path, used);
      Bitmap fresh;
      DecodePicture(path, fresh);
      ASSERT_EQ(used.Width(), fresh.Width()) << before << " then " << path;
      ASSERT_EQ(used.Format(), fresh.Format());
      EXPECT_EQ(std::memcmp(used.Bits(), fresh.Bits(), size_t(fresh.Stride()) * fresh.Height()), 0)
          << before << " then " << path;
    }
  }
}

TEST(PictureFile, UnknownContentGoesByNameAndFailsAsBefore) {
  const std::vector<uint8_t> text{'h', 'e', 'l', 'l', 'o', '\n'};
  const std::string png_path = WriteFile("pf_text.png", text);
  EXPECT_EQ(ErrorOf(png_path), "Cannot read picture \"" + png_path +
                                   "\": Not a JPEG file: starts with 0x68 0x65");
  EXPECT_NE(ErrorOf(WriteFile("pf_text.bmp", text)).find("not a BMP file"), std::string::npos);
  // "BM" alone does not make a BMP: a text starting so still goes by name.
  const std::vector<uint8_t> bm_text{'B', 'M', 'W', ' ', 'c', 'a', 'r', 's', ' ', 'a', 'n', 'd',
                                     ' ', 'b', 'i', 'k', 'e', 's', '\n'};
  EXPECT_NE(ErrorOf(WriteFile("pf_bmw.jpg", bm_text)).find("Not a JPEG file"), std::string::npos);
  // A PNG cut inside its header is refused by the PNG reader, naming the file.
  const std::vector<uint8_t> png_head{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  const std::string head_path = WriteFile("pf_head.jpg", png_head);
  EXPECT_EQ(ErrorOf(head_path), "Cannot read picture \"" + head_path + "\": the file ends early");
}

TEST(PictureFile, JpegDecodedAtTheSmallestScaleCoveringTheFitWhenAsked) {
  std::vector<uint8_t> rgb(120 * 160 * 3, 128);
  const auto stored = jpegtest::Compress(rgb, 120, 160, TJPF_RGB, TJSAMP_420);  // 120 x 160
  const std::string upright = WriteFile("pf_scale.jpg", stored);
  const std::string sideways = WriteFile("pf_scale6.jpg", jpegtest::WithExifOrientation(stored, 6));
  gfx::DecodeOptions o;
  o.FrameWidth = 40;
  o.FrameHeight = 30;
  Bitmap bm;
  // Within the budget the picture is decoded whole unless asked otherwise.
  gfx::PictureSize size = DecodePicture(upright, bm, o);
  EXPECT_EQ(bm.Width(), 120);
  o.ReduceToFrame = true;
  // Fit of 120 x 160 into 40 x 30: 22 x 30, so 1/8 (15 x 20) falls short and
  // 1/4 (30 x 40) is the smallest scale that covers it.
  size = DecodePicture(upright, bm, o);
  EXPECT_EQ(bm.Width(), 30);
  EXPECT_EQ(bm.Height(), 40);
  EXPECT_EQ(size.Width, 120);
  EXPECT_EQ(size.Height, 160);
  // Upright 160 x 120 fills the 40 x 30 frame; stored 120 x 160 needs 30 x 40.
  size = DecodePicture(sideways, bm, o);
  EXPECT_EQ(bm.Width(), 40);
  EXPECT_EQ(bm.Height(), 30);
  EXPECT_EQ(size.Width, 160);
  EXPECT_EQ(size.Height, 120);
  o.FrameWidth = 400;  // a frame larger than the picture: whole
  o.FrameHeight = 300;
  DecodePicture(upright, bm, o);
  EXPECT_EQ(bm.Width(), 120);
}

TEST(PictureFile, FilesThatCannotBeOpenedNameThePathAndTheReason) {
  const std::string dir = std::filesystem::path(WriteFile("pf_probe", {})).parent_path().string();
  const std::string missing = dir + "/pf_no such picture.jpg";
  EXPECT_EQ(ErrorOf(missing), "Cannot open picture \"" + missing + "\": No such file or directory");
  EXPECT_EQ(ErrorOf(dir), "Cannot open picture \"" + dir + "\": Is a directory");
  EXPECT_EQ(ErrorOf("/dev/zero"), "Cannot open picture \"/dev/zero\": not a regular file");
}

// Damaged copies of valid files either decode to a sane bitmap or fail with
// PictureError; anything else (a crash, another exception, a read out of
// bounds under the sanitizer) is a fault.
TEST(PictureFile, MutatedFilesDecodeOrFailCleanly) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds;
  auto add_bmp = [&](Bmp b) { seeds.emplace_back(".bmp", Build(b)); };
  Bmp b;
  b.pixels = Rows(24, PatternRows([](int, int, uint32_t c) { return c; }), true);
  b.header_size = 124;
  b.height = -bmptest::kH;
  add_bmp(b);
  b = Bmp{};
  b.bits = 8;
  b.colors_used = 15;
  for (int i = 0; i < 15; ++i) b.palette.push_back(uint32_t(i * 0x111111));
  b.pixels = Rows(8, PatternRows([](int x, int y, uint32_t) { return y * 5 + x; }));
  add_bmp(b);
  b.header_size = 12;
  b.colors_used = 0;
  b.bits = 4;
  b.palette.resize(16);
  b.pixels = Rows(4, PatternRows([](int x, int y, uint32_t) { return y * 5 + x; }));
  add_bmp(b);
  b = Bmp{};
  b.bits = 8;
  b.compression = 1;
  b.palette = {0, 0xFF0000, 0x00FF00, 0x0000FF};
  b.pixels = {3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 1, 1, 9, 3, 0, 0, 4, 2, 0, 1};
  add_bmp(b);
  b.bits = 4;
  b.compression = 2;
  b.pixels = {4, 0x12, 0, 0, 0, 5, 0x31, 0x23, 0x10, 0, 0, 2, 1, 0, 7, 0x33, 0, 1};
  add_bmp(b);
  b = Bmp{};
  b.bits = 16;
  b.compression = 3;
  b.masks = {0xF800, 0x07E0, 0x001F};
  b.pixels = Rows(16, PatternRows([](int, int, uint32_t c) { return c & 0xFFFF; }));
  add_bmp(b);
  b.header_size = 56;
  b.bits = 32;
  b.compression = 6;
  b.masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
  b.pixels = Rows(32, PatternRows([](int, int, uint32_t c) { return c * 3; }));
  add_bmp(b);
  seeds.emplace_back(".jpg", SampleJpeg(TJSAMP_420));
  seeds.emplace_back(".jpg", SampleJpeg(TJSAMP_444, TJFLAG_PROGRESSIVE));
  seeds.emplace_back(".jpg", SampleJpeg(TJSAMP_GRAY));
  seeds.emplace_back(".jpg", jpegtest::WithExifOrientation(SampleJpeg(TJSAMP_422), 6, true));
  pngtest::Png png{9, 7, 4, PNG_COLOR_TYPE_PALETTE, true};
  png.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  png.transparency = {255, 64};
  for (int y = 0; y < 7; ++y) png.rows.push_back({uint8_t(y % 3), 0x12, 0x20, 0x01, uint8_t(y % 3 << 4)});
  seeds.emplace_back(".png", pngtest::Encode(png));
  pngtest::Png rgba{6, 5, 16, PNG_COLOR_TYPE_RGB_ALPHA};
  for (int y = 0; y < 5; ++y) {
    std::vector<uint8_t> row(6 * 8);
    for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t(i * 29 + y);
    rgba.rows.push_back(row);
  }
  seeds.emplace_back(".png", pngtest::Encode(rgba));
  std::vector<uint8_t> cmyk(16 * 8 * 4);
  for (size_t i = 0; i < cmyk.size(); ++i) cmyk[i] = uint8_t(i * 37);
  seeds.emplace_back(".jpg", jpegtest::Compress(cmyk, 16, 8, TJPF_CMYK, TJSAMP_420));

  std::mt19937 rng(20240611);
  auto pick = [&](size_t n) { return n ? size_t(rng() % n) : 0; };
  const uint32_t words[] = {0, 1, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
  int decoded = 0, refused = 0;
  for (int round = 0; round < 3000; ++round) {
    const auto& [ext, seed] = seeds[round % seeds.size()];
    std::vector<uint8_t> v = seed;
    for (int m = 0, n = 1 + int(pick(3)); m < n && !v.empty(); ++m) {
      // Half the damage goes to the headers, where lengths and sizes live.
      const size_t at = pick(pick(2) ? std::min<size_t>(v.size(), 140) : v.size());
      switch (pick(4)) {
        case 0: v[at] ^= uint8_t(1u << pick(8)); break;
        case 1: v[at] = uint8_t(rng()); break;
        case 2:
          for (int i = 0, w = int(words[pick(std::size(words))]); i < 4 && at + i < v.size(); ++i)
            v[at + i] = uint8_t(uint32_t(w) >> (8 * i));
          break;
        case 3: v.resize(at); break;
      }
    }
    const std::string path = WriteFile("pf_fuzz" + ext, v);
    Bitmap bm;
    try {
      DecodePicture(path, bm);
    } catch (const PictureError&) {
      ++refused;
      EXPECT_EQ(bm.Width() * bm.Height(), 0);
      continue;
    }
    ++decoded;
    ASSERT_GT(bm.Width(), 0) << "round " << round;
    ASSERT_GT(bm.Height(), 0) << "round " << round;
    ASSERT_LE(int64_t(bm.Width()) * bm.Height(), gfx::kMaxPicturePixels);
    EXPECT_EQ(bm.Format(), ext == ".jpg" ? PixelFormat::pf24bit : PixelFormat::pf32bit);
  }
  // Both outcomes must really occur, or the mutations miss the point.
  EXPECT_GT(decoded, 300);
  EXPECT_GT(refused, 300);
}

}  // namespace
