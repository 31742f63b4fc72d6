#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <utility>

#include "bmp_writer.h"
#include "gfx/picture_file.h"
#include "heif_webp_writer.h"

namespace {

using bmptest::PixelAt;
using bmptest::WriteFile;
using gfx::Bitmap;
using heifwebptest::Bytes;

// Upright: red, green / blue, white quadrants, wider than high, so a wrong
// turn or mirror puts a wrong colour at some quadrant's centre.
constexpr int kW = 64, kH = 48;
uint32_t Upright(int x, int y) {
  const bool right = x >= kW / 2, bottom = y >= kH / 2;
  if (!bottom) return right ? 0x00FF00FF : 0xFF0000FF;
  return right ? 0xFFFFFFFF : 0x0000FFFF;
}
// Stored on its side: orientation 6 turns it a quarter clockwise to show.
uint32_t Sideways(int x, int y) { return Upright(kW - 1 - y, x); }

void ExpectQuadrants(const Bitmap& bm, int tolerance, const std::string& what) {
  ASSERT_EQ(bm.Width(), kW) << what;
  ASSERT_EQ(bm.Height(), kH) << what;
  for (int qy : {kH / 4, 3 * kH / 4})
    for (int qx : {kW / 4, 3 * kW / 4}) {
      const uint32_t want = Upright(qx, qy) >> 8;  // 0xRRGGBB
      const gfx::Color got = PixelAt(bm, qx, qy);
      for (int shift : {0, 8, 16})
        EXPECT_NEAR(int(got >> shift & 255), int(want >> shift & 255), tolerance)
            << what << " at " << qx << "," << qy;
    }
}

struct Format {
  const char* name;
  Bytes (*encode)(int, int, const heifwebptest::Pixels&, int);
  int tolerance;      // HEIC is lossy, the test's WebP lossless
  bool exif_turns;    // HEIF's rotation boxes belong to the picture; EXIF only repeats them
};
const Format kFormats[] = {{"webp", heifwebptest::EncodeWebP, 0, true},
                           {"heic", heifwebptest::EncodeHeic, 24, false}};

// Named ".jpg": the content, not the name, picks the decoder.
TEST(HeifWebPReader, PhotosComeOutUprightWhateverTheName) {
  for (const Format& f : kFormats) {
    SCOPED_TRACE(f.name);
    Bitmap bm;
    const std::string plain = WriteFile(std::string("plain_") + f.name + ".jpg", f.encode(kW, kH, Upright, 1));
    const gfx::PictureSize size = gfx::DecodePicture(plain, bm, {});
    EXPECT_EQ(size.Width, kW);
    EXPECT_EQ(bm.Format(), gfx::PixelFormat::pf32bit);
    ExpectQuadrants(bm, f.tolerance, "plain");

    const std::string turned = WriteFile(std::string("turned_") + f.name + ".jpg", f.encode(kH, kW, Sideways, 6));
    gfx::DecodePicture(turned, bm, {});
    ExpectQuadrants(bm, f.tolerance, "orientation 6");

    gfx::DecodeOptions as_stored;
    as_stored.ExifOrientation = false;
    gfx::DecodePicture(turned, bm, as_stored);
    EXPECT_EQ(bm.Width(), f.exif_turns ? kH : kW);
  }
}

// As JPEG photos are: reduced by halves while the result still covers the fit.
TEST(HeifWebPReader, WebPDecodedAtTheSmallestScaleCoveringTheFitWhenAsked) {
  gfx::DecodeOptions o;
  o.FrameWidth = 20;
  o.FrameHeight = 15;
  o.ReduceToFrame = true;
  for (const auto& [name, bytes] : {std::pair{"scale.webp", heifwebptest::EncodeWebP(kW, kH, Upright, 1)},
                                    std::pair{"scale6.webp", heifwebptest::EncodeWebP(kH, kW, Sideways, 6)}}) {
    Bitmap bm;
    const gfx::PictureSize size = gfx::DecodePicture(WriteFile(name, bytes), bm, o);
    EXPECT_EQ(size.Width, kW) << name;
    EXPECT_EQ(size.Height, kH) << name;
    ASSERT_EQ(bm.Width(), kW / 2) << name;  // 16 x 12 would fall short of 20 x 15
    ASSERT_EQ(bm.Height(), kH / 2) << name;
    EXPECT_EQ(PixelAt(bm, kW / 8, kH / 8), 0xFF0000u) << name;
    EXPECT_EQ(PixelAt(bm, 3 * kW / 8, 3 * kH / 8), 0xFFFFFFu) << name;
  }
}

TEST(HeifWebPReader, TransparencyIsComposedOntoBlack) {
  const auto half = [](int, int) -> uint32_t { return 0xFF804080; };  // alpha 128
  Bitmap bm;
  gfx::DecodePicture(WriteFile("alpha.webp", heifwebptest::EncodeWebP(8, 8, half, 1)), bm, {});
  EXPECT_EQ(PixelAt(bm, 3, 3), 0x804020u);  // 0xFF, 0x80, 0x40 at half strength
}

// The first frame sits where its offsets say; the canvas around it is black.
TEST(HeifWebPReader, AnimationsShowTheirFirstFrameInPlace) {
  Bitmap bm;
  gfx::DecodePicture(WriteFile("anim.webp", heifwebptest::EncodeWebPAnimation(40, 30, 10, 6, kW / 4, kH / 4,
                                                                           [](int x, int y) { return Upright(x * 4, y * 4); })),
                     bm, {});
  ASSERT_EQ(bm.Width(), 40);
  ASSERT_EQ(bm.Height(), 30);
  for (const auto& [x, y, want] : {std::tuple{10, 6, 0xFF0000u}, {25, 6, 0x00FF00u}, {10, 17, 0x0000FFu},
                                   {25, 17, 0xFFFFFFu}, {9, 6, 0u}, {26, 17, 0u}, {10, 5, 0u}, {25, 18, 0u}})
    EXPECT_EQ(PixelAt(bm, x, y), want) << x << "," << y;
}

std::string ErrorOf(const std::string& name, const Bytes& bytes) {
  Bitmap bm;
  const std::string path = WriteFile(name, bytes);
  try {
    gfx::DecodePicture(path, bm, {});
  } catch (const gfx::PictureError& e) {
    EXPECT_EQ(bm.Width(), 0) << name;
    EXPECT_EQ(std::string(e.what()).rfind("Cannot read picture \"" + path + "\": ", 0), 0u) << e.what();
    return e.what();
  }
  return "no error";
}

// Cut files are refused, never half decoded; a flipped byte gives either a
// clean refusal or a whole picture (the sanitizer build watches the reads).
TEST(HeifWebPReader, CutAndDamagedFilesAreRefusedCleanly) {
  for (const Format& f : kFormats) {
    SCOPED_TRACE(f.name);
    const Bytes good = f.encode(kW, kH, Upright, 6);
    for (size_t cut : {size_t(16), good.size() / 3, good.size() - 9}) {
      EXPECT_NE(ErrorOf(std::string("cut.") + f.name, Bytes(good.begin(), good.begin() + long(cut))),
                "no error") << "cut at " << cut;
    }
    std::srand(7);
    for (int i = 0; i < 40; ++i) {
      Bytes bad = good;
      bad[size_t(std::rand()) % bad.size()] ^= uint8_t(1 + std::rand() % 255);
      Bitmap bm;
      try {
        gfx::DecodePicture(WriteFile(std::string("flip.") + f.name, bad), bm, {});
        EXPECT_GT(bm.Width(), 0);
      } catch (const gfx::PictureError&) {
        EXPECT_EQ(bm.Width(), 0);
      }
    }
  }
}

// Sizes the header claims are refused before anything that size is made.
TEST(HeifWebPReader, ClaimedHugeSizesAreRefusedUpFront) {
  Bytes heic = heifwebptest::EncodeHeic(kW, kH, Upright, 1);
  const uint8_t huge[8] = {0, 0, 0x9C, 0x40, 0, 0, 0x9C, 0x40};  // 40000 x 40000
  int boxes = 0;  // the picture's and its alpha plane's
  for (auto at = heic.begin(); (at = std::search(at, heic.end(), "ispe", "ispe" + 4)) != heic.end(); ++boxes)
    at = std::copy(huge, huge + 8, at + 8);
  ASSERT_GT(boxes, 0);
  EXPECT_NE(ErrorOf("huge.heic", heic).find("too large (40000 x 40000 pixels)"), std::string::npos);

  // An extended WebP header whose canvas claims 2^24 x 2^24.
  Bytes webp = {'R', 'I', 'F', 'F', 30, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'X', 10, 0, 0, 0,
                0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'A', 'L', 'P', 'H', 0, 0, 0, 0};
  EXPECT_NE(ErrorOf("huge.webp", webp), "no error");
}

}  // namespace
