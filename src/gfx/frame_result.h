// What asking for one frame of a video gives: a new frame, the frame before
// once more (nothing was drawn), or no frame because the video is over.
// Frame events hand these values on as their int result; a plain enum, so
// that "negative means no frame" still reads as it always has.
#pragma once

namespace gfx {

enum TFrameResult : int { frEnd = -1, frFrame = 0, frUnchanged = 1 };

}  // namespace gfx
