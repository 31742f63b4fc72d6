#include "engine/custom_ffmpeg.h"

#include <stdexcept>
#include <type_traits>

#include "engine/option_tokenizer.h"
#include "engine/stream_specifier.h"
#include "media/binding/ff_loader.h"
#include "media/binding/ff_logger.h"
#include "media/binding/ff_utils.h"
#include "media/picture/format_converter.h"

namespace engine {
namespace {

template <class T, class V>
struct IsAlternative;
template <class T, class... Ts>
struct IsAlternative<T, std::variant<Ts...>> : std::disjunction<std::is_same<T, Ts>...> {};
template <class P>
constexpr bool kIsTarget = IsAlternative<P, OptionTarget>::value;

std::string SpecifierOf(std::string_view opt) {
  const auto colon = opt.find(':');
  return colon == std::string_view::npos ? std::string() : std::string(opt.substr(colon + 1));
}

}  // namespace

TCustomFFmpeg::TCustomFFmpeg() {
  if (!media::FFLoader().LibrarySetLoaded(media::kAllLibraries))
    throw std::logic_error("Assertion failed: the media libraries are not loaded");
  inputConverter_ = std::make_unique<media::TFormatConverter>();
  outputConverter_ = std::make_unique<media::TFormatConverter>();
  ResetFileOptions(false);
}

TCustomFFmpeg::~TCustomFFmpeg() { FreeOptionDictionaries(); }

void TCustomFFmpeg::FreeOptionDictionaries() {
  // After the libraries were unloaded there is nothing left to free with.
  if (ff::av_dict_free) {
    ff::av_dict_free(&codecOpts_);
    ff::av_dict_free(&formatOpts_);
  }
  if (swsOpts_ && ff::sws_freeContext) ff::sws_freeContext(swsOpts_);
  codecOpts_ = formatOpts_ = nullptr;
  swsOpts_ = nullptr;
}

void TCustomFFmpeg::ResetFileOptions(bool afterInput) {
  fileOptions_.Reset(afterInput);
  FreeOptionDictionaries();
  // Scaler options live on a context; a tiny one is enough to hold them.
  swsOpts_ = ff::sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 16, 16, AV_PIX_FMT_YUV420P,
                                SWS_BICUBIC, nullptr, nullptr, nullptr);
}

void TCustomFFmpeg::Log(media::TLogLevel level, const std::string& text) const {
  media::Log(this, level, text);
}

void TCustomFFmpeg::RaiseError(const std::string& text) {
  lastError_ = text;
  Log(media::llFatal, text);
  throw FFmpegException(text);
}

int TCustomFFmpeg::ParseOptions(const std::string& text) {
  if (text.empty()) return 0;
  Log(media::llInfo, "ParseOptions: " + text);
  const OptionTokens tokens(text);
  ApplyLogLevelFirst(tokens);

  int result = 0;
  for (int i = 0; i < tokens.Count();) {
    const char* token = tokens[i];
    if (token[0] == '-' && token[1] != '\0') {
      const char* arg = i + 1 < tokens.Count() ? tokens[i + 1] : nullptr;
      optionMessage_.clear();
      int consumed = 0;
      const int ret = ParseOne(token + 1, arg, &consumed);
      // Past the option and, when its row takes one, past its argument,
      // whether it failed or not: parsing only ever moves forward.
      i += 1 + consumed;
      if (ret >= 0) continue;
      result = ret;
      const std::string message = optionMessage_.empty()
                                      ? media::FormatMediaError("Failed to parse options", ret)
                                      : optionMessage_;
      if (optionErrorsFatal_) RaiseError(message);
      lastError_ = message;
      Log(media::llError, message);
    } else {
      if (optionErrorsFatal_) {
        result = -1;
        RaiseError(token[0] ? std::string("Failed to parse options on ") + token
                            : std::string("Failed to parse options"));
      }
      ff::av_log(nullptr, AV_LOG_WARNING, "Invalid option found while parsing options, ignore\n");
      ++i;
    }
  }
  return result;
}

void TCustomFFmpeg::ApplyLogLevelFirst(const OptionTokens& tokens) {
  int loglevel_at = -1;
  int v_at = -1;
  for (int i = 0; i < tokens.Count(); ++i) {
    const char* token = tokens[i];
    if (token[0] != '-' || token[1] == '\0') continue;
    std::string_view name(token + 1);
    name = name.substr(0, name.find(':'));
    const OptionEntry* row = FindOption(name);
    // A "no" name is a negated boolean (no argument) or fails in the main loop.
    if (!row && name.starts_with("no")) continue;
    if (!row) row = FindOption("default");
    if (row->name == std::string_view("loglevel") && loglevel_at < 0) loglevel_at = i;
    if (row->name == std::string_view("v") && v_at < 0) v_at = i;
    if (loglevel_at >= 0) break;
    if (row->flags & kOptHasArg) ++i;
  }
  const int at = loglevel_at >= 0 ? loglevel_at : v_at;
  if (at >= 0 && at + 1 < tokens.Count()) {
    // Errors come again, with their normal handling, in the main loop.
    int consumed = 0;
    ParseOne(tokens[at] + 1, tokens[at + 1], &consumed);
    optionMessage_.clear();
  }
}

