#include "media/frame_source/frame_input_adapter.h"

#include <exception>
#include <chrono>
#include <unordered_map>

#include "media/frame_source/frame_input_format.h"
#include "media/bridges/main_thread.h"

namespace media {

namespace {

// Input file names are numbers typed by someone: they are only looked up
// here, and a reader keeps the adapter it found through a handle.
std::mutex g_registryLock;
uint64_t g_nextNumber = 1;

std::unordered_map<uint64_t, TFrameInputAdapter*>& Adapters() {
  static std::unordered_map<uint64_t, TFrameInputAdapter*> adapters;
  return adapters;
}

uint64_t Register(TFrameInputAdapter* adapter) {
  std::lock_guard guard(g_registryLock);
  const uint64_t number = g_nextNumber++;
  Adapters().emplace(number, adapter);
  return number;
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

TFrameInputAdapter::TFrameInputAdapter() : number_(Register(this)) {}

TFrameInputAdapter::~TFrameInputAdapter() {
  {
    std::lock_guard guard(g_registryLock);
    closing_ = true;
    Adapters().erase(number_);
  }
  // A reader may be waiting for the main thread to run one of our events;
  // serving it lets it find us closing and give up, so waiting cannot hang.
  const auto released = [this] {
    std::lock_guard guard(g_registryLock);
    return readers_ == 0;
  };
  if (released()) return;
  while (!WaitServingMainThreadCalls(released, std::chrono::milliseconds(20))) {
  }
}

std::string TFrameInputAdapter::InputFileName() const { return std::to_string(number_); }

TFrameInputAdapter::Handle TFrameInputAdapter::Acquire(uint64_t number) {
  std::lock_guard guard(g_registryLock);
  const auto found = Adapters().find(number);
  if (found == Adapters().end()) return Handle();
  ++found->second->readers_;
  return Handle(found->second);
}

TFrameInputAdapter::Handle& TFrameInputAdapter::Handle::operator=(Handle&& other) noexcept {
  if (this != &other) {
    Release();
    adapter_ = std::exchange(other.adapter_, nullptr);
  }
  return *this;
}

void TFrameInputAdapter::Handle::Release() {
  if (!adapter_) return;
  std::lock_guard guard(g_registryLock);
  --std::exchange(adapter_, nullptr)->readers_;
}

bool TFrameInputAdapter::Closing() const {
  std::lock_guard guard(g_registryLock);
  return closing_;
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
      // An adapter being destroyed draws nothing more.
      if (!RaiseEvent([&] { result = Closing() ? -1 : call(); })) result = -1;
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
      RaiseEvent([&] {
        if (!Closing()) event(this);
      });
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
