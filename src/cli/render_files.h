// Checks of the files a run names, made before anything is loaded or
// written, and the name the video is written under until it is complete.
#pragma once

#include <string>

#include "cli/render_options.h"

namespace cli {

// Throws UsageError for a picture or sound file that cannot be read, an
// output whose folder is missing or not writable, or an output that would
// overwrite one of the inputs.
void CheckFiles(const RenderOptions& options);
// The same for the pictures and the sound file only.
void CheckInputFiles(const RenderOptions& options);

// A hidden file beside the output with the same extension (the container
// follows the extension): the video only takes the output's name when the
// run has written something, so a failed start leaves no file and never
// destroys an older video of that name.
// `kind` tells the working files of one run apart.
std::string WorkingFileName(const std::string& output, long processId, const std::string& kind = "partial");

}  // namespace cli
