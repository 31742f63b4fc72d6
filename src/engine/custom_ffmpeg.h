// One transcoding engine: converts one task. This file holds what options
// write into (settings, the per-file record, the option dictionaries) and
// the option parsing entry points; opening files and the conversion loop
// build on the same object.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/engine_settings.h"
#include "engine/ffmpeg_exception.h"
#include "engine/file_options.h"
#include "engine/option_table.h"
#include "media/binding/ff_entry_points.h"
#include "media/picture/frame_hooks.h"
#include "media/binding/log_level.h"

namespace media {
class TFormatConverter;
}

namespace engine {

class TCustomFFmpeg {
 public:
  // Requires every media library to be loaded and bound (set 255);
  // throws std::logic_error otherwise.
  TCustomFFmpeg();
  virtual ~TCustomFFmpeg();
  TCustomFFmpeg(const TCustomFFmpeg&) = delete;
  TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

  // Parses one option string into the settings, the dictionaries and
  // FileOptions. With OptionErrorsFatal a failure throws FFmpegException;
  // without, it is stored and logged and parsing goes on. Returns 0, or the
  // code of the last failure when failures were not fatal.
  int ParseOptions(const std::string& text);
  // Parses "key=value" lines (a preset text) into the same places.
  int ParsePresets(const std::string& text);
  // One option by name as typed, with its argument (null when none follows).
  // Returns the number of arguments consumed (0 or 1) or a negative error;
  // the message is then in OptionMessage(). Never throws for a bad option.
  int ParseOption(const char* opt, const char* arg);

  bool OptionErrorsFatal() const { return optionErrorsFatal_; }
  void SetOptionErrorsFatal(bool on) { optionErrorsFatal_ = on; }

  EngineSettings& Settings() { return settings_; }
  const EngineSettings& Settings() const { return settings_; }
  FileOptions& FileOpts() { return fileOptions_; }
  const FileOptions& FileOpts() const { return fileOptions_; }

  // Catch-all options, handed to the libraries when the next file opens.
  AVDictionary* CodecOptions() const { return codecOpts_; }
  AVDictionary* FormatOptions() const { return formatOpts_; }
  SwsContext* ScalerOptions() const { return swsOpts_; }
  AVDictionary** CodecOptionsRef() { return &codecOpts_; }
  AVDictionary** FormatOptionsRef() { return &formatOpts_; }

  // Clears FileOptions and the option dictionaries and recreates the scaler
  // options. After an input the recording time stays in force.
  void ResetFileOptions(bool afterInput);

  const std::string& LastErrorText() const { return lastError_; }
  void SetLastErrorText(std::string text) { lastError_ = std::move(text); }
  // Stores the text as the last error, logs it at the fatal level, throws.
  [[noreturn]] void RaiseError(const std::string& text);

  // Text left by the option that failed last.
  const std::string& OptionMessage() const { return optionMessage_; }
  void SetOptionMessage(std::string text) { optionMessage_ = std::move(text); }

  void Log(media::TLogLevel level, const std::string& text) const;

  // Stream specifier check for a stream of an opened file: true when it
  // matches; a malformed specifier throws FFmpegException.
  bool MatchStreamSpecifier(const AVFormatContext* s, const AVStream* st,
                            const std::string& spec);
  // The value of the last element that matches the stream, or null.
  template <class T>
  const T* PerStreamValue(const SpecList<T>& list, const AVFormatContext* s,
                          const AVStream* st) {
    const T* found = nullptr;
    for (const auto& item : list)
      if (MatchStreamSpecifier(s, st, item.specifier)) found = &item.value;
    return found;
  }

  // Demuxer contexts of the inputs opened so far, in input order; stream
  // maps given for an output refer to them.
  virtual std::span<AVFormatContext* const> InputContexts() const { return {}; }

  // Hands a frame-hook plug-in (module and arguments) to the engine's
  // plug-in list; 0 on success, else the code of AddFrameHook.
  virtual int AddVideoHook(std::span<const std::string> moduleAndArgs);
  bool FrameHooksEnabled() const { return frameHooksEnabled_; }
  void EnableFrameHooks() { frameHooksEnabled_ = true; }
  std::size_t FrameHookCount() const { return frameHooks_.Size(); }
  // Lets every plug-in hook change the decoded picture in place (a shared
  // picture is copied first).
  void RunFrameHooks(AVFrame* frame);

  // Bits per pixel of the bitmaps handed to hooks and previews: sets both
  // format converters; anything but 8, 15, 16, 24, 32 throws
  // std::invalid_argument "Invalid BitsPixel %d".
  int HookBitsPerPixel() const { return hookBitsPerPixel_; }
  void SetHookBitsPerPixel(int bits);
  // One converter for the video input hook, one shared by the video output
  // hook and the previews.
  media::TFormatConverter& InputHookConverter() { return *inputConverter_; }
  media::TFormatConverter& OutputConverter() { return *outputConverter_; }

  // Decimal separator of the user's locale, for "TimeStart" and "TimeLength".
  char DecimalSeparator() const { return decimalSeparator_; }
  void SetDecimalSeparator(char separator) { decimalSeparator_ = separator; }

  // Timing and run settings used when the conversion runs.
  int64_t ProgressInterval() const { return progressInterval_; }
  void SetProgressInterval(int64_t us) { progressInterval_ = us; }
  int64_t PreviewInterval() const { return previewInterval_; }
  int InputTimeout() const { return inputTimeout_; }
  void SetInputTimeout(int ms) { inputTimeout_ = ms; }
  int OutputTimeout() const { return outputTimeout_; }
  void SetOutputTimeout(int ms) { outputTimeout_ = ms; }
  int64_t ExpectedTotalDuration() const { return expectedTotalDuration_; }

 private:
  int ParseOne(const char* opt, const char* arg, int* consumed);
  int StoreValue(const OptionEntry& row, const char* opt, const char* arg, bool negated);
  int CallHandler(const OptionEntry& row, const char* opt, const char* arg);
  void ApplyLogLevelFirst(const class OptionTokens& tokens);
  void FreeOptionDictionaries();

  EngineSettings settings_;
  FileOptions fileOptions_;
  AVDictionary* codecOpts_ = nullptr;
  AVDictionary* formatOpts_ = nullptr;
  SwsContext* swsOpts_ = nullptr;

  bool optionErrorsFatal_ = true;
  std::string lastError_;
  std::string optionMessage_;

  std::unique_ptr<media::TFormatConverter> inputConverter_;
  std::unique_ptr<media::TFormatConverter> outputConverter_;
  bool frameHooksEnabled_ = false;
  // Plug-ins may keep their arguments, so they live as long as the hooks.
  std::list<std::vector<std::string>> hookArguments_;
  media::TFrameHookList frameHooks_;
  int hookBitsPerPixel_ = 24;
  char decimalSeparator_ = '.';
  int64_t progressInterval_ = 500000;  // µs
  int64_t previewInterval_ = 100000;   // µs
  int inputTimeout_ = 30000;           // ms
  int outputTimeout_ = 30000;          // ms
  int64_t expectedTotalDuration_ = -1;  // µs; -1 until known
};

}  // namespace engine
