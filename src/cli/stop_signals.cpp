#include "cli/stop_signals.h"

#include <signal.h>
#include <unistd.h>

#include <ctime>

namespace cli {
namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

StopSignals::StopSignals(std::function<void()> onStop) : onStop_(std::move(onStop)) {
  const sigset_t set = StopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  watcher_ = std::thread([this] { Watch(); });
}

StopSignals::~StopSignals() {
  done_ = true;
  watcher_.join();
}

void StopSignals::Watch() {
  const sigset_t set = StopSet();
  // Waits in short steps so that the destructor can end the thread.
  const timespec step{0, 100 * 1000 * 1000};
  while (!done_) {
    const int sig = sigtimedwait(&set, nullptr, &step);
    if (sig <= 0) continue;
    if (received_ != 0) {
      static const char text[] = "\nlanternslide-render: interrupted again, quitting at once\n";
      (void)!write(STDERR_FILENO, text, sizeof text - 1);
      _exit(128 + sig);
    }
    received_ = sig;
    if (onStop_) onStop_();
  }
}

}  // namespace cli
