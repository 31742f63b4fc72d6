// Two-pass encoding: the first pass leaves its statistics in the log file
// the second pass reads.
#include <filesystem>
#include <fstream>

#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "sound_files.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;

using TwoPassTest = EngineTest;

// 25 grey 64x48 frames with a moving bar, as raw video.
std::string WriteRawVideo(const fs::path& path) {
  std::ofstream f(path, std::ios::binary);
  for (int n = 0; n < 25; ++n)
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) f.put(char(std::abs(x - 2 * n) < 4 ? 230 : 40 + y));
  return path.string();
}

struct PassResult {
  bool error = false;
  std::string message;
};

PassResult RunPass(const fs::path& dir, int pass, const std::string& prefix,
                   const std::string& codec = "mpeg4") {
  const std::string raw = WriteRawVideo(dir / "bar.gray");
  engine::TTranscoder engine;
  engine.ParseOptions("-f rawvideo -pix_fmt gray -s 64x48 -r 25");
  EXPECT_EQ(engine.OpenInput(raw), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:v " + codec + " -b:v 100k -pass " + std::to_string(pass) + " -passlogfile \"" +
                      prefix + "\"");
  EXPECT_EQ(engine.OpenOutput((dir / (codec + std::to_string(pass) + ".avi")).string()), 0)
      << engine.LastErrorText();
  engine.Run();
  return {engine.ErrorOccurred(), engine.ErrorMessage()};
}

TEST_F(TwoPassTest, SecondPassReadsWhatTheFirstWrote) {
  // libx264 writes its statistics itself; it must use the same file.
  for (const std::string codec : {"mpeg4", "libx264"}) {
    SCOPED_TRACE(codec);
    const fs::path dir = SoundScratch("two_pass");
    const std::string prefix = (dir / codec).string();
    const fs::path log = dir / (codec + "-0.log");
    fs::remove(log);
    const PassResult first = RunPass(dir, 1, prefix, codec);
    ASSERT_FALSE(first.error) << first.message;
    ASSERT_TRUE(fs::exists(log));
    // At least one line of statistics per coded picture.
    std::ifstream in(log);
    int lines = 0;
    for (std::string line; std::getline(in, line);) lines += !line.empty();
    EXPECT_GE(lines, 25);

    const PassResult second = RunPass(dir, 2, prefix, codec);
    EXPECT_FALSE(second.error) << second.message;
    EXPECT_GT(fs::file_size(dir / (codec + "2.avi")), 0u);
  }
}

TEST_F(TwoPassTest, SecondPassWithoutStatisticsFailsNamingTheFile) {
  const fs::path dir = SoundScratch("two_pass_missing");
  const std::string prefix = (dir / "absent").string();
  fs::remove(dir / "absent-0.log");
  for (const std::string codec : {"mpeg4", "libx264"}) {
    const PassResult second = RunPass(dir, 2, prefix, codec);
    EXPECT_TRUE(second.error);
    EXPECT_EQ(second.message,
              "Error reading log file \"" + prefix + "-0.log\" for pass-2 encoding");
  }
}

}  // namespace
}  // namespace engine_test
