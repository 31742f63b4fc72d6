#include "app/run_values.h"

#include <charconv>

#include "slideshow/value_rules.h"

namespace app {
namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

template <class Rule>
auto Checked(const char* field, const std::string& text, Rule rule) {
  try {
    return rule(Trimmed(text));
  } catch (const slideshow::ValueError& e) {
    throw TRunValueError(std::string(field) + " \"" + text + "\" cannot be used: " + e.what() + ".");
  }
}

// Shortest text that reads back as the same number.
std::string SecondsText(const char* field, const std::string& text, char separator) {
  const double seconds = Checked(field, text, [separator](const std::string& t) {
    try {
      return slideshow::SecondsValue(t, separator);
    } catch (const slideshow::ValueError&) {
      if (separator == '.') throw;
      return slideshow::SecondsValue(t, '.');
    }
  });
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, seconds).ptr;
  return std::string(buffer, end);
}

}  // namespace

TRunValues CheckRunValues(const std::string& frameSize, const std::string& frameRate,
                          const std::string& pictureDelay, const std::string& transitionDelay,
                          char decimalSeparator) {
  TRunValues values;
  values.FrameSize = Checked("Frame size", frameSize, [](const std::string& t) { return slideshow::FrameSizeValue(t); });
  values.FrameRate = Checked("Frame rate", frameRate, [](const std::string& t) { return slideshow::FrameRateValue(t); });
  values.PictureDelay = SecondsText("Pictures delay", pictureDelay, decimalSeparator);
  values.TransitionDelay = SecondsText("Transitions delay", transitionDelay, decimalSeparator);
  return values;
}

}  // namespace app
