// Handlers for frame-hook plug-ins and the bitmaps handed to hooks.
#include <cstring>
#include <string>
#include <vector>

#include "engine/custom_ffmpeg.h"
#include "engine/option_handlers.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

// The module and at most this many arguments reach the plug-in.
constexpr std::size_t kMaxHookArguments = 62;

}  // namespace

// "module arg1 arg2 ..." or, when the text holds a "|", "module|arg1|...",
// so that arguments may contain blanks.
int OptVideoHook(TCustomFFmpeg& engine, const char*, const char* arg, FileOptions*) {
  const char separator = std::strchr(arg, '|') ? '|' : ' ';
  std::vector<std::string> words;
  std::string word;
  for (const char* p = arg;; ++p) {
    if (*p == separator || *p == '\0') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
      if (*p == '\0') break;
    } else {
      word += *p;
    }
  }
  if (words.size() > kMaxHookArguments + 1) {
    engine.Log(media::llWarning,
               media::FormatText("Video hook \"%s\": only %zu arguments are passed on", arg,
                                 kMaxHookArguments));
    words.resize(kMaxHookArguments + 1);
  }
  const int ret = engine.AddVideoHook(words);
  if (ret < 0) {
    engine.SetOptionMessage(std::string("Failed to add video hook function: ") + arg);
    return ret;
  }
  engine.EnableFrameHooks();
  return 0;
}

int OptVideoHookBitsPixel(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions*) {
  try {
    engine.SetHookBitsPerPixel(media::ParseIntegerValue(opt, arg));
  } catch (const std::exception& e) {  // a bad number, or a depth no bitmap has
    engine.Log(media::llError, e.what());
    engine.SetOptionMessage(e.what());
    return AVERROR(EINVAL);
  }
  return 0;
}

}  // namespace engine
