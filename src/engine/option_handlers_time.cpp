// Handlers for times written in seconds or as dates.
#include <cmath>
#include <ctime>
#include <string>

#include "engine/custom_ffmpeg.h"
#include "engine/option_handlers.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

// Decimal seconds in the user's notation, passed on in microseconds under
// the name of the row that stores microseconds.
int SecondsAsMicroseconds(TCustomFFmpeg& engine, const char* opt, const char* arg,
                          const char* target) {
  double seconds = 0;
  try {
    seconds = media::ParseDoubleValue(opt, arg, engine.DecimalSeparator());
  } catch (const std::runtime_error& e) {
    engine.Log(media::llError, e.what());
    engine.SetOptionMessage(e.what());
    return AVERROR(EINVAL);
  }
  // Halves to even, as the rest of the program rounds.
  const double us = std::nearbyint(seconds * 1000000.0);
  if (!(std::fabs(us) < 9.2e18)) {
    const std::string message = media::InvalidTimeText(opt, arg, true);
    engine.Log(media::llError, message);
    engine.SetOptionMessage(message);
    return AVERROR(EINVAL);
  }
  const std::string text = std::to_string(static_cast<long long>(us));
  return engine.ParseOption(target, text.c_str());
}

}  // namespace

int OptTimeStart(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions*) {
  return SecondsAsMicroseconds(engine, opt, arg, "ss_microsecond");
}

int OptTimeLength(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions*) {
  return SecondsAsMicroseconds(engine, opt, arg, "t_microsecond");
}

// A date ("now" or a date text) becomes the "creation_time" metadata.
int OptRecordingTimestamp(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions*) {
  const int64_t us = media::ParseTimeValue(opt, arg, false);
  const std::time_t seconds = static_cast<std::time_t>(us / 1000000);
  std::tm utc{};
  char text[64];
  if (!gmtime_r(&seconds, &utc) || !std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc)) {
    engine.SetOptionMessage(media::InvalidTimeText(opt, arg, false));
    return AVERROR(EINVAL);
  }
  const std::string metadata = std::string("creation_time=") + text;
  return engine.ParseOption("metadata", metadata.c_str());
}

}  // namespace engine
