// Pause, Resume and Stop at random moments of runs through the encoder
// component: every run must end, report its end once, never call a stopped
// run finished, and leave either no file or one that plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>

#include "encoder/encoder_support.h"
#include "playback_check.h"
#include "report.h"

namespace robust {
namespace {

using encoder::TFFEncoder;
namespace et = encoder_test;
namespace fs = std::filesystem;

constexpr int kRuns = 20;
constexpr int kFrames = 30;    // one second at 30/1, produced in real time
constexpr int kSpanMs = 1300;  // actions fall within this much of the start

enum class Act { Pause, Resume, StopWaiting, StopNotWaiting, StopInFrameRequest };

struct Action {
  int at;  // ms after the start; the frame number for StopInFrameRequest
  Act act;
};

const char* Name(Act a) {
  switch (a) {
    case Act::Pause: return "pause";
    case Act::Resume: return "resume";
    case Act::StopWaiting: return "stop";
    case Act::StopNotWaiting: return "stop, no wait";
    case Act::StopInFrameRequest: return "stop in frame request";
  }
  return "";
}

// Pauses always end: by their resume, or by a stop that follows. A stop
// in the first frames comes often, as it is where nothing may be written.
std::vector<Action> Schedule(std::mt19937& gen) {
  auto ms = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
  std::vector<Action> actions;
  for (int pauses = ms(0, 2); pauses > 0; --pauses) {
    const int at = ms(0, kSpanMs - 300);
    actions.push_back({at, Act::Pause});
    actions.push_back({at + ms(0, 300), Act::Resume});
  }
  const int stopAt = ms(0, 3) == 0 ? ms(0, 50) : ms(0, kSpanMs);
  switch (ms(0, 3)) {
    case 0: actions.push_back({stopAt, Act::StopWaiting}); break;
    case 1: actions.push_back({stopAt, Act::StopNotWaiting}); break;
    default: break;  // runs to its end
  }
  std::sort(actions.begin(), actions.end(), [](const Action& a, const Action& b) { return a.at < b.at; });
  if (ms(0, 3) == 0) actions.push_back({ms(1, kFrames), Act::StopInFrameRequest});
  return actions;
}

std::string Describe(const std::vector<Action>& actions) {
  std::string s;
  for (const Action& a : actions)
    s += (s.empty() ? "" : ", ") + std::string(Name(a.act)) +
         (a.act == Act::StopInFrameRequest ? " " + std::to_string(a.at)
                                           : " at " + std::to_string(a.at) + " ms");
  return s.empty() ? "none" : s;
}

unsigned Seed() {
  if (const char* env = std::getenv("LS_RANDOM_SEED")) return unsigned(std::strtoul(env, nullptr, 10));
  return std::random_device{}();
}

struct RunResult {
  std::vector<encoder::TTerminateInfo> events;
  bool ended = false;
  bool stopBeforeLastFrame = false;  // a stop came while frames were still to come
  int handedOut = 0;
  bool fileLeft = false;
  playcheck::Playback play;
};

RunResult Execute(const std::vector<Action>& actions, const fs::path& file) {
  RunResult r;
  TFFEncoder enc;
  et::TerminateLog log;
  log.Attach(enc);
  et::FrameSource source(kFrames);
  auto stop = [&](bool wait) {
    if (!log.FinalSeen() && source.handedOut < kFrames) r.stopBeforeLastFrame = true;
    enc.Stop(wait);
  };
  for (const Action& a : actions)
    if (a.act == Act::StopInFrameRequest)
      source.onFrame = [&, n = a.at](int frame) {
        if (frame == n) stop(false);
      };
  if (et::AddSourceTask(enc, source, file, true) != 0) return r;
  const auto start = std::chrono::steady_clock::now();
  enc.StartTask(1);
  for (const Action& a : actions) {
    if (a.act == Act::StopInFrameRequest) continue;
    const auto due = start + std::chrono::milliseconds(a.at);
    et::ServeFor(int(std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                              due - std::chrono::steady_clock::now())
                                              .count())));
    if (a.act == Act::Pause) enc.Pause();
    if (a.act == Act::Resume) enc.Resume();
    if (a.act == Act::StopWaiting || a.act == Act::StopNotWaiting) stop(a.act == Act::StopWaiting);
  }
  r.ended = et::WaitFor([&] { return log.FinalSeen(); });
  r.events = log.events;
  r.handedOut = source.handedOut;
  r.fileLeft = fs::exists(file);
  if (r.fileLeft) r.play = playcheck::PlayThrough(file.string());
  if (!r.ended) enc.Stop(true);  // a hang is reported; do not leave the worker running
  return r;
}

