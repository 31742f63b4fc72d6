#include "media/bridges/ff_base_component.h"

#include "media/bridges/main_thread.h"

namespace media {

const char* TFFBaseComponent::Version() { return "1.0.0"; }

bool TFFBaseComponent::RaiseEvent(const std::function<void()>& handler) const {
  if (!triggerEventInMainThread_) {
    handler();
    return true;
  }
  return CallInMainThread(handler);
}

}  // namespace media

