// Writes the files the desktop program finds beside itself: the scrambled
// settings file, the icon (ICO, plus a PNG for desktop menus) and the skin
// picture. Everything is drawn here, so no binary asset is kept in the tree.
//
//   app-assets <folder> <version> <readme-url>

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/settings_file.h"

namespace fs = std::filesystem;

namespace {

struct Rgba {
  uint8_t r, g, b, a;
};

// A top-down RGBA picture.
struct Picture {
  int w, h;
  std::vector<Rgba> px;
  Picture(int width, int height, Rgba fill) : w(width), h(height), px(size_t(width) * height, fill) {}
  Rgba& at(int x, int y) { return px[size_t(y) * w + x]; }
};

constexpr Rgba kMagenta{255, 0, 255, 255};

Rgba Mix(Rgba a, Rgba b, double t) {
  auto m = [t](uint8_t x, uint8_t y) { return uint8_t(std::lround(x + (y - x) * t)); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), m(a.a, b.a)};
}

// Inside a rectangle with rounded corners of radius r (pixel centres).
bool InRoundRect(int x, int y, int left, int top, int right, int bottom, int r) {
  if (x < left || x >= right || y < top || y >= bottom) return false;
  const double cx = std::clamp(x + 0.5, double(left + r), double(right - r));
  const double cy = std::clamp(y + 0.5, double(top + r), double(bottom - r));
  const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
  return dx * dx + dy * dy <= double(r) * r;
}

void FillRoundRect(Picture& p, int left, int top, int right, int bottom, int r, Rgba from, Rgba to) {
  for (int y = std::max(top, 0); y < std::min(bottom, p.h); ++y) {
    const Rgba c = Mix(from, to, double(y - top) / std::max(1, bottom - top - 1));
    for (int x = std::max(left, 0); x < std::min(right, p.w); ++x)
      if (InRoundRect(x, y, left, top, right, bottom, r)) p.at(x, y) = c;
  }
}

// The product's mark: a warm slide with a hill and a sun on a dark tile.
void DrawMark(Picture& p, int ox, int oy, int size, bool tile) {
  const double s = size / 32.0;
  auto I = [s](double v) { return int(std::lround(v * s)); };
  if (tile) FillRoundRect(p, ox, oy, ox + size, oy + size, I(6), {52, 74, 120, 255}, {24, 34, 60, 255});
  FillRoundRect(p, ox + I(5), oy + I(7), ox + I(27), oy + I(25), I(2), {255, 214, 120, 255}, {240, 160, 60, 255});
  for (int y = oy + I(9); y < oy + I(23); ++y)
    for (int x = ox + I(7); x < ox + I(25); ++x) {
      const double u = (x - ox) / s, v = (y - oy) / s;
      const double hill = 22.5 - 7.0 * std::exp(-((u - 13) * (u - 13)) / 30.0);
      if (v >= hill) p.at(x, y) = {46, 96, 70, 255};
      else if ((u - 20.5) * (u - 20.5) + (v - 12.5) * (v - 12.5) <= 5.0) p.at(x, y) = {255, 250, 225, 255};
      else p.at(x, y) = Mix({120, 170, 230, 255}, {200, 225, 250, 255}, (v - 9) / 14.0);
    }
}

Picture DrawIcon(int size) {
  Picture p(size, size, {0, 0, 0, 0});
  DrawMark(p, 0, 0, size, true);
  return p;
}

// 772 x 412: rounded frame (magenta outside), title bar, panels.
Picture DrawSkin() {
  Picture p(772, 412, kMagenta);
  FillRoundRect(p, 0, 0, 772, 412, 12, {36, 50, 82, 255}, {14, 20, 36, 255});
  FillRoundRect(p, 0, 0, 772, 32, 12, {66, 92, 148, 255}, {40, 56, 94, 255});
  for (int x = 6; x < 766; ++x) p.at(x, 31) = {120, 150, 210, 255};
  // Panels behind the control groups: files, settings, log.
  FillRoundRect(p, 12, 40, 522, 282, 8, {28, 40, 68, 255}, {22, 32, 56, 255});
  FillRoundRect(p, 532, 40, 760, 282, 8, {28, 40, 68, 255}, {22, 32, 56, 255});
  FillRoundRect(p, 12, 284, 760, 406, 8, {20, 28, 48, 255}, {16, 22, 40, 255});
  DrawMark(p, 8, 5, 22, false);
  return p;
}

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// BITMAPINFOHEADER; for icons the height counts the colour and mask rows.
void PutInfoHeader(std::vector<uint8_t>& out, int w, int h, int bits, uint32_t imageBytes) {
  Put32(out, 40);
  Put32(out, uint32_t(w));
  Put32(out, uint32_t(h));
  Put16(out, 1);
  Put16(out, unsigned(bits));
  Put32(out, 0);
  Put32(out, imageBytes);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
}

