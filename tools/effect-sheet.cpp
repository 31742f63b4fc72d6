// Renders a contact sheet of the transition effects: one strip per effect, one
// picture per progress value, so anyone can look at what each effect draws.
// --columns lays the strips side by side, for a sheet that fits a page.
//
//   effect-sheet [--size WxH] [--progress 10,30,50] [--rows FIRST-LAST]
//                [--columns N] [--old FILE --new FILE] OUT.png
#include <cstdio>
#include <iostream>
#include <sstream>

#include "effects/effect.h"
#include "sheet_support.h"

namespace {

int Usage() {
  std::cerr << "usage: effect-sheet [--size WxH] [--progress P1,P2,...] [--rows FIRST-LAST]\n"
               "                    [--columns N] [--old FILE --new FILE] OUT.png\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int w = 160, h = 120, first = 1, last = effects::kEffectCount, columns = 1;
  std::vector<int> progress = {10, 30, 50, 70, 90};
  std::string oldFile, newFile, out;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--size" && hasValue) {
      if (!tools::ParseSize(argv[++i], w, h)) return Usage();
    } else if (a == "--progress" && hasValue) {
      progress.clear();
      std::stringstream list(argv[++i]);
      for (std::string item; std::getline(list, item, ',');) {
        const int p = std::atoi(item.c_str());
        if (p < 0 || p > 99) return Usage();
        progress.push_back(p);
      }
      if (progress.empty()) return Usage();
    } else if (a == "--rows" && hasValue) {
      if (std::sscanf(argv[++i], "%d-%d", &first, &last) != 2 || first < 1 ||
          last > effects::kEffectCount || first > last)
        return Usage();
    } else if (a == "--columns" && hasValue) {
      columns = std::atoi(argv[++i]);
      if (columns < 1 || columns > 64) return Usage();
    } else if (a == "--old" && hasValue) {
      oldFile = argv[++i];
    } else if (a == "--new" && hasValue) {
      newFile = argv[++i];
    } else if (!a.empty() && a[0] != '-' && out.empty()) {
      out = a;
    } else {
      return Usage();
    }
  }
  if (out.empty()) return Usage();

  try {
    gfx::Bitmap oldPic(w, h), newPic(w, h), display(w, h);
    if (oldFile.empty()) tools::PaintOldDemo(oldPic); else tools::LoadFitted(oldFile, oldPic, w, h);
    if (newFile.empty()) tools::PaintNewDemo(newPic); else tools::LoadFitted(newFile, newPic, w, h);

    std::vector<int> rows;
    for (int r = first; r <= last; ++r) rows.push_back(r);

    constexpr int kGap = 4, kLabel = 40;
    const int cols = static_cast<int>(progress.size());
    const int stripWidth = kLabel + cols * (w + kGap);
    const int count = static_cast<int>(rows.size());
    const int lines = (count + columns - 1) / columns;
    gfx::Bitmap sheet(columns * stripWidth, std::max(1, lines) * (h + kGap));
    sheet.GetCanvas().FillRect(sheet.Bounds(), 0x303030);

    for (size_t ri = 0; ri < rows.size(); ++ri) {
      const effects::TEffect& e = effects::EffectAt(rows[ri]);
      const int top = static_cast<int>(ri) % lines * (h + kGap);
      const int left = static_cast<int>(ri) / lines * stripWidth;
      tools::DrawNumber(sheet, left + 4, top + 4, rows[ri], 3, 0xFFFFFF);
      for (int ci = 0; ci < cols; ++ci) {
        display.Assign(oldPic);
        if (progress[ci] > 0) {
          display.GetCanvas().SetStretchMode(gfx::StretchMode::ColorOnColor);
          const effects::Extents x = effects::ProgressExtents(w, h, progress[ci]);
          e.Proc(display, newPic, w, h, x.X, x.Y, progress[ci]);
        }
        sheet.GetCanvas().CopyRect(left + kLabel + ci * (w + kGap), top, w, h, display, 0, 0);
      }
    }
    tools::WritePng(out, sheet);
    std::cout << "effect-sheet: " << rows.size() << " effects x " << cols << " progress values ("
              << w << "x" << h << ") -> " << out << "\n";
  } catch (const std::exception& ex) {
    std::cerr << "effect-sheet: " << ex.what() << "\n";
    return 1;
  }
  return 0;
}
