// The per-frame video hooks: decoded pictures on their way into the filters
// and pictures on their way into the encoder, handed to the handlers as
// planes or as bitmaps of the engine's two format converters, on copies the
// stage owns. Changes made by a handler go on into the output.
#pragma once

#include <cstdint>

#include "engine/hook_calls.h"
#include "engine/library_owners.h"

namespace engine {

class TCustomFFmpeg;

// The handlers on one side (input or output); a bitmap hook whose
// conversion fails or whose handler asks to stop is cleared.
struct VideoHookPair {
  VideoHook& bitmap;
  const FrameHook& planes;
};

// Used by the thread that runs the conversion only.
class VideoHooks {
 public:
  // Each returns the picture to go on with: the stage's copy, or the one
  // given when no hook is set or no copy could be had.
  // frameNumber counts decoded pictures from 1; plug-ins run when no
  // bitmap hook is set.
  AVFrame* RunInput(TCustomFFmpeg& e, VideoHookPair hooks, AVFrame* decoded, int frameNumber);
  // frameNumber counts output frames from 1; pts is the output frame's time.
  AVFrame* RunOutput(TCustomFFmpeg& e, VideoHookPair hooks, AVFrame* picture, int frameNumber,
                     int64_t pts);
  // The output converter's bitmap holds the picture being encoded, written
  // back by the output hook: the preview need not convert it again.
  bool OutputBitmapFresh() const { return outputBitmapFresh_; }
  void Release();

 private:
  FramePtr inputFrame_;
  FramePtr outputFrame_;
  bool outputBitmapFresh_ = false;
};

}  // namespace engine
