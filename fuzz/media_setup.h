// The media libraries for targets that need them: loaded through the
// program's own loader once per process, logging routed to a handler that
// formats every line and throws it away.
#pragma once

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_loader.h"
#include "media/binding/ff_logger.h"
#include "media/frame_source/frame_input_adapter.h"
#include "media/bridges/main_thread.h"

namespace fuzz {

inline void LoadMediaOnce() {
  static const bool loaded = [] {
    media::InitMainThread();
    media::FFLoader().SetLibraryFolder("");
    if (!media::FFLoader().LoadLibrarySet(media::kAllLibraries)) {
      std::fprintf(stderr, "cannot load the media libraries: %s\n",
                   media::FFLoader().LastLoaderError().c_str());
      std::abort();
    }
    // As the application does, so "frameinput" and its options are known.
    media::RegisterFrameInputFormat();
    media::DefaultLogger().SetOnLog(
        [](const void*, uint32_t, media::TLogLevel, const std::string& text) {
          asm volatile("" : : "r"(text.size()));
        });
    return true;
  }();
  (void)loaded;
}

// Undoes what an input may have changed process-wide (log level, the
// libraries' allocation limit), so one input cannot spoil the next.
inline void ResetMediaState() {
  media::DefaultLogger().SetLogLevel(media::llDebug);
  ff::av_max_alloc(INT_MAX);
}

}  // namespace fuzz
