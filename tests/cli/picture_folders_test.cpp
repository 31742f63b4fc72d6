// Folders and patterns of pictures: what they expand to and in which order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/picture_folders.h"
#include "cli/render_options.h"
#include "slideshow/test_pictures.h"

namespace {

namespace fs = std::filesystem;
using cli::PictureOrder;

// Just the JPEG markers and an EXIF block holding DateTimeOriginal: the
// date reader looks at nothing else.
std::string JpegTakenAt(const std::string& date) {
  std::string tiff = std::string("MM\0*\0\0\0\x08", 8);
  tiff += std::string("\0\x01\x87\x69\0\x04\0\0\0\x01\0\0\0\x1A\0\0\0\0", 18);  // IFD0: the EXIF directory
  tiff += std::string("\0\x01\x90\x03\0\x02\0\0\0\x14\0\0\0\x2C\0\0\0\0", 18);  // DateTimeOriginal at 44
  tiff += date + std::string(1, '\0');
  const std::string body = std::string("Exif\0\0", 6) + tiff;
  const size_t length = body.size() + 2;
  return std::string("\xFF\xD8\xFF\xE1", 4) + char(length >> 8) + char(length & 255) + body + "\xFF\xD9";
}

std::vector<std::string> Names(const std::vector<std::string>& paths) {
  std::vector<std::string> names;
  for (const std::string& p : paths) names.push_back(fs::path(p).filename().string());
  return names;
}

TEST(PictureFolders, FoldersAndPatternsExpandInTheOrderAsked) {
  const fs::path dir = testpics::ScratchDir("cli/folders");
  fs::remove_all(dir / "trip");
  fs::create_directories(dir / "trip" / "sub.jpg");  // a folder is no picture
  std::ofstream(dir / "trip" / "IMG_10.jpg", std::ios::binary) << JpegTakenAt("2020:01:02 03:04:05");
  std::ofstream(dir / "trip" / "IMG_9.JPG", std::ios::binary) << JpegTakenAt("2021:05:06 07:08:09");
  std::ofstream(dir / "trip" / "b.png") << "no date in here";
  std::ofstream(dir / "trip" / ".hidden.jpg") << "skipped";
  std::ofstream(dir / "trip" / "notes.txt") << "skipped";
  fs::last_write_time(dir / "trip" / "b.png", fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 20));
  const std::string trip = (dir / "trip").string();

  using V = std::vector<std::string>;
  EXPECT_EQ(Names(cli::ExpandPictures({trip}, PictureOrder::Name, false)), (V{"b.png", "IMG_9.JPG", "IMG_10.jpg"}));
  // Taken dates first, the file's time where there is none.
  EXPECT_EQ(Names(cli::ExpandPictures({trip}, PictureOrder::Date, false)), (V{"b.png", "IMG_10.jpg", "IMG_9.JPG"}));
  EXPECT_EQ(cli::ExpandPictures({trip}, PictureOrder::None, false).size(), 3u);
  EXPECT_EQ(Names(cli::ExpandPictures({trip + "/IMG_*"}, PictureOrder::Name, false)), (V{"IMG_9.JPG", "IMG_10.jpg"}));
  // Named pictures keep their place unless the whole list is sorted.
  const std::string named = (dir / "trip" / "IMG_10.jpg").string();
  EXPECT_EQ(Names(cli::ExpandPictures({named, trip + "/b.png"}, PictureOrder::Date, false)), (V{"IMG_10.jpg", "b.png"}));
  EXPECT_EQ(Names(cli::ExpandPictures({named, trip + "/b.png"}, PictureOrder::Date, true)), (V{"b.png", "IMG_10.jpg"}));

  EXPECT_THROW(cli::ExpandPictures({(dir / "trip" / "sub.jpg").string()}, PictureOrder::Name, false), cli::UsageError);
  EXPECT_THROW(cli::ExpandPictures({trip + "/*.gif"}, PictureOrder::Name, false), cli::UsageError);
  EXPECT_THROW(cli::CheckPictureOrder("size"), cli::UsageError);
}

TEST(PictureFolders, NaturalOrderComparesNumbersByValue) {
  const std::vector<std::string> sorted = {"2.jpg", "10.jpg", "a1", "A01b", "a2", "a10", "b"};
  for (size_t i = 0; i < sorted.size(); ++i)
    for (size_t j = 0; j < sorted.size(); ++j)
      EXPECT_EQ(cli::NaturalLess(sorted[i], sorted[j]), i < j)
          << sorted[i] << " " << sorted[j];
}

}  // namespace
