#include "engine/video/video_hooks.h"

#include <string>

#include "engine/custom_ffmpeg.h"
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

// Hands the picture to the hook as a bitmap and writes the bitmap back when
// the handler lets it; true when the picture now holds the bitmap.
bool RunBitmapHook(TCustomFFmpeg& e, VideoHook& hook, media::TFormatConverter& converter,
                   AVFrame& picture, int frameNumber, int64_t pts) {
  const media::TPicture planes = PlanesOf(picture);
  const AVPixelFormat format = AVPixelFormat(picture.format);
  if (!converter.LoadFramePicture(planes, format, picture.width, picture.height, true)) {
    e.Log(media::llError, converter.LastError());
    hook = nullptr;
    return false;
  }
  VideoHookCall call{converter.Bitmap(), frameNumber, pts};
  try {
    hook(call);
  } catch (const std::exception& err) {
    e.Log(media::llError, std::string("Error occurs VideoHook event: ") + err.what());
    call.update = false;
  } catch (...) {
    e.Log(media::llError, "Error occurs VideoHook event: unknown exception");
    call.update = false;
  }
  bool wroteBack = false;
  if (call.update) {
    converter.CopyBitmapToPicture();
    // A picture already in the bitmap's layout was the converter's own
    // picture and has just been written; others are scaled back.
    const bool inPlace = converter.CurrentPicture().data[0] == planes.data[0];
    if (!inPlace && !converter.StorePicture(planes, format, picture.width, picture.height)) {
      e.Log(media::llError, converter.LastError());
      hook = nullptr;
      return false;
    }
    wroteBack = true;
  }
  if (call.stop) hook = nullptr;
  return wroteBack;
}

}  // namespace


void VideoHooks::Release() {
  inputFrame_.reset();
  outputFrame_.reset();
}

AVFrame* VideoHooks::RunInput(TCustomFFmpeg& e, VideoHookPair hooks, AVFrame* decoded,
                              int frameNumber) {
  const bool plugins = e.FrameHooksEnabled() && e.FrameHookCount() > 0;
  if (!hooks.planes && !hooks.bitmap && !plugins) return decoded;
  AVFrame* copy = CopyToHookBuffer(inputFrame_, *decoded);
  if (!copy) {
    e.Log(media::llError, "hook buf malloc error in pre_process_video_frame().");
    return decoded;
  }
  if (hooks.planes) {
    media::TPicture planes = PlanesOf(*copy);
    hooks.planes(FrameHookCall{planes, AVPixelFormat(copy->format), copy->width, copy->height,
                               frameNumber, copy->pts});
  }
  if (hooks.bitmap)
    RunBitmapHook(e, hooks.bitmap, e.InputHookConverter(), *copy, frameNumber, copy->pts);
  else if (plugins)
    e.RunFrameHooks(copy);
  return copy;
}

AVFrame* VideoHooks::RunOutput(TCustomFFmpeg& e, VideoHookPair hooks, AVFrame* picture,
                               int frameNumber, int64_t pts) {
  outputBitmapFresh_ = false;
  if (!hooks.bitmap && !hooks.planes) return picture;
  AVFrame* copy = CopyToHookBuffer(outputFrame_, *picture);
  if (!copy) {
    e.Log(media::llError, "hook buf malloc error.");
    return picture;
  }
  if (hooks.bitmap)
    outputBitmapFresh_ =
        RunBitmapHook(e, hooks.bitmap, e.OutputConverter(), *copy, frameNumber, pts);
  if (hooks.planes) {
    media::TPicture planes = PlanesOf(*copy);
    hooks.planes(FrameHookCall{planes, AVPixelFormat(copy->format), copy->width, copy->height,
                               frameNumber, pts});
    // The planes may no longer match the bitmap.
    outputBitmapFresh_ = false;
  }
  return copy;
}

}  // namespace engine
