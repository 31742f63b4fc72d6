// JPEG through libjpeg-turbo's TurboJPEG interface, at full size with the
// accurate DCT, straight into the bottom-up rows of a 24-bit bitmap.
#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "exif.h"
#include "orientation.h"
#include "picture_decoders.h"

namespace gfx {

namespace {

struct TjDeleter {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjDeleter>;

// The library's text without the name of the API call in front of it; the
// fallback when it has none ("No error": it gave up without saying why).
std::string LibraryMessage(tjhandle handle, const char* fallback = "the JPEG data cannot be decoded") {
  const char* raw = tjGetErrorStr2(handle);
  std::string text = raw ? raw : "";
  const size_t call_end = text.find("(): ");
  if (text.rfind("tj", 0) == 0 && call_end != std::string::npos) text.erase(0, call_end + 4);
  if (text.empty() || text == "No error") return fallback;
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
  if (name) return std::string(" (this is ") + name + " picture; only BMP, JPEG and PNG pictures can be used)";
  if (starts("BM")) return " (this is a BMP picture; it is read as BMP when its header is sound)";
  return {};
}

// What the markers say. The library has the same, but refuses to report it
// for unusual chroma subsampling it decodes fine, and knows nothing of EXIF.
struct Markers {
  bool adobe = false;  // Adobe's APP14: CMYK is stored inverted, as Photoshop writes it
  int width = 0, height = 0, components = 0;
  int max_h = 1, max_v = 1;  // largest sampling factors: the size of an MCU in blocks
  bool arithmetic = false;
  int orientation = 1;       // EXIF, 1 when absent
  uint64_t scan_bytes = 0;   // entropy-coded data of all scans
};

void ReadFrameHeader(const uint8_t* body, size_t length, uint8_t marker, Markers& m) {
  m.height = body[1] << 8 | body[2];
  m.width = body[3] << 8 | body[4];
  m.components = body[5];
  m.arithmetic = marker >= 0xC9;
  for (int i = 0; i < m.components && 6 + 3 * size_t(i) + 3 <= length - 2; ++i) {
    const uint8_t factors = body[6 + 3 * i + 1];
    m.max_h = std::max(m.max_h, factors >> 4);
    m.max_v = std::max(m.max_v, factors & 15);
  }
}

// Length of entropy-coded data from p up to the next marker that is neither
// a stuffed zero nor a restart.
size_t ScanLength(const std::vector<uint8_t>& d, size_t p) {
  size_t q = p;
  while (true) {
    const void* ff = std::memchr(d.data() + q, 0xFF, d.size() - q);
    if (!ff) return d.size() - p;
    q = size_t(static_cast<const uint8_t*>(ff) - d.data());
    if (q + 1 >= d.size()) return d.size() - p;
    const uint8_t next = d[q + 1];
    if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7) && next != 0xFF) return q - p;
    q += 2;
  }
}

Markers ScanMarkers(const std::vector<uint8_t>& d) {
  Markers m;
  if (d.size() < 2 || d[0] != 0xFF || d[1] != 0xD8) return m;
  size_t p = 2;
  while (p + 4 <= d.size()) {
    // The library skips stray bytes before a marker (with a warning), so
    // the walk must too, or a frame header after them goes unseen.
    if (d[p] != 0xFF) {
      const void* ff = std::memchr(d.data() + p, 0xFF, d.size() - p);
      if (!ff) break;
      p = size_t(static_cast<const uint8_t*>(ff) - d.data());
      continue;
    }
    const uint8_t marker = d[p + 1];
    if (marker == 0xFF) {  // fill byte
      ++p;
      continue;
    }
    if (marker == 0xD9) break;
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      p += 2;
      continue;
    }
    const size_t length = size_t(d[p + 2]) << 8 | d[p + 3];
    if (length < 2 || p + 2 + length > d.size()) break;
    const uint8_t* body = d.data() + p + 4;
    if (marker == 0xEE && length >= 14 && std::memcmp(body, "Adobe", 5) == 0) m.adobe = true;
    if (marker == 0xE1 && m.orientation == 1) m.orientation = ExifOrientation(body, length - 2);
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                       marker != 0xCC;
    if (frame && length >= 8 && m.components == 0) ReadFrameHeader(body, length, marker, m);
    p += 2 + length;
    if (marker == 0xDA) {
      const size_t n = ScanLength(d, p);
      m.scan_bytes += n;
      p += n;
    }
  }
  return m;
}

// Every block of a scan that codes DC values takes at least one bit with
// Huffman coding, so the scan data bounds the picture a file can hold. The
// slack covers files cut short, which still show (grey where data is
// missing); arithmetic coding packs flat areas far tighter and gets more.
// The size is the library's; a frame header our walk did not see counts
// with the smallest blocks and no scan data.
bool ScanDataBacksClaim(const Markers& m, int width, int height) {
  constexpr uint64_t kAlwaysAllowed = 1u << 22;  // small pictures cost little either way
  constexpr uint64_t kHuffmanMcusPerByte = 8 * 8;
  constexpr uint64_t kArithmeticMcusPerByte = 8 * 512;
  if (uint64_t(width) * uint64_t(height) <= kAlwaysAllowed) return true;
  const uint64_t mcu_w = uint64_t(8) * m.max_h, mcu_h = uint64_t(8) * m.max_v;
  const uint64_t mcus = (width + mcu_w - 1) / mcu_w * ((height + mcu_h - 1) / mcu_h);
  const uint64_t per_byte = m.arithmetic ? kArithmeticMcusPerByte : kHuffmanMcusPerByte;
  return m.scan_bytes * per_byte >= mcus;
}

