// The loader changes process state (PATH, loaded libraries); every test
// here puts back what it changed.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_loader.h"
#include "media/binding/ff_logger.h"
#include "media/bridges/main_thread.h"
#include "media_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace media;

fs::path SystemLibraryDir() {
  for (const char* dir : {"/usr/lib/x86_64-linux-gnu", "/usr/lib64", "/usr/lib"})
    if (fs::exists(fs::path(dir) / TFFLoader::LibraryFileName(liAVUtil))) return dir;
  return {};
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

bool AllSlotsEmpty() {
  for (int id = 0; id < kLibraryCount; ++id)
    for (const TEntryPoint& e : TFFLoader::EntryPoints(TLibraryId(id))) {
      void* value;
      std::memcpy(&value, e.slot, sizeof value);
      if (value) return false;
    }
  return true;
}

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMainThread();
    const char* path = std::getenv("PATH");
    hadPath_ = path != nullptr;
    if (path) savedPath_ = path;
    savedCwd_ = fs::current_path();
  }
  void TearDown() override {
    FFLoader().UnloadLibrarySet(kAllLibraries);
    FFLoader().SetLibraryFolder("");
    FFLoader().SetFilterRegistration(nullptr);
    if (hadPath_)
      setenv("PATH", savedPath_.c_str(), 1);
    else
      unsetenv("PATH");
  }

  // A folder with links to the system's copies of the media libraries.
  fs::path LinkFolder(const std::string& name, TLibraryId skip = liLibC) {
    const fs::path system = SystemLibraryDir();
    if (system.empty()) return {};
    const fs::path dir = media_test::ScratchDir(name);
    for (int id = 0; id < kLibraryCount; ++id) {
      if (TFFLoader::IsSystemLibrary(TLibraryId(id)) || id == skip) continue;
      const std::string file = TFFLoader::LibraryFileName(TLibraryId(id));
      fs::create_symlink(system / file, dir / file);
    }
    return dir;
  }

  bool hadPath_ = false;
  std::string savedPath_;
  fs::path savedCwd_;
};

