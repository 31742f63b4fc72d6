// Progress of a run on standard error: a bar redrawn in place on a terminal,
// a plain line every few seconds otherwise (logs of batch jobs), or nothing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace cli {

enum class ProgressMode { Bar, Lines, Quiet };

// What the display knows at one moment.
struct ProgressSnapshot {
  int64_t Frame = 0;           // frames encoded
  int Fps = 0;                 // encoding speed
  int64_t Bytes = 0;           // written so far
  double Elapsed = 0;          // wall seconds since the start
  double Content = 0;          // seconds of video made
  double Expected = 0;         // seconds the whole video will last
};

// 0..1; 0 while nothing is known.
double Fraction(const ProgressSnapshot& s);
// Seconds left at the speed so far; negative when it cannot be told yet.
double Remaining(const ProgressSnapshot& s);
std::string FormatClock(double seconds);  // "m:ss" or "h:mm:ss"; "--:--" below 0
std::string FormatBytes(int64_t bytes);   // "812 KiB", "12.4 MiB"
// The terminal bar, width characters at most.
std::string FormatBar(const ProgressSnapshot& s, int width);
// One plain line.
std::string FormatLine(const ProgressSnapshot& s);

class ProgressDisplay {
 public:
  ProgressDisplay(ProgressMode mode, FILE* out, double lineIntervalSeconds = 5.0);

  // Shows the snapshot if the mode and the interval allow it.
  void Update(const ProgressSnapshot& s);
  // Shows the last state once more and ends the bar's line.
  void Finish(const ProgressSnapshot& s);
  // Ends the bar's line without showing more, so a message can follow.
  void Close();

  // The mode fitting a stream: Bar on a terminal, else Lines.
  static ProgressMode ModeFor(FILE* stream, bool quiet);

 private:
  int TerminalWidth() const;

  ProgressMode mode_;
  FILE* out_;
  double lineInterval_;
  double lastLine_ = 0;  // elapsed seconds at the last line
  bool barShown_ = false;
};

}  // namespace cli
