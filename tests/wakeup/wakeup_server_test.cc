#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "failing_allocator.h"
#include "fake_host.h"
#include "recording_wakable.h"
#include "registry_view.h"
#include "vo_tools/wakeup.h"

namespace vo_tools_test {
namespace {

class WakeUpServerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(Registry::size(), 0u) << "a test left requests registered";
    host_.ExpectEveryTimerStoppedOnceOutsideTheLock();
  }

  FakeHost host_;
  CPlexWakeUpServer server_{host_.context(), host_.config(), 0};
  RecordingWakable wakable_;
};

// Where unsigned long is narrower than a pointer (64-bit Windows), an
// identifier cut to it would name no request, and the cancel below would
// leave the timer running. The address is never dereferenced: no tick comes.
TEST_F(WakeUpServerTest, RequestIdentifierHoldsTheWholeAddress) {
  const std::uintptr_t high_address =
      sizeof(void*) == 8 ? static_cast<std::uintptr_t>(0x7FF012345670ULL) : 0xFFF01230u;
  auto* far_wakable = reinterpret_cast<KaWakable*>(high_address);
  const KaRequestId id = server_.RequestSingleTimerWakeUp(far_wakable, 5);
  EXPECT_EQ(static_cast<std::uintptr_t>(id), high_address);
  EXPECT_TRUE(Registry::holds(far_wakable));
  server_.CancelRequest(id);
  EXPECT_FALSE(Registry::holds(far_wakable));
  EXPECT_EQ(host_.StopCount(host_.last_id()), 1);
}

