// A short account of a written video, read back with the media libraries:
// what the user gets to see at the end of a run.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

// One line per stream ("video: h264 1280x960, 30/1 fps, 932 frames,
// 31.07 s"), or a line saying why the file cannot be read.
std::string DescribeStreams(const std::string& path);

// Video frames (packets) in the file; -1 when it cannot be read, as an MP4
// whose run broke off before its index was written.
int64_t CountVideoFrames(const std::string& path);

}  // namespace cli
