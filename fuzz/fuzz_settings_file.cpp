// The settings file's decoder and INI reader on arbitrary file content:
// lines survive writing back, and a "Skin" that is no integer is the only
// refusal.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings_file.h"
#include "picture_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> stored = app::SplitSettingsText(text);

  // Every line written back with its own break reads back the same.
  std::string rewritten;
  std::vector<std::string> lines;
  for (const std::string& line : stored) {
    rewritten += line + "\r\n";
    lines.push_back(app::DecodeSettingsLine(line));
    if (app::DecodeSettingsLine(lines.back()) != line) fuzz::Fail("decoding is not its own inverse");
  }
  if (rewritten.size() > size + 2 * stored.size()) fuzz::Fail("lines longer than the text");
  if (app::SplitSettingsText(rewritten) != stored) fuzz::Fail("lines read back differently");

  const app::TIniText ini(lines);
  const std::string skin = ini.ReadString(app::kSettingsSection, "Skin");
  try {
    app::ReadGlobalVars(ini);
    if (skin.empty()) fuzz::Fail("an empty Skin value was accepted");
  } catch (const app::SettingsError& e) {
    if (std::string_view(e.what()).find("(settings key \"Skin\")") == std::string_view::npos)
      fuzz::Fail("a refusal that does not name its key");
  }
  return 0;
}
