// Runs lanternslide-render as a child process that cannot hang the test:
// every run has a deadline, after which the child is killed. The child's
// output folder can be made read-only or small on a mount of its own.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace robust {

namespace fs = std::filesystem;

// What the output folder is when the program starts.
enum class Folder {
  Plain,
  ReadOnly,   // a read-only mount; as a fallback the mode bits
  SmallDisk,  // a small tmpfs; as a fallback a file-size limit
};

struct ChildRun {
  std::vector<std::string> args;
  fs::path logs;                 // stdout and stderr files go here
  fs::path outputFolder;         // what Folder applies to
  // A folder outside outputFolder that receives what a mount on it held
  // when the program ended (the mount is gone afterwards).
  fs::path keepFolder;
  Folder folder = Folder::Plain;
  long limitBytes = 0;           // size of the small disk
  std::chrono::milliseconds deadline{60000};
};

struct ChildResult {
  bool timedOut = false;
  int signal = 0;      // the signal that ended it, or 0
  int exitCode = -1;   // when it exited
  std::string out, err;
  fs::path leftIn;     // the folder that holds what the run left
  int processGroup = 0;  // of the child and everything it started
};

// How a folder can be confined in this environment.
struct Confinement {
  bool privateMounts = false;  // a mount namespace, as root or in a user namespace
  bool modeBitsBind = false;   // mode bits stop writes (not root)
  std::string Describe(Folder f, long limitBytes) const;
};
const Confinement& ProbeConfinement();

ChildResult RunBounded(const ChildRun& run);

}  // namespace robust
