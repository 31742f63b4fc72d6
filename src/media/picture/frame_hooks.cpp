#include "media/picture/frame_hooks.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_utils.h"

namespace media {
namespace {

void LogError(const std::string& text) {
  if (ff::av_log) ff::av_log(nullptr, AV_LOG_ERROR, "%s", text.c_str());
}

// Plug-in files by the name they were asked for, each opened once and kept
// open until the process ends.
class TPluginCache {
 public:
  ~TPluginCache() {
    for (auto& [name, handle] : modules_) dlclose(handle);
  }
  void* Find(const std::string& name) {
    std::lock_guard guard(lock_);
    for (auto& [cached, handle] : modules_)
      if (cached == name) return handle;
    return nullptr;
  }
  void Add(std::string name, void* handle) {
    std::lock_guard guard(lock_);
    modules_.emplace_back(std::move(name), handle);
  }
  std::size_t Size() {
    std::lock_guard guard(lock_);
    return modules_.size();
  }

 private:
  std::mutex lock_;
  std::vector<std::pair<std::string, void*>> modules_;
};

TPluginCache& PluginCache() {
  static TPluginCache cache;
  return cache;
}

// Makes the plug-in's folder current, so that it finds companions beside
// itself, and brings the old folder back on every way out.
class TFolderVisit {
 public:
  explicit TFolderVisit(const std::string& folder) : saved_(getcwd(nullptr, 0)) {
    if (chdir(folder.c_str()) != 0) {
      std::free(saved_);
      saved_ = nullptr;
    }
  }
  ~TFolderVisit() {
    if (saved_ && chdir(saved_) != 0) {
      // The old folder is gone; there is nothing to go back to.
    }
    std::free(saved_);
  }
  TFolderVisit(const TFolderVisit&) = delete;
  TFolderVisit& operator=(const TFolderVisit&) = delete;

 private:
  char* saved_;
};

void AppendToPath(const std::string& folder) {
  const char* path = std::getenv("PATH");
  const std::string current = path ? path : "";
  if (!current.empty() && strcasestr(current.c_str(), folder.c_str())) return;
  setenv("PATH", current.empty() ? folder.c_str() : (current + ":" + folder).c_str(), 1);
}

template <class Fn>
Fn Lookup(void* module, const char* name) {
  return reinterpret_cast<Fn>(dlsym(module, name));
}

}  // namespace

TFrameHookList::~TFrameHookList() { ReleaseFrameHooks(*this); }

int AddFrameHook(TFrameHookList& list, int argc, char* argv[]) {
  if (argc <= 0 || !argv || !argv[0]) return kHookMissingEntry;
  const std::string file = argv[0];
  void* module = PluginCache().Find(file);

  std::string openPath = file;
  std::optional<TFolderVisit> visit;
  if (file.find('/') != std::string::npos) {
    // A relative name must still point at the file once its folder is
    // current, and PATH gets no entry that depends on the current folder.
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(file, ec);
    if (!ec) openPath = absolute.lexically_normal().string();
    const std::string folder = std::filesystem::path(openPath).parent_path().string();
    visit.emplace(folder);
    AppendToPath(folder);
  }

  if (!module) {
    module = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      const char* why = dlerror();
      LogError(std::string(why ? why : file) + "\n");
      return kHookLoadFailed;
    }
    PluginCache().Add(file, module);
  }

  TFrameHook hook;
  try {
    list.hooks_.reserve(list.hooks_.size() + 1);
  } catch (const std::bad_alloc&) {
    return kHookNoMemory;
  }
  hook.configure = Lookup<LsHookConfigureFn>(module, "Configure");
  hook.process = Lookup<LsHookProcessFn>(module, "Process");
  hook.release = Lookup<LsHookReleaseFn>(module, "Release");
  if (!hook.process) {
    LogError(FormatText("Failed to find Process entrypoint in %s\n", file.c_str()));
    return kHookMissingEntry;
  }
  if (!hook.configure && argc > 1) {
    LogError(FormatText("Failed to find Configure entrypoint in %s\n", file.c_str()));
    return kHookMissingEntry;
  }
  if (hook.configure && hook.configure(&hook.context, argc, argv) != 0) {
    LogError(FormatText("Failed to Configure %s\n", file.c_str()));
    return kHookConfigureFailed;
  }
  list.hooks_.push_back(hook);  // room was reserved above
  return 0;
}

void ProcessFrameHooks(TFrameHookList& list, LsHookPicture* picture, int pixFmt, int width,
                       int height, int64_t pts) {
  for (const TFrameHook& hook : list.hooks_)
    hook.process(hook.context, picture, pixFmt, width, height, pts);
}

void ReleaseFrameHooks(TFrameHookList& list) {
  for (const TFrameHook& hook : list.hooks_)
    if (hook.release) hook.release(hook.context);
  list.hooks_.clear();
}

std::size_t CachedPluginCount() { return PluginCache().Size(); }

}  // namespace media
