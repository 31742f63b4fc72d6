#include "app/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace app;

namespace {

std::string Scramble(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += DecodeSettingsLine(line) + "\r\n";
  return out;
}

class SettingsFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("LS_TEST_TMP");
    dir_ = fs::path(base ? base : fs::temp_directory_path().string()) /
           ("settings-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& bytes) {
    const fs::path path = dir_ / kSettingsFileName;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  fs::path dir_;
};

}  // namespace

TEST(SettingsLine, DecodingIsItsOwnInverseAndComplementsEveryByte) {
  const std::string text = "[SYSTEM]";
  const std::string stored = DecodeSettingsLine(text);
  ASSERT_EQ(stored.size(), text.size());
  for (size_t i = 0; i < text.size(); ++i)
    EXPECT_EQ(static_cast<unsigned char>(stored[i]), 255 - static_cast<unsigned char>(text[i]));
  EXPECT_EQ(DecodeSettingsLine(stored), text);
  EXPECT_EQ(DecodeSettingsLine(""), "");
  std::string all;
  for (int b = 0; b < 256; ++b) all += char(b);
  EXPECT_EQ(DecodeSettingsLine(DecodeSettingsLine(all)), all);
}

TEST(SettingsText, LineBreaksSplitAndAZeroByteEndsTheText) {
  EXPECT_EQ(SplitSettingsText("a\r\nb\nc\rd\r\n"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitSettingsText("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitSettingsText(std::string("ab\0cd\r\nef", 10)), (std::vector<std::string>{"ab"}));
  EXPECT_TRUE(SplitSettingsText("").empty());
}

// 242 and 245 complement to LF and CR and split a line; 255 is stored as 0
// and ends the text.
TEST(SettingsText, BytesThatCannotBeStored) {
  const std::string stored242 = DecodeSettingsLine(std::string("Name=a") + char(242) + "b");
  auto lines = SplitSettingsText(stored242);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(DecodeSettingsLine(lines[0]), "Name=a");
  EXPECT_EQ(DecodeSettingsLine(lines[1]), "b");

  lines = SplitSettingsText(DecodeSettingsLine(std::string("x") + char(245) + "y"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(DecodeSettingsLine(lines[1]), "y");

  lines = SplitSettingsText(DecodeSettingsLine(std::string("Name=ab") + char(255) + "cd") + "\r\n" +
                            DecodeSettingsLine("Version=1"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(DecodeSettingsLine(lines[0]), "Name=ab");
}

TEST(IniText, TrimsIgnoresAndLooksUpWithoutLetterCase) {
  const TIniText ini({"Name=before any section", "", "  ; a comment", " [ system ] ",
                      "  Name =  Lanternslide  ", "Version=1=2", "NoValue", "; Skin=9",
                      "[Other]", "Name=Other"});
  EXPECT_EQ(ini.ReadString("SYSTEM", "name"), "Lanternslide");
  EXPECT_EQ(ini.ReadString("System", "VERSION"), "1=2");
  EXPECT_EQ(ini.ReadString("SYSTEM", "NoValue"), "");
  EXPECT_EQ(ini.ReadString("SYSTEM", "Skin"), "");
  EXPECT_EQ(ini.ReadString("SYSTEM", "Missing"), "");
  EXPECT_EQ(ini.ReadString("other", "Name"), "Other");
  EXPECT_EQ(ini.ReadString("Nowhere", "Name"), "");
  EXPECT_FALSE(ini.HasSection("Nowhere"));
}

TEST_F(SettingsFolder, ScrambledFileReadsBackWithEmptyLines) {
  const std::string path = Write(Scramble({"[SYSTEM]", "", "Name=Lanternslide", "", "Version=0.1",
                                           "Skin=3", "ResFolder=Blue\\", "HelpHomePageLink=https://x.test/"}));
  const TIniText ini = ReadSettingsFile(path);
  EXPECT_EQ(ini.ReadString("SYSTEM", "Name"), "Lanternslide");
  const TGlobalVars g = ReadGlobalVars(ini);
  EXPECT_EQ(g.Version, "0.1");
  EXPECT_EQ(g.Skin, 3);
  EXPECT_EQ(g.ResFolder, "Blue\\");
  EXPECT_EQ(g.HelpHomePageLink, "https://x.test/");
  EXPECT_EQ(g.Copyright, "");
}

TEST_F(SettingsFolder, PlainTextIsNotSettings) {
  // An unscrambled file decodes to bytes with no section line: nothing is read.
  const TIniText ini = ReadSettingsFile(Write("[SYSTEM]\r\nName=Plain\r\n"));
  EXPECT_EQ(ini.ReadString("SYSTEM", "Name"), "");
}

TEST_F(SettingsFolder, MissingFileIsRefusedNamingIt) {
  const std::string path = (dir_ / "nothing" / kSettingsFileName).string();
  try {
    ReadSettingsFile(path);
    FAIL() << "no error";
  } catch (const SettingsError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  EXPECT_THROW(ReadSettingsFile(dir_.string()), SettingsError);  // a folder
}

TEST(GlobalVars, SkinMustBeADecimalInteger) {
  auto skin = [](const std::string& value) {
    return ReadGlobalVars(TIniText({"[SYSTEM]", "Skin=" + value})).Skin;
  };
  EXPECT_EQ(skin("12"), 12);
  EXPECT_EQ(skin("-4"), -4);
  EXPECT_EQ(skin("+4"), 4);
  EXPECT_THROW(skin(""), SettingsError);
  EXPECT_THROW(skin("blue"), SettingsError);
  EXPECT_THROW(skin("1.5"), SettingsError);
  EXPECT_THROW(skin("+-5"), SettingsError);
  EXPECT_THROW(skin("99999999999"), SettingsError);
}

// Found by fuzzing: a stored 255 decodes to a zero byte, which cut the
// message off before the key's name.
TEST(GlobalVars, SkinWithAZeroByteIsRefusedNamingTheKey) {
  try {
    ReadGlobalVars(TIniText({"[SYSTEM]", std::string("Skin=4\0x", 8)}));
    ADD_FAILURE() << "accepted";
  } catch (const SettingsError& e) {
    EXPECT_STREQ(e.what(), "'4' is not a valid integer value (settings key \"Skin\")");
  }
}

TEST(Paths, TrailingDelimiterAndSkinPath) {
  EXPECT_EQ(WithTrailingBackslash("/opt/ls"), "/opt/ls/");
  EXPECT_EQ(WithTrailingBackslash("/opt/ls/"), "/opt/ls/");
  EXPECT_EQ(WithTrailingBackslash("Blue\\"), "Blue/");
  EXPECT_EQ(WithTrailingBackslash(""), "/");
  EXPECT_EQ(SkinPicturePath("/opt/ls", "Blue"), "/opt/ls/sounds/Blue/main.bmp");
  EXPECT_EQ(SkinPicturePath("/opt/ls/", "Blue\\"), "/opt/ls/sounds/Blue/main.bmp");
  EXPECT_EQ(SkinPicturePath("/opt/ls/", "Blue/"), "/opt/ls/sounds/Blue/main.bmp");
  EXPECT_EQ(SettingsPath("/opt/ls"), "/opt/ls/kelvane.dll");
}

TEST(Paths, ExecutableFolderHoldsThisProgram) {
  const std::string folder = ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(fs::exists(folder + "settings_tests"));
}

TEST(GlobalVars, PictureSwitchesWithTheirDefaults) {
  auto read = [](std::vector<std::string> lines) {
    lines.insert(lines.begin(), {"[SYSTEM]", "Skin=1"});
    return ReadGlobalVars(TIniText(lines));
  };
  TGlobalVars g = read({});
  EXPECT_TRUE(g.ExifOrientation);
  EXPECT_FALSE(g.SmoothFit);
  g = read({"ExifOrientation=0", "SmoothFit=1"});
  EXPECT_FALSE(g.ExifOrientation);
  EXPECT_TRUE(g.SmoothFit);
  g = read({"ExifOrientation= yes", "SmoothFit=2"});
  EXPECT_TRUE(g.ExifOrientation);
  EXPECT_FALSE(g.SmoothFit);
}
