#include "engine/option_tokenizer.h"

#include <cstring>

namespace engine {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One routine for both passes: with null outputs it only counts. Returns the
// number of tokens; *chars receives the characters needed including one
// terminator per token. Text ends at its end or at an embedded NUL, as a C
// text would.
int Scan(std::string_view text, char** tokens, char* out, std::size_t* chars) {
  std::size_t pos = 0;
  const std::size_t len = text.size();
  auto at_end = [&] { return pos >= len || text[pos] == '\0'; };
  std::size_t written = 0;
  auto put = [&](char c) {
    if (out) out[written] = c;
    ++written;
  };
  int count = 0;
  for (;;) {
    while (!at_end() && IsBlank(text[pos])) ++pos;
    if (at_end()) break;
    if (tokens) tokens[count] = out + written;
    ++count;
    bool quoted = false;
    while (!at_end()) {
      const char c = text[pos];
      if (c == '\\') {
        std::size_t run = 0;
        while (!at_end() && text[pos] == '\\') {
          ++run;
          ++pos;
        }
        if (!at_end() && text[pos] == '"') {
          for (std::size_t i = 0; i < run / 2; ++i) put('\\');
          if (run % 2 == 1) {
            put('"');
          } else {
            quoted = !quoted;
          }
          ++pos;
        } else {
          for (std::size_t i = 0; i < run; ++i) put('\\');
        }
      } else if (c == '"') {
        if (quoted && pos + 1 < len && text[pos + 1] == '"') {
          put('"');
          pos += 2;
        } else {
          ++pos;
        }
        quoted = !quoted;
      } else if (IsBlank(c) && !quoted) {
        break;
      } else {
        // Multi-byte UTF-8 sequences never contain blank, quote or
        // backslash bytes, so they pass through byte by byte intact.
        put(c);
        ++pos;
      }
    }
    put('\0');
  }
  if (chars) *chars = written;
  return count;
}

}  // namespace

OptionTokens::OptionTokens(std::string_view text) {
  std::size_t chars = 0;
  count_ = Scan(text, nullptr, nullptr, &chars);
  const std::size_t pointers = sizeof(char*) * (static_cast<std::size_t>(count_) + 1);
  block_ = std::make_unique<std::byte[]>(pointers + chars);
  auto** tokens = reinterpret_cast<char**>(block_.get());
  char* characters = reinterpret_cast<char*>(block_.get() + pointers);
  Scan(text, tokens, characters, nullptr);
  tokens[count_] = nullptr;
}

const char* const* OptionTokens::Argv() const {
  return reinterpret_cast<const char* const*>(block_.get());
}

}  // namespace engine
