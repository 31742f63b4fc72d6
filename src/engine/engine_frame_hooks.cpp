// The engine's side of frame-hook plug-ins: adding them from the "vhook"
// option and letting them see every decoded picture.
#include "engine/custom_ffmpeg.h"
#include "media/binding/ff_utils.h"

namespace engine {

int TCustomFFmpeg::AddVideoHook(std::span<const std::string> moduleAndArgs) {
  std::vector<std::string>& kept = hookArguments_.emplace_back(moduleAndArgs.begin(),
                                                               moduleAndArgs.end());
  std::vector<char*> argv;
  for (std::string& word : kept) argv.push_back(word.data());
  argv.push_back(nullptr);
  const int ret = media::AddFrameHook(frameHooks_, int(kept.size()), argv.data());
  if (ret < 0) hookArguments_.pop_back();
  return ret;
}

void TCustomFFmpeg::RunFrameHooks(AVFrame* frame) {
  if (frameHooks_.Empty()) return;
  // The decoder may still refer to the picture; the hooks get a copy then.
  if (ff::av_frame_make_writable(frame) < 0) {
    Log(media::llError, "hook buf malloc error in pre_process_video_frame().");
    return;
  }
  LsHookPicture picture;
  for (int p = 0; p < 4; ++p) {
    picture.data[p] = frame->data[p];
    picture.linesize[p] = frame->linesize[p];
  }
  media::ProcessFrameHooks(frameHooks_, &picture, frame->format, frame->width, frame->height,
                           frame->pts);
}

}  // namespace engine
