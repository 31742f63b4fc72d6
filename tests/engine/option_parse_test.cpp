// The parse loop, lookup, storage by kind and failure handling.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "engine/custom_ffmpeg.h"
#include "engine_fixture.h"
#include "media/binding/ff_loader.h"

namespace engine {
template <class T>
void PrintTo(const StreamSpecValue<T>& v, std::ostream* os) {
  *os << "{\"" << v.specifier << "\", " << v.value << "}";
}
}  // namespace engine

namespace engine_test {
namespace {

using engine::FFmpegException;
using engine::SpecList;
using engine::TCustomFFmpeg;
using ::testing::HasSubstr;

template <class T>
SpecList<T> L(std::initializer_list<std::pair<const char*, T>> items) {
  SpecList<T> list;
  for (const auto& [spec, value] : items) list.push_back({spec, value});
  return list;
}


using OptionParse = EngineTest;

// Parses with errors not fatal; returns the result.
int ParseQuietly(TCustomFFmpeg& e, const std::string& text) {
  e.SetOptionErrorsFatal(false);
  return e.ParseOptions(text);
}

std::string FatalMessage(TCustomFFmpeg& e, const std::string& text) {
  e.SetOptionErrorsFatal(true);
  try {
    e.ParseOptions(text);
  } catch (const FFmpegException& x) {
    return x.what();
  }
  return "<no exception>";
}

TEST_F(OptionParse, TheFrameSourceStringFillsFileOptionsAndFormatDictionary) {
  TCustomFFmpeg e;
  const std::string text = "-f frameinput -re -input_type canvas -pix_fmt bgra -r 30/1 -s 320x240";
  EXPECT_EQ(e.ParseOptions(text), 0);
  const auto& fo = e.FileOpts();
  EXPECT_EQ(fo.format, "frameinput");
  EXPECT_EQ(fo.rate_emu, 1);
  EXPECT_EQ(fo.frame_pix_fmts, L<std::string>({{"", "bgra"}}));
  EXPECT_EQ(fo.frame_rates, L<std::string>({{"", "30/1"}}));
  EXPECT_EQ(fo.frame_sizes, L<std::string>({{"", "320x240"}}));
  EXPECT_EQ(DictValue(e.FormatOptions(), "input_type"), "canvas");
  EXPECT_EQ(DictCount(e.FormatOptions()), 1);
  EXPECT_EQ(DictCount(e.CodecOptions()), 0);
  EXPECT_TRUE(WasLogged(media::llInfo, "ParseOptions: " + text));
}

TEST_F(OptionParse, TheOutputStringGivesTypedCodecsAndSharedRateAndSize) {
  TCustomFFmpeg e;
  EXPECT_EQ(e.ParseOptions("-c:v libx264 -c:a libmp3lame -r 30/1 -s 320x240"), 0);
  const auto& fo = e.FileOpts();
  EXPECT_EQ(fo.codec_names, L<std::string>({{"v", "libx264"}, {"a", "libmp3lame"}}));
  EXPECT_EQ(fo.frame_rates, L<std::string>({{"", "30/1"}}));
  EXPECT_EQ(fo.frame_sizes, L<std::string>({{"", "320x240"}}));
  EXPECT_EQ(DictCount(e.FormatOptions()) + DictCount(e.CodecOptions()), 0);
}

TEST_F(OptionParse, EmptyTextDoesNothing) {
  TCustomFFmpeg e;
  EXPECT_EQ(e.ParseOptions(""), 0);
  EXPECT_TRUE(Logged().empty());
}

TEST_F(OptionParse, NoPrefixOnlyNegatesBooleanRows) {
  TCustomFFmpeg e;
  e.ParseOptions("-re -shortest");
  e.ParseOptions("-nore -noshortest");
  EXPECT_EQ(e.FileOpts().rate_emu, 0);
  EXPECT_EQ(e.Settings().shortest, 0);

  EXPECT_EQ(FatalMessage(e, "-nof avi"), "Unrecognized option \"nof\"");
  // "noise" could be a codec option, but "no" names never reach the catch-all.
  EXPECT_EQ(ParseQuietly(e, "-noise 1"), AVERROR(EINVAL));
  EXPECT_EQ(e.LastErrorText(), "Unrecognized option \"noise\"");
  EXPECT_EQ(DictCount(e.CodecOptions()) + DictCount(e.FormatOptions()), 0);
}

TEST_F(OptionParse, AmbiguousBitrateWarnsAndMeansVideo) {
  TCustomFFmpeg e;
  e.ParseOptions("-b 500k -b:a 128k");
  EXPECT_EQ(DictValue(e.CodecOptions(), "b:v"), "500k");
  EXPECT_EQ(DictValue(e.CodecOptions(), "b:a"), "128k");
  EXPECT_EQ(DictValue(e.CodecOptions(), "b"), "<none>");
  int warnings = 0;
  for (const LogLine& l : Logged())
    warnings += l.text == "Please use -b:a or -b:v, -b is ambiguous" && l.level == media::llWarning;
  EXPECT_EQ(warnings, 1);
}

TEST_F(OptionParse, RepeatedPerStreamOptionsKeepEveryOccurrence) {
  TCustomFFmpeg e;
  e.ParseOptions("-r 25 -r:v 30 -r 50");
  EXPECT_EQ(e.FileOpts().frame_rates, L<std::string>({{"", "25"}, {"v", "30"}, {"", "50"}}));
}

TEST_F(OptionParse, ValuesAreStoredByKind) {
  TCustomFFmpeg e;
  EXPECT_EQ(e.ParseOptions(
                "-ar 44100 -ac:a 2 -rmvol 1.5 -itsscale:0 2.5 -frames:v 100 -fs 1000 -ss 1.5 "
                "-t 00:00:02 -itsoffset -0.25 -muxdelay 0.1 -muxpreload 0.5 -map_chapters 1 -top 1 "
                "-copyinkf -force_fps:v -sn -an -vn -dn -y -n -vol 512 -async 1 -adrift_threshold 0.5 "
                "-copytb 0 -dts_delta_threshold 3 -vdt 4 -dc 9 -bits_per_raw_sample 10 -loop_output 2 "
                "-intra -sameq -isync -stats -xerror -copyts -dump -hex -qphist -psnr -deinterlace "
                "-tag:v xvid -sample_fmt s16 -force_key_frames 1,2 -aspect 4:3 -rc_override 1,2,3 "
                "-intra_matrix 1 -inter_matrix 2 -filter null -bsf h264_mp4toannexb "
                "-dump_attachment:t out.ttf -metadata title=x -q 3"),
            0);
  const auto& fo = e.FileOpts();
  const auto& s = e.Settings();
  EXPECT_EQ(fo.audio_sample_rate, L<int32_t>({{"", 44100}}));
  EXPECT_EQ(fo.audio_channels, L<int32_t>({{"a", 2}}));
  EXPECT_EQ(fo.rematrix_volume, L<float>({{"", 1.5f}}));
  EXPECT_EQ(fo.ts_scale, L<double>({{"0", 2.5}}));
  EXPECT_EQ(fo.max_frames, L<int64_t>({{"v", 100}}));
  EXPECT_EQ(fo.limit_filesize, 1000);
  EXPECT_EQ(fo.start_time, 1500000);
  EXPECT_EQ(fo.recording_time, 2000000);
  EXPECT_EQ(fo.input_ts_offset, -250000);
  EXPECT_FLOAT_EQ(fo.mux_max_delay, 0.1f);
  EXPECT_FLOAT_EQ(fo.mux_preload, 0.5f);
  EXPECT_EQ(fo.chapters_input_file, 1);
  EXPECT_EQ(fo.top_field_first, L<int32_t>({{"", 1}}));
  EXPECT_EQ(fo.copy_initial_nonkeyframes, L<int32_t>({{"", 1}}));
  EXPECT_EQ(fo.force_fps, L<int32_t>({{"v", 1}}));
  EXPECT_EQ(fo.subtitle_disable + fo.audio_disable + fo.video_disable + fo.data_disable, 4);
  EXPECT_EQ(fo.codec_tags, L<std::string>({{"v", "xvid"}}));
  EXPECT_EQ(fo.sample_fmts, L<std::string>({{"", "s16"}}));
  EXPECT_EQ(fo.forced_key_frames, L<std::string>({{"", "1,2"}}));
  EXPECT_EQ(fo.frame_aspect_ratios, L<std::string>({{"", "4:3"}}));
  EXPECT_EQ(fo.rc_overrides, L<std::string>({{"", "1,2,3"}}));
  EXPECT_EQ(fo.intra_matrices.size() + fo.inter_matrices.size() + fo.filters.size(), 3u);
  EXPECT_EQ(fo.bitstream_filters, L<std::string>({{"", "h264_mp4toannexb"}}));
  EXPECT_EQ(fo.dump_attachment, L<std::string>({{"t", "out.ttf"}}));
  EXPECT_EQ(fo.metadata, L<std::string>({{"", "title=x"}}));
  EXPECT_EQ(fo.qscale, L<double>({{"", 3.0}}));
  EXPECT_EQ(s.overwrite + s.no_overwrite, 2);
  EXPECT_EQ(s.audio_volume, 512);
  EXPECT_EQ(s.audio_sync_method, 1);
  EXPECT_FLOAT_EQ(s.audio_drift_threshold, 0.5f);
  EXPECT_EQ(s.copy_tb, 0);
  EXPECT_FLOAT_EQ(s.dts_delta_threshold, 3.0f);
  EXPECT_EQ(s.video_discard, 4);
  EXPECT_EQ(s.intra_dc_precision, 9);
  EXPECT_EQ(s.bits_per_raw_sample, 10);
  EXPECT_EQ(s.loop_output, 2);
  EXPECT_EQ(s.intra_only + s.same_quant + s.input_sync + s.print_stats + s.exit_on_error +
                s.copy_ts + s.dump_packets + s.dump_hex + s.qp_hist + s.do_psnr + s.do_deinterlace,
            11);
}

TEST_F(OptionParse, BadNumbersFailWithoutLeavingAnElement) {
  TCustomFFmpeg e;
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"-ar abc", "Expected integer for ar but found abc"},
      {"-ar 99999999999", "Expected integer for ar but found 99999999999"},
      {"-rmvol x", "Expected float for rmvol but found x"},
      {"-itsscale 1..2", "Expected double for itsscale but found 1..2"},
      {"-fs 1e3", "Expected int64 for fs but found 1e3"},
      {"-ss 1:xx", "Invalid duration specification for ss: 1:xx"},
  };
  for (const Case& c : cases) EXPECT_EQ(FatalMessage(e, c.text), c.message) << c.text;
  EXPECT_TRUE(e.FileOpts().audio_sample_rate.empty());
  EXPECT_TRUE(e.FileOpts().rematrix_volume.empty());
  EXPECT_TRUE(e.FileOpts().ts_scale.empty());
}

