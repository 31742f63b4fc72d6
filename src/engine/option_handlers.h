// Handlers of the option table rows that do more than store a value.
// Grouped by kind in option_handlers_*.cpp, presets.cpp and option_catchall.cpp.
#pragma once

#include "engine/file_options.h"

namespace engine {

class TCustomFFmpeg;

#define LS_OPTION_HANDLER(name) \
  int name(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions* file)

// option_handlers_info.cpp: options this engine does not carry out.
LS_OPTION_HANDLER(OptIgnoreUnsupported);  // warns, succeeds
LS_OPTION_HANDLER(OptFailUnsupported);    // logs an error, fails
LS_OPTION_HANDLER(OptAcceptSwitch);       // switched on by the encoder itself
LS_OPTION_HANDLER(OptRemovedCrop);
LS_OPTION_HANDLER(OptRemovedPad);
LS_OPTION_HANDLER(OptDeprecatedChannel);  // "vc"
LS_OPTION_HANDLER(OptDeprecatedStandard);  // "tvstd"
LS_OPTION_HANDLER(OptLogLevel);
LS_OPTION_HANDLER(OptDebug);
LS_OPTION_HANDLER(OptMaxAlloc);

// option_handlers_codec.cpp: aliases and renames of codec and stream options.
LS_OPTION_HANDLER(OptVideoCodec);
LS_OPTION_HANDLER(OptAudioCodec);
LS_OPTION_HANDLER(OptSubtitleCodec);
LS_OPTION_HANDLER(OptDataCodec);
LS_OPTION_HANDLER(OptBitrate);
LS_OPTION_HANDLER(OptQscale);
LS_OPTION_HANDLER(OptVideoFrames);
LS_OPTION_HANDLER(OptAudioFrames);
LS_OPTION_HANDLER(OptDataFrames);
LS_OPTION_HANDLER(OptAudioQuality);
LS_OPTION_HANDLER(OptVideoFilters);
LS_OPTION_HANDLER(OptTypedRename);  // vtag -> tag:v, absf -> bsf:a, ...
LS_OPTION_HANDLER(OptPass);
LS_OPTION_HANDLER(OptPassLogFile);
LS_OPTION_HANDLER(OptVstats);
LS_OPTION_HANDLER(OptVstatsFile);
LS_OPTION_HANDLER(OptVsync);

// option_handlers_time.cpp: times given in other notations.
LS_OPTION_HANDLER(OptTimeStart);
LS_OPTION_HANDLER(OptTimeLength);
LS_OPTION_HANDLER(OptRecordingTimestamp);

// option_handlers_map.cpp: stream selection and per-file records.
LS_OPTION_HANDLER(OptMap);
LS_OPTION_HANDLER(OptMapChannel);
LS_OPTION_HANDLER(OptMapMetadata);
LS_OPTION_HANDLER(OptAttach);
LS_OPTION_HANDLER(OptStreamId);

// option_handlers_hook.cpp: frame-hook plug-ins and hook bitmaps.
LS_OPTION_HANDLER(OptVideoHook);
LS_OPTION_HANDLER(OptVideoHookBitsPixel);

// presets.cpp: "apre", "vpre", "spre", "fpre".
LS_OPTION_HANDLER(OptPresetFile);

// option_catchall.cpp: codec, format and scaler options by name.
LS_OPTION_HANDLER(OptDefault);

#undef LS_OPTION_HANDLER

}  // namespace engine
