// The option tokenizer on arbitrary text: the token array is whole and
// null-terminated, and quoting the tokens back into one text gives the
// same tokens again.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/option_tokenizer.h"
#include "picture_check.h"

namespace {

// Quotes a token so the tokenizer reads it back unchanged: backslashes
// are doubled only where a quote follows them.
void AppendQuoted(std::string& text, std::string_view token) {
  text += '"';
  size_t backslashes = 0;
  for (const char c : token) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      text.append(2 * backslashes + 1, '\\');
    } else {
      text.append(backslashes, '\\');
    }
    backslashes = 0;
    text += c;
  }
  text.append(2 * backslashes, '\\');
  text += "\" ";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const engine::OptionTokens tokens(text);
  const char* const* argv = tokens.Argv();
  if (tokens.Count() < 0 || size_t(tokens.Count()) > size) fuzz::Fail("impossible token count");
  size_t characters = 0;
  std::string quoted;
  for (int i = 0; i < tokens.Count(); ++i) {
    if (argv[i] == nullptr || argv[i] != tokens[i]) fuzz::Fail("broken token array");
    characters += std::strlen(argv[i]);
    AppendQuoted(quoted, argv[i]);
  }
  if (argv[tokens.Count()] != nullptr) fuzz::Fail("token array not null-terminated");
  // Quotes, blanks and escaping backslashes are dropped, nothing is added.
  if (characters > size) fuzz::Fail("tokens hold more characters than the text");

  const engine::OptionTokens again(quoted);
  if (again.Count() != tokens.Count()) fuzz::Fail("quoted tokens split differently");
  for (int i = 0; i < tokens.Count(); ++i)
    if (std::strcmp(again[i], tokens[i]) != 0) fuzz::Fail("quoted token read back differently");
  return 0;
}
