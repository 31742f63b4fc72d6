// Deinterlacing: combed pictures of a moving scene come out smooth.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "sound_files.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 32, kHeight = 16, kFrames = 5;

// Even lines stay dark; the odd lines flash bright on every other frame,
// so frames 1 and 3 are combed as an interlaced camera would leave them.
std::string WriteCombed(const fs::path& path) {
  std::ofstream f(path, std::ios::binary);
  for (int n = 0; n < kFrames; ++n)
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) f.put(char(y % 2 && n % 2 ? 220 : 20));
  return path.string();
}

// Decoded grey pictures of the file's first stream.
std::vector<std::vector<uint8_t>> DecodePictures(const std::string& path) {
  std::vector<std::vector<uint8_t>> pictures;
  DecodeFirstStream(path, [&](const AVFrame& frame) {
    std::vector<uint8_t> picture;
    for (int y = 0; y < frame.height; ++y)
      picture.insert(picture.end(), frame.data[0] + y * frame.linesize[0],
                     frame.data[0] + y * frame.linesize[0] + frame.width);
    pictures.push_back(std::move(picture));
  });
  return pictures;
}

// The largest step between neighbouring lines in any picture.
int WorstComb(const std::vector<std::vector<uint8_t>>& pictures) {
  int worst = 0;
  for (const auto& p : pictures)
    for (int y = 0; y + 1 < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        worst = std::max(worst, std::abs(p[y * kWidth + x] - p[(y + 1) * kWidth + x]));
  return worst;
}

using DeinterlaceTest = EngineTest;

TEST_F(DeinterlaceTest, CombedPicturesAreSmoothedAndNoneIsLost) {
  const fs::path dir = SoundScratch("deinterlace");
  const std::string raw = WriteCombed(dir / "combed.gray");
  for (const bool deinterlace : {false, true}) {
    SCOPED_TRACE(deinterlace);
    const std::string out = (dir / (deinterlace ? "smooth.nut" : "combed.nut")).string();
    engine::TTranscoder engine;
    engine.ParseOptions("-f rawvideo -pix_fmt gray -s 32x16 -r 25");
    ASSERT_EQ(engine.OpenInput(raw), 0) << engine.LastErrorText();
    engine.ParseOptions(std::string("-c:v rawvideo -pix_fmt gray") +
                        (deinterlace ? " -deinterlace" : ""));
    ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
    engine.Run();
    ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
    const auto pictures = DecodePictures(out);
    // The deinterlacer holds one picture back; the drain must bring it out.
    ASSERT_EQ(pictures.size(), size_t(kFrames));
    if (deinterlace) EXPECT_LT(WorstComb(pictures), 30);
    else EXPECT_EQ(WorstComb(pictures), 200);
  }
}

}  // namespace
}  // namespace engine_test
