// Running a conversion on a worker thread: start, stop, pause, the end
// notice, and the notice of a conversion that never ran.
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

#include "engine/transcoder.h"
#include "media/bridges/main_thread.h"
#include "media/bridges/previewer.h"

namespace engine {
namespace {

constexpr auto kStopPoll = std::chrono::milliseconds(20);

int NiceValue(TThreadPriority priority) {
  switch (priority) {
    case TThreadPriority::tpIdle: return 19;
    case TThreadPriority::tpLowest: return 10;
    case TThreadPriority::tpLower: return 5;
    case TThreadPriority::tpNormal: return 0;
    case TThreadPriority::tpHigher: return -5;
    case TThreadPriority::tpHighest: return -10;
    case TThreadPriority::tpTimeCritical: return -20;
  }
  return 0;
}

// Waits until done() holds; on the main thread the calls the other threads
// queue for it keep being served, so none of them can wait for us forever.
void WaitServing(const std::function<bool()>& done) {
  while (!media::WaitServingMainThreadCalls(done, kStopPoll)) {
  }
}

}  // namespace

bool ApplyThreadPriority(TThreadPriority priority) {
  // On Linux a nice value applied to a thread id affects that thread only.
  const auto tid = id_t(syscall(SYS_gettid));
  return setpriority(PRIO_PROCESS, tid, NiceValue(priority)) == 0;
}

void TTranscoder::RequestStop() { gate_.RequestStop(); }

bool TTranscoder::Start(bool threaded, TThreadPriority priority) {
  std::unique_lock guard(controlLock_);
  if (running_ || terminated_) return false;
  if (outputFiles_.empty() || inputFiles_.empty()) {
    // Refused: Run records the message and releases what was opened.
    guard.unlock();
    RunToEnd();
    return false;
  }
  running_ = true;
  gate_.ClearStop();
  terminated_ = false;
  if (!threaded) {
    guard.unlock();
    RunToEnd();
    return false;
  }
  runFinished_ = false;
  worker_ = std::thread([this, priority] {
    ApplyThreadPriority(priority);
    RunToEnd();
    runFinished_ = true;
  });
  return true;
}

void TTranscoder::RunToEnd() {
  Run();
  // The window closes with the conversion, before anybody hears of its end.
  TakePreviewer().reset();
  try {
    GiveTerminationNotice();
  } catch (const std::exception& e) {
    Log(media::llQuiet, e.what());
  }
}

void TTranscoder::GiveTerminationNotice() {
  terminated_ = true;
  running_ = false;
  if (OnTerminate) OnTerminate();
}

void TTranscoder::Stop(bool wait) {
  RequestStop();
  if (wait) WaitForEnd();
}

void TTranscoder::WaitForEnd() {
  // A handler on the worker may stop its own engine; it cannot wait for itself.
  if (worker_.get_id() == std::this_thread::get_id()) return;
  WaitServing([this] { return runFinished_.load(); });
}

void TTranscoder::Terminate(bool wait) {
  std::unique_lock guard(controlLock_);
  if (running_) {
    guard.unlock();
    Stop(wait);
    return;
  }
  if (terminated_ || terminator_.joinable()) return;
  noticeDelivered_ = false;
  terminator_ = std::thread([this] {
    try {
      // Like a finished run: no empty output file outlives the notice.
      CleanUp();
    } catch (const std::exception& e) {
      Log(media::llQuiet, e.what());
    }
    try {
      GiveTerminationNotice();
    } catch (const std::exception& e) {
      Log(media::llQuiet, e.what());
    }
    noticeDelivered_ = true;
  });
  guard.unlock();
  if (wait && terminator_.get_id() != std::this_thread::get_id())
    WaitServing([this] { return noticeDelivered_.load(); });
}

void TTranscoder::Pause() {
  // The worker may have been started from another engine's worker.
  std::lock_guard guard(controlLock_);
  if (running_ && worker_.joinable()) gate_.Pause();
}

void TTranscoder::Resume() { gate_.Resume(); }

void TTranscoder::PauseGate() {
  // Real-time pacing goes on from where it halted instead of catching up.
  if (const int64_t pausedFor = gate_.Pass())
    for (auto& ist : inputStreams_) ist->start += pausedFor;
}

void TTranscoder::JoinThreads() {
  RequestStop();
  if (worker_.joinable()) {
    WaitForEnd();
    if (worker_.get_id() != std::this_thread::get_id()) worker_.join();
    else worker_.detach();
  }
  if (terminator_.joinable()) {
    WaitServing([this] { return noticeDelivered_.load(); });
    if (terminator_.get_id() != std::this_thread::get_id()) terminator_.join();
    else terminator_.detach();
  }
}

}  // namespace engine
