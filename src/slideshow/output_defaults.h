// What a video is made as when nobody says otherwise: today's screens, not
// the window's first frame-size entry. The renderer and the show file take
// their defaults from here so the two never drift apart.
#pragma once

namespace slideshow {

inline constexpr const char* kDefaultFrameSize = "1920x1080";
inline constexpr int kDefaultFrameWidth = 1920;
inline constexpr int kDefaultFrameHeight = 1080;
inline constexpr const char* kDefaultFrameRate = "30/1";
// Area-averaged ("smooth") scaling; the window's blocky stretch is "nearest".
inline constexpr bool kDefaultSmoothFit = true;

}  // namespace slideshow
