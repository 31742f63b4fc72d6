#include <gtest/gtest.h>

#include <cstdlib>

#include "bmp_writer.h"
#include "gfx/exif.h"
#include "gfx/orientation.h"
#include "gfx/picture_file.h"
#include "jpeg_writer.h"

namespace {

using bmptest::PixelAt;
using bmptest::WriteFile;
using gfx::Bitmap;
using gfx::Color;

// Where the stored picture's first row and first column lie in the upright
// picture, as the EXIF orientation values 1..8 define them.
enum Side { kTop, kBottom, kLeft, kRight };
struct Placement {
  Side row0, column0;
};
constexpr Placement kPlacement[9] = {
    {}, {kTop, kLeft}, {kTop, kRight}, {kBottom, kRight}, {kBottom, kLeft},
    {kLeft, kTop}, {kRight, kTop}, {kRight, kBottom}, {kLeft, kBottom}};

// The upright position of stored pixel (c, r), for an upright picture w x h.
std::pair<int, int> UprightOf(int orientation, int c, int r, int w, int h) {
  const Placement p = kPlacement[orientation];
  if (p.row0 == kTop || p.row0 == kBottom) {
    return {p.column0 == kLeft ? c : w - 1 - c, p.row0 == kTop ? r : h - 1 - r};
  }
  return {p.row0 == kLeft ? r : w - 1 - r, p.column0 == kTop ? c : h - 1 - c};
}

bool Sideways(int orientation) { return orientation >= 5; }

Color Distinct(int x, int y) {
  return (Color(x * 7 + 1) << 16 | Color(y * 11 + 3) << 8 | Color(x ^ y)) & 0xFFFFFF;
}

// Stores a w x h picture turned as each value says and checks every pixel
// after turning it back upright.
void CheckEveryOrientation(int w, int h) {
  SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
  for (const auto format : {gfx::PixelFormat::pf24bit, gfx::PixelFormat::pf32bit}) {
    for (int o = 1; o <= 8; ++o) {
      const int sw = Sideways(o) ? h : w, sh = Sideways(o) ? w : h;
      Bitmap bm(sw, sh, format);
      const int bpp = format == gfx::PixelFormat::pf24bit ? 3 : 4;
      for (int r = 0; r < sh; ++r)
        for (int c = 0; c < sw; ++c) {
          const auto [x, y] = UprightOf(o, c, r, w, h);
          const Color v = Distinct(x, y);
          uint8_t* p = bm.ScanLine(r) + c * bpp;
          p[0] = uint8_t(v);
          p[1] = uint8_t(v >> 8);
          p[2] = uint8_t(v >> 16);
        }
      gfx::ApplyOrientation(bm, o);
      ASSERT_EQ(bm.Width(), w) << o;
      ASSERT_EQ(bm.Height(), h) << o;
      EXPECT_EQ(bm.Format(), format);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(PixelAt(bm, x, y), Distinct(x, y)) << o << " at " << x << "," << y;
    }
  }
}

TEST(Orientation, EveryValueTurnsAStoredPictureUpright) {
  // Odd sizes, so no middle row or column hides a fault; the second crosses
  // tile edges in both directions and ends in partial tiles.
  CheckEveryOrientation(7, 4);
  CheckEveryOrientation(151, 70);
}

// 48 x 32 upright, each quarter one colour; stored turned as orientation o says.
constexpr Color kCorners[4] = {0xE02020, 0x20C020, 0x2040E0, 0xF0F0F0};  // TL, TR, BL, BR
Color CardColour(int x, int y) { return kCorners[(x >= 24 ? 1 : 0) + (y >= 16 ? 2 : 0)]; }

std::vector<uint8_t> StoredCard(int o) {
  const int sw = Sideways(o) ? 32 : 48, sh = Sideways(o) ? 48 : 32;
  std::vector<uint8_t> rgb;
  for (int r = 0; r < sh; ++r)
    for (int c = 0; c < sw; ++c) {
      const auto [x, y] = UprightOf(o, c, r, 48, 32);
      const Color v = CardColour(x, y);
      rgb.insert(rgb.end(), {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
    }
  return jpegtest::Compress(rgb, sw, sh, TJPF_RGB, TJSAMP_444);
}

int Distance(Color a, Color b) {
  int d = 0;
  for (int s = 0; s < 24; s += 8) d = std::max(d, std::abs(int(a >> s & 255) - int(b >> s & 255)));
  return d;
}

TEST(Orientation, JpegPicturesLandUprightOrAsStoredWhenTurnedOff) {
  for (bool big_endian : {false, true}) {
    for (int o = 1; o <= 8; ++o) {
      const auto file = jpegtest::WithExifOrientation(StoredCard(o), o, big_endian);
      const std::string path = WriteFile("orient_" + std::to_string(o) + ".jpg", file);
      Bitmap bm;
      const gfx::PictureSize size = gfx::DecodePicture(path, bm, gfx::DecodeOptions{});
      ASSERT_EQ(bm.Width(), 48) << o;
      ASSERT_EQ(bm.Height(), 32) << o;
      EXPECT_EQ(size.Width, 48);
      EXPECT_EQ(size.Height, 32);
      for (const auto& [x, y] : {std::pair{2, 2}, {45, 2}, {2, 29}, {45, 29}}) {
        EXPECT_LE(Distance(PixelAt(bm, x, y), CardColour(x, y)), 8) << o << " at " << x << "," << y;
      }

      gfx::DecodeOptions off;
      off.ExifOrientation = false;
      const gfx::PictureSize stored = gfx::DecodePicture(path, bm, off);
      const int sw = Sideways(o) ? 32 : 48, sh = Sideways(o) ? 48 : 32;
      ASSERT_EQ(bm.Width(), sw) << o;
      EXPECT_EQ(stored.Width, sw);
      EXPECT_EQ(stored.Height, sh);
      for (const auto& [c, r] : {std::pair{2, 2}, {sw - 3, 2}, {2, sh - 3}, {sw - 3, sh - 3}}) {
        const auto [x, y] = UprightOf(o, c, r, 48, 32);
        EXPECT_LE(Distance(PixelAt(bm, c, r), CardColour(x, y)), 8) << o << " stored " << c << "," << r;
      }
    }
  }
}

TEST(Orientation, MalformedExifSegmentsMeanUpright) {
  const auto plain = jpegtest::Compress(std::vector<uint8_t>(16 * 8 * 3, 90), 16, 8, TJPF_RGB, TJSAMP_444);
  const auto good = jpegtest::WithExifOrientation(plain, 6);
  // The APP1 body starts after SOI, the marker and its length.
  const std::vector<uint8_t> body(good.begin() + 6, good.begin() + 6 + (good[4] << 8 | good[5]) - 2);
  ASSERT_EQ(gfx::ExifOrientation(body.data(), body.size()), 6);

  // Every cut of the segment reads no further than its end, and only a cut
  // after the tag still finds it.
  for (size_t n = 0; n < body.size(); ++n) {
    std::vector<uint8_t> cut(body.begin(), body.begin() + long(n));  // own buffer: overreads show
    const int v = gfx::ExifOrientation(cut.data(), cut.size());
    EXPECT_TRUE(v == 1 || (v == 6 && n >= 6 + 8 + 2 + 2 * 12)) << n;
  }
  auto changed = [&](size_t at, uint8_t value) {
    std::vector<uint8_t> b = body;
    b[at] = value;
    return gfx::ExifOrientation(b.data(), b.size());
  };
  EXPECT_EQ(changed(0, 'e'), 1);          // not "Exif"
  EXPECT_EQ(changed(6, 'X'), 1);          // no byte order
  EXPECT_EQ(changed(8, 43), 1);           // not TIFF's 42
  EXPECT_EQ(changed(10, 0xF0), 1);        // IFD0 beyond the segment
  EXPECT_EQ(changed(14, 1), 1);           // the tag not among the entries
  EXPECT_EQ(changed(14, 200), 6);         // found before the list runs past the end
  EXPECT_EQ(changed(6 + 8 + 2 + 12 + 2, 4), 1);      // the tag as a long
  EXPECT_EQ(changed(6 + 8 + 2 + 12 + 8, 9), 1);      // value outside 1..8
  EXPECT_EQ(changed(6 + 8 + 2 + 12 + 8, 0), 1);

  // Decoding such a file still works, upright as stored.
  std::vector<uint8_t> broken = good;
  broken[6 + 8 + 2 + 12 + 8 + 6] = 9;
  Bitmap bm;
  gfx::DecodePicture(WriteFile("orient_bad.jpg", broken), bm, gfx::DecodeOptions{});
  EXPECT_EQ(bm.Width(), 16);
}

}  // namespace
