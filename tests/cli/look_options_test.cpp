// The renderer's framing, motion and caption options: values reach the
// run, bad ones are refused naming the option, captions files are read as
// people write them.
#include <gtest/gtest.h>

#include <fstream>

#include "cli/render_options.h"
#include "slideshow/test_pictures.h"

namespace {

cli::CommandLine Parse(std::vector<std::string> args) {
  args.insert(args.end(), {"-o", "a.mp4", "p.jpg"});
  return cli::ParseCommandLine(args);
}

TEST(LookOptions, ValuesReachTheRunAndBadOnesAreRefusedByName) {
  const auto dir = testpics::ScratchDir("cli/look");
  const auto captions = dir / "captions.txt";
  std::ofstream(captions) << "Première\r\n\nTwo\\nlines\n";
  const cli::LookOptions o =
      Parse({"--fit", "fill", "--fill-at", "0.25,1", "--background", "#102030", "--motion",
             "0,0,0.5,0.5:0.5,0.5,0.5,0.5", "--easing", "linear", "--caption-size", "0.1",
             "--caption-place", "top", "--no-caption-shadow", "--captions", captions.string()})
          .options.Look;
  EXPECT_EQ(o.Fit, slideshow::FitMode::Fill);
  EXPECT_EQ(o.FillX, 0.25);
  EXPECT_EQ(o.FillY, 1.0);
  EXPECT_EQ(o.Background, 0x102030u);
  EXPECT_EQ(o.Motion.kind, slideshow::MotionKind::Rects);
  EXPECT_EQ(o.Motion.end, (gfx::RectF{0.5, 0.5, 0.5, 0.5}));
  EXPECT_EQ(o.Motion.easing, slideshow::Easing::Linear);
  EXPECT_EQ(o.Captions.size, 0.1);
  EXPECT_EQ(o.Captions.place, slideshow::CaptionPlace::Top);
  EXPECT_FALSE(o.Captions.shadow);
  EXPECT_EQ(o.CaptionTexts, (std::vector<std::string>{"Première", "", "Two\nlines"}));

  struct Bad {
    std::vector<std::string> args;
    const char* named;
  };
  for (const Bad& b : {Bad{{"--fit", "stretch"}, "--fit \"stretch\": \"fit\""},
                       Bad{{"--background", "red"}, "--background \"red\": a colour"},
                       Bad{{"--motion", "spin"}, "--motion \"spin\": none, zoom-in"},
                       Bad{{"--motion", "0,0,2,1:0,0,1,1"}, "--motion"},
                       Bad{{"--fill-at", "0.5"}, "--fill-at"},
                       Bad{{"--caption-size", "0"}, "--caption-size \"0\": a number from 0.01 to 0.5"},
                       Bad{{"--caption-fade", "nan"}, "--caption-fade"},
                       Bad{{"--captions", (dir / "none.txt").string()}, "none.txt\": cannot read"}}) {
    std::string message = "(no error)";
    try {
      Parse(b.args);
    } catch (const cli::UsageError& e) {
      message = e.what();
    }
    EXPECT_NE(message.find(b.named), std::string::npos) << message;
  }
}

}  // namespace
