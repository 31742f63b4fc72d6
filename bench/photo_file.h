// Photo-like JPEG pictures that the benchmarks generate instead of
// shipping photographs.
#pragma once

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace benchphotos {

// Photo-like: smooth light with fine grain, so the JPEG and the encoder
// see texture rather than flat colour.
inline void WritePhoto(const std::filesystem::path& path, int w, int h, int seed) {
  std::vector<uint8_t> rgb(size_t(w) * h * 3);
  uint32_t noise = 2166136261u + uint32_t(seed) * 16777619u;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int grain = int(noise >> 28) - 8;
      const double u = double(x) / w, v = double(y) / h;
      uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
      const double shade = 0.5 + 0.5 * std::sin(6.0 * u + seed) * std::cos(4.0 * v - seed);
      p[0] = uint8_t(std::clamp(int(60 + 150 * shade * (1 - v)) + grain, 0, 255));
      p[1] = uint8_t(std::clamp(int(40 + 170 * v * shade + 30 * std::sin(40 * u)) + grain, 0, 255));
      p[2] = uint8_t(std::clamp(int(30 + 200 * u * (1 - shade)) + grain, 0, 255));
    }
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &out, &size, TJSAMP_420, 90, 0);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out), long(size));
  tjFree(out);
  tjDestroy(tj);
}

}  // namespace benchphotos
