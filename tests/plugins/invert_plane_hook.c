/* Test frame-hook plug-in: inverts one plane of every picture.
 * Arguments: [plane] (default 0; planes above 0 are taken as 4:2:0 chroma),
 * or "fail" to make Configure refuse. */
#include <stdlib.h>
#include <string.h>

#include "media/picture/frame_hook_api.h"

typedef struct Context {
  int plane;
} Context;

/* Calls seen by this library, for the tests to read through dlsym. */
static int configured, processed, released;

int Configure(void** ctx, int argc, char* argv[]) {
  if (argc > 1 && strcmp(argv[1], "fail") == 0) return 1;
  Context* c = calloc(1, sizeof(Context));
  if (!c) return 1;
  c->plane = argc > 1 ? atoi(argv[1]) : 0;
  *ctx = c;
  ++configured;
  return 0;
}

void Process(void* ctx, LsHookPicture* picture, int pix_fmt, int width, int height, int64_t pts) {
  const Context* c = ctx;
  const int w = c->plane ? (width + 1) / 2 : width, h = c->plane ? (height + 1) / 2 : height;
  (void)pix_fmt;
  (void)pts;
  ++processed;
  for (int y = 0; y < h; ++y) {
    unsigned char* row = picture->data[c->plane] + y * picture->linesize[c->plane];
    for (int x = 0; x < w; ++x) row[x] = (unsigned char)(255 - row[x]);
  }
}

void Release(void* ctx) {
  free(ctx);
  ++released;
}

void HookCalls(int* configureCalls, int* processCalls, int* releaseCalls) {
  *configureCalls = configured;
  *processCalls = processed;
  *releaseCalls = released;
}
