#include "cli/output_choice.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "cli/render_options.h"

namespace cli {
namespace {

using std::string_view;

constexpr SizePreset kSizePresets[] = {
    {"720p", "1280x720"},  {"1080p", "1920x1080"},    {"1440p", "2560x1440"}, {"4k", "3840x2160"},
    {"portrait", "1080x1920"}, {"square", "1080x1080"}, {"4:3", "1440x1080"},
};

// One encoder of the media libraries and how our scales reach it.
struct EncoderRow {
  string_view name;
  string_view speedOption;            // empty: the encoder has no speed steps
  std::array<string_view, 5> speeds;  // for kSpeedNames, fastest first
  string_view qualityOption;
  int qualityMax;
  string_view qualityExtra;           // what constant quality needs besides
  string_view always;
  string_view pixelFormat;            // 4:2:0, which every player shows
};

constexpr std::array<string_view, 5> kX26xSpeeds = {"ultrafast", "veryfast", "medium", "slow", "veryslow"};
constexpr std::array<string_view, 5> kNvencSpeeds = {"p1", "p3", "p4", "p6", "p7"};
constexpr std::array<string_view, 5> kQsvSpeeds = {"veryfast", "faster", "medium", "slow", "veryslow"};

constexpr EncoderRow kEncoders[] = {
    {"libx264", "-preset", kX26xSpeeds, "-crf", 51, "", "", "yuv420p"},
    {"libx265", "-preset", kX26xSpeeds, "-crf", 51, "", "-x265-params log-level=error", "yuv420p"},
    {"libsvtav1", "-preset", {"12", "10", "8", "6", "4"}, "-crf", 63, "", "", "yuv420p"},
    {"libaom-av1", "-cpu-used", {"8", "6", "4", "3", "2"}, "-crf", 63, "-b:v 0", "-row-mt 1", "yuv420p"},
    {"libvpx-vp9", "-cpu-used", {"5", "4", "2", "1", "0"}, "-crf", 63, "-b:v 0", "-deadline good -row-mt 1",
     "yuv420p"},
    {"h264_nvenc", "-preset", kNvencSpeeds, "-cq", 51, "-rc vbr -b:v 0", "", "yuv420p"},
    {"hevc_nvenc", "-preset", kNvencSpeeds, "-cq", 51, "-rc vbr -b:v 0", "", "yuv420p"},
    {"av1_nvenc", "-preset", kNvencSpeeds, "-cq", 51, "-rc vbr -b:v 0", "", "yuv420p"},
    {"h264_qsv", "-preset", kQsvSpeeds, "-global_quality", 51, "", "", "nv12"},
    {"hevc_qsv", "-preset", kQsvSpeeds, "-global_quality", 51, "", "", "nv12"},
    {"av1_qsv", "-preset", kQsvSpeeds, "-global_quality", 51, "", "", "nv12"},
    {"vp9_qsv", "-preset", kQsvSpeeds, "-global_quality", 51, "", "", "nv12"},
};

// --quality q becomes round(q * scale) + offset on the encoder's scale, so
// one number looks about the same whatever the codec.
struct CodecRow {
  string_view name, title;
  std::array<string_view, 2> software;  // the first one the libraries have
  string_view vaapi, nvenc, qsv;
  double qualityScale;
  int qualityOffset;
};

constexpr CodecRow kCodecs[] = {
    {"h264", "H.264", {"libx264", ""}, "h264_vaapi", "h264_nvenc", "h264_qsv", 1.0, 0},
    {"h265", "H.265", {"libx265", ""}, "hevc_vaapi", "hevc_nvenc", "hevc_qsv", 1.0, 5},
    {"av1", "AV1", {"libsvtav1", "libaom-av1"}, "", "av1_nvenc", "av1_qsv", 1.2, 4},
    {"vp9", "VP9", {"libvpx-vp9", ""}, "vp9_vaapi", "", "vp9_qsv", 1.2, 4},
};

struct AudioRow {
  string_view name, encoder, bitrate, extra;
};

constexpr AudioRow kAudioCodecs[] = {
    {"aac", "aac", "192k", ""},
    {"opus", "libopus", "128k", "-ar 48000"},  // Opus runs at 48 kHz
    {"mp3", "libmp3lame", "192k", ""},
};

// What each container holds that players agree on.
struct ContainerRow {
  string_view extension, title, video, audio, defaultAudio;
  bool fastStart;
};

constexpr ContainerRow kContainers[] = {
    {".mp4", "MP4", "h264 h265 av1 vp9", "aac mp3 opus", "aac", true},
    {".m4v", "MP4", "h264 h265", "aac mp3", "aac", true},
    {".mov", "MOV", "h264 h265", "aac mp3", "aac", true},
    {".mkv", "MKV", "h264 h265 av1 vp9", "aac opus mp3", "opus", false},
    {".webm", "WebM", "av1 vp9", "opus", "opus", false},
    {".avi", "AVI", "h264", "mp3 aac", "mp3", false},
};

constexpr string_view kHwNames[] = {"auto", "vaapi", "nvenc", "qsv", "none"};

std::string Quoted(string_view text) { return "\"" + std::string(text) + "\""; }

template <typename Rows, typename Name>
std::string NameList(const Rows& rows, Name name) {
  std::string s;
  for (const auto& r : rows) s += (s.empty() ? "" : ", ") + std::string(name(r));
  return s;
}

std::string Lower(string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

bool InList(string_view list, string_view word) {
  std::istringstream in{std::string(list)};
  for (std::string w; in >> w;)
    if (w == word) return true;
  return false;
}

const CodecRow& Codec(string_view name) {
  for (const CodecRow& c : kCodecs)
    if (c.name == name) return c;
  throw UsageError("--codec " + Quoted(name) + ": use " + NameList(kCodecs, [](auto& c) { return c.name; }));
}

const AudioRow& Audio(string_view name) {
  for (const AudioRow& a : kAudioCodecs)
    if (a.name == name) return a;
  throw UsageError("--audio-codec " + Quoted(name) + ": use " +
                   NameList(kAudioCodecs, [](auto& a) { return a.name; }));
}

const EncoderRow* Encoder(string_view name) {
  for (const EncoderRow& e : kEncoders)
    if (e.name == name) return &e;
  return nullptr;
}

const ContainerRow* Container(const std::string& output) {
  const std::string ext = Lower(std::filesystem::path(output).extension().string());
  for (const ContainerRow& c : kContainers)
    if (c.extension == ext) return &c;
  return nullptr;
}

std::string AudioCodecFor(const EncodingOptions& e, const std::string& output) {
  if (!e.AudioCodec.empty()) return e.AudioCodec;
  const ContainerRow* c = Container(output);
  return c ? std::string(c->defaultAudio) : "mp3";  // what other containers always got
}

string_view HwEncoder(const CodecRow& c, string_view hw) {
  return hw == "vaapi" ? c.vaapi : hw == "nvenc" ? c.nvenc : c.qsv;
}

std::string HwTitle(string_view hw) { return hw == "vaapi" ? "VAAPI" : hw == "nvenc" ? "NVENC" : "QSV"; }

// Empty when the hardware encoder can run, else why not.
std::string HwProblem(const CodecRow& c, string_view hw, const EncoderProbe& probe) {
  const string_view encoder = HwEncoder(c, hw);
  if (encoder.empty()) return "there is no " + HwTitle(hw) + " encoder for " + std::string(c.title);
  if (!probe.HasEncoder(std::string(encoder)))
    return "the media libraries have no " + std::string(encoder) + " encoder";
  if (std::string why = probe.DeviceProblem(std::string(hw)); !why.empty()) return why;
  // Its encoders take only frames already on the device.
  if (hw == "vaapi")
    return "the VAAPI encoders need the frames uploaded to the device, which this version does not do";
  return {};
}

}  // namespace

std::span<const SizePreset> SizePresets() { return kSizePresets; }

std::string PresetSize(string_view name) {
  for (const SizePreset& p : kSizePresets)
    if (p.name == Lower(name)) return std::string(p.size);
  throw UsageError("--preset " + Quoted(name) + ": use " +
                   NameList(kSizePresets, [](auto& p) { return p.name; }));
}

std::string CheckCodec(const std::string& text) { return std::string(Codec(Lower(text)).name); }

std::string CheckAudioCodec(const std::string& text) { return std::string(Audio(Lower(text)).name); }

std::string CheckSpeed(const std::string& text) {
  for (string_view s : kSpeedNames)
    if (s == Lower(text)) return std::string(s);
  throw UsageError("--speed " + Quoted(text) + ": use " + NameList(kSpeedNames, [](auto& s) { return s; }));
}

std::string CheckHw(const std::string& text) {
  for (string_view h : kHwNames)
    if (h == Lower(text)) return std::string(h);
  throw UsageError("--hw " + Quoted(text) + ": use " + NameList(kHwNames, [](auto& h) { return h; }));
}

int CheckQuality(const std::string& text) {
  size_t used = 0;
  int q = -1;
  try {
    q = std::stoi(text, &used);
  } catch (const std::exception&) {
  }
  if (used != text.size() || q < 0 || q > kMaxQuality)
    throw UsageError("--quality " + Quoted(text) + ": give a whole number from 0 (best) to " +
                     std::to_string(kMaxQuality) + " (smallest file); " + std::to_string(kDefaultQuality) +
                     " is the default");
  return q;
}

std::string CheckBitrate(const std::string& option, const std::string& text) {
  size_t digits = 0;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
  const string_view unit = string_view(text).substr(digits);
  const bool unitOk = unit.empty() || unit == "k" || unit == "K" || unit == "M" || unit == "m";
  if (digits == 0 || digits > 9 || !unitOk || std::stol(text.substr(0, digits)) == 0)
    throw UsageError(option + " " + Quoted(text) + ": give bits per second, such as 5M or 800k");
  return text.substr(0, digits) + (unit.empty() ? "" : unit == "m" || unit == "M" ? "M" : "k");
}

void CheckContainerFits(const EncodingOptions& e, const std::string& output) {
  const ContainerRow* c = Container(output);
  if (!c) return;
  const CodecRow& codec = Codec(e.Codec);
  if (!InList(c->video, codec.name))
    throw UsageError("--codec " + std::string(codec.name) + ": " + std::string(codec.title) +
                     " does not go into " + std::string(c->title) + " files; use " +
                     std::string(c->title) + " with " + std::string(c->video) +
                     ", or another extension for -o");
  const std::string audio = AudioCodecFor(e, output);
  if (!InList(c->audio, audio))
    throw UsageError("--audio-codec " + audio + ": " + std::string(c->title) + " files take " +
                     std::string(c->audio) + " sound");
}

bool UsesFastStart(const EncodingOptions& e, const std::string& output) {
  const ContainerRow* c = Container(output);
  return e.FastStart && c && c->fastStart;
}

VideoEncoderPick PickVideoEncoder(const EncodingOptions& e, const EncoderProbe& probe) {
  const CodecRow& codec = Codec(e.Codec);
  if (e.Hw != "none" && e.Hw != "auto") {
    if (std::string why = HwProblem(codec, e.Hw, probe); !why.empty())
      throw RunError("--hw " + e.Hw + ": " + why);
    return {std::string(HwEncoder(codec, e.Hw)), e.Hw, ""};
  }
  std::string tried;
  if (e.Hw == "auto") {
    for (string_view hw : {"nvenc", "qsv", "vaapi"}) {
      const std::string why = HwProblem(codec, hw, probe);
      if (why.empty()) return {std::string(HwEncoder(codec, hw)), std::string(hw), ""};
      tried += (tried.empty() ? "" : "; ") + HwTitle(hw) + ": " + why;
    }
  }
  for (string_view sw : codec.software) {
    if (sw.empty() || !probe.HasEncoder(std::string(sw))) continue;
    VideoEncoderPick pick{std::string(sw), "none", ""};
    if (!tried.empty())
      pick.Note = "no hardware encoder for " + std::string(codec.title) + " (" + tried + "); encoding with " +
                  pick.Encoder;
    return pick;
  }
  throw RunError("--codec " + std::string(codec.name) + ": the media libraries have no " +
                 std::string(codec.title) + " encoder (looked for " +
                 NameList(codec.software, [](auto& s) { return s; }) + ")");
}

std::string EncodingOptionString(const EncodingOptions& e, const VideoEncoderPick& pick,
                                 const std::string& output, const std::string& frameRate) {
  const EncoderRow* enc = Encoder(pick.Encoder);
  const CodecRow& codec = Codec(e.Codec);
  std::ostringstream s;
  s << "-c:v " << pick.Encoder;
  if (enc) {
    s << " -pix_fmt " << enc->pixelFormat;
    size_t step = 2;
    for (size_t i = 0; i < std::size(kSpeedNames); ++i)
      if (kSpeedNames[i] == e.Speed) step = i;
    if (!enc->speedOption.empty()) s << " " << enc->speedOption << " " << enc->speeds[step];
    if (!e.Bitrate.empty()) {
      s << " -b:v " << e.Bitrate;
    } else {
      const int mapped = int(std::lround(e.Quality * codec.qualityScale)) + codec.qualityOffset;
      s << " " << enc->qualityOption << " " << std::clamp(mapped, 0, enc->qualityMax);
      if (!enc->qualityExtra.empty()) s << " " << enc->qualityExtra;
    }
    if (!enc->always.empty()) s << " " << enc->always;
  }
  // A key frame every two seconds: quick seeking, and short fragments while recording.
  const size_t slash = frameRate.find('/');
  const double fps = std::stod(frameRate.substr(0, slash)) /
                     (slash == std::string::npos ? 1.0 : std::stod(frameRate.substr(slash + 1)));
  s << " -g " << std::max(1L, std::lround(2 * fps));
  const AudioRow& audio = Audio(AudioCodecFor(e, output));
  s << " -c:a " << audio.encoder << " -b:a " << (e.AudioBitrate.empty() ? audio.bitrate : e.AudioBitrate);
  if (!audio.extra.empty()) s << " " << audio.extra;
  return s.str();
}

}  // namespace cli
