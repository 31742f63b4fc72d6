// Generated demo photos, so that demos and benchmarks ship no pictures.
#pragma once

#include <turbojpeg.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tools {

// Writes a generated picture as a JPEG, the way a camera would hand it over.
inline void WriteDemoJpeg(const std::string& path, int w, int h, int kind, int tint = 0) {
  std::vector<uint8_t> rgb(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
      const double fx = double(x) / w, fy = double(y) / h;
      if (kind == 0) {  // sunset: sky gradient, a sun, dark sea
        const bool sun = std::hypot(fx - 0.6, fy - 0.45) < 0.12;
        const bool sea = fy > 0.6;
        p[0] = sea ? 20 : uint8_t(255 * (1 - fy * 0.5));
        p[1] = sea ? 40 + uint8_t(30 * fx) : uint8_t(sun ? 230 : 120 * (1 - fy));
        p[2] = sea ? 90 : uint8_t(sun ? 120 : 60 + 100 * fy);
      } else if (kind == 1) {  // portrait: a green tree on sky
        const bool trunk = std::abs(fx - 0.5) < 0.05 && fy > 0.6;
        const bool crown = std::hypot(fx - 0.5, (fy - 0.4) * 0.75) < 0.3;
        p[0] = trunk ? 110 : crown ? 30 : 140;
        p[1] = trunk ? 70 : crown ? 150 + uint8_t(60 * fx) : 190;
        p[2] = trunk ? 30 : crown ? 40 : 240;
      } else {  // panorama: mountains against a pale sky
        const double ridge = 0.55 + 0.2 * std::sin(fx * 12) * std::cos(fx * 5);
        const bool rock = fy > ridge;
        p[0] = rock ? 90 : 200;
        p[1] = rock ? 80 + uint8_t(40 * fy) : 220;
        p[2] = rock ? 70 : 250;
      }
      // tint rotates the colours and dims them, so pictures of one kind differ.
      const uint8_t c[3] = {p[0], p[1], p[2]};
      for (int i = 0; i < 3; ++i) p[i] = uint8_t(c[(i + tint) % 3] * (10 - tint / 3 % 4) / 10);
    }
  std::unique_ptr<void, int (*)(tjhandle)> tj(tjInitCompress(), tjDestroy);
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  if (!tj || tjCompress2(tj.get(), rgb.data(), w, 0, h, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90,
                         TJFLAG_ACCURATEDCT) != 0)
    throw std::runtime_error("Cannot make demo picture " + path);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(jpeg), size);
  tjFree(jpeg);
}

}  // namespace tools
