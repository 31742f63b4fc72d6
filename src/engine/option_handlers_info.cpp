// Handlers for options that only inform, are switched on elsewhere, were
// removed, or set process-wide library state.
#include <cerrno>
#include <climits>
#include <cstdlib>
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

struct LogLevelName {
  const char* name;
  int level;
};

constexpr LogLevelName kLogLevels[] = {
    {"quiet", AV_LOG_QUIET},     {"panic", AV_LOG_PANIC}, {"fatal", AV_LOG_FATAL},
    {"error", AV_LOG_ERROR},     {"warning", AV_LOG_WARNING}, {"info", AV_LOG_INFO},
    {"verbose", AV_LOG_VERBOSE}, {"debug", AV_LOG_DEBUG},
};

}  // namespace

// Help and listing options: nothing to show in a program without a console.
int OptIgnoreUnsupported(TCustomFFmpeg& engine, const char* opt, const char*, FileOptions*) {
  engine.Log(media::llWarning, media::FormatText("options \"%s\" not supported, ignore", opt));
  return 0;
}

// Options that would change the result if silently skipped.
int OptFailUnsupported(TCustomFFmpeg& engine, const char* opt, const char*, FileOptions*) {
  const std::string message = media::FormatText("options \"%s\" not supported", opt);
  engine.Log(media::llError, message);
  return Fail(engine, message);
}

// The encoder component switches these features on directly.
int OptAcceptSwitch(TCustomFFmpeg&, const char*, const char*, FileOptions*) { return 0; }

int OptRemovedCrop(TCustomFFmpeg& engine, const char* opt, const char*, FileOptions*) {
  return Fail(engine,
              media::FormatText("Option \"%s\" has been removed, use the crop filter instead", opt));
}

int OptRemovedPad(TCustomFFmpeg& engine, const char* opt, const char*, FileOptions*) {
  return Fail(engine,
              media::FormatText("Option \"%s\" has been removed, use the pad filter instead", opt));
}

int OptDeprecatedChannel(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions* file) {
  engine.Log(media::llWarning, "This option is deprecated, use -channel.");
  return OptDefault(engine, "channel", arg, file);
}

int OptDeprecatedStandard(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions* file) {
  engine.Log(media::llWarning, "This option is deprecated, use -standard.");
  return OptDefault(engine, "standard", arg, file);
}

int OptLogLevel(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  for (const LogLevelName& entry : kLogLevels) {
    if (std::string_view(arg) == entry.name) {
      ff::av_log_set_level(entry.level);
      return 0;
    }
  }
  char* tail = nullptr;
  errno = 0;
  const long level = std::strtol(arg, &tail, 10);
  if (*tail == '\0' && errno == 0 && level >= INT_MIN && level <= INT_MAX) {
    ff::av_log_set_level(static_cast<int>(level));
    return 0;
  }
  std::string message = media::FormatText(
      "Invalid loglevel \"%s\". Possible levels are numbers or:\n", arg);
  for (const LogLevelName& entry : kLogLevels) message += media::FormatText("\"%s\"\n", entry.name);
  engine.Log(media::llError, message);
  return Fail(engine, message);
}

// The codecs' own "debug" flags.
int OptDebug(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions* file) {
  return OptDefault(engine, opt, arg, file);
}

int OptMaxAlloc(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions*) {
  const int64_t bytes = media::ParseInt64Value(opt, arg);
  if (bytes < 0)
    return Fail(engine, media::FormatText("Invalid max_alloc \"%s\": a size cannot be negative", arg));
  ff::av_max_alloc(static_cast<size_t>(bytes));
  return 0;
}

}  // namespace engine
