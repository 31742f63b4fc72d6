// What the engine knows about its input and output files and streams while
// a task is set up and converted. Records are appended and never removed
// until the engine is cleaned up, so indices stay valid.
#pragma once

#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/audio/audio_path.h"
#include "engine/bgra_to_yuv.h"
#include "engine/held_frames.h"
#include "engine/library_owners.h"
#include "engine/video/video_filters.h"
#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_owners.h"

namespace engine {

constexpr int64_t kNoTime = AV_NOPTS_VALUE;

struct InputFile {
  media::InputContextPtr ctx;
  bool own = false;                // opened through our own format registry
  int ist_index = 0;               // first stream in the input-stream array
  int nb_streams = 0;
  bool rate_emu = false;           // "re"
  int64_t ts_offset = 0;           // µs
  bool eof_reached = false;
  bool no_packet = false;          // answered try-again since the last packet
};

struct InputStream {
  int file_index = 0;
  AVStream* st = nullptr;
  bool discard = true;             // no output stream uses it
  bool decoding_needed = false;
  const AVCodec* dec = nullptr;
  CodecContextPtr dec_ctx;
  media::DictOwner opts;           // decoder options
  double ts_scale = 1.0;           // "itsscale"
  int64_t start = 0;               // wall clock at start, for "re"
  int64_t next_dts = kNoTime;      // µs
  int64_t pts = 0;                 // µs, current presentation time
  int64_t dts = 0;
  bool is_start = true;
  FramePtr frame;                  // decoded frame
  int64_t frames_decoded = 0;      // pictures, for the input hooks
  bool multiple_frames_warned = false;
  bool flushed = false;            // drained when its input ended in join mode

  InputStream() = default;
  InputStream(InputStream&&) = delete;
};

struct OutputFile {
  // Shared only in join mode, where every input's group has a record of its
  // own for the one muxer; the first record writes and closes it.
  std::shared_ptr<AVFormatContext> ctx;
  std::string name;
  int ost_index = 0;
  int64_t recording_time = std::numeric_limits<int64_t>::max();  // µs, "t"
  int64_t start_time = 0;                                        // µs, "ss"
  int64_t limit_filesize = std::numeric_limits<int64_t>::max();  // "fs"
  media::DictOwner opts;           // format options at opening
  bool header_written = false;
  bool trailer_attempted = false;  // a second av_write_trailer is not allowed
  bool trailer_written = false;
  bool write_failed = false;       // the muxer refused a packet
  bool remove_file = false;        // holds no packet: removed at clean-up

  OutputFile() = default;
  OutputFile(OutputFile&&) = delete;
};

// In join mode the records come in groups, one per input; the encoder side
// (encoder, sample FIFO and frames, bitstream filters, pass log, forced key
// frames) is owned by the record of the group being read and handed on to
// the next group when its input ends.
struct OutputStream {
  int file_index = 0;
  int index = 0;                   // within its file
  int source_index = -1;           // input stream, or -1
  AVStream* st = nullptr;
  const AVCodec* enc = nullptr;
  CodecContextPtr enc_ctx;
  bool stream_copy = false;
  bool encoding_needed = false;
  AVRational frame_rate{0, 0};
  float frame_aspect_ratio = 0.0f;
  int64_t max_frames = std::numeric_limits<int64_t>::max();
  std::vector<BsfPtr> bsfs;
  media::DictOwner opts;           // encoder options
  int64_t sws_flags = SWS_BICUBIC;
  int force_fps = 0;
  int top_field_first = -1;
  std::string filter_text;         // "filter"
  std::vector<int64_t> forced_kf_pts;
  std::unique_ptr<std::FILE, FileClose> pass_log;  // first-pass statistics

  // Video: the filters to the encoder's pictures (see video/video_filters.h).
  VideoFilters filters;
  // Leaves repeated pictures out where the container allows; null otherwise.
  std::unique_ptr<HeldFrames> held;

  // Audio: the way of the sound to an encoder (see audio/audio_path.h);
  // set for every audio stream, used only when it is encoded.
  std::unique_ptr<AudioPath> audio;

  int64_t sync_opts = 0;           // next output frame number / sample
  int64_t frame_number = 0;
  bool past_recording_time = false;
  bool flushed = false;
  bool encoder_opened = false;
  bool encoder_failed = false;     // not to be fed again, not even to flush
  int64_t packets_written = 0;     // handed to the muxer
  int64_t last_quality = -1;

  OutputStream() = default;
  OutputStream(OutputStream&&) = delete;

  // Seconds of output the stream has produced, sound still queued for its
  // encoder included; 0 before it has an encoder context.
  double QueuedSeconds() const;
};

}  // namespace engine
