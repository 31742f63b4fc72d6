// The runner's deadline: a run that goes on is killed with everything it
// started, so a hang fails the table instead of stalling it.
#include <signal.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "bounded_run.h"
#include "e2e/e2e_support.h"
#include "slideshow/test_pictures.h"

namespace robust {
namespace {

// Processes of a group that still run (zombies waiting for a reaper do not).
int LiveInGroup(int group) {
  int live = 0;
  std::error_code ec;
  for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    std::ifstream in(it->path() / "stat");
    std::string line;
    if (!std::getline(in, line) || line.rfind(')') == std::string::npos) continue;
    std::istringstream fields(line.substr(line.rfind(')') + 2));  // state ppid pgrp ...
    char state = 0;
    int parent = 0, pgrp = 0;
    fields >> state >> parent >> pgrp;
    live += pgrp == group && state != 'Z';
  }
  return live;
}

TEST(BoundedRun, KillsARunPastItsDeadlineWithWhatItStarted) {
  const fs::path dir = e2e::Scratch("bounded-run");
  const fs::path picture = dir / "still.bmp";
  testpics::WriteBmp24(picture, 32, 24, [](int x, int y) { return uint32_t(x * y); });
  for (Folder folder : {Folder::Plain, Folder::SmallDisk}) {
    SCOPED_TRACE(int(folder));
    const fs::path out = dir / "out", kept = dir / "kept";
    fs::create_directories(out);
    fs::create_directories(kept);
    ChildRun run;
    // A minute of real-time video: far past the deadline.
    run.args = {"--quiet", "--realtime", "--picture-delay", "60", "-o", (out / "long.mp4").string(),
                picture.string()};
    run.logs = dir;
    run.outputFolder = out;
    run.keepFolder = kept;
    run.folder = folder;
    run.limitBytes = 1 << 20;
    run.deadline = std::chrono::milliseconds(1500);
    const auto start = std::chrono::steady_clock::now();
    const ChildResult r = RunBounded(run);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.signal, SIGKILL);
    for (int i = 0; i < 100 && LiveInGroup(r.processGroup) > 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(LiveInGroup(r.processGroup), 0) << "a process of the run outlived it";
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace robust
