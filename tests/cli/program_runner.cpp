#include "program_runner.h"

#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace clitest {
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

int ProgramResult::ErrLines() const {
  if (err.empty()) return 0;
  return int(std::count(err.begin(), err.end(), '\n')) + (err.back() == '\n' ? 0 : 1);
}

RunningProgram::RunningProgram(const std::vector<std::string>& args, const fs::path& folder)
    : outFile_(folder / "stdout.txt"), errFile_(folder / "stderr.txt") {
  std::vector<std::string> all{LS_RENDER_PROGRAM};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // The child starts with default signal handling and nothing blocked,
  // whatever the test process did.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, all_signals;
  sigemptyset(&none);
  sigfillset(&all_signals);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all_signals);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  const int rc = posix_spawn(&pid_, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) throw std::runtime_error("cannot start " + all[0]);
}

RunningProgram::~RunningProgram() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

void RunningProgram::Signal(int sig) const { kill(pid_, sig); }

std::string RunningProgram::ErrSoFar() const { return ReadAll(errFile_); }

ProgramResult RunningProgram::Wait() {
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  ProgramResult r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadAll(outFile_);
  r.err = ReadAll(errFile_);
  fs::remove(outFile_);
  fs::remove(errFile_);
  return r;
}

ProgramResult RunProgram(const std::vector<std::string>& args, const fs::path& folder) {
  RunningProgram p(args, folder);
  return p.Wait();
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace clitest
