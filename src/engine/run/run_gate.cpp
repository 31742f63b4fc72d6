#include "engine/run/run_gate.h"

#include "media/binding/ff_entry_points.h"

namespace engine {

void TRunGate::RequestStop() {
  {
    std::lock_guard guard(lock_);
    stopRequested_ = true;
  }
  opened_.notify_all();
}

void TRunGate::Resume() {
  {
    std::lock_guard guard(lock_);
    paused_ = false;
  }
  opened_.notify_all();
}

int64_t TRunGate::Pass() {
  if (!paused_) return 0;
  const int64_t halted = ff::av_gettime();
  std::unique_lock guard(lock_);
  opened_.wait(guard, [this] { return !paused_ || stopRequested_; });
  return ff::av_gettime() - halted;
}

}  // namespace engine
