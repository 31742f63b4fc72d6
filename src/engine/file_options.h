// The options given for the next input or output file. Opening that file
// consumes the record and resets it.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/avutil.h>
}

namespace engine {

// One occurrence of a per-stream option: what followed the first ":" of the
// option name ("" when nothing did) and the value.
template <class T>
struct StreamSpecValue {
  std::string specifier;
  T value{};
  bool operator==(const StreamSpecValue&) const = default;
};

// Every occurrence is kept in order; the last element whose specifier
// matches a stream wins when the file is opened.
template <class T>
using SpecList = std::vector<StreamSpecValue<T>>;

// "-map [-]file[:spec][,syncfile[:syncspec]]", expanded to single streams.
struct StreamMap {
  int32_t disabled = 0;
  int32_t file_index = 0;
  int32_t stream_index = 0;
  int32_t sync_file_index = 0;
  int32_t sync_stream_index = 0;
};

// "-map_channel [file.stream.channel|-1][:outfile.outstream]".
struct AudioChannelMap {
  int32_t file_index = 0;      // -1 mutes the channel
  int32_t stream_index = 0;
  int32_t channel_index = 0;
  int32_t out_file_index = -1;  // -1 = every output file
  int32_t out_stream_index = -1;
};

struct FileOptions {
  int64_t start_time = 0;                         // "ss", µs
  std::string format;                             // "f"
  SpecList<std::string> codec_names;              // "c", "codec"
  SpecList<int32_t> audio_channels;               // "ac"
  SpecList<int32_t> audio_sample_rate;            // "ar"
  SpecList<float> rematrix_volume;                // "rmvol"
  SpecList<std::string> frame_rates;              // "r"
  SpecList<std::string> frame_sizes;              // "s"
  SpecList<std::string> frame_pix_fmts;           // "pix_fmt"
  int64_t input_ts_offset = 0;                    // "itsoffset", µs
  int32_t rate_emu = 0;                           // "re"
  SpecList<double> ts_scale;                      // "itsscale"
  SpecList<std::string> dump_attachment;          // "dump_attachment"
  std::vector<StreamMap> stream_maps;             // "map"
  std::vector<AudioChannelMap> audio_channel_maps;  // "map_channel"
  int32_t metadata_global_manual = 0;             // set by "map_metadata"
  int32_t metadata_streams_manual = 0;
  int32_t metadata_chapters_manual = 0;
  std::vector<std::string> attachments;           // "attach"
  int32_t chapters_input_file = std::numeric_limits<int32_t>::max();  // "map_chapters"; max = automatic
  int64_t recording_time = std::numeric_limits<int64_t>::max();       // "t", µs; max = unlimited
  int64_t limit_filesize = std::numeric_limits<int64_t>::max();       // "fs", bytes
  float mux_preload = 0.0f;                       // "muxpreload", seconds
  float mux_max_delay = 0.7f;                     // "muxdelay", seconds
  int32_t video_disable = 0;                      // "vn"
  int32_t audio_disable = 0;                      // "an"
  int32_t subtitle_disable = 0;                   // "sn"
  int32_t data_disable = 0;                       // "dn"
  std::vector<int32_t> streamid_map;              // "streamid": output index -> id
  SpecList<std::string> metadata;                 // "metadata"
  SpecList<int64_t> max_frames;                   // "frames"
  SpecList<std::string> bitstream_filters;        // "bsf"
  SpecList<std::string> codec_tags;               // "tag"
  SpecList<std::string> sample_fmts;              // "sample_fmt"
  SpecList<double> qscale;                        // "q"
  SpecList<std::string> forced_key_frames;        // "force_key_frames"
  SpecList<int32_t> force_fps;                    // "force_fps"
  SpecList<std::string> frame_aspect_ratios;      // "aspect"
  SpecList<std::string> rc_overrides;             // "rc_override"
  SpecList<std::string> intra_matrices;           // "intra_matrix"
  SpecList<std::string> inter_matrices;           // "inter_matrix"
  SpecList<int32_t> top_field_first;              // "top"
  SpecList<std::string> metadata_map;             // "map_metadata"
  SpecList<int32_t> copy_initial_nonkeyframes;    // "copyinkf"
  SpecList<std::string> filters;                  // "filter"

  // Back to the defaults. After an input was opened the recording time
  // given so far stays in force for the next file.
  void Reset(bool keep_recording_time) {
    const int64_t recording = recording_time;
    *this = FileOptions{};
    if (keep_recording_time) recording_time = recording;
  }

  // Streams of this kind are left out of the output ("vn", "an", "sn", "dn").
  bool Disabled(AVMediaType type) const {
    switch (type) {
      case AVMEDIA_TYPE_VIDEO: return video_disable;
      case AVMEDIA_TYPE_AUDIO: return audio_disable;
      case AVMEDIA_TYPE_SUBTITLE: return subtitle_disable;
      case AVMEDIA_TYPE_DATA: return data_disable;
      default: return false;
    }
  }
};

}  // namespace engine
