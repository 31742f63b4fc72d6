// The adapter's side: naming, registration, event dispatch and the thread
// its events run on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "media/binding/ff_entry_points.h"
#include "media/frame_source/frame_input_adapter.h"
#include "media/frame_source/frame_input_format.h"
#include "media/frame_source/input_format_registry.h"
#include "media/bridges/main_thread.h"
#include "media/frame_source/own_input.h"
#include "media_test_support.h"

namespace {

using media::TFrameInputAdapter;
using media::TInputFrameInfo;

TEST(FrameInputAdapterTest, RegisteringTwiceRegistersOnce) {
  media::RegisterFrameInputFormat();
  EXPECT_FALSE(media::RegisterFrameInputFormat());
  int named = 0;
  for (const media::TInputFormat* f : media::RegisteredInputFormats())
    named += std::string_view(f->name) == "frameinput";
  EXPECT_EQ(named, 1);
  EXPECT_EQ(media::FindInputFormat("frameinput"), &media::FrameInputFormat());
  EXPECT_EQ(media::FindInputFormat("FrameInput"), nullptr);
}

TEST(FrameInputAdapterTest, FileNameNamesOnlyLiveAdaptersAndIsNeverReused) {
  auto adapter = std::make_unique<TFrameInputAdapter>();
  const uint64_t number = std::stoull(adapter->InputFileName());
  EXPECT_EQ(TFrameInputAdapter::Acquire(number).get(), adapter.get());
  EXPECT_FALSE(TFrameInputAdapter::Acquire(number + 1));
  adapter.reset();
  EXPECT_FALSE(TFrameInputAdapter::Acquire(number));
  // The allocator likely hands the same memory to the next adapter; the
  // old name must still not reach it.
  for (int i = 0; i < 3; ++i) {
    TFrameInputAdapter next;
    EXPECT_NE(next.InputFileName(), std::to_string(number));
    EXPECT_FALSE(TFrameInputAdapter::Acquire(number));
  }
}

TEST(FrameInputAdapterTest, DispatchKeepsResultAndFailureText) {
  media::InitMainThread();
  TFrameInputAdapter adapter;
  TInputFrameInfo info{};
  uint8_t data[4] = {};

  // Without a handler there is no frame.
  EXPECT_EQ(adapter.DoReadFrameBMP(data, &info), -1);
  EXPECT_EQ(adapter.LastFrameResult(), -1);

  adapter.OnReadFrameBMP = [&](TFrameInputAdapter* sender, uint8_t* d, TInputFrameInfo* i) {
    EXPECT_EQ(sender, &adapter);
    EXPECT_EQ(d, data);
    EXPECT_EQ(i, &info);
    return 5;
  };
  EXPECT_EQ(adapter.DoReadFrameBMP(data, &info), 5);
  EXPECT_EQ(adapter.LastFrameResult(), 5);

  // Whatever a handler throws becomes a failure result with a text.
  adapter.OnReadFrameYUV = [](TFrameInputAdapter*, uint8_t*, TInputFrameInfo*) -> int { throw 42; };
  EXPECT_EQ(adapter.DoReadFrameYUV(data, &info), media::kFrameHandlerFailed);
  EXPECT_EQ(adapter.LastFrameResult(), media::kFrameHandlerFailed);
  EXPECT_FALSE(adapter.LastFrameError().empty());
  adapter.OnReadFrameYUV = [](TFrameInputAdapter*, uint8_t*, TInputFrameInfo*) -> int {
    throw std::runtime_error("disk gone");
  };
  adapter.DoReadFrameYUV(data, &info);
  EXPECT_EQ(adapter.LastFrameError(), "disk gone");
  EXPECT_EQ(adapter.DoReadFrameBMP(data, &info), 5);
  EXPECT_EQ(adapter.LastFrameError(), "") << "a good frame clears the failure";

  adapter.OnReadClose = [](TFrameInputAdapter*) { throw std::logic_error("close failed"); };
  EXPECT_FALSE(adapter.DoReadClose());
  EXPECT_EQ(adapter.LastFrameError(), "close failed");
  EXPECT_TRUE(adapter.DoReadHeader()) << "no header handler is no failure";
}

TEST(FrameInputAdapterTest, EventsOffTheMainThreadRunOnTheReader) {
  media::InitMainThread();
  TFrameInputAdapter adapter;
  adapter.SetTriggerEventInMainThread(false);
  gfx::Bitmap bitmap(2, 2);
  TInputFrameInfo info{};
  std::thread::id handlerThread;
  adapter.OnReadFrameCanvas = [&](TFrameInputAdapter*, gfx::Canvas&, TInputFrameInfo*) {
    handlerThread = std::this_thread::get_id();
    return 0;
  };
  std::thread::id readerThread;
  int result = -2;
  std::thread reader([&] {
    readerThread = std::this_thread::get_id();
    result = adapter.DoReadFrameCanvas(bitmap.GetCanvas(), &info);
  });
  reader.join();  // nothing is served here: the call must not wait for us
  EXPECT_EQ(result, 0);
  EXPECT_EQ(handlerThread, readerThread);
}

class FrameInputThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(libs_.ok()) << media::FFLoader().LastLoaderError();
    media::InitMainThread();
    mainId_ = std::this_thread::get_id();
  }
  void TearDown() override {
    media::CloseOwnInput(&ctx_);
    media::InitMainThread();  // re-open the queue a test may have shut
  }

  int Open() { return Open(adapter_); }
  int Open(const TFrameInputAdapter& adapter) {
    AVDictionary* dict = nullptr;
    ff::av_dict_set(&dict, "input_type", "canvas", 0);
    ff::av_dict_set(&dict, "pixel_format", "bgra", 0);
    ff::av_dict_set(&dict, "video_size", "16x8", 0);
    const int ret = media::OpenOwnInput(&media::FrameInputFormat(), adapter.InputFileName().c_str(), &dict, &ctx_);
    ff::av_dict_free(&dict);
    return ret;
  }

  // Reads up to `count` packets on a worker while this thread serves its
  // calls; returns the read results (a failure's text as result 1).
  std::vector<int> ReadOnWorker(int count, std::string* failure = nullptr) {
    std::vector<int> results;
    std::atomic<bool> done{false};
    std::thread worker([&] {
      for (int i = 0; i < count; ++i) {
        AVPacket* pkt = ff::av_packet_alloc();
        int ret;
        try {
          ret = media::ReadOwnPacket(ctx_, pkt);
        } catch (const std::exception& e) {
          if (failure) *failure = e.what();
          ret = 1;
        }
        ff::av_packet_free(&pkt);
        results.push_back(ret);
        if (ret != 0) break;
      }
      done = true;
    });
    const bool finished = media::WaitServingMainThreadCalls([&] { return done.load(); },
                                                            std::chrono::seconds(20));
    worker.join();
    EXPECT_TRUE(finished) << "the reader hung";
    return results;
  }

  media_test::LoadedLibraries libs_{media::kAllLibraries};
  TFrameInputAdapter adapter_;
  AVFormatContext* ctx_ = nullptr;
  std::thread::id mainId_;
};

