#include "cli/split_show.h"

#include <chrono>

#include "cli/segments.h"
#include "encoder/ff_encoder.h"
#include "encoder/sound_track_input.h"
#include "media/bridges/main_thread.h"

namespace cli {

std::string PartShow(const RenderOptions& o, const SlideshowRender& render) {
  return ShowFingerprint(render.Timeline(), o.FrameSize, o.FrameRate);
}

std::string PlannedShow(const RenderOptions& o, int64_t& showFrames) {
  const slideshow::Show show = ShowToRender(o);
  const slideshow::ShowPlan plan = slideshow::PlanShow(show);
  std::vector<std::string> pictures;
  for (const slideshow::Slide& slide : show.Slides) pictures.push_back(slide.Picture);
  showFrames = plan.TotalFrames();
  return ShowFingerprint(pictures, plan, o.FrameSize, o.FrameRate);
}

std::string PartMusic(const RenderOptions& o) {
  const MusicOptions& m = o.Music;
  std::vector<std::string> files = m.Files;
  if (!o.Audio.empty()) files.insert(files.begin(), o.Audio);
  char settings[160];
  std::snprintf(settings, sizeof settings, "%g %g %g %g %g", m.FadeIn, m.FadeOut, m.Crossfade, m.EndFade,
                m.Loudness.value_or(1));
  std::string text = settings;
  for (const auto& [in, out] : m.FileFades)
    text += " " + (in ? std::to_string(*in) : "-") + "/" + (out ? std::to_string(*out) : "-");
  return MusicFingerprint(files, text);
}

std::string SoundPartTag(const RenderOptions& o, const SlideshowRender& render) {
  PartTag tag;
  tag.Sound = true;
  tag.Music = PartMusic(o);
  tag.ShowFrames = render.Timeline().TotalFrames();
  tag.Show = PartShow(o, render);
  return " -metadata comment=\"" + PartTagText(tag) + "\"";
}

std::string StartPart(const RenderOptions& o, SlideshowRender& render) {
  PartTag tag;
  tag.Index = o.Speed.Segment;
  tag.Count = o.Speed.Segments;
  tag.Frames = PartFrames(render.Timeline().Plan, tag.Index, tag.Count);
  tag.ShowFrames = render.Timeline().TotalFrames();
  tag.Show = PartShow(o, render);
  render.RenderPart(tag.Frames);
  return " -metadata comment=\"" + PartTagText(tag) + "\"";
}

std::string EncodeSound(encoder::SoundTrack& track, const std::string& outputOptions,
                        const std::string& file) {
  encoder::TFFEncoder enc;
  encoder::TTerminateInfo taskEnd;
  bool allEnded = false;
  enc.OnTerminate = [&](encoder::TCustomEncoder*, const encoder::TTerminateInfo& info) {
    if (info.TaskIndex >= 0) taskEnd = info;
    else allEnded = true;
  };
  encoder::TInputOptions input;
  input.Options = std::string("-f ") + encoder::kSoundTrackFormat;
  const int task = enc.AddTask(track.InputFileName(), &input);
  if (task < 0) return enc.LastErrorMessage();
  encoder::TOutputOptions output;
  output.Options = outputOptions + " -vn";
  if (enc.SetOutput(task, file, &output) < 0) {
    const std::string error = enc.LastErrorMessage();
    enc.RemoveTask(task);
    return error;
  }
  enc.StartTask(1);
  while (!allEnded)
    media::WaitServingMainThreadCalls([&] { return allEnded; }, std::chrono::milliseconds(100));
  enc.OnTerminate = nullptr;
  if (taskEnd.ErrorOccurred) return taskEnd.ErrorMessage;
  return taskEnd.Finished ? "" : "the sound was not encoded to its end";
}

}  // namespace cli
