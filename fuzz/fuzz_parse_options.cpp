// Option strings and preset texts through the engine's parser, with
// failures fatal or not: only FFmpegException may leave it, and a failure
// always leaves its message.
#include <cstddef>
#include <cstdint>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "engine/custom_ffmpeg.h"
#include "engine/ffmpeg_exception.h"
#include "media_setup.h"
#include "picture_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::LoadMediaOnce();
  FuzzedDataProvider in(data, size);
  const bool fatal = in.ConsumeBool();
  const bool presets = in.ConsumeBool();
  const bool resetAfterInput = in.ConsumeBool();
  const std::string options = in.ConsumeRandomLengthString(4096);
  const std::string preset = in.ConsumeRemainingBytesAsString();

  {
    engine::TCustomFFmpeg e;
    e.SetOptionErrorsFatal(fatal);
    try {
      if (e.ParseOptions(options) < 0 && e.LastErrorText().empty())
        fuzz::Fail("a failed option string left no message");
      e.ResetFileOptions(resetAfterInput);
      if (presets && e.ParsePresets(preset) < 0 && e.LastErrorText().empty())
        fuzz::Fail("a failed preset left no message");
    } catch (const engine::FFmpegException& x) {
      if (!fatal) fuzz::Fail("an exception although errors are not fatal");
      if (e.LastErrorText() != x.what()) fuzz::Fail("the exception and the stored message differ");
    }
  }
  fuzz::ResetMediaState();
  return 0;
}
