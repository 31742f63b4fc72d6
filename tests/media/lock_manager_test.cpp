#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/binding/ff_logger.h"
#include "media/binding/lock_manager.h"
#include "media/bridges/main_thread.h"

namespace {

using namespace media;
using namespace std::chrono_literals;

class LockManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMainThread();
    logger_.SetLogLevel(llDebug);
    logger_.SetTriggerEventInMainThread(false);
    logger_.SetOnLog([this](const void* sender, uint32_t, TLogLevel level, const std::string& msg) {
      std::lock_guard guard(lock_);
      EXPECT_EQ(sender, nullptr);
      lines_.push_back(std::to_string(int(level)) + " " + msg);
    });
  }
  std::vector<std::string> Take() {
    std::lock_guard guard(lock_);
    return std::exchange(lines_, {});
  }
  static std::string At(TLogLevel level, const std::string& msg) { return std::to_string(int(level)) + " " + msg; }

  TFFLogger logger_;
  TLockManager manager_;
  std::mutex lock_;
  std::vector<std::string> lines_;
};

// The mutex's number as it appears in the messages.
int MutexNumber(const std::string& line) { return std::stoi(line.substr(line.find('[', 4) + 1)); }

TEST_F(LockManagerTest, LifeOfOneMutex) {
  void* slot = nullptr;
  EXPECT_EQ(manager_.Callback(&slot, lmCreate), 0);
  EXPECT_NE(slot, nullptr);
  EXPECT_EQ(manager_.Callback(&slot, lmObtain), 0);
  EXPECT_EQ(manager_.Callback(&slot, lmRelease), 0);
  EXPECT_EQ(manager_.Callback(&slot, lmCreate), -1);
  EXPECT_EQ(manager_.Callback(&slot, lmDestroy), 0);
  EXPECT_EQ(slot, nullptr);
  EXPECT_EQ(manager_.RecordCount(), 0u);

  const auto lines = Take();
  ASSERT_EQ(lines.size(), 5u);
  const int n = MutexNumber(lines[0]);
  const std::string id = "[" + std::to_string(n) + "]";
  EXPECT_EQ(lines[0], At(llDebug, "[lock manager] mutex " + id + " created."));
  EXPECT_EQ(lines[1], At(llDebug, "[lock manager] mutex " + id + " obtained."));
  EXPECT_EQ(lines[2], At(llDebug, "[lock manager] mutex " + id + " release."));
  EXPECT_EQ(lines[3], At(llError, "[lock manager] error, mutex " + id + " already exist."));
  EXPECT_EQ(lines[4], At(llDebug, "[lock manager] mutex " + id + " destroyed."));
}

TEST_F(LockManagerTest, OperationsWithoutAMutexFail) {
  void* slot = nullptr;
  EXPECT_EQ(manager_.Callback(&slot, 5), -1);
  EXPECT_EQ(manager_.Callback(&slot, lmObtain), -1);
  EXPECT_EQ(manager_.Callback(&slot, lmRelease), -1);
  // The record is made on the first call for a slot, whatever the operation.
  EXPECT_NE(slot, nullptr);
  EXPECT_EQ(manager_.RecordCount(), 1u);
  EXPECT_EQ(manager_.Callback(&slot, lmDestroy), -1);
  EXPECT_EQ(slot, nullptr);
  EXPECT_EQ(manager_.RecordCount(), 0u);
  EXPECT_EQ(manager_.Callback(nullptr, lmCreate), -1);

  const auto lines = Take();
  const std::string notAvailable = At(llError, "[lock manager] error, mutex not available.");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], At(llError, "[lock manager] error, invalid mutex operation 5."));
  EXPECT_EQ(lines[1], notAvailable);
  EXPECT_EQ(lines[2], notAvailable);
  EXPECT_EQ(lines[3], notAvailable);
}

TEST_F(LockManagerTest, ExcludesOtherThreadsAndRefusesForeignRelease) {
  void* slot = nullptr;
  ASSERT_EQ(manager_.Callback(&slot, lmCreate), 0);
  ASSERT_EQ(manager_.Callback(&slot, lmObtain), 0);
  ASSERT_EQ(manager_.Callback(&slot, lmObtain), 0);  // the owner may obtain again
  Take();

  int foreignRelease = 0;
  std::thread([&] { foreignRelease = manager_.Callback(&slot, lmRelease); }).join();
  EXPECT_EQ(foreignRelease, -1);
  auto lines = Take();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind(At(llError, "[lock manager] error, could not release mutex ["), 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find("]: "), std::string::npos);

  std::atomic<bool> obtained{false};
  std::thread waiter([&] {
    if (manager_.Callback(&slot, lmObtain) == 0) obtained = true;
    manager_.Callback(&slot, lmRelease);
  });
  std::this_thread::sleep_for(30ms);
  EXPECT_FALSE(obtained);
  EXPECT_EQ(manager_.Callback(&slot, lmRelease), 0);
  std::this_thread::sleep_for(30ms);
  EXPECT_FALSE(obtained);  // obtained twice, released once
  EXPECT_EQ(manager_.Callback(&slot, lmRelease), 0);
  waiter.join();
  EXPECT_TRUE(obtained);
  EXPECT_EQ(manager_.Callback(&slot, lmDestroy), 0);
}

TEST_F(LockManagerTest, FinalisingTurnsEveryCallIntoSuccess) {
  manager_.SetFinalising(true);
  void* slot = nullptr;
  EXPECT_EQ(manager_.Callback(&slot, 5), 0);
  EXPECT_EQ(manager_.Callback(&slot, lmObtain), 0);
  EXPECT_EQ(slot, nullptr);
  EXPECT_TRUE(Take().empty());
}

}  // namespace
