// Runs the slideshow composer over three generated demo photos (or given
// pictures) and lays every few frames side by side in one PNG, so the
// timeline's intro, holds, transitions and outro can be seen at a glance.
//
//   demo-strip [--out FILE.png] [--size WxH] [--effect N] [pictures...]
#include <turbojpeg.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "sheet_support.h"

namespace {

// Writes a generated picture as a JPEG, the way a camera would hand it over.
void WriteDemoJpeg(const std::string& path, int w, int h, int kind) {
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

}  // namespace

int main(int argc, char** argv) {
  std::string out = "out/slideshow-strip.png";
  int w = 160, h = 120, effect = 60;
  std::vector<std::string> pictures;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--out" && i + 1 < argc) {
      out = argv[++i];
    } else if (a == "--size" && i + 1 < argc) {
      if (!tools::ParseSize(argv[++i], w, h)) return 2;
    } else if (a == "--effect" && i + 1 < argc) {
      effect = std::atoi(argv[++i]);
    } else if (!a.empty() && a[0] != '-') {
      pictures.push_back(a);
    } else {
      std::cerr << "usage: demo-strip [--out FILE.png] [--size WxH] [--effect N] [pictures...]\n";
      return 2;
    }
  }

  try {
    if (pictures.empty()) {
      const std::filesystem::path dir = std::filesystem::path(out).parent_path() / "demo";
      std::filesystem::create_directories(dir);
      const int sizes[3][2] = {{800, 600}, {600, 800}, {1200, 400}};
      for (int k = 0; k < 3; ++k) {
        const std::string path = (dir / ("demo" + std::to_string(k + 1) + ".jpg")).string();
        WriteDemoJpeg(path, sizes[k][0], sizes[k][1], k);
        pictures.push_back(path);
      }
    }

    slideshow::TSlideshowTimeline timeline;
    timeline.Pictures = pictures;
    timeline.EffectIndex = effect;
    slideshow::TimelineSettings settings;
    settings.FrameSize = std::to_string(w) + "x" + std::to_string(h);
    settings.FrameRate = "8/1";
    settings.PictureDelay = "1.0";
    settings.TransitionDelay = "1.0";
    timeline.PrepareTimeline(settings);

    gfx::Bitmap frame(w, h);
    std::vector<std::unique_ptr<gfx::Bitmap>> kept;
    for (int n = 0; timeline.FIAReadFrameCanvas(frame.GetCanvas()) == 0; ++n) {
      if (n % 2) continue;
      kept.push_back(std::make_unique<gfx::Bitmap>(w, h));
      kept.back()->Assign(frame);
    }

    constexpr int kPerRow = 8, kGap = 4;
    const int rows = (static_cast<int>(kept.size()) + kPerRow - 1) / kPerRow;
    gfx::Bitmap strip(kPerRow * (w + kGap), rows * (h + kGap));
    strip.GetCanvas().FillRect(strip.Bounds(), 0x303030);
    for (size_t i = 0; i < kept.size(); ++i)
      strip.GetCanvas().CopyRect(int(i % kPerRow) * (w + kGap), int(i / kPerRow) * (h + kGap), w,
                                 h, *kept[i], 0, 0);
    tools::WritePng(out, strip);
    std::cout << "demo-strip: " << timeline.TotalFrames() << " frames for " << pictures.size()
              << " pictures, every second one in " << out << "\n";
  } catch (const std::exception& ex) {
    std::cerr << "demo-strip: " << ex.what() << "\n";
    return 1;
  }
  return 0;
}
