#include "cli/media_checks.h"

#include <filesystem>
#include <memory>

#include "cli/render_options.h"
#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_loader.h"
#include "media/binding/ff_utils.h"
#include "media/frame_source/frame_input_adapter.h"
#include "media/bridges/main_thread.h"

namespace cli {
namespace fs = std::filesystem;

std::string LoadMediaLibraries() {
  media::InitMainThread();
  std::error_code ec;
  const fs::path lib = fs::read_symlink("/proc/self/exe", ec).parent_path() / "lib";
  media::FFLoader().SetLibraryFolder(!ec && fs::is_directory(lib, ec) ? lib.string() : "");
  if (!media::FFLoader().LoadLibrarySet(media::kAllLibraries))
    return media::FFLoader().LastLoaderError();
  media::RegisterFrameInputFormat();
  return {};
}

double CheckSoundFile(const std::string& path) {
  const std::string name = "--audio \"" + path + "\"";
  AVFormatContext* raw = nullptr;
  if (const int ret = ff::avformat_open_input(&raw, path.c_str(), nullptr, nullptr); ret < 0)
    throw UsageError(name + ": not a sound file the media libraries can read (" +
                     media::FormatMediaError("open", ret) + ")");
  const std::unique_ptr<AVFormatContext*, void (*)(AVFormatContext**)> owner(
      &raw, [](AVFormatContext** ctx) { ff::avformat_close_input(ctx); });
  if (ff::avformat_find_stream_info(raw, nullptr) < 0)
    throw UsageError(name + ": not a sound file the media libraries can read");
  for (unsigned i = 0; i < raw->nb_streams; ++i)
    if (raw->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
      return raw->duration > 0 ? double(raw->duration) / AV_TIME_BASE : 0.0;
  throw UsageError(name + ": has no audio stream");
}

void CheckOutputFormat(const std::string& path) {
  if (!ff::av_guess_format(nullptr, path.c_str(), nullptr))
    throw UsageError("-o \"" + path + "\": no container is known for the extension \"" +
                     fs::path(path).extension().string() + "\" (use .mp4, .mkv, .avi or .mov)");
}

}  // namespace cli
