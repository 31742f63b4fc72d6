#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "media/bridges/ff_base_component.h"
#include "media/bridges/main_thread.h"

namespace {

using namespace media;
using namespace std::chrono_literals;

class MainThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { InitMainThread(); }
  void TearDown() override {
    SetMainThreadWaker(nullptr);
    InitMainThread();
  }
};

TEST_F(MainThreadTest, OnTheMainThreadCallsRunDirectly) {
  bool ran = false;
  EXPECT_TRUE(IsMainThread());
  EXPECT_TRUE(CallInMainThread([&] { ran = true; }));
  EXPECT_TRUE(ran);
  EXPECT_THROW(CallInMainThread([] { throw std::runtime_error("direct"); }), std::runtime_error);
}

TEST_F(MainThreadTest, WorkerWaitsUntilTheMainThreadServesItsCall) {
  std::atomic<int> wakes{0};
  SetMainThreadWaker([&] { ++wakes; });
  std::thread::id ranOn;
  std::atomic<bool> returned{false};
  bool workerIsMain = true;
  std::thread worker([&] {
    workerIsMain = IsMainThread();
    EXPECT_TRUE(CallInMainThread([&] { ranOn = std::this_thread::get_id(); }));
    returned = true;
  });
  while (wakes == 0) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(returned);  // still waiting: nobody served it yet
  EXPECT_EQ(ServeMainThreadCalls(), 1);
  worker.join();
  EXPECT_TRUE(returned);
  EXPECT_FALSE(workerIsMain);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(wakes, 1);
}

TEST_F(MainThreadTest, ExceptionsReachTheWaitingCaller) {
  std::string caught;
  std::thread worker([&] {
    try {
      CallInMainThread([] { throw std::runtime_error("handler failed"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
  });
  ASSERT_TRUE(WaitServingMainThreadCalls([&] { return !caught.empty(); }, 10s));
  worker.join();
  EXPECT_EQ(caught, "handler failed");
}

// Run in a fresh process each, where InitMainThread has not run yet.
TEST(MainThreadDeathTest, UseBeforeInitAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(IsMainThread(), "used before InitMainThread");
  EXPECT_DEATH(CallInMainThread([] {}), "used before InitMainThread");
}

TEST(MainThreadDeathTest, InitFromASecondThreadAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        InitMainThread();
        std::thread([] { InitMainThread(); }).join();
      },
      "InitMainThread was called from a second thread");
}

TEST_F(MainThreadTest, OtherThreadsCannotServe) {
  std::atomic<bool> served{false};
  std::thread caller([&] { CallInMainThread([&] { served = true; }); });
  int servedByOther = -1;
  std::thread other([&] { servedByOther = ServeMainThreadCalls(); });
  other.join();
  EXPECT_EQ(servedByOther, 0);
  EXPECT_FALSE(served);
  EXPECT_TRUE(WaitServingMainThreadCalls([&] { return served.load(); }, 10s));
  caller.join();
}

TEST_F(MainThreadTest, WaitingGivesUpAfterTheTimeout) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(WaitServingMainThreadCalls([] { return false; }, 50ms));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

TEST_F(MainThreadTest, ShutdownReleasesWaitingCallers) {
  std::atomic<bool> queued{false};
  SetMainThreadWaker([&] { queued = true; });
  bool ran = false, result = true;
  std::thread worker([&] { result = CallInMainThread([&] { ran = true; }); });
  while (!queued) std::this_thread::sleep_for(1ms);
  ShutdownMainThreadCalls();
  worker.join();  // would hang if the pending call kept waiting
  EXPECT_FALSE(result);
  EXPECT_FALSE(ran);

  bool later = true;
  std::thread late([&] { later = CallInMainThread([] {}); });
  late.join();
  EXPECT_FALSE(later);
  EXPECT_EQ(ServeMainThreadCalls(), 0);
}

class Component : public TFFBaseComponent {
 public:
  using TFFBaseComponent::RaiseEvent;
};

TEST_F(MainThreadTest, ComponentEventsFollowTheirSetting) {
  Component c;
  EXPECT_TRUE(c.TriggerEventInMainThread());
  EXPECT_EQ(c.InputTimeout(), 30000);
  EXPECT_EQ(c.OutputTimeout(), 30000);

  std::thread::id ranOn;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    c.RaiseEvent([&] { ranOn = std::this_thread::get_id(); });
    done = true;
  });
  ASSERT_TRUE(WaitServingMainThreadCalls([&] { return done.load(); }, 10s));
  worker.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());

  c.SetTriggerEventInMainThread(false);
  std::thread::id workerId;
  std::thread direct([&] {
    workerId = std::this_thread::get_id();
    c.RaiseEvent([&] { ranOn = std::this_thread::get_id(); });
  });
  direct.join();
  EXPECT_EQ(ranOn, workerId);
}

}  // namespace
