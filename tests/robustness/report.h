// The Markdown report the robustness tests write: each test adds its
// section, and the file is written once all tests have run, to the path in
// LS_ROBUSTNESS_TABLE or beside the build.
#pragma once

#include <string>

namespace robust {

void AddReportSection(int order, const std::string& markdown);

// A table cell: lines joined with <br>, pipes escaped.
std::string Cell(std::string text);

}  // namespace robust
