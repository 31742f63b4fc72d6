#include "bounded_run.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace robust {
namespace {

constexpr int kSetupFailed = 127;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Everything the child needs, made before fork: after it, in a process
// whose other threads are gone, only system calls are safe.
struct Prepared {
  std::vector<std::string> strings;
  std::vector<char*> argv;
  std::string outPath, errPath, mountPoint, keepFolder, mountData, uidMap, gidMap;
  unsigned long mountFlags = 0;
  bool mount = false;
  long fileLimit = -1;
};

bool WriteText(const char* path, const std::string& text) {
  const int fd = open(path, O_WRONLY);
  if (fd < 0) return false;
  const bool ok = write(fd, text.data(), text.size()) == ssize_t(text.size());
  close(fd);
  return ok;
}

// A mount namespace of the child's own, so its mounts vanish with it and
// never reach the machine: directly as root, else inside a user namespace.
bool EnterMountNamespace(const Prepared& p) {
  if (unshare(CLONE_NEWNS) != 0) {
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    if (!WriteText("/proc/self/setgroups", "deny") ||
        !WriteText("/proc/self/uid_map", p.uidMap) || !WriteText("/proc/self/gid_map", p.gidMap))
      return false;
  }
  return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Copies the regular files of one folder into another with system calls
// only: the mount that holds them vanishes with the child's namespace.
void CopyFiles(const char* from, const char* to) {
  const int src = open(from, O_RDONLY | O_DIRECTORY);
  const int dst = open(to, O_RDONLY | O_DIRECTORY);
  alignas(8) char buf[4096];
  for (long n; src >= 0 && dst >= 0 && (n = syscall(SYS_getdents64, src, buf, sizeof buf)) > 0;)
    for (long at = 0; at < n;) {
      const auto* d = reinterpret_cast<const dirent64*>(buf + at);
      at += d->d_reclen;
      if (d->d_type != DT_REG) continue;
      const int in = openat(src, d->d_name, O_RDONLY);
      const int out = openat(dst, d->d_name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
      char data[16384];
      for (ssize_t got; in >= 0 && out >= 0 && (got = read(in, data, sizeof data)) > 0;)
        if (write(out, data, size_t(got)) != got) break;
      close(in);
      close(out);
    }
  close(src);
  close(dst);
}

// Ends the child the way the program ended.
[[noreturn]] void EndAs(int status) {
  if (WIFSIGNALED(status)) {
    signal(WTERMSIG(status), SIG_DFL);
    kill(getpid(), WTERMSIG(status));
  }
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : kSetupFailed);
}

[[noreturn]] void ChildMain(const Prepared& p) {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  setpgid(0, 0);  // a time-out kills the whole group
  const int out = open(p.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = open(p.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(kSetupFailed);
  close(out);
  close(err);
  if (p.fileLimit >= 0) {
    // Writes past the limit fail with EFBIG instead of killing the program.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{rlim_t(p.fileLimit), rlim_t(p.fileLimit)};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  if (!p.mount) {
    execv(p.argv[0], p.argv.data());
    _exit(kSetupFailed);
  }
  if (!EnterMountNamespace(p) ||
      mount("tmpfs", p.mountPoint.c_str(), "tmpfs", p.mountFlags, p.mountData.c_str())) {
    static const char text[] = "robustness: cannot mount the output folder\n";
    (void)!write(2, text, sizeof text - 1);
    _exit(kSetupFailed);
  }
  // The program runs below this process, which outlives it to save what
  // it left on the mount.
  const pid_t program = fork();
  if (program == 0) {
    execv(p.argv[0], p.argv.data());
    _exit(kSetupFailed);
  }
  int status = 0;
  while (program > 0 && waitpid(program, &status, 0) < 0 && errno == EINTR) {
  }
  CopyFiles(p.mountPoint.c_str(), p.keepFolder.c_str());
  EndAs(status);
}

Prepared Prepare(const ChildRun& run, const Confinement& c) {
  Prepared p;
  p.strings.push_back(LS_RENDER_PROGRAM);
  p.strings.insert(p.strings.end(), run.args.begin(), run.args.end());
  for (std::string& s : p.strings) p.argv.push_back(s.data());
  p.argv.push_back(nullptr);
  p.outPath = (run.logs / "stdout.txt").string();
  p.errPath = (run.logs / "stderr.txt").string();
  p.mountPoint = run.outputFolder.string();
  p.keepFolder = run.keepFolder.string();
  p.uidMap = "0 " + std::to_string(getuid()) + " 1";
  p.gidMap = "0 " + std::to_string(getgid()) + " 1";
  p.mountFlags = MS_NOSUID | MS_NODEV;
  if (run.folder == Folder::ReadOnly) {
    p.mount = c.privateMounts;
    p.mountFlags |= MS_RDONLY;
    p.mountData = "size=64k";
  } else if (run.folder == Folder::SmallDisk) {
    p.mount = c.privateMounts;
    p.mountData = "size=" + std::to_string(run.limitBytes);
    if (!c.privateMounts) p.fileLimit = run.limitBytes;
  }
  return p;
}

// Waits for the child until the deadline; kills it then.
int WaitBounded(pid_t pid, std::chrono::milliseconds deadline, bool& timedOut) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  int status = 0;
  for (;;) {
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return status;
    if (r < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
    if (std::chrono::steady_clock::now() >= end) {
      timedOut = true;
      kill(-pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return status;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

std::string Confinement::Describe(Folder f, long limitBytes) const {
  const std::string kib = std::to_string(limitBytes / 1024) + " KiB";
  switch (f) {
    case Folder::Plain:
      return "";
    case Folder::ReadOnly:
      if (privateMounts) return "a read-only tmpfs mounted on the output folder";
      if (modeBitsBind) return "an output folder with mode 0555";
      return "skipped: running as root without the right to mount, mode bits do not stop root";
    case Folder::SmallDisk:
      if (privateMounts) return "a tmpfs of " + kib + " mounted on the output folder";
      return "a file-size limit of " + kib + " (RLIMIT_FSIZE): mounting is not allowed here";
  }
  return "";
}

const Confinement& ProbeConfinement() {
  static const Confinement c = [] {
    Confinement r;
    const fs::path dir = fs::temp_directory_path() / ("ls-mount-probe-" + std::to_string(getpid()));
    fs::create_directories(dir);
    Prepared p;
    p.uidMap = "0 " + std::to_string(getuid()) + " 1";
    p.gidMap = "0 " + std::to_string(getgid()) + " 1";
    p.mountPoint = dir.string();
    const pid_t pid = fork();
    if (pid == 0) {
      const bool ok = EnterMountNamespace(p) &&
                      mount("tmpfs", p.mountPoint.c_str(), "tmpfs", MS_RDONLY, "size=64k") == 0;
      _exit(ok ? 0 : 1);
    }
    int status = 0;
    while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.privateMounts = pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    chmod(dir.c_str(), 0555);
    r.modeBitsBind = access(dir.c_str(), W_OK) != 0;
    fs::remove(dir);
    return r;
  }();
  return c;
}

ChildResult RunBounded(const ChildRun& run) {
  const Confinement& c = ProbeConfinement();
  if (run.folder == Folder::ReadOnly && !c.privateMounts)
    fs::permissions(run.outputFolder, fs::perms::owner_read | fs::perms::owner_exec);
  const Prepared p = Prepare(run, c);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) ChildMain(p);
  setpgid(pid, pid);  // also here, so a kill cannot come before the child's own call

  ChildResult r;
  r.processGroup = pid;
  const int status = WaitBounded(pid, run.deadline, r.timedOut);
  if (run.folder == Folder::ReadOnly && !c.privateMounts)
    fs::permissions(run.outputFolder, fs::perms::owner_all);
  if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  r.leftIn = p.mount ? run.keepFolder : run.outputFolder;
  r.out = ReadAll(p.outPath);
  r.err = ReadAll(p.errPath);
  fs::remove(p.outPath);
  fs::remove(p.errPath);
  if (r.exitCode == kSetupFailed && r.err.starts_with("robustness: "))
    throw std::runtime_error(r.err);
  return r;
}

}  // namespace robust
