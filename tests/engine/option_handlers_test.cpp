// Handler rows: aliases, renames, time notations, unsupported options,
// hooks. Each case parses one string and checks where the value went.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/custom_ffmpeg.h"
#include "engine_fixture.h"
#include "media/picture/format_converter.h"

namespace engine_test {
namespace {

using engine::FFmpegException;
using engine::FileOptions;
using engine::TCustomFFmpeg;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Records what reaches the plug-in list instead of loading plug-ins.
class HookProbe : public TCustomFFmpeg {
 public:
  int AddVideoHook(std::span<const std::string> words) override {
    hooks.emplace_back(words.begin(), words.end());
    return result;
  }
  std::vector<std::vector<std::string>> hooks;
  int result = 0;
};

using OptionHandlers = EngineTest;

std::string Specs(const engine::SpecList<std::string>& list) {
  std::string out;
  for (const auto& v : list) out += "[" + v.specifier + "=" + v.value + "]";
  return out;
}

template <class T>
std::string Specs(const engine::SpecList<T>& list) {
  std::string out;
  for (const auto& v : list) out += "[" + v.specifier + "=" + std::to_string(v.value) + "]";
  return out;
}

TEST_F(OptionHandlers, AliasesAndRenamesReachTheirTypedRows) {
  struct Case {
    const char* text;
    std::function<std::string(const TCustomFFmpeg&)> got;
    const char* expected;
  };
  const Case cases[] = {
      {"-vcodec libx264 -acodec copy -scodec mov_text -dcodec copy",
       [](auto& e) { return Specs(e.FileOpts().codec_names); },
       "[v=libx264][a=copy][s=mov_text][d=copy]"},
      {"-vcodec h264 -acodec mp3 -scodec srt -dcodec bin",
       [](auto& e) {
         const auto& s = e.Settings();
         return s.video_codec_name + "," + s.audio_codec_name + "," + s.subtitle_codec_name;
       },
       "h264,mp3,srt"},
      {"-vframes 10 -aframes 20 -dframes 5", [](auto& e) { return Specs(e.FileOpts().max_frames); },
       "[v=10][a=20][d=5]"},
      {"-qscale 3 -qscale:a 4 -aq 2", [](auto& e) { return Specs(e.FileOpts().qscale); },
       "[v=3.000000][a=4.000000][a=2.000000]"},
      {"-vf scale=160:120", [](auto& e) { return Specs(e.FileOpts().filters); },
       "[v=scale=160:120]"},
      {"-vtag xvid -atag mp3 -stag tx3g", [](auto& e) { return Specs(e.FileOpts().codec_tags); },
       "[v=xvid][a=mp3][s=tx3g]"},
      {"-absf aac_adtstoasc -vbsf h264_mp4toannexb",
       [](auto& e) { return Specs(e.FileOpts().bitstream_filters); },
       "[a=aac_adtstoasc][v=h264_mp4toannexb]"},
      {"-TimeStart 1.5 -TimeLength 0.25",
       [](auto& e) {
         return std::to_string(e.FileOpts().start_time) + "," +
                std::to_string(e.FileOpts().recording_time);
       },
       "1500000,250000"},
      // Halves go to the even neighbour: 2.5 µs -> 2, 1.5 µs -> 2.
      {"-timestart 0.0000025 -timelength 0.0000015",
       [](auto& e) {
         return std::to_string(e.FileOpts().start_time) + "," +
                std::to_string(e.FileOpts().recording_time);
       },
       "2,2"},
      {"-timestamp 20200102T030405Z", [](auto& e) { return Specs(e.FileOpts().metadata); },
       "[=creation_time=2020-01-02 03:04:05]"},
      {"-vsync cfr", [](auto& e) { return std::to_string(e.Settings().video_sync_method); }, "1"},
      {"-vsync VFR -vsync 0", [](auto& e) { return std::to_string(e.Settings().video_sync_method); },
       "0"},
      {"-pass 2 -passlogfile stats",
       [](auto& e) { return std::to_string(e.Settings().do_pass) + e.Settings().pass_log_filename; },
       "2stats"},
      {"-vstats_file v.log", [](auto& e) { return e.Settings().vstats_filename; }, "v.log"},
      {"-h -? -help --help -version -formats -L -Join -AudioHook -FrameOutputHook",
       [](auto& e) { return std::string("ok"); }, "ok"},
  };
  for (const Case& c : cases) {
    TCustomFFmpeg e;
    ASSERT_NO_THROW(e.ParseOptions(c.text)) << c.text;
    EXPECT_EQ(c.got(e), c.expected) << c.text;
  }
}

TEST_F(OptionHandlers, AmbiguousAndDeprecatedNamesWarn) {
  TCustomFFmpeg e;
  e.ParseOptions("-qscale 3 -h -vstats");
  EXPECT_TRUE(WasLogged(media::llWarning, "Please use -q:a or -q:v, -qscale is ambiguous"));
  EXPECT_TRUE(WasLogged(media::llWarning, "options \"h\" not supported, ignore"));
  EXPECT_THAT(e.Settings().vstats_filename, ::testing::MatchesRegex("vstats_[0-9]{6}\\.log"));

  e.SetOptionErrorsFatal(false);
  e.ParseOptions("-vc 1 -tvstd pal");
  EXPECT_TRUE(WasLogged(media::llWarning, "This option is deprecated, use -channel."));
  EXPECT_TRUE(WasLogged(media::llWarning, "This option is deprecated, use -standard."));
  // Passed on under the new names only.
  EXPECT_EQ(DictValue(e.FormatOptions(), "vc"), "<none>");
  EXPECT_EQ(DictValue(e.CodecOptions(), "tvstd"), "<none>");
}

TEST_F(OptionHandlers, OptionsThatWouldChangeTheResultFail) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"-i in.avi", "options \"i\" not supported\nFailed to set value \"in.avi\" for option \"i\""},
      {"-pre slow", "options \"pre\" not supported\nFailed to set value \"slow\" for option \"pre\""},
      {"-report", "options \"report\" not supported\nFailed to set value \"\" for option \"report\""},
      {"-benchmark", "options \"benchmark\" not supported\nFailed to set value \"\" for option \"benchmark\""},
      {"-timelimit 5", "options \"timelimit\" not supported\nFailed to set value \"5\" for option \"timelimit\""},
      {"-target vcd", "options \"target\" not supported\nFailed to set value \"vcd\" for option \"target\""},
      {"-croptop 8", "Option \"croptop\" has been removed, use the crop filter instead\n"
                     "Failed to set value \"8\" for option \"croptop\""},
      {"-padcolor 000000", "Option \"padcolor\" has been removed, use the pad filter instead\n"
                           "Failed to set value \"000000\" for option \"padcolor\""},
      {"-pass 3", "Invalid pass number \"3\", use 1 or 2\nFailed to set value \"3\" for option \"pass\""},
      {"-vsync often", "Expected integer for vsync but found often\n"
                       "Failed to set value \"often\" for option \"vsync\""},
      {"-TimeStart 1,5", "Expected double for TimeStart but found 1,5\n"
                         "Failed to set value \"1,5\" for option \"TimeStart\""},
      {"-TimeLength 1e300", "Invalid duration specification for TimeLength: 1e300\n"
                            "Failed to set value \"1e300\" for option \"TimeLength\""},
      {"-timestamp yesterday", "Invalid date specification for timestamp: yesterday\n"
                               "Failed to set value \"yesterday\" for option \"timestamp\""},
      {"-max_alloc -1", "Invalid max_alloc \"-1\": a size cannot be negative\n"
                        "Failed to set value \"-1\" for option \"max_alloc\""},
  };
  for (const Case& c : cases) {
    TCustomFFmpeg e;
    try {
      e.ParseOptions(c.text);
      ADD_FAILURE() << "no exception for " << c.text;
    } catch (const FFmpegException& x) {
      EXPECT_EQ(std::string(x.what()), c.message) << c.text;
    }
  }
  EXPECT_TRUE(WasLogged(media::llError, "options \"i\" not supported"));
}

