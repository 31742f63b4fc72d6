// Frame-hook plug-ins: loading, refusals with their codes and messages, the
// shared plug-in cache, and hooks changing the pictures of a whole run.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/transcoder.h"
#include "engine_fixture.h"
#include "media/picture/frame_hooks.h"
#include "sound_files.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;

std::string Plugin(const char* name) {
  return std::string(LS_TEST_PLUGIN_DIR) + "/" + name + ".so";
}

// Calls counted inside the inverting plug-in (the same library the hooks
// use, since a library file is mapped once per process).
struct HookCalls {
  int configure = 0, process = 0, release = 0;
};
HookCalls InvertCalls() {
  HookCalls calls;
  void* lib = dlopen(Plugin("invert_plane_hook").c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!lib) return calls;
  using Fn = void (*)(int*, int*, int*);
  if (auto fn = reinterpret_cast<Fn>(dlsym(lib, "HookCalls")))
    fn(&calls.configure, &calls.process, &calls.release);
  dlclose(lib);
  return calls;
}

int Add(media::TFrameHookList& list, std::vector<std::string> words) {
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  return media::AddFrameHook(list, int(words.size()), argv.data());
}

using FrameHooksTest = EngineTest;

TEST_F(FrameHooksTest, RefusedPluginsAreReportedAndNothingIsAdded) {
  media::TFrameHookList list;
  EXPECT_EQ(media::AddFrameHook(list, 0, nullptr), -2);

  const std::string missing = Plugin("no_such_hook");
  EXPECT_EQ(Add(list, {missing}), -1);
  bool loadLogged = false;
  for (const LogLine& line : Logged())
    loadLogged |= line.level == media::llError && line.text.find(missing) != std::string::npos;
  EXPECT_TRUE(loadLogged);

  const std::string noProcess = Plugin("no_process_hook");
  EXPECT_EQ(Add(list, {noProcess}), -2);
  EXPECT_TRUE(WasLogged(media::llError, "Failed to find Process entrypoint in " + noProcess));

  const std::string processOnly = Plugin("process_only_hook");
  EXPECT_EQ(Add(list, {processOnly, "an-argument"}), -2);
  EXPECT_TRUE(WasLogged(media::llError, "Failed to find Configure entrypoint in " + processOnly));

  const std::string invert = Plugin("invert_plane_hook");
  EXPECT_EQ(Add(list, {invert, "fail"}), -22);
  EXPECT_TRUE(WasLogged(media::llError, "Failed to Configure " + invert));
  EXPECT_TRUE(list.Empty());

  // Without arguments a plug-in needs no "Configure".
  EXPECT_EQ(Add(list, {processOnly}), 0);
  EXPECT_EQ(list.Size(), 1u);
}

TEST_F(FrameHooksTest, OnePluginFileServesManyHooksAndEachIsReleased) {
  const HookCalls before = InvertCalls();
  const size_t cachedBefore = media::CachedPluginCount();
  {
    media::TFrameHookList list;
    ASSERT_EQ(Add(list, {Plugin("invert_plane_hook"), "0"}), 0);
    const size_t cachedOnce = media::CachedPluginCount();
    ASSERT_EQ(Add(list, {Plugin("invert_plane_hook"), "0"}), 0);
    EXPECT_EQ(media::CachedPluginCount(), cachedOnce);
    EXPECT_LE(cachedOnce, cachedBefore + 1);
    EXPECT_EQ(list.Size(), 2u);

    // Both hooks run, in order: the picture is inverted twice.
    uint8_t luma[2 * 3] = {0, 10, 20, 30, 40, 250};
    LsHookPicture picture{{luma, nullptr, nullptr, nullptr}, {3, 0, 0, 0}};
    media::ProcessFrameHooks(list, &picture, AV_PIX_FMT_GRAY8, 3, 2, 0);
    EXPECT_EQ(luma[5], 250);
    EXPECT_EQ(InvertCalls().process - before.process, 2);
    media::TFrameHookList single;
    ASSERT_EQ(Add(single, {Plugin("invert_plane_hook")}), 0);
    media::ProcessFrameHooks(single, &picture, AV_PIX_FMT_GRAY8, 3, 2, 0);
    EXPECT_EQ(luma[0], 255);
    EXPECT_EQ(luma[5], 5);
  }
  const HookCalls after = InvertCalls();
  EXPECT_EQ(after.configure - before.configure, 3);
  EXPECT_EQ(after.release - before.release, 3);
}

