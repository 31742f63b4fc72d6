// Writes the renderer's manual page from its --help text, which is laid out
// like one: sections at the margin, options and exit codes indented by four
// with their text by eight, examples' commands by eight.
// Usage: man-page OUTPUT.1
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/help_text.h"

namespace {

std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

size_t Indent(const std::string& line) {
  const size_t n = line.find_first_not_of(' ');
  return n == std::string::npos ? 0 : n;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: man-page OUTPUT.1\n");
    return 2;
  }
  std::ostringstream page;
  page << ".TH LANTERNSLIDE\\-RENDER 1 \"\" \"" << Roff(cli::VersionText().substr(0, cli::VersionText().size() - 1))
       << "\" \"User Commands\"\n";
  std::istringstream help(cli::HelpText());
  std::string section;
  bool code = false;
  bool paragraph = false;  // a blank line waits for the text after it
  const auto endCode = [&] {
    if (code) page << ".fi\n.RE\n";
    code = false;
  };
  for (std::string line; std::getline(help, line);) {
    const size_t indent = Indent(line);
    const std::string body = line.substr(indent);
    if (body.empty()) {
      endCode();
      paragraph = true;
      continue;
    }
    if (paragraph && indent != 0) page << ".PP\n";
    paragraph = false;
    if (indent == 0) {
      endCode();
      section = body;
      page << ".SH " << Roff(body) << "\n";
    } else if (indent == 4 && (body[0] == '-' || (section == "EXIT STATUS" && std::isdigit(body[0])))) {
      const size_t gap = section == "EXIT STATUS" ? body.find("  ") : std::string::npos;
      page << ".TP\n.B " << Roff(body.substr(0, gap)) << "\n";
      if (gap != std::string::npos) page << Roff(body.substr(body.find_first_not_of(' ', gap))) << "\n";
    } else if (section == "EXAMPLES" && indent >= 8) {
      if (!code) page << ".RS\n.nf\n";
      code = true;
      page << Roff(line.substr(8)) << "\n";
    } else {
      endCode();
      page << Roff(body) << "\n";
      if (section == "SYNOPSIS") page << ".br\n";  // one usage a line
    }
  }
  endCode();
  std::ofstream(argv[1]) << page.str();
  return 0;
}
