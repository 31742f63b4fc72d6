#include "media/binding/ff_loader.h"

#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_logger.h"
#include "media/binding/ff_utils.h"

extern "C" {
#include <libavutil/version.h>
}

namespace media {

namespace {

#define LS_FF_ENTRY(name) TEntryPoint{#name, static_cast<void*>(&ff::name), false},
#define LS_FF_DATA_ENTRY(name) TEntryPoint{#name, static_cast<void*>(&ff::name), true},

// Each table ends with a sentinel so that an empty list still makes an array.
const TEntryPoint kAVCodecEntries[] = {LS_FF_AVCODEC_FUNCS(LS_FF_ENTRY){}};
const TEntryPoint kAVDeviceEntries[] = {LS_FF_AVDEVICE_FUNCS(LS_FF_ENTRY){}};
const TEntryPoint kAVFilterEntries[] = {LS_FF_AVFILTER_FUNCS(LS_FF_ENTRY){}};
const TEntryPoint kAVFormatEntries[] = {LS_FF_AVFORMAT_FUNCS(LS_FF_ENTRY){}};
const TEntryPoint kAVUtilEntries[] = {
    LS_FF_AVUTIL_FUNCS(LS_FF_ENTRY) LS_FF_AVUTIL_DATA(LS_FF_DATA_ENTRY){}};
const TEntryPoint kSWResampleEntries[] = {LS_FF_SWRESAMPLE_FUNCS(LS_FF_ENTRY){}};
const TEntryPoint kSWScaleEntries[] = {LS_FF_SWSCALE_FUNCS(LS_FF_ENTRY){}};
const TEntryPoint kLibCEntries[] = {LS_FF_LIBC_FUNCS(LS_FF_ENTRY){}};

template <size_t N>
std::span<const TEntryPoint> WithoutSentinel(const TEntryPoint (&table)[N]) {
  return {table, N - 1};
}

struct TLibraryItem {
  TLibraryId id;
  const char* name;
  bool systemLibrary;
  int version;  // major version of the headers we were built with
  std::span<const TEntryPoint> entries;
};

const TLibraryItem kLibraries[kLibraryCount] = {
    {liAVCodec, "avcodec", false, LIBAVCODEC_VERSION_MAJOR, WithoutSentinel(kAVCodecEntries)},
    {liAVDevice, "avdevice", false, LIBAVDEVICE_VERSION_MAJOR, WithoutSentinel(kAVDeviceEntries)},
    {liAVFilter, "avfilter", false, LIBAVFILTER_VERSION_MAJOR, WithoutSentinel(kAVFilterEntries)},
    {liAVFormat, "avformat", false, LIBAVFORMAT_VERSION_MAJOR, WithoutSentinel(kAVFormatEntries)},
    {liAVUtil, "avutil", false, LIBAVUTIL_VERSION_MAJOR, WithoutSentinel(kAVUtilEntries)},
    {liSWResample, "swresample", false, LIBSWRESAMPLE_VERSION_MAJOR, WithoutSentinel(kSWResampleEntries)},
    {liSWScale, "swscale", false, LIBSWSCALE_VERSION_MAJOR, WithoutSentinel(kSWScaleEntries)},
    {liLibC, "c", true, 6, WithoutSentinel(kLibCEntries)},
};

// Opening from a folder by full path: each library must find the ones it
// depends on already loaded, or the dynamic linker would take the system's.
constexpr TLibraryId kDependencyOrder[] = {liAVUtil,   liSWResample, liSWScale, liAVCodec,
                                           liAVFormat, liAVFilter,   liAVDevice};

// Unloading closes our handle and forgets the entry points, but the code
// stays mapped: these libraries and theirs keep global state that was never
// meant to be unmapped, and a library thread may still be on its way out.
constexpr int kOpenMode = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string DlError() {
  const char* e = dlerror();
  return e ? e : "unknown error";
}

}  // namespace

void BindEntryPoints(void* handle, const std::string& fileName, std::span<const TEntryPoint> table) {
  for (const TEntryPoint& e : table) {
    dlerror();
    void* address = dlsym(handle, e.name);
    if (!address)
      throw std::runtime_error(FormatText(e.data ? "Load variable %s@%s error: %s"
                                                 : "Load function %s@%s error: %s",
                                          e.name, fileName.c_str(), DlError().c_str()));
    // The slot is a function (or data) pointer; copy the address bytes into it.
    std::memcpy(e.slot, &address, sizeof address);
  }
}

void UnbindEntryPoints(std::span<const TEntryPoint> table) {
  for (const TEntryPoint& e : table) {
    void* none = nullptr;
    std::memcpy(e.slot, &none, sizeof none);
  }
}

TFFLoader::TFFLoader() = default;

TFFLoader::~TFFLoader() { UnloadLibrarySet(kAllLibraries); }

void TFFLoader::SetLibraryFolder(const std::string& folder) {
  std::lock_guard guard(lock_);
  folder_ = folder;
}

std::string TFFLoader::LibraryFolder() const {
  std::lock_guard guard(lock_);
  return folder_;
}

std::string TFFLoader::LibraryName(TLibraryId id) { return kLibraries[id].name; }

std::string TFFLoader::LibraryFileName(TLibraryId id) {
  const TLibraryItem& item = kLibraries[id];
  std::string name = std::string("lib") + item.name + ".so";
  if (item.version != -1) name += "." + std::to_string(item.version);
  return name;
}

bool TFFLoader::IsSystemLibrary(TLibraryId id) { return kLibraries[id].systemLibrary; }

std::span<const TEntryPoint> TFFLoader::EntryPoints(TLibraryId id) { return kLibraries[id].entries; }

void TFFLoader::SetFilterRegistration(std::function<void()> hook) {
  std::lock_guard guard(lock_);
  filterRegistration_ = std::move(hook);
}

void TFFLoader::SetHookLogger(bool on) {
  std::lock_guard guard(lock_);
  hookLogger_ = on;
}

std::string TFFLoader::LastLoaderError() const {
  std::lock_guard guard(lock_);
  return lastError_;
}

bool TFFLoader::LibrarySetLoaded(TLibrarySet set) const {
  std::lock_guard guard(lock_);
  for (int id = 0; id < kLibraryCount; ++id)
    if ((set & (1u << id)) && !(status_[id].handle && status_[id].bound)) return false;
  return true;
}

void TFFLoader::RequireLibrarySet(TLibrarySet set) const {
  std::lock_guard guard(lock_);
  for (int id = 0; id < kLibraryCount; ++id)
    if ((set & (1u << id)) && !(status_[id].handle && status_[id].bound))
      throw std::runtime_error(FormatText("Library %s not loaded.", kLibraries[id].name));
}

bool TFFLoader::LoadLibrarySet(TLibrarySet set) {
  std::lock_guard guard(lock_);
  PreOpen(set);
  for (int id = 0; id < kLibraryCount; ++id) {
    if ((set & (1u << id)) && !LoadOne(TLibraryId(id))) {
      UnloadLibrarySet(set);
      return false;
    }
  }
  return true;
}

void TFFLoader::UnloadLibrarySet(TLibrarySet set) {
  std::lock_guard guard(lock_);
  for (int id = 0; id < kLibraryCount; ++id)
    if (set & (1u << id)) UnloadOne(TLibraryId(id));
}

// Best effort: a failure here shows up again, with its message, when
// LoadOne reaches the library in table order.
void TFFLoader::PreOpen(TLibrarySet set) {
  if (folder_.empty()) return;
  for (TLibraryId id : kDependencyOrder) {
    if (!(set & (1u << id)) || status_[id].handle) continue;
    std::string error;
    status_[id].handle = Open(id, error);
    if (!status_[id].handle) return;
  }
}

bool TFFLoader::LoadOne(TLibraryId id) {
  Status& st = status_[id];
  const std::string fileName = LibraryFileName(id);
  if (!st.handle) {
    std::string error;
    st.handle = Open(id, error);
    if (!st.handle) {
      lastError_ = error;
      return false;
    }
  }
  if (!st.bound) {
    try {
      Bind(id, fileName, st.handle);
      st.bound = true;
    } catch (const std::runtime_error& e) {
      lastError_ = e.what();
      // Entries found before the missing one must not stay callable.
      UnbindEntryPoints(kLibraries[id].entries);
    }
  }
  if (!st.bound) {
    UnloadOne(id);
    return false;
  }
  AfterBinding(id);
  return true;
}

void* TFFLoader::Open(TLibraryId id, std::string& error) {
  const std::string fileName = LibraryFileName(id);
  std::string dir;
  if (!folder_.empty() && !kLibraries[id].systemLibrary) {
    dir = folder_;
    if (dir.back() != '/') dir += '/';
  }
  void* handle = nullptr;
  const std::string fullPath = dir + fileName;
  if (!dir.empty() && IsRegularFile(fullPath)) {
    // Libraries may look for companions relative to the current folder.
    char* cwd = getcwd(nullptr, 0);
    const bool moved = chdir(dir.c_str()) == 0;
    ExtendPath(dir);
    handle = dlopen(fullPath.c_str(), kOpenMode);
    if (!handle) error = DlError();
    if (moved && cwd && chdir(cwd) != 0) {
      // The old folder is gone; nothing sensible to go back to.
    }
    std::free(cwd);
  } else {
    handle = dlopen(fileName.c_str(), kOpenMode);
    if (!handle) error = DlError();
  }
  if (!handle) error = FormatText("Load library %s error: %s", fullPath.c_str(), error.c_str());
  return handle;
}

// Once per folder: later lookups through PATH find the library folder too.
void TFFLoader::ExtendPath(const std::string& folder) {
  std::string dir = folder;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  const char* path = std::getenv("PATH");
  const std::string current = path ? path : "";
  if (!current.empty() && strcasestr(current.c_str(), dir.c_str())) return;
  // An empty PATH must not become ":dir", which would add the current folder.
  setenv("PATH", current.empty() ? dir.c_str() : (current + ":" + dir).c_str(), 1);
}

void TFFLoader::Bind(TLibraryId id, const std::string& fileName, void* handle) {
  BindEntryPoints(handle, fileName, kLibraries[id].entries);
  // Registration calls the 5.1 libraries still have; the others register
  // their codecs, formats and filters by themselves.
  switch (id) {
    case liAVDevice: ff::avdevice_register_all(); break;
    case liAVFormat: ff::avformat_network_init(); break;
    default: break;
  }
}

void TFFLoader::Unbind(TLibraryId id) {
  if (id == liAVFormat && ff::avformat_network_deinit) ff::avformat_network_deinit();
  UnbindEntryPoints(kLibraries[id].entries);
}

// Run after every successful load, also when the library was bound before.
void TFFLoader::AfterBinding(TLibraryId id) {
  switch (id) {
    case liAVCodec:
      // libavcodec 59 locks by itself; there is no lock manager to register.
      break;
    case liAVFilter:
      if (filterRegistration_) filterRegistration_();
      break;
    case liAVUtil:
      if (hookLogger_) InstallLogCallback();
      break;
    default: break;
  }
}

void TFFLoader::UnloadOne(TLibraryId id) {
  Status& st = status_[id];
  if (st.bound) {
    Unbind(id);
    st.bound = false;
  }
  if (st.handle) {
    dlclose(st.handle);
    st.handle = nullptr;
  }
}

TFFLoader& FFLoader() {
  static TFFLoader loader;
  return loader;
}

}  // namespace media
