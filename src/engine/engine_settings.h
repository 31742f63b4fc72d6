// Settings that options write for the whole task; unlike FileOptions they
// are never reset between files.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

struct EngineSettings {
  int32_t overwrite = 0;                  // "y"
  int32_t no_overwrite = 0;               // "n"
  int32_t dump_packets = 0;               // "dump"
  int32_t dump_hex = 0;                   // "hex"
  int32_t loop_input = 0;                 // "loop_input"
  int32_t loop_output = -1;               // "loop_output"; -1 = not given
  int32_t audio_sync_method = 0;          // "async"
  float audio_drift_threshold = 0.1f;     // "adrift_threshold", seconds
  int32_t copy_ts = 0;                    // "copyts"
  int32_t copy_tb = -1;                   // "copytb"; -1 = automatic
  int32_t shortest = 0;                   // "shortest"
  float dts_delta_threshold = 10.0f;      // "dts_delta_threshold", seconds
  int32_t exit_on_error = 0;              // "xerror"
  int32_t print_stats = 1;                // "stats"
  int32_t bits_per_raw_sample = 0;        // "bits_per_raw_sample"
  int32_t intra_only = 0;                 // "intra"
  int32_t video_discard = 0;              // "vdt"
  int32_t same_quant = 0;                 // "sameq", "same_quant"
  int32_t do_deinterlace = 0;             // "deinterlace"
  int32_t do_psnr = 0;                    // "psnr"
  int32_t intra_dc_precision = 8;         // "dc"
  int32_t qp_hist = 0;                    // "qphist"
  int32_t audio_volume = 256;             // "vol"; 256 = unchanged
  int32_t input_sync = 0;                 // "isync"
  int32_t do_pass = 0;                    // "pass": 0, 1 or 2
  int32_t video_sync_method = -1;         // "vsync"; -1 = automatic
  bool plain_colour = true;               // libyuv where the graph only converts; no option
  bool held_once = false;                 // encode a repeated picture once (held_frames.h)

  // Forced decoders for inputs opened later ("vcodec", "acodec", "scodec").
  std::string video_codec_name;
  std::string audio_codec_name;
  std::string subtitle_codec_name;
  std::string pass_log_filename;          // "passlogfile"
  std::string vstats_filename;            // "vstats", "vstats_file"
};

}  // namespace engine