TEST_F(LoaderTest, FileNamesFollowTheHeaders) {
  EXPECT_EQ(TFFLoader::LibraryFileName(liAVCodec), "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR));
  EXPECT_EQ(TFFLoader::LibraryFileName(liAVUtil), "libavutil.so." + std::to_string(LIBAVUTIL_VERSION_MAJOR));
  EXPECT_EQ(TFFLoader::LibraryFileName(liSWScale), "libswscale.so." + std::to_string(LIBSWSCALE_VERSION_MAJOR));
  EXPECT_EQ(TFFLoader::LibraryFileName(liLibC), "libc.so.6");
  EXPECT_TRUE(TFFLoader::IsSystemLibrary(liLibC));
  EXPECT_FALSE(TFFLoader::IsSystemLibrary(liAVFilter));
}

TEST_F(LoaderTest, EmptyFolderLoadsEverythingThroughTheOrdinarySearch) {
  ASSERT_FALSE(FFLoader().LibrarySetLoaded(kAllLibraries));
  EXPECT_TRUE(AllSlotsEmpty());
  try {
    FFLoader().RequireLibrarySet(kAllLibraries);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Library avcodec not loaded.");
  }

  ASSERT_TRUE(FFLoader().LoadLibrarySet(kAllLibraries)) << FFLoader().LastLoaderError();
  EXPECT_TRUE(FFLoader().LibrarySetLoaded(kAllLibraries));
  EXPECT_NO_THROW(FFLoader().RequireLibrarySet(kAllLibraries));
  ASSERT_NE(ff::av_image_get_buffer_size, nullptr);
  // Bound pointers really lead into the library.
  EXPECT_EQ(ff::av_image_get_buffer_size(AV_PIX_FMT_BGRA, 4, 2, 1), 32);
  EXPECT_STREQ(ff::avcodec_get_class()->class_name, "AVCodecContext");
  EXPECT_EQ(std::string(std::getenv("PATH") ? std::getenv("PATH") : ""), savedPath_);

  FFLoader().UnloadLibrarySet(LibraryBit(liAVDevice) | LibraryBit(liAVFilter));
  EXPECT_FALSE(FFLoader().LibrarySetLoaded(kAllLibraries));
  EXPECT_TRUE(FFLoader().LibrarySetLoaded(kInfoLibraries));
  EXPECT_EQ(ff::avdevice_register_all, nullptr);
  try {
    FFLoader().RequireLibrarySet(kAllLibraries);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Library avdevice not loaded.");
  }

  FFLoader().UnloadLibrarySet(kAllLibraries);
  EXPECT_TRUE(AllSlotsEmpty());
  EXPECT_FALSE(FFLoader().LibrarySetLoaded(LibraryBit(liAVUtil)));
}

TEST_F(LoaderTest, FolderOfLinksIsUsedAndAddedToPathOnce) {
  const fs::path dir = LinkFolder("linked-libs");
  if (dir.empty()) GTEST_SKIP() << "no system copies of the media libraries found";
  FFLoader().SetLibraryFolder(dir.string());

  ASSERT_TRUE(FFLoader().LoadLibrarySet(kAllLibraries)) << FFLoader().LastLoaderError();
  EXPECT_TRUE(FFLoader().LibrarySetLoaded(kAllLibraries));
  EXPECT_EQ(fs::current_path(), savedCwd_);
  const std::string folder = dir.string();
  EXPECT_EQ(Occurrences(std::getenv("PATH"), folder), 1u);

  FFLoader().UnloadLibrarySet(kAllLibraries);
  ASSERT_TRUE(FFLoader().LoadLibrarySet(kAllLibraries)) << FFLoader().LastLoaderError();
  EXPECT_EQ(Occurrences(std::getenv("PATH"), folder), 1u);

  // The check ignores case, as the folder may be written either way.
  FFLoader().UnloadLibrarySet(kAllLibraries);
  std::string upper = folder;
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  setenv("PATH", ("/bin:" + upper).c_str(), 1);
  ASSERT_TRUE(FFLoader().LoadLibrarySet(kAllLibraries));
  EXPECT_STREQ(std::getenv("PATH"), ("/bin:" + upper).c_str());
}

TEST_F(LoaderTest, FolderWithoutTheFilesFallsBackToTheOrdinarySearch) {
  const fs::path dir = media_test::ScratchDir("empty-libs");
  FFLoader().SetLibraryFolder(dir.string());
  ASSERT_TRUE(FFLoader().LoadLibrarySet(kAllLibraries)) << FFLoader().LastLoaderError();
  // Nothing was opened from the folder, so PATH did not grow.
  EXPECT_EQ(std::string(std::getenv("PATH") ? std::getenv("PATH") : ""), savedPath_);
}

TEST_F(LoaderTest, MissingLibraryNamesTheFile) {
  const fs::path dir = media_test::ScratchDir("broken-lib");
  // A file that is not a library at all.
  std::ofstream(dir / TFFLoader::LibraryFileName(liSWResample)) << "not a library";
  FFLoader().SetLibraryFolder(dir.string());
  EXPECT_FALSE(FFLoader().LoadLibrarySet(kAllLibraries));
  const std::string expected =
      "Load library " + (dir / TFFLoader::LibraryFileName(liSWResample)).string() + " error: ";
  EXPECT_EQ(FFLoader().LastLoaderError().rfind(expected, 0), 0u) << FFLoader().LastLoaderError();
  EXPECT_GT(FFLoader().LastLoaderError().size(), expected.size());
  EXPECT_TRUE(AllSlotsEmpty());
}

// A stand-in swscale that lacks sws_scale: the set fails as a whole, also
// for a library that was loaded before the call.
TEST_F(LoaderTest, LibraryLackingAnEntryPointUnloadsTheWholeSet) {
  const fs::path dir = LinkFolder("stand-in-libs", liSWScale);
  if (dir.empty()) GTEST_SKIP() << "no system copies of the media libraries found";
  const fs::path source = dir / "stand_in.c";
  std::ofstream(source) << "void sws_freeContext(void* c) { (void)c; }\n"
                           "void* sws_getCachedContext(void) { return 0; }\n"
                           "const void* sws_get_class(void) { return 0; }\n";
  const fs::path library = dir / TFFLoader::LibraryFileName(liSWScale);
  const std::string command = "cc -shared -fPIC -o '" + library.string() + "' '" + source.string() + "' 2>&1";
  if (std::system(command.c_str()) != 0 || !fs::exists(library)) GTEST_SKIP() << "no C compiler";

  ASSERT_TRUE(FFLoader().LoadLibrarySet(LibraryBit(liAVUtil)));
  FFLoader().SetLibraryFolder(dir.string());
  EXPECT_FALSE(FFLoader().LoadLibrarySet(kAllLibraries));

  const std::string error = FFLoader().LastLoaderError();
  const std::string expected = "Load function sws_scale@" + TFFLoader::LibraryFileName(liSWScale) + " error: ";
  EXPECT_EQ(error.rfind(expected, 0), 0u) << error;
  EXPECT_NE(error.find("sws_scale", expected.size()), std::string::npos) << error;
  for (int id = 0; id < kLibraryCount; ++id)
    EXPECT_FALSE(FFLoader().LibrarySetLoaded(LibraryBit(TLibraryId(id)))) << id;
  EXPECT_TRUE(AllSlotsEmpty());

  // The rest of the libraries still load once the folder is fixed.
  FFLoader().SetLibraryFolder("");
  EXPECT_TRUE(FFLoader().LoadLibrarySet(kAllLibraries)) << FFLoader().LastLoaderError();
}

TEST_F(LoaderTest, BindingReportsFunctionsAndVariablesByName) {
  void* libc = dlopen("libc.so.6", RTLD_NOW);
  ASSERT_NE(libc, nullptr);
  void* found = nullptr;
  void* missing = reinterpret_cast<void*>(1);
  const TEntryPoint functions[] = {{"strlen", &found, false}, {"no_such_function_here", &missing, false}};
  try {
    BindEntryPoints(libc, "libc.so.6", functions);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Load function no_such_function_here@libc.so.6 error: ", 0), 0u)
        << e.what();
  }
  EXPECT_EQ(found, dlsym(libc, "strlen"));
  const TEntryPoint variables[] = {{"no_such_variable_here", &missing, true}};
  try {
    BindEntryPoints(libc, "libc.so.6", variables);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Load variable no_such_variable_here@libc.so.6 error: ", 0), 0u)
        << e.what();
  }
  UnbindEntryPoints(functions);
  EXPECT_EQ(found, nullptr);
  dlclose(libc);
}

void ForeignCallback(void*, int, const char*, va_list) {}
int StandInStrerror(int, char*, size_t) { return 0; }

TEST_F(LoaderTest, SecondLoadRepeatsOnlyThePostBindingSteps) {
  int filterRegistrations = 0;
  FFLoader().SetFilterRegistration([&] { ++filterRegistrations; });
  TFFLogger logger;
  std::vector<std::string> lines;
  logger.SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string& m) { lines.push_back(m); });

  ASSERT_TRUE(FFLoader().LoadLibrarySet(kAllLibraries));
  EXPECT_EQ(filterRegistrations, 1);
  // A slot that a second binding would overwrite.
  auto* const realStrerror = ff::av_strerror;
  ff::av_strerror = &StandInStrerror;

  // Someone else takes over the library's logging in between.
  ff::av_log_set_callback(&ForeignCallback);
  ff::av_log_set_level(AV_LOG_TRACE);
  const bool again = FFLoader().LoadLibrarySet(kAllLibraries);
  const bool rebound = ff::av_strerror != &StandInStrerror;
  ff::av_strerror = realStrerror;
  ASSERT_TRUE(again);
  EXPECT_FALSE(rebound);
  EXPECT_EQ(filterRegistrations, 2);
  EXPECT_EQ(ff::av_log_get_level(), CurrentLibraryLevel());
  ff::av_log(nullptr, AV_LOG_ERROR, "back to us %d\n", 42);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "back to us 42");
}

TEST_F(LoaderTest, LevelSetBeforeLoadingReachesTheLibraryWhenBound) {
  TFFLogger logger;
  logger.SetLogLevel(llPanic);
  EXPECT_EQ(CurrentLibraryLevel(), 32);  // nothing bound yet
  ASSERT_TRUE(FFLoader().LoadLibrarySet(LibraryBit(liAVUtil)));
  EXPECT_EQ(CurrentLibraryLevel(), 0);
  EXPECT_EQ(ff::av_log_get_level(), 0);
  logger.SetLogLevel(llInfo);
  EXPECT_EQ(ff::av_log_get_level(), 32);
}

}  // namespace
