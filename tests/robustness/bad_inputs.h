// The files of the bad-input table, written into one folder under fixed
// names: good pictures and sounds, and broken, hostile and odd ones made
// from them.
#pragma once

#include <filesystem>

namespace robust {

// Good pictures: good1.bmp, good2.jpg, good3.png.
// Broken: zero.{jpg,bmp,png}; cut-*.{jpg,bmp,png}; random.{jpg,bmp,png};
// png-named.jpg, jpeg-named.bmp; claims-huge.{bmp,jpg,png}; large.jpg;
// "Ferien Ü 2.jpg" (a good JPEG); folder.jpg (a folder).
// Old BMPs: bits1.bmp, rle4.bmp, rle8.bmp, top-down.bmp, os2.bmp, rgb555.bmp.
void WritePictures(const std::filesystem::path& dir);

// Good sounds: tone.wav, tone.mp3, cover.mp3 (with an attached picture).
// Broken: zero.mp3, cut.mp3, cut.wav, random.mp3, text.mp3, picture.mp3.
// "Ton ä.mp3" (a good MP3). Needs the pictures written first.
void WriteSounds(const std::filesystem::path& dir);

// Show files: good.toml (per-slide times, a cut, a fixed effect), and
// refused ones: not-toml, fast (a hold of "fast"), typo (an unknown key),
// missing-pictures (three), no-slides, zero, random; broken-picture.toml
// names cut-10.bmp. Needs the pictures written first.
void WriteShowFiles(const std::filesystem::path& dir);

}  // namespace robust
