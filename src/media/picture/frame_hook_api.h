/* The C interface of frame-hook plug-ins: shared libraries that export
 * "Process" and, optionally, "Configure" and "Release". A plug-in may include
 * this header; it needs nothing else from the program. */
#ifndef LS_FRAME_HOOK_API_H
#define LS_FRAME_HOOK_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One picture, changed in place by "Process". Planes that the pixel format
 * does not have are null. */
typedef struct LsHookPicture {
  uint8_t* data[4];
  int linesize[4];
} LsHookPicture;

/* argv[0] is the plug-in's file name; *ctx starts as null and is handed to
 * "Process" and "Release". Returns 0 on success. */
typedef int (*LsHookConfigureFn)(void** ctx, int argc, char* argv[]);
/* pix_fmt is the libavutil pixel format number of the libraries in use;
 * pts is in microseconds. */
typedef void (*LsHookProcessFn)(void* ctx, LsHookPicture* picture, int pix_fmt, int width,
                                int height, int64_t pts);
typedef void (*LsHookReleaseFn)(void* ctx);

#ifdef __cplusplus
}
#endif

#endif
