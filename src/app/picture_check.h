// A picture looked at as it is added to the list: decoded by the same
// decoders a run uses (small, where the format allows), so that a file that
// cannot be read is refused at once with its reason, and a thumbnail for the
// list's tooltip.
#pragma once

#include <QImage>
#include <QString>

namespace app {

// What the picture dialog offers: the decoders' formats in both letter cases.
extern const char* const kPictureFilter;

struct TPictureCheck {
  QString Problem;    // empty when the picture can be used
  QImage Thumbnail;   // at most kThumbnailSide on its longer side
};

constexpr int kThumbnailSide = 128;

TPictureCheck CheckPicture(const QString& path, bool exifOrientation);

// A sound file by its name: one of the kinds the audio dialog offers.
bool IsSoundFileName(const QString& path);

}  // namespace app