std::string EndText(const RunResult& r) {
  if (!r.ended) return "**no end**";
  if (r.events.empty()) return "**no event**";
  const encoder::TTerminateInfo& e = r.events.front();
  if (e.ErrorOccurred) return "error: " + e.ErrorMessage;
  return e.Finished ? "finished" : "stopped";
}

std::string FileText(const RunResult& r) {
  if (!r.fileLeft) return "none";
  if (!r.play.opened) return "**does not open**";
  return std::string(r.play.Plays(false) ? "plays" : "**does not play**") + ", " +
         std::to_string(r.play.pictures) + (r.play.pictures == 1 ? " picture" : " pictures");
}

TEST(RandomControl, EveryRunEndsOnceAndLeavesNoFileOrOneThatPlays) {
  et::InitMedia();
  const unsigned seed = Seed();
  std::cout << "seed " << seed << " (repeat with LS_RANDOM_SEED=" << seed << ")\n";
  RecordProperty("seed", std::to_string(seed));
  std::mt19937 gen(seed);
  const fs::path dir = et::Scratch("random-control");
  const char* containers[] = {"mp4", "mkv", "avi"};
  std::ostringstream table;
  for (int run = 0; run < kRuns; ++run) {
    const std::vector<Action> actions = Schedule(gen);
    const fs::path file = dir / ("run" + std::to_string(run) + "." + containers[run % 3]);
    SCOPED_TRACE("run " + std::to_string(run) + ": " + Describe(actions) + " -> " + file.string());
    const RunResult r = Execute(actions, file);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    table << "| " << run << " | " << file.extension().string().substr(1) << " | "
          << Cell(Describe(actions)) << " | " << Cell(EndText(r)) << " | " << r.handedOut << " | "
          << FileText(r) << " |\n";

    ASSERT_TRUE(r.ended) << "the run did not end";
    std::vector<int> indexes;
    for (const auto& e : r.events) indexes.push_back(e.TaskIndex);
    EXPECT_EQ(indexes, (std::vector<int>{0, -1})) << "one end event for the task, then the last";
    const encoder::TTerminateInfo& end = r.events.front();
    EXPECT_FALSE(end.ErrorOccurred) << end.ErrorMessage;
    if (r.stopBeforeLastFrame) {
      EXPECT_FALSE(end.Finished) << "a stopped run reported success";
    }
    if (end.Finished) {
      EXPECT_TRUE(r.play.Plays(false));
      EXPECT_EQ(r.play.pictures, kFrames) << "a finished run holds every frame";
    }
    if (r.fileLeft) {
      EXPECT_TRUE(r.play.Plays(false)) << "a file was left that does not play";
      EXPECT_LE(r.play.pictures, r.handedOut);
    }
  }
  std::ostringstream doc;
  doc << "## Pause, Resume and Stop at random moments\n\n"
      << kRuns << " runs through the encoder component (`TFFEncoder`), each a real-time "
      << kFrames << "-frame 160x120 source encoded with \"libx264\", with pauses, resumes and "
      << "a stop at random times (seed " << seed << "; `LS_RANDOM_SEED` repeats a schedule, "
      << "timing varies). Each run must end, report its end once, never report a stopped run "
      << "as finished, and leave no file or one that plays; the test also runs under "
      << "ThreadSanitizer.\n\n"
      << "| Run | Container | Schedule | End | Frames made | File |\n"
      << "|---|---|---|---|---|---|\n"
      << table.str();
  AddReportSection(2, doc.str());
  std::error_code ec;
  if (!HasFailure()) fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace robust
