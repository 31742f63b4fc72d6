#include "engine_fixture.h"

#include "media/binding/ff_loader.h"
#include "media/binding/ff_logger.h"
#include "media/frame_source/frame_input_adapter.h"
#include "media/frame_source/input_format_registry.h"
#include "media/bridges/main_thread.h"

namespace engine_test {

void EngineTest::SetUpTestSuite() {
  media::InitMainThread();
  media::FFLoader().SetLibraryFolder("");
  ASSERT_TRUE(media::FFLoader().LoadLibrarySet(media::kAllLibraries))
      << media::FFLoader().LastLoaderError();
  // The frame source's private options ("input_type", ...) must be known
  // to the catch-all, as they are once the application has registered it.
  media::RegisterFrameInputFormat();
  ASSERT_NE(media::FindInputFormat("frameinput"), nullptr);
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
