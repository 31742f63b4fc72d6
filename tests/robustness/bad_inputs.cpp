#include "bad_inputs.h"

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "gfx/bmp_writer.h"
#include "gfx/jpeg_writer.h"
#include "gfx/png_writer.h"
#include "slideshow/test_pictures.h"

namespace robust {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

void Write(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes Prefix(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + long(std::min(n, b.size()))); }

Bytes RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  Bytes b(n);
  for (uint8_t& v : b) v = uint8_t(gen());
  return b;
}

// RGB rows top first: soft diagonal bands, different per seed.
Bytes Pattern(int w, int h, int seed) {
  Bytes rgb(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
      p[0] = uint8_t((x + y) * 255 / (w + h) + 40 * seed);
      p[1] = uint8_t(y * 255 / h);
      p[2] = uint8_t(x * 255 / w + 90 * seed);
    }
  return rgb;
}

Bytes Png(int w, int h) {
  pngtest::Png p(w, h, 8, PNG_COLOR_TYPE_RGB);
  const Bytes rgb = Pattern(w, h, 2);
  for (int y = 0; y < h; ++y)
    p.rows.emplace_back(rgb.begin() + long(y) * w * 3, rgb.begin() + long(y + 1) * w * 3);
  return pngtest::Encode(p);
}

void PutBig32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (24 - 8 * i));
}

// The IHDR of a PNG rewritten to claim w x h, with its checksum mended so
// only the size is wrong.
Bytes PngClaiming(Bytes png, uint32_t w, uint32_t h) {
  PutBig32(png, 16, w);
  PutBig32(png, 20, h);
  PutBig32(png, 29, uint32_t(crc32(0, png.data() + 12, 17)));
  return png;
}

// The first frame header of a JPEG rewritten to claim w x h.
Bytes JpegClaiming(Bytes jpeg, uint16_t w, uint16_t h) {
  for (size_t i = 2; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = uint8_t(h >> 8), jpeg[i + 6] = uint8_t(h);
      jpeg[i + 7] = uint8_t(w >> 8), jpeg[i + 8] = uint8_t(w);
      break;
    }
  return jpeg;
}

// Palette index of a pixel of the old BMPs: horizontal bands.
uint32_t Band(int y, int colours) { return uint32_t(y / 6 % colours); }

// Runs of one index per row, as BI_RLE8 (bits 8) or BI_RLE4 (bits 4) store them.
Bytes RleRows(int w, int h, int bits, int colours) {
  Bytes out;
  for (int y = h - 1; y >= 0; --y) {  // bottom row first
    const uint32_t v = Band(y, colours);
    const uint8_t value = bits == 8 ? uint8_t(v) : uint8_t(v << 4 | v);
    for (int left = w; left > 0; left -= 255) out.insert(out.end(), {uint8_t(std::min(left, 255)), value});
    out.insert(out.end(), {0, 0});  // end of line
  }
  out.insert(out.end(), {0, 1});  // end of bitmap
  return out;
}

std::vector<uint32_t> Greys(int n) {
  std::vector<uint32_t> palette;
  for (int i = 0; i < n; ++i) palette.push_back(uint32_t(i * 255 / (n - 1)) * 0x010101u);
  return palette;
}

void WriteOldBmps(const fs::path& dir) {
  constexpr int w = 64, h = 48;
  auto rows = [&](auto f) {
    std::vector<std::vector<uint32_t>> r(h, std::vector<uint32_t>(w));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) r[y][x] = f(x, y);
    return r;
  };
  bmptest::Bmp b;
  b.width = w, b.height = h;

  b.bits = 1, b.palette = {0x000000, 0xFFFFFF};
  b.pixels = bmptest::Rows(1, rows([](int x, int y) { return uint32_t((x / 8 + y / 8) % 2); }));
  Write(dir / "bits1.bmp", bmptest::Build(b));

  b.bits = 4, b.compression = 2, b.palette = Greys(16);
  b.pixels = RleRows(w, h, 4, 16);
  Write(dir / "rle4.bmp", bmptest::Build(b));

  b.bits = 8, b.compression = 1, b.palette = Greys(256);
  b.pixels = RleRows(w, h, 8, 256);
  Write(dir / "rle8.bmp", bmptest::Build(b));

  b.bits = 24, b.compression = 0, b.palette.clear(), b.height = -h;
  b.pixels = bmptest::Rows(24, rows([](int x, int y) { return uint32_t(x * 4 << 16 | y * 5); }), true);
  Write(dir / "top-down.bmp", bmptest::Build(b));

  bmptest::Bmp os2;
  os2.header_size = 12, os2.width = w, os2.height = h, os2.bits = 8, os2.palette = Greys(256);
  os2.pixels = bmptest::Rows(8, rows([](int x, int y) { return uint32_t(x * 4); }));
  Write(dir / "os2.bmp", bmptest::Build(os2));

  bmptest::Bmp rgb555;
  rgb555.width = w, rgb555.height = h, rgb555.bits = 16;
  rgb555.pixels = bmptest::Rows(16, rows([](int x, int y) { return uint32_t(x / 2 << 10 | y / 2); }));
  Write(dir / "rgb555.bmp", bmptest::Build(rgb555));
}

}  // namespace

