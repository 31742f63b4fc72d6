// Cuts an option string into tokens the way a command line is split: blanks
// separate tokens, double quotes group blanks into a token, backslashes only
// escape when a double quote follows them.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace engine {

class OptionTokens {
 public:
  // Counts first, then writes every token into one block: the pointer array
  // (count + 1 entries, the last one null) followed by the characters.
  explicit OptionTokens(std::string_view text);

  int Count() const { return count_; }
  const char* operator[](int index) const { return Argv()[index]; }
  // Null-terminated array of Count() tokens.
  const char* const* Argv() const;

 private:
  std::unique_ptr<std::byte[]> block_;
  int count_ = 0;
};

}  // namespace engine
