// How the option groups register their options, so that every option
// behaves alike: a value option given twice keeps the last value, a flag
// takes no value.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace cli {

template <typename F>
void AddValue(CLI::App& app, const std::string& names, F apply) {
  app.add_option_function<std::string>(names, apply)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
      ->allow_extra_args(false);
}

inline void AddFlag(CLI::App& app, const std::string& names, bool& value) {
  app.add_flag(names, value)->disable_flag_override();
}

}  // namespace cli
