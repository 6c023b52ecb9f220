// The shared holder of the log object: counting, sharing, and the last
// release freeing the object, the count and the lock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "quill/quill_log.h"
#include "quill/smart_ptr.h"

namespace {

int g_destroyed = 0;

class CountedLog : public IQuillLog1 {
 public:
  ~CountedLog() override { ++g_destroyed; }
  bool Configure(int, int, int) override { return true; }
  bool Write(const char*, int, int, const char*, ...) override { return true; }
};

struct Element {
  ~Element() { ++g_destroyed; }
};

class HolderTest : public testing::Test {
 protected:
  void SetUp() override { g_destroyed = 0; }
};

using Holder = QUILL::CSmartPtr<IQuillLog1>;

TEST_F(HolderTest, LastHolderDeletesTheObject) {
  auto* log = new CountedLog;
  {
    Holder first(log, true);
    EXPECT_EQ(first.use_count(), 1);
    EXPECT_TRUE(first.has_lock());
    {
      Holder second(first);
      Holder third;
      third = second;
      EXPECT_EQ(first.use_count(), 3);
      EXPECT_EQ(third.get(), log);
    }
    // Releases that do not reach zero leave the object, count and lock alive.
    EXPECT_EQ(g_destroyed, 0);
    EXPECT_EQ(first.use_count(), 1);
    EXPECT_TRUE(first.has_lock());
    EXPECT_TRUE(first->Configure(1, 0, 120));
  }
  EXPECT_EQ(g_destroyed, 1);
}

TEST_F(HolderTest, AssigningAHolderOfTheSameObjectChangesNothing) {
  Holder first(new CountedLog);
  Holder second(first);
  first = second;
  Holder& same = first;  // (Clang warns of a plain self-assignment)
  first = same;
  EXPECT_EQ(first.use_count(), 2);
  EXPECT_EQ(g_destroyed, 0);
  // Holders made separately for the same (null) object keep their own counts.
  Holder empty;
  Holder other_empty;
  Holder copy_of_other(other_empty);
  empty = other_empty;
  EXPECT_EQ(empty.use_count(), 1);
  EXPECT_EQ(other_empty.use_count(), 2);
}

TEST_F(HolderTest, ReplacingAnEmptyHolderFreesOnlyItsCount) {
  Holder module_holder;  // as the module's holder starts: no object, no lock
  EXPECT_EQ(module_holder.get(), nullptr);
  EXPECT_FALSE(module_holder.has_lock());
  {
    Holder created(new CountedLog, true);
    module_holder = created;
    EXPECT_EQ(module_holder.use_count(), 2);
    EXPECT_TRUE(module_holder.has_lock());
  }
  EXPECT_EQ(module_holder.use_count(), 1);
  EXPECT_EQ(g_destroyed, 0);
  module_holder = Holder(new CountedLog, false);
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_FALSE(module_holder.has_lock());
}

TEST_F(HolderTest, ArrayFlagSelectsArrayDelete) {
  { QUILL::CSmartPtr<Element> single(new Element); }
  EXPECT_EQ(g_destroyed, 1);
  { QUILL::CSmartPtr<Element> array(new Element[3], true, true); }
  EXPECT_EQ(g_destroyed, 4);
}

TEST_F(HolderTest, LockedCountSurvivesCopiesOnManyThreads) {
  Holder shared(new CountedLog, true);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&shared] {
      for (int i = 0; i < 2000; ++i) {
        Holder copy(shared);
        Holder other;
        other = copy;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(shared.use_count(), 1);
  EXPECT_EQ(g_destroyed, 0);
}

}  // namespace
