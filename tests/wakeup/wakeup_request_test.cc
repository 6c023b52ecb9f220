#include <gtest/gtest.h>

#include <climits>

#include "fake_host.h"
#include "recording_wakable.h"
#include "vo_tools/wakeup.h"

namespace vo_tools_test {
namespace {

// The base class with the one missing piece supplied.
class PlainRequest : public CPlexWakeUpRequest {
 public:
  using CPlexWakeUpRequest::CPlexWakeUpRequest;
  int WakeUp() override { return 7; }
};

class WakeUpRequestTest : public ::testing::Test {
 protected:
  FakeHost host_;
  RecordingWakable wakable_;
};

TEST_F(WakeUpRequestTest, RefusedTimerMakesSetFailAndIsNeverStopped) {
  host_.set_refusing(true);
  {
    CPlexPeriodicWakeupRequest periodic(10, &wakable_, host_.context(), host_.config());
    CPlexOnceWakeupRequest once(10, &wakable_, host_.context(), host_.config());
    EXPECT_EQ(periodic.Set(), 0);
    EXPECT_EQ(once.Set(), 0);
  }
  EXPECT_EQ(host_.starts().size(), 2u);
  EXPECT_TRUE(host_.stops().empty());
}

TEST_F(WakeUpRequestTest, ArmedRequestStopsItsTimerOnceWhenDestroyed) {
  {
    CPlexPeriodicWakeupRequest request(10, &wakable_, host_.context(), host_.config());
    EXPECT_TRUE(host_.starts().empty()) << "constructing arms nothing";
    EXPECT_EQ(request.Set(), 1);
  }
  ASSERT_EQ(host_.stops().size(), 1u);
  EXPECT_EQ(host_.stops()[0].id, host_.starts()[0].id);
  EXPECT_EQ(host_.stops()[0].context, host_.context());
}

TEST_F(WakeUpRequestTest, BothKindsArmTheHostAlike) {
  CPlexPeriodicWakeupRequest periodic(ULONG_MAX, &wakable_, host_.context(), host_.config());
  CPlexOnceWakeupRequest once(ULONG_MAX, &wakable_, host_.context(), host_.config());
  ASSERT_EQ(periodic.Set(), 1);
  ASSERT_EQ(once.Set(), 1);
  for (const FakeHost::StartCall& start : host_.starts()) {
    EXPECT_EQ(start.context, host_.context());
    EXPECT_EQ(start.callback, &CPlexWakeUpServer::OnWakeup);
    EXPECT_EQ(start.cookie, static_cast<void*>(&wakable_));
    EXPECT_EQ(start.interval, ULONG_MAX) << "the interval reaches the host unchanged";
  }
}

TEST_F(WakeUpRequestTest, WakeUpPassesTheWakablesAddressAndReportsCompletion) {
  CPlexPeriodicWakeupRequest periodic(10, &wakable_, host_.context(), host_.config());
  CPlexOnceWakeupRequest once(10, &wakable_, host_.context(), host_.config());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(periodic.WakeUp(), 0);
    EXPECT_EQ(once.WakeUp(), 1);
  }
  ASSERT_EQ(wakable_.calls().size(), 6u);
  EXPECT_EQ(wakable_.count(Callback::kPeriodic), 3);
  EXPECT_EQ(wakable_.count(Callback::kSingle), 3);
  for (const RecordingWakable::Call& call : wakable_.calls()) {
    EXPECT_EQ(call.id, wakable_.address());
  }
}

// The base request's Set succeeds without a timer; a timed request refuses
// a record without timer entries.
TEST_F(WakeUpRequestTest, SetArmsATimerOnlyForATimedRequestOnATimerRecord) {
  {
    PlainRequest request(&wakable_, host_.context(), host_.config());
    EXPECT_EQ(request.Set(), 1);
  }
  EXPECT_TRUE(host_.starts().empty());
  EXPECT_TRUE(host_.stops().empty());
  ext_in_config empty{};
  CPlexOnceWakeupRequest request(10, &wakable_, nullptr, &empty);
  EXPECT_EQ(request.Set(), 0);
}

// A timer has exactly one owner, whatever is copied or assigned.
TEST_F(WakeUpRequestTest, CopyStartsUnarmedAndNeverStopsTheOriginalsTimer) {
  {
    CPlexPeriodicWakeupRequest original(10, &wakable_, host_.context(), host_.config());
    ASSERT_EQ(original.Set(), 1);
    { CPlexPeriodicWakeupRequest copy(original); }
    EXPECT_TRUE(host_.stops().empty()) << "destroying the copy stopped the original's timer";
    CPlexPeriodicWakeupRequest copy(original);
    EXPECT_EQ(copy.WakeUp(), 0);  // the copy still serves the same wakable
  }
  ASSERT_EQ(host_.stops().size(), 1u);
  EXPECT_EQ(wakable_.count(Callback::kPeriodic), 1);
}

TEST_F(WakeUpRequestTest, AssignmentStopsTheTargetsOwnTimerAndSharesNone) {
  RecordingWakable other;
  {
    CPlexOnceWakeupRequest source(10, &wakable_, host_.context(), host_.config());
    CPlexOnceWakeupRequest target(20, &other, host_.context(), host_.config());
    ASSERT_EQ(source.Set(), 1);
    ASSERT_EQ(target.Set(), 1);
    const std::uint32_t target_timer = host_.last_id();
    target = source;
    ASSERT_EQ(host_.stops().size(), 1u);
    EXPECT_EQ(host_.stops()[0].id, target_timer);
    target.WakeUp();
    EXPECT_EQ(wakable_.count(Callback::kSingle), 1) << "the target now serves the source's wakable";
    ASSERT_EQ(target.Set(), 1);  // and can arm a timer of its own
  }
  EXPECT_EQ(host_.stops().size(), 3u);
  for (const FakeHost::StartCall& start : host_.starts()) EXPECT_EQ(host_.StopCount(start.id), 1);
}

TEST_F(WakeUpRequestTest, SettingAgainGivesTheEarlierTimerBack) {
  {
    CPlexPeriodicWakeupRequest request(10, &wakable_, host_.context(), host_.config());
    ASSERT_EQ(request.Set(), 1);
    ASSERT_EQ(request.Set(), 1);
    EXPECT_EQ(host_.StopCount(host_.starts()[0].id), 1);
  }
  EXPECT_EQ(host_.running(), 0);
}

}  // namespace
}  // namespace vo_tools_test
