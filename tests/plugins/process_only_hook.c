/* Test frame-hook plug-in with "Process" alone: takes no arguments. */
#include "media/picture/frame_hook_api.h"

void Process(void* ctx, LsHookPicture* picture, int pix_fmt, int width, int height, int64_t pts) {
  (void)ctx;
  (void)picture;
  (void)pix_fmt;
  (void)width;
  (void)height;
  (void)pts;
}
