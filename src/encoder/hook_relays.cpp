// The per-frame hooks between the engines and the application: connecting
// them as the output options ask, and relaying each call on the worker.
#include "encoder/ff_encoder.h"
#include "encoder/ffmpeg_task.h"

namespace encoder {

void TCustomEncoder::ConnectSampleAndBitmapHooks(TFFmpeg& e, const TOutputOptions& options) {
  if (options.AudioHook)
    e.OnAudioHook = [this, &e](const engine::AudioHookCall& call) { DoAudioHook(e, call); };
  if (options.VideoInputHook)
    e.OnVideoInputHook = [this, &e](engine::VideoHookCall& call) { DoVideoInputHook(e, call); };
  if (options.VideoOutputHook)
    e.OnVideoOutputHook = [this, &e](engine::VideoHookCall& call) { DoVideoOutputHook(e, call); };
}

void TCustomEncoder::ConnectFrameHooks(TFFmpeg& e, const TOutputOptions& options) {
  if (options.FrameInputHook)
    e.OnFrameInputHook = [this, &e](const engine::FrameHookCall& call) {
      DoFrameInputHook(e, call);
    };
  if (options.FrameOutputHook)
    e.OnFrameOutputHook = [this, &e](const engine::FrameHookCall& call) {
      DoFrameOutputHook(e, call);
    };
}

void TCustomEncoder::DoAudioHook(TFFmpeg& engine, const engine::AudioHookCall& call) {
  if (!OnAudioHook) return;
  std::lock_guard guard(audioLock_);
  if (auto handler = OnAudioHook.Get())
    (*handler)(this, TaskIndexOf(engine), call.pts, call.samples, call.size, call.sampleRate,
               call.channels, call.format);
}

void TCustomEncoder::DoVideoInputHook(TFFmpeg& engine, engine::VideoHookCall& call) {
  RelayVideoHook(engine, call, OnVideoInputHook);
}

void TCustomEncoder::DoVideoOutputHook(TFFmpeg& engine, engine::VideoHookCall& call) {
  RelayVideoHook(engine, call, OnVideoOutputHook);
}

void TCustomEncoder::DoFrameInputHook(TFFmpeg& engine, const engine::FrameHookCall& call) {
  RelayFrameHook(engine, call, OnFrameInputHook);
}

void TCustomEncoder::DoFrameOutputHook(TFFmpeg& engine, const engine::FrameHookCall& call) {
  RelayFrameHook(engine, call, OnFrameOutputHook);
}

// An exception from the handler goes on into the engine, which logs it and
// keeps the picture as it was.
void TCustomEncoder::RelayVideoHook(TFFmpeg& engine, engine::VideoHookCall& call,
                                    const TEventSlot<TVideoHookEvent>& slot) {
  auto handler = slot.Get();
  if (!handler) return;
  std::lock_guard guard(videoHookLock_);
  hookBuffer_ = THookInfo{TaskIndexOf(engine), &call.bitmap, call.frameNumber, call.pts,
                          call.update, call.stop};
  (*handler)(this, &hookBuffer_);
  call.update = hookBuffer_.Update;
  call.stop = hookBuffer_.StopHook;
}

void TCustomEncoder::RelayFrameHook(TFFmpeg& engine, const engine::FrameHookCall& call,
                                    const TEventSlot<TFrameHookEvent>& slot) {
  auto handler = slot.Get();
  if (!handler) return;
  std::lock_guard guard(frameHookLock_);
  frameHookBuffer_ = TFrameHookInfo{TaskIndexOf(engine), call.frameNumber, &call.picture,
                                    call.format, call.width, call.height, call.pts};
  (*handler)(this, &frameHookBuffer_);
}

}  // namespace encoder
