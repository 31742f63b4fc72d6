#include "cli/render_files.h"

#include <unistd.h>

#include <filesystem>

namespace cli {
namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

void CheckReadable(const std::string& what, const std::string& path) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) throw UsageError(what + " " + Quoted(path) + ": no such file");
  if (fs::is_directory(st))
    throw UsageError(what + " " + Quoted(path) +
                     ": is a folder; name its files (such as folder/*.jpg)");
  if (!fs::is_regular_file(st))
    throw UsageError(what + " " + Quoted(path) + ": not a regular file");
  if (access(path.c_str(), R_OK) != 0)
    throw UsageError(what + " " + Quoted(path) + ": not readable (permissions)");
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

}  // namespace

void CheckInputFiles(const RenderOptions& options) {
  for (const std::string& picture : options.Pictures) CheckReadable("picture", picture);
  if (!options.Audio.empty()) CheckReadable("--audio", options.Audio);
  for (const std::string& music : options.Music.Files) CheckReadable("--music", music);
}

void CheckFiles(const RenderOptions& options) {
  CheckInputFiles(options);

  const fs::path out(options.Output);
  std::error_code ec;
  if (fs::is_directory(out, ec))
    throw UsageError("-o " + Quoted(options.Output) + ": is a folder; give a file name in it");
  if (!out.has_extension())
    throw UsageError("-o " + Quoted(options.Output) +
                     ": give the file an extension naming its container (.mp4, .mkv, .avi, .mov)");
  const fs::path folder = out.has_parent_path() ? out.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, ec))
    throw UsageError("-o " + Quoted(options.Output) + ": the folder " +
                     Quoted(folder.string()) + " does not exist");
  if (access(folder.c_str(), W_OK | X_OK) != 0)
    throw UsageError("-o " + Quoted(options.Output) + ": the folder " +
                     Quoted(folder.string()) + " is not writable");
  if (fs::exists(out, ec) && !fs::is_regular_file(out, ec))
    throw UsageError("-o " + Quoted(options.Output) + ": exists and is not a regular file");
  for (const std::string& picture : options.Pictures)
    if (SameFile(picture, options.Output))
      throw UsageError("-o " + Quoted(options.Output) + ": is one of the pictures");
  if (!options.Audio.empty() && SameFile(options.Audio, options.Output))
    throw UsageError("-o " + Quoted(options.Output) + ": is the sound file");
  for (const std::string& music : options.Music.Files)
    if (SameFile(music, options.Output))
      throw UsageError("-o " + Quoted(options.Output) + ": is one of the sound files");
}

std::string WorkingFileName(const std::string& output, long processId, const std::string& kind) {
  const fs::path out(output);
  const std::string name =
      "." + out.stem().string() + "." + kind + "-" + std::to_string(processId) + out.extension().string();
  return (out.parent_path() / name).string();
}

}  // namespace cli
