// Opening and reading an input of one of our own formats (see
// input_format_registry.h). libavformat cannot run these formats, so the
// demuxer context is built here the way avformat_open_input would build it:
// url, the generic and the private options, then the format's read_header.
// The result is an ordinary AVFormatContext (decoders, av_dump_format and
// avformat_find_stream_info may use it) whose iformat carries the format's
// name, long name, flags and private class.
//
// Packets must come from ReadOwnPacket, never av_read_frame; the context
// must be closed with CloseOwnInput, never avformat_close_input.
#pragma once

#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

#include "media/frame_source/input_format_registry.h"

namespace media {

// In the flags of a packet of our own formats: the packet's picture is the
// same as the previous packet's of its stream. Only a hint that lets a
// reader skip work; the packet holds the whole picture all the same.
constexpr int kPacketRepeatsPicture = 1 << 24;

// Applies *formatOptions to the context's and the format's private options;
// entries nobody knows stay in the dictionary (also on failure) so the caller
// can report them. Returns 0 and the context in *out, or a negative error
// with *out null and everything released.
// Throws std::runtime_error with the text of a failure the format left with
// SetOwnInputFailure (an event handler that threw), after releasing.
int OpenOwnInput(const TInputFormat* format, const char* url, AVDictionary** formatOptions,
                 AVFormatContext** out);

// Like av_read_frame: 0 and a packet, or a negative error (end of input
// included). Throws std::runtime_error like OpenOwnInput, the packet empty.
int ReadOwnPacket(AVFormatContext* s, AVPacket* pkt);

// Calls the format's read_close and frees everything; *s becomes null.
void CloseOwnInput(AVFormatContext** s);

// For format routines: the failure behind the error they are about to
// return, for the reader to raise. Only for contexts from OpenOwnInput.
void SetOwnInputFailure(AVFormatContext* s, std::string text);

}  // namespace media
