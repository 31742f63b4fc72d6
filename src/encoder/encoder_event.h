// A handler slot that one thread may assign while another raises it.
#pragma once

#include <memory>
#include <mutex>

namespace encoder {

template <class Handler>
class TEventSlot {
 public:
  TEventSlot& operator=(Handler handler) {
    auto next = handler ? std::make_shared<const Handler>(std::move(handler)) : nullptr;
    std::lock_guard guard(lock_);
    handler_ = std::move(next);
    return *this;
  }
  TEventSlot& operator=(std::nullptr_t) { return *this = Handler(); }
  explicit operator bool() const { return Get() != nullptr; }
  // The current handler, kept alive for the caller while it runs.
  std::shared_ptr<const Handler> Get() const {
    std::lock_guard guard(lock_);
    return handler_;
  }

 private:
  mutable std::mutex lock_;
  std::shared_ptr<const Handler> handler_;
};

}  // namespace encoder
