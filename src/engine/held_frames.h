// Encode only what changes: in containers that keep a duration per frame, a
// picture that repeats the one before is not encoded again; the one before
// lasts until the next picture. Keyframes still come every few seconds so
// that seeking stays quick, and the last picture is encoded once more at its
// own time, so the video ends when the constant-rate one would.
#pragma once

#include <cstdint>

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine {

class HeldFrames {
 public:
  // Keyframes at least this often, in seconds of the video.
  static constexpr double kKeyframeSeconds = 4.0;

  // MP4, MOV and Matroska (WebM too) keep each frame's duration.
  static bool ContainerAllows(const AVOutputFormat* format);

  explicit HeldFrames(AVRational timeBase);
  ~HeldFrames();
  HeldFrames(const HeldFrames&) = delete;
  HeldFrames& operator=(const HeldFrames&) = delete;

  // Whether `picture` (time stamp set, in the encoder's time base) goes to
  // the encoder; `repeat` says it shows what the picture before showed. A
  // picture encoded may be marked as a keyframe.
  bool Encode(AVFrame* picture, bool repeat);
  // The picture that closes the video when the last ones were left out, at
  // the time of the last of them; null otherwise. Called once at the end.
  AVFrame* ClosingPicture();

 private:
  int64_t keyInterval_;             // in time-base ticks
  int64_t lastKey_ = INT64_MIN;     // time stamp of the last forced keyframe
  int64_t lastSkipped_ = 0;         // time stamp of the last picture left out
  bool skipping_ = false;           // the last picture was left out
  AVFrame* held_ = nullptr;         // owned: a reference to the picture left out
};

}  // namespace engine
