// Random option strings must never crash, hang, leak or throw anything but
// FFmpegException, whichever way errors are handled.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/custom_ffmpeg.h"
#include "engine/option_table.h"
#include "engine_fixture.h"

namespace engine_test {
namespace {

using engine::FFmpegException;
using engine::TCustomFFmpeg;

class OptionFuzz : public EngineTest {
 protected:
  std::string RandomToken(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {
        "", "0", "1", "-1", "30/1", "320x240", "bgra", "libx264", "canvas", "v", "a:0", "p:1:0",
        "\"", "\"\"", "\\", "\\\"", "\\\\\"", " ", "\t", ":", ",", "|", "=", "no", "x", "1e9",
        "99999999999999999999", "0.5", "Grüße", "<CRLF>", "crf", "b", "frameinput", "0:1",
        "2020-01-01", "now", "-", "--"};
    std::string token;
    const int parts = 1 + int(rng() % 3);
    for (int i = 0; i < parts; ++i) token += pieces[rng() % pieces.size()];
    return token;
  }

  std::string RandomOptionName(std::mt19937& rng) {
    std::string name;
    switch (rng() % 4) {
      case 0:
      case 1: {
        // A table row, never the process-wide allocation limit.
        std::string row;
        do row = engine::kOptionTable[rng() % engine::kOptionCount].name;
        while (row == "max_alloc");
        name = row;
        break;
      }
      case 2:
        name = "no" + std::string(engine::kOptionTable[rng() % engine::kOptionCount].name);
        break;
      default:
        name = RandomToken(rng);
    }
    if (rng() % 4 == 0) name += ":" + RandomToken(rng);
    return name;
  }

  std::string RandomText(std::mt19937& rng) {
    std::string text;
    const int words = int(rng() % 12);
    for (int i = 0; i < words; ++i) {
      if (rng() % 3 != 0) text += "-" + RandomOptionName(rng);
      else text += RandomToken(rng);
      text += rng() % 5 == 0 ? "\t" : " ";
    }
    return text;
  }
};

TEST_F(OptionFuzz, RandomStringsFailCleanly) {
  std::mt19937 rng(20261208);
  int raised = 0;
  int stored = 0;
  for (int round = 0; round < 1500; ++round) {
    TCustomFFmpeg e;
    for (const bool fatal : {true, false}) {
      const std::string text = RandomText(rng);
      e.SetOptionErrorsFatal(fatal);
      try {
        const int ret = e.ParseOptions(text);
        if (ret < 0) {
          ASSERT_FALSE(fatal) << text;
          ASSERT_FALSE(e.LastErrorText().empty()) << text;
          ++stored;
        }
      } catch (const FFmpegException& x) {
        ASSERT_TRUE(fatal) << text;
        ASSERT_EQ(e.LastErrorText(), x.what()) << text;
        ASSERT_FALSE(e.LastErrorText().empty()) << text;
        ++raised;
      }
      const std::string preset = RandomText(rng) + "\n" + RandomToken(rng) + "=" + RandomToken(rng);
      try {
        e.ParsePresets(preset);
      } catch (const FFmpegException& x) {
        ASSERT_TRUE(fatal) << preset;
        ASSERT_EQ(e.LastErrorText(), x.what());
      }
    }
    e.ResetFileOptions(round % 2 == 0);
  }
  // The generator must exercise both failure paths.
  EXPECT_GT(raised, 100);
  EXPECT_GT(stored, 100);
}

}  // namespace
}  // namespace engine_test