// 24-bit bottom-up BMP.
std::vector<uint8_t> EncodeBmp(Picture& p) {
  const uint32_t stride = uint32_t((p.w * 3 + 3) & ~3);
  const uint32_t imageBytes = stride * uint32_t(p.h);
  std::vector<uint8_t> out{'B', 'M'};
  Put32(out, 14 + 40 + imageBytes);
  Put32(out, 0);
  Put32(out, 14 + 40);
  PutInfoHeader(out, p.w, p.h, 24, imageBytes);
  for (int y = p.h - 1; y >= 0; --y) {
    for (int x = 0; x < p.w; ++x) {
      const Rgba c = p.at(x, y);
      out.insert(out.end(), {c.b, c.g, c.r});
    }
    out.resize(out.size() + (stride - uint32_t(p.w) * 3), 0);
  }
  return out;
}

// ICO with 32-bit images (alpha) and their AND masks.
std::vector<uint8_t> EncodeIco(std::vector<Picture>& images) {
  std::vector<std::vector<uint8_t>> dibs;
  for (Picture& p : images) {
    const uint32_t maskStride = uint32_t(((p.w + 31) / 32) * 4);
    std::vector<uint8_t> dib;
    PutInfoHeader(dib, p.w, p.h * 2, 32, uint32_t(p.w * p.h * 4) + maskStride * uint32_t(p.h));
    for (int y = p.h - 1; y >= 0; --y)
      for (int x = 0; x < p.w; ++x) {
        const Rgba c = p.at(x, y);
        dib.insert(dib.end(), {c.b, c.g, c.r, c.a});
      }
    for (int y = p.h - 1; y >= 0; --y) {
      std::vector<uint8_t> row(maskStride, 0);
      for (int x = 0; x < p.w; ++x)
        if (p.at(x, y).a == 0) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
      dib.insert(dib.end(), row.begin(), row.end());
    }
    dibs.push_back(std::move(dib));
  }
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, unsigned(images.size()));
  uint32_t offset = uint32_t(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(uint8_t(images[i].w & 0xFF));
    out.push_back(uint8_t(images[i].h & 0xFF));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, uint32_t(dibs[i].size()));
    Put32(out, offset);
    offset += uint32_t(dibs[i].size());
  }
  for (auto& dib : dibs) out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WritePng(const fs::path& path, Picture& p) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(p.w);
  image.height = png_uint_32(p.h);
  image.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&image, path.c_str(), 0, p.px.data(), 0, nullptr))
    throw std::runtime_error("cannot write " + path.string() + ": " + image.message);
}

// INI text scrambled line by line; CR LF between lines stay as they are.
std::vector<uint8_t> EncodeSettings(const std::vector<std::string>& lines) {
  std::vector<uint8_t> out;
  for (const std::string& line : lines) {
    const std::string stored = app::DecodeSettingsLine(line);
    out.insert(out.end(), stored.begin(), stored.end());
    out.insert(out.end(), {'\r', '\n'});
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <folder> <version> <readme-url>\n", argv[0]);
    return 2;
  }
  try {
    const fs::path dir = argv[1];
    const std::string version = argv[2], readme = argv[3];
    const std::string resFolder = "Blue";
    WriteFile(dir / app::kSettingsFileName,
              EncodeSettings({"[SYSTEM]", "Name=Lanternslide", "Version=" + version,
                              "Copyright=The Lanternslide developers", "Skin=1",
                              "ResFolder=" + resFolder, "HelpContectLink=" + readme,
                              "HelpHowTosTutorialVideosLink=" + readme, "HelpHomePageLink=" + readme,
                              "HelpMoreFreeToolsLink=" + readme, "HelpCheckForUpdatesLink=" + readme,
                              "HelpSupportLink=" + readme}));
    std::vector<Picture> icons{DrawIcon(16), DrawIcon(32), DrawIcon(48)};
    WriteFile(dir / "icon.ico", EncodeIco(icons));
    Picture png = DrawIcon(64);
    WritePng(dir / "lanternslide.png", png);
    Picture skin = DrawSkin();
    WriteFile(dir / "sounds" / resFolder / "main.bmp", EncodeBmp(skin));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "app-assets: %s\n", e.what());
    return 1;
  }
  return 0;
}
