// Exceptions thrown by a wakable's callback: they leave OnWakeup unchanged
// for whoever delivered the tick, the registry lock is released on the way,
// and the registry stays usable. The wakables live in this program or in a
// second module (a plug-in), so on a shared-library build the exception
// unwinds through the library's frames from one module into another.
#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "fake_host.h"
#include "plugin/plugin_failure.h"
#include "recording_wakable.h"
#include "registry_view.h"
#include "vo_tools/base_exception.h"
#include "vo_tools/wakeup.h"

namespace vo_tools_test {
namespace {

// This program's own exception type.
class LocalFailure : public CKaBaseException {
 protected:
  char* GetMessageText() override { return text_; }

 private:
  char text_[14] = "local failure";
};

class WakeUpExceptionTest : public ::testing::Test {
 protected:
  void SetUp() override { host_.set_probing_lock(true); }

  void TearDown() override {
    EXPECT_EQ(Registry::size(), 0u) << "a test left requests registered";
    host_.ExpectEveryTimerStoppedOnceOutsideTheLock();
    EXPECT_EQ(std::uncaught_exceptions(), 0);
  }

  FakeHost host_;
  CPlexWakeUpServer server_{host_.context(), host_.config(), 0};
  RecordingWakable wakable_;
};

TEST_F(WakeUpExceptionTest, PeriodicCallbackThrowsToTheTicksCallerAndStaysScheduled) {
  const KaRequestId id = server_.RequestPeriodicTimerWakeUp(&wakable_, 10);
  const std::uint32_t timer = host_.last_id();
  wakable_.set_hook([] { throw LocalFailure(); });
  try {
    host_.Tick(timer);
    ADD_FAILURE() << "the callback's exception did not come out of OnWakeup";
  } catch (CKaBaseException& caught) {
    EXPECT_EQ(std::string(*caught), "local failure");
  }
  EXPECT_TRUE(RegistryLockIsFree()) << "the lock stayed held after the exception";

  // A periodic request is not ended by a failed delivery: the next tick
  // reaches the wakable again.
  EXPECT_TRUE(Registry::holds(&wakable_));
  wakable_.set_hook(nullptr);
  EXPECT_EQ(host_.Tick(timer), 0);
  EXPECT_EQ(wakable_.count(Callback::kPeriodic), 2);
  server_.CancelRequest(id);
  EXPECT_EQ(host_.StopCount(timer), 1);
}

// A one-shot whose callback throws has been delivered: left registered, its
// timer would call it again at every tick.
TEST_F(WakeUpExceptionTest, OneShotWhoseCallbackThrowsIsSpent) {
  server_.RequestSingleTimerWakeUp(&wakable_, 5);
  const std::uint32_t timer = host_.last_id();
  wakable_.set_hook([] { throw LocalFailure(); });
  EXPECT_THROW(host_.Tick(timer), LocalFailure);
  EXPECT_FALSE(Registry::holds(&wakable_));
  EXPECT_EQ(host_.StopCount(timer), 1) << "the spent one-shot's timer is given back once";
  EXPECT_EQ(host_.Tick(timer), 0) << "a late tick finds nothing";
  EXPECT_EQ(wakable_.count(Callback::kSingle), 1);
}

TEST_F(WakeUpExceptionTest, CallbackThatCancelsItselfAndThrowsEndsItsRequestOnce) {
  const KaRequestId id = server_.RequestPeriodicTimerWakeUp(&wakable_, 10);
  const std::uint32_t timer = host_.last_id();
  wakable_.set_hook([this, id] {
    server_.CancelRequest(id);
    throw LocalFailure();
  });
  EXPECT_THROW(host_.Tick(timer), LocalFailure);
  EXPECT_FALSE(Registry::holds(&wakable_));
  EXPECT_EQ(host_.StopCount(timer), 1);
  EXPECT_TRUE(RegistryLockIsFree());
}

TEST_F(WakeUpExceptionTest, OneShotThatRearmsAndThrowsKeepsTheNewRequest) {
  server_.RequestSingleTimerWakeUp(&wakable_, 5);
  const std::uint32_t first_timer = host_.last_id();
  bool first_delivery = true;
  wakable_.set_hook([this, &first_delivery] {
    if (!first_delivery) return;
    first_delivery = false;
    server_.RequestSingleTimerWakeUp(&wakable_, 5);
    throw LocalFailure();
  });
  EXPECT_THROW(host_.Tick(first_timer), LocalFailure);
  const std::uint32_t second_timer = host_.last_id();
  ASSERT_NE(second_timer, first_timer);
  EXPECT_EQ(host_.StopCount(first_timer), 1);
  EXPECT_TRUE(Registry::holds(&wakable_)) << "the re-armed one-shot survives the failed delivery";

  EXPECT_EQ(host_.Tick(second_timer), 0);
  EXPECT_FALSE(Registry::holds(&wakable_));
  EXPECT_EQ(host_.StopCount(second_timer), 1);
  EXPECT_EQ(wakable_.count(Callback::kSingle), 2);
}

// A callback that delivers another wakable's tick and catches what that one
// throws carries on under the lock it still holds: the inner failure leaves
// the outer delivery intact.
TEST_F(WakeUpExceptionTest, FailedNestedDeliveryLeavesTheOuterOneIntact) {
  // The inner one-shot's timer is given back while the outer delivery still
  // holds the lock, as for any request ended inside a callback.
  host_.set_probing_lock(false);
  RecordingWakable inner;
  server_.RequestSingleTimerWakeUp(&inner, 5);
  const std::uint32_t inner_timer = host_.last_id();
  inner.set_hook([] { throw LocalFailure(); });
  const KaRequestId outer_id = server_.RequestSingleTimerWakeUp(&wakable_, 5);
  const std::uint32_t outer_timer = host_.last_id();
  bool inner_failed = false;
  wakable_.set_hook([&] {
    try {
      host_.Tick(inner_timer);
    } catch (const LocalFailure&) {
      inner_failed = true;
    }
    server_.CancelRequest(outer_id);  // the outer one-shot ends itself early
  });
  EXPECT_EQ(host_.Tick(outer_timer), 0);
  EXPECT_TRUE(inner_failed);
  EXPECT_EQ(Registry::size(), 0u);
  EXPECT_EQ(host_.StopCount(inner_timer), 1);
  EXPECT_EQ(host_.StopCount(outer_timer), 1);
}

// The plug-in's wakable throws its own exception; it unwinds from the
// plug-in module through the library to this program, which catches it by
// the base class.
TEST_F(WakeUpExceptionTest, PluginsExceptionCrossesTheLibraryToTheTicksCaller) {
  auto plugin_wakable = std::make_unique<ThrowingWakable>(9);
  const KaRequestId id = server_.RequestPeriodicTimerWakeUp(plugin_wakable.get(), 10);
  const std::uint32_t timer = host_.last_id();
  for (int round = 1; round <= 2; ++round) {
    try {
      host_.Tick(timer);
      ADD_FAILURE() << "no exception, round " << round;
    } catch (CKaBaseException& caught) {
      EXPECT_EQ(std::string(*caught), "plug-in failure 9");
      EXPECT_EQ(std::uncaught_exceptions(), 0);
    }
    EXPECT_TRUE(RegistryLockIsFree()) << "round " << round;
  }
  EXPECT_EQ(plugin_wakable->calls(), 2);

  // The registry still serves everyone else.
  server_.RequestSingleTimerWakeUp(&wakable_, 5);
  EXPECT_EQ(host_.Tick(host_.last_id()), 0);
  EXPECT_EQ(wakable_.count(Callback::kSingle), 1);
  server_.CancelRequest(id);
}

TEST_F(WakeUpExceptionTest, PluginsOneShotIsSpentByItsFailedDelivery) {
  auto plugin_wakable = std::make_unique<ThrowingWakable>(4);
  server_.RequestSingleTimerWakeUp(plugin_wakable.get(), 5);
  const std::uint32_t timer = host_.last_id();
  EXPECT_THROW(host_.Tick(timer), PluginFailure);
  EXPECT_FALSE(Registry::holds(plugin_wakable.get()));
  EXPECT_EQ(host_.StopCount(timer), 1);
  EXPECT_EQ(host_.Tick(timer), 0);
  EXPECT_EQ(plugin_wakable->calls(), 1);
}

}  // namespace
}  // namespace vo_tools_test