void WritePictures(const fs::path& dir) {
  testpics::WriteBmp24(dir / "good1.bmp", 160, 120, [](int x, int y) {
    return uint32_t((x * 255 / 160) << 16 | (y * 255 / 120) << 8 | 0x30);
  });
  e2e::WriteJpeg(dir / "good2.jpg", 200, 150);
  const Bytes png = Png(160, 120);
  Write(dir / "good3.png", png);

  const Bytes jpeg = Read(dir / "good2.jpg"), bmp = Read(dir / "good1.bmp");
  for (const char* name : {"zero.jpg", "zero.bmp", "zero.png"}) Write(dir / name, {});
  // Inside the headers, after them, halfway and just short of the end.
  Write(dir / "cut-20.jpg", Prefix(jpeg, 20));
  Write(dir / "cut-half.jpg", Prefix(jpeg, jpeg.size() / 2));
  Write(dir / "cut-end.jpg", Prefix(jpeg, jpeg.size() - 2));
  Write(dir / "cut-10.bmp", Prefix(bmp, 10));
  Write(dir / "cut-40.bmp", Prefix(bmp, 40));
  Write(dir / "cut-half.bmp", Prefix(bmp, bmp.size() / 2));
  Write(dir / "cut-8.png", Prefix(png, 8));
  Write(dir / "cut-33.png", Prefix(png, 33));
  Write(dir / "cut-half.png", Prefix(png, png.size() / 2));
  Write(dir / "random.jpg", RandomBytes(5000, 1));
  Write(dir / "random.bmp", RandomBytes(5000, 2));
  Write(dir / "random.png", RandomBytes(5000, 3));
  Write(dir / "png-named.jpg", png);
  Write(dir / "Ferien Ü 2.jpg", jpeg);
  fs::create_directories(dir / "folder.jpg");
  Write(dir / "jpeg-named.bmp", jpeg);

  bmptest::Bmp huge;
  huge.width = huge.height = 100000;
  huge.pixels = RandomBytes(4000, 4);
  Write(dir / "claims-huge.bmp", bmptest::Build(huge));
  Write(dir / "claims-huge.jpg", JpegClaiming(jpeg, 60000, 60000));
  Write(dir / "claims-huge.png", PngClaiming(png, 100000, 100000));
  // A real 24-megapixel photo's size.
  Write(dir / "large.jpg", jpegtest::Compress(Pattern(6000, 4000, 1), 6000, 4000, TJPF_RGB,
                                              TJSAMP_420, 0, 80));
  WriteOldBmps(dir);
}

void WriteSounds(const fs::path& dir) {
  e2e::WriteWav(dir / "tone.wav", 2.0);
  e2e::WriteMp3(dir / "tone.mp3", 2.0);
  e2e::WriteMp3WithCover(dir, dir / "cover.mp3", 600);
  const Bytes mp3 = Read(dir / "tone.mp3"), wav = Read(dir / "tone.wav");
  Write(dir / "zero.mp3", {});
  Write(dir / "cut.mp3", Prefix(mp3, mp3.size() / 2 + 1));
  Write(dir / "cut.wav", Prefix(wav, wav.size() / 4 + 1));  // odd: ends inside a sample
  Write(dir / "random.mp3", RandomBytes(20000, 5));
  const std::string text = "Not a sound at all, just some words in a file.\n";
  Write(dir / "text.mp3", Bytes(text.begin(), text.end()));
  Write(dir / "picture.mp3", Read(dir / "good2.jpg"));
  Write(dir / "Ton ä.mp3", mp3);
}

void WriteShowFiles(const fs::path& dir) {
  auto text = [&](const std::string& name, const std::string& body) {
    Write(dir / name, Bytes(body.begin(), body.end()));
  };
  text("good.toml",
       "[show]\nhold = 0.4\n[[slide]]\npicture = \"good1.bmp\"\nhold = 0.8\neffect = \"none\"\n"
       "[[slide]]\npicture = \"good2.jpg\"\ntransition = 0.5\neffect = 12\n"
       "[[slide]]\npicture = \"good3.png\"\n");
  text("not-toml.toml", "[show\nhold = 2\n");
  text("fast.toml",
       "[[slide]]\npicture = \"good1.bmp\"\n[[slide]]\npicture = \"good2.jpg\"\nhold = \"fast\"\n");
  text("typo.toml", "[show]\ntransiton = 1\n[[slide]]\npicture = \"good1.bmp\"\n");
  text("missing-pictures.toml",
       "[[slide]]\npicture = \"gone1.jpg\"\n[[slide]]\npicture = \"good1.bmp\"\n"
       "[[slide]]\npicture = \"gone2.png\"\n[[slide]]\npicture = \"sub/gone3.bmp\"\n");
  text("no-slides.toml", "[show]\nhold = 2\n");
  text("zero.toml", "");
  Write(dir / "random.toml", RandomBytes(3000, 6));
  text("broken-picture.toml",
       "[[slide]]\npicture = \"good1.bmp\"\n[[slide]]\npicture = \"cut-10.bmp\"\n");
}

}  // namespace robust