TEST_F(OptionParse, MissingArgumentAndStrayTokens) {
  TCustomFFmpeg e;
  EXPECT_EQ(FatalMessage(e, "-re -f"), "Missing argument for option \"f\"");
  EXPECT_EQ(FatalMessage(e, "-re stray -shortest"), "Failed to parse options on stray");
  EXPECT_EQ(FatalMessage(e, "- -re"), "Failed to parse options on -");
  EXPECT_EQ(FatalMessage(e, "\"\""), "Failed to parse options");
  EXPECT_EQ(e.LastErrorText(), "Failed to parse options");
  EXPECT_TRUE(WasLogged(media::llFatal, "Failed to parse options"));
}

TEST_F(OptionParse, WithErrorsNotFatalFailuresAreStoredAndParsingGoesOn) {
  TCustomFFmpeg e;
  const int ret = ParseQuietly(e, "-foo 1 stray -re -ar x -shortest -unknown_trailing");
  EXPECT_LT(ret, 0);
  EXPECT_EQ(e.FileOpts().rate_emu, 1);
  EXPECT_EQ(e.Settings().shortest, 1);
  EXPECT_TRUE(WasLogged(media::llError,
                        "Unrecognized option \"foo\"\nFailed to set value \"1\" for option \"foo\""));
  EXPECT_TRUE(WasLogged(media::llError, "Expected integer for ar but found x"));
  EXPECT_TRUE(WasLogged(media::llWarning, "Invalid option found while parsing options, ignore"));
  EXPECT_EQ(e.LastErrorText(), "Missing argument for option \"unknown_trailing\"");
}

