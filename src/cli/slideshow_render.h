// One slideshow run: the window's timeline feeding the frame source, the
// encoder component running one task with the window's option strings.
#pragma once

#include <cstdint>
#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "cli/render_options.h"
#include "cli/segments.h"
#include "encoder/ff_encoder.h"
#include "encoder/sound_track.h"
#include "slideshow/slideshow_timeline.h"

namespace cli {

// The frame source's options, as the window's start action; "-re" only for
// real time.
std::string VideoInputOptions(const RenderOptions& o);
// The output's: the chosen encoders, size and rate; `recording` adds the
// fragmented layout of MP4 and MOV recordings.
std::string OutputOptions(const RenderOptions& o, const VideoEncoderPick& pick, bool recording);

struct RenderOutcome {
  enum Kind { Finished, Stopped, Failed } kind = Failed;
  std::string error;
};

class SlideshowRender {
 public:
  // Prepares the timeline; throws slideshow::TimelineError for settings it
  // cannot take. Without `paints` (a run that needs only the plan) no
  // picture is made ahead.
  explicit SlideshowRender(const RenderOptions& options, bool paints = true);

  // Frames and seconds of the slideshow's video.
  int64_t ExpectedFrames() const {
    return part_ ? part_->End - part_->First : timeline_.TotalFrames();
  }
  double ExpectedSeconds() const;

  // Renders into file with the output options (the file's extension decides
  // the container). The
  // calling thread must be the main thread: frames are composed and events
  // delivered on it while the encoder's worker encodes.
  RenderOutcome Run(const std::string& file, const std::string& outputOptions,
                    const std::function<void(const encoder::TProgressInfo&)>& onProgress);

  // Ends a run cleanly (the file is finished and plays); callable from any
  // thread, also before Run, which then does not start.
  void RequestStop() { stopRequested_ = true; }

  // The timeline, for the music to adjust its holds before Run.
  slideshow::TSlideshowTimeline& Timeline() { return timeline_; }
  const slideshow::TSlideshowTimeline& Timeline() const { return timeline_; }
  // Plays this assembled track (which outlives Run) instead of --audio.
  void UseSoundTrack(encoder::SoundTrack* track) { soundTrack_ = track; }
  // Renders only these frames of the show, without sound.
  // A render prepared without making pictures ahead makes none before the
  // part's where no frame of it depends on them.
  void RenderPart(FrameSpan span) {
    part_ = span;
    if (!timeline_.MakePicturesAhead)
      timeline_.PassOverPicturesBefore(FirstPictureToMake(show_, timeline_.Plan, span.First));
  }

 private:
  RenderOptions options_;
  slideshow::Show show_;  // as prepared, for the subtitle cues
  slideshow::TSlideshowTimeline timeline_;
  std::atomic<bool> stopRequested_{false};
  encoder::SoundTrack* soundTrack_ = nullptr;
  std::optional<FrameSpan> part_;
};

}  // namespace cli
