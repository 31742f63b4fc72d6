// The renderer's progress: figures, the bar's width, how often plain lines
// come, and the stop signals.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "cli/progress_display.h"
#include "cli/stop_signals.h"

namespace {

using cli::ProgressSnapshot;

ProgressSnapshot Snapshot(double elapsed, double content, double expected) {
  ProgressSnapshot s;
  s.Frame = 390;
  s.Fps = 37;
  s.Bytes = 1258291;
  s.Elapsed = elapsed;
  s.Content = content;
  s.Expected = expected;
  return s;
}

TEST(RenderProgress, FiguresFollowTheContentMadeSoFar) {
  EXPECT_DOUBLE_EQ(cli::Fraction(Snapshot(10, 13, 31)), 13.0 / 31);
  EXPECT_DOUBLE_EQ(cli::Fraction(Snapshot(10, 40, 31)), 1.0);  // a longer sound track
  EXPECT_EQ(cli::Fraction(Snapshot(10, 13, 0)), 0.0);
  EXPECT_DOUBLE_EQ(cli::Remaining(Snapshot(10, 10, 40)), 30.0);
  EXPECT_LT(cli::Remaining(Snapshot(0, 0, 40)), 0);

  EXPECT_EQ(cli::FormatClock(0), "0:00");
  EXPECT_EQ(cli::FormatClock(59.6), "1:00");
  EXPECT_EQ(cli::FormatClock(3599), "59:59");
  EXPECT_EQ(cli::FormatClock(3661), "1:01:01");
  EXPECT_EQ(cli::FormatClock(-1), "--:--");
  EXPECT_EQ(cli::FormatBytes(1023), "1023 B");
  EXPECT_EQ(cli::FormatBytes(1024 * 812), "812 KiB");
  EXPECT_EQ(cli::FormatBytes(1258291), "1.2 MiB");
  EXPECT_EQ(cli::FormatBytes(3LL << 30), "3.00 GiB");

  EXPECT_EQ(cli::FormatLine(Snapshot(10, 10, 40)),
            " 25% frame 390 | 37 fps | 1.2 MiB | 0:10 elapsed | 0:30 left");
}

TEST(RenderProgress, TheBarFitsTheTerminal) {
  const ProgressSnapshot s = Snapshot(10, 20, 40);
  for (int width : {20, 60, 79, 119, 200}) {
    const std::string bar = cli::FormatBar(s, width);
    EXPECT_LE(int(bar.size()), width) << bar;
    EXPECT_NE(bar.find("50%"), std::string::npos) << bar;
  }
  const std::string wide = cli::FormatBar(s, 200);
  EXPECT_EQ(wide.substr(0, 42), "[" + std::string(20, '#') + std::string(20, '.') + "]");
  // Too narrow for a bar: the figures alone.
  EXPECT_EQ(cli::FormatBar(s, 70).find('['), std::string::npos);
}

std::string Shown(cli::ProgressMode mode, const std::vector<double>& updates, bool finish) {
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  {
    cli::ProgressDisplay display(mode, out, 5.0);
    for (double t : updates) display.Update(Snapshot(t, t, 100));
    if (finish) display.Finish(Snapshot(99, 100, 100));
  }
  std::fclose(out);
  std::string result(text, size);
  std::free(text);
  return result;
}

TEST(RenderProgress, PlainLinesComeEveryFewSecondsAndTheLastAlways) {
  const std::string lines = Shown(cli::ProgressMode::Lines, {0.5, 1, 4.9, 5.0, 6, 9.9, 10.2}, true);
  EXPECT_EQ(lines, "  5% frame 390 | 37 fps | 1.2 MiB | 0:05 elapsed | 1:35 left\n"
                   " 10% frame 390 | 37 fps | 1.2 MiB | 0:10 elapsed | 1:30 left\n"
                   "100% frame 390 | 37 fps | 1.2 MiB | 1:39 elapsed | 0:00 left\n");
  // A run that ends in a failure shows no progress if it was short.
  EXPECT_EQ(Shown(cli::ProgressMode::Lines, {0.5, 1}, false), "");
  EXPECT_EQ(Shown(cli::ProgressMode::Quiet, {0.5, 6, 12}, true), "");
  const std::string bar = Shown(cli::ProgressMode::Bar, {0.5, 1}, true);
  EXPECT_EQ(std::count(bar.begin(), bar.end(), '\r'), 3);
  EXPECT_EQ(bar.back(), '\n');
}

TEST(RenderStopSignals, TheFirstSignalRequestsTheStopOnce) {
  std::atomic<int> calls{0};
  cli::StopSignals signals([&] { ++calls; });
  EXPECT_EQ(signals.Received(), 0);
  kill(getpid(), SIGINT);
  for (int i = 0; i < 200 && calls == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(signals.Received(), SIGINT);
  EXPECT_EQ(signals.ExitCode(), 130);
}

}  // namespace
