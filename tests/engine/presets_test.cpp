// Preset texts and preset files.
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/custom_ffmpeg.h"
#include "engine_fixture.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;
using engine::FFmpegException;
using engine::TCustomFFmpeg;
using ::testing::HasSubstr;

class Presets : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    const char* tmp = std::getenv("LS_TEST_TMP");
    dir_ = fs::path(tmp ? tmp : fs::temp_directory_path().string()) /
           ("engine-presets-" + std::to_string(getpid()));  // test processes run in parallel
    fs::create_directories(dir_);
  }
  fs::path Write(const std::string& name, const std::string& content) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  fs::path dir_;
};

std::string RaisedBy(TCustomFFmpeg& e, const std::string& preset) {
  e.SetOptionErrorsFatal(true);
  try {
    e.ParsePresets(preset);
  } catch (const FFmpegException& x) {
    return x.what();
  }
  return "<no exception>";
}

TEST_F(Presets, LinesWithCommentsBlanksAndCrlfMarkers) {
  TCustomFFmpeg e;
  const std::string text =
      "  # x264 settings\r\n"
      "\r\n"
      "crf = 20<CRLF>preset=veryfast\n"
      "   \t\n"
      "VCodec=libx264\r"
      "acodec=libmp3lame\n"
      "probesize=4096\n";
  EXPECT_EQ(e.ParsePresets(text), 0);
  EXPECT_EQ(DictValue(e.CodecOptions(), "crf"), "20");
  EXPECT_EQ(DictValue(e.CodecOptions(), "preset"), "veryfast");
  EXPECT_EQ(DictValue(e.FormatOptions(), "probesize"), "4096");
  ASSERT_EQ(e.FileOpts().codec_names.size(), 2u);
  EXPECT_EQ(e.FileOpts().codec_names[0].value, "libx264");
  EXPECT_EQ(e.Settings().audio_codec_name, "libmp3lame");
  EXPECT_TRUE(WasLogged(media::llInfo, "ParsePresets: " + text));
  EXPECT_EQ(e.ParsePresets("  \r\n "), 0);
}

TEST_F(Presets, BadLinesWithErrorsFatal) {
  TCustomFFmpeg e;
  EXPECT_EQ(RaisedBy(e, "crf=20\nnot a pair\npreset=fast"), "Invalid syntax: \"not a pair\"");
  EXPECT_EQ(DictValue(e.CodecOptions(), "crf"), "20");
  EXPECT_EQ(DictValue(e.CodecOptions(), "preset"), "<none>");
  EXPECT_EQ(RaisedBy(e, "=20"), "Invalid syntax: \"=20\"");
  EXPECT_EQ(RaisedBy(e, "crf ="), "Invalid syntax: \"crf =\"");
  EXPECT_EQ(RaisedBy(e, "nosuchoption = 1"),
            "Invalid option or argument: \"nosuchoption = 1\", parsed as \"nosuchoption\" = \"1\"");
  EXPECT_EQ(e.LastErrorText(), "Invalid option or argument: \"nosuchoption = 1\", parsed as \"nosuchoption\" = \"1\"");
  EXPECT_TRUE(WasLogged(media::llError, "Invalid syntax: \"=20\""));
}

TEST_F(Presets, BadLinesWithErrorsNotFatalAreCollected) {
  TCustomFFmpeg e;
  e.SetOptionErrorsFatal(false);
  EXPECT_LT(e.ParsePresets("junk\ncrf=18\nbogus=1\npreset=slow"), 0);
  EXPECT_EQ(e.LastErrorText(),
            "Invalid syntax: \"junk\"\n"
            "Invalid option or argument: \"bogus=1\", parsed as \"bogus\" = \"1\"");
  EXPECT_EQ(DictValue(e.CodecOptions(), "crf"), "18");
  EXPECT_EQ(DictValue(e.CodecOptions(), "preset"), "slow");
}

TEST_F(Presets, PresetFilesNamedByOptions) {
  const fs::path good = Write("good.ffpreset", "# test\ncoder=1\nme_range=16\n");
  const fs::path bad = Write("bad.ffpreset", "coder=1\nbroken\n");
  TCustomFFmpeg e;
  e.ParseOptions("-fpre \"" + good.string() + "\"");
  EXPECT_EQ(DictValue(e.CodecOptions(), "coder"), "1");
  EXPECT_EQ(DictValue(e.CodecOptions(), "me_range"), "16");

  // A preset name is looked up as <name>.ffpreset in the preset folders.
  setenv("FFMPEG_DATADIR", dir_.c_str(), 1);
  TCustomFFmpeg named;
  named.ParseOptions("-vpre good");
  EXPECT_EQ(DictValue(named.CodecOptions(), "me_range"), "16");
  unsetenv("FFMPEG_DATADIR");

  try {
    e.ParseOptions("-fpre \"" + bad.string() + "\"");
    ADD_FAILURE() << "no exception";
  } catch (const FFmpegException& x) {
    EXPECT_EQ(std::string(x.what()), bad.string() + ": Invalid syntax: \"broken\"\nFailed to set value \"" +
                                         bad.string() + "\" for option \"fpre\"");
  }
  try {
    e.ParseOptions("-apre no-such-preset");
    ADD_FAILURE() << "no exception";
  } catch (const FFmpegException& x) {
    EXPECT_THAT(x.what(), HasSubstr("Preset file \"no-such-preset\" not found"));
  }
  const fs::path huge = Write("huge.ffpreset", std::string(2 << 20, '#'));
  e.SetOptionErrorsFatal(false);
  EXPECT_LT(e.ParseOptions("-fpre \"" + huge.string() + "\""), 0);
  EXPECT_THAT(e.LastErrorText(), HasSubstr("is not a preset (too large)"));
  EXPECT_LT(e.ParseOptions("-fpre \"" + dir_.string() + "\""), 0);
  EXPECT_THAT(e.LastErrorText(), HasSubstr("not found"));
}

}  // namespace
}  // namespace engine_test
