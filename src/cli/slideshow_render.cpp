#include "cli/slideshow_render.h"

#include <chrono>

#include "media/frame_input_adapter.h"

namespace cli {

std::string VideoInputOptions(const RenderOptions& o) {
  return std::string("-f frameinput ") + (o.RealTime ? "-re " : "") +
         "-input_type canvas -pix_fmt bgra -r " + o.FrameRate + " -s " + o.FrameSize;
}

std::string OutputOptions(const RenderOptions& o) {
  return "-c:v libx264 -c:a libmp3lame -r " + o.FrameRate + " -s " + o.FrameSize;
}

SlideshowRender::SlideshowRender(const RenderOptions& options) : options_(options) {
  timeline_.Pictures = options_.Pictures;
  timeline_.BreakWhenNoPictures = options_.BreakWhenNoPictures;
  slideshow::TimelineSettings settings;
  settings.FrameSize = options_.FrameSize;
  settings.FrameRate = options_.FrameRate;
  settings.PictureDelay = options_.PictureDelay;
  settings.TransitionDelay = options_.TransitionDelay;
  settings.RandomEffects = options_.RandomEffects && options_.Effect == 0;
  timeline_.PrepareTimeline(settings);
}

double SlideshowRender::ExpectedSeconds() const {
  const size_t slash = options_.FrameRate.find('/');
  const double num = std::stod(options_.FrameRate.substr(0, slash));
  const double den = slash == std::string::npos ? 1 : std::stod(options_.FrameRate.substr(slash + 1));
  return double(ExpectedFrames()) * den / num;
}

void SlideshowRender::RequestStop() {
  std::lock_guard lock(stopLock_);
  stopRequested_ = true;
  if (running_) running_->RequestStop();
}

RenderOutcome SlideshowRender::Run(
    const std::string& file, const std::function<void(const engine::ProgressValues&)>& onProgress) {
  RenderOutcome outcome;
  engine::TTranscoder engine;
  {
    std::lock_guard lock(stopLock_);
    if (stopRequested_) {
      outcome.kind = RenderOutcome::Stopped;
      return outcome;
    }
    running_ = &engine;
  }
  struct Unregister {
    SlideshowRender& r;
    ~Unregister() {
      std::lock_guard lock(r.stopLock_);
      r.running_ = nullptr;
    }
  } unregister{*this};

  // The frame source runs on this thread, inside the engine's loop.
  media::TFrameInputAdapter adapter;
  // "Break when no pictures" stops the run once the video has ended, not
  // at the first black tail frame as the window does: a stop drains the
  // engine at once, and the tail frames handed out until then were lost or
  // kept depending on timing. So every run has the same frames.
  bool picturesUsedUp = false;
  timeline_.OnStopRequest = [&] { picturesUsedUp = true; };
  // A picture that cannot be read ends the video there and stops the run
  // cleanly, so the file gets its trailer and what was made plays; an
  // engine failure would leave, for example, an MP4 without its index.
  std::string pictureError;
  adapter.OnReadFrameCanvas = [&](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                  media::PInputFrameInfo) {
    if (options_.Effect > 0) timeline_.EffectIndex = options_.Effect;
    int result = -1;
    try {
      result = timeline_.FIAReadFrameCanvas(canvas);
    } catch (const std::exception& e) {
      pictureError = e.what();
      engine.RequestStop();
      return -1;
    }
    if (result < 0 && picturesUsedUp) engine.RequestStop();
    return result;
  };
  engine.OnProgress = onProgress;

  auto failed = [&](const std::string& text) {
    outcome.kind = RenderOutcome::Failed;
    outcome.error = text;
    return outcome;
  };
  engine.SetOptionErrorsFatal(true);
  try {
    engine.ParseOptions(VideoInputOptions(options_));
    if (engine.OpenInput(adapter.InputFileName()) < 0) return failed(engine.LastErrorText());
    if (!options_.Audio.empty() && engine.OpenInput(options_.Audio) < 0)
      return failed(engine.LastErrorText());
    engine.ParseOptions(OutputOptions(options_));
    if (engine.OpenOutput(file) < 0) return failed(engine.LastErrorText());
    engine.Run();
  } catch (const std::exception& e) {
    outcome.videoBytes = engine.VideoBytes();
    return failed(e.what());
  }
  outcome.videoBytes = engine.VideoBytes();
  if (engine.ErrorOccurred()) return failed(engine.ErrorMessage());
  if (!pictureError.empty()) return failed(pictureError);
  outcome.kind = engine.Finished() ? RenderOutcome::Finished : RenderOutcome::Stopped;
  return outcome;
}

}  // namespace cli
