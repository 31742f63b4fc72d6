// Our own input formats. libavformat 59 no longer lets a program register an
// input format, so formats such as "frameinput" live here: the engine looks a
// forced format name up in this registry first, builds the demuxer context
// itself and drives the format's read routines.
#pragma once

#include <string_view>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
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

// An own format without options of its own.
inline constexpr AVOption kNoFormatOptions[] = {
    {nullptr, nullptr, 0, AVOptionType(0), {.i64 = 0}, 0, 0, 0, nullptr}};

// The private class of an own format: the names its log lines carry and its
// options (ending in an empty entry).
constexpr AVClass OwnFormatClass(const char* className, const char* (*itemName)(void*),
                                 const AVOption* options = kNoFormatOptions) {
  return AVClass{
      .class_name = className,
      .item_name = itemName,
      .option = options,
      .version = LIBAVUTIL_VERSION_INT,
      .log_level_offset_offset = 0,
      .parent_log_context_offset = 0,
      .category = AV_CLASS_CATEGORY_DEMUXER,
      .get_category = nullptr,
      .query_ranges = nullptr,
      .child_next = nullptr,
      .child_class_iterate = nullptr,
  };
}

// False (and nothing changes) when a format of that name is registered already.
bool RegisterInputFormat(const TInputFormat* format);
const TInputFormat* FindInputFormat(std::string_view name);
std::vector<const TInputFormat*> RegisteredInputFormats();

}  // namespace media
