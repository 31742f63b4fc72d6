// One slideshow run: the window's timeline feeding the frame source, the
// engine encoding it into a file with the window's option strings.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "cli/render_options.h"
#include "engine/transcoder.h"
#include "slideshow/slideshow_timeline.h"

namespace cli {

// The option strings of the window's start action; "-re" only for real time.
std::string VideoInputOptions(const RenderOptions& o);
std::string OutputOptions(const RenderOptions& o);

struct RenderOutcome {
  enum Kind { Finished, Stopped, Failed } kind = Failed;
  std::string error;
  int64_t videoBytes = 0;  // encoded video; 0 means no frame reached the file
};

class SlideshowRender {
 public:
  // Prepares the timeline; throws slideshow::TimelineError for settings it
  // cannot take.
  explicit SlideshowRender(const RenderOptions& options);

  // Frames and seconds of the slideshow's video.
  int64_t ExpectedFrames() const { return timeline_.TotalFrames(); }
  double ExpectedSeconds() const;

  // Renders into file (the output's extension decides the container). Runs
  // on the calling thread; onProgress is called from it too.
  RenderOutcome Run(const std::string& file,
                    const std::function<void(const engine::ProgressValues&)>& onProgress);

  // Ends a run cleanly (the file is finished and plays); callable from any
  // thread, also before Run, which then does not start.
  void RequestStop();

 private:
  RenderOptions options_;
  slideshow::TSlideshowTimeline timeline_;
  std::mutex stopLock_;  // guards the two below against the stopping thread
  bool stopRequested_ = false;
  engine::TTranscoder* running_ = nullptr;
};

}  // namespace cli