// The decoded size: whole, or the smallest of the library's scales from 1/8
// up whose result still covers the rectangle the picture is fitted to.
tjscalingfactor ChooseScale(int width, int height, bool sideways, const DecodeOptions& options) {
  const tjscalingfactor whole{1, 1};
  const bool frame_known = options.FrameWidth > 0 && options.FrameHeight > 0;
  const bool over_budget = int64_t(width) * height > kPictureBudgetPixels;
  if (!frame_known || !(options.ReduceToFrame || over_budget)) return whole;
  const int upright_w = sideways ? height : width, upright_h = sideways ? width : height;
  const Rect fit = FitRect({0, 0, upright_w, upright_h}, {0, 0, options.FrameWidth, options.FrameHeight});
  const int need_w = sideways ? fit.Height() : fit.Width();
  const int need_h = sideways ? fit.Width() : fit.Height();
  int count = 0;
  const tjscalingfactor* factors = tjGetScalingFactors(&count);
  tjscalingfactor best = whole;
  for (int i = 0; factors && i < count; ++i) {
    const tjscalingfactor f = factors[i];
    if (f.num * 8 < f.denom || f.num > f.denom) continue;  // 1/8 .. 1 only
    if (TJSCALED(width, f) < need_w || TJSCALED(height, f) < need_h) continue;
    if (int64_t(f.num) * best.denom < int64_t(best.num) * f.denom) best = f;
  }
  return best;
}

uint8_t Mul255(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

}  // namespace

namespace decoders {

namespace {

// The frame header as the library reads it, with our own reading of the
// markers standing in when the library gives up on an unusual layout.
void ReadHeader(const std::string& path, const Bytes& data, tjhandle tj, const Markers& markers,
                int& width, int& height, int& colorspace) {
  int subsamp = 0;
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
  // The library reads a file of coding tables alone (an abbreviated JPEG)
  // without a fatal error and reports the size 0 x 0.
  if (width <= 0 || height <= 0) {
    ThrowPictureError(path, markers.components == 0
                                ? "no picture in the file (it holds only coding tables)"
                                : "no picture in the file (" +
                                      LibraryMessage(tj, "its frame header gives no size") + ")");
  }
}

[[noreturn]] void ThrowTooLarge(const std::string& path, int64_t width, int64_t height) {
  ThrowPictureError(path, "picture too large (" + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels)");
}

void ConvertCmyk(const std::vector<uint8_t>& cmyk, bool inverted, Bitmap& out) {
  const int width = out.Width();
  for (int y = 0; y < out.Height(); ++y) {
    const uint8_t* s = cmyk.data() + size_t(y) * width * 4;
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

}  // namespace

PictureSize Jpeg(const std::string& path, const Bytes& data, Bitmap& out,
                 const DecodeOptions& options) {
  try {
    if (data.empty()) ThrowPictureError(path, "the file is empty");

    TjHandle handle(tjInitDecompress());
    if (!handle)
      ThrowPictureError(path, "cannot start the JPEG decoder: " + LibraryMessage(nullptr, "out of memory"));
    tjhandle tj = handle.get();

    const Markers markers = ScanMarkers(data);
    int width = 0, height = 0, colorspace = 0;
    ReadHeader(path, data, tj, markers, width, height, colorspace);
    const int orientation = options.ExifOrientation ? markers.orientation : 1;
    const bool sideways = OrientationSwapsSides(orientation);

    const tjscalingfactor scale = ChooseScale(width, height, sideways, options);
    const int out_w = TJSCALED(width, scale), out_h = TJSCALED(height, scale);
    if (int64_t(out_w) * out_h > kMaxPicturePixels) ThrowTooLarge(path, width, height);
    if (!ScanDataBacksClaim(markers, width, height)) {
      ThrowPictureError(path, "scan data of " + std::to_string(markers.scan_bytes) +
                                  " bytes cannot hold " + std::to_string(width) + " x " +
                                  std::to_string(height) + " pixels");
    }

    const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    std::vector<uint8_t> cmyk_pixels;
    try {
      out.Clear();
      out.SetPixelFormat(PixelFormat::pf24bit);
      out.SetSize(out_w, out_h);
      if (cmyk) cmyk_pixels.resize(size_t(out_w) * out_h * 4);
    } catch (const std::bad_alloc&) {
      ThrowPictureError(path, "not enough memory for " + std::to_string(out_w) + " x " +
                                  std::to_string(out_h) + " pixels");
    } catch (const std::length_error& e) {
      ThrowPictureError(path, e.what());
    }

    // LIMITSCANS refuses progressive files built to take forever.
    const int flags = TJFLAG_ACCURATEDCT | TJFLAG_LIMITSCANS;
    int rc;
    if (cmyk) {
      rc = tjDecompress2(tj, data.data(), data.size(), cmyk_pixels.data(), out_w, out_w * 4, out_h,
                         TJPF_CMYK, flags);
    } else {
      rc = tjDecompress2(tj, data.data(), data.size(), out.Bits(), out_w, out.Stride(), out_h,
                         TJPF_BGR, flags | TJFLAG_BOTTOMUP);
    }
    // Warnings (a file cut short, a damaged stretch of data) still give a whole
    // picture, with the missing part grey, as other viewers show it.
    if (rc != 0 && tjGetErrorCode(tj) == TJERR_FATAL) ThrowPictureError(path, LibraryMessage(tj));
    handle.reset();  // its buffers (a progressive file's coefficients) go before we turn

    if (cmyk) {
      ConvertCmyk(cmyk_pixels, markers.adobe, out);
      std::vector<uint8_t>().swap(cmyk_pixels);
    }
    ApplyOrientation(out, orientation);
    return sideways ? PictureSize{height, width} : PictureSize{width, height};
  } catch (...) {
    out.Release();
    throw;
  }
}

}  // namespace decoders

}  // namespace gfx
