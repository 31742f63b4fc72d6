#include "report.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>

namespace robust {
namespace {

std::map<int, std::string>& Sections() {
  static std::map<int, std::string> sections;
  return sections;
}

class ReportWriter : public ::testing::Environment {
 public:
  void TearDown() override {
    if (Sections().empty()) return;
    const char* env = std::getenv("LS_ROBUSTNESS_TABLE");
    const std::string path = env && *env ? env : LS_DEFAULT_TABLE;
    std::ofstream out(path);
    for (const auto& [order, text] : Sections()) out << text << "\n";
    if (out) std::cout << "robustness table written to " << path << "\n";
    else ADD_FAILURE() << "cannot write " << path;
  }
};

const auto* const kWriter = ::testing::AddGlobalTestEnvironment(new ReportWriter);

}  // namespace

void AddReportSection(int order, const std::string& markdown) { Sections()[order] = markdown; }

std::string Cell(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "<br>";
    else if (c == '|') out += "\\|";
    else if (c != '\r') out += c;
  }
  return out.empty() ? " " : out;
}

}  // namespace robust
