#include "slideshow/picture_prefetch.h"

#include <system_error>
#include <utility>

namespace slideshow {

void TPicturePrefetch::Start(int index, const std::string& path, Job job) {
  Cancel();
  try {
    worker_ = std::thread([this, job = std::move(job)] {
      try {
        job(picture_, scratch_);
      } catch (...) {
        failure_ = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    return;  // no thread to spare: the picture is made when it is needed
  }
  index_ = index;
  path_ = path;
}

bool TPicturePrefetch::Take(int index, const std::string& path, gfx::Bitmap& target) {
  if (!worker_.joinable() || index != index_ || path != path_) return false;
  worker_.join();
  index_ = -1;
  if (std::exception_ptr failure = std::exchange(failure_, nullptr)) {
    picture_.Release();
    std::rethrow_exception(failure);
  }
  target.TakePixels(picture_);
  return true;
}

void TPicturePrefetch::Cancel() {
  if (worker_.joinable()) worker_.join();
  index_ = -1;
  failure_ = nullptr;
  picture_.Release();
}

}  // namespace slideshow