TEST_F(FrameHooksTest, PluginFolderIsVisitedAndLeftAgain) {
  const fs::path home = fs::current_path();
  const fs::path dir = SoundScratch("hook-folder");
  fs::current_path(dir);
  // A name relative to the current folder still finds the plug-in after
  // its own folder has become current.
  const fs::path relative = fs::relative(Plugin("invert_plane_hook"), dir);
  media::TFrameHookList list;
  EXPECT_EQ(Add(list, {relative.string()}), 0);
  EXPECT_EQ(fs::current_path(), dir);
  EXPECT_EQ(Add(list, {(relative.parent_path() / "no_such_hook.so").string()}), -1);
  EXPECT_EQ(fs::current_path(), dir);
  const std::string path = std::getenv("PATH");
  EXPECT_NE(path.find(fs::path(Plugin("invert_plane_hook")).parent_path().string()),
            std::string::npos)
      << path;
  fs::current_path(home);
}

// Grey test pictures: value 20 + x + y.
std::string WriteGrey(const fs::path& path, int w, int h, int frames) {
  std::ofstream f(path, std::ios::binary);
  for (int n = 0; n < frames; ++n)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) f.put(char(20 + x + y));
  return path.string();
}

TEST_F(FrameHooksTest, HookChangesTheEncodedPictures) {
  const fs::path dir = SoundScratch("hook-run");
  const std::string raw = WriteGrey(dir / "in.gray", 16, 8, 4);
  const std::string out = (dir / "out.nut").string();
  engine::TTranscoder engine;
  engine.ParseOptions("-f rawvideo -pix_fmt gray -s 16x8 -r 25");
  ASSERT_EQ(engine.OpenInput(raw), 0) << engine.LastErrorText();
  engine.ParseOptions("-y -c:v rawvideo -pix_fmt gray -vhook " + Plugin("invert_plane_hook"));
  EXPECT_TRUE(engine.FrameHooksEnabled());
  EXPECT_EQ(engine.FrameHookCount(), 1u);
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  const HookCalls before = InvertCalls();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  EXPECT_EQ(InvertCalls().process - before.process, 4);
  int pictures = 0, wrong = 0;
  DecodeFirstStream(out, [&](const AVFrame& frame) {
    ++pictures;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 16; ++x) wrong += frame.data[0][y * frame.linesize[0] + x] != 235 - x - y;
  });
  EXPECT_EQ(pictures, 4);
  EXPECT_EQ(wrong, 0);
}

TEST_F(FrameHooksTest, FailedHookOptionIsReportedAndTheEngineStaysUsable) {
  engine::TTranscoder engine;
  const std::string bad = Plugin("invert_plane_hook") + "|fail";
  try {
    engine.ParseOptions("-vhook " + bad);
    ADD_FAILURE() << "a failing plug-in was accepted";
  } catch (const engine::FFmpegException& e) {
    const std::string message = e.what();
    EXPECT_EQ(message.substr(0, message.find('\n')), "Failed to add video hook function: " + bad);
  }
  EXPECT_FALSE(engine.FrameHooksEnabled());
  EXPECT_EQ(engine.FrameHookCount(), 0u);

  // A run without the hook goes on as usual.
  const fs::path dir = SoundScratch("hook-failed");
  const std::string raw = WriteGrey(dir / "in.gray", 16, 8, 2);
  const std::string out = (dir / "out.nut").string();
  engine.ParseOptions("-f rawvideo -pix_fmt gray -s 16x8 -r 25");
  ASSERT_EQ(engine.OpenInput(raw), 0) << engine.LastErrorText();
  engine.ParseOptions("-y -c:v rawvideo -pix_fmt gray");
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrorText();
  engine.Run();
  EXPECT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  int pictures = 0;
  DecodeFirstStream(out, [&](const AVFrame& frame) {
    ++pictures;
    EXPECT_EQ(frame.data[0][0], 20);
  });
  EXPECT_EQ(pictures, 2);
}

}  // namespace
}  // namespace engine_test
