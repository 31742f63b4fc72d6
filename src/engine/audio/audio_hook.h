// The audio hook: every decoded audio frame, before resampling and encoding,
// handed to the handler as one block of interleaved samples it may change.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/hook_calls.h"
#include "media/binding/ff_entry_points.h"

namespace engine {

class TCustomFFmpeg;

// Used by the thread that runs the conversion only.
class AudioHookStage {
 public:
  // Calls the hook with the frame's samples at `pts` (µs); the frame is
  // made writable first and gets the handler's changes.
  void Run(const AudioHook& hook, const TCustomFFmpeg& log, int64_t pts, AVFrame& decoded);
  void Release() { std::vector<uint8_t>().swap(interleaved_); }

 private:
  std::vector<uint8_t> interleaved_;  // planar sound, interleaved for the handler
};

}  // namespace engine
