// Runs lanternslide-render as a child process, the way scripts and users
// run it, with its output streams caught in files.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace clitest {

struct ProgramResult {
  int exitCode = -1;  // -1 when it did not exit normally
  std::string out, err;
  // Lines written to stderr (a last line without newline counts too).
  int ErrLines() const;
};

class RunningProgram {
 public:
  // Starts the renderer with args; output goes to files in folder.
  RunningProgram(const std::vector<std::string>& args, const std::filesystem::path& folder);
  ~RunningProgram();  // kills and reaps a child still running
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  void Signal(int sig) const;
  std::string ErrSoFar() const;
  ProgramResult Wait();

 private:
  pid_t pid_ = -1;
  std::filesystem::path outFile_, errFile_;
};

ProgramResult RunProgram(const std::vector<std::string>& args, const std::filesystem::path& folder);

// Names in a folder, hidden ones included.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

}  // namespace clitest
