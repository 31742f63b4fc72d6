// Common base of the media components.
#pragma once

#include <functional>
#include <string>

namespace media {

class TFFBaseComponent {
 public:
  TFFBaseComponent() = default;
  virtual ~TFFBaseComponent() = default;
  TFFBaseComponent(const TFFBaseComponent&) = delete;
  TFFBaseComponent& operator=(const TFFBaseComponent&) = delete;

  // The fixed version text of the media components.
  static const char* Version();

  // Milliseconds an engine waits for input or output before giving up.
  int InputTimeout() const { return inputTimeout_; }
  void SetInputTimeout(int ms) { inputTimeout_ = ms; }
  int OutputTimeout() const { return outputTimeout_; }
  void SetOutputTimeout(int ms) { outputTimeout_ = ms; }

  // Whether events run on the main thread (the calling thread waits).
  bool TriggerEventInMainThread() const { return triggerEventInMainThread_; }
  void SetTriggerEventInMainThread(bool on) { triggerEventInMainThread_ = on; }

  const std::string& LastErrorMessage() const { return lastErrorMessage_; }

 protected:
  void SetLastErrorMessage(std::string message) { lastErrorMessage_ = std::move(message); }
  // Runs an event handler where TriggerEventInMainThread says. Returns false
  // when the main thread no longer serves calls and it was not run.
  bool RaiseEvent(const std::function<void()>& handler) const;

 private:
  int inputTimeout_ = 30000;
  int outputTimeout_ = 30000;
  bool triggerEventInMainThread_ = true;
  std::string lastErrorMessage_;
};

}  // namespace media
