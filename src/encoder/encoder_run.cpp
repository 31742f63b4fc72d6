// A run of the encoder's tasks: starting them, the events the engines relay,
// each task's end and the final event after the last one.
#include <chrono>

#include "encoder/ff_encoder.h"
#include "encoder/ffmpeg_task.h"
#include "media/bridges/main_thread.h"

namespace encoder {
namespace {

constexpr auto kPoll = std::chrono::milliseconds(10);

void WaitServing(const std::function<bool()>& done) {
  while (!media::WaitServingMainThreadCalls(done, std::chrono::milliseconds(20))) {
  }
}

}  // namespace

void TCustomEncoder::StartTask(int count) {
  CheckBusy("StartTask");
  {
    std::lock_guard guard(terminateLock_);
    finishedCount_ = 0;
    nextIndex_ = 0;
    remaining_ = tasks_->Count();
    allEnded_ = false;
    threaded_ = count > 0;
    working_ = true;
    paused_ = false;
    finalDelivered_ = false;
    startThread_ = std::this_thread::get_id();
    // Nothing to run still ends the run, so that it can be cleared.
    if (remaining_ == 0) ReportAllEnded();
  }
  for (;;) {
    {
      std::lock_guard guard(terminateLock_);
      if (remaining_ <= 0) break;
    }
    StartNextTask();
    if (threaded_ && --count == 0) break;
  }
  // Without workers the caller hears the final event before it goes on,
  // also when a stop ended some tasks on other threads.
  if (!threaded_) WaitServing([this] { return finalDelivered_.load(); });
}

void TCustomEncoder::StartNextTask() {
  TFFmpeg* engine;
  {
    std::lock_guard guard(terminateLock_);
    if (remaining_ <= 0) return;
    --remaining_;
    engine = &tasks_->At(nextIndex_++);
  }
  engine->SetProgressInterval(int64_t(progressInterval_) * 1000);
  // Without workers this converts to the end; a task that cannot start
  // reports its end from inside (re-entering the terminate lock).
  engine->Start(threaded_, threadPriority_);
}

void TCustomEncoder::DoProgress(TFFmpeg& engine, const TProgressInfo& values) {
  if (!OnProgress) return;
  std::lock_guard guard(progressLock_);
  progressBuffer_ = values;
  progressBuffer_.TaskIndex = TaskIndexOf(engine);
  RaiseEvent([this] {
    if (auto handler = OnProgress.Get()) (*handler)(this, &progressBuffer_);
  });
}

void TCustomEncoder::DoPreviewBitmap(TFFmpeg& engine, const gfx::Bitmap& bitmap, int frameNumber,
                                     int64_t pts) {
  if (!OnPreviewBitmap) return;
  std::lock_guard guard(previewLock_);
  previewBuffer_ = TPreviewInfo{TaskIndexOf(engine), &bitmap, frameNumber, pts};
  RaiseEvent([this] {
    if (auto handler = OnPreviewBitmap.Get()) (*handler)(this, previewBuffer_);
  });
}

void TCustomEncoder::DoBeforeFindStreamInfo(TFFmpeg& engine, AVFormatContext* context) {
  if (!OnBeforeFindStreamInfo) return;
  std::lock_guard guard(beforeFindLock_);
  RaiseEvent([this, context] {
    if (auto handler = OnBeforeFindStreamInfo.Get()) (*handler)(this, context);
  });
}

void TCustomEncoder::TaskEnded(TFFmpeg& engine) {
  std::lock_guard guard(terminateLock_);
  if (OnTerminate) {
    std::string kept;
    for (const engine::KeptOutput& output : engine.KeptOutputs())
      kept += (kept.empty() ? "" : " ") + engine::KeptPartText(output);
    terminateBuffer_ = TTerminateInfo{TaskIndexOf(engine), engine.Finished(),
                                      engine.ErrorOccurred(), engine.ErrorMessage(), kept};
    RaiseTerminate(false);
  }
  ++finishedCount_;
  if (remaining_ <= 0) {
    if (finishedCount_ >= tasks_->Count()) ReportAllEnded();
  } else if (threaded_) {
    StartNextTask();
  }
}

void TCustomEncoder::ReportAllEnded() {
  allEnded_ = true;
  if (!OnTerminate) {
    finalDelivered_ = true;
    return;
  }
  terminateBuffer_ = TTerminateInfo{-1, true, false, "", ""};
  RaiseTerminate(true);
}

void TCustomEncoder::RaiseTerminate(bool final) {
  // Directly only where the run without workers runs; any other thread
  // (a stopped task that never started) hands over, or it would hold the
  // terminate lock while waiting for a main thread that waits for the lock.
  const bool direct =
      !threaded_ && working_ && std::this_thread::get_id() == startThread_;
  if (!direct) {
    StartTerminationThread(terminateBuffer_, final);
    return;
  }
  if (final) WaitServing([this] { return pendingDeliveries_ == 0; });
  try {
    if (auto handler = OnTerminate.Get()) (*handler)(this, terminateBuffer_);
  } catch (...) {
    if (final) finalDelivered_ = true;
    throw;
  }
  if (final) finalDelivered_ = true;
}

void TCustomEncoder::StartTerminationThread(const TTerminateInfo& info, bool final) {
  if (!final) ++pendingDeliveries_;
  auto done = std::make_shared<std::atomic<bool>>(false);
  const bool inMainThread = TriggerEventInMainThread();
  std::thread thread([this, info, final, done, inMainThread] {
    // The final event comes after every task's own.
    if (final)
      while (pendingDeliveries_ > 0) std::this_thread::sleep_for(kPoll);
    try {
      auto deliver = [&] {
        if (auto handler = OnTerminate.Get()) (*handler)(this, info);
      };
      if (inMainThread) media::CallInMainThread(deliver);
      else deliver();
    } catch (...) {
      // A throwing handler must not take the process down with this thread.
    }
    if (final) finalDelivered_ = true;
    else --pendingDeliveries_;
    *done = true;
  });
  std::lock_guard guard(terminationThreadsLock_);
  terminationThreads_.push_back({std::move(thread), std::move(done)});
}

void TCustomEncoder::ReapTerminationThreads(bool all) {
  if (all) {
    WaitServing([this] {
      std::lock_guard guard(terminationThreadsLock_);
      for (auto& t : terminationThreads_)
        if (!*t.done) return false;
      return true;
    });
  }
  std::lock_guard guard(terminationThreadsLock_);
  std::erase_if(terminationThreads_, [](TerminationThread& t) {
    if (!*t.done) return false;
    t.thread.join();
    return true;
  });
}

}  // namespace encoder
