// What the engine hands to the per-frame hooks its owner connects: decoded
// pictures before the filter graph, pictures about to be encoded, and
// decoded sound before resampling. Every hook runs on the conversion thread.
#pragma once

#include <cstdint>
#include <functional>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/samplefmt.h>
}

#include "media/picture/format_converter.h"

namespace gfx {
class Bitmap;
}

namespace engine {

// A picture as a bitmap. The handler may draw on it; with update still set
// afterwards the drawing goes back into the picture. Setting stop ends the
// calls of this hook for the rest of the run.
struct VideoHookCall {
  gfx::Bitmap& bitmap;
  int frameNumber;  // counted from 1
  int64_t pts;      // µs
  bool update = true;
  bool stop = false;
};

// A picture's planes; the handler may change the pixels in place.
struct FrameHookCall {
  media::TPicture& picture;
  AVPixelFormat format;
  int width;
  int height;
  int frameNumber;  // counted from 1
  int64_t pts;      // µs
};

// One decoded audio frame, interleaved: `size` bytes of `format` samples.
// The handler may change the samples in place.
struct AudioHookCall {
  int64_t pts;  // µs
  uint8_t* samples;
  int size;
  int sampleRate;
  int channels;
  AVSampleFormat format;
};

using VideoHook = std::function<void(VideoHookCall&)>;
using FrameHook = std::function<void(const FrameHookCall&)>;
using AudioHook = std::function<void(const AudioHookCall&)>;

}  // namespace engine
