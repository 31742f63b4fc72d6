#include "media/frame_source/own_input.h"

#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "media/binding/ff_entry_points.h"

namespace media {

namespace {

// One per open input. The context's iformat points at the descriptor, which
// is the first member, so the state is found from the context alone.
struct OwnInput {
  AVInputFormat descriptor{};
  const TInputFormat* format = nullptr;
  std::string* failure = nullptr;  // owned; rare, so kept out of the way

  OwnInput() = default;
  OwnInput(const OwnInput&) = delete;
  OwnInput& operator=(const OwnInput&) = delete;
  ~OwnInput() { delete failure; }

  std::string TakeFailure() {
    std::string text;
    if (failure) {
      text = std::move(*failure);
      delete failure;
      failure = nullptr;
    }
    return text;
  }
};
static_assert(std::is_standard_layout_v<OwnInput>);

OwnInput* StateOf(const AVFormatContext* s) {
  return reinterpret_cast<OwnInput*>(const_cast<AVInputFormat*>(s->iformat));
}

// Frees the private data ourselves and hides the descriptor, so that
// avformat_free_context neither frees the private data a second time nor
// reads a descriptor that dies with the OwnInput.
void FreeContext(AVFormatContext* s, const TInputFormat* format) {
  if (s->priv_data) {
    if (format->priv_class) ff::av_opt_free(s->priv_data);
    ff::av_freep(&s->priv_data);
  }
  s->iformat = nullptr;
  ff::avformat_free_context(s);
}

}  // namespace

int OpenOwnInput(const TInputFormat* format, const char* url, AVDictionary** formatOptions,
                 AVFormatContext** out) {
  if (!out) return AVERROR(EINVAL);
  *out = nullptr;
  if (!format || format->priv_data_size < 0 || (format->priv_class && format->priv_data_size <
                                                                          int(sizeof(AVClass*))))
    return AVERROR(EINVAL);
  // Formats that read a file would need the I/O layer opened here too; none
  // of ours does.
  if (!(format->flags & AVFMT_NOFILE)) return AVERROR(ENOSYS);

  // Only public fields of the descriptor are filled; the rest stays zero.
  // This holds because libavformat reaches the read routines only through
  // its own demuxing calls, which we never make on this context: the calls
  // we do make (stream info, dump, options, free) read the public fields
  // alone. own_input_test checks that assumption against the installed
  // library.
  auto own = std::make_unique<OwnInput>();
  own->format = format;
  own->descriptor.name = format->name;
  own->descriptor.long_name = format->long_name;
  own->descriptor.flags = format->flags;
  own->descriptor.priv_class = format->priv_class;

  AVFormatContext* s = ff::avformat_alloc_context();
  if (!s) return AVERROR(ENOMEM);
  s->iformat = &own->descriptor;
  auto fail = [&](int error) {
    FreeContext(s, format);
    return error;
  };

  s->url = ff::av_strdup(url ? url : "");
  if (!s->url) return fail(AVERROR(ENOMEM));
  int ret = 0;
  if (formatOptions && (ret = ff::av_opt_set_dict(s, formatOptions)) < 0) return fail(ret);
  if (format->priv_data_size > 0) {
    s->priv_data = ff::av_mallocz(size_t(format->priv_data_size));
    if (!s->priv_data) return fail(AVERROR(ENOMEM));
    if (format->priv_class) {
      *static_cast<const AVClass**>(s->priv_data) = format->priv_class;
      ff::av_opt_set_defaults(s->priv_data);
      if (formatOptions && (ret = ff::av_opt_set_dict(s->priv_data, formatOptions)) < 0)
        return fail(ret);
    }
  }

  if (format->read_header && (ret = format->read_header(s)) < 0) {
    // A failed read_header has released what it made; the rest is ours.
    std::string failure = own->TakeFailure();
    fail(ret);
    if (!failure.empty()) throw std::runtime_error(failure);
    return ret;
  }
  own.release();  // now owned by the context, freed in CloseOwnInput
  *out = s;
  return 0;
}

int ReadOwnPacket(AVFormatContext* s, AVPacket* pkt) {
  OwnInput* own = StateOf(s);
  if (!own->format->read_packet) return AVERROR_EOF;
  const int ret = own->format->read_packet(s, pkt);
  if (ret >= 0) return 0;
  std::string failure = own->TakeFailure();
  if (!failure.empty()) throw std::runtime_error(failure);
  return ret;
}

void CloseOwnInput(AVFormatContext** ps) {
  if (!ps || !*ps) return;
  AVFormatContext* s = std::exchange(*ps, nullptr);
  std::unique_ptr<OwnInput> own(StateOf(s));
  if (own->format->read_close) own->format->read_close(s);
  FreeContext(s, own->format);
}

void SetOwnInputFailure(AVFormatContext* s, std::string text) {
  OwnInput* own = StateOf(s);
  if (!own->failure) own->failure = new std::string;
  *own->failure = std::move(text);
}

}  // namespace media
