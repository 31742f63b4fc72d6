// Writes the inputs of a demo slideshow: generated photos (JPEG, three kinds
// of scene in turn, each with its own colours and aspect) and a sound track
// (a chord that changes every second, 16-bit stereo WAV).
//
//   demo-media [--pictures N] [--size WxH] [--tone SECONDS] FOLDER
//
// Prints the paths of the pictures and then of the sound, one a line.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "demo_pictures.h"
#include "sheet_support.h"
#include "wav_file.h"

namespace {

void WriteTone(const std::filesystem::path& path, double seconds) {
  constexpr int kRate = 44100;
  const auto frames = uint32_t(std::lround(seconds * kRate));
  testwav::WritePcm16(path, kRate, 2, frames, [](int channel, uint32_t i) {
    const double t = double(i) / kRate;
    const double root = 220.0 * std::pow(2.0, double(int(t) % 4) / 12.0 * 3);
    const double v = 0.2 * std::sin(2 * M_PI * root * t) +
                     0.15 * std::sin(2 * M_PI * root * (channel ? 1.5 : 1.25) * t);
    return int16_t(std::lround(v * 32767));
  });
}

}  // namespace

int main(int argc, char** argv) {
  int count = 3, w = 800, h = 600;
  double tone = 5.0;
  std::filesystem::path folder;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--pictures" && i + 1 < argc) {
      count = std::atoi(argv[++i]);
    } else if (a == "--size" && i + 1 < argc) {
      if (!tools::ParseSize(argv[++i], w, h)) return 2;
    } else if (a == "--tone" && i + 1 < argc) {
      tone = std::atof(argv[++i]);
    } else if (!a.empty() && a[0] != '-' && folder.empty()) {
      folder = a;
    } else {
      folder.clear();
      break;
    }
  }
  if (folder.empty() || count < 1 || count > 999 || !(tone >= 0) || tone > 3600) {
    std::cerr << "usage: demo-media [--pictures N] [--size WxH] [--tone SECONDS] FOLDER\n";
    return 2;
  }
  try {
    std::filesystem::create_directories(folder);
    for (int k = 0; k < count; ++k) {
      // Landscape, portrait and panorama in turn, all about the given size.
      const int pw = k % 3 == 1 ? h : w, ph = k % 3 == 1 ? w : k % 3 == 2 ? h * 2 / 3 : h;
      char name[32];
      std::snprintf(name, sizeof name, "picture-%03d.jpg", k + 1);
      tools::WriteDemoJpeg((folder / name).string(), pw, ph, k % 3, k);
      std::cout << (folder / name).string() << "\n";
    }
    if (tone > 0) {
      WriteTone(folder / "tone.wav", tone);
      std::cout << (folder / "tone.wav").string() << "\n";
    }
  } catch (const std::exception& ex) {
    std::cerr << "demo-media: " << ex.what() << "\n";
    return 1;
  }
  return 0;
}
