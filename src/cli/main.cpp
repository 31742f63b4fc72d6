// lanternslide-render: the slideshow of the desktop program, rendered from
// the command line. Exit codes: 0 written, 1 run failed, 2 usage error,
// 128 + signal when stopped by Ctrl-C or SIGTERM.
#include <malloc.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/fast_start.h"
#include "cli/help_text.h"
#include "cli/media_checks.h"
#include "cli/music_track.h"
#include "cli/output_summary.h"
#include "cli/progress_display.h"
#include "cli/render_files.h"
#include "cli/render_options.h"
#include "cli/slideshow_render.h"
#include "cli/join_parts.h"
#include "cli/split_show.h"
#include "cli/stop_signals.h"
#include "cli/subtitle_cues.h"
#include "engine/run_outcome.h"
#include "slideshow/show_file.h"
#include "slideshow/music_fit.h"

namespace {

namespace fs = std::filesystem;
using cli::RenderOptions;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Complain(int code, const std::string& text) {
  std::fprintf(stderr, "lanternslide-render: %s\n", text.c_str());
  return code;
}

int PrintText(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : kExitFailed;
}

// The checks that need the libraries; the expected length for progress.
double CheckMedia(const RenderOptions& o) {
  cli::CheckOutputFormat(o.Output);
  double seconds = o.Audio.empty() ? 0.0 : cli::CheckSoundFile(o.Audio);
  for (const std::string& music : o.Music.Files) seconds += cli::CheckSoundFile(music, "--music");
  return seconds;
}

// A stop asked for while the music is read: nothing was written yet.
struct MusicStopped {};

// The passes over the music before the run: a percentage on a terminal, a
// line per pass otherwise; a stop signal ends them.
cli::MusicProgress MusicProgressFor(const RenderOptions& o, const cli::StopSignals& signals) {
  const bool terminal = isatty(STDERR_FILENO) == 1;
  return [&o, &signals, terminal, last = std::string()](const std::string& pass,
                                                        double done) mutable {
    if (signals.Received()) throw MusicStopped();
    if (o.Quiet) return;
    if (terminal) {
      std::fprintf(stderr, "\r%s: %3d%%%s", pass.c_str(), int(done * 100), done >= 1 ? "\n" : "");
    } else if (pass != last) {
      std::fprintf(stderr, "%s...\n", pass.c_str());
    }
    last = pass;
  };
}

// The music assembled and the show fitted to it; null without music. A
// refusal has been reported when `exitCode` is set.
std::unique_ptr<encoder::SoundTrack> Music(const RenderOptions& o, cli::SlideshowRender& render,
                                           const cli::StopSignals& signals, int& exitCode) {
  try {
    return cli::PrepareMusic(o, render.Timeline(), MusicProgressFor(o, signals),
                             [&o](const std::string& text) {
                               if (!o.Quiet) std::fprintf(stderr, "%s\n", text.c_str());
                             });
  } catch (const encoder::SoundFileError& e) {
    exitCode = Complain(kExitUsage, e.what());
  } catch (const slideshow::MusicFitError& e) {
    // Name where the request came from: the command line, else the show file.
    const bool onLine = o.Show.Given.count("--fit-to-music") > 0 || o.Show.File.empty();
    exitCode = Complain(kExitUsage, (onLine ? "--fit-to-music: " : o.Show.File + ": fit_to_music: ") + e.what());
  } catch (const MusicStopped&) {
    exitCode = signals.ExitCode();
  }
  return nullptr;
}

// Gives the fragmented recording its index at the front. Returns the file
// to keep: the copy, or the recording when no copy could be made (it plays,
// only not while it downloads).
std::string IndexFirst(const RenderOptions& o, const std::string& recorded, int64_t frames, bool runFailed) {
  const std::string indexed = cli::WorkingFileName(o.Output, long(getpid()), "index");
  const std::string error = cli::WriteIndexFirst(recorded, indexed);
  std::error_code ec;
  if (error.empty() && cli::CountVideoFrames(indexed) == frames) {
    fs::remove(recorded, ec);
    return indexed;
  }
  fs::remove(indexed, ec);
  // After a failed run its own error says enough.
  if (!runFailed)
    Complain(0, "note: the video plays, but only once loaded whole: its index could not be moved to the front (" +
                    (error.empty() ? "the copy lost frames" : error) + ")");
  return recorded;
}

// Gives the working file the output's name once something was written;
// removes it otherwise. Returns false (with a message) when it could not.
bool Settle(const std::string& working, const std::string& output, bool keep) {
  std::error_code ec;
  if (!keep) {
    fs::remove(working, ec);
    return true;
  }
  fs::rename(working, output, ec);
  if (ec) Complain(kExitFailed, "cannot name the video \"" + output + "\": " + ec.message() +
                                    " (it is in \"" + working + "\")");
  return !ec;
}

// Progress of the run for the display: frames, speed, bytes and how much
// of the expected length is made.
class RunProgress {
 public:
  RunProgress(const RenderOptions& o, const cli::SlideshowRender& render, double soundSeconds)
      : display_(cli::ProgressDisplay::ModeFor(stderr, o.Quiet), stderr),
        frameSeconds_(render.ExpectedSeconds() / double(render.ExpectedFrames())) {
    snapshot_.Expected = render.ExpectedSeconds();
    // A longer sound track plays on over black.
    if (!o.BreakWhenNoPictures) snapshot_.Expected = std::max(snapshot_.Expected, soundSeconds);
  }

