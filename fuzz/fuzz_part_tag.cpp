// A split show's part tag, read from a file's comment that may come from
// any machine: no fault, and whatever is taken as a tag is written back as
// a text that reads as the same tag, so the join judges what it parsed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/segments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<cli::PartTag> tag = cli::ParsePartTag(text);
  if (!tag) return 0;
  if (cli::ParsePartTag(cli::PartTagText(*tag)) != tag) __builtin_trap();
  return 0;
}
