// The texts the renderer prints instead of rendering: --help, --version and
// --list-effects.
#pragma once

#include <string>

namespace cli {

std::string HelpText();
std::string VersionText();
// One line per effect in table order: the number, a tab, the name.
std::string EffectListText();

}  // namespace cli
