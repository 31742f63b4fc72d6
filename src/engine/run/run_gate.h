// The stop request and the pause gate of one conversion: any thread asks
// for a stop, a pause or a resume; the worker looks at them at its loop
// points and halts at the gate while paused.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace engine {

class TRunGate {
 public:
  // Any thread. Opens the gate, so that a paused worker sees the stop.
  void RequestStop();
  bool StopRequested() const { return stopRequested_; }
  // The owner's thread, before a run starts.
  void ClearStop() { stopRequested_ = false; }

  // Any thread.
  void Pause() { paused_ = true; }
  void Resume();
  bool Paused() const { return paused_; }

  // The worker: halts while paused and no stop is requested. Returns the
  // time it halted, in µs (0 when it did not).
  int64_t Pass();

 private:
  // Written by any thread under lock_ (Pause needs no lock: it only closes
  // the gate); read by the worker with or without it.
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> paused_{false};
  std::mutex lock_;
  std::condition_variable opened_;  // notified when either flag changes
};

}  // namespace engine