TEST_F(OptionHandlers, TimeInTheUsersNotation) {
  TCustomFFmpeg e;
  e.SetDecimalSeparator(',');
  e.ParseOptions("-TimeStart 2,5");
  EXPECT_EQ(e.FileOpts().start_time, 2500000);
  e.SetOptionErrorsFatal(false);
  EXPECT_EQ(e.ParseOptions("-TimeStart 2.5"), AVERROR(EINVAL));
  EXPECT_TRUE(WasLogged(media::llError, "Expected double for TimeStart but found 2.5"));
  EXPECT_EQ(e.FileOpts().start_time, 2500000);
}

TEST_F(OptionHandlers, VideoHookSplitsModuleAndArguments) {
  HookProbe e;
  e.ParseOptions("-vhook \"rotate.so  -a 90 \"");
  e.ParseOptions("-vhook \"my dir/pip.so|left top|0\"");
  ASSERT_EQ(e.hooks.size(), 2u);
  EXPECT_THAT(e.hooks[0], ElementsAre("rotate.so", "-a", "90"));
  EXPECT_THAT(e.hooks[1], ElementsAre("my dir/pip.so", "left top", "0"));
  EXPECT_TRUE(e.FrameHooksEnabled());

  std::string many = "m.so";
  for (int i = 0; i < 70; ++i) many += " " + std::to_string(i);
  e.ParseOptions("-vhook \"" + many + "\"");
  ASSERT_EQ(e.hooks.back().size(), 63u);
  EXPECT_EQ(e.hooks.back().back(), "61");
}

