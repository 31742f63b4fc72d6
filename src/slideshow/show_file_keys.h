// The keys of the show file, one row each: how a value is read into the
// show, what a refused value should have been, and how it is written back.
// Adding a key to the format is adding a row here.
#pragma once

#include "slideshow/toml_library.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "slideshow/show.h"

namespace slideshow::showfile {

template <class Target>
struct KeyRow {
  const char* name;
  // Message text: "<key> must be <expected>".
  const char* expected;
  // Reads the value, or returns false; detail, when set, says more
  // precisely than expected what was wrong.
  bool (*read)(const toml::node& value, Target& target, const std::filesystem::path& folder,
               std::string& detail);
  // The TOML text of the value, or nothing to leave the key out.
  std::optional<std::string> (*write)(const Target& target, const std::filesystem::path& folder);
};

// Thrown by a row's read for a fault inside its value (an item of a list,
// a key of an inline table), so the message points there.
struct RefusedAt {
  const toml::node* at;
  std::string text;  // "<what> must be <expected>" without the key's name
};

std::span<const KeyRow<ShowSettings>> ShowKeys();
std::span<const KeyRow<Slide>> SlideKeys();

// A TOML basic string holding text.
std::string QuotedToml(std::string_view text);
// A path as the file keeps it: relative to folder when it lies inside it.
std::string PathForFile(const std::string& path, const std::filesystem::path& folder);

}  // namespace slideshow::showfile