TEST_F(FrameInputThreadTest, WorkerReadsWhileMainThreadDraws) {
  std::vector<std::thread::id> drawers;
  adapter_.OnReadFrameCanvas = [&](TFrameInputAdapter*, gfx::Canvas& canvas, TInputFrameInfo* info) {
    drawers.push_back(std::this_thread::get_id());
    canvas.FillRect(canvas.Owner().Bounds(), gfx::Color(info->FrameNumber));
    return info->FrameNumber <= 10 ? 0 : -1;
  };
  ASSERT_EQ(Open(), 0);
  const std::vector<int> results = ReadOnWorker(20);
  ASSERT_EQ(results.size(), 11u);
  EXPECT_EQ(results.back(), -1);
  ASSERT_EQ(drawers.size(), 11u);
  for (const std::thread::id& id : drawers) EXPECT_EQ(id, mainId_);
}

TEST_F(FrameInputThreadTest, FailureOnMainThreadReachesTheReader) {
  adapter_.OnReadFrameCanvas = [&](TFrameInputAdapter*, gfx::Canvas&, TInputFrameInfo* info) -> int {
    if (info->FrameNumber == 3) throw std::runtime_error("Picture \"c.bmp\" is damaged");
    return 0;
  };
  ASSERT_EQ(Open(), 0);
  std::string failure;
  const std::vector<int> results = ReadOnWorker(10, &failure);
  EXPECT_EQ(results, (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(failure, "Picture \"c.bmp\" is damaged");
  EXPECT_EQ(adapter_.LastFrameError(), failure);
}

TEST_F(FrameInputThreadTest, MainThreadGoneEndsTheInputInsteadOfHanging) {
  bool drawn = false;
  adapter_.OnReadFrameCanvas = [&](TFrameInputAdapter*, gfx::Canvas&, TInputFrameInfo*) {
    drawn = true;
    return 0;
  };
  ASSERT_EQ(Open(), 0);
  media::ShutdownMainThreadCalls();
  const std::vector<int> results = ReadOnWorker(3);
  EXPECT_EQ(results, (std::vector<int>{-1}));
  EXPECT_FALSE(drawn);
}

int ReadOne(AVFormatContext* ctx) {
  AVPacket* pkt = ff::av_packet_alloc();
  const int ret = media::ReadOwnPacket(ctx, pkt);
  ff::av_packet_free(&pkt);
  return ret;
}

TEST_F(FrameInputThreadTest, AdapterDestroyedWhileWorkerWaitsToReadFailsTheReadCleanly) {
  auto adapter = std::make_unique<TFrameInputAdapter>();
  std::atomic<int> drawn{0};
  adapter->OnReadFrameCanvas = [&](TFrameInputAdapter*, gfx::Canvas&, TInputFrameInfo*) {
    ++drawn;
    return 0;
  };
  ASSERT_EQ(Open(*adapter), 0);
  std::atomic<bool> queued{false};
  media::SetMainThreadWaker([&] { queued = true; });
  std::atomic<int> result{1};
  std::thread worker([&] { result = ReadOne(ctx_); });
  // The worker now holds the adapter and waits for us to draw; we destroy
  // the adapter instead, which must serve that wait rather than free under it.
  while (!queued) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  adapter.reset();
  worker.join();
  media::SetMainThreadWaker(nullptr);
  EXPECT_EQ(result.load(), -1);
  EXPECT_EQ(drawn.load(), 0);
  // Later reads find no adapter; closing the input is still safe.
  EXPECT_EQ(ReadOne(ctx_), -1);
}

TEST_F(FrameInputThreadTest, DestructionWaitsForAReadInProgress) {
  auto adapter = std::make_unique<TFrameInputAdapter>();
  adapter->SetTriggerEventInMainThread(false);
  std::atomic<bool> drawing{false}, finish{false};
  adapter->OnReadFrameCanvas = [&](TFrameInputAdapter*, gfx::Canvas&, TInputFrameInfo*) {
    drawing = true;
    while (!finish) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
  };
  ASSERT_EQ(Open(*adapter), 0);
  std::atomic<int> result{1};
  std::thread worker([&] { result = ReadOne(ctx_); });
  while (!drawing) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::atomic<bool> destroyed{false};
  std::thread destroyer([&] {
    adapter.reset();
    destroyed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(destroyed) << "the adapter went while its event was running";
  finish = true;  // the read then records its result in the adapter
  worker.join();
  destroyer.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_TRUE(destroyed);
}

}  // namespace
