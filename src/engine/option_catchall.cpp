// The catch-all row: names the table does not know are looked up among the
// options of the codecs, the formats (ours included) and the scaler, and
// kept for the next file that is opened.
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/custom_ffmpeg.h"
#include "engine/option_handlers.h"
#include "media/binding/ff_utils.h"
#include "media/frame_source/input_format_registry.h"

namespace engine {
namespace {

constexpr int kSearchAll = AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ;

const AVOption* FindIn(const AVClass* cls, const char* name, int flags) {
  return cls ? ff::av_opt_find(&cls, name, nullptr, 0, flags) : nullptr;
}

// Flag options add up when given more than once.
int DictFlagsFor(const AVOption* o) { return o->type == AV_OPT_TYPE_FLAGS ? AV_DICT_APPEND : 0; }

const AVOption* FindFormatOption(const char* name) {
  if (const AVOption* o = FindIn(ff::avformat_get_class(), name, kSearchAll)) return o;
  // Our own input formats are unknown to libavformat.
  for (const media::TInputFormat* format : media::RegisteredInputFormats())
    if (const AVOption* o = FindIn(format->priv_class, name, AV_OPT_SEARCH_FAKE_OBJ)) return o;
  return nullptr;
}

}  // namespace

int OptDefault(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions*) {
  // The searches use the name without its stream specifier, cut to what a
  // 128-byte name buffer holds; the dictionaries keep the name as typed so
  // the specifier can be matched when the file is opened.
  char name[128];
  const char* colon = std::strchr(opt, ':');
  const std::size_t length =
      std::min<std::size_t>(colon ? std::size_t(colon - opt) : std::strlen(opt), sizeof name - 1);
  std::memcpy(name, opt, length);
  name[length] = '\0';

  bool found = false;
  const AVClass* codec_class = ff::avcodec_get_class();
  const AVOption* o = FindIn(codec_class, name, kSearchAll);
  if (!o && name[0] && std::strchr("vas", name[0]))
    o = FindIn(codec_class, name + 1, AV_OPT_SEARCH_FAKE_OBJ);
  if (o) {
    ff::av_dict_set(engine.CodecOptionsRef(), opt, arg, DictFlagsFor(o));
    found = true;
  }
  if ((o = FindFormatOption(name))) {
    ff::av_dict_set(engine.FormatOptionsRef(), opt, arg, DictFlagsFor(o));
    found = true;
  }
  if (FindIn(ff::sws_get_class(), name, kSearchAll)) {
    SwsContext* sws = engine.ScalerOptions();
    const int ret = sws ? ff::av_opt_set(sws, name, arg, 0) : AVERROR(ENOMEM);
    if (ret < 0) {
      engine.SetOptionMessage(media::FormatText("Error setting option \"%s\"", opt));
      return ret;
    }
    found = true;
  }
  if (found) return 0;
  engine.SetOptionMessage(media::FormatText("Unrecognized option \"%s\"", opt));
  return AVERROR_OPTION_NOT_FOUND;
}

}  // namespace engine
