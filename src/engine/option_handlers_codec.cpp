// Handlers that rename codec and stream options: media-type aliases
// ("vcodec" = "codec:v"), deprecated spellings and two-pass settings.
#include <cctype>
#include <ctime>
#include <string>
#include <string_view>

#include "engine/custom_ffmpeg.h"
#include "engine/option_handlers.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

int Fail(TCustomFFmpeg& engine, const std::string& message) {
  engine.SetOptionMessage(message);
  return AVERROR(EINVAL);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

// The forced decoder of a media type is kept for inputs opened later; for
// outputs the same name selects the encoder.
int OptVideoCodec(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  engine.Settings().video_codec_name = arg;
  return engine.ParseOption("codec:v", arg);
}

int OptAudioCodec(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  engine.Settings().audio_codec_name = arg;
  return engine.ParseOption("codec:a", arg);
}

int OptSubtitleCodec(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  engine.Settings().subtitle_codec_name = arg;
  return engine.ParseOption("codec:s", arg);
}

int OptDataCodec(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  return engine.ParseOption("codec:d", arg);
}

// "-b" alone is taken as the video bit rate; "-b:a" and the like are codec
// options for the catch-all.
int OptBitrate(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions* file) {
  if (std::string_view(opt) == "b") {
    engine.Log(media::llWarning, "Please use -b:a or -b:v, -b is ambiguous");
    return engine.ParseOption("b:v", arg);
  }
  return OptDefault(engine, opt, arg, file);
}

int OptQscale(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions*) {
  const std::string_view typed(opt);
  if (typed == "qscale") {
    engine.Log(media::llWarning, "Please use -q:a or -q:v, -qscale is ambiguous");
    return engine.ParseOption("q:v", arg);
  }
  const std::string renamed = "q" + std::string(typed.substr(std::string_view("qscale").size()));
  return engine.ParseOption(renamed.c_str(), arg);
}

int OptVideoFrames(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  return engine.ParseOption("frames:v", arg);
}

int OptAudioFrames(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  return engine.ParseOption("frames:a", arg);
}

int OptDataFrames(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  return engine.ParseOption("frames:d", arg);
}

int OptAudioQuality(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  return engine.ParseOption("q:a", arg);
}

int OptVideoFilters(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  return engine.ParseOption("filter:v", arg);
}

// "vtag" becomes "tag:v", "absf" becomes "bsf:a": the rest of the name, a
// colon and the first letter.
int OptTypedRename(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions*) {
  const std::string renamed = std::string(opt + 1) + ":" + opt[0];
  return engine.ParseOption(renamed.c_str(), arg);
}

int OptPass(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions*) {
  const int32_t pass = media::ParseIntegerValue(opt, arg);
  if (pass != 1 && pass != 2)
    return Fail(engine, media::FormatText("Invalid pass number \"%s\", use 1 or 2", arg));
  engine.Settings().do_pass = pass;
  return 0;
}

int OptPassLogFile(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  engine.Settings().pass_log_filename = arg;
  return 0;
}

// Without a file name the statistics go to a file named after the time.
int OptVstats(TCustomFFmpeg& engine, const char*, const char*, FileOptions*) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  engine.Settings().vstats_filename =
      media::FormatText("vstats_%02d%02d%02d.log", local.tm_hour, local.tm_min, local.tm_sec);
  return 0;
}

int OptVstatsFile(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  engine.Settings().vstats_filename = arg;
  return 0;
}

int OptVsync(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions*) {
  struct Method {
    const char* name;
    int32_t value;
  };
  static constexpr Method kMethods[] = {
      {"auto", -1}, {"passthrough", 0}, {"cfr", 1}, {"vfr", 2}};
  for (const Method& m : kMethods) {
    if (EqualsIgnoringCase(arg, m.name)) {
      engine.Settings().video_sync_method = m.value;
      return 0;
    }
  }
  const int32_t method = media::ParseIntegerValue(opt, arg);
  if (method < -1 || method > 2)
    return Fail(engine, media::FormatText(
                            "Invalid video sync method \"%s\", use auto, passthrough, cfr, vfr "
                            "or -1 to 2",
                            arg));
  engine.Settings().video_sync_method = method;
  return 0;
}

}  // namespace engine