int TCustomFFmpeg::ParseOption(const char* opt, const char* arg) {
  int consumed = 0;
  const int ret = ParseOne(opt, arg, &consumed);
  return ret < 0 ? ret : consumed;
}

int TCustomFFmpeg::ParseOne(const char* opt, const char* arg, int* consumed) {
  *consumed = 0;
  const std::string_view typed(opt);
  const std::string_view base = typed.substr(0, typed.find(':'));
  const OptionEntry* row = FindOption(base);
  bool negated = false;
  if (!row && base.starts_with("no")) {
    // Only boolean rows take the prefix; other names starting with "no"
    // never reach the catch-all.
    row = FindOption(base.substr(2));
    if (!row || !(row->flags & kOptBool)) {
      optionMessage_ = media::FormatText("Unrecognized option \"%s\"", opt);
      return AVERROR(EINVAL);
    }
    negated = true;
  }
  if (!row) row = FindOption("default");
  if (!row) {
    optionMessage_ = media::FormatText("Unrecognized option \"%s\"", opt);
    return AVERROR(EINVAL);
  }
  if (row->flags & kOptHasArg) {
    if (!arg) {
      optionMessage_ = media::FormatText("Missing argument for option \"%s\"", opt);
      return AVERROR(EINVAL);
    }
    *consumed = 1;
  } else {
    arg = nullptr;
  }
  const int ret = StoreValue(*row, opt, arg, negated);
  return ret < 0 ? ret : *consumed;
}

int TCustomFFmpeg::StoreValue(const OptionEntry& row, const char* opt, const char* arg,
                              bool negated) {
  const uint32_t flags = row.flags;
  const OptionTarget& target = row.target;
  const std::string name(opt);
  // The value is read before a list element is appended, so a value that
  // does not parse leaves no half-filled element behind.
  // Handler rows run their handler even when kind bits are set: storing
  // "pre"'s text (flags 0x809) would have nowhere to go.
  if (std::holds_alternative<OptionHandler>(target)) return CallHandler(row, opt, arg);
  auto put = [&](auto value) {
    using T = decltype(value);
    if constexpr (kIsTarget<T EngineSettings::*>) {
      if (auto p = std::get_if<T EngineSettings::*>(&target)) {
        settings_.**p = std::move(value);
        return;
      }
    }
    if constexpr (kIsTarget<T FileOptions::*>) {
      if (auto p = std::get_if<T FileOptions::*>(&target)) {
        fileOptions_.**p = std::move(value);
        return;
      }
    }
    if constexpr (kIsTarget<SpecList<T> FileOptions::*>) {
      if (auto p = std::get_if<SpecList<T> FileOptions::*>(&target)) {
        (fileOptions_.**p).push_back({SpecifierOf(name), std::move(value)});
        return;
      }
    }
    throw std::logic_error("option row stores into a target of another type: " + name);
  };
  try {
    if (flags & kOptString) {
      put(std::string(arg));
    } else if (flags & kOptBool) {
      put(int32_t(negated ? 0 : 1));
    } else if (flags & kOptInt) {
      put(media::ParseIntegerValue(name, arg));
    } else if (flags & kOptInt64) {
      put(media::ParseInt64Value(name, arg));
    } else if (flags & kOptTime) {
      put(media::ParseTimeValue(name, arg, true));
    } else if (flags & kOptFloat) {
      put(media::ParseFloatValue(name, arg));
    } else {
      put(media::ParseDoubleValue(name, arg));
    }
  } catch (const std::runtime_error& e) {
    optionMessage_ = e.what();
    return AVERROR(EINVAL);
  }
  return 0;
}

int TCustomFFmpeg::CallHandler(const OptionEntry& row, const char* opt, const char* arg) {
  const OptionHandler handler = std::get<OptionHandler>(row.target);
  FileOptions* file = (row.flags & kOptFunc2) ? &fileOptions_ : nullptr;
  int ret;
  try {
    ret = handler(*this, opt, arg, file);
  } catch (const std::runtime_error& e) {
    // Raised by a value parser or by a nested RaiseError.
    optionMessage_ = e.what();
    ret = AVERROR(EINVAL);
  }
  if (ret < 0) {
    const std::string failed =
        media::FormatText("Failed to set value \"%s\" for option \"%s\"", arg ? arg : "", opt);
    optionMessage_ = optionMessage_.empty() ? failed : optionMessage_ + "\n" + failed;
  }
  return ret;
}

bool TCustomFFmpeg::MatchStreamSpecifier(const AVFormatContext* s, const AVStream* st,
                                         const std::string& spec) {
  std::string message;
  const int ret = CheckStreamSpecifier(s, st, spec.c_str(), &message);
  if (ret < 0) {
    Log(media::llError, message);
    RaiseError(media::FormatMediaError("check_stream_specifier", ret));
  }
  return ret > 0;
}

void TCustomFFmpeg::SetHookBitsPerPixel(int bits) {
  inputConverter_->SetBitsPerPixel(bits);
  outputConverter_->SetBitsPerPixel(bits);
  hookBitsPerPixel_ = bits;
}

}  // namespace engine
