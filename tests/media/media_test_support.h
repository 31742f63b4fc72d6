// Helpers shared by the media tests.
#pragma once

#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "media/binding/ff_loader.h"
#include "media/binding/ff_logger.h"

namespace media_test {

// A fresh folder under the build's scratch folder (or the system's).
inline std::filesystem::path ScratchDir(const std::string& name) {
  const char* root = std::getenv("LS_TEST_TMP");
  std::filesystem::path dir = root ? std::filesystem::path(root) : std::filesystem::temp_directory_path();
  dir /= name + "-" + std::to_string(getpid());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// Loads libraries by the ordinary search for one test and unloads them after.
class LoadedLibraries {
 public:
  explicit LoadedLibraries(media::TLibrarySet set) : set_(set) {
    media::FFLoader().SetLibraryFolder("");
    ok_ = media::FFLoader().LoadLibrarySet(set);
  }
  ~LoadedLibraries() { media::FFLoader().UnloadLibrarySet(set_); }
  bool ok() const { return ok_; }

 private:
  media::TLibrarySet set_;
  bool ok_ = false;
};

// Calls the library log callback the way the libraries do.
inline void LibraryLog(void* context, int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  media::LibraryLogCallback(context, level, format, args);
  va_end(args);
}

}  // namespace media_test
