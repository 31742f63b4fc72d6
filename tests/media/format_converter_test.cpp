#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "gfx/canvas.h"
#include "media/binding/ff_entry_points.h"
#include "media/picture/format_converter.h"
#include "media_test_support.h"

namespace {

using namespace media;

// A picture with its own memory, laid out by the library.
struct OwnedPicture {
  std::vector<uint8_t> memory;
  TPicture picture;

  OwnedPicture(AVPixelFormat format, int width, int height, int align = 1) {
    memory.resize(size_t(ff::av_image_get_buffer_size(format, width, height, align)));
    ff::av_image_fill_arrays(picture.data, picture.linesize, memory.data(), format, width, height, align);
  }
};

// BGRA test frame: smooth colour ramps, so bicubic scaling changes little.
OwnedPicture MakeBgra(int width, int height) {
  OwnedPicture p(AV_PIX_FMT_BGRA, width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* px = p.picture.data[0] + y * p.picture.linesize[0] + x * 4;
      px[0] = uint8_t(40 + x * 160 / width);   // blue
      px[1] = uint8_t(60 + y * 150 / height);  // green
      px[2] = uint8_t(200 - x * 120 / width);  // red
      px[3] = 0;
    }
  return p;
}

uint32_t BitmapPixel32(gfx::Bitmap& b, int x, int y) {
  const uint8_t* p = b.ScanLine(y) + x * 4;
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

int ChannelDistance(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift = 0; shift < 24; shift += 8)
    worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
  return worst;
}

class FormatConverterTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(libs_.ok()) << FFLoader().LastLoaderError(); }
  media_test::LoadedLibraries libs_{LibraryBit(liAVUtil) | LibraryBit(liSWScale)};
};

TEST_F(FormatConverterTest, DepthsAndTheirFormats) {
  TFormatConverter c;
  EXPECT_EQ(c.StoredBitsPerPixel(), 24);
  EXPECT_EQ(c.Bitmap().Format(), gfx::PixelFormat::pf24bit);
  c.SetBitsPerPixel(32);
  EXPECT_EQ(c.MediaPixelFormat(), AV_PIX_FMT_BGRA);
  c.SetBitsPerPixel(8);
  EXPECT_EQ(c.MediaPixelFormat(), AV_PIX_FMT_BGR8);
  EXPECT_EQ(c.Bitmap().Format(), gfx::PixelFormat::pf8bit);

  c.SetBitsPerPixel(15);
  EXPECT_EQ(c.Bitmap().Format(), gfx::PixelFormat::pf15bit);
  c.SetBitsPerPixel(16);  // stores 16 bits too: nothing changes
  EXPECT_EQ(c.Bitmap().Format(), gfx::PixelFormat::pf15bit);
  EXPECT_EQ(c.MediaPixelFormat(), AV_PIX_FMT_RGB555LE);

  try {
    c.SetBitsPerPixel(12);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Invalid BitsPixel 12");
  }
  EXPECT_EQ(c.Bitmap().Format(), gfx::PixelFormat::pf15bit);
}

TEST_F(FormatConverterTest, MatchingFrameIsCopiedWithoutScaling) {
  TFormatConverter c;
  c.SetBitsPerPixel(32);
  OwnedPicture frame = MakeBgra(320, 240);
  ASSERT_EQ(frame.picture.linesize[0], 1280);
  ASSERT_TRUE(c.LoadFramePicture(frame.picture, AV_PIX_FMT_BGRA, 320, 240, true)) << c.LastError();
  // The frame itself became the current picture.
  EXPECT_EQ(c.CurrentPicture().data[0], frame.picture.data[0]);
  for (int y : {0, 1, 120, 239})
    for (int x : {0, 5, 319})
      EXPECT_EQ(std::memcmp(c.Bitmap().ScanLine(y) + x * 4, frame.picture.data[0] + y * 1280 + x * 4, 4), 0);

  // Drawing on the bitmap and copying back changes the caller's frame.
  c.Bitmap().ScanLine(10)[8] = 0xAB;
  c.CopyBitmapToPicture();
  EXPECT_EQ(frame.picture.data[0][10 * 1280 + 8], 0xAB);
}

TEST_F(FormatConverterTest, OddOrMismatchedFramesAreConverted) {
  TFormatConverter c;
  c.SetBitsPerPixel(32);
  OwnedPicture odd = MakeBgra(321, 240);
  ASSERT_TRUE(c.LoadFramePicture(odd.picture, AV_PIX_FMT_BGRA, 321, 240, true)) << c.LastError();
  EXPECT_NE(c.CurrentPicture().data[0], odd.picture.data[0]);
  EXPECT_EQ(c.Bitmap().Width(), 321);
  for (int y : {0, 100, 239})
    for (int x : {0, 160, 320}) {
      const uint8_t* s = odd.picture.data[0] + y * odd.picture.linesize[0] + x * 4;
      EXPECT_LE(ChannelDistance(BitmapPixel32(c.Bitmap(), x, y), s[0] | s[1] << 8 | s[2] << 16), 2);
    }

  // A line size with padding needs the conversion too, even at even sizes.
  OwnedPicture padded(AV_PIX_FMT_BGRA, 320, 240, 64);
  padded.picture.linesize[0] = 1344;
  padded.memory.resize(1344 * 240);
  padded.picture.data[0] = padded.memory.data();
  ASSERT_TRUE(c.LoadFramePicture(padded.picture, AV_PIX_FMT_BGRA, 320, 240, false));
  EXPECT_NE(c.CurrentPicture().data[0], padded.picture.data[0]);
}

