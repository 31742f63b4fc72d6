#include "engine_fixture.h"

#include <cstddef>

#include "media/ff_loader.h"
#include "media/ff_logger.h"
#include "media/input_format_registry.h"
#include "media/main_thread.h"

namespace engine_test {
namespace {

// Private options laid out as the frame source declares them.
struct FramePriv {
  const AVClass* cls;
  char* input_type;
  char* pixel_format;
  char* video_size;
  char* framerate;
};

const AVOption kFrameOptions[] = {
    {"input_type", "one of {canvas, bmp, dc, yuv}, default yuv", offsetof(FramePriv, input_type),
     AV_OPT_TYPE_STRING, {.str = "yuv"}, 0, 0, AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {"pixel_format", "pixel format", offsetof(FramePriv, pixel_format), AV_OPT_TYPE_STRING,
     {.str = "yuv420p"}, 0, 0, AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {"video_size", "frame size", offsetof(FramePriv, video_size), AV_OPT_TYPE_STRING,
     {.str = nullptr}, 0, 0, AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {"framerate", nullptr, offsetof(FramePriv, framerate), AV_OPT_TYPE_STRING, {.str = "ntsc"}, 0,
     0, AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {nullptr, nullptr, 0, AV_OPT_TYPE_INT, {.i64 = 0}, 0, 0, 0, nullptr},
};

const char* FrameItemName(void*) { return "FrameInputFormat"; }

AVClass MakeFrameClass() {
  AVClass c{};
  c.class_name = "FrameInputFormat";
  c.item_name = FrameItemName;
  c.option = kFrameOptions;
  c.version = LIBAVUTIL_VERSION_INT;
  return c;
}

const AVClass kFrameClass = MakeFrameClass();

const media::TInputFormat kFrameFormat = {
    "frameinput", "Frame input", AVFMT_NOFILE, &kFrameClass, sizeof(FramePriv),
    nullptr,      nullptr,       nullptr,
};

}  // namespace

void EngineTest::SetUpTestSuite() {
  media::InitMainThread();
  media::FFLoader().SetLibraryFolder("");
  ASSERT_TRUE(media::FFLoader().LoadLibrarySet(media::kAllLibraries))
      << media::FFLoader().LastLoaderError();
  // The real frame source registers the same name; either one will do.
  if (!media::FindInputFormat("frameinput")) media::RegisterInputFormat(&kFrameFormat);
}

void EngineTest::SetUp() {
  savedLibraryLevel_ = ff::av_log_get_level();
  // An empty message ends the logger's repeat suppression, so a line logged
  // by an earlier test is delivered again.
  ff::av_log(nullptr, AV_LOG_QUIET, "%s", "");
  media::DefaultLogger().SetLogLevel(media::llDebug);
  media::DefaultLogger().SetOnLog(
      [this](const void*, uint32_t, media::TLogLevel level, const std::string& text) {
        std::lock_guard guard(lock_);
        lines_.push_back({level, text});
      });
}

void EngineTest::TearDown() {
  media::DefaultLogger().SetOnLog(nullptr);
  ff::av_log_set_level(savedLibraryLevel_);
}

std::vector<LogLine> EngineTest::Logged() {
  std::lock_guard guard(lock_);
  return lines_;
}

bool EngineTest::WasLogged(media::TLogLevel level, const std::string& text) {
  for (const LogLine& line : Logged())
    if (line.level == level && line.text == text) return true;
  return false;
}

std::string EngineTest::DictValue(const AVDictionary* dict, const char* key) {
  const AVDictionaryEntry* e = ff::av_dict_get(dict, key, nullptr, 0);
  return e ? e->value : "<none>";
}

int EngineTest::DictCount(const AVDictionary* dict) {
  int n = 0;
  const AVDictionaryEntry* e = nullptr;
  while ((e = ff::av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX))) ++n;
  return n;
}

}  // namespace engine_test
