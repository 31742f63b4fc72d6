// The show file: what it reads, what it refuses and how it says so, and
// that writing then reading gives the same show.
#include "slideshow/show_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "test_pictures.h"

namespace {

using namespace slideshow;
namespace fs = std::filesystem;

TEST(ShowFileTest, WritingThenReadingGivesTheSameShow) {
  Show show;
  ShowSettings& s = show.Settings;
  s.Width = 1280;
  s.Height = 720;
  s.Rate = {30000, 1001};
  s.Hold = 1.1L;
  s.Transition = 0.35L;
  s.Effect = {EffectMode::Sequential, 0};
  s.Seed = 4294967295u;
  s.Scale = Scaling::Smooth;
  s.Sound = {"/music/a \"quoted\" song.mp3", "/show/b.ogg"};
  s.End = ShowEnd::Sound;
  s.ExifOrientation = false;
  show.Slides = {{"/show/photos/one.jpg", 0.05L, {}, EffectChoice{EffectMode::Fixed, 5}},
                 {"/elsewhere/tab\there\\é.png", {}, 86400.0L, EffectChoice{EffectMode::None, 0}},
                 // Rows 18 and 33 share a name: written as the number.
                 {"/show/x.bmp", 3.0L, 0.1L, EffectChoice{EffectMode::Fixed, 33}},
                 {"/show/y.bmp", {}, {}, EffectChoice{EffectMode::Random, 0}}};
  const std::string text = ShowFileText(show, "/show");
  EXPECT_NE(text.find("picture = \"photos/one.jpg\""), std::string::npos) << text;
  EXPECT_EQ(ParseShowText(text, "show.toml", "/show"), show) << text;

  // Left out, everything has its default.
  const Show plain = ParseShowText("[[slide]]\npicture = \"a.jpg\"\n", "s.toml", "/f");
  EXPECT_EQ(plain.Settings, ShowSettings{});
  ASSERT_EQ(plain.Slides.size(), 1u);
  EXPECT_EQ(plain.Slides[0], (Slide{"/f/a.jpg", {}, {}, {}}));
}

TEST(ShowFileTest, RefusalsNameThePlaceTheKeyAndWhatWasExpected) {
  // A text without slides gets three good ones after it, unless it ends in
  // "!", so the key in question is the only fault.
  struct Case {
    const char* text;
    const char* message;  // the whole message, or its start when it ends in "..."
  };
  const std::string slides3 = "[[slide]]\npicture = \"a\"\n[[slide]]\npicture = \"b\"\n"
                              "[[slide]]\npicture = \"c\"\n";
  const Case cases[] = {
      {"[[slide]]\npicture = \"a\"\n[[slide]]\npicture = \"b\"\n[[slide]]\npicture = \"c\"\n"
       "[[slide]]\npicture = \"d\"\nhold = \"fast\"\n",
       "s.toml:9:8: slide 4: hold must be a number of seconds above 0 and at most 86400, found "
       "\"fast\""},
      {"[show]\nhodl = 3\n", "s.toml:2:1: [show]: unknown key \"hodl\"; did you mean \"hold\"?"},
      {"[[slide]]\npictures = \"a\"\n", "s.toml:2:1: slide 1: unknown key \"pictures\"; did you mean \"picture\"?"},
      {"[show]\nsize = \"641x480\"\n", "s.toml:2:8: [show]: size must be \"WIDTHxHEIGHT\"..."},
      {"[show]\nrate = \"0/1\"\n", "s.toml:2:8: [show]: rate must be frames per second..."},
      {"[show]\ntransition = 0\n", "s.toml:2:14: [show]: transition must be a number of seconds above 0..."},
      {"[show]\nhold = nan\n", "s.toml:2:8: [show]: hold must be a number of seconds above 0 and at most 86400, found nan"},
      {"[show]\neffect = 177\n", "s.toml:2:10: [show]: effect must be an effect row from 1 to 176, found 177"},
      {"[show]\neffect = \"expand from bottom\"\n",
       "s.toml:2:10: [show]: effect must be 18 or 33 (two effects share this name), found "
       "\"expand from bottom\""},
      {"[show]\neffect = \"Wipe sideways\"\n", "s.toml:2:10: [show]: effect must be \"random\", \"sequential\"..."},
      {"[show]\neffect = \"reveal from left\"\n[[slide]]\npicture = \"a\"\neffect = [1]\n",
       "s.toml:5:10: slide 1: effect must be \"random\", \"sequential\", \"none\" (a cut), a row "
       "from 1 to 176 or an effect's name, found a list"},
      {"[show]\nseed = -1\n", "s.toml:2:8: [show]: seed must be a whole number from 0 to 4294967295, found -1"},
      {"[show]\nsound = [\"a.mp3\", 7]\n", "s.toml:2:9: [show]: sound must be a sound file's path, or a list of them, found a list"},
      {"[show]\nexif_orientation = \"yes\"\n", "s.toml:2:20: [show]: exif_orientation must be true or false, found \"yes\""},
      {"[slide]\npicture = \"a\"\n!", "s.toml:1:1: slide must be [[slide]] tables, one for each picture"},
      {"[[show]]\n", "s.toml:1:1: show must be one [show] table"},
      {"hold = 2\n", "s.toml:1:1: unknown key \"hold\" outside the tables; put it under [show] or [[slide]]"},
      {"[[slide]]\nhold = 2\n", "s.toml:1:1: slide 1: picture is missing; give the picture file's path"},
      {"[show]\nhold = 2\n!", "s.toml: no [[slide]] tables; a show needs at least one picture"},
      {"[show\n", "s.toml:1:6: not a TOML file: ..."},
      // The library's own space test is mended for letters past ASCII.
      {"[show]\nhold = 2\xC3\xA9\n", "s.toml:2:9: not a TOML file: ..."},
      {"[[slide]]\npicture = \"a\"\npicture = \"b\"\n", "s.toml:3:11: not a TOML file: ..."},
      {"[[slide]]\npicture = \"\"\n", "s.toml:2:11: slide 1: picture must be the picture file's path, found \"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string message;
    try {
      std::string text = c.text;
      if (text.ends_with("!")) text.pop_back();
      else if (text.find("[[slide]]") == std::string::npos) text += slides3;
      ParseShowText(text, "s.toml", "/f");
    } catch (const ShowFileError& e) {
      message = e.what();
    }
    std::string expected = c.message;
    if (expected.ends_with("...")) {
      expected.resize(expected.size() - 3);
      EXPECT_TRUE(message.starts_with(expected)) << message;
    } else {
      EXPECT_EQ(message, expected);
    }
    EXPECT_EQ(message.find('\n'), std::string::npos);
  }
}

TEST(ShowFileTest, ReadingTakesPathsFromTheFilesFolderAndListsEveryMissingFile) {
  const fs::path dir = testpics::ScratchDir("showfile");
  fs::create_directories(dir / "photos");
  testpics::WriteBmp24(dir / "photos" / "a.bmp", 4, 4, [](int, int) { return 0u; });
  const std::string path = (dir / "show.toml").string();
  std::ofstream(path) << "[show]\nsound = \"gone.mp3\"\n"
                         "[[slide]]\npicture = \"photos/a.bmp\"\n"
                         "[[slide]]\npicture = \"photos/b.bmp\"\n"
                         "[[slide]]\npicture = \"photos\"\n";
  try {
    ReadShowFile(path);
    ADD_FAILURE() << "read a show with missing files";
  } catch (const ShowFileError& e) {
    const std::string folder = dir.string();
    EXPECT_EQ(std::string(e.what()),
              path + ": 3 files cannot be read: slide 2 \"" + folder +
                  "/photos/b.bmp\" (missing), slide 3 \"" + folder +
                  "/photos\" (not a file), sound \"" + folder + "/gone.mp3\" (missing)");
  }
  std::ofstream(path) << "[[slide]]\npicture = \"photos/a.bmp\"\n";
  EXPECT_EQ(ReadShowFile(path).Slides.at(0).Picture, (dir / "photos" / "a.bmp").string());
}

}  // namespace
