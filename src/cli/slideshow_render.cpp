#include "cli/slideshow_render.h"

#include <chrono>

#include "media/frame_source/frame_input_adapter.h"
#include "media/bridges/main_thread.h"

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
  settings.ExifOrientation = options_.ExifOrientation;
  settings.SmoothFit = options_.SmoothFit;
  timeline_.PrepareTimeline(settings);
}

double SlideshowRender::ExpectedSeconds() const {
  const size_t slash = options_.FrameRate.find('/');
  const double num = std::stod(options_.FrameRate.substr(0, slash));
  const double den = slash == std::string::npos ? 1 : std::stod(options_.FrameRate.substr(slash + 1));
  return double(ExpectedFrames()) * den / num;
}

namespace {

// How often the main thread looks at a stop request while it serves the
// frame requests and events of the run.
constexpr auto kStopPoll = std::chrono::milliseconds(100);

}  // namespace

RenderOutcome SlideshowRender::Run(
    const std::string& file,
    const std::function<void(const encoder::TProgressInfo&)>& onProgress) {
  RenderOutcome outcome;
  if (stopRequested_) {
    outcome.kind = RenderOutcome::Stopped;
    return outcome;
  }
  encoder::TFFEncoder enc;
  media::TFrameInputAdapter adapter;

  // "Break when no pictures" stops the run once the video has ended, not
  // at the first black tail frame as the window does: a stop drains the
  // engine at once, and the tail frames handed out until then were lost or
  // kept depending on timing. So every run has the same frames.
  bool picturesUsedUp = false;
  timeline_.OnStopRequest = [&] { picturesUsedUp = true; };
  // A picture that cannot be read ends the video there: the run is stopped
  // cleanly, so the frames before it are written as in any stopped run, and
  // the picture's error becomes the run's.
  std::string pictureError;
  adapter.OnReadFrameCanvas = [&](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                  media::PInputFrameInfo) {
    if (options_.Effect > 0) timeline_.EffectIndex = options_.Effect;
    int result = -1;
    try {
      // The input's canvas keeps its frame: a repeat is neither painted
      // nor, further on, converted again.
      result = timeline_.ReadFrameOntoKeptCanvas(canvas);
      if (result == slideshow::TSlideshowTimeline::kFrameKept) result = media::kFrameUnchanged;
    } catch (const std::exception& e) {
      pictureError = e.what();
      enc.Stop(false);
      return -1;
    }
    if (result < 0 && picturesUsedUp) enc.Stop(false);
    return result;
  };

  encoder::TTerminateInfo taskEnd;
  bool allEnded = false;
  enc.OnProgress = [&](encoder::TCustomEncoder*, encoder::PProgressInfo info) {
    if (onProgress) onProgress(*info);
  };
  enc.OnTerminate = [&](encoder::TCustomEncoder*, const encoder::TTerminateInfo& info) {
    if (info.TaskIndex >= 0) taskEnd = info;
    else allEnded = true;
  };

  auto failed = [&](const std::string& text) {
    outcome.kind = RenderOutcome::Failed;
    outcome.error = text;
    return outcome;
  };
  encoder::TInputOptions input;
  input.Options = VideoInputOptions(options_);
  const int task = enc.AddTask(adapter.InputFileName(), &input);
  if (task < 0) return failed(enc.LastErrorMessage());
  if (!options_.Audio.empty() && enc.AddInput(task, options_.Audio) < 0)
    return failed(enc.LastErrorMessage());
  encoder::TOutputOptions output;
  output.Options = OutputOptions(options_);
  // A live output plays at a constant rate.
  output.HeldPicturesOnce = options_.Speed.HeldOnce && !options_.RealTime;
  if (enc.SetOutput(task, file, &output) < 0) {
    const std::string error = enc.LastErrorMessage();
    enc.RemoveTask(task);
    return failed(error);
  }

  enc.StartTask(1);
  bool stopSent = false;
  while (!allEnded) {
    media::WaitServingMainThreadCalls([&] { return allEnded || (stopRequested_ && !stopSent); },
                                      kStopPoll);
    if (stopRequested_ && !stopSent) {
      enc.Stop(false);
      stopSent = true;
    }
  }
  enc.OnProgress = nullptr;
  enc.OnTerminate = nullptr;

  if (taskEnd.ErrorOccurred) return failed(taskEnd.ErrorMessage);
  if (!pictureError.empty()) return failed(pictureError);
  outcome.kind = taskEnd.Finished ? RenderOutcome::Finished : RenderOutcome::Stopped;
  return outcome;
}

}  // namespace cli
