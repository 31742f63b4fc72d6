// Log levels of the program and their counterparts in the media libraries.
#pragma once

namespace media {

enum TLogLevel {
  llQuiet = 0,
  llPanic = 1,
  llFatal = 2,
  llError = 3,
  llWarning = 4,
  llInfo = 5,
  llVerbose = 6,
  llDebug = 7,
};

// The library level a level stands for: (ordinal - 1) x 8, so llQuiet is -8.
constexpr int LibraryLevelOf(TLogLevel level) { return (int(level) - 1) * 8; }

// The level of a library level: L div 8 + 1 (truncating), limited to 0..7.
constexpr TLogLevel LogLevelOfLibrary(int libraryLevel) {
  const int ordinal = libraryLevel / 8 + 1;
  return ordinal < 0 ? llQuiet : ordinal > 7 ? llDebug : TLogLevel(ordinal);
}

}  // namespace media