TEST_F(OptionParse, FatalFailureRaisesLogsAndKeepsWhatWasFilled) {
  TCustomFFmpeg e;
  EXPECT_EQ(FatalMessage(e, "-re -foo 1 -shortest"),
            "Unrecognized option \"foo\"\nFailed to set value \"1\" for option \"foo\"");
  EXPECT_EQ(e.LastErrorText(),
            "Unrecognized option \"foo\"\nFailed to set value \"1\" for option \"foo\"");
  EXPECT_TRUE(WasLogged(media::llFatal, e.LastErrorText()));
  EXPECT_EQ(e.FileOpts().rate_emu, 1);
  EXPECT_EQ(e.Settings().shortest, 0);
}

TEST_F(OptionParse, CatchAllSortsNamesIntoCodecFormatAndScalerOptions) {
  TCustomFFmpeg e;
  EXPECT_EQ(e.ParseOptions("-flags:v +global_header -flags:v +ildct -crf 23 -preset fast "
                           "-probesize 5000 -video_size 640x480 -sws_flags neighbor"),
            0);
  EXPECT_EQ(DictValue(e.CodecOptions(), "flags:v"), "+global_header+ildct");
  EXPECT_EQ(DictValue(e.CodecOptions(), "crf"), "23");       // libx264's private option
  EXPECT_EQ(DictValue(e.CodecOptions(), "preset"), "fast");
  EXPECT_EQ(DictValue(e.FormatOptions(), "probesize"), "5000");
  EXPECT_EQ(DictValue(e.FormatOptions(), "video_size"), "640x480");  // a demuxer's option
  int64_t flags = 0;
  ASSERT_GE(ff::av_opt_get_int(e.ScalerOptions(), "sws_flags", 0, &flags), 0);
  EXPECT_EQ(flags, SWS_POINT);

  EXPECT_EQ(FatalMessage(e, "-sws_flags nonsense"), "Error setting option \"sws_flags\"\n"
                                                   "Failed to set value \"nonsense\" for option \"sws_flags\"");
  // "vb" is not an option, but "b" is: the media-type letter is dropped.
  e.ParseOptions("-ab 64k");
  EXPECT_EQ(DictValue(e.CodecOptions(), "ab"), "64k");
}

