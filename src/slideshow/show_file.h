// The show file: a show in TOML. Show-wide values in [show], one [[slide]]
// table per picture; a value left out falls back to the show-wide one, or
// to the default. Paths are relative to the file's folder. The format is
// described in docs/show-file.md.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "slideshow/show.h"

namespace slideshow {

// A show file that cannot be taken; the text names the file, the place, the
// key and what was expected, on one line.
class ShowFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Files larger than this are refused before they are parsed.
constexpr size_t kMaxShowFileBytes = 16u << 20;

// Reads a show from the text of a file; name is used in messages, relative
// paths are taken from folder. Looks at no file.
Show ParseShowText(std::string_view text, const std::string& name,
                   const std::filesystem::path& folder);

// Reads and checks a show file, then checks that every picture and sound
// file it names is there, naming all that are not in one message.
Show ReadShowFile(const std::string& path);

// The text of a show file in folder: every show-wide value, and each slide's
// own values. Paths inside folder are written relative to it.
std::string ShowFileText(const Show& show, const std::filesystem::path& folder);

// Writes ShowFileText to path through a temporary file, so an old file of
// that name stays whole when writing fails. Throws ShowFileError.
void WriteShowFile(const Show& show, const std::string& path);

}  // namespace slideshow
