// Files whose headers claim far more than their data holds, and a picture
// above the pixel budget: each must cost little memory. Each case runs in a
// child process whose peak resident memory is measured around the decode.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "bmp_writer.h"
#include "gfx/picture_file.h"
#include "jpeg_writer.h"
#include "png_writer.h"

namespace {

using bmptest::WriteFile;

constexpr long kAllowedGrowthKib = 20 * 1024;

// Resident memory in KiB from /proc/self/status ("VmRSS" or "VmHWM").
long StatusKib(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field) + 1));
  }
  return -1;
}

struct Outcome {
  long growth_kib = -1;  // peak resident memory above the level before decoding
  bool decoded = false;
  int width = 0, height = 0;
  char error[512] = "";
};

Outcome DecodeInChild(const std::string& path, const gfx::DecodeOptions& options) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    Outcome o;
    // Restart the peak from the present level, so the parent's history does not count.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = StatusKib("VmRSS:");
    gfx::Bitmap bm;
    try {
      gfx::DecodePicture(path, bm, options);
      o.decoded = true;
      o.width = bm.Width();
      o.height = bm.Height();
    } catch (const std::exception& e) {
      std::snprintf(o.error, sizeof o.error, "%s", e.what());
    }
    o.growth_kib = StatusKib("VmHWM:") - before;
    (void)!write(fds[1], &o, sizeof o);
    _exit(0);
  }
  close(fds[1]);
  Outcome o;
  const bool complete = read(fds[0], &o, sizeof o) == ssize_t(sizeof o);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(complete && WIFEXITED(status)) << "the child died decoding " << path;
  return o;
}

gfx::DecodeOptions ForFrame(int w, int h) {
  gfx::DecodeOptions o;
  o.FrameWidth = w;
  o.FrameHeight = h;
  return o;
}

// A small valid JPEG whose frame header is then made to claim w x h.
std::vector<uint8_t> JpegClaiming(std::vector<uint8_t> jpeg, int w, int h) {
  for (size_t p = 2; p + 9 < jpeg.size(); ++p) {
    if (jpeg[p] == 0xFF && (jpeg[p + 1] == 0xC0 || jpeg[p + 1] == 0xC2)) {
      jpeg[p + 5] = uint8_t(h >> 8);
      jpeg[p + 6] = uint8_t(h);
      jpeg[p + 7] = uint8_t(w >> 8);
      jpeg[p + 8] = uint8_t(w);
      return jpeg;
    }
  }
  ADD_FAILURE() << "no frame header";
  return jpeg;
}

void ExpectRefusedCheaply(const std::string& name, const std::vector<uint8_t>& bytes,
                          const std::string& reason) {
  const std::string path = WriteFile(name, bytes);
  const Outcome o = DecodeInChild(path, ForFrame(1280, 960));
  EXPECT_FALSE(o.decoded) << name;
  EXPECT_EQ(std::string(o.error).rfind("Cannot read picture \"" + path + "\": " + reason, 0), 0u)
      << o.error;
  EXPECT_GE(o.growth_kib, 0);
  EXPECT_LT(o.growth_kib, kAllowedGrowthKib) << name;
}

TEST(PictureMemory, HeadersClaimingMoreThanTheirDataAreRefusedCheaply) {
  // RLE8: a kilobyte of runs claiming 16384 x 16384.
  bmptest::Bmp rle;
  rle.bits = 8;
  rle.compression = 1;
  rle.width = rle.height = 16384;
  rle.palette = {0, 0xFFFFFF};
  for (int i = 0; i < 500; ++i) rle.pixels.insert(rle.pixels.end(), {255, 1});
  rle.pixels.insert(rle.pixels.end(), {0, 1});
  ExpectRefusedCheaply("mem_rle8.bmp", bmptest::Build(rle), "RLE data of 1002 bytes cannot hold");

  // CMYK and progressive JPEG files of a few hundred bytes claiming ~16384 x 16384.
  jpegtest::LibjpegFile cmyk;
  cmyk.components = 4;
  const auto small_cmyk = jpegtest::CompressLibjpeg(std::vector<uint8_t>(8 * 8 * 4, 30), 8, 8, cmyk);
  ExpectRefusedCheaply("mem_cmyk.jpg", JpegClaiming(small_cmyk, 16383, 16384), "scan data of");
  const auto small_progressive = jpegtest::Compress(std::vector<uint8_t>(16 * 16 * 3, 99), 16, 16, TJPF_RGB,
                                                    TJSAMP_420, TJFLAG_PROGRESSIVE);
  ExpectRefusedCheaply("mem_progressive.jpg", JpegClaiming(small_progressive, 16000, 16000),
                       "scan data of");

  // PNG: a 12288 x 12288 header over a few bytes of deflate data.
  pngtest::Png png{8, 8, 8, PNG_COLOR_TYPE_RGB};
  png.rows.assign(8, std::vector<uint8_t>(24, 7));
  auto claim = pngtest::Encode(png);
  const uint8_t size[8] = {0, 0, 0x30, 0, 0, 0, 0x30, 0};
  std::copy(size, size + 8, claim.begin() + 16);
  const uint32_t crc = uint32_t(crc32(0, claim.data() + 12, 17));
  for (int i = 0; i < 4; ++i) claim[29 + i] = uint8_t(crc >> (24 - 8 * i));
  ExpectRefusedCheaply("mem_claim.png", claim, "compressed data of");
}

TEST(PictureMemory, JpegAboveTheBudgetIsDecodedOnlyAsLargeAsTheFrameNeeds) {
  // 8200 x 8200 grey (just above 64 Mi pixels): 200 MB if decoded whole.
  constexpr int kSide = 8200;
  static_assert(int64_t(kSide) * kSide > gfx::kPictureBudgetPixels);
  std::string path;
  {
    std::vector<uint8_t> grey(size_t(kSide) * kSide);
    for (int y = 0; y < kSide; ++y) std::memset(&grey[size_t(y) * kSide], y * 255 / kSide, kSide);
    path = WriteFile("mem_large.jpg", jpegtest::Compress(grey, kSide, kSide, TJPF_GRAY, TJSAMP_GRAY, 0, 50));
  }
  const Outcome small = DecodeInChild(path, ForFrame(320, 240));
  ASSERT_TRUE(small.decoded) << small.error;
  EXPECT_EQ(small.width, kSide / 8);  // 1025 still covers the 240 x 240 fit
  EXPECT_LT(small.growth_kib, kAllowedGrowthKib);

  const Outcome large = DecodeInChild(path, ForFrame(1280, 960));
  ASSERT_TRUE(large.decoded) << large.error;
  EXPECT_EQ(large.width, kSide / 8);  // 1025 covers the 960 x 960 fit too

  // A 1600 x 1600 frame: 1/8 (1025) falls short, 1/4 (2050) covers it.
  const Outcome square = DecodeInChild(path, ForFrame(1600, 1600));
  ASSERT_TRUE(square.decoded) << square.error;
  EXPECT_EQ(square.width, 2050);
}

}  // namespace
