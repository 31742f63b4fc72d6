#include "picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace gfx {

namespace {

[[noreturn]] void ThrowOpenError(const std::string& path, const std::string& reason) {
  throw PictureError("Cannot open picture \"" + path + "\": " + reason);
}

// Closes the descriptor on every way out.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool HasBmpExtension(const std::string& path) {
  // The text from the last "." on; a name ending in ".bmp" is exactly that.
  static constexpr char kExt[] = ".bmp";
  constexpr size_t n = sizeof(kExt) - 1;
  if (path.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = path[path.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != kExt[i]) return false;
  }
  return true;
}

}  // namespace

void ThrowPictureError(const std::string& path, const std::string& reason) {
  throw PictureError("Cannot read picture \"" + path + "\": " + reason);
}

std::vector<uint8_t> ReadPictureFile(const std::string& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) ThrowOpenError(path, std::strerror(errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) ThrowOpenError(path, std::strerror(errno));
  if (S_ISDIR(st.st_mode)) ThrowOpenError(path, std::strerror(EISDIR));
  // Pipes and devices could block forever or never end.
  if (!S_ISREG(st.st_mode)) ThrowOpenError(path, "not a regular file");
  if (st.st_size > kMaxPictureFileBytes) {
    ThrowPictureError(path, "file too large (" + std::to_string(st.st_size) + " bytes)");
  }
  std::vector<uint8_t> data(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::read(fd.get(), data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowPictureError(path, std::strerror(errno));
    }
    if (n == 0) break;  // the file shrank while we read it
    done += static_cast<size_t>(n);
  }
  data.resize(done);
  return data;
}

void DecodePicture(const std::string& path, Bitmap& out) {
  if (HasBmpExtension(path)) {
    DecodeBmp(path, out);
  } else {
    DecodeJpeg(path, out);
  }
}

}  // namespace gfx