TEST_F(WakeUpServerTest, PeriodicTicksUntilCancelled) {
  const KaRequestId id = server_.RequestPeriodicTimerWakeUp(&wakable_, 50);
  EXPECT_EQ(id, wakable_.address());
  EXPECT_EQ(Registry::initialized(), 1);
  const std::uint32_t timer = host_.last_id();
  EXPECT_EQ(host_.starts()[0].interval, 50u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(host_.Tick(timer), 0);
  ASSERT_EQ(wakable_.count(Callback::kPeriodic), 3);
  for (const RecordingWakable::Call& call : wakable_.calls()) EXPECT_EQ(call.id, id);

  host_.set_probing_lock(true);
  server_.CancelRequest(id);
  EXPECT_EQ(host_.StopCount(timer), 1);
  EXPECT_EQ(host_.Tick(timer), 0) << "a late tick after the cancel is harmless";
  EXPECT_EQ(wakable_.calls().size(), 3u);
  server_.CancelRequest(id);  // a second cancel finds nothing
  EXPECT_EQ(host_.stops().size(), 1u);
}

TEST_F(WakeUpServerTest, SingleTimerFiresOnceAndStopsItsTimer) {
  host_.set_probing_lock(true);
  const KaRequestId id = server_.RequestSingleTimerWakeUp(&wakable_, 5);
  ASSERT_EQ(id, wakable_.address());
  const std::uint32_t timer = host_.last_id();
  EXPECT_EQ(host_.Tick(timer), 0);
  EXPECT_FALSE(Registry::holds(&wakable_));
  EXPECT_EQ(host_.StopCount(timer), 1) << "delivery ends the request and its timer";
  EXPECT_EQ(host_.Tick(timer), 0);
  server_.CancelRequest(id);
  EXPECT_EQ(wakable_.count(Callback::kSingle), 1);
  EXPECT_EQ(wakable_.calls().size(), 1u);
  EXPECT_EQ(host_.stops().size(), 1u);
}

TEST_F(WakeUpServerTest, LaterRequestReplacesTheEarlierAndStopsItsTimer) {
  host_.set_probing_lock(true);
  const KaRequestId first = server_.RequestPeriodicTimerWakeUp(&wakable_, 10);
  const std::uint32_t first_timer = host_.last_id();
  const KaRequestId second = server_.RequestSingleTimerWakeUp(&wakable_, 20);
  const std::uint32_t second_timer = host_.last_id();
  EXPECT_EQ(first, second);
  EXPECT_EQ(Registry::size(), 1u);
  EXPECT_EQ(host_.StopCount(first_timer), 1);
  EXPECT_EQ(host_.StopCount(second_timer), 0);

  host_.Tick(first_timer);  // reaches the entry, which now holds the one-shot
  EXPECT_EQ(wakable_.count(Callback::kSingle), 1);
  EXPECT_EQ(host_.StopCount(second_timer), 1);
  server_.CancelRequest(first);
  EXPECT_EQ(host_.stops().size(), 2u);
}

TEST_F(WakeUpServerTest, OneCancelRemovesAReplacedRequest) {
  server_.RequestPeriodicTimerWakeUp(&wakable_, 10);
  server_.RequestPeriodicTimerWakeUp(&wakable_, 10);
  server_.CancelRequest(wakable_.address());
  EXPECT_EQ(Registry::size(), 0u);
  EXPECT_EQ(host_.stops().size(), 2u);
}

TEST_F(WakeUpServerTest, RefusedRequestKeepsTheEarlierEntry) {
  const KaRequestId id = server_.RequestPeriodicTimerWakeUp(&wakable_, 10);
  const std::uint32_t timer = host_.last_id();
  host_.set_refusing(true);
  EXPECT_EQ(server_.RequestSingleTimerWakeUp(&wakable_, 10), 0u);
  EXPECT_EQ(server_.RequestPeriodicTimerWakeUp(&wakable_, 10), 0u);
  EXPECT_TRUE(host_.stops().empty());
  host_.Tick(timer);
  EXPECT_EQ(wakable_.count(Callback::kPeriodic), 1) << "the earlier periodic request still serves";
  server_.CancelRequest(id);
}

TEST_F(WakeUpServerTest, NullWakableIsRefusedWithoutAskingTheHost) {
  EXPECT_EQ(server_.RequestPeriodicTimerWakeUp(nullptr, 10), 0u);
  EXPECT_EQ(server_.RequestSingleTimerWakeUp(nullptr, 10), 0u);
  EXPECT_TRUE(host_.starts().empty());
}

// An immediate request returns 1 and schedules nothing; the 1 names no
// entry, and a tick for a cookie nothing is registered under is ignored.
TEST_F(WakeUpServerTest, ImmediateRequestAndUnknownCookiesTouchNothing) {
  EXPECT_EQ(server_.RequestImmediateWakeUp(&wakable_), 1u);
  server_.CancelRequest(1);
  EXPECT_EQ(CPlexWakeUpServer::OnWakeup(&wakable_), 0);
  EXPECT_EQ(CPlexWakeUpServer::OnWakeup(nullptr), 0);
  EXPECT_TRUE(host_.starts().empty());
  EXPECT_TRUE(wakable_.calls().empty());
  EXPECT_EQ(Registry::size(), 0u);
}

TEST_F(WakeUpServerTest, WakableWithoutOverridesCanBeScheduled) {
  struct Bare : KaWakable {};
  static_assert(sizeof(Bare) == sizeof(void*), "a wakable holds nothing but its vtable pointer");
  Bare bare;
  const KaRequestId id = server_.RequestPeriodicTimerWakeUp(&bare, 10);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(host_.Tick(host_.last_id()), 0);
  Bare copy(bare);
  copy = bare;  // copies change nothing registered
  EXPECT_EQ(Registry::size(), 1u);
  server_.CancelRequest(id);
}

TEST_F(WakeUpServerTest, RequestsOutliveTheServerThatMadeThem) {
  KaRequestId id;
  {
    CPlexWakeUpServer other(host_.context(), host_.config(), 42);
    CPlexWakeUpServer copy(other);
    id = copy.RequestPeriodicTimerWakeUp(&wakable_, 10);
  }
  EXPECT_TRUE(host_.stops().empty());
  host_.Tick(host_.last_id());
  EXPECT_EQ(wakable_.count(Callback::kPeriodic), 1);
  server_.CancelRequest(id);  // any server cancels: the registry is shared
  EXPECT_EQ(host_.stops().size(), 1u);
}

// A wakable that goes with a request still registered takes it along, also
// from inside its own callback: the timer stops once, and no later tick
// reaches the wakable.
TEST_F(WakeUpServerTest, DestroyedWakableRetiresItsRequest) {
  struct Ending : KaWakable {
    void OnPeriodicTimer(KaRequestId) override { delete this; }
  };
  host_.set_probing_lock(true);
  server_.RequestPeriodicTimerWakeUp(new Ending, 10);
  const std::uint32_t ending_timer = host_.last_id();
  auto outside = std::make_unique<RecordingWakable>();
  server_.RequestPeriodicTimerWakeUp(outside.get(), 10);
  const std::uint32_t outside_timer = host_.last_id();
  outside.reset();
  EXPECT_EQ(host_.StopCount(outside_timer), 1);
  EXPECT_EQ(host_.Tick(ending_timer), 0);
  EXPECT_EQ(host_.StopCount(ending_timer), 1);
  EXPECT_EQ(Registry::size(), 0u);
}

TEST_F(WakeUpServerTest, CallbackCancelsItsOwnRequest) {
  host_.set_probing_lock(true);
  const KaRequestId id = server_.RequestPeriodicTimerWakeUp(&wakable_, 10);
  const std::uint32_t timer = host_.last_id();
  wakable_.set_hook([&] {
    server_.CancelRequest(id);
    EXPECT_EQ(host_.StopCount(timer), 0) << "the request must outlive its own callback";
  });
  host_.Tick(timer);
  EXPECT_EQ(host_.StopCount(timer), 1);
  host_.Tick(timer);
  EXPECT_EQ(wakable_.calls().size(), 1u);
}

// The one-shot that asks for another one-shot from inside its callback keeps
// the new request; only the one that fired leaves.
TEST_F(WakeUpServerTest, SingleTimerCallbackCanRearm) {
  host_.set_probing_lock(true);
  int rearms = 2;
  wakable_.set_hook([&] {
    if (rearms-- > 0) {
      EXPECT_NE(server_.RequestSingleTimerWakeUp(&wakable_, 10), 0u);
    }
  });
  server_.RequestSingleTimerWakeUp(&wakable_, 10);
  for (int i = 0; i < 3; ++i) {
    const std::uint32_t timer = host_.last_id();
    host_.Tick(timer);
    EXPECT_EQ(host_.StopCount(timer), 1);
  }
  EXPECT_EQ(wakable_.count(Callback::kSingle), 3);
  EXPECT_EQ(host_.starts().size(), 3u);
  EXPECT_FALSE(Registry::holds(&wakable_));
}

// Cancelling and requesting again inside the callback may give the new
// request the address the old one had; it must still survive the delivery.
TEST_F(WakeUpServerTest, SingleTimerCallbackCanCancelAndRequestAgain) {
  bool once = true;
  wakable_.set_hook([&] {
    if (!once) return;
    once = false;
    server_.CancelRequest(wakable_.address());
    server_.RequestSingleTimerWakeUp(&wakable_, 10);
  });
  server_.RequestSingleTimerWakeUp(&wakable_, 10);
  const std::uint32_t first = host_.last_id();
  host_.Tick(first);
  EXPECT_EQ(host_.StopCount(first), 1);
  ASSERT_TRUE(Registry::holds(&wakable_));
  host_.Tick(host_.last_id());
  EXPECT_EQ(wakable_.count(Callback::kSingle), 2);
  EXPECT_FALSE(Registry::holds(&wakable_));
}

TEST_F(WakeUpServerTest, PeriodicCallbackCanReplaceItself) {
  bool once = true;
  wakable_.set_hook([&] {
    if (once) server_.RequestSingleTimerWakeUp(&wakable_, 10);
    once = false;
  });
  server_.RequestPeriodicTimerWakeUp(&wakable_, 10);
  const std::uint32_t periodic = host_.last_id();
  host_.Tick(periodic);
  EXPECT_EQ(host_.StopCount(periodic), 1);
  host_.Tick(host_.last_id());
  EXPECT_EQ(wakable_.count(Callback::kPeriodic), 1);
  EXPECT_EQ(wakable_.count(Callback::kSingle), 1);
}

TEST_F(WakeUpServerTest, NestedDeliveryOfTheSameOneShotEndsItOnce) {
  int depth = 0;
  wakable_.set_hook([&] {
    if (depth++ == 0) CPlexWakeUpServer::OnWakeup(&wakable_);
  });
  server_.RequestSingleTimerWakeUp(&wakable_, 10);
  host_.Tick(host_.last_id());
  EXPECT_EQ(wakable_.count(Callback::kSingle), 2);
  EXPECT_EQ(host_.stops().size(), 1u);
  EXPECT_FALSE(Registry::holds(&wakable_));
}

// The request is destroyed in stop_timer's stead: a host that calls back
// into the server while stopping finds the lock free.
TEST_F(WakeUpServerTest, HostMayCallTheServerFromStopTimer) {
  RecordingWakable other;
  const KaRequestId other_id = server_.RequestPeriodicTimerWakeUp(&other, 10);
  host_.set_on_stop([&](std::uint32_t) { server_.CancelRequest(other_id); });
  server_.RequestPeriodicTimerWakeUp(&wakable_, 10);
  server_.CancelRequest(wakable_.address());
  EXPECT_EQ(Registry::size(), 0u);
  EXPECT_EQ(host_.stops().size(), 2u);
}

TEST_F(WakeUpServerTest, NoMemoryForTheRequestChangesNothing) {
  const KaRequestId id = server_.RequestPeriodicTimerWakeUp(&wakable_, 10);
  {
    ScopedAllocationFailure failure(Allocations::kSingleObject, 0, Refusal::kOnce);
    EXPECT_EQ(server_.RequestSingleTimerWakeUp(&wakable_, 10), 0u);
    EXPECT_EQ(failure.failures(), 1);
  }
  EXPECT_EQ(host_.starts().size(), 1u) << "no timer is asked for without a request";
  host_.Tick(host_.last_id());
  EXPECT_EQ(wakable_.count(Callback::kPeriodic), 1);
  server_.CancelRequest(id);
}

TEST_F(WakeUpServerTest, NoMemoryForTheRegistryEntryStopsTheNewTimer) {
  host_.set_probing_lock(true);
  {
    // the request, then not the map node
    ScopedAllocationFailure failure(Allocations::kSingleObject, 1, Refusal::kOnce);
    EXPECT_EQ(server_.RequestPeriodicTimerWakeUp(&wakable_, 10), 0u);
    EXPECT_EQ(failure.failures(), 1);
  }
  ASSERT_EQ(host_.starts().size(), 1u);
  EXPECT_EQ(host_.StopCount(host_.last_id()), 1);
  EXPECT_EQ(Registry::size(), 0u);
}

}  // namespace
}  // namespace vo_tools_test
