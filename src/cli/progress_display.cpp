#include "cli/progress_display.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace cli {
namespace {

std::string Printf(const char* format, auto... args) {
  char buf[128];
  const int n = std::snprintf(buf, sizeof buf, format, args...);
  return std::string(buf, size_t(std::clamp(n, 0, int(sizeof buf) - 1)));
}

// "frame 390 | 37 fps | 1.2 MiB | 0:10 elapsed | 0:14 left"
std::string Figures(const ProgressSnapshot& s) {
  return Printf("frame %lld | %d fps | %s | %s elapsed | %s left", (long long)s.Frame, s.Fps,
                FormatBytes(s.Bytes).c_str(), FormatClock(s.Elapsed).c_str(),
                FormatClock(Remaining(s)).c_str());
}

}  // namespace

double Fraction(const ProgressSnapshot& s) {
  if (s.Expected <= 0 || s.Content <= 0) return 0;
  return std::min(1.0, s.Content / s.Expected);
}

double Remaining(const ProgressSnapshot& s) {
  const double f = Fraction(s);
  if (f <= 0 || s.Elapsed <= 0) return -1;
  return s.Elapsed * (1 - f) / f;
}

std::string FormatClock(double seconds) {
  if (!(seconds >= 0)) return "--:--";
  const long long t = std::llround(seconds);
  if (t >= 3600) return Printf("%lld:%02lld:%02lld", t / 3600, t / 60 % 60, t % 60);
  return Printf("%lld:%02lld", t / 60, t % 60);
}

std::string FormatBytes(int64_t bytes) {
  if (bytes < 1024) return Printf("%lld B", (long long)bytes);
  if (bytes < 1024 * 1024) return Printf("%lld KiB", (long long)(bytes / 1024));
  if (bytes < 1024LL * 1024 * 1024) return Printf("%.1f MiB", double(bytes) / (1024.0 * 1024));
  return Printf("%.2f GiB", double(bytes) / (1024.0 * 1024 * 1024));
}

std::string FormatBar(const ProgressSnapshot& s, int width) {
  const double f = Fraction(s);
  const std::string tail = Printf(" %3d%% ", int(f * 100)) + Figures(s);
  // The bar takes what the figures leave, between 10 and 40 cells.
  const int cells = std::clamp(width - int(tail.size()) - 2, 0, 40);
  if (cells < 10) return tail.substr(1, size_t(std::max(0, width - 1)));
  const int done = int(f * cells);
  return "[" + std::string(size_t(done), '#') + std::string(size_t(cells - done), '.') + "]" + tail;
}

std::string FormatLine(const ProgressSnapshot& s) {
  return Printf("%3d%% ", int(Fraction(s) * 100)) + Figures(s);
}

ProgressDisplay::ProgressDisplay(ProgressMode mode, FILE* out, double lineIntervalSeconds)
    : mode_(mode), out_(out), lineInterval_(lineIntervalSeconds) {}

ProgressMode ProgressDisplay::ModeFor(FILE* stream, bool quiet) {
  if (quiet) return ProgressMode::Quiet;
  return isatty(fileno(stream)) ? ProgressMode::Bar : ProgressMode::Lines;
}

int ProgressDisplay::TerminalWidth() const {
  winsize ws{};
  if (ioctl(fileno(out_), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

void ProgressDisplay::Update(const ProgressSnapshot& s) {
  switch (mode_) {
    case ProgressMode::Quiet:
      return;
    case ProgressMode::Bar: {
      // Clear to the end of the line: the new text may be shorter.
      std::fprintf(out_, "\r%s\x1b[K", FormatBar(s, TerminalWidth() - 1).c_str());
      barShown_ = true;
      break;
    }
    case ProgressMode::Lines:
      // The first line after one interval: short runs show only the last.
      if (s.Elapsed - lastLine_ < lineInterval_) return;
      std::fprintf(out_, "%s\n", FormatLine(s).c_str());
      lastLine_ = s.Elapsed;
      break;
  }
  std::fflush(out_);
}

void ProgressDisplay::Finish(const ProgressSnapshot& s) {
  if (mode_ == ProgressMode::Quiet) return;
  lastLine_ = -lineInterval_;  // the last state always shows
  Update(s);
  Close();
}

void ProgressDisplay::Close() {
  if (barShown_) std::fputc('\n', out_);
  barShown_ = false;
  std::fflush(out_);
}

}  // namespace cli
