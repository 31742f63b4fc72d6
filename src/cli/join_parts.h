// The join of a split show: the parts' video packets copied one after the
// other, each shifted to where its part starts in the show, and the show's
// sound (encoded once over its whole length) beside them. Nothing is
// encoded again, so the join takes seconds.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/segments.h"

namespace cli {

struct PartFile {
  std::string Path;
  PartTag Tag;
};

// The files of a split show: its video parts in show order and, when one
// was made, its sound part.
struct SplitFiles {
  std::vector<PartFile> Video;
  std::optional<PartFile> Sound;
};

// Reads the parts' tags and streams, and puts them in show order. Throws
// UsageError naming the file when one is not a part or belongs to another
// show than the others, is missing, doubled, was encoded differently from
// the others or holds less video than its frames.
SplitFiles CheckParts(const std::vector<std::string>& files, const std::string& rate);
// Throws UsageError when the parts are of another show than this one (its
// fingerprint and frame count).
void CheckShow(const SplitFiles& split, const std::string& show, int64_t showFrames);

// Writes target (a new file) from the parts' video and, when `sound` is not
// empty, that file's audio. Returns an empty text or what went wrong; the
// caller removes an unfinished target.
std::string JoinParts(const std::vector<PartFile>& parts, const std::string& rate,
                      const std::string& sound, const std::string& target, bool fastStart);

}  // namespace cli
