// Runs the slideshow composer over three generated demo photos (or given
// pictures) and lays every few frames side by side in one PNG, so the
// timeline's intro, holds, transitions and outro can be seen at a glance.
//
//   demo-strip [--out FILE.png] [--size WxH] [--effect N] [pictures...]
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "demo_pictures.h"
#include "sheet_support.h"

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
        tools::WriteDemoJpeg(path, sizes[k][0], sizes[k][1], k);
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
