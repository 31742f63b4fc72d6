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

constexpr uint16_t kExifIfdTag = 0x8769;
constexpr uint16_t kDateTimeTag = 0x0132;
constexpr uint16_t kDateTimeOriginalTag = 0x9003;
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeLong = 4;
constexpr size_t kDateLength = 19;  // "YYYY:MM:DD HH:MM:SS"

// The TIFF data after the "Exif\0\0" prefix, or false.
bool OpenTiff(const uint8_t* body, size_t size, Tiff& t) {
  static constexpr char kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (size < sizeof kExifId + 8 || std::memcmp(body, kExifId, sizeof kExifId) != 0) return false;
  t = Tiff{body + sizeof kExifId, size - sizeof kExifId, false};
  if (t.data[0] == 'M' && t.data[1] == 'M') t.big_endian = true;
  else if (!(t.data[0] == 'I' && t.data[1] == 'I')) return false;
  return t.U16(2) == 42;
}

// The offset of the entry with this tag in the directory at `ifd`, or 0.
size_t FindEntry(const Tiff& t, uint64_t ifd, uint16_t tag) {
  if (ifd < 8 || ifd + 2 > t.size) return 0;
  const unsigned count = t.U16(size_t(ifd));
  for (unsigned i = 0; i < count; ++i) {
    const uint64_t entry = ifd + 2 + uint64_t(i) * kEntrySize;
    if (entry + kEntrySize > t.size) return 0;
    if (t.U16(size_t(entry)) == tag) return size_t(entry);
  }
  return 0;
}

std::string DateAt(const Tiff& t, size_t entry) {
  if (entry == 0 || t.U16(entry + 2) != kTypeAscii || t.U32(entry + 4) < kDateLength) return {};
  const uint64_t at = t.U32(entry + 8);
  if (at + kDateLength > t.size) return {};
  std::string date(reinterpret_cast<const char*>(t.data + at), kDateLength);
  for (size_t i = 0; i < kDateLength; ++i) {
    const bool digit = date[i] >= '0' && date[i] <= '9';
    const char sep = i == 4 || i == 7 ? ':' : i == 10 ? ' ' : i == 13 || i == 16 ? ':' : 0;
    if (sep ? date[i] != sep : !digit) return {};
  }
  return date;
}

}  // namespace

std::string ExifDateTaken(const uint8_t* body, size_t size) {
  Tiff t{};
  if (!OpenTiff(body, size, t)) return {};
  const uint64_t ifd0 = t.U32(4);
  if (const size_t link = FindEntry(t, ifd0, kExifIfdTag); link && t.U16(link + 2) == kTypeLong)
    if (std::string d = DateAt(t, FindEntry(t, t.U32(link + 8), kDateTimeOriginalTag)); !d.empty()) return d;
  return DateAt(t, FindEntry(t, ifd0, kDateTimeTag));
}

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
