// Our own input formats. libavformat 59 no longer lets a program register an
// input format, so formats such as "frameinput" live here: the engine looks a
// forced format name up in this registry first, builds the demuxer context
// itself and drives the format's read routines.
#pragma once

#include <string_view>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace media {

struct TInputFormat {
  const char* name;
  const char* long_name;
  int flags;                  // AVFMT_NOFILE: nothing is opened for the file name
  const AVClass* priv_class;  // the private options; the first field of the private data
  int priv_data_size;         // bytes of zero-filled private data per open input
  int (*read_header)(AVFormatContext* s);
  int (*read_packet)(AVFormatContext* s, AVPacket* pkt);
  int (*read_close)(AVFormatContext* s);
};

// False (and nothing changes) when a format of that name is registered already.
bool RegisterInputFormat(const TInputFormat* format);
const TInputFormat* FindInputFormat(std::string_view name);
std::vector<const TInputFormat*> RegisteredInputFormats();

}  // namespace media