TEST_F(OptionHandlers, VideoHookFailureNamesTheArgument) {
  HookProbe probe;
  probe.result = -1;
  TCustomFFmpeg plain;  // no plug-in list yet: every hand-off fails
  for (TCustomFFmpeg* e : {static_cast<TCustomFFmpeg*>(&probe), &plain}) {
    try {
      e->ParseOptions("-vhook \"bad.so x\"");
      ADD_FAILURE() << "no exception";
    } catch (const FFmpegException& x) {
      EXPECT_THAT(x.what(), HasSubstr("Failed to add video hook function: bad.so x"));
    }
    EXPECT_FALSE(e->FrameHooksEnabled());
  }
}

TEST_F(OptionHandlers, HookBitsPerPixelAcceptsBitmapDepthsOnly) {
  TCustomFFmpeg e;
  EXPECT_EQ(e.HookBitsPerPixel(), 24);
  for (int bits : {8, 15, 16, 32}) {
    e.ParseOptions("-VideoHookBitsPixel " + std::to_string(bits));
    EXPECT_EQ(e.HookBitsPerPixel(), bits);
  }
  e.SetOptionErrorsFatal(false);
  EXPECT_EQ(e.ParseOptions("-VideoHookBitsPixel 12"), AVERROR(EINVAL));
  EXPECT_TRUE(WasLogged(media::llError, "Invalid BitsPixel 12"));
  EXPECT_EQ(e.ParseOptions("-VideoHookBitsPixel deep"), AVERROR(EINVAL));
  EXPECT_TRUE(WasLogged(media::llError, "Expected integer for VideoHookBitsPixel but found deep"));
  EXPECT_EQ(e.HookBitsPerPixel(), 32);
  EXPECT_EQ(e.InputHookConverter().StoredBitsPerPixel(), 32);
  EXPECT_EQ(e.OutputConverter().MediaPixelFormat(), AV_PIX_FMT_BGRA);
  e.ParseOptions("-VideoHookBitsPixel 15");
  media::TFormatConverter fifteen;
  fifteen.SetBitsPerPixel(15);
  EXPECT_EQ(e.InputHookConverter().MediaPixelFormat(), fifteen.MediaPixelFormat());
  EXPECT_EQ(e.OutputConverter().MediaPixelFormat(), fifteen.MediaPixelFormat());
}

}  // namespace
}  // namespace engine_test
