// Shared set-up for engine tests: the real media libraries from the system,
// a registered "frameinput"-style input format and a log recorder.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "engine/custom_ffmpeg.h"
#include "media/binding/log_level.h"

namespace engine_test {

struct LogLine {
  media::TLogLevel level;
  std::string text;
};

class EngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Lines logged since the test started (program and library messages).
  std::vector<LogLine> Logged();
  bool WasLogged(media::TLogLevel level, const std::string& text);

  // Codec or format dictionary value, or "<none>".
  static std::string DictValue(const AVDictionary* dict, const char* key);
  static int DictCount(const AVDictionary* dict);

 private:
  std::mutex lock_;
  std::vector<LogLine> lines_;
  int savedLibraryLevel_ = 0;
};

}  // namespace engine_test
