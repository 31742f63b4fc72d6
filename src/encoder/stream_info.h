// The stream-information text of an opened input: container, metadata,
// chapters, programs and one line per stream, in the manner of the media
// libraries' own format dump, plus the number formats it is made of.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

namespace encoder {

constexpr AVRational kMicroseconds{1, 1000000};

// "HH:MM:SS.mmm"; "N/A" for AV_NOPTS_VALUE. Values in other time bases are
// rescaled to microseconds first.
std::string FormatDuration(int64_t value, AVRational timeBase = kMicroseconds);
// "S.uuuuuu" with the sign kept also between -1 and 0; empty for
// AV_NOPTS_VALUE.
std::string FormatStartTime(int64_t value, AVRational timeBase = kMicroseconds);
// "N Byte", "N.NN KB", "N.NN MB" or "N.NN GB".
std::string FormatFileSize(int64_t bytes);
// ", 29.97 fps", ", 30 fps" or ", 90k tbn".
std::string FormatRate(double value, const char* unit);

// The input's size in bytes: the context's own when positive, else the size
// of the file its name names (-1 when that cannot be read), else the
// context's value as it is.
int64_t InputFileSize(const AVFormatContext* ctx);

// The whole report, one line per line break, ending with one.
std::string StreamInfoText(const AVFormatContext* ctx, int64_t fileSize);

}  // namespace encoder
