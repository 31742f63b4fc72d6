// A small TIFF reader for IFD0 only; every offset is checked against the
// segment, since the data comes from cameras, editors and anyone else.
#include "exif.h"

#include <cstring>

namespace gfx {

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr size_t kEntrySize = 12;

struct Tiff {
  const uint8_t* data;
  size_t size;
  bool big_endian;

  uint16_t U16(size_t at) const {
    return big_endian ? uint16_t(data[at] << 8 | data[at + 1])
                      : uint16_t(data[at] | data[at + 1] << 8);
  }
  uint32_t U32(size_t at) const {
    return big_endian ? uint32_t(U16(at)) << 16 | U16(at + 2)
                      : uint32_t(U16(at)) | uint32_t(U16(at + 2)) << 16;
  }
};

}  // namespace

int ExifOrientation(const uint8_t* body, size_t size) {
  static constexpr char kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (size < sizeof kExifId + 8 || std::memcmp(body, kExifId, sizeof kExifId) != 0) return 1;
  Tiff t{body + sizeof kExifId, size - sizeof kExifId, false};
  if (t.data[0] == 'M' && t.data[1] == 'M') {
    t.big_endian = true;
  } else if (!(t.data[0] == 'I' && t.data[1] == 'I')) {
    return 1;
  }
  if (t.U16(2) != 42) return 1;
  const uint64_t ifd = t.U32(4);
  if (ifd + 2 > t.size) return 1;
  const unsigned count = t.U16(size_t(ifd));
  for (unsigned i = 0; i < count; ++i) {
    const uint64_t entry = ifd + 2 + uint64_t(i) * kEntrySize;
    if (entry + kEntrySize > t.size) return 1;
    const size_t e = size_t(entry);
    if (t.U16(e) != kOrientationTag) continue;
    // A short that fits in the entry sits in its first two value bytes.
    if (t.U16(e + 2) != kTypeShort || t.U32(e + 4) < 1) return 1;
    const int value = t.U16(e + 8);
    return value >= 1 && value <= 8 ? value : 1;
  }
  return 1;
}

}  // namespace gfx
