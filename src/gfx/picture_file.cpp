#include "picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>

#include "picture_decoders.h"

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

namespace decoders {

namespace {

// An ISO media file whose file-type box names a HEIF brand (HEIC, AVIF and
// their image sequences); other MP4-like files are not pictures.
bool IsHeifFileType(const Bytes& d) {
  static constexpr const char* kBrands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx",
                                            "mif1", "msf1", "avif", "avis"};
  if (d.size() < 16 || std::memcmp(&d[4], "ftyp", 4) != 0) return false;
  const size_t box = size_t(d[0]) << 24 | size_t(d[1]) << 16 | size_t(d[2]) << 8 | d[3];
  const size_t end = std::min(box, d.size());
  for (size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4)  // major brand, then the compatible ones
    for (const char* brand : kBrands)
      if (std::memcmp(&d[at], brand, 4) == 0) return true;
  return false;
}

}  // namespace

Signature SniffSignature(const Bytes& d) {
  static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (d.size() >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return Signature::kJpeg;
  if (d.size() >= sizeof kPng && std::memcmp(d.data(), kPng, sizeof kPng) == 0) return Signature::kPng;
  if (d.size() >= 12 && std::memcmp(d.data(), "RIFF", 4) == 0 && std::memcmp(&d[8], "WEBP", 4) == 0)
    return Signature::kWebP;
  if (IsHeifFileType(d)) return Signature::kHeif;
  // "BM" alone is too weak (a text may start so): the info header's size must
  // be one that BMP writers use.
  if (d.size() >= 18 && d[0] == 'B' && d[1] == 'M') {
    const uint32_t h = uint32_t(d[14]) | uint32_t(d[15]) << 8 | uint32_t(d[16]) << 16 |
                       uint32_t(d[17]) << 24;
    if (h == 12 || h == 108 || h == 124 || (h >= 16 && h <= 64 && h % 2 == 0)) return Signature::kBmp;
  }
  return Signature::kNone;
}

}  // namespace decoders

void DecodeBmp(const std::string& path, Bitmap& out) {
  try {
    decoders::Bmp(path, ReadPictureFile(path), out);
  } catch (...) {
    out.Release();
    throw;
  }
}

void DecodeJpeg(const std::string& path, Bitmap& out) {
  DecodeOptions as_stored;
  as_stored.ExifOrientation = false;
  try {
    decoders::Jpeg(path, ReadPictureFile(path), out, as_stored);
  } catch (...) {
    out.Release();
    throw;
  }
}

void DecodePng(const std::string& path, Bitmap& out) {
  try {
    decoders::Png(path, ReadPictureFile(path), out);
  } catch (...) {
    out.Release();
    throw;
  }
}

PictureSize DecodePicture(const std::string& path, Bitmap& out, const DecodeOptions& options) {
  using decoders::Signature;
  try {
    const decoders::Bytes data = ReadPictureFile(path);
    switch (decoders::SniffSignature(data)) {
      case Signature::kJpeg: return decoders::Jpeg(path, data, out, options);
      case Signature::kPng: decoders::Png(path, data, out); break;
      case Signature::kBmp: decoders::Bmp(path, data, out); break;
      case Signature::kHeif: decoders::Heif(path, data, out, options); break;
      case Signature::kWebP: return decoders::WebP(path, data, out, options);
      case Signature::kNone:
        if (!HasBmpExtension(path)) return decoders::Jpeg(path, data, out, options);
        decoders::Bmp(path, data, out);
        break;
    }
    return {out.Width(), out.Height()};
  } catch (...) {
    out.Release();
    throw;
  }
}

void DecodePicture(const std::string& path, Bitmap& out) { DecodePicture(path, out, DecodeOptions{}); }

}  // namespace gfx
