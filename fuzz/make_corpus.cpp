// Writes the seed corpora: a handful of tiny, valid inputs per target, so
// every fuzz run starts past the first checks. Usage: make_corpus <folder>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "gfx/bmp_writer.h"
#include "gfx/jpeg_writer.h"
#include "gfx/heif_webp_writer.h"
#include "gfx/png_writer.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

void Write(const fs::path& dir, const std::string& name, const Bytes& bytes) {
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void Write(const fs::path& dir, const std::string& name, const std::string& text) {
  Write(dir, name, Bytes(text.begin(), text.end()));
}

Bytes MakeBmp(uint16_t bits, uint32_t compression, uint32_t header = 40) {
  using namespace bmptest;
  bmptest::Bmp b;
  b.header_size = header;
  b.bits = bits;
  b.compression = compression;
  b.width = 3;
  b.height = 2;
  if (bits <= 8) b.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  if (compression == 1) {
    b.pixels = {3, 1, 0, 0, 2, 2, 1, 3, 0, 1};  // RLE8: runs, end of line, end
  } else if (compression == 3) {
    b.masks = {0xF800, 0x07E0, 0x001F};
    b.pixels = Rows(bits, {{0xF800, 0x07E0, 0x001F}, {0, 0xFFFF, 0x1234}});
  } else {
    b.pixels = Rows(bits, {{1, 2, 3}, {3, 0, 1}});
  }
  return Build(b);
}

// 4 x 4 pixels of three-byte RGB.
Bytes MakeJpeg(int subsamp, int flags) {
  std::vector<uint8_t> rgb(4 * 4 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 37);
  return jpegtest::Compress(rgb, 4, 4, TJPF_RGB, subsamp, flags, 50);
}

Bytes MakePng(int colorType, int depth, bool interlaced) {
  pngtest::Png p(3, 2, depth, colorType, interlaced);
  int channels = 1;
  if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) channels = 2;
  if (colorType == PNG_COLOR_TYPE_RGB) channels = 3;
  if (colorType == PNG_COLOR_TYPE_RGB_ALPHA) channels = 4;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    p.palette = {{0, 0, 0}, {255, 0, 0}};
    p.transparency = {128};
  }
  const size_t rowBytes = (size_t(p.width) * channels * depth + 7) / 8;
  for (int y = 0; y < p.height; ++y) p.rows.push_back(Bytes(rowBytes, uint8_t(0x41 * (y + 1))));
  return pngtest::Encode(p);
}

