#include "cli/music_track.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "encoder/music_onsets.h"
#include "encoder/sound_track_loudness.h"
#include "slideshow/music_fit.h"

namespace cli {

namespace {

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", s);
  return text;
}

std::vector<int> TransitionFrames(const slideshow::TSlideshowTimeline& t) {
  std::vector<int> frames;
  for (const slideshow::TransitionPlan& p : t.Plan.Transitions) frames.push_back(p.Frames);
  return frames;
}

// Replaces the prepared run's holds; the first is taken up when the intro ends.
void SetHolds(slideshow::TSlideshowTimeline& t, const std::vector<int>& holds) {
  t.Plan.HoldFrames = holds;
  if (!holds.empty()) t.FramesPerPicture = holds[0];
}

std::string HoldRange(const std::vector<int>& holds, double fps) {
  const auto [lo, hi] = std::minmax_element(holds.begin(), holds.end());
  return *lo == *hi ? Seconds(*lo / fps) : Seconds(*lo / fps) + " to " + Seconds(*hi / fps);
}

// Frames of the video that ends with the music.
int64_t MusicFrames(const encoder::SoundTrack& track, double fps) {
  return std::llround(track.Seconds(track.NaturalFrames()) * fps);
}

int MinHoldFrames(const RenderOptions& o, double fps) {
  return std::max(1, int(std::ceil(o.Music.MinHold * fps - 1e-9)));
}

void FitToMusic(const RenderOptions& o, slideshow::TSlideshowTimeline& timeline,
                const encoder::SoundTrack& track, double fps,
                const std::function<void(const std::string&)>& note) {
  const int64_t target = MusicFrames(track, fps);
  const int minHold = MinHoldFrames(o, fps);
  const std::vector<int> transitions = TransitionFrames(timeline);
  // The black frames after the last transition.
  const int tail =
      int(timeline.TotalFrames() - slideshow::ShowFrames(timeline.Plan.HoldFrames, transitions, 0));
  const std::vector<int> holds = slideshow::FitHoldsToLength(timeline.Plan.HoldFrames, transitions,
                                                             tail, target, minHold, fps);
  SetHolds(timeline, holds);
  note("fitted to the music: pictures held " + HoldRange(holds, fps) + ", the video lasts " +
       Seconds(double(timeline.TotalFrames()) / fps));
}

void SyncToMusic(const RenderOptions& o, slideshow::TSlideshowTimeline& timeline,
                 encoder::SoundTrack& track, double fps, const MusicProgress& progress,
                 const std::function<void(const std::string&)>& note) {
  const bool beats = o.Music.Sync == "beats";
  const std::string pass = beats ? "finding the beats" : "finding the onsets";
  std::vector<double> times =
      encoder::DetectOnsets(track, beats ? encoder::OnsetKind::Beats : encoder::OnsetKind::Onsets,
                            [&](double done) { progress(pass, done); });
  if (beats) times = slideshow::FillBeatGrid(times, track.Seconds(track.Frames()));
  const int minHold = MinHoldFrames(o, fps);
  slideshow::OnsetAlignment aligned =
      slideshow::AlignHoldsToOnsets(timeline.Plan.HoldFrames, TransitionFrames(timeline),
                                    slideshow::OnsetFrames(times, fps), minHold);
  // Fitted too: the last picture's hold takes up what the moves changed, so
  // the video still ends with the music (its cut to black leaves the beat).
  bool endMoved = false;
  if (o.Music.FitToMusic && !aligned.holds.empty()) {
    const int64_t others =
        timeline.TotalFrames() - slideshow::ShowFrames(timeline.Plan.HoldFrames, {}, 0);
    const int64_t off =
        MusicFrames(track, fps) - others - slideshow::ShowFrames(aligned.holds, {}, 0);
    endMoved = off != 0 && aligned.holds.back() + off >= minHold;
    if (endMoved) aligned.holds.back() += int(off);
  }
  SetHolds(timeline, aligned.holds);
  const size_t cuts = aligned.holds.size();
  std::string text = std::to_string(cuts - size_t(aligned.unaligned)) + " of " +
                     std::to_string(cuts) + " cuts on " + (beats ? "beats" : "onsets");
  if (aligned.unaligned > 0) text += "; the others found none near enough and keep their holds";
  if (endMoved) text += "; the cut to black moved to end with the music";
  note(text);
}

}  // namespace

double FramesPerSecond(const std::string& rate) {
  const size_t slash = rate.find('/');
  const double num = std::stod(rate.substr(0, slash));
  const double den = slash == std::string::npos ? 1 : std::stod(rate.substr(slash + 1));
  return num / den;
}

std::unique_ptr<encoder::SoundTrack> PrepareMusic(
    const RenderOptions& o, slideshow::TSlideshowTimeline& timeline, const MusicProgress& report,
    const std::function<void(const std::string&)>& note) {
  const MusicOptions& m = o.Music;
  const MusicProgress progress = report ? report : [](const std::string&, double) {};
  encoder::SoundTrackSettings settings;
  std::vector<std::string> playlist = m.Files;
  if (!o.Audio.empty()) playlist.insert(playlist.begin(), o.Audio);
  for (size_t i = 0; i < playlist.size(); ++i) {
    double in = m.FadeIn, out = m.FadeOut;
    if (i < m.FileFades.size()) {
      in = m.FileFades[i].first.value_or(in);
      out = m.FileFades[i].second.value_or(out);
    }
    settings.files.push_back({playlist[i], in, out});
  }
  if (settings.files.empty()) return nullptr;
  settings.crossfade = m.Crossfade;
  auto track = std::make_unique<encoder::SoundTrack>(
      settings, [&](double done) { progress("reading the music", done); });

  const double fps = FramesPerSecond(o.FrameRate);
  if (m.FitToMusic) FitToMusic(o, timeline, *track, fps, note);
  if (m.Sync != "none") SyncToMusic(o, timeline, *track, fps, progress, note);

  // Where the pictures end first, the music ends with them: faded, unless
  // the show was fitted to it (then it ends by itself within a frame).
  if (o.BreakWhenNoPictures) {
    const int64_t videoEnd =
        std::llround(double(timeline.TotalFrames()) / fps * double(track->Rate()));
    const bool together = m.FitToMusic && timeline.TotalFrames() == MusicFrames(*track, fps);
    const double fade = together ? 0.0 : m.EndFade;
    track->CutAt(videoEnd, std::llround(fade * track->Rate()));
  }
  if (m.Loudness) {
    const std::optional<double> db = encoder::NormaliseLoudness(
        *track, *m.Loudness, [&](double done) { progress("measuring the loudness", done); });
    char text[96];
    if (db)
      std::snprintf(text, sizeof text, "sound brought to %.1f LUFS (%+.1f dB)", *m.Loudness, *db);
    note(db ? text : "the music is too quiet to measure; its loudness is left as it is");
  }
  return track;
}

}  // namespace cli
