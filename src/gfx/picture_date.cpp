// Only the metadata is looked at: JPEG's APP1 segment and WebP's EXIF chunk
// in the file's first megabyte, HEIF's Exif item through libheif.
#include "picture_date.h"

#include <libheif/heif.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "exif.h"
#include "picture_decoders.h"

namespace gfx {
namespace {

using decoders::Bytes;
constexpr size_t kHeadBytes = 1 << 20;
const uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};

std::string WithExifId(const uint8_t* tiff, size_t size) {
  Bytes body(kExifId, kExifId + sizeof kExifId);
  body.insert(body.end(), tiff, tiff + size);
  return ExifDateTaken(body.data(), body.size());
}

std::string FromJpeg(const Bytes& d) {
  for (size_t p = 2; p + 4 <= d.size() && d[p] == 0xFF;) {
    const uint8_t marker = d[p + 1];
    if (marker == 0xDA || marker == 0xD9) break;  // the picture data starts
    const size_t length = size_t(d[p + 2]) << 8 | d[p + 3];
    if (length < 2 || p + 2 + length > d.size()) break;
    if (marker == 0xE1)
      if (std::string date = ExifDateTaken(&d[p + 4], length - 2); !date.empty()) return date;
    p += 2 + length;
  }
  return {};
}

std::string FromWebP(const Bytes& d) {
  for (size_t p = 12; p + 8 <= d.size();) {
    const size_t length = size_t(d[p + 4]) | size_t(d[p + 5]) << 8 | size_t(d[p + 6]) << 16 | size_t(d[p + 7]) << 24;
    if (length > d.size() - p - 8) break;
    if (std::memcmp(&d[p], "EXIF", 4) == 0) {
      const uint8_t* body = &d[p + 8];
      if (length >= sizeof kExifId && std::memcmp(body, kExifId, sizeof kExifId) == 0)
        return ExifDateTaken(body, length);
      return WithExifId(body, length);
    }
    p += 8 + length + (length & 1);
  }
  return {};
}

std::string FromHeif(const std::string& path) {
  const Bytes data = ReadPictureFile(path);
  heif_init(nullptr);
  std::string date;
  heif_context* ctx = heif_context_alloc();
  heif_image_handle* handle = nullptr;
  heif_item_id id = 0;
  if (ctx && heif_context_read_from_memory_without_copy(ctx, data.data(), data.size(), nullptr).code == heif_error_Ok &&
      heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok &&
      heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) == 1) {
    const size_t size = heif_image_handle_get_metadata_size(handle, id);
    Bytes block(size);
    // The block starts with the offset of the TIFF header after these 4 bytes.
    if (size > 4 && heif_image_handle_get_metadata(handle, id, block.data()).code == heif_error_Ok) {
      const size_t skip = size_t(block[0]) << 24 | size_t(block[1]) << 16 | size_t(block[2]) << 8 | block[3];
      if (skip < size - 4) date = WithExifId(block.data() + 4 + skip, size - 4 - skip);
    }
  }
  if (handle) heif_image_handle_release(handle);
  if (ctx) heif_context_free(ctx);
  heif_deinit();
  return date;
}

}  // namespace

std::string PictureDateTaken(const std::string& path) {
  try {
    std::ifstream in(path, std::ios::binary);
    Bytes head(kHeadBytes);
    in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    head.resize(size_t(in.gcount()));
    switch (decoders::SniffSignature(head)) {
      case decoders::Signature::kJpeg: return FromJpeg(head);
      case decoders::Signature::kWebP: return FromWebP(head);
      case decoders::Signature::kHeif: return FromHeif(path);
      default: return {};
    }
  } catch (const std::exception&) {
    return {};  // unreadable: the file's own time will do
  }
}

}  // namespace gfx
