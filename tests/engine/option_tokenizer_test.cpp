#include "engine/option_tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Tokens(const std::string& text) {
  const engine::OptionTokens tokens(text);
  std::vector<std::string> out;
  for (int i = 0; i < tokens.Count(); ++i) out.emplace_back(tokens[i]);
  EXPECT_EQ(tokens.Argv()[tokens.Count()], nullptr);
  return out;
}

struct Case {
  const char* text;
  std::vector<std::string> expected;
};

TEST(OptionTokenizer, CutsLikeACommandLine) {
  const Case cases[] = {
      {"", {}},
      {" \t ", {}},
      {"-f frameinput -re", {"-f", "frameinput", "-re"}},
      {"-f frameinput -re -input_type canvas -pix_fmt bgra -r 30/1 -s 320x240",
       {"-f", "frameinput", "-re", "-input_type", "canvas", "-pix_fmt", "bgra", "-r", "30/1", "-s",
        "320x240"}},
      {"  -a\t\tb  ", {"-a", "b"}},
      // Quotes group blanks and vanish.
      {"-i \"my file.avi\"", {"-i", "my file.avi"}},
      {"x\"y z\"w", {"xy zw"}},
      // A doubled quote inside quotes is one literal quote and closes quoting.
      {"\"a\"\"b\"", {"a\"b"}},
      {"\"a\"\"b c\"", {"a\"b", "c"}},
      // Backslashes escape only before a quote.
      {"\\\"", {"\""}},
      {"a\\\"b", {"a\"b"}},
      {"\\\\\"a b\"", {"\\a b"}},
      {"\\\\\\\"x", {"\\\"x"}},
      {"c:\\path\\to\\file", {"c:\\path\\to\\file"}},
      {"end\\\\", {"end\\\\"}},
      // An unclosed quote runs to the end of the text.
      {"\"open quote", {"open quote"}},
      {"\"\"", {""}},
      {"a \"\" b", {"a", "", "b"}},
      // UTF-8 passes through untouched.
      {"-metadata title=\"Grüße aus Köln\"", {"-metadata", "title=Grüße aus Köln"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Tokens(c.text), c.expected) << "text: " << c.text;
}

TEST(OptionTokenizer, StopsAtEmbeddedNul) {
  const std::string text("-a b\0-c d", 9);
  EXPECT_EQ(Tokens(text), (std::vector<std::string>{"-a", "b"}));
}

}  // namespace
