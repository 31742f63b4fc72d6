// Writes small 24-bit BMP files whose pixels come from a function, so tests
// can feed the composer real picture files.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace testpics {

// colour(x, y) returns 0x00RRGGBB for the pixel at column x, row y (0 = top).
inline void WriteBmp24(const std::filesystem::path& path, int w, int h,
                       const std::function<uint32_t(int, int)>& colour) {
  const int stride = (w * 3 + 3) / 4 * 4;
  const uint32_t dataSize = uint32_t(stride) * h;
  std::vector<uint8_t> f(54 + dataSize, 0);
  auto put16 = [&](size_t at, uint16_t v) { f[at] = v & 0xFF; f[at + 1] = v >> 8; };
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = (v >> (8 * i)) & 0xFF;
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, uint32_t(f.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  put16(26, 1);
  put16(28, 24);
  put32(34, dataSize);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = &f[54 + size_t(h - 1 - y) * stride];
    for (int x = 0; x < w; ++x) {
      const uint32_t c = colour(x, y);
      row[3 * x] = c & 0xFF;
      row[3 * x + 1] = (c >> 8) & 0xFF;
      row[3 * x + 2] = (c >> 16) & 0xFF;
    }
  }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), f.size());
}

// A folder of this test process's own: CTest runs test processes in
// parallel, and two of them rewriting one file make each other's reads fail.
inline std::filesystem::path ScratchDir(const std::string& name) {
  const char* base = std::getenv("LS_TEST_TMP");
  std::filesystem::path dir =
      (base ? std::filesystem::path(base) : std::filesystem::temp_directory_path()) /
      ("p" + std::to_string(getpid())) / name;
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace testpics
