// Ctrl-C and SIGTERM as a stop request: the signals are taken by a thread of
// their own (sigwait), so the request runs as ordinary code, not inside a
// signal handler. A second signal quits at once.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace cli {

class StopSignals {
 public:
  // Blocks SIGINT and SIGTERM in the calling thread, and so in every thread
  // created after it: construct it before any other thread starts.
  // onStop runs on the watcher thread at the first signal; it must be safe
  // to call from there.
  explicit StopSignals(std::function<void()> onStop);
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The first signal received, or 0.
  int Received() const { return received_; }
  // The exit code for a run ended by that signal (128 + signal number).
  int ExitCode() const { return 128 + received_; }

 private:
  void Watch();

  std::function<void()> onStop_;
  std::atomic<int> received_{0};
  std::atomic<bool> done_{false};
  std::thread watcher_;
};

}  // namespace cli
