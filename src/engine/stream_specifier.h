// Stream specifiers: the text after the first ":" of a per-stream option
// name, saying which streams of a file the value is for.
//   ""        every stream
//   N         the stream with index N
//   v a s d t every video/audio/subtitle/data/attachment stream
//   v:N ...   only the N-th stream of that type, counted from 0
//   p:P       the streams of program P;  p:P:N  its N-th stream
#pragma once

#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine {

// 1 when the stream matches, 0 when not, AVERROR(EINVAL) for a malformed
// specifier (then *message says which).
int CheckStreamSpecifier(const AVFormatContext* s, const AVStream* st, const char* spec,
                         std::string* message);

}  // namespace engine
