#include "engine/held_frames.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "media/binding/ff_entry_points.h"

namespace engine {

bool HeldFrames::ContainerAllows(const AVOutputFormat* format) {
  if (!format || !format->name) return false;
  for (const char* name : {"mp4", "mov", "matroska", "webm"})
    if (std::strcmp(format->name, name) == 0) return true;
  return false;
}

HeldFrames::HeldFrames(AVRational timeBase)
    : keyInterval_(std::max<int64_t>(1, std::llround(kKeyframeSeconds / av_q2d(timeBase)))),
      held_(ff::av_frame_alloc()) {}

HeldFrames::~HeldFrames() { ff::av_frame_free(&held_); }

bool HeldFrames::Encode(AVFrame* picture, bool repeat) {
  const bool keyDue = lastKey_ == INT64_MIN || picture->pts - lastKey_ >= keyInterval_;
  if (repeat && !keyDue && held_) {
    // One reference per run of repeats: they all show the same picture.
    if (!skipping_ && ff::av_frame_ref(held_, picture) < 0) return true;
    skipping_ = true;
    lastSkipped_ = picture->pts;
    return false;
  }
  if (keyDue) {
    picture->pict_type = AV_PICTURE_TYPE_I;
    lastKey_ = picture->pts;
  }
  if (skipping_) ff::av_frame_unref(held_);
  skipping_ = false;
  return true;
}

AVFrame* HeldFrames::ClosingPicture() {
  if (!skipping_) return nullptr;
  skipping_ = false;
  held_->pts = lastSkipped_;
  held_->pict_type = AV_PICTURE_TYPE_NONE;
  return held_;
}

}  // namespace engine
