#include "media/bridges/main_thread.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace media {

namespace {

// No caller can recover from a wrong thread set-up and any guess would run
// events on the wrong thread, so the process stops loudly.
[[noreturn]] void ProgrammingError(const char* what) {
  std::fprintf(stderr, "Programming error: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

struct PendingCall {
  const std::function<void()>* call;
  bool finished = false;
  bool dropped = false;
  std::exception_ptr error;
};

struct MainThreadState {
  std::mutex lock;
  std::condition_variable changed;  // a call was queued, finished or dropped
  std::deque<PendingCall*> queue;
  std::thread::id mainId;
  bool haveMain = false;
  bool shutdown = false;
  std::function<void()> waker;

  ~MainThreadState() { Shutdown(); }

  void Shutdown() {
    std::lock_guard guard(lock);
    shutdown = true;
    for (PendingCall* p : queue) p->dropped = true;
    queue.clear();
    changed.notify_all();
  }

  // Under the lock: whether the calling thread is the main thread.
  bool OnMainLocked() {
    if (!haveMain) ProgrammingError("the main-thread calls were used before InitMainThread");
    return mainId == std::this_thread::get_id();
  }
};

// A namespace-scope object so that it outlives the loader and the logger,
// which may still deliver while the process ends.
MainThreadState g_main;

}  // namespace

void InitMainThread() {
  std::lock_guard guard(g_main.lock);
  if (g_main.haveMain && g_main.mainId != std::this_thread::get_id())
    ProgrammingError("InitMainThread was called from a second thread");
  g_main.mainId = std::this_thread::get_id();
  g_main.haveMain = true;
  g_main.shutdown = false;
}

bool IsMainThread() {
  std::lock_guard guard(g_main.lock);
  return g_main.OnMainLocked();
}

bool CallInMainThread(const std::function<void()>& call) {
  PendingCall pending{&call, false, false, nullptr};
  bool queued = false;
  std::function<void()> waker;
  {
    std::lock_guard guard(g_main.lock);
    if (!g_main.OnMainLocked()) {
      if (g_main.shutdown) return false;
      g_main.queue.push_back(&pending);
      g_main.changed.notify_all();
      waker = g_main.waker;
      queued = true;
    }
  }
  if (!queued) {  // on the main thread
    call();
    return true;
  }
  if (waker) waker();
  std::unique_lock guard(g_main.lock);
  g_main.changed.wait(guard, [&] { return pending.finished || pending.dropped; });
  if (pending.dropped) return false;
  if (pending.error) std::rethrow_exception(pending.error);
  return true;
}

int ServeMainThreadCalls() {
  int served = 0;
  std::unique_lock guard(g_main.lock);
  if (!g_main.OnMainLocked()) return 0;
  while (!g_main.queue.empty()) {
    PendingCall* p = g_main.queue.front();
    g_main.queue.pop_front();
    const std::function<void()>* call = p->call;
    guard.unlock();
    std::exception_ptr error;
    try {
      (*call)();
    } catch (...) {
      error = std::current_exception();
    }
    guard.lock();
    p->error = error;
    p->finished = true;
    g_main.changed.notify_all();
    ++served;
  }
  return served;
}

bool WaitServingMainThreadCalls(const std::function<bool()>& done,
                                std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // Short waits so that a condition that is not signalled through the queue
  // is still noticed soon.
  constexpr auto kPoll = std::chrono::milliseconds(10);
  for (;;) {
    ServeMainThreadCalls();
    if (done()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    std::unique_lock guard(g_main.lock);
    const bool onMain = g_main.OnMainLocked();
    g_main.changed.wait_for(guard, std::min<std::chrono::steady_clock::duration>(kPoll, deadline - now),
                            [&] { return onMain && !g_main.queue.empty(); });
  }
}

void SetMainThreadWaker(std::function<void()> waker) {
  std::lock_guard guard(g_main.lock);
  g_main.waker = std::move(waker);
}

void ShutdownMainThreadCalls() { g_main.Shutdown(); }

}  // namespace media
