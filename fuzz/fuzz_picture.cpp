// The public decode entry point on arbitrary files: content sniffing, the
// name fallback, EXIF orientation and decoding to the frame's scale.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "gfx/picture_file.h"
#include "picture_check.h"

namespace {

// One scratch file per process, rewritten for every input.
std::string ScratchFile(const char* extension) {
  static const std::string base = [] {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/ls-fuzz-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) fuzz::Fail("no scratch file");
    close(fd);
    unlink(pattern.c_str());
    return pattern;
  }();
  return base + extension;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) fuzz::Fail("cannot write the scratch file");
  if (write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size())) fuzz::Fail("short write");
  close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  gfx::DecodeOptions options;
  options.MaxPixels = fuzz::kMaxFuzzPixels;
  options.ExifOrientation = in.ConsumeBool();
  options.ReduceToFrame = in.ConsumeBool();
  options.FrameWidth = in.ConsumeIntegralInRange(0, 4096);
  options.FrameHeight = in.ConsumeIntegralInRange(0, 4096);
  static const char* const kExtensions[] = {".jpg", ".bmp", ".png", ".BMP", ""};
  const std::string path = ScratchFile(in.PickValueInArray(kExtensions));
  WriteFile(path, in.ConsumeRemainingBytesAsString());

  gfx::Bitmap out;
  try {
    const gfx::PictureSize size = gfx::DecodePicture(path, out, options);
    fuzz::CheckDecoded(out);
    if (out.Width() > size.Width || out.Height() > size.Height)
      fuzz::Fail("the decoded bitmap is larger than the picture");
  } catch (const gfx::PictureError&) {
    fuzz::CheckEmpty(out);
  }
  unlink(path.c_str());
  return 0;
}
