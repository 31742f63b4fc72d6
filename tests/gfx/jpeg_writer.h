// Makes JPEG files for the decoder tests: TurboJPEG for colour, grey and
// progressive files, the libjpeg API for CMYK with or without Adobe's marker.
#pragma once

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>
#include <turbojpeg.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <stdexcept>
#include <utility>
#include <vector>

namespace jpegtest {

// pixels: rows top first, packed in the given TurboJPEG pixel format.
inline std::vector<uint8_t> Compress(const std::vector<uint8_t>& pixels, int w, int h, int format,
                                     int subsamp, int flags = 0, int quality = 95) {
  tjhandle tj = tjInitCompress();
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  const int rc = tjCompress2(tj, pixels.data(), w, 0, h, format, &buf, &size, subsamp, quality,
                             flags | TJFLAG_ACCURATEDCT);
  std::vector<uint8_t> out(buf, buf + (rc == 0 ? size : 0));
  tjFree(buf);
  tjDestroy(tj);
  if (rc != 0) throw std::runtime_error("test JPEG not written");
  return out;
}

// Through the libjpeg API, for what TurboJPEG cannot write: CMYK with or
// without Adobe's marker, and unusual sampling factors (h, v per component).
struct LibjpegFile {
  int components = 3;  // 3: RGB in, 4: CMYK stored as given
  bool adobe_marker = false;
  std::vector<std::pair<int, int>> sampling;
};

inline std::vector<uint8_t> CompressLibjpeg(const std::vector<uint8_t>& pixels, int w, int h,
                                            const LibjpegFile& opt) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buf, &size);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  cinfo.input_components = opt.components;
  cinfo.in_color_space = opt.components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (opt.components == 4) jpeg_set_colorspace(&cinfo, JCS_CMYK);
  jpeg_set_quality(&cinfo, 95, TRUE);
  cinfo.write_Adobe_marker = opt.adobe_marker ? TRUE : FALSE;
  for (size_t i = 0; i < opt.sampling.size(); ++i) {
    cinfo.comp_info[i].h_samp_factor = opt.sampling[i].first;
    cinfo.comp_info[i].v_samp_factor = opt.sampling[i].second;
  }
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + size_t(cinfo.next_scanline) * w * opt.components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buf, buf + size);
  std::free(buf);
  return out;
}

// The file with an APP1 EXIF segment after SOI whose IFD0 holds the
// orientation tag, after a few other entries as cameras write them.
inline std::vector<uint8_t> WithExifOrientation(const std::vector<uint8_t>& jpeg, int orientation,
                                                bool big_endian = false) {
  std::vector<uint8_t> tiff;
  auto u16 = [&](unsigned v) {
    if (big_endian) tiff.insert(tiff.end(), {uint8_t(v >> 8), uint8_t(v)});
    else tiff.insert(tiff.end(), {uint8_t(v), uint8_t(v >> 8)});
  };
  auto u32 = [&](uint32_t v) {
    if (big_endian) { u16(v >> 16); u16(v & 0xFFFF); }
    else { u16(v & 0xFFFF); u16(v >> 16); }
  };
  tiff.insert(tiff.end(), big_endian ? std::initializer_list<uint8_t>{'M', 'M'}
                                     : std::initializer_list<uint8_t>{'I', 'I'});
  u16(42);
  u32(8);
  u16(3);                                    // entries
  u16(0x010F); u16(2); u32(4);              // Make: "ABC" inside the entry
  tiff.insert(tiff.end(), {'A', 'B', 'C', 0});
  u16(0x0112); u16(3); u32(1); u16(unsigned(orientation)); u16(0);
  u16(0x011A); u16(5); u32(1); u32(50);      // XResolution, pointing at a rational
  u32(0);                                    // no next IFD
  u32(72); u32(1);
  std::vector<uint8_t> app1{0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  app1.insert(app1.end(), tiff.begin(), tiff.end());
  const size_t length = app1.size() - 2;
  app1[2] = uint8_t(length >> 8);
  app1[3] = uint8_t(length);
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), app1.begin(), app1.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

}  // namespace jpegtest
