// Prints the streams of media files as the renderer summarises its output:
// codec, size, rate, frames and length per stream.
//
//   stream-summary FILE...
#include <iostream>

#include "cli/media_checks.h"
#include "cli/output_summary.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: stream-summary FILE...\n";
    return 2;
  }
  if (const std::string error = cli::LoadMediaLibraries(); !error.empty()) {
    std::cerr << "stream-summary: " << error << "\n";
    return 1;
  }
  for (int i = 1; i < argc; ++i) {
    if (argc > 2) std::cout << argv[i] << ":\n";
    std::cout << cli::DescribeStreams(argv[i]);
  }
  return 0;
}
