// What the video is encoded as: frame-size presets, codecs with their
// encoders, quality and speed on one scale for all of them, the containers
// each codec and sound codec fits, and the engine options that result.
// Plain tables in output_choice.cpp; the hardware probe is passed in, so
// the choice can be checked without the devices.
#pragma once

#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace cli {

// --quality: x264's CRF scale, lower is better; each codec maps it to its own.
inline constexpr int kDefaultQuality = 23;
inline constexpr int kMaxQuality = 51;
// --speed steps, fastest first.
inline constexpr std::string_view kSpeedNames[] = {"fastest", "fast", "medium", "slow", "slowest"};

struct EncodingOptions {
  std::string Codec = "h264";   // h264, h265, av1, vp9
  int Quality = kDefaultQuality;
  std::string Bitrate;          // "5M", "800k": a bit rate instead of a quality
  std::string Speed = "medium";
  std::string Hw = "none";      // auto, vaapi, nvenc, qsv, none
  std::string AudioCodec;       // aac, opus, mp3; empty: the container's
  std::string AudioBitrate;     // empty: the sound codec's
  bool FastStart = true;        // MP4 and MOV: the index at the front
  bool QualityGiven = false;    // --quality and --bitrate exclude each other
  std::string PresetSize;       // from --preset; --size wins
  bool SizeGiven = false;
};

struct SizePreset {
  std::string_view name, size;
};
std::span<const SizePreset> SizePresets();
// The "WxH" of a preset; UsageError naming the presets for an unknown one.
std::string PresetSize(std::string_view name);

// Value checks of the options, in the form the run uses; UsageError otherwise.
std::string CheckCodec(const std::string& text);
std::string CheckSpeed(const std::string& text);
std::string CheckHw(const std::string& text);
std::string CheckAudioCodec(const std::string& text);
int CheckQuality(const std::string& text);
std::string CheckBitrate(const std::string& option, const std::string& text);  // "5M", "800k", "192000"

// Refuses a codec or sound codec the output's container cannot hold, before
// anything is loaded. Containers not in the table are left to the libraries.
void CheckContainerFits(const EncodingOptions& e, const std::string& output);

// Whether the output's container gets the index-at-the-front treatment.
bool UsesFastStart(const EncodingOptions& e, const std::string& output);

// What the machine offers, asked only when --hw is not "none".
struct EncoderProbe {
  std::function<bool(const std::string& encoder)> HasEncoder;
  // Empty when the device of "vaapi", "nvenc" or "qsv" opens, else why not.
  std::function<std::string(const std::string& hw)> DeviceProblem;
};

struct VideoEncoderPick {
  std::string Encoder;  // "libx264", "hevc_nvenc"...
  std::string Hw;       // the hardware used, or "none"
  std::string Note;     // --hw auto falling back: one line for the user
};

// Throws RunError when a named device or encoder is missing, saying which.
class RunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
VideoEncoderPick PickVideoEncoder(const EncodingOptions& e, const EncoderProbe& probe);

// The engine's output options for the video and sound streams (codec,
// quality or bit rate, speed, pixel format, key-frame spacing, sound codec).
std::string EncodingOptionString(const EncodingOptions& e, const VideoEncoderPick& pick,
                                 const std::string& output, const std::string& frameRate);

}  // namespace cli