// The picture target reads its options from the last bytes: exif, reduce,
// frame width and height, extension (see fuzz_picture.cpp).
Bytes WithPictureOptions(Bytes file, uint8_t extension, uint8_t frame) {
  file.insert(file.end(), {extension, 0, frame, 0, frame, 1, 1});
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];

  const Bytes bmps[] = {MakeBmp(24, 0), MakeBmp(1, 0), MakeBmp(4, 0), MakeBmp(8, 1), MakeBmp(16, 3), MakeBmp(32, 0, 124),
                        MakeBmp(8, 0, 12)};
  for (size_t i = 0; i < std::size(bmps); ++i) Write(root / "bmp", "seed" + std::to_string(i), bmps[i]);

  const Bytes jpegs[] = {MakeJpeg(TJSAMP_420, 0), MakeJpeg(TJSAMP_GRAY, 0), MakeJpeg(TJSAMP_444, TJFLAG_PROGRESSIVE),
                         jpegtest::WithExifOrientation(MakeJpeg(TJSAMP_422, 0), 6)};
  for (size_t i = 0; i < std::size(jpegs); ++i) Write(root / "jpeg", "seed" + std::to_string(i), jpegs[i]);

  const Bytes pngs[] = {MakePng(PNG_COLOR_TYPE_RGB, 8, false), MakePng(PNG_COLOR_TYPE_PALETTE, 1, false),
                        MakePng(PNG_COLOR_TYPE_GRAY_ALPHA, 16, true), MakePng(PNG_COLOR_TYPE_RGB_ALPHA, 8, true)};
  for (size_t i = 0; i < std::size(pngs); ++i) Write(root / "png", "seed" + std::to_string(i), pngs[i]);

  // Small, so the fuzzer's mutations reach every box and chunk quickly.
  const auto tiles = [](int x, int y) -> uint32_t { return (x + y) % 3 ? 0x2080C0FF : 0xF0401080; };
  Write(root / "heif", "seed0", heifwebptest::EncodeHeic(16, 8, tiles, 1));
  Write(root / "heif", "seed1", heifwebptest::EncodeHeic(8, 16, tiles, 6));
  Write(root / "webp", "seed0", heifwebptest::EncodeWebP(5, 3, tiles, 1));
  Write(root / "webp", "seed1", heifwebptest::EncodeWebP(3, 5, tiles, 6));

  Write(root / "picture", "seed0", WithPictureOptions(jpegs[3], 0, 2));
  Write(root / "picture", "seed1", WithPictureOptions(bmps[3], 1, 0));
  Write(root / "picture", "seed2", WithPictureOptions(pngs[1], 2, 0));
  Write(root / "picture", "seed3", WithPictureOptions(Bytes{'n', 'o', 't'}, 3, 0));

  Write(root / "option_tokenizer", "seed0", std::string("-i in.avi -vcodec libx264 -y out.mp4"));
  Write(root / "option_tokenizer", "seed1", std::string("-metadata \"title=a \\\"b\\\" c\"\t-f  mp4"));
  Write(root / "option_tokenizer", "seed2", std::string("\\\\\\\" \"\" \"a\"\"b\" \\\\"));

  // Option string, an escaped line end, the preset text, then the flags
  // (fatal, presets, reset after input) taken from the end.
  Write(root / "parse_options", "seed0",
        std::string("-f frameinput -input_type canvas -s 320x240 -r 30/1 -pix_fmt bgra -i 0 "
                    "-vcodec libx264 -b:v 800k -t 5 -y out.mp4\\\nvcodec=libx264\ncrf=23\x01\x01\x00"));
  Write(root / "parse_options", "seed1",
        std::string("-ss 00:00:01.5 -map 0:v:0 -map_metadata -1 -acodec libmp3lame -ar 44100 "
                    "-ac 2 -vn -y a.mp3\\\nb=1M\x00\x01\x01"));
  Write(root / "parse_options", "seed2",
        std::string("-loglevel debug -threads 2 -vf scale=160:120 -aspect 4:3 -an -f avi -\\\n\x00\x00\x00"));

  // Header options picked from the tables of good values, then a few packets.
  Write(root / "frame_input", "seed0", Bytes{0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 3, 1, 0, 1, 1});
  Write(root / "frame_input", "seed1", Bytes{1, 2, 3, 1, 0, 1, 0, 1, 2, 1, 1, 1, 0, 1, 2, 1, 1, 3, 1, 1});
  Write(root / "frame_input", "seed2", Bytes{'x', '0', 'x', 'y', 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0});

  // Two shapes each: origin, kind, points or bounds.
  Write(root / "region", "seed0", Bytes{10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 1, 2, 3, 4, 5, 6, 7, 8,
                                        9, 10, 11, 12, 13, 14, 15, 16, 17, 0, 1, 0, 6, 0, 0, 0, 0});
  Write(root / "region", "seed1", Bytes{200, 100, 20, 10, 1, 1, 1, 1, 0, 0, 0, 0, 2, 0, 0, 0, 0,
                                        3, 0, 0, 0, 0, 2, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0});
  // Settings files as stored: every line complemented, CR LF between lines.
  auto settings = [](std::initializer_list<const char*> lines, const char* lineBreak) {
    std::string text;
    for (const char* line : lines) text += app::DecodeSettingsLine(line) + lineBreak;
    return text;
  };
  Write(root / "settings_file", "seed0",
        settings({"[SYSTEM]", "Version=1.0", "Skin=2", "ResFolder=Blue\\", "ExifOrientation=0"}, "\r\n"));
  Write(root / "settings_file", "seed1", settings({"; note", "[system]", " skin = +7 ", "SmoothFit=1"}, "\n"));
  Write(root / "settings_file", "seed2", settings({"[Other]", "Skin=x", "[SYSTEM]", "Skin=1"}, "\r"));
  // Show files: the smallest, one with every key, one refused.
  Write(root / "show", "seed0", std::string("[[slide]]\npicture = \"a.jpg\"\n"));
  Write(root / "show", "seed1", std::string(R"([show]
size = "1280x720"
rate = "30000/1001"
hold = 1.5
transition = 0.25
effect = "sequential"
seed = 42
scaling = "smooth"
fit = "fit"
sound = ["music/a.mp3", "/abs/b.ogg"]
end = "sound"
exif_orientation = false

[[slide]]
picture = "photos/one.jpg"
hold = 3
effect = "none"

[[slide]]
picture = "../two.png"
transition = 2.0
effect = "Reveal from left"

[[slide]]
picture = "three.bmp"
effect = 42
)"));
  Write(root / "show", "seed2",
        std::string("[show]\nhodl = 2\neffect = \"Dissolve\"\n[[slide]]\npicture = \"x\"\nhold = \"fast\"\n"));
  // The look and the music, show-wide and per slide.
  Write(root / "show", "seed3", std::string(R"([show]
fit = "blur"
background = "#102030"
fill_at = "0.5,0.2"
motion = "auto"
easing = "linear"
caption_font = "DejaVu Serif"
caption_size = 0.08
caption_colour = "#FFFF00"
caption_outline = 0.1
caption_outline_colour = "#000000"
caption_shadow = false
caption_place = "top"
caption_margin = 0.1
caption_fade = 0
sound = ["a.mp3", { file = "b.ogg", fade_in = 1.5, fade_out = 0 }]
fade_in = 0.5
fade_out = 2
crossfade = 1
end_fade = 0
fit_to_music = true
min_hold = 0.25
sync = "beats"
loudness = -16

[[slide]]
picture = "one.jpg"
fit = "fill"
fill_at = "0,1"
motion = "0,0,1,1:0.25,0.25,0.5,0.5"
caption = "Line one\nline \"two\" é"

[[slide]]
picture = "two.jpg"
background = "#FFFFFF"
easing = "smooth"
)"));
  return 0;
}
