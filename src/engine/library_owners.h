// Owners for the library objects the engine's stages hold.
#pragma once

#include <cstdio>
#include <memory>

#include "media/binding/ff_entry_points.h"

namespace engine {

struct CodecContextFree {
  void operator()(AVCodecContext* c) const {
    // Second-pass statistics belong to the caller, not to the library.
    if (c) ff::av_freep(&c->stats_in);
    ff::avcodec_free_context(&c);
  }
};
struct FileClose {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
struct FrameFree {
  void operator()(AVFrame* f) const { ff::av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { ff::av_packet_free(&p); }
};
struct GraphFree {
  void operator()(AVFilterGraph* g) const { ff::avfilter_graph_free(&g); }
};
struct FifoFree {
  void operator()(AVAudioFifo* f) const { ff::av_audio_fifo_free(f); }
};
struct SwrFree {
  void operator()(SwrContext* s) const { ff::swr_free(&s); }
};
struct BsfFree {
  void operator()(AVBSFContext* b) const { ff::av_bsf_free(&b); }
};
struct DictFree {
  void operator()(AVDictionary* d) const { ff::av_dict_free(&d); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using GraphPtr = std::unique_ptr<AVFilterGraph, GraphFree>;
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;
using BsfPtr = std::unique_ptr<AVBSFContext, BsfFree>;

}  // namespace engine
