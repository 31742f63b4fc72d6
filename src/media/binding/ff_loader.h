// Loads the media libraries at run time and binds their entry points.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>

namespace media {

// Identifiers in table order: binding, registration and error texts follow it.
enum TLibraryId : uint8_t {
  liAVCodec = 0,
  liAVDevice = 1,
  liAVFilter = 2,
  liAVFormat = 3,
  liAVUtil = 4,
  liSWResample = 5,
  liSWScale = 6,
  liLibC = 7,
};
constexpr int kLibraryCount = 8;

// A set of libraries, bit n standing for identifier n.
using TLibrarySet = uint8_t;
constexpr TLibrarySet LibraryBit(TLibraryId id) { return TLibrarySet(1u << id); }
constexpr TLibrarySet kAllLibraries = 255;
// What the stream information needs: all but avdevice and avfilter.
constexpr TLibrarySet kInfoLibraries = 249;

// One entry point of a binding table: where the looked-up address goes.
struct TEntryPoint {
  const char* name;
  void* slot;  // address of the ff:: pointer
  bool data;   // a variable rather than a function (changes the message)
};

// Looks up every entry in order and stores it. A missing one throws
// std::runtime_error "Load function %s@%s error: %s" (or "Load variable ...")
// with the platform's message; entries stored before it stay stored.
void BindEntryPoints(void* handle, const std::string& fileName, std::span<const TEntryPoint> table);
// Empties every slot of the table.
void UnbindEntryPoints(std::span<const TEntryPoint> table);

class TFFLoader {
 public:
  TFFLoader();
  ~TFFLoader();  // unloads everything still loaded
  TFFLoader(const TFFLoader&) = delete;
  TFFLoader& operator=(const TFFLoader&) = delete;

  // Folder that later loads look in first; empty means the ordinary search.
  void SetLibraryFolder(const std::string& folder);
  std::string LibraryFolder() const;

  // Loads and binds every library of the set in identifier order. On the
  // first failure the whole set is unloaded (also libraries that were
  // loaded before the call) and false is returned.
  bool LoadLibrarySet(TLibrarySet set);
  bool LibrarySetLoaded(TLibrarySet set) const;
  // Throws std::runtime_error "Library %s not loaded." for the first missing one.
  void RequireLibrarySet(TLibrarySet set) const;
  void UnloadLibrarySet(TLibrarySet set);
  std::string LastLoaderError() const;

  // Post-binding hook for avfilter: where built-in filters get registered.
  void SetFilterRegistration(std::function<void()> hook);
  // Hook the logger's callback into avutil after binding (on by default).
  void SetHookLogger(bool on);

  static std::string LibraryName(TLibraryId id);      // "avcodec", ..., "c"
  static std::string LibraryFileName(TLibraryId id);  // "libavcodec.so.59", ...
  static bool IsSystemLibrary(TLibraryId id);
  // The entry points of one library, in list order.
  static std::span<const TEntryPoint> EntryPoints(TLibraryId id);

 private:
  struct Status {
    void* handle = nullptr;
    bool bound = false;
  };

  void PreOpen(TLibrarySet set);
  bool LoadOne(TLibraryId id);
  void UnloadOne(TLibraryId id);
  void* Open(TLibraryId id, std::string& error);
  void Bind(TLibraryId id, const std::string& fileName, void* handle);
  void Unbind(TLibraryId id);
  void AfterBinding(TLibraryId id);
  void ExtendPath(const std::string& dir);

  mutable std::recursive_mutex lock_;
  std::string folder_;
  std::string lastError_;
  std::array<Status, kLibraryCount> status_{};
  std::function<void()> filterRegistration_;
  bool hookLogger_ = true;
};

// The one loader of the process, created on first use and destroyed at exit.
TFFLoader& FFLoader();

}  // namespace media