TEST_F(FormatConverterTest, BadInputIsRefused) {
  TFormatConverter c;
  EXPECT_THROW(c.CopyPictureToBitmap(), std::logic_error);
  OwnedPicture frame = MakeBgra(4, 4);
  EXPECT_FALSE(c.LoadFramePicture(frame.picture, AV_PIX_FMT_BGRA, 0, 4, true));
  EXPECT_FALSE(c.LoadFramePicture(TPicture{}, AV_PIX_FMT_BGRA, 4, 4, true));
  EXPECT_FALSE(c.LoadFramePicture(frame.picture, AV_PIX_FMT_NONE, 4, 4, true));
  EXPECT_EQ(c.LastError(), "Cannot initialize the toRGB conversion context");
  ASSERT_TRUE(c.LoadFramePicture(frame.picture, AV_PIX_FMT_BGRA, 4, 4, true));
  OwnedPicture out(AV_PIX_FMT_BGRA, 4, 4);
  EXPECT_FALSE(c.StorePicture(out.picture, AV_PIX_FMT_NB, 4, 4));
  EXPECT_EQ(c.LastError(), "Cannot initialize the fromRGB conversion context");
}

TEST_F(FormatConverterTest, RoundTripThroughYuvKeepsColours) {
  const int w = 64, h = 48;
  OwnedPicture original = MakeBgra(w, h);
  TFormatConverter toYuv;
  toYuv.SetBitsPerPixel(32);
  ASSERT_TRUE(toYuv.LoadFramePicture(original.picture, AV_PIX_FMT_BGRA, w, h, true));
  OwnedPicture yuv(AV_PIX_FMT_YUV420P, w, h);
  ASSERT_TRUE(toYuv.StorePicture(yuv.picture, AV_PIX_FMT_YUV420P, w, h)) << toYuv.LastError();

  TFormatConverter back;
  back.SetBitsPerPixel(32);
  ASSERT_TRUE(back.LoadFramePicture(yuv.picture, AV_PIX_FMT_YUV420P, w, h, true)) << back.LastError();
  for (int y = 2; y < h - 2; y += 5)
    for (int x = 2; x < w - 2; x += 7) {
      const uint8_t* s = original.picture.data[0] + y * original.picture.linesize[0] + x * 4;
      EXPECT_LE(ChannelDistance(BitmapPixel32(back.Bitmap(), x, y), s[0] | s[1] << 8 | s[2] << 16), 12)
          << x << "," << y;
    }

  // Storing at another size scales instead of reading past the picture.
  OwnedPicture larger(AV_PIX_FMT_YUV420P, 2 * w, 2 * h);
  EXPECT_TRUE(toYuv.StorePicture(larger.picture, AV_PIX_FMT_YUV420P, 2 * w, 2 * h));
}

// The smaller depths must keep red red: the bitmap's own drawing code reads
// the pixels back into 32 bits.
TEST_F(FormatConverterTest, SmallDepthsKeepTheirColours) {
  OwnedPicture red(AV_PIX_FMT_BGRA, 8, 8);
  for (int i = 0; i < 64; ++i) {
    uint8_t* px = red.picture.data[0] + i * 4;
    px[0] = 0, px[1] = 0, px[2] = 255, px[3] = 0;
  }
  OwnedPicture green(AV_PIX_FMT_BGRA, 8, 8);
  for (int i = 0; i < 64; ++i) {
    uint8_t* px = green.picture.data[0] + i * 4;
    px[0] = 0, px[1] = 255, px[2] = 0, px[3] = 0;
  }
  for (int bits : {8, 15, 16, 24}) {
    for (auto [picture, expected] : {std::pair{&red, gfx::Color(0xFF0000)}, std::pair{&green, gfx::Color(0x00FF00)}}) {
      TFormatConverter c;
      c.SetBitsPerPixel(bits);
      ASSERT_TRUE(c.LoadFramePicture(picture->picture, AV_PIX_FMT_BGRA, 8, 8, true)) << c.LastError();
      gfx::Bitmap seen(8, 8, gfx::PixelFormat::pf32bit);
      seen.GetCanvas().CopyRect(0, 0, 8, 8, c.Bitmap(), 0, 0);
      EXPECT_LE(ChannelDistance(BitmapPixel32(seen, 4, 4), expected), 8) << bits << " bits";
    }
  }
}

TEST_F(FormatConverterTest, BufferAndScalerAreReused) {
  TFormatConverter c;
  c.SetBitsPerPixel(24);
  OwnedPicture big = MakeBgra(64, 48);
  OwnedPicture small = MakeBgra(32, 24);
  ASSERT_TRUE(c.LoadFramePicture(big.picture, AV_PIX_FMT_BGRA, 64, 48, true));
  const uint8_t* buffer = c.CurrentPicture().data[0];
  ASSERT_TRUE(c.LoadFramePicture(small.picture, AV_PIX_FMT_BGRA, 32, 24, true));
  EXPECT_EQ(c.CurrentPicture().data[0], buffer);  // a smaller frame fits the same buffer
  EXPECT_EQ(c.CurrentPicture().linesize[0], 32 * 3);
  ASSERT_TRUE(c.LoadFramePicture(big.picture, AV_PIX_FMT_BGRA, 64, 48, true));
  EXPECT_EQ(c.CurrentPicture().data[0], buffer);
}

}  // namespace
