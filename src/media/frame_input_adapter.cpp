#include "media/frame_input_adapter.h"

#include <exception>
#include <set>

#include "media/frame_input_format.h"

namespace media {

namespace {

// Input file names are addresses typed by someone; only addresses of live
// adapters are ever dereferenced.
std::mutex g_liveLock;

std::set<uintptr_t>& LiveAdapters() {
  static std::set<uintptr_t> live;
  return live;
}

std::string FailureText(std::exception_ptr failure) {
  std::string text;
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
  }
  return text.empty() ? "Unknown failure in a frame input event" : text;
}

}  // namespace

TFrameInputAdapter::TFrameInputAdapter() {
  std::lock_guard guard(g_liveLock);
  LiveAdapters().insert(reinterpret_cast<uintptr_t>(this));
}

TFrameInputAdapter::~TFrameInputAdapter() {
  std::lock_guard guard(g_liveLock);
  LiveAdapters().erase(reinterpret_cast<uintptr_t>(this));
}

std::string TFrameInputAdapter::InputFileName() const {
  return std::to_string(reinterpret_cast<uintptr_t>(this));
}

TFrameInputAdapter* TFrameInputAdapter::FromAddress(uintptr_t address) {
  std::lock_guard guard(g_liveLock);
  return LiveAdapters().count(address) ? reinterpret_cast<TFrameInputAdapter*>(address) : nullptr;
}

std::string TFrameInputAdapter::LastFrameError() const {
  std::lock_guard guard(errorLock_);
  return lastFrameError_;
}

void TFrameInputAdapter::AttachInput(FrameInputContext* context, PInputFrameInfo info) {
  inputContext_ = context;
  currentFrameInfo_ = info;
}

void TFrameInputAdapter::DetachInput(FrameInputContext* context) {
  // A later input may have taken over already; keep that one.
  FrameInputContext* expected = context;
  if (inputContext_.compare_exchange_strong(expected, nullptr)) currentFrameInfo_ = nullptr;
}

template <class Call>
int TFrameInputAdapter::DispatchFrame(bool assigned, Call&& call) {
  int result = -1;
  std::string error;
  if (assigned) {
    try {
      // Not run means the main thread has stopped serving: no more frames.
      if (!RaiseEvent([&] { result = call(); })) result = -1;
    } catch (...) {
      result = kFrameHandlerFailed;
      error = FailureText(std::current_exception());
    }
  }
  {
    std::lock_guard guard(errorLock_);
    lastFrameError_ = std::move(error);
  }
  lastFrameResult_ = result;
  return result;
}

bool TFrameInputAdapter::RaiseNotify(const TFrameInputNotifyEvent& event) {
  std::string error;
  if (event) {
    try {
      RaiseEvent([&] { event(this); });
    } catch (...) {
      error = FailureText(std::current_exception());
    }
  }
  const bool ok = error.empty();
  std::lock_guard guard(errorLock_);
  lastFrameError_ = std::move(error);
  return ok;
}

bool TFrameInputAdapter::DoReadHeader() { return RaiseNotify(OnReadHeader); }

bool TFrameInputAdapter::DoReadClose() { return RaiseNotify(OnReadClose); }

int TFrameInputAdapter::DoReadFrameCanvas(gfx::Canvas& canvas, PInputFrameInfo info) {
  return DispatchFrame(bool(OnReadFrameCanvas), [&] {
    // On the main thread the handler locks for itself; here the drawing
    // thread is ours, so the canvas is held for it.
    if (TriggerEventInMainThread()) return OnReadFrameCanvas(this, canvas, info);
    gfx::CanvasLock lock(canvas);
    return OnReadFrameCanvas(this, canvas, info);
  });
}

int TFrameInputAdapter::DoReadFrameBMP(uint8_t* data, PInputFrameInfo info) {
  return DispatchFrame(bool(OnReadFrameBMP), [&] { return OnReadFrameBMP(this, data, info); });
}

int TFrameInputAdapter::DoReadFrameDC(gfx::Canvas& dc, PInputFrameInfo info) {
  return DispatchFrame(bool(OnReadFrameDC), [&] { return OnReadFrameDC(this, dc, info); });
}

int TFrameInputAdapter::DoReadFrameYUV(uint8_t* data, PInputFrameInfo info) {
  return DispatchFrame(bool(OnReadFrameYUV), [&] { return OnReadFrameYUV(this, data, info); });
}

bool RegisterFrameInputFormat() { return RegisterInputFormat(&FrameInputFormat()); }

}  // namespace media
