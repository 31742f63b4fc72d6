// The per-frame video hooks: decoded pictures on their way into the filter
// graph, and pictures on their way into the encoder, handed over as planes
// or as bitmaps of the engine's two format converters.
#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"
#include "media/picture/format_converter.h"

namespace engine {
namespace {

media::TPicture PlanesOf(const AVFrame& frame) {
  media::TPicture planes;
  for (int i = 0; i < 4; ++i) {
    planes.data[i] = frame.data[i];
    planes.linesize[i] = frame.linesize[i];
  }
  return planes;
}

// Copies the picture into the engine's buffer frame, which is made anew only
// when the size or format changes or the graph or encoder still holds it.
// Null when no buffer can be had.
AVFrame* CopyToHookBuffer(FramePtr& buffer, const AVFrame& picture) {
  if (!buffer) buffer.reset(ff::av_frame_alloc());
  AVFrame* copy = buffer.get();
  if (!copy) return nullptr;
  const bool reusable = copy->buf[0] && copy->width == picture.width &&
                        copy->height == picture.height && copy->format == picture.format &&
                        ff::av_frame_is_writable(copy);
  if (!reusable) {
    ff::av_frame_unref(copy);
    copy->width = picture.width;
    copy->height = picture.height;
    copy->format = picture.format;
    if (ff::av_frame_get_buffer(copy, 0) < 0) {
      ff::av_frame_unref(copy);
      return nullptr;
    }
  }
  if (ff::av_frame_copy(copy, &picture) < 0 || ff::av_frame_copy_props(copy, &picture) < 0)
    return nullptr;
  return copy;
}

}  // namespace

void TTranscoder::ReleaseHookBuffers() {
  hookBuffers_.inputFrame.reset();
  hookBuffers_.outputFrame.reset();
  audioHook_.Release();
}

bool TTranscoder::PerFrameHooksActive() const {
  return OnVideoInputHook || OnVideoOutputHook || OnFrameInputHook || OnFrameOutputHook ||
         (FrameHooksEnabled() && FrameHookCount() > 0);
}

AVFrame* TTranscoder::PreProcessVideoFrame(InputStream& ist, AVFrame* decoded) {
  ++ist.frames_decoded;
  const bool plugins = FrameHooksEnabled() && FrameHookCount() > 0;
  if (!OnFrameInputHook && !OnVideoInputHook && !plugins) return decoded;
  AVFrame* copy = CopyToHookBuffer(hookBuffers_.inputFrame, *decoded);
  if (!copy) {
    Log(media::llError, "hook buf malloc error in pre_process_video_frame().");
    return decoded;
  }
  const int frameNumber = int(ist.frames_decoded);
  if (OnFrameInputHook) {
    media::TPicture planes = PlanesOf(*copy);
    OnFrameInputHook(FrameHookCall{planes, AVPixelFormat(copy->format), copy->width, copy->height,
                                   frameNumber, copy->pts});
  }
  if (OnVideoInputHook)
    RunBitmapHook(OnVideoInputHook, InputHookConverter(), *copy, frameNumber, copy->pts);
  else if (plugins)
    RunFrameHooks(copy);
  return copy;
}

AVFrame* TTranscoder::RunOutputHooks(OutputStream& ost, AVFrame* picture) {
  hookBuffers_.outputBitmapFresh = false;
  if (!OnVideoOutputHook && !OnFrameOutputHook) return picture;
  AVFrame* copy = CopyToHookBuffer(hookBuffers_.outputFrame, *picture);
  if (!copy) {
    Log(media::llError, "hook buf malloc error.");
    return picture;
  }
  const int frameNumber = int(ost.frame_number + 1);
  // The time of this output frame, so that repeated pictures differ.
  const int64_t pts = ff::av_rescale_q(ost.sync_opts, ost.enc_ctx->time_base, AV_TIME_BASE_Q);
  if (OnVideoOutputHook)
    hookBuffers_.outputBitmapFresh = RunBitmapHook(OnVideoOutputHook, OutputConverter(), *copy, frameNumber, pts);
  if (OnFrameOutputHook) {
    media::TPicture planes = PlanesOf(*copy);
    OnFrameOutputHook(FrameHookCall{planes, AVPixelFormat(copy->format), copy->width,
                                    copy->height, frameNumber, pts});
    // The planes may no longer match the bitmap.
    hookBuffers_.outputBitmapFresh = false;
  }
  return copy;
}

// Hands the picture to the hook as a bitmap and writes the bitmap back when
// the handler lets it; true when the picture now holds the bitmap.
bool TTranscoder::RunBitmapHook(VideoHook& hook, media::TFormatConverter& converter,
                                AVFrame& picture, int frameNumber, int64_t pts) {
  const media::TPicture planes = PlanesOf(picture);
  const AVPixelFormat format = AVPixelFormat(picture.format);
  if (!converter.LoadFramePicture(planes, format, picture.width, picture.height, true)) {
    Log(media::llError, converter.LastError());
    hook = nullptr;
    return false;
  }
  VideoHookCall call{converter.Bitmap(), frameNumber, pts};
  try {
    hook(call);
  } catch (const std::exception& e) {
    Log(media::llError, std::string("Error occurs VideoHook event: ") + e.what());
    call.update = false;
  } catch (...) {
    Log(media::llError, "Error occurs VideoHook event: unknown exception");
    call.update = false;
  }
  bool wroteBack = false;
  if (call.update) {
    converter.CopyBitmapToPicture();
    // A picture already in the bitmap's layout was the converter's own
    // picture and has just been written; others are scaled back.
    const bool inPlace = converter.CurrentPicture().data[0] == planes.data[0];
    if (!inPlace && !converter.StorePicture(planes, format, picture.width, picture.height)) {
      Log(media::llError, converter.LastError());
      hook = nullptr;
      return false;
    }
    wroteBack = true;
  }
  if (call.stop) hook = nullptr;
  return wroteBack;
}

}  // namespace engine
