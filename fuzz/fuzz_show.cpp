// The show file reader on arbitrary text: it either reads a show that
// writes back to a text reading the same show, or refuses with one line
// that names the file. Any other exception is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "picture_check.h"
#include "slideshow/show_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  slideshow::Show show;
  try {
    show = slideshow::ParseShowText(text, "fuzz.toml", "/show");
  } catch (const slideshow::ShowFileError& e) {
    const std::string_view message = e.what();
    if (!message.starts_with("fuzz.toml")) fuzz::Fail("a refusal that does not name the file");
    if (message.find('\n') != std::string_view::npos) fuzz::Fail("a refusal of several lines");
    return 0;
  }
  if (show.Slides.empty()) fuzz::Fail("a show without slides was read");
  const std::string written = slideshow::ShowFileText(show, "/show");
  try {
    if (!(slideshow::ParseShowText(written, "again.toml", "/show") == show))
      fuzz::Fail("the written show reads back differently");
  } catch (const slideshow::ShowFileError&) {
    fuzz::Fail("the written show is refused");
  }
  return 0;
}
