// The renderer's arguments: values normalised for the run, bad ones refused
// with a message naming them, list files read as people write them.
#include <gtest/gtest.h>

#include <fstream>

#include "cli/render_files.h"
#include "cli/render_options.h"
#include "cli/slideshow_render.h"
#include "slideshow/test_pictures.h"

namespace {

using cli::CommandLine;
using cli::ParseCommandLine;
using cli::UsageError;

CommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const UsageError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(RenderCommandLine, DefaultsAreTheWindowsAndOptionsSetTheirFields) {
  const CommandLine d = Parse({"-o", "a.mp4", "p.jpg"});
  EXPECT_EQ(d.command, cli::Command::Render);
  EXPECT_EQ(d.options.FrameRate, "30/1");
  EXPECT_EQ(d.options.FrameSize, "1920x1080");
  EXPECT_TRUE(d.options.RandomEffects);
  EXPECT_TRUE(d.options.BreakWhenNoPictures);
  EXPECT_FALSE(d.options.RealTime);
  EXPECT_EQ(d.options.Effect, 0);
  EXPECT_TRUE(d.options.ExifOrientation);
  EXPECT_TRUE(d.options.SmoothFit);

  const CommandLine c =
      Parse({"--rate=25", "--size", "1280x960", "--sequential", "--no-break-when-no-pictures",
             "--realtime", "-q", "--effect", "60", "--audio", "s.wav", "--picture-delay", "3",
             "--transition-delay=0.5", "--output=b.mkv", "--no-exif-orientation", "--smooth-fit",
             "x.jpg", "--", "-y.jpg"});
  EXPECT_EQ(c.options.FrameRate, "25/1");
  EXPECT_EQ(c.options.FrameSize, "1280x960");
  EXPECT_FALSE(c.options.RandomEffects);
  EXPECT_FALSE(c.options.BreakWhenNoPictures);
  EXPECT_TRUE(c.options.RealTime);
  EXPECT_TRUE(c.options.Quiet);
  EXPECT_EQ(c.options.Effect, 60);
  EXPECT_EQ(c.options.Audio, "s.wav");
  EXPECT_EQ(c.options.PictureDelay, "3");
  EXPECT_EQ(c.options.TransitionDelay, "0.5");
  EXPECT_EQ(c.options.Output, "b.mkv");
  EXPECT_FALSE(c.options.ExifOrientation);
  EXPECT_TRUE(c.options.SmoothFit);
  EXPECT_EQ(c.options.Pictures, (std::vector<std::string>{"x.jpg", "-y.jpg"}));

  // Short options combine; given twice, the last value counts.
  const CommandLine s = Parse({"-qo", "c.mp4", "--size", "64x48", "--size=32x24", "p.jpg"});
  EXPECT_TRUE(s.options.Quiet);
  EXPECT_EQ(s.options.Output, "c.mp4");
  EXPECT_EQ(s.options.FrameSize, "32x24");

  // Whatever else is given, these print and leave.
  EXPECT_EQ(Parse({"--list-effects"}).command, cli::Command::ListEffects);
  EXPECT_EQ(Parse({"-V"}).command, cli::Command::Version);
  EXPECT_EQ(Parse({"--version", "--help"}).command, cli::Command::Help);
}

TEST(RenderCommandLine, ValuesComeOutInTheFormTheRunUses) {
  EXPECT_EQ(cli::CheckFrameRate("30000/1001"), "30000/1001");
  EXPECT_EQ(cli::CheckFrameRate("15"), "15/1");
  EXPECT_EQ(cli::CheckFrameRate("240/1"), "240/1");
  EXPECT_EQ(cli::CheckFrameSize("16384x2"), "16384x2");
  EXPECT_EQ(cli::CheckFrameSize("0640x0480"), "640x480");
  EXPECT_EQ(cli::CheckDelay("--picture-delay", "1e1"), "1e1");
  EXPECT_EQ(cli::CheckDelay("--picture-delay", "86400"), "86400");
  EXPECT_EQ(cli::CheckEffect("1"), 1);
  EXPECT_EQ(cli::CheckEffect("176"), 176);
  EXPECT_EQ(cli::CheckEffect("SLIDE IN FROM LEFT"), 4);
}

TEST(RenderCommandLine, RefusesValuesOutsideTheirRangeNamingThem) {
  for (const char* size : {"0x0", "-5x10", "abc", "320", "320x", "x240", "16386x2", "3x4",
                           "320x240x2", " 320x240", "+320x240", "99999999999999999999x2"})
    EXPECT_NE(ErrorOf([&] { cli::CheckFrameSize(size); }).find(std::string("\"") + size + "\""),
              std::string::npos)
        << size;
  for (const char* rate : {"0/0", "0/1", "30/0", "abc", "1/2", "241", "30/1/1", "-30/1", "30.5",
                           ""})
    EXPECT_NE(ErrorOf([&] { cli::CheckFrameRate(rate); }).find("--rate"), std::string::npos)
        << rate;
  for (const char* delay : {"0", "-1", "abc", "inf", "nan", "1,5", "86400.5", "2s", ""})
    EXPECT_NE(ErrorOf([&] { cli::CheckDelay("--picture-delay", delay); }).find("--picture-delay"),
              std::string::npos)
        << delay;
  for (const char* effect : {"0", "177", "-1", "Expand", ""})
    EXPECT_NE(ErrorOf([&] { cli::CheckEffect(effect); }).find("1 to 176"), std::string::npos)
        << effect;
}

TEST(RenderCommandLine, AnEffectNameTwoRowsShareAsksForTheNumber) {
  // Rows 18 and 33 share their name but draw differently.
  const std::string message = ErrorOf([] { cli::CheckEffect("expand from bottom"); });
  EXPECT_NE(message.find("18"), std::string::npos) << message;
  EXPECT_NE(message.find("33"), std::string::npos) << message;
}

TEST(RenderCommandLine, RefusesArgumentsItCannotUse) {
  EXPECT_NE(ErrorOf([] { Parse({"p.jpg"}); }).find("-o FILE"), std::string::npos);
  EXPECT_NE(ErrorOf([] { Parse({"-o", "a.mp4"}); }).find("no pictures"), std::string::npos);
  EXPECT_NE(ErrorOf([] { Parse({"-o", "a.mp4", "--frobnicate", "p.jpg"}); }).find("--frobnicate"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { Parse({"-o", "a.mp4", "p.jpg", "--rate"}); }).find("value must follow"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { Parse({"--realtime=1", "-o", "a.mp4", "p.jpg"}); }).find("no value"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { Parse({"-o", "", "p.jpg"}); }).find("--output"), std::string::npos);
  for (const char* seed : {"-1", "4294967296", "1e3", ""})
    EXPECT_NE(ErrorOf([&] { Parse({"-o", "a.mp4", "--seed", seed, "p.jpg"}); }).find("--seed"),
              std::string::npos)
        << seed;
  EXPECT_NE(ErrorOf([] { Parse({"-o", "a.mp4", "a.toml", "p.jpg"}); }).find("no pictures besides"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { Parse({"-o", "a.mp4", "a.toml", "--show", "b.toml"}); }).find("two shows"),
            std::string::npos);
}

TEST(RenderCommandLine, ListFilesKeepTheirOrderAndSkipBlankLines) {
  const auto dir = testpics::ScratchDir("cli/list");
  const auto list = dir / "list.txt";
  std::ofstream(list) << "b.jpg\r\n\n  \t\nwith space.jpg\n/abs/c.bmp";
  EXPECT_EQ(cli::ReadPictureList(list.string()),
            (std::vector<std::string>{"b.jpg", "with space.jpg", "/abs/c.bmp"}));
  const CommandLine c = Parse({"-o", "a.mp4", "first.jpg", "--list", list.string()});
  EXPECT_EQ(c.options.Pictures,
            (std::vector<std::string>{"first.jpg", "b.jpg", "with space.jpg", "/abs/c.bmp"}));
  EXPECT_NE(ErrorOf([&] { cli::ReadPictureList((dir / "none.txt").string()); }).find("none.txt"),
            std::string::npos);
}

TEST(RenderCommandLine, OptionStringsAreTheWindowsWithReAddedOnlyForRealTime) {
  cli::RenderOptions o;
  o.FrameRate = "25/1";
  o.FrameSize = "640x480";
  EXPECT_EQ(cli::VideoInputOptions(o),
            "-f frameinput -input_type canvas -pix_fmt bgra -r 25/1 -s 640x480");
  o.Output = "a.avi";
  EXPECT_EQ(cli::OutputOptions(o, {"libx264", "none", ""}, false),
            "-c:v libx264 -pix_fmt yuv420p -preset medium -crf 23 -g 50 -c:a libmp3lame -b:a 192k -r 25/1 "
            "-s 640x480");
  o.RealTime = true;
  EXPECT_EQ(cli::VideoInputOptions(o),
            "-f frameinput -re -input_type canvas -pix_fmt bgra -r 25/1 -s 640x480");
}

TEST(RenderFiles, RefusesFilesItCannotReadOrAnOutputThatWouldHurtAnInput) {
  const auto dir = testpics::ScratchDir("cli/files");
  const auto picture = dir / "p.bmp";
  testpics::WriteBmp24(picture, 4, 4, [](int, int) { return 0x102030u; });
  cli::RenderOptions o;
  o.Pictures = {picture.string()};
  o.Output = (dir / "show.mp4").string();
  EXPECT_NO_THROW(cli::CheckFiles(o));

  auto refused = [&](cli::RenderOptions changed, const std::string& words) {
    const std::string message = ErrorOf([&] { cli::CheckFiles(changed); });
    EXPECT_NE(message.find(words), std::string::npos) << message;
  };
  cli::RenderOptions c = o;
  c.Pictures.push_back((dir / "gone.jpg").string());
  refused(c, "no such file");
  c = o;
  c.Pictures.push_back(dir.string());
  refused(c, "is a folder");
  c = o;
  c.Audio = (dir / "gone.wav").string();
  refused(c, "gone.wav");
  c = o;
  c.Output = (dir / "missing" / "show.mp4").string();
  refused(c, "does not exist");
  c = o;
  c.Output = dir.string();
  refused(c, "is a folder");
  c = o;
  c.Output = (dir / "noextension").string();
  refused(c, "extension");
  c = o;
  // The same file under another spelling.
  c.Output = (dir / "." / "p.bmp").string();
  refused(c, "one of the pictures");
}

TEST(RenderFiles, TheWorkingFileIsHiddenBesideTheOutputWithItsExtension) {
  EXPECT_EQ(cli::WorkingFileName("out/demo.mp4", 42), "out/.demo.partial-42.mp4");
  EXPECT_EQ(cli::WorkingFileName("show.mkv", 7), ".show.partial-7.mkv");
}

}  // namespace

TEST(RenderCommandLine, HeldPicturesOnceUnlessTheShowFileOrTheCommandLineSaysEveryFrame) {
  const auto dir = testpics::ScratchDir("cli/every_frame");
  const std::string every = (dir / "every.toml").string(), plain = (dir / "plain.toml").string();
  testpics::WriteBmp24(dir / "a.jpg", 4, 4, [](int, int) { return 0x102030u; });
  std::ofstream(every) << "[show]\nevery_frame = true\n[[slide]]\npicture = \"a.jpg\"\n";
  std::ofstream(plain) << "[[slide]]\npicture = \"a.jpg\"\n";
  EXPECT_FALSE(Parse({"-o", "a.mp4", every}).options.Speed.HeldOnce);
  EXPECT_TRUE(Parse({"-o", "a.mp4", plain}).options.Speed.HeldOnce);
  EXPECT_FALSE(Parse({"-o", "a.mp4", plain, "--every-frame"}).options.Speed.HeldOnce);
}
