// How the option groups register their options, so that every option
// behaves alike: a value option given twice keeps the last value, a flag
// takes no value.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "cli/render_options.h"
#include "slideshow/value_rules.h"

namespace cli {

// Runs a value rule; a refusal names the option and the value.
template <typename Rule>
auto Checked(const std::string& option, const std::string& text, Rule rule) {
  try {
    return rule(text);
  } catch (const slideshow::ValueError& e) {
    throw UsageError(option + " \"" + text + "\": " + e.what());
  }
}

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