TEST_F(OptionParse, CatchAllSearchesTheNameBeforeItsSpecifierCutToABuffer) {
  TCustomFFmpeg e;
  const std::string long_spec(300, 'x');
  e.ParseOptions("-bufsize:" + long_spec + " 100k");
  EXPECT_EQ(DictValue(e.CodecOptions(), ("bufsize:" + long_spec).c_str()), "100k");

  const std::string long_name(200, 'n');
  EXPECT_THAT(FatalMessage(e, "-a" + long_name + ":v 1"),
              HasSubstr("Unrecognized option \"a" + long_name + ":v\""));
}

TEST_F(OptionParse, LogLevelIsAppliedBeforeEverythingElse) {
  TCustomFFmpeg e;
  ff::av_log_set_level(AV_LOG_INFO);
  // The failure comes first in the text, the level is in force all the same.
  EXPECT_THAT(FatalMessage(e, "-foo 1 -v error -loglevel warning"), HasSubstr("foo"));
  EXPECT_EQ(ff::av_log_get_level(), AV_LOG_WARNING);
  // "loglevel" wins over an earlier "v"; arguments that look like options are skipped.
  ParseQuietly(e, "-v quiet -metadata -loglevel -loglevel debug");
  EXPECT_EQ(ff::av_log_get_level(), AV_LOG_DEBUG);
}

TEST_F(OptionParse, LogLevelNamesNumbersAndErrors) {
  TCustomFFmpeg e;
  struct Case {
    const char* arg;
    int level;
  };
  const Case good[] = {{"quiet", -8}, {"panic", 0},    {"fatal", 8},     {"error", 16},
                       {"warning", 24}, {"info", 32},  {"verbose", 40},  {"debug", 48},
                       {"\" 20\"", 20}, {"-3", -3},    {"+7", 7},        {"\"\"", 0}};
  for (const Case& c : good) {
    EXPECT_EQ(e.ParseOptions(std::string("-loglevel ") + c.arg), 0) << c.arg;
    EXPECT_EQ(ff::av_log_get_level(), c.level) << c.arg;
  }
  const std::string invalid =
      "Invalid loglevel \"Debug\". Possible levels are numbers or:\n\"quiet\"\n\"panic\"\n"
      "\"fatal\"\n\"error\"\n\"warning\"\n\"info\"\n\"verbose\"\n\"debug\"\n";
  EXPECT_EQ(FatalMessage(e, "-v Debug"),
            invalid + "\nFailed to set value \"Debug\" for option \"v\"");
  EXPECT_TRUE(WasLogged(media::llError, invalid));
  EXPECT_THAT(FatalMessage(e, "-v 12abc"), HasSubstr("Invalid loglevel \"12abc\""));
  EXPECT_THAT(FatalMessage(e, "-v 99999999999999"), HasSubstr("Invalid loglevel"));
}

