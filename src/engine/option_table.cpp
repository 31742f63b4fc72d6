// The option table, in the order options are documented. Rows either store
// into EngineSettings / FileOptions (the kind bits say how the argument is
// read) or call a handler from option_handlers.h.
#include "engine/option_table.h"

#include <type_traits>

#include "engine/option_handlers.h"

namespace engine {
namespace {

using E = EngineSettings;
using F = FileOptions;

// The kind bits and the target's type have to agree; checked at compile time.
template <class T>
constexpr bool HoldsScalar(const OptionTarget& t) {
  return std::holds_alternative<T E::*>(t) || std::holds_alternative<T F::*>(t);
}

}  // namespace

constexpr OptionEntry kOptionTable[kOptionCount + 1] = {
    // Information the engine does not print.
    {"L", 0x800, &OptIgnoreUnsupported, "show license", nullptr},
    {"h", 0x800, &OptIgnoreUnsupported, "show help", nullptr},
    {"?", 0x800, &OptIgnoreUnsupported, "show help", nullptr},
    {"help", 0x800, &OptIgnoreUnsupported, "show help", nullptr},
    {"-help", 0x800, &OptIgnoreUnsupported, "show help", nullptr},
    {"version", 0x800, &OptIgnoreUnsupported, "show version", nullptr},
    {"formats", 0x800, &OptIgnoreUnsupported, "show available formats", nullptr},
    {"codecs", 0x800, &OptIgnoreUnsupported, "show available codecs", nullptr},
    {"bsfs", 0x800, &OptIgnoreUnsupported, "show available bit stream filters", nullptr},
    {"protocols", 0x800, &OptIgnoreUnsupported, "show available protocols", nullptr},
    {"filters", 0x800, &OptIgnoreUnsupported, "show available filters", nullptr},
    {"pix_fmts", 0x800, &OptIgnoreUnsupported, "show available pixel formats", nullptr},
    {"sample_fmts", 0x800, &OptIgnoreUnsupported, "show available audio sample formats", nullptr},
    {"loglevel", 0x1, &OptLogLevel, "set libav* logging level", "loglevel"},
    {"v", 0x1, &OptLogLevel, "set libav* logging level", "loglevel"},
    {"debug", 0x1, &OptDebug, "set debug flags", "flags"},
    {"report", 0x0, &OptFailUnsupported, "generate a report", nullptr},
    {"max_alloc", 0x1, &OptMaxAlloc, "set maximum size of a single allocated block", "bytes"},

    // Files, codecs and mapping.
    {"f", 0x4009, &F::format, "force format", "fmt"},
    {"i", 0x801, &OptFailUnsupported, "input file name", "filename"},
    {"y", 0x2, &E::overwrite, "overwrite output files", nullptr},
    {"n", 0x2, &E::no_overwrite, "do not overwrite output files", nullptr},
    {"c", 0x8009, &F::codec_names, "codec name", "codec"},
    {"codec", 0x8009, &F::codec_names, "codec name", "codec"},
    {"pre", 0x809, &OptFailUnsupported, "preset name", "preset"},
    {"map", 0x2005, &OptMap, "set input stream mapping",
     "[-]input_file_id[:stream_specifier][,sync_file_id[:stream_specifier]]"},
    {"map_channel", 0x2005, &OptMapChannel, "map an audio channel from one stream to another",
     "file.stream.channel[:syncfile.syncstream]"},
    {"map_metadata", 0x2005, &OptMapMetadata, "set metadata information of outfile from infile",
     "outfile[,metadata]:infile[,metadata]"},
    {"map_chapters", 0x4085, &F::chapters_input_file, "set chapters mapping", "input_file_index"},

    // Times and limits.
    {"t", 0x14001, &F::recording_time, "record or transcode \"duration\" seconds of audio/video",
     "duration"},
    {"t_microsecond", 0x4401, &F::recording_time,
     "record or transcode \"duration\" seconds of audio/video", "duration"},
    {"fs", 0x4401, &F::limit_filesize, "set the limit file size in bytes", "limit_size"},
    {"ss", 0x14001, &F::start_time, "set the start time offset", "time_off"},
    {"ss_microsecond", 0x4401, &F::start_time, "set the start time offset", "time_off"},
    {"itsoffset", 0x14001, &F::input_ts_offset, "set the input ts offset", "time_off"},
    {"itsoffset_microsecond", 0x4401, &F::input_ts_offset, "set the input ts offset", "time_off"},
    {"itsscale", 0x28005, &F::ts_scale, "set the input ts scale", "scale"},
    {"timestamp", 0x2001, &OptRecordingTimestamp,
     "set the recording timestamp ('now' to set the current time)", "time"},
    {"metadata", 0x8009, &F::metadata, "add metadata", "string=string"},
    {"dframes", 0x2001, &OptDataFrames, "set the number of data frames to record", "number"},
    {"benchmark", 0x800, &OptFailUnsupported, "add timings for benchmarking", nullptr},
    {"timelimit", 0x1, &OptFailUnsupported, "set max runtime in seconds", "limit"},
    {"dump", 0x6, &E::dump_packets, "dump each input packet", nullptr},
    {"hex", 0x6, &E::dump_hex, "when dumping packets, also dump the payload", nullptr},
    {"re", 0x4006, &F::rate_emu, "read input at native frame rate", nullptr},
    {"loop_input", 0x6, &E::loop_input, "deprecated, use -loop", nullptr},
    {"loop_output", 0x85, &E::loop_output, "deprecated, use -loop", "count"},
    {"target", 0x2001, &OptFailUnsupported,
     "specify target file type (\"vcd\", \"svcd\", \"dvd\", \"dv\", \"dv50\", \"pal-vcd\", "
     "\"ntsc-svcd\", ...)",
     "type"},
    {"vsync", 0x5, &OptVsync, "video sync method", "method"},
    {"async", 0x85, &E::audio_sync_method, "audio sync method", "method"},
    {"adrift_threshold", 0x105, &E::audio_drift_threshold, "audio drift threshold", "threshold"},
    {"copyts", 0x6, &E::copy_ts, "copy timestamps", nullptr},
    {"copytb", 0x85, &E::copy_tb, "copy input stream time base when stream copying", "mode"},
    {"shortest", 0x6, &E::shortest, "finish encoding within shortest input", nullptr},
    {"dts_delta_threshold", 0x105, &E::dts_delta_threshold,
     "timestamp discontinuity delta threshold", "threshold"},
    {"xerror", 0x6, &E::exit_on_error, "exit on error", nullptr},
    {"copyinkf", 0x8006, &F::copy_initial_nonkeyframes, "copy initial non-keyframes", nullptr},
    {"frames", 0x8401, &F::max_frames, "set the number of frames to record", "number"},
    {"tag", 0x800D, &F::codec_tags, "force codec tag/fourcc", "fourcc/tag"},
    {"q", 0x28001, &F::qscale, "use fixed quality scale (VBR)", "q"},
    {"qscale", 0x2005, &OptQscale, "use fixed quality scale (VBR)", "q"},
    {"filter", 0x8009, &F::filters, "set stream filterchain", "filter_list"},
    {"stats", 0x6, &E::print_stats, "print progress report during encoding", nullptr},
    {"attach", 0x2005, &OptAttach, "add an attachment to the output file", "filename"},
    {"dump_attachment", 0x800D, &F::dump_attachment, "extract an attachment into a file",
     "filename"},

    // Video.
    {"vframes", 0x2011, &OptVideoFrames, "set the number of video frames to record", "number"},
    {"r", 0x8019, &F::frame_rates, "set frame rate (Hz value, fraction or abbreviation)", "rate"},
    {"s", 0x8019, &F::frame_sizes, "set frame size (WxH or abbreviation)", "size"},
    {"aspect", 0x8019, &F::frame_aspect_ratios, "set aspect ratio (4:3, 16:9 or 1.3333, 1.7777)",
     "aspect"},
    {"pix_fmt", 0x801D, &F::frame_pix_fmts, "set pixel format", "format"},
    {"bits_per_raw_sample", 0x95, &E::bits_per_raw_sample, "set the number of bits per raw sample",
     "number"},
    {"croptop", 0x11, &OptRemovedCrop, "Removed, use the crop filter instead", "size"},
    {"cropbottom", 0x11, &OptRemovedCrop, "Removed, use the crop filter instead", "size"},
    {"cropleft", 0x11, &OptRemovedCrop, "Removed, use the crop filter instead", "size"},
    {"cropright", 0x11, &OptRemovedCrop, "Removed, use the crop filter instead", "size"},
    {"padtop", 0x11, &OptRemovedPad, "Removed, use the pad filter instead", "size"},
    {"padbottom", 0x11, &OptRemovedPad, "Removed, use the pad filter instead", "size"},
    {"padleft", 0x11, &OptRemovedPad, "Removed, use the pad filter instead", "size"},
    {"padright", 0x11, &OptRemovedPad, "Removed, use the pad filter instead", "size"},
    {"padcolor", 0x11, &OptRemovedPad, "Removed, use the pad filter instead", "color"},
    {"intra", 0x16, &E::intra_only, "use only intra frames", nullptr},
    {"vn", 0x4012, &F::video_disable, "disable video", nullptr},
    {"vdt", 0x95, &E::video_discard, "discard threshold", "n"},
    {"rc_override", 0x801D, &F::rc_overrides, "rate control override for specific intervals",
     "override"},
    {"vcodec", 0x2011, &OptVideoCodec, "force video codec (\"copy\" to copy stream)", "codec"},
    {"sameq", 0x12, &E::same_quant, "use same quantizer as source (implies VBR)", nullptr},
    {"same_quant", 0x12, &E::same_quant, "use same quantizer as source (implies VBR)", nullptr},
    {"pass", 0x15, &OptPass, "select the pass number (1 or 2)", "n"},
    {"passlogfile", 0x15, &OptPassLogFile, "select two pass log file name prefix", "prefix"},
    {"deinterlace", 0x16, &E::do_deinterlace, "deinterlace pictures", nullptr},
    {"psnr", 0x16, &E::do_psnr, "calculate PSNR of compressed frames", nullptr},
    {"vstats", 0x14, &OptVstats, "dump video coding statistics to file", nullptr},
    {"vstats_file", 0x15, &OptVstatsFile, "dump video coding statistics to file", "file"},
    {"vf", 0x2011, &OptVideoFilters, "video filters", "filter list"},
    {"intra_matrix", 0x801D, &F::intra_matrices, "specify intra matrix coeffs", "matrix"},
    {"inter_matrix", 0x801D, &F::inter_matrices, "specify inter matrix coeffs", "matrix"},
    {"top", 0x8095, &F::top_field_first, "top=1/bottom=0/auto=-1 field first", nullptr},
    {"dc", 0x95, &E::intra_dc_precision, "intra_dc_precision", "precision"},
    {"vtag", 0x2015, &OptTypedRename, "force video tag/fourcc", "fourcc/tag"},
    {"qphist", 0x16, &E::qp_hist, "show QP histogram", nullptr},
    {"force_fps", 0x8016, &F::force_fps,
     "force the selected framerate, disable the best supported framerate selection", nullptr},
    {"streamid", 0x2015, &OptStreamId, "set the value of an outfile streamid",
     "streamIndex:value"},
    {"force_key_frames", 0x801D, &F::forced_key_frames, "force key frames at specified timestamps",
     "timestamps"},
    {"b", 0x2011, &OptBitrate, "video bitrate (please use -b:v)", "bitrate"},

    // Audio.
    {"aframes", 0x2021, &OptAudioFrames, "set the number of audio frames to record", "number"},
    {"aq", 0x2021, &OptAudioQuality, "set audio quality (codec-specific)", "quality"},
    {"ar", 0x80A1, &F::audio_sample_rate, "set audio sampling rate (in Hz)", "rate"},
    {"ac", 0x80A1, &F::audio_channels, "set number of audio channels", "channels"},
    {"an", 0x4022, &F::audio_disable, "disable audio", nullptr},
    {"acodec", 0x2021, &OptAudioCodec, "force audio codec (\"copy\" to copy stream)", "codec"},
    {"atag", 0x2025, &OptTypedRename, "force audio tag/fourcc", "fourcc/tag"},
    {"vol", 0xA1, &E::audio_volume, "change audio volume (256=normal)", "volume"},
    {"sample_fmt", 0x802D, &F::sample_fmts, "set sample format", "format"},
    {"rmvol", 0x8121, &F::rematrix_volume, "rematrix volume (as factor)", "volume"},

    // Subtitles, capture devices and muxing.
    {"sn", 0x4202, &F::subtitle_disable, "disable subtitle", nullptr},
    {"scodec", 0x2201, &OptSubtitleCodec, "force subtitle codec (\"copy\" to copy stream)",
     "codec"},
    {"stag", 0x2205, &OptTypedRename, "force subtitle tag/fourcc", "fourcc/tag"},
    {"vc", 0x55, &OptDeprecatedChannel, "deprecated, use -channel", "channel"},
    {"tvstd", 0x55, &OptDeprecatedStandard, "deprecated, use -standard", "standard"},
    {"isync", 0x6, &E::input_sync, "sync read on input", nullptr},
    {"muxdelay", 0x4105, &F::mux_max_delay, "set the maximum demux-decode delay", "seconds"},
    {"muxpreload", 0x4105, &F::mux_preload, "set the initial demux-decode delay", "seconds"},
    {"bsf", 0x800D, &F::bitstream_filters, "A comma-separated list of bitstream filters",
     "bitstream_filters"},
    {"absf", 0x2025, &OptTypedRename, "deprecated", "audio bitstream_filters"},
    {"vbsf", 0x2015, &OptTypedRename, "deprecated", "video bitstream_filters"},
    {"apre", 0x2025, &OptPresetFile, "set the audio options to the indicated preset", "preset"},
    {"vpre", 0x2015, &OptPresetFile, "set the video options to the indicated preset", "preset"},
    {"spre", 0x2205, &OptPresetFile, "set the subtitle options to the indicated preset", "preset"},
    {"fpre", 0x2005, &OptPresetFile, "set options from indicated preset file", "filename"},
    {"dcodec", 0x3001, &OptDataCodec, "force data codec (\"copy\" to copy stream)", "codec"},
    {"dn", 0x5002, &F::data_disable, "disable data", nullptr},

    // This program's own additions.
    {"vhook", 0x15, &OptVideoHook, "insert video processing module", "module"},
    {"VideoHookBitsPixel", 0x15, &OptVideoHookBitsPixel, "VideoHookBitsPixel", "bits"},
    {"TimeStart", 0x2005, &OptTimeStart, "TimeStart", "seconds"},
    {"timestart", 0x2005, &OptTimeStart, "timestart", "seconds"},
    {"TimeLength", 0x2005, &OptTimeLength, "TimeLength", "seconds"},
    {"timelength", 0x2005, &OptTimeLength, "timelength", "seconds"},
    {"AudioHook", 0x800, &OptAcceptSwitch, "AudioHook", nullptr},
    {"VideoInputHook", 0x800, &OptAcceptSwitch, "VideoInputHook", nullptr},
    {"VideoOutputHook", 0x800, &OptAcceptSwitch, "VideoOutputHook", nullptr},
    {"FrameInputHook", 0x800, &OptAcceptSwitch, "FrameInputHook", nullptr},
    {"FrameOutputHook", 0x800, &OptAcceptSwitch, "FrameOutputHook", nullptr},
    {"Join", 0x800, &OptAcceptSwitch, "Join", nullptr},
    {"default", 0x35, &OptDefault, "generic catch all option", ""},

    {nullptr, 0, std::monostate{}, nullptr, nullptr},
};

namespace {

// A row is sound when its kind bits name the type of its target and its
// storage bits name the record the target lives in.
constexpr bool RowIsConsistent(const OptionEntry& row) {
  const uint32_t f = row.flags;
  const OptionTarget& t = row.target;
  // A handler row runs its handler whatever kind bits it carries ("pre" is
  // marked as a text option).
  if (std::holds_alternative<OptionHandler>(t)) return (f & (kOptOffset | kOptSpec)) == 0;
  const bool in_file = std::visit(
      [](auto p) {
        using P = decltype(p);
        if constexpr (std::is_member_object_pointer_v<P>) {
          return std::is_same_v<P, int32_t F::*> || std::is_same_v<P, int64_t F::*> ||
                 std::is_same_v<P, float F::*> || std::is_same_v<P, std::string F::*>;
        }
        return false;
      },
      t);
  const bool in_list = std::holds_alternative<SpecList<std::string> F::*>(t) ||
                       std::holds_alternative<SpecList<int32_t> F::*>(t) ||
                       std::holds_alternative<SpecList<int64_t> F::*>(t) ||
                       std::holds_alternative<SpecList<float> F::*>(t) ||
                       std::holds_alternative<SpecList<double> F::*>(t);
  if (((f & kOptSpec) != 0) != in_list) return false;
  if (((f & kOptOffset) != 0) != in_file) return false;
  if (f & kOptString)
    return std::holds_alternative<std::string F::*>(t) ||
           std::holds_alternative<SpecList<std::string> F::*>(t);
  if (f & (kOptBool | kOptInt))
    return HoldsScalar<int32_t>(t) || std::holds_alternative<SpecList<int32_t> F::*>(t);
  if (f & (kOptInt64 | kOptTime))
    return std::holds_alternative<int64_t F::*>(t) ||
           std::holds_alternative<SpecList<int64_t> F::*>(t);
  if (f & kOptFloat)
    return HoldsScalar<float>(t) || std::holds_alternative<SpecList<float> F::*>(t);
  if (f & kOptDouble) return std::holds_alternative<SpecList<double> F::*>(t);
  return false;
}

// Index of the first row that is not sound, or -1.
constexpr int FirstInconsistentRow() {
  for (int i = 0; i < kOptionCount; ++i)
    if (!kOptionTable[i].name || !RowIsConsistent(kOptionTable[i])) return i;
  return kOptionTable[kOptionCount].name == nullptr ? -1 : kOptionCount;
}

}  // namespace

static_assert(FirstInconsistentRow() == -1, "an option row stores into a target of another kind");

const OptionEntry* FindOption(std::string_view name) {
  for (const OptionEntry* row = kOptionTable; row->name; ++row)
    if (name == row->name) return row;
  return nullptr;
}


}  // namespace engine
