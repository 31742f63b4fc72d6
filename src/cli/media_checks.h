// What the renderer asks of the media libraries before a run: loading them,
// and the checks of the sound file and output name that need them.
#pragma once

#include <string>

#include "cli/output_choice.h"

namespace cli {

// Binds the libraries (from the "lib" folder beside the program when there
// is one, else the system's) and registers the frame source. Returns an
// empty text, or the loader's message.
std::string LoadMediaLibraries();

// Throws UsageError when the file has no audio stream or is not media the
// libraries can read. Returns the sound's duration in seconds (0 unknown).
double CheckSoundFile(const std::string& path, const std::string& option = "--audio");

// Encoders of the loaded libraries, and the hardware devices that open.
EncoderProbe MachineEncoderProbe();

// Throws UsageError when no container matches the output's extension.
void CheckOutputFormat(const std::string& path);

}  // namespace cli
