#include "cli/media_checks.h"

#include <filesystem>
#include <memory>

#include "cli/render_options.h"
#include "encoder/caption_track_input.h"
#include "encoder/sound_track_input.h"
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
  encoder::RegisterSoundTrackFormat();
  encoder::RegisterCaptionTrackFormat();
  return {};
}

double CheckSoundFile(const std::string& path, const std::string& option) {
  const std::string name = option + " \"" + path + "\"";
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

EncoderProbe MachineEncoderProbe() {
  EncoderProbe probe;
  probe.HasEncoder = [](const std::string& name) {
    return ff::avcodec_find_encoder_by_name(name.c_str()) != nullptr;
  };
  probe.DeviceProblem = [](const std::string& hw) -> std::string {
    const AVHWDeviceType type = hw == "vaapi"   ? AV_HWDEVICE_TYPE_VAAPI
                                : hw == "nvenc" ? AV_HWDEVICE_TYPE_CUDA
                                                : AV_HWDEVICE_TYPE_QSV;
    AVBufferRef* device = nullptr;
    const int ret = ff::av_hwdevice_ctx_create(&device, type, nullptr, nullptr, 0);
    ff::av_buffer_unref(&device);
    if (ret >= 0) return {};
    const char* what = hw == "vaapi" ? "no VAAPI device (a /dev/dri render node with its driver)"
                       : hw == "nvenc" ? "no NVIDIA device (the CUDA driver library and a GPU)"
                                       : "no Intel Quick Sync device (an Intel GPU with its media driver)";
    const std::string why = media::MediaErrorText(ret);
    // Some drivers fail with a bare number, which tells the user nothing.
    return std::string(what) + " could be opened" + (why.starts_with("Error number") ? "" : " (" + why + ")");
  };
  return probe;
}

void CheckOutputFormat(const std::string& path) {
  if (!ff::av_guess_format(nullptr, path.c_str(), nullptr))
    throw UsageError("-o \"" + path + "\": no container is known for the extension \"" +
                     fs::path(path).extension().string() + "\" (use .mp4, .mkv, .avi or .mov)");
}

}  // namespace cli
