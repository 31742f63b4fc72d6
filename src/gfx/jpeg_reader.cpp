// JPEG through libjpeg-turbo's TurboJPEG interface, at full size with the
// accurate DCT, straight into the bottom-up rows of a 24-bit bitmap.
#include <turbojpeg.h>

#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "picture_file.h"

namespace gfx {

namespace {

struct TjDeleter {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjDeleter>;

// The library's text without the name of the API call in front of it.
std::string LibraryMessage(tjhandle handle) {
  std::string text = tjGetErrorStr2(handle);
  const size_t call_end = text.find("(): ");
  if (text.rfind("tj", 0) == 0 && call_end != std::string::npos) text.erase(0, call_end + 4);
  return text;
}

// Names the format of a file that is not a JPEG, when it is a common one.
std::string OtherFormatHint(const std::vector<uint8_t>& data) {
  auto starts = [&](std::string_view sig, size_t at = 0) {
    return data.size() >= at + sig.size() && std::memcmp(data.data() + at, sig.data(), sig.size()) == 0;
  };
  const char* name = nullptr;
  if (starts("\x89PNG\r\n\x1a\n")) name = "a PNG";
  else if (starts("GIF8")) name = "a GIF";
  else if (starts({"II*\0", 4}) || starts({"MM\0*", 4})) name = "a TIFF";
  else if (starts("RIFF") && starts("WEBP", 8)) name = "a WebP";
  if (name) return std::string(" (this is ") + name + " picture; only BMP and JPEG pictures can be used)";
  if (starts("BM")) return " (this is a BMP picture; only files named .bmp are read as BMP)";
  return {};
}

// What the markers before the first scan say. The library has the same, but
// refuses to report it for unusual chroma subsampling it decodes fine.
struct Markers {
  bool adobe = false;  // Adobe's APP14: CMYK is stored inverted, as Photoshop writes it
  int width = 0, height = 0, components = 0;
};

Markers ScanMarkers(const std::vector<uint8_t>& d) {
  Markers m;
  if (d.size() < 2 || d[0] != 0xFF || d[1] != 0xD8) return m;
  size_t p = 2;
  while (p + 4 <= d.size()) {
    if (d[p] != 0xFF) break;
    const uint8_t marker = d[p + 1];
    if (marker == 0xFF) {  // fill byte
      ++p;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) break;  // scan data or end: no more headers
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      p += 2;
      continue;
    }
    const size_t length = size_t(d[p + 2]) << 8 | d[p + 3];
    if (length < 2 || p + 2 + length > d.size()) break;
    const uint8_t* body = d.data() + p + 4;
    if (marker == 0xEE && length >= 14 && std::memcmp(body, "Adobe", 5) == 0) m.adobe = true;
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                       marker != 0xCC;
    if (frame && length >= 8 && m.components == 0) {
      m.height = body[1] << 8 | body[2];
      m.width = body[3] << 8 | body[4];
      m.components = body[5];
    }
    p += 2 + length;
  }
  return m;
}

uint8_t Mul255(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

}  // namespace

void DecodeJpeg(const std::string& path, Bitmap& out) {
  try {
    const std::vector<uint8_t> data = ReadPictureFile(path);
    if (data.empty()) ThrowPictureError(path, "the file is empty");

    TjHandle handle(tjInitDecompress());
    if (!handle) ThrowPictureError(path, "cannot start the JPEG decoder: " + LibraryMessage(nullptr));
    tjhandle tj = handle.get();

    const Markers markers = ScanMarkers(data);
    int width = 0, height = 0, subsamp = 0, colorspace = 0;
    // A warning here (stray bytes between markers, say) still leaves a usable
    // header; a file cut before its frame header warns too but has no size.
    const int rc_header =
        tjDecompressHeader3(tj, data.data(), data.size(), &width, &height, &subsamp, &colorspace);
    if (rc_header != 0 && tjGetErrorCode(tj) == TJERR_FATAL) {
      const bool frame_ok = markers.width > 0 && markers.height > 0 &&
                            (markers.components == 1 || markers.components == 3 ||
                             markers.components == 4);
      if (!frame_ok) ThrowPictureError(path, LibraryMessage(tj) + OtherFormatHint(data));
      // Decoding itself will say what is wrong, if anything.
      width = markers.width;
      height = markers.height;
      colorspace = markers.components == 4 ? TJCS_CMYK : markers.components == 1 ? TJCS_GRAY : TJCS_YCbCr;
    }
    if (width <= 0 || height <= 0) {
      ThrowPictureError(path, "no picture in the file (" + LibraryMessage(tj) + ")");
    }
    if (int64_t(width) * height > kMaxPicturePixels) {
      ThrowPictureError(path, "picture too large (" + std::to_string(width) + " x " +
                                  std::to_string(height) + " pixels)");
    }

    const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    std::vector<uint8_t> cmyk_pixels;
    try {
      out.SetSize(0, 0);
      out.SetPixelFormat(PixelFormat::pf24bit);
      out.SetSize(width, height);
      if (cmyk) cmyk_pixels.resize(size_t(width) * height * 4);
    } catch (const std::bad_alloc&) {
      ThrowPictureError(path, "not enough memory for " + std::to_string(width) + " x " +
                                  std::to_string(height) + " pixels");
    } catch (const std::length_error& e) {
      ThrowPictureError(path, e.what());
    }

    // LIMITSCANS refuses progressive files built to take forever.
    const int flags = TJFLAG_ACCURATEDCT | TJFLAG_LIMITSCANS;
    int rc;
    if (cmyk) {
      rc = tjDecompress2(tj, data.data(), data.size(), cmyk_pixels.data(), width, width * 4, height,
                         TJPF_CMYK, flags);
    } else {
      rc = tjDecompress2(tj, data.data(), data.size(), out.Bits(), width, out.Stride(), height,
                         TJPF_BGR, flags | TJFLAG_BOTTOMUP);
    }
    // Warnings (a file cut short, a damaged stretch of data) still give a whole
    // picture, with the missing part grey, as other viewers show it.
    if (rc != 0 && tjGetErrorCode(tj) == TJERR_FATAL) ThrowPictureError(path, LibraryMessage(tj));

    if (cmyk) {
      const bool inverted = markers.adobe;
      for (int y = 0; y < height; ++y) {
        const uint8_t* s = cmyk_pixels.data() + size_t(y) * width * 4;
        uint8_t* d = out.ScanLine(y);
        for (int x = 0; x < width; ++x, s += 4, d += 3) {
          unsigned c = s[0], m = s[1], ye = s[2], k = s[3];
          if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            ye = 255 - ye;
            k = 255 - k;
          }
          d[0] = Mul255(ye, k);
          d[1] = Mul255(m, k);
          d[2] = Mul255(c, k);
        }
      }
    }
  } catch (...) {
    out.SetSize(0, 0);
    throw;
  }
}

}  // namespace gfx
