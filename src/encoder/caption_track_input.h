// "captiontrack": an input format of our own whose one stream is a list of
// timed captions as mov_text packets, made by the libraries' own encoder, so
// an MP4 or MOV output can copy them (-c:s copy) as it copies any stream.
// The engine has no subtitle encoding of its own; this keeps it that way.
// The input's file name is the number RegisterCaptionTrack gave.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace encoder {

struct CaptionCue {
  int64_t startMs = 0;
  int64_t endMs = 0;
  std::string text;  // UTF-8; "\n" breaks the line
};

constexpr const char* kCaptionTrackFormat = "captiontrack";

// Registers the format with the engine's own input formats; once is enough,
// more is harmless. The media libraries must be loaded.
void RegisterCaptionTrackFormat();

// Keeps a copy of the cues under a number for an input to open; cues with
// no text or no time on screen, and cues that start before the one before
// them ends, are left out when the input is opened.
uint64_t RegisterCaptionTrack(std::vector<CaptionCue> cues);
void UnregisterCaptionTrack(uint64_t number);

// Subtitle renderers read "{\" as the start of style codes and "\n", "\N",
// "\h" as breaks and spaces, in SubRip as in ASS, with no escape; an
// invisible word joiner after the "{" or the "\" keeps such text as written.
std::string KeepLiteral(const std::string& text);

}  // namespace encoder
