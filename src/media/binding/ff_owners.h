// Owners for the library objects that media code and the engine hold beyond
// one call: whatever path a function leaves by, they are released once.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "media/binding/ff_entry_points.h"
#include "media/frame_source/own_input.h"

namespace media {

// An option dictionary; Ref() hands the library the address it fills.
class DictOwner {
 public:
  DictOwner() = default;
  explicit DictOwner(AVDictionary* d) : dict_(d) {}
  DictOwner(DictOwner&& other) noexcept : dict_(std::exchange(other.dict_, nullptr)) {}
  DictOwner& operator=(DictOwner&& other) noexcept {
    std::swap(dict_, other.dict_);
    return *this;
  }
  ~DictOwner() { ff::av_dict_free(&dict_); }

  AVDictionary* get() const { return dict_; }
  AVDictionary** Ref() { return &dict_; }

 private:
  AVDictionary* dict_ = nullptr;
};

// One option dictionary per stream, laid out as the library wants the array.
class StreamDictList {
 public:
  explicit StreamDictList(size_t count) : dicts_(count, nullptr) {}
  StreamDictList(const StreamDictList&) = delete;
  StreamDictList& operator=(const StreamDictList&) = delete;
  ~StreamDictList() {
    for (AVDictionary*& d : dicts_) ff::av_dict_free(&d);
  }

  AVDictionary*& operator[](size_t i) { return dicts_[i]; }
  // Null when there are no streams.
  AVDictionary** data() { return dicts_.empty() ? nullptr : dicts_.data(); }

 private:
  std::vector<AVDictionary*> dicts_;
};

// An opened input: through the library or through our own format registry.
struct InputContextClose {
  bool own = false;
  void operator()(AVFormatContext* c) const {
    if (own) CloseOwnInput(&c);
    else ff::avformat_close_input(&c);
  }
};
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextClose>;

// An output context and the file it may have opened.
struct OutputContextFree {
  void operator()(AVFormatContext* c) const {
    if (!(c->oformat->flags & AVFMT_NOFILE)) ff::avio_closep(&c->pb);
    ff::avformat_free_context(c);
  }
};
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextFree>;

}  // namespace media
