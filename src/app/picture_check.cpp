#include "app/picture_check.h"

#include <QFileInfo>

#include "app/preview_window.h"
#include "gfx/bitmap.h"
#include "gfx/picture_file.h"

namespace app {

const char* const kPictureFilter = "Picture Files|*.BMP;*.JPEG;*.JPG;*.PNG;*.HEIC;*.HEIF;*.WEBP";

TPictureCheck CheckPicture(const QString& path, bool exifOrientation) {
  TPictureCheck result;
  gfx::Bitmap bitmap;
  gfx::DecodeOptions options;
  options.ExifOrientation = exifOrientation;
  // The decoders keep a large JPEG small; the thumbnail is all we keep.
  options.FrameWidth = kThumbnailSide;
  options.FrameHeight = kThumbnailSide;
  options.ReduceToFrame = true;
  try {
    gfx::DecodePicture(path.toStdString(), bitmap, options);
  } catch (const std::exception& e) {
    result.Problem = QString::fromStdString(e.what());
    return result;
  }
  result.Thumbnail = BitmapToImage(bitmap).scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio,
                                                   Qt::SmoothTransformation);
  return result;
}

bool IsSoundFileName(const QString& path) {
  static const QStringList kinds = {"aac", "ac3", "ape", "dts", "flac", "m4a", "mka", "mp2", "mp3",
                                    "mpa", "mpc", "ofr", "ogg", "ra",  "tta",  "wav", "wma"};
  return kinds.contains(QFileInfo(path).suffix().toLower());
}

}  // namespace app
