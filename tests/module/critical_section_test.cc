#include "module/critical_section.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// Starts a thread that takes `section` and raises `acquired` while it holds it.
std::thread StartContender(CKaCriticalSection* section, std::atomic<bool>* acquired) {
  return std::thread([section, acquired] {
    section->Lock();
    acquired->store(true);
    section->Unlock();
  });
}

// On Windows the spin count is the one the system kept for the section.
TEST(CriticalSection, NewSectionSpinsOnAMultiprocessorAndLetsItsOwnerReenter) {
  CKaCriticalSection section;
  EXPECT_EQ(section.SpinCountForTesting(), std::thread::hardware_concurrency() > 1 ? 4000 : 0);
  section.Lock();
  section.Lock();  // would deadlock a non-reentrant lock
  section.Lock();
  section.Unlock();
  section.Unlock();
  section.Unlock();
  std::atomic<bool> acquired{false};
  StartContender(&section, &acquired).join();
  EXPECT_TRUE(acquired.load());
}

TEST(CriticalSection, OtherThreadWaitsUntilEveryLockIsMatched) {
  CKaCriticalSection section;
  section.Lock();
  section.Lock();
  std::atomic<bool> acquired{false};
  std::thread contender = StartContender(&section, &acquired);

  section.Unlock();
  // A correct lock never lets the contender in here; the pause only gives a
  // faulty one the chance to show it.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(acquired.load());

  section.Unlock();
  contender.join();
  EXPECT_TRUE(acquired.load());
}

TEST(CriticalSection, SerialisesNestedUpdatesFromManyThreads) {
  CKaCriticalSection section;
  long counter = 0;  // plain data: ThreadSanitizer reports any unguarded access
  constexpr int kThreads = 4;
  constexpr int kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        vo_tools::CriticalSectionLock outer(&section);
        vo_tools::CriticalSectionLock inner(&section);
        counter = counter + 1;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(counter, long{kThreads} * kRounds);
}

}  // namespace
