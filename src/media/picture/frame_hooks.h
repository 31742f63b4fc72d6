// Frame-hook plug-ins: shared libraries that process every decoded video
// picture in place. Each engine keeps its own list of hooks; the plug-in
// libraries themselves are opened once per process and shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "media/picture/frame_hook_api.h"

namespace media {

// One hook added to an engine: the plug-in's entry points and the context
// its "Configure" left.
struct TFrameHook {
  LsHookConfigureFn configure = nullptr;
  LsHookProcessFn process = nullptr;
  LsHookReleaseFn release = nullptr;
  void* context = nullptr;
};

// Hooks in the order they were added; releases them when destroyed.
class TFrameHookList {
 public:
  TFrameHookList() = default;
  ~TFrameHookList();
  TFrameHookList(const TFrameHookList&) = delete;
  TFrameHookList& operator=(const TFrameHookList&) = delete;

  bool Empty() const { return hooks_.empty(); }
  std::size_t Size() const { return hooks_.size(); }

 private:
  friend int AddFrameHook(TFrameHookList& list, int argc, char* argv[]);
  friend void ProcessFrameHooks(TFrameHookList& list, LsHookPicture* picture, int pixFmt,
                                int width, int height, int64_t pts);
  friend void ReleaseFrameHooks(TFrameHookList& list);
  std::vector<TFrameHook> hooks_;
};

// Error codes of AddFrameHook.
constexpr int kHookLoadFailed = -1;        // the plug-in could not be opened
constexpr int kHookMissingEntry = -2;      // no arguments, or an entry point is missing
constexpr int kHookNoMemory = -12;
constexpr int kHookConfigureFailed = -22;  // "Configure" returned non-zero

// argv[0] is the plug-in file, the rest goes to its "Configure". Failures
// are logged through the media library's log at the error level. Must be
// called on one thread at a time (it may change the current directory).
int AddFrameHook(TFrameHookList& list, int argc, char* argv[]);
// Every hook's "Process", in list order.
void ProcessFrameHooks(TFrameHookList& list, LsHookPicture* picture, int pixFmt, int width,
                       int height, int64_t pts);
// Every hook's "Release" (when it has one); the list becomes empty.
void ReleaseFrameHooks(TFrameHookList& list);

// Number of plug-in files opened so far in this process.
std::size_t CachedPluginCount();

}  // namespace media
