// Loads the system's media libraries once per test program, on the thread
// that serves main-thread calls, with the frame source registered.
#pragma once

#include <gtest/gtest.h>

#include "media/binding/ff_loader.h"
#include "media/frame_source/frame_input_adapter.h"
#include "media/bridges/main_thread.h"

inline void LoadMediaForTests() {
  media::InitMainThread();
  media::FFLoader().SetLibraryFolder("");
  ASSERT_TRUE(media::FFLoader().LoadLibrarySet(media::kAllLibraries))
      << media::FFLoader().LastLoaderError();
  media::RegisterFrameInputFormat();
}
