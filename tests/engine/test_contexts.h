// Demuxer contexts with chosen streams and programs, built through the real
// library, for tests of stream selection.
#pragma once

#include <initializer_list>
#include <memory>
#include <utility>

#include "media/binding/ff_entry_points.h"

namespace engine_test {

struct ContextDeleter {
  void operator()(AVFormatContext* s) const { ff::avformat_free_context(s); }
};
using ContextPtr = std::unique_ptr<AVFormatContext, ContextDeleter>;

struct StreamKind {
  AVMediaType type;
  int channels = 0;  // audio only
};

inline ContextPtr MakeContext(std::initializer_list<StreamKind> streams) {
  ContextPtr s(ff::avformat_alloc_context());
  for (const StreamKind& kind : streams) {
    AVStream* st = ff::avformat_new_stream(s.get(), nullptr);
    st->codecpar->codec_type = kind.type;
    if (kind.type == AVMEDIA_TYPE_AUDIO) {
      st->codecpar->ch_layout.order = AV_CHANNEL_ORDER_UNSPEC;
      st->codecpar->ch_layout.nb_channels = kind.channels;
    }
  }
  return s;
}

inline void AddProgram(AVFormatContext* s, int id, std::initializer_list<unsigned> streams) {
  ff::av_new_program(s, id);
  for (unsigned index : streams) ff::av_program_add_stream_index(s, id, index);
}

}  // namespace engine_test