TEST_F(OptionParse, SingleOptionEntryPointReportsArgumentsConsumed) {
  TCustomFFmpeg e;
  EXPECT_EQ(e.ParseOption("re", "ignored"), 0);
  EXPECT_EQ(e.ParseOption("f", "avi"), 1);
  EXPECT_EQ(e.ParseOption("f", nullptr), AVERROR(EINVAL));
  EXPECT_EQ(e.OptionMessage(), "Missing argument for option \"f\"");
  EXPECT_EQ(e.FileOpts().format, "avi");
  EXPECT_EQ(e.FileOpts().rate_emu, 1);
}

TEST_F(OptionParse, EngineStartsWithDocumentedSettings) {
  TCustomFFmpeg e;
  const auto& s = e.Settings();
  EXPECT_EQ(s.intra_dc_precision, 8);
  EXPECT_EQ(s.loop_output, -1);
  EXPECT_EQ(s.video_sync_method, -1);
  EXPECT_FLOAT_EQ(s.audio_drift_threshold, 0.1f);
  EXPECT_EQ(s.copy_tb, -1);
  EXPECT_EQ(s.audio_volume, 256);
  EXPECT_FLOAT_EQ(s.dts_delta_threshold, 10.0f);
  EXPECT_EQ(s.print_stats, 1);
  EXPECT_EQ(s.shortest + s.copy_ts + s.overwrite + s.do_pass, 0);
  EXPECT_TRUE(e.OptionErrorsFatal());
  EXPECT_EQ(e.ProgressInterval(), 500000);
  EXPECT_EQ(e.PreviewInterval(), 100000);
  EXPECT_EQ(e.InputTimeout(), 30000);
  EXPECT_EQ(e.OutputTimeout(), 30000);
  EXPECT_EQ(e.ExpectedTotalDuration(), -1);
  EXPECT_NE(e.ScalerOptions(), nullptr);
  EXPECT_EQ(e.FileOpts().mux_max_delay, 0.7f);
  EXPECT_EQ(e.FileOpts().limit_filesize, std::numeric_limits<int64_t>::max());
  EXPECT_EQ(e.FileOpts().chapters_input_file, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(e.FileOpts().recording_time, std::numeric_limits<int64_t>::max());
}

TEST_F(OptionParse, ResetClearsFileOptionsAndDictionariesButKeepsSettings) {
  TCustomFFmpeg e;
  e.ParseOptions("-t 5 -ss 1 -f avi -c:v mpeg4 -crf 20 -probesize 4000 -sws_flags neighbor "
                 "-shortest -muxdelay 2");
  e.ResetFileOptions(/*afterInput=*/true);
  EXPECT_EQ(e.FileOpts().recording_time, 5000000);  // stays for the next file
  EXPECT_EQ(e.FileOpts().start_time, 0);
  EXPECT_TRUE(e.FileOpts().format.empty());
  EXPECT_TRUE(e.FileOpts().codec_names.empty());
  EXPECT_FLOAT_EQ(e.FileOpts().mux_max_delay, 0.7f);
  EXPECT_EQ(DictCount(e.CodecOptions()) + DictCount(e.FormatOptions()), 0);
  EXPECT_NE(e.ScalerOptions(), nullptr);
  int64_t flags = 0;
  ff::av_opt_get_int(e.ScalerOptions(), "sws_flags", 0, &flags);
  EXPECT_EQ(flags, SWS_BICUBIC);
  EXPECT_EQ(e.Settings().shortest, 1);

  e.ResetFileOptions(/*afterInput=*/false);
  EXPECT_EQ(e.FileOpts().recording_time, std::numeric_limits<int64_t>::max());
}

TEST_F(OptionParse, EngineNeedsEveryLibraryLoaded) {
  media::FFLoader().UnloadLibrarySet(media::kAllLibraries);
  EXPECT_THROW(TCustomFFmpeg e, std::logic_error);
  ASSERT_TRUE(media::FFLoader().LoadLibrarySet(media::kAllLibraries));
  EXPECT_NO_THROW(TCustomFFmpeg e);
}

}  // namespace
}  // namespace engine_test
