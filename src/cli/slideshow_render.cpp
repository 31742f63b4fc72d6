#include "cli/slideshow_render.h"

#include <chrono>
#include <cstdio>
#include <set>

#include "cli/subtitle_cues.h"

#include "cli/fast_start.h"
#include "encoder/sound_track_input.h"
#include "media/bridges/main_thread.h"
#include "media/frame_source/frame_input_adapter.h"

namespace cli {

std::string VideoInputOptions(const RenderOptions& o) {
  return std::string("-f frameinput ") + (o.RealTime ? "-re " : "") +
         "-input_type canvas -pix_fmt bgra -r " + o.FrameRate + " -s " + o.FrameSize;
}

std::string OutputOptions(const RenderOptions& o, const VideoEncoderPick& pick, bool recording) {
  return EncodingOptionString(o.Encoding, pick, o.Output, o.FrameRate) + " -r " + o.FrameRate + " -s " +
         o.FrameSize + (recording ? std::string(" ") + kFragmentedRecording : "");
}

SlideshowRender::SlideshowRender(const RenderOptions& options, bool paints) : options_(options) {
  timeline_.BreakWhenNoPictures = options_.BreakWhenNoPictures;
  timeline_.MakePicturesAhead = paints;
  show_ = ShowToRender(options_);
  timeline_.PrepareTimeline(show_);
  // A caption's font that is not installed is worth a line, not a failure.
  timeline_.OnNote = [quiet = options_.Quiet, said = std::set<std::string>()](const std::string& note) mutable {
    if (!quiet && said.insert(note).second)
      std::fprintf(stderr, "lanternslide-render: note: %s\n", note.c_str());
  };
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
    const std::string& file, const std::string& outputOptions,
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
  std::optional<PartReader> part;
  if (part_) part.emplace(*part_);
  adapter.OnReadFrameCanvas = [&](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                  media::PInputFrameInfo) {
    int result = -1;
    try {
      // The input's canvas keeps its frame: a repeat is neither painted
      // nor, further on, converted again.
      result = int(part ? part->Read(timeline_, canvas) : timeline_.ReadFrameOntoKeptCanvas(canvas));
    } catch (const std::exception& e) {
      pictureError = e.what();
      enc.Stop(false);
      return -1;
    }
    // An assembled track was cut where the pictures end: both end together.
    if (result < 0 && picturesUsedUp && !soundTrack_) enc.Stop(false);
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
  encoder::TInputOptions sound;
  sound.Options = std::string("-f ") + encoder::kSoundTrackFormat;
  if (soundTrack_ && enc.AddInput(task, soundTrack_->InputFileName(), &sound) < 0)
    return failed(enc.LastErrorMessage());
  if (!soundTrack_ && !part_ && !options_.Audio.empty() && enc.AddInput(task, options_.Audio) < 0)
    return failed(enc.LastErrorMessage());
  // The captions as a subtitle stream, copied into the output: SubRip text
  // beside the working file for Matroska, mov_text from the caption track
  // input for MP4 and MOV.
  const std::vector<Cue> cues = options_.Look.Subtitles ? CaptionCues(show_, timeline_.Plan) : std::vector<Cue>();
  const std::string cueText = SubRipText(cues);
  if (options_.Look.Subtitles && cueText.empty() && !options_.Quiet)
    std::fprintf(stderr, "lanternslide-render: note: no picture of the show has a caption; no subtitle stream\n");
  const SubtitleForm subtitles = cueText.empty() ? SubtitleForm::None : SubtitleFormFor(file);
  const std::string cueFile = file + ".srt";
  struct CueFileOwner {
    std::string path;
    ~CueFileOwner() {
      if (!path.empty()) std::remove(path.c_str());
    }
  } cueFileOwner;
  if (subtitles == SubtitleForm::SubRip) {
    std::FILE* f = std::fopen(cueFile.c_str(), "wb");
    if (!f) return failed("Cannot write the subtitle file \"" + cueFile + "\"");
    cueFileOwner.path = cueFile;
    const bool written = std::fwrite(cueText.data(), 1, cueText.size(), f) == cueText.size();
    if (std::fclose(f) != 0 || !written) return failed("Cannot write the subtitle file \"" + cueFile + "\"");
    if (enc.AddInput(task, cueFile) < 0) return failed(enc.LastErrorMessage());
  }
  struct CaptionTrackOwner {
    uint64_t number = 0;
    ~CaptionTrackOwner() {
      if (number) encoder::UnregisterCaptionTrack(number);
    }
  } captionTrack;
  std::string streamMaps;
  if (subtitles == SubtitleForm::MovText) {
    captionTrack.number = encoder::RegisterCaptionTrack(cues);
    encoder::TInputOptions captions;
    captions.Options = std::string("-f ") + encoder::kCaptionTrackFormat;
    if (enc.AddInput(task, std::to_string(captionTrack.number), &captions) < 0)
      return failed(enc.LastErrorMessage());
    // MP4 and MOV name no subtitle codec of their own, so the engine's own
    // choice of streams leaves the captions out: every stream is named.
    const bool sound = soundTrack_ || !options_.Audio.empty();
    streamMaps = std::string(" -map 0:v") + (sound ? " -map 1:a:0" : "") + " -map " + (sound ? "2" : "1") + ":s";
  }
  encoder::TOutputOptions output;
  output.Options = outputOptions + (subtitles == SubtitleForm::None ? "" : " -c:s copy") + streamMaps;
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
