// The platform's local time: a child forked while other threads convert
// times must still be able to convert one.
#include "platform/local_time.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

#include "child_process.h"
#include "timed_fork.h"
#include "wait_for.h"

namespace {

using vo_tools::platform::LocalTime;
using vo_tools_test::ForkOutcome;

constexpr int kConvertingThreads = 3;
constexpr int kForks = 40;

// The C library converts under a lock of its own that a fork does not
// release: a child forked while another thread holds it would wait forever.
TEST(LocalTime, WorksInAChildForkedWhileOtherThreadsConvert) {
  if (!vo_tools_test::CanFork()) GTEST_SKIP() << "Windows has no fork";
  ASSERT_TRUE(vo_tools_test::RunInChild([] {
    std::atomic<bool> stop{false};
    std::atomic<int> running{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kConvertingThreads; ++t) {
      threads.emplace_back([&stop, &running] {
        running.fetch_add(1);
        std::tm local{};
        for (std::time_t when = 0; !stop.load(); when += 3607) LocalTime(when, &local);
      });
    }
    while (running.load() < kConvertingThreads) std::this_thread::yield();
    int converted = 0;
    for (int k = 0; k < kForks; ++k) {
      const ForkOutcome outcome = vo_tools_test::ForkAndWait(
          [] {
            std::tm local{};
            EXPECT_TRUE(LocalTime(std::time(nullptr), &local));
          },
          vo_tools_test::kHangBound);
      if (outcome != ForkOutcome::kExitedCleanly) break;  // one hang says enough
      ++converted;
    }
    stop.store(true);
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(converted, kForks) << "children that converted a time and exited in time";
  }));
}

}  // namespace