  void operator()(const encoder::TProgressInfo& v) {
    snapshot_.Elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    snapshot_.Frame = std::max<int64_t>(v.FrameNumber, 0);
    snapshot_.Fps = std::max(v.FPS, 0);
    snapshot_.Bytes = v.CurrentSize;
    snapshot_.Content = std::max(double(snapshot_.Frame) * frameSeconds_, v.CurrentDuration / 1e6);
    display_.Update(snapshot_);
  }
  void Finish() { display_.Finish(snapshot_); }
  void Close() { display_.Close(); }

 private:
  using Clock = std::chrono::steady_clock;
  cli::ProgressDisplay display_;
  cli::ProgressSnapshot snapshot_;
  double frameSeconds_;
  Clock::time_point start_ = Clock::now();
};

// The seed a run drew for its random effects, so a video the user liked can
// be made again.
std::string SeedText(const RenderOptions& o) {
  if (!o.Show.SeedDrawn) return "";
  const std::string seed = std::to_string(*o.Show.Composed.Settings.Seed);
  return "effects: drawn with seed " + seed + " (--seed " + seed + " draws them again)\n";
}

// The exit code and last words of a run whose file has been settled.
int Report(const RenderOptions& o, const cli::RenderOutcome& outcome, int64_t frames, bool named,
           const cli::StopSignals& signals) {
  const bool written = frames > 0;
  if (outcome.kind == cli::RenderOutcome::Failed) {
    Complain(kExitFailed, outcome.error);
    // The error first, then what the user still has.
    if (written && named) Complain(kExitFailed, engine::KeptPartText({o.Output, true, frames, 0}));
    return kExitFailed;
  }
  if (!named) return kExitFailed;
  if (!o.Quiet && written)
    PrintText("Wrote " + o.Output + "\n" + cli::DescribeStreams(o.Output) + SeedText(o));
  if (signals.Received()) return signals.ExitCode();
  return written ? 0 : Complain(kExitFailed, "no frame was written");
}

int Render(const RenderOptions& o) {
  cli::CheckFiles(o);
  std::unique_ptr<cli::SlideshowRender> render;
  try {
    // A later part decides which pictures to make once its place is known.
    render = std::make_unique<cli::SlideshowRender>(o, o.Speed.Segment < 2);
  } catch (const slideshow::TimelineError& e) {
    return Complain(kExitUsage, e.what());
  }
  // Blocks the stop signals before the libraries start threads of their own.
  cli::StopSignals signals([&render] { render->RequestStop(); });
  if (const std::string error = cli::LoadMediaLibraries(); !error.empty())
    return Complain(kExitFailed, "cannot load the media libraries: " + error);
  double soundSeconds = CheckMedia(o);
  cli::VideoEncoderPick pick;
  try {
    pick = cli::PickVideoEncoder(o.Encoding, cli::MachineEncoderProbe());
  } catch (const cli::RunError& e) {
    return Complain(kExitFailed, e.what());
  }
  if (!pick.Note.empty() && !o.Quiet) Complain(0, "note: " + pick.Note);
  const bool fastStart = cli::UsesFastStart(o.Encoding, o.Output);
  int refused = 0;
  // A part has no sound: its music only matters where it moves the cuts.
  const bool part = o.Speed.Segments > 0;
  const bool musicMovesCuts = o.Music.FitToMusic || o.Music.Sync != "none";
  const std::unique_ptr<encoder::SoundTrack> track =
      !part || musicMovesCuts ? Music(o, *render, signals, refused) : nullptr;
  if (refused) return refused;
  // The MP4 muxer loses the captions' lengths in fragments: with a subtitle
  // stream the recording is made in one piece; its index still moves to the front.
  const bool fragments =
      fastStart && !(o.Look.Subtitles && cli::SubtitleFormFor(o.Output) == cli::SubtitleForm::MovText);
  std::string outputOptions = cli::OutputOptions(o, pick, fragments);
  if (part) {
    outputOptions += cli::StartPart(o, *render);
    soundSeconds = 0;
  } else {
    if (track) soundSeconds = track->Seconds(track->Frames());
    render->UseSoundTrack(track.get());
  }

  RunProgress progress(o, *render, soundSeconds);
  std::string working = cli::WorkingFileName(o.Output, long(getpid()));
  cli::RenderOutcome outcome =
      render->Run(working, outputOptions,
                  [&progress](const encoder::TProgressInfo& v) { progress(v); });
  // A recording that ends inside a fragment broke off, whatever the run said.
  if (fastStart && cli::CutToWholeFragments(working) > 0 && outcome.kind != cli::RenderOutcome::Failed) {
    outcome.kind = cli::RenderOutcome::Failed;
    outcome.error = "the video could not be written to its end (is the disk full?)";
  }
  if (outcome.kind == cli::RenderOutcome::Failed) progress.Close();
  else progress.Finish();
  // Kept when it plays at least one frame, whatever ended the run.
  const int64_t frames = cli::CountVideoFrames(working);
  if (frames > 0 && fastStart)
    working = IndexFirst(o, working, frames, outcome.kind == cli::RenderOutcome::Failed);
  const bool named = Settle(working, o.Output, frames > 0);
  return Report(o, outcome, frames, named, signals);
}

std::string LowerExtension(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// What a split show's sound needs of the show: its plan, the sound track a
// single run would make and the encoder that run would pick. Nonzero: the
// exit code of a refusal, already reported.
struct ShowSound {
  std::unique_ptr<cli::SlideshowRender> render;
  cli::VideoEncoderPick pick;
  std::unique_ptr<encoder::SoundTrack> track;
};
int PrepareShowSound(const RenderOptions& o, const cli::StopSignals& signals, ShowSound& sound) {
  try {
    sound.render = std::make_unique<cli::SlideshowRender>(o, false);
  } catch (const slideshow::TimelineError& e) {
    return Complain(kExitUsage, e.what());
  }
  CheckMedia(o);
  try {
    sound.pick = cli::PickVideoEncoder(o.Encoding, cli::MachineEncoderProbe());
  } catch (const cli::RunError& e) {
    return Complain(kExitFailed, e.what());
  }
  int refused = 0;
  sound.track = Music(o, *sound.render, signals, refused);
  return refused;
}

// The sound part of a split show: the show's whole sound track alone,
// encoded once while the video parts render, tagged for the join.
int SoundPart(const RenderOptions& o) {
  cli::CheckFiles(o);
  cli::StopSignals signals([] {});
  if (const std::string error = cli::LoadMediaLibraries(); !error.empty())
    return Complain(kExitFailed, "cannot load the media libraries: " + error);
  ShowSound sound;
  if (const int refused = PrepareShowSound(o, signals, sound)) return refused;
  const auto& [render, pick, track] = sound;
  if (!track) return Complain(kExitUsage, "--segment sound: the show has no sound (give --audio or --music)");
  const std::string working = cli::WorkingFileName(o.Output, long(getpid()));
  if (!o.Quiet) std::fprintf(stderr, "encoding the sound...\n");
  const std::string error =
      cli::EncodeSound(*track, cli::OutputOptions(o, pick, false) + cli::SoundPartTag(o, *render), working);
  std::error_code ec;
  if (error.empty() && signals.Received()) {
    fs::remove(working, ec);
    return signals.ExitCode();
  }
  if (!error.empty()) {
    fs::remove(working, ec);
    return Complain(kExitFailed, "cannot encode the sound: " + error);
  }
  if (!Settle(working, o.Output, true)) return kExitFailed;
  if (!o.Quiet) PrintText("Wrote " + o.Output + "\n" + cli::DescribeStreams(o.Output));
  return 0;
}

// The joined file from the parts, with the sound part's sound or, without
// one, the sound encoded here (the options are the parts' own, so the
// music is too). Settles the output; returns the exit code.
int JoinInto(const RenderOptions& o, const cli::SplitFiles& split, encoder::SoundTrack* track,
             const cli::VideoEncoderPick& pick, const cli::StopSignals& signals) {
  std::error_code ec;
  const std::string encoded = track ? cli::WorkingFileName(o.Output, long(getpid()), "sound") : "";
  const std::string working = cli::WorkingFileName(o.Output, long(getpid()));
  std::string error;
  if (track) {
    if (!o.Quiet) std::fprintf(stderr, "encoding the sound...\n");
    error = cli::EncodeSound(*track, cli::OutputOptions(o, pick, false), encoded);
  }
  if (error.empty() && signals.Received()) error = "stopped";
  if (error.empty()) {
    if (!o.Quiet) std::fprintf(stderr, "joining %zu parts...\n", split.Video.size());
    const std::string sound = split.Sound ? split.Sound->Path : encoded;
    error = cli::JoinParts(split.Video, o.FrameRate, sound, working, cli::UsesFastStart(o.Encoding, o.Output));
  }
  if (!encoded.empty()) fs::remove(encoded, ec);
  if (!error.empty()) {
    fs::remove(working, ec);
    return signals.Received() ? signals.ExitCode() : Complain(kExitFailed, "cannot join the parts: " + error);
  }
  if (!Settle(working, o.Output, true)) return kExitFailed;
  if (!o.Quiet) PrintText("Wrote " + o.Output + "\n" + cli::DescribeStreams(o.Output));
  return 0;
}

// Puts the parts of a split show together. With a sound part nothing is
// encoded, decoded or analysed: the parts are checked against each other
// and, where the music does not move the cuts, against the show's plan.
int Join(const RenderOptions& o) {
  cli::CheckFiles(o);
  std::error_code ec;
  for (const std::string& part : o.Speed.JoinParts)
    if (fs::equivalent(part, o.Output, ec))
      return Complain(kExitUsage, "--join \"" + part + "\": is the output; give the joined video a new name");
  cli::StopSignals signals([] {});
  if (const std::string error = cli::LoadMediaLibraries(); !error.empty())
    return Complain(kExitFailed, "cannot load the media libraries: " + error);
  cli::CheckOutputFormat(o.Output);
  const cli::SplitFiles split = cli::CheckParts(o.Speed.JoinParts, o.FrameRate);
  if (split.Sound) {
    // The container picks the sound's codec: the same one picks what one run would carry.
    if (LowerExtension(split.Sound->Path) != LowerExtension(o.Output))
      return Complain(kExitUsage, "--join \"" + split.Sound->Path + "\": the sound part must be written as " +
                                      LowerExtension(o.Output) + " like the output, so its sound is the one a single run would carry");
    if (split.Sound->Tag.Music != cli::PartMusic(o))
      return Complain(kExitUsage, "--join \"" + split.Sound->Path +
                                      "\": the sound part was made from other sound files or fades than these; "
                                      "render it again with --segment sound");
    if (!(o.Music.FitToMusic || o.Music.Sync != "none")) {
      int64_t frames = 0;
      const std::string show = cli::PlannedShow(o, frames);
      cli::CheckShow(split, show, frames);
    }
    return JoinInto(o, split, nullptr, {}, signals);
  }
  ShowSound sound;
  if (const int refused = PrepareShowSound(o, signals, sound)) return refused;
  cli::CheckShow(split, cli::PartShow(o, *sound.render), sound.render->Timeline().TotalFrames());
  return JoinInto(o, split, sound.track.get(), sound.pick, signals);
}

// Writes the show the command line describes, for the user to edit.
int WriteShow(const RenderOptions& o) {
  cli::CheckInputFiles(o);
  const std::string& target = o.Show.WriteTo;
  std::error_code ec;
  for (const std::string& input : o.Pictures)
    if (fs::equivalent(input, target, ec))
      return Complain(kExitUsage, "--write-show \"" + target + "\": is one of the pictures");
  if (!o.Audio.empty() && fs::equivalent(o.Audio, target, ec))
    return Complain(kExitUsage, "--write-show \"" + target + "\": is the sound file");
  // A show file may hold a user's edits and comments: never written over.
  if (fs::exists(fs::symlink_status(target, ec)))
    return Complain(kExitUsage, "--write-show \"" + target +
                                    "\": exists; give a new name or remove the old file first");
  try {
    slideshow::WriteShowFile(o.Show.Composed, target);
  } catch (const slideshow::ShowFileError& e) {
    return Complain(kExitUsage, e.what());
  }
  const slideshow::ShowSettings& s = o.Show.Composed.Settings;
  if (o.Quiet) return 0;
  return PrintText("Wrote " + target + ": " + std::to_string(o.Show.Composed.Slides.size()) +
                   " slides" + (s.Seed ? ", seed " + std::to_string(*s.Seed) : "") + "\n");
}

}  // namespace

int main(int argc, char** argv) {
  // Every slide's pictures (tens of MiB each) are made on the prefetch
  // thread and freed a few seconds later. Past glibc's self-raising mmap
  // threshold they stay in its heap in pieces, which added about 75 MiB to
  // the peak of a moving, blurred show; mapped, they go back when freed.
  mallopt(M_MMAP_THRESHOLD, 4 << 20);
  // libx264 asks for huge pages for its frame pool, and the kernel zeroes
  // each 2 MiB page whole at first touch: a cost every run pays at its
  // start, again in every part of a split show. Small pages are zeroed as
  // they are used. A kernel that refuses leaves things as they were.
  prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0);
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const cli::CommandLine cl = cli::ParseCommandLine(args);
    switch (cl.command) {
      case cli::Command::Help:
        return PrintText(cli::HelpText());
      case cli::Command::Version:
        return PrintText(cli::VersionText());
      case cli::Command::ListEffects:
        return PrintText(cli::EffectListText());
      case cli::Command::Render:
        if (!cl.options.Speed.JoinParts.empty()) return Join(cl.options);
        return cl.options.Speed.SoundPart ? SoundPart(cl.options) : Render(cl.options);
      case cli::Command::WriteShow:
        return WriteShow(cl.options);
    }
  } catch (const cli::UsageError& e) {
    return Complain(kExitUsage, e.what());
  } catch (const std::exception& e) {
    return Complain(kExitFailed, e.what());
  }
  return kExitFailed;
}
