// The join of a split show: the parts' video packets copied one after the
// other, each shifted to where its part starts in the show, and the show's
// sound (encoded once over its whole length) beside them. Nothing is
// encoded again, so the join takes seconds.
#pragma once

#include <string>
#include <vector>

#include "cli/segments.h"

namespace cli {

struct PartFile {
  std::string Path;
  PartTag Tag;
};

// Reads the parts' tags and streams, and puts them in show order. Throws
// UsageError naming the file when one does not belong to this show (its
// fingerprint and frame count), is missing, doubled, not a part, was
// encoded differently from the others or holds less video than its frames.
std::vector<PartFile> CheckParts(const std::vector<std::string>& files, const std::string& show,
                                 int64_t showFrames, const std::string& rate);

// Writes target (a new file) from the parts' video and, when `sound` is not
// empty, that file's audio. Returns an empty text or what went wrong; the
// caller removes an unfinished target.
std::string JoinParts(const std::vector<PartFile>& parts, const std::string& rate,
                      const std::string& sound, const std::string& target, bool fastStart);

}  // namespace cli
