// lanternslide-render: the slideshow of the desktop program, rendered from
// the command line. Exit codes: 0 written, 1 run failed, 2 usage error,
// 128 + signal when stopped by Ctrl-C or SIGTERM.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/help_text.h"
#include "cli/media_checks.h"
#include "cli/output_summary.h"
#include "cli/progress_display.h"
#include "cli/render_files.h"
#include "cli/render_options.h"
#include "cli/slideshow_render.h"
#include "cli/stop_signals.h"
#include "engine/run_outcome.h"
#include "slideshow/show_file.h"

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
  return o.Audio.empty() ? 0.0 : cli::CheckSoundFile(o.Audio);
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
    render = std::make_unique<cli::SlideshowRender>(o);
  } catch (const slideshow::TimelineError& e) {
    return Complain(kExitUsage, e.what());
  }
  // Blocks the stop signals before the libraries start threads of their own.
  cli::StopSignals signals([&render] { render->RequestStop(); });
  if (const std::string error = cli::LoadMediaLibraries(); !error.empty())
    return Complain(kExitFailed, "cannot load the media libraries: " + error);
  const double soundSeconds = CheckMedia(o);

  RunProgress progress(o, *render, soundSeconds);
  const std::string working = cli::WorkingFileName(o.Output, long(getpid()));
  const cli::RenderOutcome outcome =
      render->Run(working, [&progress](const encoder::TProgressInfo& v) { progress(v); });
  if (outcome.kind == cli::RenderOutcome::Failed) progress.Close();
  else progress.Finish();
  // Kept when it plays at least one frame, whatever ended the run.
  const int64_t frames = cli::CountVideoFrames(working);
  const bool named = Settle(working, o.Output, frames > 0);
  return Report(o, outcome, frames, named, signals);
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
        return Render(cl.options);
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
