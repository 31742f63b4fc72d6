#include "cli/picture_folders.h"

#include <glob.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <memory>

#include "cli/render_options.h"
#include "gfx/picture_date.h"

namespace cli {
namespace fs = std::filesystem;
namespace {

constexpr const char* kPictureExtensions[] = {".jpg", ".jpeg", ".jpe", ".png", ".bmp", ".heic",
                                              ".heif", ".hif", ".avif", ".webp"};

bool IsPictureName(const fs::path& p) {
  std::string ext = p.extension().string();
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return std::find(std::begin(kPictureExtensions), std::end(kPictureExtensions), ext) != std::end(kPictureExtensions);
}

std::vector<std::string> FolderPictures(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
    const fs::path& p = e.path();
    if (p.filename().string().starts_with(".") || !IsPictureName(p) || !e.is_regular_file(ec)) continue;
    found.push_back(p.string());
  }
  if (ec) throw UsageError("picture folder \"" + folder + "\": " + ec.message());
  if (found.empty())
    throw UsageError("picture folder \"" + folder + "\": holds no pictures (.jpg, .png, .bmp, .heic, .webp)");
  return found;
}

std::vector<std::string> PatternPictures(const std::string& pattern) {
  glob_t g{};
  const std::unique_ptr<glob_t, void (*)(glob_t*)> owner(&g, globfree);
  if (glob(pattern.c_str(), GLOB_NOSORT, nullptr, &g) != 0)
    throw UsageError("picture pattern \"" + pattern + "\": no file matches");
  std::vector<std::string> found;
  std::error_code ec;
  for (size_t i = 0; i < g.gl_pathc; ++i)
    if (fs::is_regular_file(g.gl_pathv[i], ec)) found.emplace_back(g.gl_pathv[i]);
  if (found.empty()) throw UsageError("picture pattern \"" + pattern + "\": matches no picture file");
  return found;
}

// Date taken, else the file's time, in the cameras' sortable form.
std::string DateKey(const std::string& path) {
  if (std::string taken = gfx::PictureDateTaken(path); !taken.empty()) return taken;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {};
  std::tm local{};
  localtime_r(&st.st_mtime, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local);
  return text;
}

void Sort(std::vector<std::string>& pictures, PictureOrder order) {
  const auto byName = [](const std::string& a, const std::string& b) {
    return NaturalLess(fs::path(a).filename().string(), fs::path(b).filename().string()) ||
           (!NaturalLess(fs::path(b).filename().string(), fs::path(a).filename().string()) && a < b);
  };
  if (order == PictureOrder::Name) {
    std::stable_sort(pictures.begin(), pictures.end(), byName);
  } else if (order == PictureOrder::Date) {
    std::vector<std::pair<std::string, std::string>> keyed;
    for (std::string& p : pictures) keyed.emplace_back(DateKey(p), std::move(p));
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
      return a.first != b.first ? a.first < b.first : byName(a.second, b.second);
    });
    for (size_t i = 0; i < keyed.size(); ++i) pictures[i] = std::move(keyed[i].second);
  }
}

}  // namespace

PictureOrder CheckPictureOrder(const std::string& text) {
  if (text == "name") return PictureOrder::Name;
  if (text == "date") return PictureOrder::Date;
  if (text == "none") return PictureOrder::None;
  throw UsageError("--sort \"" + text + "\": use name, date (taken, else the file's time) or none");
}

bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
      size_t ei = i, ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      // Without leading zeros, the longer number is the larger.
      const std::string_view na = std::string_view(a).substr(i, ei - i), nb = std::string_view(b).substr(j, ej - j);
      const std::string_view ta = na.substr(std::min(na.find_first_not_of('0'), na.size()));
      const std::string_view tb = nb.substr(std::min(nb.find_first_not_of('0'), nb.size()));
      if (ta.size() != tb.size()) return ta.size() < tb.size();
      if (ta != tb) return ta < tb;
      i = ei;
      j = ej;
      continue;
    }
    const int ca = std::tolower(static_cast<unsigned char>(a[i])), cb = std::tolower(static_cast<unsigned char>(b[j]));
    if (ca != cb) return ca < cb;
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

std::vector<std::string> ExpandPictures(const std::vector<std::string>& pictures, PictureOrder order,
                                        bool sortAll) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const std::string& p : pictures) {
    std::vector<std::string> group;
    if (fs::is_directory(p, ec)) group = FolderPictures(p);
    else if (p.find_first_of("*?[") != std::string::npos && !fs::exists(p, ec)) group = PatternPictures(p);
    else group = {p};
    if (!sortAll) Sort(group, order);
    out.insert(out.end(), group.begin(), group.end());
  }
  if (sortAll) Sort(out, order);
  return out;
}

}  // namespace cli
