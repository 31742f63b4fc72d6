// The encoder choice against made-up machines, and the numbers one scale
// gives each encoder.
#include <gtest/gtest.h>

#include <set>

#include "cli/output_choice.h"
#include "cli/render_options.h"

namespace {

using cli::EncodingOptions;
using cli::EncoderProbe;

// A machine with the given encoders and the devices that open.
EncoderProbe Machine(std::set<std::string> encoders, std::set<std::string> devices) {
  return {[encoders](const std::string& e) { return encoders.count(e) > 0; },
          [devices](const std::string& hw) { return devices.count(hw) ? "" : "no " + hw + " device here"; }};
}

EncodingOptions With(std::string codec, std::string hw) {
  EncodingOptions e;
  e.Codec = std::move(codec);
  e.Hw = std::move(hw);
  return e;
}

std::string RunErrorOf(const EncodingOptions& e, const EncoderProbe& probe) {
  try {
    cli::PickVideoEncoder(e, probe);
  } catch (const cli::RunError& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(OutputChoice, HardwareIsUsedWhereItRunsAndMissingPartsAreNamed) {
  const EncoderProbe bare = Machine({"libx264", "libx265", "libaom-av1", "libvpx-vp9", "h264_nvenc", "hevc_vaapi"}, {});
  const cli::VideoEncoderPick fallback = cli::PickVideoEncoder(With("h264", "auto"), bare);
  EXPECT_EQ(fallback.Encoder, "libx264");
  EXPECT_EQ(fallback.Hw, "none");
  for (const char* part : {"NVENC: no nvenc device here", "QSV: the media libraries have no h264_qsv", "libx264"})
    EXPECT_NE(fallback.Note.find(part), std::string::npos) << fallback.Note;
  EXPECT_EQ(fallback.Note.find('\n'), std::string::npos);
  // Without --hw nothing is probed or noted; AV1 takes the encoder there is.
  EXPECT_EQ(cli::PickVideoEncoder(With("av1", "none"), bare).Encoder, "libaom-av1");
  EXPECT_EQ(cli::PickVideoEncoder(With("h264", "none"), bare).Note, "");

  EXPECT_EQ(cli::PickVideoEncoder(With("h264", "auto"), Machine({"h264_nvenc"}, {"nvenc"})).Encoder, "h264_nvenc");
  EXPECT_EQ(cli::PickVideoEncoder(With("h265", "qsv"), Machine({"hevc_qsv"}, {"qsv"})).Encoder, "hevc_qsv");

  EXPECT_NE(RunErrorOf(With("h264", "nvenc"), bare).find("--hw nvenc: no nvenc device here"), std::string::npos);
  EXPECT_NE(RunErrorOf(With("h265", "qsv"), bare).find("no hevc_qsv encoder"), std::string::npos);
  EXPECT_NE(RunErrorOf(With("vp9", "nvenc"), bare).find("no NVENC encoder for VP9"), std::string::npos);
  // A VAAPI device alone is not enough: its encoders take frames on the device only.
  EXPECT_NE(RunErrorOf(With("h265", "vaapi"), Machine({"hevc_vaapi"}, {"vaapi"})).find("uploaded"),
            std::string::npos);
  EXPECT_NE(RunErrorOf(With("av1", "none"), Machine({}, {})).find("libsvtav1, libaom-av1"), std::string::npos);
}

// The option string for one encoder, quality 0..51 and each speed: the
// mapped quality stays on the encoder's own scale and grows with the user's.
TEST(OutputChoice, OneQualityScaleMapsOntoEveryEncodersOwn) {
  struct Row {
    const char* codec;
    const char* encoder;
    const char* option;
    int max;
  };
  for (const Row& r : {Row{"h264", "libx264", "-crf ", 51}, Row{"h265", "libx265", "-crf ", 51},
                       Row{"av1", "libsvtav1", "-crf ", 63}, Row{"vp9", "libvpx-vp9", "-crf ", 63},
                       Row{"h264", "h264_nvenc", "-cq ", 51}, Row{"h265", "hevc_qsv", "-global_quality ", 51}}) {
    SCOPED_TRACE(r.encoder);
    int last = -1;
    for (int q = 0; q <= cli::kMaxQuality; ++q) {
      EncodingOptions e = With(r.codec, "none");
      e.Quality = q;
      const std::string s = cli::EncodingOptionString(e, {r.encoder, "none", ""}, "a.mkv", "30/1");
      const size_t at = s.find(r.option);
      ASSERT_NE(at, std::string::npos) << s;
      const int mapped = std::stoi(s.substr(at + std::string(r.option).size()));
      EXPECT_GE(mapped, last);
      EXPECT_LE(mapped, r.max);
      last = mapped;
    }
    EXPECT_EQ(last, r.max);  // the worst quality reaches the scale's end
  }
  EncodingOptions e = With("vp9", "none");
  e.Bitrate = "2M";
  e.Speed = "fastest";
  const std::string s = cli::EncodingOptionString(e, {"libvpx-vp9", "none", ""}, "a.webm", "25/1");
  EXPECT_EQ(s, "-c:v libvpx-vp9 -pix_fmt yuv420p -cpu-used 5 -b:v 2M -deadline good -row-mt 1 -g 50 "
               "-c:a libopus -b:a 128k -ar 48000");
}

TEST(OutputChoice, PresetsSizesAndPairsAreSettledOnTheCommandLine) {
  const auto parse = [](std::vector<std::string> args) { return cli::ParseCommandLine(args).options; };
  EXPECT_EQ(parse({"-o", "a.mp4", "--preset", "portrait", "p.jpg"}).FrameSize, "1080x1920");
  EXPECT_EQ(parse({"--size", "640x480", "-o", "a.mp4", "--preset", "4k", "p.jpg"}).FrameSize, "640x480");
  EXPECT_EQ(parse({"--preset", "4:3", "--size", "640x480", "-o", "a.mp4", "p.jpg"}).FrameSize, "640x480");
  EXPECT_FALSE(parse({"--scaling", "nearest", "-o", "a.mp4", "p.jpg"}).SmoothFit);
  const cli::RenderOptions o =
      parse({"--codec", "H265", "--speed", "slow", "--audio-bitrate", "96K", "-o", "a.MKV", "p.jpg"});
  EXPECT_EQ(o.Encoding.Codec, "h265");
  EXPECT_EQ(o.Encoding.AudioBitrate, "96k");
  EXPECT_FALSE(cli::UsesFastStart(o.Encoding, o.Output));
  EXPECT_TRUE(cli::UsesFastStart(EncodingOptions{}, "a.MOV"));
  for (const char* pair : {"show.avi:vp9", "show.webm:h264", "show.mov:av1"}) {
    const std::string text(pair);
    const std::string file = text.substr(0, text.find(':')), codec = text.substr(text.find(':') + 1);
    EXPECT_THROW(parse({"--codec", codec, "-o", file, "p.jpg"}), cli::UsageError) << pair;
  }
}

}  // namespace
