// Makes the next picture on a worker thread while the frames of the current
// one go out, so that the frame asking for it does not wait for the decoder.
// One picture at a time; its failure is handed to whoever takes it.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <thread>

#include "gfx/bitmap.h"

namespace slideshow {

class TPicturePrefetch {
 public:
  // Draws the picture into the bitmap given; may throw. `scratch` is the
  // worker's to decode into: its memory stays from one picture to the next.
  using Job = std::function<void(gfx::Bitmap& picture, gfx::Bitmap& scratch)>;

  TPicturePrefetch() = default;
  ~TPicturePrefetch() { Cancel(); }
  TPicturePrefetch(const TPicturePrefetch&) = delete;
  TPicturePrefetch& operator=(const TPicturePrefetch&) = delete;

  // Starts the job for picture `index` of file `path`, after waiting for
  // and dropping any job before it. Without a thread nothing starts and
  // the picture will be made when it is taken.
  void Start(int index, const std::string& path, Job job);
  // Waits for the job started for this index and path and moves its
  // picture into `target`, or rethrows what the job threw. False when no
  // such job was started (the caller makes the picture itself).
  bool Take(int index, const std::string& path, gfx::Bitmap& target);
  // Waits for a running job and drops its result.
  void Cancel();

 private:
  std::thread worker_;
  int index_ = -1;
  std::string path_;
  // Written by the worker; read after it is joined.
  gfx::Bitmap picture_;
  gfx::Bitmap scratch_;
  std::exception_ptr failure_;
};

}  // namespace slideshow
